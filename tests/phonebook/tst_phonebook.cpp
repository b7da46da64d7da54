// The phonebook page in the real main window, through the real serial layer
// to the simulated handset: reading memories (gaps, capacity 0, VIP names,
// no echo, error answers, a handset that falls silent, the PIN2-protected
// memory), the submenu, editing an entry into the handset, dialling, erasing,
// and the list files. Every read must leave the page usable, and the
// handset's error mode and character set as they were.

#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "editseznam.h"
#include "heslo.h"
#include "hlavni.h"
#include "labellededit.h"
#include "phonebookpage.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "zavolatseznam.h"
#include "simprocess.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using Rows = QList<SeznamRow>;

namespace {

constexpr int ReadBoundMs = 20000;

// A handset seeded from `state`, and the main window connected to it.
struct Fixture
{
    QTemporaryFile stateFile;
    std::unique_ptr<SimProcess> sim;
    QTemporaryDir folder;
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    PhonebookPage *page = nullptr;

    explicit Fixture(const QByteArray &state, QStringList simArgs = {})
    {
        if (!stateFile.open())
            return;
        stateFile.write(state);
        stateFile.flush();
        sim = std::make_unique<SimProcess>(simArgs << QStringLiteral("--state") << stateFile.fileName());
        if (!sim->start())
            return;
        form = std::make_unique<TForm1>(folder.path(), clock);
        form->ComPort1->setPort(sim->modemPath());
        form->EnablePhoneControls(true);
        page = form->phonebookPage();
    }
    bool ok() const { return page != nullptr; }

    QByteArray get(const QByteArray &key) const { return sim->control("get " + key).trimmed(); }
    QByteArrayList log() const
    {
        QByteArrayList lines = sim->control("log").split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

    // Clicks a memory of the radio group and waits until the read has ended.
    bool read(int index)
    {
        sim->control("log clear");
        auto *button = page->vybertypu()->findChild<QRadioButton *>(QStringLiteral("vybertypu_%1").arg(index));
        if (!button)
            return false;
        if (page->vybertypu()->itemIndex() == index)
            page->vybertypu()->setItemIndex(-1);  // a click on the chosen item is no new choice
        button->click();
        return waitIdle();
    }
    bool waitIdle()
    {
        QDeadlineTimer deadline(ReadBoundMs);
        while (page->reader()->busy() && !deadline.hasExpired())
            QTest::qWait(10);
        return !page->reader()->busy();
    }

    // The page is usable again: nothing disabled, no progress panel.
    bool usable() const
    {
        return form->HlavniPanel()->isEnabled() && page->RefresSeznam()->isEnabled()
               && !form->ProgresPanel()->isVisible();
    }

    QStringList messages() const
    {
        QStringList out;
        for (const auto &m : dialogs.messages())
            out << m.text;
        return out;
    }

    void select(int row) { page->Seznam()->setCurrentItem(page->Seznam()->topLevelItem(row)); }
};

// An empty row as the list shows a location the handset has nothing in.
SeznamRow empty(int position)
{
    return {QByteArray::number(position), "", "", "", ""};
}

} // namespace

class TestPhonebook : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void pin2Memory_data();
    void pin2Memory();
    void silentHandsetEndsRead();
    void submenu_data();
    void submenu();
    void edit_data();
    void edit();
    void dialAndHangUp();
    void dialRefused_data();
    void dialRefused();
    void erase_data();
    void erase();
    void eraseRefused_data();
    void eraseRefused();
    void writeAfterAnotherHandler();
    void namesAsHeld_data();
    void namesAsHeld();
    void cancelRead();
    void listFiles();
};

