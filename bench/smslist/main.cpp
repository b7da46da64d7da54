// Times a listing of 255 long messages on the SMS page of the main window,
// from the listing command until the rows are shown, against the simulated
// handset sending at 115200 baud. The reply's bytes need a known time on the
// wire; assembling, decoding and filling the list must add little to it.
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "infopage.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "smspage.h"
#include "text2pdu.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

constexpr int Messages = 255;
constexpr int Baud = 115200;

// A received 7-bit message of 160 characters from +420603123456: the user
// data of an encoded message put behind a delivery header.
QByteArray longMessage(int n)
{
    QByteArray text = "Zprava " + QByteArray::number(n) + ": ";
    while (text.size() < 160)
        text += "dlouhy text zkusebni zpravy ";
    text.truncate(160);
    const EncodedPdu submit = TextToPdu("420603123456", text, "AA", false);
    // "00" "11" "00", destination (16 digits), PID, DCS, VP: then UDL and UD.
    const QByteArray userData = submit.pdu.mid(6 + 16 + 6);
    return "0791246030500200040C912460302143650000622180812401" + QByteArray("40") + userData;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;

    QTemporaryDir dir;
    QByteArray state = "sms.preset = empty\nsms.ME.size = " + QByteArray::number(Messages) + "\n";
    qint64 replyBytes = QByteArray("AT+CMGL=4\r").size() + 2 + 6;  // echo, the opening CR LF, CR LF OK CR LF
    for (int i = 1; i <= Messages; ++i) {
        const QByteArray pdu = longMessage(i);
        state += "sms.ME." + QByteArray::number(i) + " = 1," + pdu + "\n";
        const QByteArray header = "+CMGL: " + QByteArray::number(i) + ",1,," + QByteArray::number(pdu.size() / 2 - 8);
        replyBytes += header.size() + 2 + pdu.size() + 2;
    }
    QFile file(dir.filePath(QStringLiteral("state.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(state);
    file.close();

    SimProcess sim({QStringLiteral("--baud"), QString::number(Baud), QStringLiteral("--state"), file.fileName()});
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return 1;
    }
    const FixedClock clock(QDateTime(QDate(2026, 12, 10), QTime(14, 0)));
    TForm1 form(dir.path(), clock);
    form.ComPort1->setPort(sim.modemPath());
    form.infoPage()->Vyrobce()->setText(QStringLiteral("TORVANE"));
    form.EnablePhoneControls(true);
    SmsPage *page = form.smsPage();

    page->Nacist_SMS()->setItemIndex(1);  // the phone memory; no status yet, so nothing is listed
    page->Nacist_SMSClick();
    page->Typ_SMS()->setItemIndex(4);

    QEventLoop loop;
    QObject::connect(page, &SmsPage::listingShown, &loop, &QEventLoop::quit);
    QObject::connect(page, &SmsPage::listingFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    page->ListMessages();
    if (page->ListSMS()->topLevelItemCount() != Messages)
        loop.exec();
    const qint64 elapsed = timer.elapsed();
    if (page->ListSMS()->topLevelItemCount() != Messages) {
        std::fprintf(stderr, "listed %d rows instead of %d; status: %s; handset log: %s\n",
                     page->ListSMS()->topLevelItemCount(), Messages, qPrintable(form.panelText(0)),
                     sim.control("log").constData());
        return 1;
    }
    const qint64 wireMs = replyBytes * 10 * 1000 / Baud;
    std::printf("smslist_wire_time_255_long_115200_baud\t%lld\tms\t-\n", static_cast<long long>(wireMs));
    std::printf("smslist_255_long_messages_until_shown\t%lld\tms\t<%lld\n", static_cast<long long>(elapsed),
                static_cast<long long>(wireMs * 11 / 10 + 1));
    return 0;
}
