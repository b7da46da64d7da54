// The phonebook from the outside: torvane-cli reading memories, gammu (a
// standard AT client from Debian) reading the simulated phonebook and using
// the simulated handset's network, PIN and call commands, and the simulated
// handset's phonebook and 3GPP dialogue as a plain client on its modem port
// sees them.

#include "pty.h"
#include "rawline.h"
#include "simprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

namespace {

const QString Cli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// A handset seeded from a state text.
struct Handset
{
    QTemporaryFile stateFile;
    std::unique_ptr<SimProcess> sim;

    explicit Handset(const QByteArray &state, QStringList args = {})
    {
        if (!stateFile.open())
            return;
        stateFile.write(state);
        stateFile.flush();
        sim = std::make_unique<SimProcess>(args << QStringLiteral("--state") << stateFile.fileName());
        if (!sim->start())
            sim.reset();
    }
    QByteArray get(const QByteArray &key) const { return sim->control("get " + key).trimmed(); }
};

} // namespace

class TestPhonebookPeers : public QObject
{
    Q_OBJECT

private slots:
    void cliRead_data();
    void cliRead();
    void cliGsmHandset();
    void gammu_data();
    void gammu();
    void dialogue_data();
    void dialogue();
};

void TestPhonebookPeers::cliRead_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("args");   // after "phonebook read"; the port is added
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");     // a part of standard error
    QTest::addColumn<QByteArray>("attempts"); // pin2.attempts afterwards

    const QByteArray sm = "pb.seed = 0\npb.SM.size = 3\npb.SM.1 = 112,129,SOS\npb.SM.3 = +420603123456,145,Jan!\n"
                          "pb.FD.size = 1\npb.FD.1 = 158,129,Policie\n";
    QTest::newRow("rows") << sm << QStringList{} << QStringList{"SM"} << 0
                          << QByteArray("1\tSOS\t112\t\n2\t\t\t\n3\tJan\t+420603123456\tVIP\n") << QByteArray()
                          << QByteArray("3");
    QTest::newRow("json") << sm << QStringList{} << QStringList{"sm", "--json"} << 0
                          << QByteArray("{\"location\": 1, \"name\": \"SOS\", \"number\": \"112\", \"group\": \"\"}\n"
                                        "{\"location\": 2, \"name\": \"\", \"number\": \"\", \"group\": \"\"}\n"
                                        "{\"location\": 3, \"name\": \"Jan\", \"number\": \"+420603123456\", "
                                        "\"group\": \"VIP\"}\n")
                          << QByteArray() << QByteArray("3");
    QTest::newRow("FD with its PIN2") << sm << QStringList{} << QStringList{"FD", "--pin2", "5678"} << 0
                                      << QByteArray("1\tPolicie\t158\t\n") << QByteArray() << QByteArray("3");
    QTest::newRow("FD, wrong PIN2") << sm << QStringList{} << QStringList{"FD", "--pin2", "1111"} << 1 << QByteArray()
                                    << QByteArray("+CME ERROR: 16") << QByteArray("2");
    QTest::newRow("FD without PIN2") << sm << QStringList{} << QStringList{"FD"} << 2 << QByteArray()
                                     << QByteArray("--pin2") << QByteArray("3");
    QTest::newRow("memory refused") << QByteArray("lock.sc = 1\n") << QStringList{} << QStringList{"ME"} << 1
                                    << QByteArray() << QByteArray("+CME ERROR: 11") << QByteArray("3");
    QTest::newRow("silent handset") << sm << QStringList{"--silent"} << QStringList{"SM"} << 1 << QByteArray()
                                    << QByteArray("no handset answers") << QByteArray("3");
    QTest::newRow("unknown memory") << sm << QStringList{} << QStringList{"XY"} << 2 << QByteArray()
                                    << QByteArray("unknown memory XY") << QByteArray("3");
    QTest::newRow("FD, the last wrong PIN2: no tries left, PUK2 wanted")
        << sm + "pin2.attempts = 1\n" << QStringList{} << QStringList{"FD", "--pin2", "1111"} << 1 << QByteArray()
        << QByteArray("PIN2 attempts left: 0; the PIN2 is blocked: the handset wants the PUK2") << QByteArray("0");
    for (const char *pin2 : {"5678\";+CPBS=\"SM\";+CPBW=1;+CPBS=\"FD", "5678\r", "56\n78", "5678\x1A", "5678\x1B",
                             "567", "123456789"})
        QTest::newRow(qPrintable(QStringLiteral("FD, PIN2 %1 refused").arg(QString::fromLatin1(QByteArray(pin2).toHex()))))
            << sm << QStringList{} << QStringList{"FD", "--pin2", QString::fromLatin1(pin2)} << 2 << QByteArray()
            << QByteArray("--pin2 must be 4 to 8 digits") << QByteArray("3");
    QTest::newRow("FD, PIN2 of 300 digits refused")
        << sm << QStringList{} << QStringList{"FD", "--pin2", QString(300, QLatin1Char('5'))} << 2 << QByteArray()
        << QByteArray("--pin2 must be 4 to 8 digits") << QByteArray("3");
    QTest::newRow("names as the handset holds them, echo off")
        << QByteArray("pb.seed = 0\npb.SM.size = 3\npb.SM.1 = 112,129,Jiří Černý!\npb.SM.2 = 155,129,Jan_Novak@firma\n"
                      "pb.SM.3 = 158,129,Müller Łódź $~\n")
        << QStringList{"--no-echo"} << QStringList{"SM"} << 0
        << QString("1\tJiří Černý\t112\tVIP\n2\tJan_Novak@firma\t155\t\n3\tMüller Łódź $~\t158\t\n").toUtf8()
        << QByteArray() << QByteArray("3");
}