void TestPhonebook::read_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("memory");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QStringList>("message");  // parts of the one message, none when empty

    QTest::newRow("SM with gaps, VIP names")
        << QByteArray("pb.seed = 0\npb.SM.size = 5\npb.SM.2 = 112,129,Novak!\npb.SM.5 = +420603123456,145,!\n")
        << QStringList{} << 0
        << Rows{empty(1), {"2", " 2", "Novak", "112", "VIP"}, empty(3), empty(4),
                {"5", " 5", "", "+420603123456", "VIP"}}
        << QStringLiteral("2 záznamy") << QStringList{};
    QTest::newRow("capacity 0") << QByteArray("pb.seed = 0\npb.ON.size = 0\n") << QStringList{} << 2 << Rows{}
                                << QStringLiteral("0 záznamů") << QStringList{};
    QTest::newRow("empty name; empty locations answered with an error")
        << QByteArray("pb.seed = 0\npb.empty_error = 1\npb.SM.size = 3\npb.SM.2 = 158,129,\n") << QStringList{} << 0
        << Rows{empty(1), {"2", " 2", "", "158", ""}, empty(3)} << QStringLiteral("1 záznam") << QStringList{};
    QTest::newRow("maker's memory")
        << QByteArray("pb.seed = 0\npb.EN.size = 2\npb.EN.1 = 112,129,SOS\n") << QStringList{} << 9
        << Rows{{"1", " 1", "SOS", "112", ""}, empty(2)} << QStringLiteral("1 záznam") << QStringList{};
    QTest::newRow("seeded phonebook, names as the handset holds them")
        << QByteArray("pb.ME.size = 7\n") << QStringList{} << 1
        << Rows{{"1", " 1", "Lucie Hor\xE1kov\xE1", "+420608765432", ""}, empty(2), empty(3),
                {"4", " 4", "Ordinace", "+420731222333", ""}, empty(5), empty(6),
                {"7", " 7", "\x8Akola, \xF8" "editel", "+420222333444", ""}}
        << QStringLiteral("3 záznamy") << QStringList{};
    // The entry line alone tells its location: echo off (as the compose dialog leaves it) reads the same.
    QTest::newRow("no echo") << QByteArray("pb.seed = 0\npb.SM.size = 2\npb.SM.1 = 112,129,SOS\n")
                             << QStringList{QStringLiteral("--no-echo")} << 0 << Rows{{"1", " 1", "SOS", "112", ""}, empty(2)}
                             << QStringLiteral("1 záznam") << QStringList{};
    QTest::newRow("plain-ERROR mode: empty locations stay empty, a failure is one")
        << QByteArray("pb.seed = 0\nat.cmee = 0\npb.empty_error = 1\npb.SM.size = 3\npb.SM.2 = 158,129,\n")
        << QStringList{} << 0 << Rows{empty(1), {"2", " 2", "", "158", ""}, empty(3)} << QStringLiteral("1 záznam")
        << QStringList{};
    QTest::newRow("handset left in UCS2 by another program: VIP marks kept")
        << QByteArray("pb.seed = 0\nat.charset = UCS2\npb.SM.size = 2\npb.SM.1 = 112,129,Novák!\n") << QStringList{}
        << 0 << Rows{{"1", " 1", "Nov\xE1k", "112", "VIP"}, empty(2)} << QStringLiteral("1 záznam") << QStringList{};
    QTest::newRow("memory refused: SIM wants its PIN")
        << QByteArray("lock.sc = 1\n") << QStringList{} << 0 << Rows{} << QStringLiteral(" 0 ")
        << QStringList{QStringLiteral("SM"), QStringLiteral("+CME ERROR: 11")};
    QTest::newRow("count refused by the maker's query")
        << QByteArray("lock.sc = 1\n") << QStringList{} << 7 << Rows{} << QStringLiteral(" 0 ")
        << QStringList{QStringLiteral("SD"), QStringLiteral("+CME ERROR: 11")};
}

void TestPhonebook::read()
{
    QFETCH(QByteArray, state);
    QFETCH(QStringList, simArgs);
    QFETCH(int, memory);
    QFETCH(Rows, rows);
    QFETCH(QString, used);
    QFETCH(QStringList, message);

    Fixture f(state, simArgs);
    QVERIFY(f.ok());
    const QByteArray cmee = f.get("at.cmee"), charset = f.get("at.charset");
    QVERIFY(f.read(memory));
    QCOMPARE(f.page->rows(), rows);
    QCOMPARE(f.get("at.cmee"), cmee);
    QCOMPARE(f.get("at.charset"), charset);
    QCOMPARE(f.page->Obsazeno()->text(), used);
    QVERIFY(f.usable());
    const QStringList messages = f.messages();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    for (const QString &part : message)
        QVERIFY2(messages.first().contains(part), qPrintable(messages.first()));
    if (!rows.isEmpty())
        QCOMPARE(f.page->Panelinfo()->text(), QStringLiteral("%1 z %1").arg(rows.size()));
}

