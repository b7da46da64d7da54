// The SMS page of the main window against the simulated handset: listing by
// memory and status, names from the phonebook list, showing a row, the
// first visit, deleting, saving the archives and printing.

#include "comport.h"
#include "cp1250.h"
#include "hlavni.h"
#include "infopage.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "smslisting.h"
#include "smspage.h"
#include "text2pdu.h"
#include "ulozsms.h"
#include "clock.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include <memory>

namespace {

// The SIM part of the demo store: 7-bit from +420603123456 (read), UCS-2
// from +420777987654 (unread), alphanumeric sender (read).
const QByteArray Sm1 = "1,0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F";
const QByteArray Sm2 = "0,0791246030500200040C912470778967450008622190905120406C0044006F0062007200FD002000640065006E002C0020007A00E100730069006C006B00610020010D002E002000340037003100310020006A0065002000700159006900700072006100760065006E00610020006B002000760079007A007600650064006E0075007400ED002E";
const QByteArray Sm3 = "1,0791246030500200040ED0D456F32D4EB3CB0000622110700000401FD6F01CB49697C9693A485D06C96A30D072EC0211CBEBBABADC2EBB00";
// A stored sent message to +420603123456.
const QByteArray Me1 = "3,0011000C912460302143650000AA1C50795A4DAE83DE20789D0D42BFC969771E047FEBC96575DA05";

const QString Row1 = QStringLiteral("1|420603123456|Jana|08.12.2026 18:42:10|Ahoj, zitra v 10 u kina?");
const QString Row2 = QStringLiteral("2|420777987654|Petr|09.12.2026 09:15:02|Dobrý den, zásilka č. 4711 je připravena k vyzvednutí.");
const QString Row3 = QStringLiteral("3|T-Mobile||01.12.2026 07:00:00|Vas kredit je 250 Kc. Dekujeme.");
const QString NoMessages = QStringLiteral("||||    Nemáte žádné SMS");

QByteArray simStore(const QByteArray &extra = {})
{
    return "sms.preset = empty\nsms.SM.1 = " + Sm1 + "\nsms.SM.2 = " + Sm2 + "\nsms.SM.3 = " + Sm3 + "\nsms.ME.1 = " + Me1
           + "\n" + extra;
}

// A UCS-2 message from +420603123456 with the given text.
QByteArray ucs2Message(const QString &text)
{
    QByteArray ud;
    for (QChar c : text)
        ud += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return "1,00040C91246030214365000862218081240140" + QByteArray::number(ud.size() / 2, 16).rightJustified(2, '0').toUpper()
           + ud;
}

struct Fixture
{
    QTemporaryDir folder;
    QTemporaryDir work;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(14, 5, 33))};
    ScriptedDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TForm1> form;
    SmsPage *page = nullptr;

    // The handset with the given state (and options), the main window with a
    // phone identified on it and two phonebook entries in Seznam.
    bool start(const QByteArray &state, QStringList options = {})
    {
        QFile file(work.filePath(QStringLiteral("state.txt")));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(state);
        file.close();
        options << QStringLiteral("--state") << file.fileName();
        sim = std::make_unique<SimProcess>(options);
        if (!sim->start())
            return false;
        form = std::make_unique<TForm1>(folder.path(), clock);
        form->ComPort1->setPort(sim->modemPath());
        form->infoPage()->Vyrobce()->setText(QStringLiteral("TORVANE"));
        form->infoPage()->model()->setText(QStringLiteral("Zenk"));
        form->EnablePhoneControls(true);
        // On screen on the SMS page, so that clicks reach the list; the
        // first-visit defaults stay out of the way.
        form->selectPage(TForm1::SmsPageIndex);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return false;
        page = form->smsPage();
        auto *seznam = form->findChild<QTreeWidget *>(QStringLiteral("Seznam"));
        if (!seznam)
            return false;
        const auto entry = [seznam](const char *position, const QString &name, const char *number) {
            auto *item = new QTreeWidgetItem(seznam);
            item->setText(0, QLatin1String(position));
            item->setText(1, QLatin1String(position));
            item->setText(2, name);
            item->setText(3, QLatin1String(number));
        };
        entry("1", QStringLiteral("Jana"), "+420603123456");
        entry("2", QStringLiteral("Petr"), "777987654");
        entry("3", QStringLiteral("Pošta"), "1234");
        return true;
    }

    // Chooses memory and status as the user does and waits for the rows.
    bool list(int memory, int status)
    {
        QSignalSpy shown(page, &SmsPage::listingShown);
        if (page->Nacist_SMS()->itemIndex() != memory)
            page->findChild<QAbstractButton *>(QStringLiteral("Nacist_SMS_%1").arg(memory))->click();
        if (page->Typ_SMS()->itemIndex() != status)
            page->findChild<QAbstractButton *>(QStringLiteral("Typ_SMS_%1").arg(status))->click();
        else
            page->AktualizujSMS()->click();
        return QTest::qWaitFor([&] { return shown.count() > 0; }, 15000);
    }

    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < page->ListSMS()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = page->ListSMS()->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << item->text(c);
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

    bool idle() const
    {
        return page->Nacist_SMS()->isEnabled() && page->Typ_SMS()->isEnabled() && !form->ProgresPanel()->isVisible();
    }

    void select(int row)
    {
        QTreeWidget *list = page->ListSMS();
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        // Near the left end: the text column reaches far beyond the view.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 40, r.center().y()));
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TstSmsPage : public QObject
{
    Q_OBJECT

private slots:
    void listing_data();
    void listing();
    void memoryWithoutStatus();
    void firstVisit();
    void listingEnds_data();
    void listingEnds();
    void threeHundredMessages();
    void listingAtLineSpeed();
    void deleteRemovesRow();
    void deleteWhileHandsetHangs();
    void successClearsFailure();
    void memorySelectedAgainAfterRestart();
    void unicodeTextsAndNames();
    void showingRows();
    void saveList();
    void saveTextAsEdited();
    void saveFailureIsReported();
    void printing();
};

void TstSmsPage::listing_data()
{
    QTest::addColumn<QByteArray>("extraState");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("memory");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("rows");

    const QStringList sim{Row1, Row2, Row3};
    QTest::newRow("SIM, all, echo on") << QByteArray() << QStringList() << 0 << 4 << sim;
    QTest::newRow("SIM, all, echo off") << QByteArray() << QStringList{QStringLiteral("--no-echo")} << 0 << 4 << sim;
    QTest::newRow("alpha field in every header") << QByteArray("sms.alpha = \"Jan, Novák\"\n") << QStringList() << 0 << 4
                                                 << sim;
    QTest::newRow("answer in small pieces") << QByteArray() << QStringList{QStringLiteral("--split"), QStringLiteral("7")}
                                            << 0 << 4 << sim;
    QTest::newRow("unread") << QByteArray() << QStringList() << 0 << 0 << QStringList{Row2};
    QTest::newRow("stored sent, dated by the PC") << QByteArray() << QStringList() << 1 << 3
        << QStringList{QStringLiteral("1|420603123456|Jana|10.12.2026 14:05|Prijdu o pul hodiny pozdeji.")};
    QTest::newRow("both memories") << QByteArray() << QStringList() << 2 << 3
        << QStringList{QStringLiteral("21|420603123456|Jana|10.12.2026 14:05|Prijdu o pul hodiny pozdeji.")};
    QTest::newRow("empty store") << QByteArray() << QStringList() << 1 << 0 << QStringList{NoMessages};
}

void TstSmsPage::listing()
{
    QFETCH(QByteArray, extraState);
    QFETCH(QStringList, options);
    QFETCH(int, memory);
    QFETCH(int, status);
    QFETCH(QStringList, rows);

    Fixture f;
    QVERIFY(f.start(simStore(extraState), options));
    QVERIFY(f.list(memory, status));
    QCOMPARE(f.rows(), rows);
    QVERIFY(f.idle());
    // Listing again gives the same rows (the old reply is not read again).
    QVERIFY(f.list(memory, status == 0 ? 1 : status));
    QVERIFY(f.list(memory, status));
    if (status != 0)  // unread messages are read after the first listing
        QCOMPARE(f.rows(), rows);
}

void TstSmsPage::memoryWithoutStatus()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    f.page->findChild<QAbstractButton *>(QStringLiteral("Nacist_SMS_1"))->click();
    QVERIFY(f.idle());
    QCOMPARE(f.page->ListSMS()->topLevelItemCount(), 0);
    QTRY_VERIFY(f.sim->control("log").contains("AT+CPMS=\"ME\""));
    QVERIFY(!f.sim->control("log").contains("CMGL"));
}