void TestPhonebookPeers::cliRead()
{
    QFETCH(QByteArray, state);
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QByteArray, attempts);

    Handset h(state, simArgs);
    QVERIFY(h.sim);
    const QByteArray sim1 = h.get("pb.SM.1");
    const Run r = run(Cli, QStringList{"phonebook", "read"} + args + QStringList{"--port", h.sim->modemPath()});
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), r.err.constData());
    if (!simArgs.contains(QStringLiteral("--silent"))) {
        QCOMPARE(h.get("pin2.attempts"), attempts);
        // Nothing the PIN2 carried was taken as a command of its own.
        QCOMPARE(h.get("pb.SM.1"), sim1);
    }
}

// A handset that offers no UCS2 (a scripted one: the simulated handset has
// it): the names come in the GSM alphabet, with its control-range codes and
// the escape table, and the set is put back to IRA afterwards.
void TestPhonebookPeers::cliGsmHandset()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    const QByteArray name1 = QByteArray("Jan\x11Novak") + QByteArray(1, '\0') + "firma";
    const QByteArray name2 = "M\x7Eller \x1B\x65\x02\x1B\x3D";
    const QList<std::pair<QByteArray, QByteArray>> answers{
        {"AT+CMEE?", "+CMEE: 1\r\n"},
        {"AT+CSCS?", "+CSCS: \"IRA\"\r\n"},
        {"AT+CSCS=?", "+CSCS: (\"GSM\",\"IRA\")\r\n"},
        {"AT+CPBS?", "+CPBS: \"SM\",2,3\r\n"},
        {"AT+CPBR=?", "+CPBR: (1-3),20,14\r\n"},
        {"AT+CPBR=1,3", "+CPBR: 1,\"112\",129,\"" + name1 + "\"\r\n+CPBR: 3,\"155\",129,\"" + name2 + "!\"\r\n"},
    };
    QProcess cli;
    cli.start(Cli, {"phonebook", "read", "SM", "--port", pty.slavePath()});
    QVERIFY(cli.waitForStarted(10000));
    QByteArrayList commands;
    QByteArray pending;
    QDeadlineTimer deadline(30000);
    while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        pending += pty.read(50, 5);
        qsizetype cr;
        while ((cr = pending.indexOf('\r')) >= 0) {
            const QByteArray command = pending.left(cr).trimmed();
            pending.remove(0, cr + 1);
            if (command.isEmpty())
                continue;
            commands << command;
            QByteArray answer;
            for (const auto &[c, a] : answers)
                if (c == command)
                    answer = a;
            pty.write(command + "\r\r\n" + answer + "\r\nOK\r\n");
        }
        cli.waitForFinished(10);
    }
    if (cli.state() != QProcess::NotRunning)
        QVERIFY(cli.waitForFinished(5000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()),
             QStringLiteral("1\tJan_Novak@firma\t112\t\n2\t\t\t\n3\tMüller €$~\t155\tVIP\n"));
    QVERIFY2(commands.contains("AT+CSCS=\"GSM\""), commands.join(' ').constData());
    QCOMPARE(commands.value(commands.size() - 1), QByteArray("AT+CSCS=\"IRA\""));
}