void TestPhonebook::pin2Memory_data()
{
    QTest::addColumn<QString>("pin2");          // empty: the prompt is left empty
    QTest::addColumn<QByteArray>("attemptsBefore");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("attempts");
    QTest::addColumn<QByteArrayList>("log");
    QTest::addColumn<QString>("message");

    using L = QByteArrayList;
    const L start{"AT+CMEE?", "AT+CPBS=\"FD\"", "AT+CPBS?", "AT+CSCS?", "AT+CSCS=?", "AT+CSCS=\"UCS2\"", "AT+CPBR=?"};
    const QByteArray back = "AT+CSCS=\"00470053004D\"";
    QTest::newRow("right PIN2") << QStringLiteral("5678") << QByteArray("3") << 2 << QByteArray("3")
                                << start + L{"AT+CPIN=\"5678\"", "AT+CPBR=1,2", back} << QString();
    QTest::newRow("wrong PIN2 costs one attempt, the message tells how many are left")
        << QStringLiteral("1111") << QByteArray("3") << 0 << QByteArray("2")
        << start + L{"AT+CPIN=\"1111\"", "AT+CPIN?", "AT+CPINR=\"SIM PIN2\"", back}
        << QStringLiteral("+CME ERROR: 16|pokusy pro PIN2: 2");
    QTest::newRow("the third wrong PIN2: PUK2 wanted")
        << QStringLiteral("1111") << QByteArray("1") << 0 << QByteArray("0")
        << start + L{"AT+CPIN=\"1111\"", "AT+CPIN?", "AT+CPINR=\"SIM PIN2\"", back}
        << QStringLiteral("pokusy pro PIN2: 0|PUK2");
    QTest::newRow("the right PIN2 once blocked: PUK2 wanted")
        << QStringLiteral("5678") << QByteArray("0") << 0 << QByteArray("0")
        << start + L{"AT+CPIN=\"5678\"", "AT+CPIN?", "AT+CPINR=\"SIM PIN2\"", back}
        << QStringLiteral("pokusy pro PIN2: 0|PUK2");
    QTest::newRow("empty prompt sends nothing") << QString() << QByteArray("3") << 0 << QByteArray("3") << L{}
                                                << QString();
    QTest::newRow("a PIN2 with a command in it sends nothing")
        << QStringLiteral("5678\";+CPBS=\"SM\";+CPBW=1;+CPBS=\"FD") << QByteArray("3") << 0 << QByteArray("3") << L{}
        << QStringLiteral("4 až 8 číslic");
    // (The prompt itself takes no more than eight characters.)
    for (const char *bad : {"12345\r", "1234\n", "12\x1A" "34", "12\x1B" "34", "123", "12a4"})
        QTest::newRow(qPrintable(QStringLiteral("PIN2 %1 sends nothing").arg(QString::fromLatin1(QByteArray(bad).toHex()))))
            << QString::fromLatin1(bad) << QByteArray("3") << 0 << QByteArray("3") << L{} << QStringLiteral("4 až 8 číslic");
}