// The first visit of the page lists the unread messages of both memories.
void TstSmsPage::firstVisit()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QSignalSpy shown(f.page, &SmsPage::listingShown);
    f.form->selectPage(TForm1::InfoPageIndex);
    f.form->HlavniPanel()->setCurrentIndex(TForm1::SmsPageIndex);
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 15000);
    QCOMPARE(f.page->Nacist_SMS()->itemIndex(), 2);
    QCOMPARE(f.page->Typ_SMS()->itemIndex(), 0);
    QCOMPARE(f.rows(), QStringList{Row2});
    // A later visit chooses nothing new.
    f.form->HlavniPanel()->setCurrentIndex(TForm1::InfoPageIndex);
    f.form->HlavniPanel()->setCurrentIndex(TForm1::SmsPageIndex);
    QTest::qWait(200);
    QCOMPARE(shown.count(), 1);
}

// Every listing ends: with the rows, with the handset's error in status
// panel 0, or after a silence; the page is usable again in each case.
void TstSmsPage::listingEnds_data()
{
    QTest::addColumn<QByteArray>("extraState");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("panel");

    QTest::newRow("error result") << QByteArray("at.cmgf = 1\n") << QStringList()
                                  << QStringLiteral("Telefon hlásí chybu: +CMS ERROR: 303");
    QTest::newRow("plain ERROR") << QByteArray("at.cmgf = 1\nat.cmee = 0\n") << QStringList()
                                 << QStringLiteral("Telefon hlásí chybu: ERROR");
    QTest::newRow("silence") << QByteArray() << QStringList{QStringLiteral("--silent")}
                             << QStringLiteral("Telefon neodpovídá, výpis SMS byl přerušen.");
}

