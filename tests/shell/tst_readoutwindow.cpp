// The main window during the information readout against a slow or failing
// handset: it keeps processing events (timers fire, the progress bar moves),
// only "Zrušit" takes input, cancelling and closing end the readout at the
// next query, a handset that falls silent ends it as offline; and the
// message for a modem port that cannot be opened names the right fault.

#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "infopage.h"
#include "processlist.h"
#include "lockspage.h"
#include "phonebookpage.h"
#include "phonebookreader.h"
#include "pty.h"
#include "scripteddialogs.h"
#include "scriptedmodem.h"
#include "simprocess.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>

namespace {

const QString Offline = QStringLiteral("Práce Offline - Nenalezen telefon !");
const QString NoHandset = QStringLiteral("Telefon neni připojen, nebo chybná konfigurace portu");

struct Fixture
{
    QTemporaryDir folder;
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;

    TForm1 &create(const QString &port)
    {
        QFile ini(folder.path() + QStringLiteral("/torvane.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[ComPort1]\nPort=" + port.toLocal8Bit() + "\n");
        ini.close();
        form = std::make_unique<TForm1>(folder.path(), clock);
        form->show();
        return *form;
    }
};

// Runs step every 20 ms while the readout runs, with the window's state.
struct WhileReading
{
    explicit WhileReading(TForm1 &form, std::function<void(TForm1 &)> step)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, &form, step] {
            if (!form.readoutRunning())
                return;
            ++ticks;
            windowTookInput = windowTookInput || form.centralWidget()->isEnabled()
                              || form.menuBar()->isEnabled();
            positions.insert(form.Progres()->value());
            step(form);
        });
        timer.start(20);
    }

    QTimer timer;
    int ticks = 0;
    bool windowTookInput = false;
    QSet<int> positions;
};

int loggedQueries(const SimProcess &sim)
{
    return int(sim.control("log").count('\n'));
}

bool itemEnabled(QListWidget *list, int row)
{
    return list->item(row)->flags().testFlag(Qt::ItemIsEnabled);
}

// A handset's answers to the readout's queries (the rest get ERROR).
const QHash<QByteArray, QByteArray> Answers{
    {"AT+CGMI", "TORVANE"},
    {"AT+CGMM", "Zenk"},
    {"AT+CGMR", "ZK_1.04.2"},
    {"AT+CGSN", "351234567890123"},
    {"AT+CBC", "+CBC: 0,80"},
    {"AT+CSQ", "+CSQ: 15,99"},
    {"AT+COPS?", "+COPS: 0,0,\"T-Mobile CZ\""},
    {"AT+CIMI", "230011234567890"},
    {"AT^SCID", "^SCID: 8942001234567890123"},
    {"AT+CSCA?", "+CSCA: \"+420603052000\",145"},
    {"AT+CVIB?", "+CVIB: 1"},
};

} // namespace

class TestReadoutWindow : public QObject
{
    Q_OBJECT

private slots:
    void slowHandsetCanBeCancelled();
    void handsetFallsSilent();
    void closingWaitsForTheReadout();
    void portOpenFailure_data();
    void portOpenFailure();
    void eventsHandledAsTheyCome();
    void portActionsWaitForAPhonebookRead();
    void reopenedPortDropsWhatIsLeft();
    void lateAnswers();
    void cablePulled();
};