void TestPhonebook::pin2Memory()
{
    QFETCH(QString, pin2);
    QFETCH(QByteArray, attemptsBefore);
    QFETCH(int, rows);
    QFETCH(QByteArray, attempts);
    QFETCH(QByteArrayList, log);
    QFETCH(QString, message);

    Fixture f("pb.seed = 0\npb.FD.size = 2\npb.FD.1 = 112,129,SOS\npb.SM.size = 2\npb.SM.1 = 155,129,Hasici\n"
              "pin2.attempts = " + attemptsBefore + "\n");
    QVERIFY(f.ok());
    f.dialogs.dialogActions.push_back([pin2](QDialog *d) {
        auto *heslo = qobject_cast<THesloForm *>(d);
        if (!heslo || heslo->windowTitle() != QLatin1String("Zadejte PIN2") || heslo->NoveHeslo()->isEnabled())
            return int(QDialog::Rejected);
        heslo->PuvodniHeslo()->setText(pin2);
        return int(pin2.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
    QVERIFY(f.read(6));
    QVERIFY(f.usable());
    QCOMPARE(f.page->rows().size(), rows);
    QCOMPARE(f.get("pin2.attempts"), attempts);
    QCOMPARE(f.log(), log);
    // The PIN2 is forgotten after the read.
    QCOMPARE(f.form->heslo()->PuvodniHeslo()->text(), QString());
    if (message.isEmpty()) {
        QVERIFY(f.messages().isEmpty());
    } else {
        QCOMPARE(f.messages().size(), 1);
        for (const QString &part : message.split(QLatin1Char('|')))
            QVERIFY2(f.messages().first().contains(part), qPrintable(f.messages().first()));
    }
    QCOMPARE(f.get("pb.SM.1"), QByteArray("155,129,Hasici"));
}

void TestPhonebook::silentHandsetEndsRead()
{
    Fixture f("pb.seed = 0\npb.SM.size = 4\npb.SM.1 = 112,129,SOS\n");
    QVERIFY(f.ok());
    f.page->reader()->setReplyTimeoutMs(1500);
    f.page->reader()->setRangeSize(1);
    // The cable is pulled once the first location is in.
    connect(f.page->reader(), &PhonebookReader::rowRead, this, [&f] { f.sim->control("power off"); },
            Qt::SingleShotConnection);
    QVERIFY(f.read(0));
    QVERIFY(f.usable());
    QCOMPARE(f.page->rows(), (Rows{{"1", " 1", "SOS", "112", ""}}));
    QCOMPARE(f.messages().size(), 1);
    QVERIFY(f.messages().first().contains(QStringLiteral("přestal odpovídat")));
}

void TestPhonebook::submenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("selection");  // empty: nothing is sent

    QTest::newRow("SIM numbers") << QStringLiteral("NatiSIM1") << 0 << QByteArray("AT+CPBS=\"SM\"");
    QTest::newRow("Emergenci reads DC") << QStringLiteral("Emergenci1") << 8 << QByteArray("AT^SPBS=\"DC\"");
    QTest::newRow("MB reads EN") << QStringLiteral("MB1") << 9 << QByteArray("AT^SPBS=\"EN\"");
    QTest::newRow("OV reads MB") << QStringLiteral("OV1") << 10 << QByteArray("AT^SPBS=\"MB\"");
    QTest::newRow("??? numbers does nothing") << QStringLiteral("Blokovansla1") << -1 << QByteArray();
}

void TestPhonebook::submenu()
{
    QFETCH(QString, item);
    QFETCH(int, index);
    QFETCH(QByteArray, selection);

    Fixture f("pb.seed = 0\n");
    QVERIFY(f.ok());
    auto *action = f.page->PopupMenuSeznam()->findChild<QAction *>(item);
    QVERIFY(action);
    action->trigger();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.page->vybertypu()->itemIndex(), index);
    const QByteArrayList log = f.log();
    if (selection.isEmpty())
        QVERIFY(log.isEmpty());
    else
        QVERIFY2(log.contains(selection), log.join(' ').constData());
    QVERIFY(f.usable());
}

void TestPhonebook::edit_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("vip");
    QTest::addColumn<bool>("toHandset");
    QTest::addColumn<SeznamRow>("row");         // the list row afterwards
    QTest::addColumn<QByteArray>("stored");     // pb.SM.3 afterwards
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("sent");             // an AT+CPBW went out

    const QString three = QStringLiteral("3");
    const SeznamRow before{"3", " 3", "Old", "155", ""};
    QTest::newRow("VIP entry written") << three << QStringLiteral("Novak") << QStringLiteral("112") << true << true
                                       << SeznamRow{"3", "3", "Novak", "112", "VIP"}
                                       << QByteArray("112,129,Novak!") << QString() << true;
    QTest::newRow("comma in the name") << three << QStringLiteral("Skola, reditel") << QStringLiteral("+420222333444")
                                       << false << true
                                       << SeznamRow{"3", "3", "Skola, reditel", "+420222333444", ""}
                                       << QByteArray("+420222333444,145,Skola, reditel") << QString() << true;
    QTest::newRow("list only") << three << QStringLiteral("Novak") << QStringLiteral("112") << true << false
                               << SeznamRow{"3", "3", "Novak", "112", "VIP"} << QByteArray("155,129,Old")
                               << QString() << false;
    QTest::newRow("refused by the handset: name too long")
        << three << QStringLiteral("Abcdefghijklmnopq") << QStringLiteral("112") << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("+CME ERROR: 24") << true;
    // In UCS2 a double quote is four hex digits like any other character.
    QTest::newRow("double quote written in UCS2")
        << three << QStringLiteral("Pepa \"Z\"") << QStringLiteral("112") << false << true
        << SeznamRow{"3", "3", "Pepa \"Z\"", "112", ""} << QByteArray("112,129,Pepa \"Z\"") << QString() << true;
    QTest::newRow("a control character in the name is named, nothing sent")
        << three << QStringLiteral("A\x1B" "B") << QStringLiteral("112") << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("UCS2 neuloží: \x1B") << false;
    QTest::newRow("empty number changes nothing") << three << QStringLiteral("Novak") << QString() << false << true
                                                  << before << QByteArray("155,129,Old") << QString() << false;
    for (const char *location : {"3;+CPBW=1", "3\r", "3\n", "3\"", "3\x1A", "3\x1B", "4"})
        QTest::newRow(qPrintable(QStringLiteral("location %1 refused").arg(QString::fromLatin1(QByteArray(location).toHex()))))
            << QString::fromLatin1(location) << QStringLiteral("Novak") << QStringLiteral("112") << false << true
            << before << QByteArray("155,129,Old") << QStringLiteral("pozice") << false;
    QTest::newRow("location of 300 digits refused")
        << QString(300, QLatin1Char('3')) << QStringLiteral("Novak") << QStringLiteral("112") << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("pozice") << false;
    for (const char *number : {"112;+CPBW=1", "112\r", "112\n", "1\"12", "112\x1A", "112\x1B"})
        QTest::newRow(qPrintable(QStringLiteral("number %1 refused").arg(QString::fromLatin1(QByteArray(number).toHex()))))
            << three << QStringLiteral("Novak") << QString::fromLatin1(number) << false << true << before
            << QByteArray("155,129,Old") << QStringLiteral("pozice") << false;
    QTest::newRow("number of 300 digits refused")
        << three << QStringLiteral("Novak") << QString(300, QLatin1Char('1')) << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("pozice") << false;
}