void TstSmsPage::listingEnds()
{
    QFETCH(QByteArray, extraState);
    QFETCH(QStringList, options);
    QFETCH(QString, panel);

    Fixture f;
    QVERIFY(f.start(simStore(extraState), options));
    f.page->listing()->setSilenceTimeout(500);
    QSignalSpy failed(f.page, &SmsPage::listingFailed);
    f.page->findChild<QAbstractButton *>(QStringLiteral("Nacist_SMS_0"))->click();
    f.page->findChild<QAbstractButton *>(QStringLiteral("Typ_SMS_4"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 5000);
    QCOMPARE(f.form->panelText(0), panel);
}

void TstSmsPage::threeHundredMessages()
{
    QByteArray state = "sms.preset = empty\nsms.ME.size = 300\n";
    for (int i = 1; i <= 300; ++i)
        state += "sms.ME." + QByteArray::number(i) + " = " + Sm1 + "\n";
    Fixture f;
    QVERIFY(f.start(state));
    QVERIFY(f.list(1, 4));
    QCOMPARE(f.page->ListSMS()->topLevelItemCount(), 300);
    QCOMPARE(f.page->ListSMS()->topLevelItem(299)->text(0), QStringLiteral("300"));
}

// A long listing streamed at 115200 baud: the port keeps announcing bytes
// however the reads and the line's arrivals interleave.
void TstSmsPage::listingAtLineSpeed()
{
    QByteArray state = "sms.preset = empty\nsms.ME.size = 60\n";
    for (int i = 1; i <= 60; ++i) {
        QByteArray text = "Zprava " + QByteArray::number(i) + ": ";
        while (text.size() < 160)
            text += "dlouhy text zkusebni zpravy ";
        const EncodedPdu submit = TextToPdu("420603123456", text.left(160), "AA", false);
        state += "sms.ME." + QByteArray::number(i) + " = 3," + submit.pdu + "\n";
    }
    Fixture f;
    QVERIFY(f.start(state, {QStringLiteral("--baud"), QStringLiteral("115200")}));
    QVERIFY(f.list(1, 4));
    QCOMPARE(f.page->ListSMS()->topLevelItemCount(), 60);
    QVERIFY(f.page->ListSMS()->topLevelItem(59)->text(4).startsWith(QStringLiteral("Zprava 60: dlouhy")));
}

void TstSmsPage::deleteRemovesRow()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 4));
    f.select(1);
    QVERIFY(f.page->selectedRow());
    QCOMPARE(f.page->selectedRow()->index, QByteArray("2"));
    QSignalSpy shown(f.page, &SmsPage::listingShown);
    // Asked first, as the phonebook's erase does; "Ne" sends nothing.
    f.dialogs.answers.push_back(Dialogs::Answer::No);
    f.sim->control("log clear");
    f.page->Smazat_SMS()->click();
    QCOMPARE(f.dialogs.messages().size(), 1);
    QCOMPARE(f.dialogs.messages().last().icon, Dialogs::Icon::Question);
    QCOMPARE(f.dialogs.messages().last().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(f.dialogs.messages().last().text, QStringLiteral("Smazat SMS č. 2 (Petr) z telefonu?"));
    QTest::qWait(200); // nothing may arrive, so there is no signal to wait for
    QCOMPARE(f.sim->control("log"), QByteArray());
    QCOMPARE(f.rows(), (QStringList{Row1, Row2, Row3}));
    QVERIFY(f.page->Smazat_SMS()->isEnabled());

    f.dialogs.answers.push_back(Dialogs::Answer::Yes);
    f.page->Smazat_SMS()->click();
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 15000);
    QVERIFY(f.sim->control("log").contains("AT+CMGD=2"));
    QVERIFY(!f.sim->control("dump").contains("sms.SM.2 ="));
    QStringList left{Row1, Row3};
    QCOMPARE(f.rows(), left);
    QVERIFY(f.page->Smazat_SMS()->isEnabled());

    // Without a selected row nothing is sent.
    f.page->ListSMS()->clearSelection();
    f.sim->control("log clear");
    f.page->Smazat_SMSClick();
    QVERIFY(f.page->Smazat_SMS()->isEnabled());
    QTest::qWait(100);
    QVERIFY(!f.sim->control("log").contains("CMGD"));
}

