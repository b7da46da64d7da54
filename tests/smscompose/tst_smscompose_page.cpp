// The main window's SMS page with the compose dialog: the preview joins the
// listed parts of a concatenated message (or says which are missing), and
// the page's buttons, menu items and double-click open the dialog.

#include "clock.h"
#include "hlavni.h"
#include "novasms.h"
#include "processlist.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "smspage.h"
#include "startup.h"
#include "text2pdu.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// A received part: the SMS-SUBMIT part the codec builds, turned into the
// SMS-DELIVER the other handset gets (first octet 44, no message
// reference, a time stamp instead of the validity period).
QByteArray deliverOf(const QByteArray &submit)
{
    // 00 | FO | MR | DA (0C 91 + 6 octets) | PID DCS | VP | UDL UD
    return "00" "44" + submit.mid(6, 16) + submit.mid(22, 4) + "50102141051040" + submit.mid(28);
}

QList<QByteArray> partsOf(const QByteArray &number, const QByteArray &text, int reference)
{
    const EncodedMessage m = TextToPduParts(number, text, "AA", false, reference);
    QList<QByteArray> out;
    for (const EncodedPdu &p : m.parts)
        out.append(deliverOf(p.pdu));
    return out;
}

const QByteArray kWhole = QByteArray(160, 'a') + QByteArray(153, 'b') + "konec"; // three parts
const QByteArray kHalf = QByteArray(153, 'c') + "druha cast";                    // two parts, one stored

} // namespace

class TestSmsComposePage : public QObject
{
    Q_OBJECT

private slots:
    void previewAndOpenings();
};

void TestSmsComposePage::previewAndOpenings()
{
    const QList<QByteArray> whole = partsOf("420603111222", kWhole, 0x21);
    const QList<QByteArray> half = partsOf("420777333444", kHalf, 0x22);
    QCOMPARE(whole.size(), 3);
    QCOMPARE(half.size(), 2);

    QTemporaryDir folder;
    // Locations: part 3, a message of its own, part 1, the first half of the
    // other message, part 2.
    QFile state(folder.filePath(QStringLiteral("state")));
    QVERIFY(state.open(QIODevice::WriteOnly));
    state.write("sms.preset = empty\n"
                "sms.SM.1 = 0," + whole[2] + "\n"
                "sms.SM.2 = 0,0791240000000000040C912400002143650000501021410510400361F118\n"
                "sms.SM.3 = 0," + whole[0] + "\n"
                "sms.SM.4 = 0," + half[0] + "\n"
                "sms.SM.5 = 0," + whole[1] + "\n");
    state.close();
    SimProcess sim({QStringLiteral("--state"), state.fileName()});
    QVERIFY(sim.start());
    QFile ini(folder.filePath(QStringLiteral("torvane.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ComPort1]\nPort=" + sim.modemPath().toLocal8Bit() + "\n");
    ini.close();

    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    FixedClock clock(QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7)));
    TForm1 form(folder.path(), clock);
    form.show();
    StartUp(form, processes, QCoreApplication::applicationFilePath());
    SmsPage *page = form.smsPage();
    QVERIFY(page->Nova_SMS()->isEnabled());

    QSignalSpy listed(page, &SmsPage::listingShown);
    form.selectPage(TForm1::SmsPageIndex);
    page->FirstVisit();
    QVERIFY(listed.count() > 0 || listed.wait(20000));
    QTreeWidget *list = page->ListSMS();
    QCOMPARE(list->topLevelItemCount(), 5);

    const auto show = [&](int row) {
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
        page->ShowSelectedRow();
        return page->SMSText()->toPlainText();
    };
    // Every part of the whole message shows all of it, in order.
    const QString all = QString::fromLatin1(kWhole);
    QCOMPARE(show(0), all);
    QCOMPARE(show(2), all);
    QCOMPARE(show(4), all);
    QCOMPARE(show(1), QStringLiteral("abc"));
    QCOMPARE(show(3), QString(153, u'c') + QString::fromUtf8("\n\nChybí části zprávy: [2/2]"));

    // Reply (button, menu item, double-click) opens the dialog with the row's
    // number and the joined preview; a new message opens it as it was left.
    TNovaSMSDlg *dlg = form.novaSms();
    QVERIFY(dlg);
    show(2);
    QString number, text;
    const auto look = [&](QDialog *) {
        number = dlg->CisloPrijemce()->text();
        text = dlg->SMS()->toPlainText();
        return int(QDialog::Rejected);
    };
    dialogs.dialogActions.push_back(look);
    page->Odpoved_SMS()->click();
    QCOMPARE(number, QStringLiteral("420603111222"));
    QCOMPARE(text, all);

    show(1);
    dialogs.dialogActions.push_back(look);
    page->UpravSMS1()->trigger();
    QCOMPARE(number, QStringLiteral("420000123456"));
    QCOMPARE(text, QStringLiteral("abc"));

    show(3);
    dialogs.dialogActions.push_back(look);
    emit list->itemDoubleClicked(list->topLevelItem(3), 4);
    QCOMPARE(number, QStringLiteral("420777333444"));

    dlg->SMS()->setPlainText(QStringLiteral("rozepsaná"));
    dialogs.dialogActions.push_back(look);
    page->Nova_SMS()->click();
    QCOMPARE(text, QStringLiteral("rozepsaná"));
    dialogs.dialogActions.push_back(look);
    page->NovSMS1()->trigger();
    int shown = 0;
    for (const ScriptedDialogs::Request &r : dialogs.requests)
        shown += r.dialogName == QLatin1String("NovaSMSDlg");
    QCOMPARE(shown, 5);
}

QTEST_MAIN(TestSmsComposePage)
#include "tst_smscompose_page.moc"