void TestPhonebook::edit()
{
    QFETCH(QString, location);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(bool, vip);
    QFETCH(bool, toHandset);
    QFETCH(SeznamRow, row);
    QFETCH(QByteArray, stored);
    QFETCH(QString, message);
    QFETCH(bool, sent);

    Fixture f("pb.seed = 0\npb.SM.size = 3\npb.SM.3 = 155,129,Old\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    f.select(2);
    f.sim->control("log clear");
    QSignalSpy written(f.page->reader(), &PhonebookReader::entryWritten);
    QSignalSpy refused(f.page->reader(), &PhonebookReader::entryRefused);
    f.dialogs.dialogActions.push_back([&](QDialog *d) {
        auto *edit = qobject_cast<TEditSeznamForm *>(d);
        if (!edit || edit->Cislo()->text() != QLatin1String(" 3") || edit->Jmeno()->text() != QLatin1String("Old"))
            return int(QDialog::Rejected);
        edit->Cislo()->setText(location);
        edit->Jmeno()->setText(name);
        edit->Telefon()->setText(number);
        edit->Skupina()->setCurrentIndex(vip ? 0 : 1);
        edit->Ulozit()->setChecked(toHandset);
        edit->OK()->click();
        return edit->result();
    });
    f.page->SeznamClick();
    QCOMPARE(f.dialogs.requests.first().dialogName, QStringLiteral("TEditSeznamForm"));
    if (f.page->reader()->busy())
        QTRY_VERIFY_WITH_TIMEOUT(written.size() + refused.size() == 1, ReadBoundMs);
    QCOMPARE(f.page->rows().value(2), row);
    QCOMPARE(f.get("pb.SM.3"), stored);
    if (message.isEmpty()) {
        QVERIFY(f.messages().isEmpty());
    } else {
        QCOMPARE(f.messages().size(), 1);
        QVERIFY2(f.messages().first().contains(message), qPrintable(f.messages().first()));
    }
    const QByteArrayList log = f.log();
    int writes = 0;
    for (const QByteArray &line : log)
        writes += line.startsWith("AT+CPBW") ? 1 : 0;
    QCOMPARE(writes, sent ? 1 : 0);
    if (!sent && toHandset)
        QVERIFY2(log.isEmpty(), log.join(' ').constData());
    QCOMPARE(f.get("at.charset"), QByteArray("GSM"));
}

void TestPhonebook::dialAndHangUp()
{
    Fixture f("pb.seed = 0\npb.SM.size = 1\npb.SM.1 = 603123456,129,Jan\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    f.select(0);
    f.page->Zavolat1Click();
    QTRY_COMPARE_WITH_TIMEOUT(f.get("call.state"), QByteArray("active"), ReadBoundMs);
    QCOMPARE(f.get("call.number"), QByteArray("603123456"));
    f.page->Zavsit1Click();
    QTRY_COMPARE_WITH_TIMEOUT(f.get("call.state"), QByteArray("idle"), ReadBoundMs);
    QCOMPARE(f.get("call.log"), QByteArray("dial 603123456;hangup 603123456"));
}

void TestPhonebook::dialRefused_data()
{
    QTest::addColumn<QString>("number");
    for (const char *number : {"603;+CPBW=1", "603\r", "603\n", "603\"", "603\x1A", "603\x1B", "603 123"})
        QTest::newRow(QByteArray(number).toHex().constData()) << QString::fromLatin1(number);
    QTest::newRow("300 digits") << QString(300, QLatin1Char('6'));
}

// A number the list shows (from a list file, or typed into it) is dialled
// only when it is a dial string: from the page and from the number-choice
// dialog the address book uses too.
void TestPhonebook::dialRefused()
{
    QFETCH(QString, number);
    Fixture f("pb.seed = 0\npb.SM.size = 1\npb.SM.1 = 603123456,129,Jan\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    f.select(0);
    f.page->Seznam()->topLevelItem(0)->setText(3, number);
    f.sim->control("log clear");
    f.page->Zavolat1Click();
    QCOMPARE(f.messages().size(), 1);
    QVERIFY2(f.messages().first().contains(QStringLiteral("nelze vytočit")), qPrintable(f.messages().first()));

    TZavolatSeznam *choice = f.form->zavolatSeznam();
    QVERIFY(choice);
    choice->cislo()->setItems({number});
    choice->cislo()->setItemIndex(0);
    choice->cisloClick();
    QCOMPARE(f.messages().size(), 2);
    QTest::qWait(200);
    QCOMPARE(f.log(), QByteArrayList{});
    QCOMPARE(f.get("call.state"), QByteArray("idle"));
    QCOMPARE(f.get("pb.SM.1"), QByteArray("603123456,129,Jan"));
}

void TestPhonebook::erase_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArrayList>("log");

    using L = QByteArrayList;
    QTest::newRow("SM") << 0 << QByteArray("pb.SM.2") << L{"AT+CPBS=\"SM\"", "AT+CPBW=2"};
    QTest::newRow("ME") << 1 << QByteArray("pb.ME.2") << L{"AT+CPBS=\"ME\"", "AT+CPBW=2"};
    QTest::newRow("LD clears the list") << 5 << QByteArray("pb.LD.2") << L{"AT+CPBS=\"LD\"", "AT^SDLD"};
}

void TestPhonebook::erase()
{
    QFETCH(int, memory);
    QFETCH(QByteArray, key);
    QFETCH(QByteArrayList, log);

    Fixture f("pb.seed = 0\npb.SM.size = 2\npb.ME.size = 2\npb.LD.size = 2\n"
              "pb.SM.2 = 112,129,A\npb.ME.2 = 112,129,B\npb.LD.2 = 112,129,\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(memory));
    f.select(1);
    f.sim->control("log clear");
    f.page->Vymazat1Click();
    QTRY_COMPARE_WITH_TIMEOUT(f.get(key), QByteArray(), ReadBoundMs);
    QTRY_COMPARE_WITH_TIMEOUT(f.log(), log, ReadBoundMs);
    // The row stays; the list is not read again.
    QCOMPARE(f.page->rows().size(), 2);
}

void TestPhonebook::eraseRefused_data()
{
    QTest::addColumn<QString>("location");  // the row's location cell
    QTest::addColumn<bool>("fromFile");     // the row comes from a list file
    QTest::addColumn<QString>("message");

    QTest::newRow("a list file's row, though SM is chosen") << QStringLiteral(" 2;+CPBW=4") << true
                                                              << QStringLiteral("nebyl načten z paměti SM");
    QTest::newRow("a list file's plain row") << QStringLiteral(" 2") << true << QStringLiteral("nebyl načten");
    for (const char *location : {" 2;+CPBW=4", "2\r", "2\n", "2\"", "2\x1A", "2\x1B", "5"})
        QTest::newRow(qPrintable(QStringLiteral("location %1").arg(QString::fromLatin1(QByteArray(location).toHex()))))
            << QString::fromLatin1(location) << false << QStringLiteral("není místo paměti SM");
    QTest::newRow("location of 300 digits") << QString(300, QLatin1Char('2')) << false
                                            << QStringLiteral("není místo paměti SM");
}

void TestPhonebook::eraseRefused()
{
    QFETCH(QString, location);
    QFETCH(bool, fromFile);
    QFETCH(QString, message);

    Fixture f("pb.seed = 0\npb.SM.size = 4\npb.SM.2 = 112,129,A\npb.SM.4 = 155,129,B\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    if (fromFile)
        f.page->setRows({{"1", location.toLatin1(), "X", "112", ""}});
    else
        f.page->Seznam()->topLevelItem(0)->setText(1, location);
    f.select(0);
    // Offered only for a row read from the chosen memory.
    QCOMPARE(f.page->PopupMenuSeznam()->findChild<QAction *>(QStringLiteral("Vymazat1"))->isEnabled(), !fromFile);
    f.sim->control("log clear");
    f.page->Vymazat1Click();
    QCOMPARE(f.messages().size(), 1);
    QVERIFY2(f.messages().first().contains(message), qPrintable(f.messages().first()));
    QTest::qWait(200);
    QCOMPARE(f.log(), QByteArrayList{});
    QCOMPARE(f.get("pb.SM.2"), QByteArray("112,129,A"));
    QCOMPARE(f.get("pb.SM.4"), QByteArray("155,129,B"));
}

// Another page's receive handler (the SMS listing's, say) is still installed
// when an entry is written: the write's "OK" must reach the phonebook all the same.
void TestPhonebook::writeAfterAnotherHandler()
{
    Fixture f("pb.seed = 0\npb.SM.size = 1\npb.SM.1 = 155,129,Old\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    f.page->reader()->setReplyTimeoutMs(1500);
    TComPort *port = f.form->ComPort1;
    port->OnRxChar = [port](int count) { port->ReceiveBytes(count); };
    QSignalSpy written(f.page->reader(), &PhonebookReader::entryWritten);
    QSignalSpy refused(f.page->reader(), &PhonebookReader::entryRefused);
    f.dialogs.dialogActions.push_back([](QDialog *d) {
        auto *edit = qobject_cast<TEditSeznamForm *>(d);
        if (!edit)
            return int(QDialog::Rejected);
        edit->Telefon()->setText(QStringLiteral("156"));
        edit->Ulozit()->setChecked(true);
        edit->OK()->click();
        return edit->result();
    });
    f.select(0);
    f.page->SeznamClick();
    QTRY_VERIFY_WITH_TIMEOUT(written.size() + refused.size() == 1, ReadBoundMs);
    QCOMPARE(written.size(), 1);
    QCOMPARE(f.get("pb.SM.1"), QByteArray("156,129,Old"));
    QCOMPARE(f.page->rows().value(0).value(3), QByteArray("156"));
    QVERIFY(f.messages().isEmpty());
}

void TestPhonebook::namesAsHeld_data()
{
    QTest::addColumn<QByteArray>("charset");  // the set the handset is in before
    for (const char *set : {"UCS2", "GSM", "IRA"})
        QTest::newRow(set) << QByteArray(set);
}

// Names with Czech, German and Polish letters and the characters the GSM set
// keeps elsewhere (_ @ $ ~) are read as the handset holds them, shown, saved
// to a list file where Windows-1250 has them, and written back unchanged when
// only the number is edited; the handset's set is put back after each exchange.
void TestPhonebook::namesAsHeld()
{
    QFETCH(QByteArray, charset);
    Fixture f("pb.seed = 0\nat.charset = " + charset + "\npb.SM.size = 4\n"
              "pb.SM.1 = +420608111222,145,Jiří Černý!\npb.SM.2 = 112,129,Jan_Novak@firma\n"
              "pb.SM.3 = 155,129,Müller Łódź $~\npb.SM.4 = 158,129,Café $5\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    QStringList names;
    for (int i = 0; i < f.page->Seznam()->topLevelItemCount(); ++i)
        names << f.page->Seznam()->topLevelItem(i)->text(2);
    QCOMPARE(names, (QStringList{QStringLiteral("Jiří Černý"), QStringLiteral("Jan_Novak@firma"),
                                 QStringLiteral("Müller Łódź $~"), QStringLiteral("Café $5")}));
    QCOMPARE(f.page->Seznam()->topLevelItem(0)->text(4), QStringLiteral("VIP"));
    QCOMPARE(f.get("at.charset"), charset);

    f.dialogs.dialogActions.push_back([](QDialog *d) {
        auto *edit = qobject_cast<TEditSeznamForm *>(d);
        if (!edit)
            return int(QDialog::Rejected);
        edit->Telefon()->setText(QStringLiteral("+420608111223"));
        edit->Ulozit()->setChecked(true);
        edit->OK()->click();
        return edit->result();
    });
    QSignalSpy written(f.page->reader(), &PhonebookReader::entryWritten);
    f.select(0);
    f.page->SeznamClick();
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, ReadBoundMs);
    QCOMPARE(QString::fromUtf8(f.get("pb.SM.1")), QStringLiteral("+420608111223,145,Jiří Černý!"));
    QCOMPARE(f.get("at.charset"), charset);
    QVERIFY(f.messages().isEmpty());
}

// "Zrušit" of the progress panel ends a long read at the next reply; the rows
// read stay, the handset is put back as it was.
void TestPhonebook::cancelRead()
{
    QByteArray state = "pb.seed = 0\npb.SM.size = 250\n";
    for (int i = 1; i <= 250; ++i)
        state += "pb.SM." + QByteArray::number(i) + " = 603" + QByteArray::number(100000 + i) + ",129,N" +
                 QByteArray::number(i) + "\n";
    Fixture f(state, {QStringLiteral("--latency"), QStringLiteral("20")});
    QVERIFY(f.ok());
    auto *zrusit = f.form->findChild<QPushButton *>(QStringLiteral("btnZrusit"));
    QVERIFY(zrusit);
    connect(f.page->reader(), &PhonebookReader::progress, this, [zrusit](int index, int) {
        if (index > 0 && zrusit->isEnabled())
            zrusit->click();
    });
    QVERIFY(f.read(0));
    QVERIFY(f.usable());
    const qsizetype rows = f.page->rows().size();
    QVERIFY2(rows > 0 && rows < 250, QByteArray::number(rows).constData());
    QCOMPARE(f.page->rows().value(0), (SeznamRow{"1", " 1", "N1", "603100001", ""}));
    QVERIFY(f.messages().isEmpty());
    QCOMPARE(f.get("at.charset"), QByteArray("GSM"));
    QCOMPARE(f.get("at.cmee"), QByteArray("1"));
}

void TestPhonebook::listFiles()
{
    Fixture f("pb.seed = 0\npb.SM.size = 3\npb.SM.1 = 112,129,Novak!\npb.SM.3 = +420603123456,145,Jan\n");
    QVERIFY(f.ok());
    QVERIFY(f.read(0));
    const Rows read = f.page->rows();
    QCOMPARE(read.size(), 3);

    const QString data = QDir(f.folder.path()).filePath(QStringLiteral("DATA"));
    const QString path = data + QStringLiteral("/seznam");
    f.dialogs.fileNames.push_back(path);
    f.page->UlozitClick();
    QVERIFY(QFile::exists(path + QStringLiteral(".sez")));
    QFile saved(path + QStringLiteral(".sez"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("1\t 1\tNovak\t112\tVIP\r\n2\t\t\t\t\r\n3\t 3\tJan\t+420603123456\t\r\n"));

    // Cancelling the open dialog, and a file that cannot be read, leave the list as it was.
    f.page->Seznam()->clear();
    f.page->setRows({{"x"}});
    f.page->nactiClick();
    f.dialogs.fileNames.push_back(data + QStringLiteral("/missing.sez"));
    f.page->nactiClick();
    QCOMPARE(f.page->rows(), (Rows{{"x"}}));
    QCOMPARE(f.messages().size(), 1);
    QVERIFY(f.messages().first().contains(QStringLiteral("missing.sez")));

    f.dialogs.fileNames.push_back(path + QStringLiteral(".sez"));
    f.page->nactiClick();
    QCOMPARE(f.page->rows(), read);
    // Loading does not change the chosen memory.
    QCOMPARE(f.page->vybertypu()->itemIndex(), 0);

    // A name Windows-1250 cannot hold is named, and the file stays as it was.
    f.page->Seznam()->topLevelItem(0)->setText(2, QStringLiteral("Ωmega €"));
    f.dialogs.fileNames.push_back(path + QStringLiteral(".sez"));
    f.page->UlozitClick();
    QCOMPARE(f.messages().size(), 2);
    QVERIFY2(f.messages().last().contains(QStringLiteral("znaky Ω nelze")), qPrintable(f.messages().last()));
    QVERIFY(saved.seek(0));
    QCOMPARE(saved.readAll(), QByteArray("1\t 1\tNovak\t112\tVIP\r\n2\t\t\t\t\r\n3\t 3\tJan\t+420603123456\t\r\n"));
}

QTEST_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