// The handset stops answering the deletion: the rows stay, and the page
// says that the deletion is not confirmed (not just that a listing broke).
void TstSmsPage::deleteWhileHandsetHangs()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 4));
    f.select(1);
    f.page->listing()->setSilenceTimeout(500);
    QSignalSpy failed(f.page, &SmsPage::listingFailed);
    QCOMPARE(f.sim->control("power off"), QByteArray("OK\n"));
    f.dialogs.answers.push_back(Dialogs::Answer::Yes);
    f.page->Smazat_SMS()->click();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 5000);
    QCOMPARE(f.form->panelText(0),
             QStringLiteral("Telefon neodpověděl na smazání SMS: není jisté, zda byla smazána. Výpis zůstal beze změny."));
    QCOMPARE(f.rows(), (QStringList{Row1, Row2, Row3}));

    // Answered, then silent before the new listing: the deleted row goes,
    // the others stay, and the page says the deletion happened.
    QCOMPARE(f.sim->control("power on"), QByteArray("OK\n"));
    f.page->listing()->setSilenceTimeout(3000); // a loaded machine answers late, but answers
    QVERIFY(f.list(0, 4));
    f.select(1);
    const auto off = connect(f.page->listing(), &SmsListing::done, f.page, [&](SmsListing::Command c) {
        if (c == SmsListing::Command::Delete)
            f.sim->control("power off");
    });
    f.dialogs.answers.push_back(Dialogs::Answer::Yes);
    const qsizetype failures = failed.count();
    f.page->Smazat_SMS()->click();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() > failures, 10000);
    disconnect(off);
    QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 5000);
    QCOMPARE(f.form->panelText(0),
             QStringLiteral("SMS byla smazána, ale telefon pak přestal odpovídat a výpis SMS byl přerušen."));
    QCOMPARE(f.rows(), (QStringList{Row1, Row3}));
    QVERIFY(!f.sim->control("dump").contains("sms.SM.2 ="));
}

