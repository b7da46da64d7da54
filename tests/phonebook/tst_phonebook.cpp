// The phonebook page in the real main window, through the real serial layer
// to the simulated handset: reading memories (gaps, capacity 0, VIP names,
// no echo, error answers, a handset that falls silent, the PIN2-protected
// memory), the submenu, editing an entry into the handset, dialling, erasing,
// and the list files. Every read must leave the page usable.

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
    void erase_data();
    void erase();
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
    QTest::newRow("seeded phonebook, names without accents in the GSM set")
        << QByteArray("pb.ME.size = 7\n") << QStringList{} << 1
        << Rows{{"1", " 1", "Lucie Horakova", "+420608765432", ""}, empty(2), empty(3),
                {"4", " 4", "Ordinace", "+420731222333", ""}, empty(5), empty(6),
                {"7", " 7", "Skola, reditel", "+420222333444", ""}}
        << QStringLiteral("3 záznamy") << QStringList{};
    // Without the echo in front, no reply is taken for an entry.
    QTest::newRow("no echo") << QByteArray("pb.seed = 0\npb.SM.size = 2\npb.SM.1 = 112,129,SOS\n")
                             << QStringList{QStringLiteral("--no-echo")} << 0 << Rows{empty(1), empty(2)}
                             << QStringLiteral("1 záznam") << QStringList{};
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
    QVERIFY(f.read(memory));
    QCOMPARE(f.page->rows(), rows);
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
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("attempts");
    QTest::addColumn<QByteArrayList>("log");
    QTest::addColumn<QString>("message");

    using L = QByteArrayList;
    QTest::newRow("right PIN2") << QStringLiteral("5678") << 2 << QByteArray("3")
                                << L{"AT+CPBS=\"FD\"", "AT+CPBS?", "AT+CPIN=\"5678\"", "AT+CPBR=1",
                                     "AT+CPIN=\"5678\"", "AT+CPBR=2"}
                                << QString();
    QTest::newRow("wrong PIN2 costs one attempt") << QStringLiteral("1111") << 0 << QByteArray("2")
                                                  << L{"AT+CPBS=\"FD\"", "AT+CPBS?", "AT+CPIN=\"1111\""}
                                                  << QStringLiteral("+CME ERROR: 16");
    QTest::newRow("empty prompt sends nothing") << QString() << 0 << QByteArray("3") << L{} << QString();
}

void TestPhonebook::pin2Memory()
{
    QFETCH(QString, pin2);
    QFETCH(int, rows);
    QFETCH(QByteArray, attempts);
    QFETCH(QByteArrayList, log);
    QFETCH(QString, message);

    Fixture f("pb.seed = 0\npb.FD.size = 2\npb.FD.1 = 112,129,SOS\n");
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
        QVERIFY(f.messages().first().contains(message));
    }
}

void TestPhonebook::silentHandsetEndsRead()
{
    Fixture f("pb.seed = 0\npb.SM.size = 4\npb.SM.1 = 112,129,SOS\n");
    QVERIFY(f.ok());
    f.page->reader()->setReplyTimeoutMs(1500);
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
        QCOMPARE(log.value(0), selection);
    QVERIFY(f.usable());
}

void TestPhonebook::edit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("vip");
    QTest::addColumn<bool>("toHandset");
    QTest::addColumn<SeznamRow>("row");         // the list row afterwards
    QTest::addColumn<QByteArray>("stored");     // pb.SM.3 afterwards
    QTest::addColumn<QString>("message");

    const SeznamRow before{"3", " 3", "Old", "155", ""};
    QTest::newRow("VIP entry written") << QStringLiteral("Novak") << QStringLiteral("112") << true << true
                                       << SeznamRow{"3", "3", "Novak", "112", "VIP"}
                                       << QByteArray("112,129,Novak!") << QString();
    QTest::newRow("comma in the name") << QStringLiteral("Skola, reditel") << QStringLiteral("+420222333444")
                                       << false << true
                                       << SeznamRow{"3", "3", "Skola, reditel", "+420222333444", ""}
                                       << QByteArray("+420222333444,145,Skola, reditel") << QString();
    QTest::newRow("list only") << QStringLiteral("Novak") << QStringLiteral("112") << true << false
                               << SeznamRow{"3", "3", "Novak", "112", "VIP"} << QByteArray("155,129,Old")
                               << QString();
    QTest::newRow("refused by the handset: name too long")
        << QStringLiteral("Abcdefghijklmnopq") << QStringLiteral("112") << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("+CME ERROR: 24");
    QTest::newRow("double quote refused, nothing sent")
        << QStringLiteral("Pepa \"Z\"") << QStringLiteral("112") << false << true << before
        << QByteArray("155,129,Old") << QStringLiteral("uvozovky");
    QTest::newRow("empty number changes nothing") << QStringLiteral("Novak") << QString() << false << true
                                                  << before << QByteArray("155,129,Old") << QString();
}

void TestPhonebook::edit()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(bool, vip);
    QFETCH(bool, toHandset);
    QFETCH(SeznamRow, row);
    QFETCH(QByteArray, stored);
    QFETCH(QString, message);

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
        edit->Cislo()->setText(QStringLiteral("3"));
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
    const bool sent = toHandset && !number.isEmpty() && !name.contains(QLatin1Char('"'));
    QCOMPARE(f.log().size(), sent ? 1 : 0);
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

void TestPhonebook::erase_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArrayList>("log");

    using L = QByteArrayList;
    QTest::newRow("SM") << 0 << QByteArray("pb.SM.2") << L{"AT+CPBS=\"SM\"", "AT+CPBW= 2"};
    QTest::newRow("ME") << 1 << QByteArray("pb.ME.2") << L{"AT+CPBS=\"ME\"", "AT+CPBW= 2"};
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
}

QTEST_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