void TestPhonebookPeers::gammu_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArrayList>("out");   // parts of standard output
    QTest::addColumn<QByteArrayList>("keys");  // key=value afterwards

    using L = QByteArrayList;
    QTest::newRow("getmemory SM 1 20")
        << QByteArray() << QStringList{"getmemory", "SM", "1", "20"}
        << L{"Location 1\nGeneral number       : \"+420603123456\"\nName                 : \"Jan Novák\"",
             "Location 4\nEmpty entry", "\"Šárka Veselá\"", "\"Jiří Černý!\"", "Location 20\n"}
        << L{};
    QTest::newRow("networkinfo") << QByteArray() << QStringList{"networkinfo"}
                                 << L{"Network state        : home network", "LAC 0B5A, CID 2F13",
                                      "Packet network state : home network", "GPRS                 : attached"}
                                 << L{};
    QTest::newRow("monitor 1") << QByteArray() << QStringList{"monitor", "1"}
                               << L{"SIM phonebook        :   8 used, 242 free", "LAC 0B5A, CID 2F13"} << L{};
    QTest::newRow("entersecuritycode PIN") << QByteArray("lock.sc = 1\n")
                                           << QStringList{"entersecuritycode", "PIN", "1234"} << L{}
                                           << L{"pin.wanted=READY", "pin.attempts=3"};
    QTest::newRow("dialvoice") << QByteArray() << QStringList{"dialvoice", "603123456"} << L{}
                               << L{"call.state=active", "call.number=603123456"};
}

void TestPhonebookPeers::gammu()
{
    QFETCH(QByteArray, state);
    QFETCH(QStringList, args);
    QFETCH(QByteArrayList, out);
    QFETCH(QByteArrayList, keys);

    const QString gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (gammu.isEmpty())
        QSKIP("gammu is not installed");
    Handset h(state);
    QVERIFY(h.sim);
    QTemporaryDir dir;
    const QString rc = dir.filePath(QStringLiteral("gammurc"));
    QFile file(rc);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[gammu]\ndevice = " + h.sim->modemPath().toUtf8() + "\nconnection = at\n");
    file.close();
    const Run r = run(gammu, QStringList{"-c", rc} + args, 120000);
    QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
    for (const QByteArray &part : out)
        QVERIFY2(r.out.contains(part), (part + "\n--- not in ---\n" + r.out).constData());
    for (const QByteArray &kv : keys) {
        const qsizetype eq = kv.indexOf('=');
        QCOMPARE(h.get(kv.left(eq)), kv.mid(eq + 1));
    }
}