// "Telefon neodpovídá" goes once a listing succeeds.
void TstSmsPage::successClearsFailure()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    f.page->listing()->setSilenceTimeout(500);
    QCOMPARE(f.sim->control("power off"), QByteArray("OK\n"));
    QSignalSpy failed(f.page, &SmsPage::listingFailed);
    f.page->findChild<QAbstractButton *>(QStringLiteral("Nacist_SMS_0"))->click();
    f.page->findChild<QAbstractButton *>(QStringLiteral("Typ_SMS_4"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(failed.count() > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(f.idle(), 5000);
    QCOMPARE(f.form->panelText(0), QStringLiteral("Telefon neodpovídá, výpis SMS byl přerušen."));
    QCOMPARE(f.sim->control("power on"), QByteArray("OK\n"));
    f.page->listing()->setSilenceTimeout(10000);
    QVERIFY(f.list(0, 4));
    QCOMPARE(f.rows(), (QStringList{Row1, Row2, Row3}));
    QCOMPARE(f.form->panelText(0), QString());
}

// With "Vše" chosen, a restart of the handset (its memory choice back to
// the SIM card) and "Aktualizuj" still list both memories: every listing
// selects its memory first, and waits for that answer before listing.
void TstSmsPage::memorySelectedAgainAfterRestart()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(2, 4));
    const QStringList both{Row1, Row2, Row3,
                           QStringLiteral("21|420603123456|Jana|10.12.2026 14:05|Prijdu o pul hodiny pozdeji.")};
    QCOMPARE(f.rows(), both);
    QCOMPARE(f.sim->control("power off"), QByteArray("OK\n"));
    QCOMPARE(f.sim->control("power on"), QByteArray("OK\n"));
    QCOMPARE(f.sim->control("get at.cpms"), QByteArray("SM,SM,SM\n"));
    f.sim->control("log clear");
    QVERIFY(f.list(2, 4));
    QCOMPARE(f.rows(), both);
    QCOMPARE(f.sim->control("log"), QByteArray("AT+CPMS=\"MT\"\nAT+CMGL=4\n"));
}

// Texts that Windows-1250 lacks are shown whole; names are matched by the
// full international number (a Slovak number is not the Czech contact), a
// national number by its national part; the archive says what it cannot hold.
void TstSmsPage::unicodeTextsAndNames()
{
    // From +421603123456 and from the national 603123456, 7-bit "abc".
    const QByteArray slovak = "1,0791246030500200040C91246130214365000062218081240140" "0361F118";
    const QByteArray national = "1,0791246030500200040981" "06133254F6" "000062218081240140" "0361F118";
    Fixture f;
    QVERIFY(f.start(simStore("sms.SM.4 = " + ucs2Message(QStringLiteral("Привет, € и 😀")) + "\nsms.SM.5 = " + slovak
                             + "\nsms.SM.6 = " + national + "\n")));
    QVERIFY(f.list(0, 1));
    QCOMPARE(f.rows(), (QStringList{Row1, Row3, QStringLiteral("4|420603123456|Jana|08.12.2026 18:42:10|Привет, € и 😀"),
                                    QStringLiteral("5|421603123456||08.12.2026 18:42:10|abc"),
                                    QStringLiteral("6|603123456|Jana|08.12.2026 18:42:10|abc")}));
    f.select(2);
    QCOMPARE(f.page->SMSText()->toPlainText(), QStringLiteral("Привет, € и 😀"));

    // Saving the list: asked once, naming what cannot be kept; "Ne" writes nothing.
    const QString target = f.work.filePath(QStringLiteral("archiv.csv"));
    for (const Dialogs::Answer answer : {Dialogs::Answer::No, Dialogs::Answer::Yes}) {
        f.dialogs.dialogActions.push_back([](QDialog *d) {
            static_cast<TUlozSMS *>(d)->RadioGroup1()->setItemIndex(TUlozSMS::WholeList);
            return int(QDialog::Accepted);
        });
        f.dialogs.fileNames.push_back(target);
        f.dialogs.answers.push_back(answer);
        const qsizetype before = f.dialogs.messages().size();
        f.page->UlozitSMSClick();
        QCOMPARE(f.dialogs.messages().size(), before + 1);
        QCOMPARE(f.dialogs.messages().last().buttons, Dialogs::Buttons::YesNo);
        QVERIFY2(f.dialogs.messages().last().text.contains(QStringLiteral("„Привет😀“")),
                 qPrintable(f.dialogs.messages().last().text));
        QCOMPARE(QFile::exists(target), answer == Dialogs::Answer::Yes);
    }
    QVERIFY(readFile(target).contains("420603123456;Jana;08.12.2026 18:42:10;??????, \x80 ? ?\r\n"));
}