void TestReadoutWindow::slowHandsetCanBeCancelled()
{
    SimProcess sim({"--latency", "250"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());
    QSignalSpy refreshClicks(form.infoPage()->refresh(), &QPushButton::clicked);

    bool cancelled = false;
    WhileReading watch(form, [&](TForm1 &w) {
        if (cancelled || w.Progres()->value() < 4)
            return;
        // The rest of the window takes no clicks; "Zrušit" does.
        QTest::mouseClick(w.infoPage()->refresh(), Qt::LeftButton);
        QTest::mouseClick(w.btnZrusit(), Qt::LeftButton);
        cancelled = true;
    });
    form.refreshClick();  // as at start-up: before any message loop runs

    QVERIFY(cancelled);
    QVERIFY2(watch.ticks >= 10, qPrintable(QString::number(watch.ticks)));
    QVERIFY(watch.positions.contains(1) && watch.positions.contains(4));  // the bar moved
    QVERIFY(!watch.windowTookInput);
    QCOMPARE(refreshClicks.count(), 0);

    // Ended at the query after the click: ATE1 and the first four queries.
    QCOMPARE(loggedQueries(sim), 5);
    QVERIFY(!form.readoutRunning());
    QVERIFY(form.centralWidget()->isEnabled());
    QVERIFY(form.ProgresPanel()->isHidden());
    QCOMPARE(form.infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QCOMPARE(form.infoPage()->IMEI()->text(), QStringLiteral("356938035643809"));
    QCOMPARE(form.infoPage()->Baterie()->text(), QString());
    // The maker was read: the handset is there and its controls go on,
    // except those whose value was never read (vibration is on in the
    // handset; an unchecked box would say it is off).
    QVERIFY(form.infoPage()->SynchrCas()->isEnabled());
    QVERIFY(!form.infoPage()->Hlasitost_zvoneni()->isEnabled());
    QVERIFY(!form.infoPage()->Umlceni()->isEnabled());
    QVERIFY(!itemEnabled(form.infoPage()->OstatniBox(), 1));
    QVERIFY(!itemEnabled(form.locksPage()->Blokovani(), 0));
    QVERIFY(f.dialogs.messages().isEmpty());

    // The next readout starts afresh and runs to its end.
    QVERIFY(sim.control("log clear").startsWith("OK"));
    WhileReading again(form, [](TForm1 &) {});
    form.refreshClick();
    QCOMPARE(loggedQueries(sim), 24);
    QCOMPARE(form.infoPage()->Baterie()->text(), QStringLiteral("80 %"));
    QVERIFY(form.infoPage()->Hlasitost_zvoneni()->isEnabled());
    QVERIFY(itemEnabled(form.infoPage()->OstatniBox(), 1));
    QVERIFY(form.infoPage()->option(1));
    QVERIFY(itemEnabled(form.locksPage()->Blokovani(), 0));
}

void TestReadoutWindow::handsetFallsSilent()
{
    SimProcess sim({"--latency", "150"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());

    bool off = false;
    WhileReading watch(form, [&](TForm1 &w) {
        if (!off && w.Progres()->value() >= 3) {
            off = sim.control("power off").startsWith("OK");
        }
    });
    form.refreshClick();

    QVERIFY(off);
    // Two queries without an answer, not the twenty that were left.
    QVERIFY2(loggedQueries(sim) <= 7, qPrintable(sim.control("log")));
    QCOMPARE(form.panelText(0), Offline);
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
    QCOMPARE(boxes[0].text, NoHandset);
    // What the handset said before stays; without it the controls stay off.
    QCOMPARE(form.infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QVERIFY(!form.infoPage()->SynchrCas()->isEnabled());
    QVERIFY(form.ProgresPanel()->isHidden());
    QVERIFY(form.centralWidget()->isEnabled());
}

void TestReadoutWindow::closingWaitsForTheReadout()
{
    SimProcess sim({"--latency", "500"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());
    QSignalSpy closed(&form, &TForm1::closed);

    bool asked = false;
    WhileReading watch(form, [&](TForm1 &w) {
        if (!asked && w.Progres()->value() >= 2) {
            asked = true;
            w.close();
        }
    });
    form.refreshClick();

    QVERIFY(asked);
    QVERIFY(loggedQueries(sim) <= 4);
    QVERIFY(f.dialogs.messages().isEmpty());
    // The window closes once the readout is over, from the message loop.
    QVERIFY(closed.wait(5000));
    QVERIFY(!form.isVisible());
    QVERIFY(!form.ComPort1->Connected());
}

void TestReadoutWindow::portOpenFailure_data()
{
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QStringList>("lines");  // "%s": the port's name

    QTest::newRow("no such device") << false
        << QStringList{QStringLiteral("Port %s neexistuje."),
                       QStringLiteral("Připojte telefon nebo zvolte jiný port v Nastavení / Porty a jazyk.")};
    QTest::newRow("held by another program") << true
        << QStringList{QStringLiteral("Port je pravděpodobně používán jinou aplikací."),
                       QStringLiteral("Ukončete aplikaci nebo restartujte počítač !")};
}

void TestReadoutWindow::portOpenFailure()
{
    QFETCH(bool, inUse);
    QFETCH(QStringList, lines);

    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort other(QStringLiteral("other"));
    const QString port = inUse ? pty.slavePath() : QStringLiteral("/dev/torvane-no-such-port");
    if (inUse) {
        other.setPort(port);
        other.OpenPort();
    }
    Fixture f;
    TForm1 &form = f.create(port);
    form.refreshClick();

    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Warning);
    lines.replaceInStrings(QStringLiteral("%s"), port);
    QCOMPARE(boxes[0].text.split(QLatin1Char('\n')), lines);
    QCOMPARE(form.panelText(2), QStringLiteral("nelze otevřít"));
    QVERIFY(form.ProgresPanel()->isHidden());
}

// A chain of events, each posted when the previous one has been handled (as
// a screen reader's questions come), runs through while the readout waits
// for a single reply, rather than one event per slice of waiting.
void TestReadoutWindow::eventsHandledAsTheyCome()
{
    SimProcess sim({"--latency", "600"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());

    constexpr int Steps = 200;
    int handled = 0;
    int progressAtEnd = -1;
    std::function<void()> step = [&] {
        if (++handled == Steps) {
            progressAtEnd = form.Progres()->value();
            form.btnZrusitClick();
            return;
        }
        QMetaObject::invokeMethod(&form, step, Qt::QueuedConnection);
    };
    bool started = false;
    WhileReading watch(form, [&](TForm1 &w) {
        if (!started && w.Progres()->value() >= 1) {
            started = true;
            QMetaObject::invokeMethod(&w, step, Qt::QueuedConnection);
        }
    });
    form.refreshClick();

    QCOMPARE(handled, Steps);
    // All of it during the maker's query or the model's, 600 ms each.
    QVERIFY2(progressAtEnd >= 1 && progressAtEnd <= 3, qPrintable(QString::number(progressAtEnd)));
}

void TestReadoutWindow::portActionsWaitForAPhonebookRead()
{
    SimProcess sim({"--latency", "20"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());
    form.refreshClick();
    QVERIFY(form.infoPage()->btnExplorer()->isEnabled());
    PhonebookReader *reader = form.phonebookPage()->reader();
    QSignalSpy finished(reader, &PhonebookReader::finished);
    QSignalSpy failed(reader, &PhonebookReader::failed);
    QSignalSpy progress(reader, &PhonebookReader::progress);
    bool explorerOpened = false;
    form.showObexExplorer = [&] { explorerOpened = true; };

    QVERIFY(reader->start(0));  // SM
    QVERIFY(progress.wait(5000));
    QTRY_VERIFY(!form.findChild<QAction *>(QStringLiteral("UvolnitPort1"))->isEnabled());
    // Menus, their shortcuts (Ctrl+F10) and buttons that would use the port
    // are off; calling their handlers anyway changes nothing.
    for (const char *name : {"UvolnitPort1", "Pruzkumnik", "Komunikanport1", "Znovunatiinfo1"})
        QVERIFY2(!form.findChild<QAction *>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(!form.infoPage()->btnExplorer()->isEnabled());
    QVERIFY(!form.infoPage()->refresh()->isEnabled());
    form.UvolnitPort1Click();
    form.PruzkumnikClick();
    QVERIFY(form.ComPort1->Connected());
    QVERIFY(!explorerOpened);

    QVERIFY(finished.wait(30000));
    QCOMPARE(failed.count(), 0);
    QTRY_VERIFY(form.findChild<QAction *>(QStringLiteral("UvolnitPort1"))->isEnabled());
    QVERIFY(form.infoPage()->btnExplorer()->isEnabled());
    form.PruzkumnikClick();
    QVERIFY(explorerOpened);
}

void TestReadoutWindow::reopenedPortDropsWhatIsLeft()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Fixture f;
    TForm1 &form = f.create(pty.slavePath());
    QByteArrayList replies;
    form.replies().onReplyComplete = [&](const QByteArray &reply) { replies << reply; };
    QVERIFY(form.SetModemPortOpen(true));
    QVERIFY(form.SetModemPortOpen(false));
    // The end of a reply the handset sent after the release.
    QVERIFY(pty.write("\r\n+CPBR: 1,\"123\",129,\"Jan\"\r\n\r\nOK\r\n"));
    QTest::qWait(50);
    QVERIFY(form.SetModemPortOpen(true));
    QCOMPARE(form.ComPort1->PendingCount(), 0);
    QTest::qWait(100);
    QCOMPARE(replies, QByteArrayList{});
}

// A handset that is first silent, then lets one answer come past its query's
// bound, then answers everything in time.
void TestReadoutWindow::lateAnswers()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    std::atomic_int round{0};
    ScriptedModem modem(pty, [&](const QByteArray &command) {
        if (round == 0)
            return QList<QByteArray>{};
        if (command == "ATE1")
            return QList<QByteArray>{"ATE1\r\r\nOK\r\n"};
        const QByteArray reply = Answers.contains(command)
                                     ? ScriptedModem::reply(command, Answers.value(command))
                                     : command + "\r\r\nERROR\r\n";
        const qsizetype echo = command.size() + 1;
        if (round == 1 && command == "AT+COPS?") {
            // The final line 2.3 s after the answer line: past the bound.
            const qsizetype final = reply.lastIndexOf("\r\n\r\n") + 2;
            return QList<QByteArray>{reply.left(echo), reply.mid(echo, final - echo),
                                     ScriptedModem::pause(2300), reply.mid(final)};
        }
        return QList<QByteArray>{reply.left(echo), reply.mid(echo)};
    }, 2);
    Fixture f;
    TForm1 &form = f.create(pty.slavePath());

    form.refreshClick();
    QCOMPARE(form.panelText(0), Offline);
    QCOMPARE(f.dialogs.messages().size(), 1);

    // The operator is unknown, not "searching"; the answers after it are the
    // right ones; the failure of the first attempt gives way to the notice.
    round = 1;
    form.refreshClick();
    QCOMPARE(f.dialogs.messages().size(), 1);
    QCOMPARE(form.infoPage()->Operator()->text(), QStringLiteral("neznámý (bez odpovědi)"));
    QCOMPARE(form.infoPage()->IMSI()->text(), QStringLiteral("230011234567890"));
    QCOMPARE(form.infoPage()->cisloSIM()->text(), QStringLiteral("8942001234567890123"));
    QCOMPARE(form.infoPage()->strediskoSMS()->text(), QStringLiteral("420603052000"));
    QCOMPARE(form.panelText(0),
             QStringLiteral("Informace o telefonu nejsou úplné: telefon neodpověděl včas na všechny dotazy."));
    QVERIFY(form.infoPage()->SynchrCas()->isEnabled());

    // A readout without a fault leaves no failure behind.
    round = 2;
    form.refreshClick();
    QCOMPARE(form.infoPage()->Operator()->text(), QStringLiteral("T-Mobile CZ"));
    QCOMPARE(form.panelText(0), QString());
    QCOMPARE(f.dialogs.messages().size(), 1);
}

void TestReadoutWindow::cablePulled()
{
    SimProcess sim({"--latency", "150"});
    QVERIFY(sim.start());
    Fixture f;
    TForm1 &form = f.create(sim.modemPath());

    bool pulled = false;
    WhileReading watch(form, [&](TForm1 &w) {
        if (!pulled && w.Progres()->value() >= 5) {
            pulled = true;
            sim.stop();  // the handset's side of the line goes away
        }
    });
    form.refreshClick();

    QVERIFY(pulled);
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Warning);
    QCOMPARE(boxes[0].text, QStringLiteral("Spojení s telefonem bylo přerušeno. Zkontrolujte kabel a zvolte Aktualizuj Info."));
    // What was read stays; the port is shown as it is, the controls stay off.
    QCOMPARE(form.infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QCOMPARE(form.infoPage()->IMEI()->text(), QStringLiteral("356938035643809"));
    QVERIFY(!form.ComPort1->Connected());
    QCOMPARE(form.panelText(2), QStringLiteral("uvolněn"));
    QVERIFY(!form.infoPage()->SynchrCas()->isEnabled());
    QVERIFY(form.ProgresPanel()->isHidden());
}

QTEST_MAIN(TestReadoutWindow)
#include "tst_readoutwindow.moc"