// Each step: a command written with CR, and the reply text that must follow
// (echo included).
void TestPhonebookPeers::dialogue_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArrayList>("keys");

    using L = QByteArrayList;
    const QByteArray pb = "pb.seed = 0\npb.SM.size = 5\npb.SM.2 = +420603123456,145,Jan Novák\npb.SM.4 = 112,129,SOS\n";
    QTest::newRow("memories and counts")
        << pb
        << L{"AT+CPBS=?", "\r\n+CPBS: (\"SM\",\"ME\",\"ON\",\"MC\",\"RC\",\"LD\",\"FD\")\r\n\r\nOK\r\n",
             "AT^SPBS=?", "\r\n^SPBS: (\"SD\",\"DC\",\"EN\",\"MB\",\"OW\")\r\n\r\nOK\r\n",
             "AT+CPBS?", "\r\n+CPBS: \"SM\",2,5\r\n\r\nOK\r\n",
             "AT+CPBR=?", "\r\n+CPBR: (1-5),20,14\r\n\r\nOK\r\n",
             "AT^SPBS=\"SM\"", "\r\n+CME ERROR: 4\r\n",
             "AT+CPBS=\"XX\"", "\r\n+CME ERROR: 4\r\n"}
        << L{"pb.selected=SM"};
    QTest::newRow("reading: single, range, empty, out of range, character sets")
        << pb
        << L{"AT+CPBR=2", "AT+CPBR=2\r\r\n+CPBR: 2,\"+420603123456\",145,\"Jan Novak\"\r\n\r\nOK\r\n",
             "AT+CPBR=1,5", "\r\n+CPBR: 2,\"+420603123456\",145,\"Jan Novak\"\r\n+CPBR: 4,\"112\",129,\"SOS\"\r\n\r\nOK\r\n",
             "AT+CPBR=3", "AT+CPBR=3\r\r\nOK\r\n",
             "AT+CPBR=6", "\r\n+CME ERROR: 21\r\n",
             "AT+CSCS=\"UCS2\"", "OK\r\n",
             "AT+CPBR=2", "\"004A0061006E0020004E006F007600E1006B\"\r\n\r\nOK\r\n",
             "AT+CSCS=\"004900520041\"", "OK\r\n",
             "AT+CPBR=2", "\"Jan Nov?k\"\r\n\r\nOK\r\n"}
        << L{};
    QTest::newRow("character sets: read, test, set; the GSM escape table; names kept as Unicode")
        << pb
        << L{"AT+CSCS?", "+CSCS: \"GSM\"\r\n\r\nOK\r\n",
             "AT+CSCS=?", "+CSCS: (\"GSM\",\"IRA\",\"UCS2\")\r\n\r\nOK\r\n",
             "AT+CPBW=1,\"112\",129,\"a\x1B\x41\"", "+CME ERROR: 25\r\n",
             "AT+CPBW=1,\"112\",129,\"\xC3\xA9\"", "+CME ERROR: 25\r\n",
             "AT+CPBW=1,\"112\",129,\"a\x1B\x3D\x1B\x65\x11\"", "OK\r\n",
             "AT+CPBR=1", "+CPBR: 1,\"112\",129,\"a\x1B\x3D\x1B\x65\x11\"\r\n\r\nOK\r\n",
             "AT+CSCS=\"UCS2\"", "OK\r\n", "AT+CSCS?", "+CSCS: \"UCS2\"\r\n\r\nOK\r\n",
             "AT+CPBR=1", "\"0061007E20AC005F\"\r\n\r\nOK\r\n",
             "AT+CSCS=\"XYZ\"", "+CME ERROR: 4\r\n",
             "AT+CSCS=\"00490052004\x31\"", "OK\r\n", "AT+CSCS?", "+CSCS: \"IRA\"\r\n\r\nOK\r\n"}
        << L{"pb.SM.1=112,129,a~€_", "at.charset=IRA"};
    QTest::newRow("error modes and the PIN2's tries")
        << pb
        << L{"AT+CMEE?", "+CMEE: 1\r\n\r\nOK\r\n", "AT+CMEE=?", "+CMEE: (0-2)\r\n\r\nOK\r\n",
             "AT+CPBR=9", "+CME ERROR: 21\r\n", "AT+CMEE=0", "OK\r\n", "AT+CPBR=9", "\r\nERROR\r\n",
             "AT+CMEE=2", "OK\r\n", "AT+CPBR=9", "+CME ERROR: invalid index\r\n",
             "AT+CPINR=\"SIM PIN2\"", "+CPINR: SIM PIN2,3,3\r\n\r\nOK\r\n", "AT+CPBS=\"FD\"", "OK\r\n",
             "AT+CPIN=\"1111\"", "+CME ERROR: incorrect password\r\n",
             "AT+CPINR", "+CPINR: SIM PIN,3,3\r\n+CPINR: SIM PIN2,2,3\r\n\r\nOK\r\n"}
        << L{"at.cmee=2", "pin2.attempts=2"};
    QTest::newRow("empty location answered with an error") << pb + "pb.empty_error = 1\n"
                                                           << L{"AT+CPBR=3", "AT+CPBR=3\r\r\n+CME ERROR: 22\r\n"}
                                                           << L{};
    QTest::newRow("writing: quoted, unquoted, first free, erase")
        << pb
        << L{"AT+CPBW=3,\"112\",129,\"Novak, Petr!\"", "OK\r\n",
             "AT+CPBW=5,603111222,,Novak!", "OK\r\n",
             "AT+CPBW=,\"155\",129,\"Zachranka\"", "OK\r\n",
             "AT+CPBW=4", "OK\r\n",
             "AT+CPBW=2,\"112\",129,\"Abcdefghijklmno\"", "+CME ERROR: 24\r\n",
             "AT+CPBW=6,\"112\",129,\"X\"", "+CME ERROR: 21\r\n"}
        << L{"pb.SM.3=112,129,Novak, Petr!", "pb.SM.5=603111222,129,NOVAK!", "pb.SM.1=155,129,Zachranka",
             "pb.SM.4=", "pb.SM.2=+420603123456,145,Jan Novák"};
    QTest::newRow("read-only lists, LD cleared")
        << QByteArray("pb.seed = 0\npb.RC.1 = 112,129,\npb.LD.1 = 112,129,\npb.LD.2 = 158,129,\n")
        << L{"AT+CPBS=\"RC\"", "OK\r\n", "AT+CPBW=1", "+CME ERROR: 3\r\n", "AT+CPBS=\"LD\"", "OK\r\n",
             "AT^SDLD", "OK\r\n", "AT+CPBS?", "+CPBS: \"LD\",0,30\r\n\r\nOK\r\n"}
        << L{"pb.RC.1=112,129,", "pb.LD.1="};
    QTest::newRow("FD wants the PIN2 at each selection")
        << QByteArray("pb.seed = 0\npb.FD.1 = 112,129,SOS\n")
        << L{"AT+CPBS=\"FD\"", "OK\r\n", "AT+CPIN?", "+CPIN: SIM PIN2\r\n\r\nOK\r\n", "AT+CPBR=1", "+CME ERROR: 17\r\n",
             "AT+CPIN=\"5678\"", "OK\r\n", "AT+CPBR=1", "+CPBR: 1,\"112\",129,\"SOS\"\r\n\r\nOK\r\n",
             "AT+CPIN=\"5678\"", "+CME ERROR: 3\r\n", "AT+CPBS=\"FD\"", "OK\r\n", "AT+CPBR=1", "+CME ERROR: 17\r\n"}
        << L{"pin2.attempts=3"};
    QTest::newRow("PIN2 used up, PUK2 unblocks")
        << QByteArray()
        << L{"AT+CPBS=\"FD\"", "OK\r\n", "AT+CPIN=\"1\"", "+CME ERROR: 16\r\n", "AT+CPIN=\"2\"", "+CME ERROR: 16\r\n",
             "AT+CPIN=\"3\"", "+CME ERROR: 16\r\n", "AT+CPIN?", "+CPIN: SIM PUK2\r\n\r\nOK\r\n",
             "AT+CPIN=\"87654321\",\"2468\"", "OK\r\n", "AT+CPIN?", "+CPIN: READY\r\n\r\nOK\r\n"}
        << L{"pin2.attempts=3", "code.pin2=2468", "pin2.verified=1"};
    QTest::newRow("PIN wanted at power-on; SIM queries wait for it")
        << QByteArray("lock.sc = 1\n")
        << L{"AT+CPIN?", "+CPIN: SIM PIN\r\n\r\nOK\r\n", "AT+CIMI", "+CME ERROR: 11\r\n", "AT+CPBS?", "+CME ERROR: 11\r\n",
             "AT+CGMI", "TORVANE\r\n\r\nOK\r\n", "AT+CPIN=\"1234\"", "OK\r\n", "AT+CIMI", "230012345678901\r\n\r\nOK\r\n",
             "AT+CPIN=\"1234\"", "+CME ERROR: 3\r\n"}
        << L{"pin.wanted=READY", "pin.attempts=3"};
    QTest::newRow("PIN used up, PUK unblocks")
        << QByteArray("lock.sc = 1\n")
        << L{"AT+CPIN=\"1\"", "+CME ERROR: 16\r\n", "AT+CPIN=\"2\"", "+CME ERROR: 16\r\n", "AT+CPIN=\"3\"",
             "+CME ERROR: 16\r\n", "AT+CPIN?", "+CPIN: SIM PUK\r\n\r\nOK\r\n", "AT+CIMI", "+CME ERROR: 12\r\n",
             "AT+CPIN=\"11111111\",\"4321\"", "+CME ERROR: 16\r\n", "AT+CPIN=\"12345678\",\"4321\"", "OK\r\n"}
        << L{"pin.wanted=READY", "pin.attempts=3", "code.pin=4321"};
    QTest::newRow("registration with location, GPRS")
        << QByteArray()
        << L{"AT+CREG=2", "OK\r\n", "AT+CREG?", "+CREG: 2,1,\"0B5A\",\"2F13\"\r\n\r\nOK\r\n", "AT+CGREG?", "+CGREG: 0,1\r\n\r\nOK\r\n",
             "AT+CGREG=2", "OK\r\n", "AT+CGREG?", "+CGREG: 2,1,\"0B5A\",\"2F13\"\r\n\r\nOK\r\n", "AT+CGATT?", "+CGATT: 1\r\n\r\nOK\r\n",
             "AT+CGATT=0", "OK\r\n", "AT+CGREG?", "+CGREG: 2,0\r\n\r\nOK\r\n"}
        << L{"network.attached=0"};
    QTest::newRow("calls") << QByteArray()
                           << L{"ATA", "NO CARRIER\r\n", "ATDT603123456;", "OK\r\n", "ATH", "OK\r\n",
                                "ATD603123456", "NO CARRIER\r\n"}
                           << L{"call.state=idle", "call.log=dial 603123456;hangup 603123456",
                                "pb.LD.1=603123456,129,"};
    QTest::newRow("numeric result codes") << QByteArray()
                                          << L{"ATV0", "0\r", "AT", "AT\r0\r", "AT+NOPE", "AT+NOPE\r4\r",
                                               "ATA", "ATA\r3\r", "AT+CGMM", "AT+CGMM\rZenk\r\n0\r", "ATV1", "\r\nOK\r\n"}
                                          << L{};
    QTest::newRow("S3 and S4 frame the lines")
        << QByteArray()
        << L{"ATS4=33", "OK\r!", "AT+CGMM", "AT+CGMM\r\r!Zenk\r!\r!OK\r!", "ATS4=10", "OK\r\n"}
        << L{"at.s4=10"};
}

void TestPhonebookPeers::dialogue()
{
    QFETCH(QByteArray, state);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArrayList, keys);

    Handset h(state);
    QVERIFY(h.sim);
    RawLine modem(h.sim->modemPath());
    QVERIFY(modem.isOpen());
    for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
        QVERIFY(modem.write(script[i] + '\r'));
        const QByteArray got = modem.readUntil(script[i + 1]);
        QVERIFY2(got.endsWith(script[i + 1]), (script[i] + " gave " + got.toPercentEncoding(" \"+,:()!")).constData());
    }
    for (const QByteArray &kv : keys) {
        const qsizetype eq = kv.indexOf('=');
        QCOMPARE(h.get(kv.left(eq)), kv.mid(eq + 1));
    }
}

QTEST_GUILESS_MAIN(TestPhonebookPeers)
#include "tst_phonebookpeers.moc"