void TstSmsPage::showingRows()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 4));
    const auto actionsEnabled = [&] {
        QList<bool> states;
        for (QPushButton *b : {f.page->Nova_SMS(), f.page->Odpoved_SMS(), f.page->Tisk_SMS(), f.page->UlozitSMS(),
                               f.page->Smazat_SMS()})
            states << b->isEnabled();
        for (QAction *a : {f.page->NovSMS1(), f.page->UpravSMS1(), f.page->SmazatSMS1()})
            states << a->isEnabled();
        return states;
    };
    const QList<bool> on(8, true), off(8, false);

    f.select(0);
    QCOMPARE(actionsEnabled(), on);
    QCOMPARE(f.page->SMSText()->toPlainText(), QStringLiteral("Ahoj, zitra v 10 u kina?"));

    // Keys move the selection and show the row.
    QTest::keyClick(f.page->ListSMS(), Qt::Key_Down);
    QCOMPARE(f.page->SMSText()->toPlainText(),
             QStringLiteral("Dobrý den, zásilka č. 4711 je připravena k vyzvednutí."));
    QTest::keyClick(f.page->ListSMS(), Qt::Key_End);
    QCOMPARE(f.page->SMSText()->toPlainText(), QStringLiteral("Vas kredit je 250 Kc. Dekujeme."));

    // A click below the last row selects nothing: every action goes off,
    // the new-message button too; the preview keeps its text.
    QTreeWidget *list = f.page->ListSMS();
    const QRect last = list->visualItemRect(list->topLevelItem(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(last.left() + 40, last.bottom() + 30));
    QCOMPARE(actionsEnabled(), off);
    QCOMPARE(f.page->SMSText()->toPlainText(), QStringLiteral("Vas kredit je 250 Kc. Dekujeme."));
}

// "excel csv" of the list in the SMS folder below the program folder.
void TstSmsPage::saveList()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 1));  // Jana (known) and T-Mobile (no name)
    f.select(0);
    QString shownDialog;
    f.dialogs.dialogActions.push_back([&shownDialog](QDialog *d) {
        shownDialog = d->objectName();
        static_cast<TUlozSMS *>(d)->RadioGroup1()->setItemIndex(TUlozSMS::WholeList);
        return int(QDialog::Accepted);
    });
    const QString target = QDir(f.folder.path()).filePath(QStringLiteral("SMS/archiv"));
    f.dialogs.fileNames.push_back(target);
    f.page->UlozitSMS()->click();
    QCOMPARE(shownDialog, QStringLiteral("TUlozSMS"));
    QVERIFY(QFileInfo(QDir(f.folder.path()).filePath(QStringLiteral("SMS"))).isDir());
    QCOMPARE(readFile(target + QStringLiteral(".csv")),
             QByteArray("420603123456;Jana;08.12.2026 18:42:10;Ahoj, zitra v 10 u kina?\r\n"
                        "T-Mobile;;01.12.2026 07:00:00;Vas kredit je 250 Kc. Dekujeme.\r\n"));

    // The empty store's row.
    QVERIFY(f.list(1, 0));
    f.dialogs.dialogActions.push_back([](QDialog *) { return int(QDialog::Accepted); });
    f.dialogs.fileNames.push_back(target + QStringLiteral(".csv"));
    f.page->UlozitSMSClick();
    QCOMPARE(readFile(target + QStringLiteral(".csv")), ";;;    " + Cp1250::fromUnicode(u"Nemáte žádné SMS") + "\r\n");

    // Cancelled: nothing asked for a file.
    const qsizetype requests = f.dialogs.requests.size();
    f.dialogs.dialogActions.push_back([](QDialog *) { return int(QDialog::Rejected); });
    f.page->UlozitSMSClick();
    QCOMPARE(f.dialogs.requests.size(), requests + 1);
}

void TstSmsPage::saveTextAsEdited()
{
    Fixture f;
    QVERIFY(f.start(simStore("sms.SM.4 = " + ucs2Message(QStringLiteral("Sraz; v 10\nu kina")) + "\n")));
    QVERIFY(f.list(0, 1));
    f.select(2);
    QCOMPARE(f.page->SMSText()->toPlainText(), QStringLiteral("Sraz; v 10\nu kina"));
    f.page->SMSText()->setPlainText(QStringLiteral("Sraz; v 10\nu kina, řekni Petrovi"));
    f.dialogs.dialogActions.push_back([](QDialog *d) {
        static_cast<TUlozSMS *>(d)->RadioGroup1()->setItemIndex(TUlozSMS::CurrentText);
        return int(QDialog::Accepted);
    });
    const QString target = f.work.filePath(QStringLiteral("zprava.txt"));
    f.dialogs.fileNames.push_back(target);
    f.page->UlozitSMSClick();
    QCOMPARE(readFile(target), Cp1250::fromUnicode(u"Sraz; v 10\r\nu kina, řekni Petrovi\r\n"));
    // The dialog keeps its choice.
    QCOMPARE(f.page->UlozSMS()->choice(), int(TUlozSMS::CurrentText));

    // The list with a ";" and a line break in a text: still four fields a record.
    f.dialogs.dialogActions.push_back([](QDialog *d) {
        static_cast<TUlozSMS *>(d)->RadioGroup1()->setItemIndex(TUlozSMS::WholeList);
        return int(QDialog::Accepted);
    });
    f.dialogs.fileNames.push_back(f.work.filePath(QStringLiteral("list.csv")));
    f.page->UlozitSMSClick();
    QVERIFY(readFile(f.work.filePath(QStringLiteral("list.csv")))
                .endsWith("420603123456;Jana;08.12.2026 18:42:10;\"Sraz; v 10\nu kina\"\r\n"));
}

void TstSmsPage::saveFailureIsReported()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 4));
    const QString target = f.work.filePath(QStringLiteral("taken.csv"));
    QVERIFY(QDir(f.work.path()).mkdir(QStringLiteral("taken.csv")));
    f.dialogs.dialogActions.push_back([](QDialog *d) {
        static_cast<TUlozSMS *>(d)->RadioGroup1()->setItemIndex(TUlozSMS::WholeList);
        return int(QDialog::Accepted);
    });
    f.dialogs.fileNames.push_back(target);
    f.page->UlozitSMSClick();
    const QList<ScriptedDialogs::Request> messages = f.dialogs.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().icon, Dialogs::Icon::Error);
    QVERIFY2(messages.first().text.startsWith(QStringLiteral("Soubor se nepodařilo uložit: ") + target),
             qPrintable(messages.first().text));
}

void TstSmsPage::printing()
{
    Fixture f;
    QVERIFY(f.start(simStore()));
    QVERIFY(f.list(0, 4));
    f.select(0);
    // An empty preview prints nothing, even with a row selected.
    f.page->SMSText()->clear();
    f.page->Tisk_SMS()->click();
    for (const ScriptedDialogs::Request &r : f.dialogs.requests)
        QVERIFY(r.kind != ScriptedDialogs::Request::Kind::PrinterSetup);

    const QString pdf = f.work.filePath(QStringLiteral("tisk.pdf"));
    f.select(0);
    f.page->printer()->setOutputFormat(QPrinter::PdfFormat);
    f.page->printer()->setOutputFileName(pdf);
    // Cancelled set-up: no print.
    f.dialogs.printerAnswers.push_back(false);
    f.page->Tisk_SMS()->click();
    QVERIFY(!QFile::exists(pdf));
    f.dialogs.printerAnswers.push_back(true);
    f.page->Tisk_SMS()->click();
    QVERIFY(QFile::exists(pdf));

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed");
    QProcess process;
    process.start(pdftotext, {pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).simplified();
    QCOMPARE(text, QStringLiteral("Telefon: Torvane Zenk Odesilatel: 420603123456 Jana Datum a čas: 08.12.2026 18:42:10 "
                                  "Text: Ahoj, zitra v 10 u kina?"));
}

QTEST_MAIN(TstSmsPage)
#include "tst_smspage.moc"
