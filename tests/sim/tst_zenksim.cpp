// The simulated handset's AT dialogue as a client on its modem port sees it,
// and its control socket and state file.

#include "rawline.h"
#include "simprocess.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TstZenksim : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void settings_data();
    void settings();
    void echoSwitch();
    void startOptions_data();
    void startOptions();
    void clockRunsFromTheSetTime();
    void control_data();
    void control();
    void logRecordsCommands();
    void controlClientThatNeverReads();
    void powerOffAndOn();
    void stateFile();
    void badStateFileIsRefused_data();
    void badStateFileIsRefused();
};

// Exact replies, echo included, with the default state.
void TstZenksim::answers_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");

    // Every query of the information readout, in its order.
    QTest::newRow("maker") << QByteArray("AT+CGMI") << QByteArray("AT+CGMI\r\r\nTORVANE\r\n\r\nOK\r\n");
    QTest::newRow("model") << QByteArray("AT+CGMM") << QByteArray("AT+CGMM\r\r\nZenk\r\n\r\nOK\r\n");
    QTest::newRow("firmware") << QByteArray("AT+CGMR")
                              << QByteArray("AT+CGMR\r\r\nZK_V1.04.12 2006-11-20\r\n\r\nOK\r\n");
    QTest::newRow("imei") << QByteArray("AT+CGSN") << QByteArray("AT+CGSN\r\r\n356938035643809\r\n\r\nOK\r\n");
    QTest::newRow("battery") << QByteArray("AT+CBC") << QByteArray("AT+CBC\r\r\n+CBC: 0,80\r\n\r\nOK\r\n");
    QTest::newRow("signal") << QByteArray("AT+CSQ") << QByteArray("AT+CSQ\r\r\n+CSQ: 21,99\r\n\r\nOK\r\n");
    QTest::newRow("operator") << QByteArray("AT+COPS?")
                              << QByteArray("AT+COPS?\r\r\n+COPS: 0,0,\"T-Mobile CZ\"\r\n\r\nOK\r\n");
    QTest::newRow("imsi") << QByteArray("AT+CIMI") << QByteArray("AT+CIMI\r\r\n230012345678901\r\n\r\nOK\r\n");
    QTest::newRow("sim number") << QByteArray("AT^SCID")
                                << QByteArray("AT^SCID\r\r\n^SCID: 8942001234567890123\r\n\r\nOK\r\n");
    QTest::newRow("sms centre") << QByteArray("AT+CSCA?")
                                << QByteArray("AT+CSCA?\r\r\n+CSCA: \"+420603052000\",145\r\n\r\nOK\r\n");
    QTest::newRow("ring level") << QByteArray("AT+CRSL?") << QByteArray("AT+CRSL?\r\r\n+CRSL: 3\r\n\r\nOK\r\n");
    QTest::newRow("speaker") << QByteArray("AT+CLVL?") << QByteArray("AT+CLVL?\r\r\n+CLVL: 2\r\n\r\nOK\r\n");
    QTest::newRow("alert mode") << QByteArray("AT+CALM?") << QByteArray("AT+CALM?\r\r\n+CALM: 0\r\n\r\nOK\r\n");
    // The PIN lock's state is the 8th character, the phone lock's the 9th.
    QTest::newRow("pin lock") << QByteArray("AT^SLCK=\"SC\",2")
                              << QByteArray("AT^SLCK=\"SC\",2\r\r\n^SLCK: 0\r\n\r\nOK\r\n");
    QTest::newRow("phone lock") << QByteArray("AT^SLCK=\"PS\",2")
                                << QByteArray("AT^SLCK=\"PS\",2\r\r\n^SLCK:  0\r\n\r\nOK\r\n");
    QTest::newRow("pin attempts") << QByteArray("AT^SPIC") << QByteArray("AT^SPIC\r\r\n^SPIC: 3\r\n\r\nOK\r\n");
    QTest::newRow("sim lock") << QByteArray("AT+CLCK=\"SC\",2")
                              << QByteArray("AT+CLCK=\"SC\",2\r\r\n+CLCK: 0\r\n\r\nOK\r\n");
    QTest::newRow("vibration") << QByteArray("AT+CVIB?") << QByteArray("AT+CVIB?\r\r\n+CVIB: 1\r\n\r\nOK\r\n");
    QTest::newRow("clir") << QByteArray("AT+CLIR?") << QByteArray("AT+CLIR?\r\r\n+CLIR: 0,4\r\n\r\nOK\r\n");
    QTest::newRow("mute") << QByteArray("AT+CMUT?") << QByteArray("AT+CMUT?\r\r\n+CMUT: 0\r\n\r\nOK\r\n");
    QTest::newRow("handsfree") << QByteArray("AT^SNFS?") << QByteArray("AT^SNFS?\r\r\n^SNFS: 0\r\n\r\nOK\r\n");
    QTest::newRow("charges") << QByteArray("AT+CPUC?")
                             << QByteArray("AT+CPUC?\r\r\n+CPUC: \"CZK\",\"2.50\"\r\n\r\nOK\r\n");

    // Command line syntax.
    QTest::newRow("bare AT") << QByteArray("AT") << QByteArray("AT\r\r\nOK\r\n");
    QTest::newRow("presence check") << QByteArray("ATE1") << QByteArray("ATE1\r\r\nOK\r\n");
    QTest::newRow("lower case") << QByteArray("at+cgmi") << QByteArray("at+cgmi\r\r\nTORVANE\r\n\r\nOK\r\n");
    QTest::newRow("two commands") << QByteArray("AT+CGMI;+CGMM")
                                  << QByteArray("AT+CGMI;+CGMM\r\r\nTORVANE\r\n\r\nZenk\r\n\r\nOK\r\n");
    QTest::newRow("blanks ignored") << QByteArray("AT + CGMM") << QByteArray("AT + CGMM\r\r\nZenk\r\n\r\nOK\r\n");
    QTest::newRow("noise before AT") << QByteArray("xyAT+CGMM") << QByteArray("xyAT+CGMM\r\r\nZenk\r\n\r\nOK\r\n");
    QTest::newRow("unknown command") << QByteArray("AT+CXYZ") << QByteArray("AT+CXYZ\r\r\nERROR\r\n");
    QTest::newRow("unknown stops the line") << QByteArray("AT+CGMM;+CXYZ;+CGMI")
                                            << QByteArray("AT+CGMM;+CXYZ;+CGMI\r\r\nZenk\r\n\r\nERROR\r\n");
    QTest::newRow("unterminated quote") << QByteArray("AT+CLCK=\"SC,2") << QByteArray("AT+CLCK=\"SC,2\r\r\nERROR\r\n");
    QTest::newRow("unknown facility") << QByteArray("AT+CLCK=\"XX\",2")
                                      << QByteArray("AT+CLCK=\"XX\",2\r\r\n+CME ERROR: 50\r\n");
    QTest::newRow("identification") << QByteArray("ATI")
                                    << QByteArray("ATI\r\r\nTORVANE\r\nZenk\r\nREVISION ZK_V1.04.12 2006-11-20\r\n\r\nOK\r\n");
    QTest::newRow("test command") << QByteArray("AT+CRSL=?") << QByteArray("AT+CRSL=?\r\r\n+CRSL: (1-5)\r\n\r\nOK\r\n");
}

void TstZenksim::answers()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.isOpen());
    QCOMPARE(modem.command(command), reply);
}

// A script of commands, each with the expected lines of its reply ("|" between
// lines, echo and blank lines left out), and the state keys afterwards.
void TstZenksim::settings_data()
{
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArrayList>("keys");

    using L = QByteArrayList;
    QTest::newRow("ring level") << L{"AT+CRSL=5", "OK", "AT+CRSL?", "+CRSL: 5|OK"} << L{"ring.level=5"};
    QTest::newRow("ring level 0 refused") << L{"AT+CRSL=0", "+CME ERROR: 50", "AT+CRSL?", "+CRSL: 3|OK"}
                                          << L{"ring.level=3"};
    QTest::newRow("speaker") << L{"AT+CLVL=4", "OK", "AT+CLVL?", "+CLVL: 4|OK"} << L{"speaker.level=4"};
    QTest::newRow("speaker out of range") << L{"AT+CLVL=5", "+CME ERROR: 50", "AT+CLVL=x", "+CME ERROR: 50"}
                                          << L{"speaker.level=2"};
    QTest::newRow("alert mode") << L{"AT+CALM=2", "OK", "AT+CALM?", "+CALM: 2|OK"} << L{"alert.mode=2"};
    QTest::newRow("key lock") << L{"at+clck=\"CS\",1", "OK", "AT+CLCK=\"CS\",2", "+CLCK: 1|OK"} << L{"lock.cs=1"};
    QTest::newRow("vibration") << L{"at+cvib=0", "OK", "AT+CVIB?", "+CVIB: 0|OK"} << L{"vibration=0"};
    QTest::newRow("clir") << L{"AT+CLIR=1", "OK", "AT+CLIR?", "+CLIR: 1,4|OK"} << L{"clir.mode=1"};
    QTest::newRow("mute") << L{"AT+CMUT=1", "OK", "AT+CMUT?", "+CMUT: 1|OK"} << L{"mute=1"};
    QTest::newRow("pin lock on") << L{"at^slck=\"SC\",1,1234", "OK", "AT^SLCK=\"SC\",2", "^SLCK: 1|OK",
                                      "AT+CLCK=\"SC\",2", "+CLCK: 1|OK"}
                                 << L{"lock.sc=1", "pin.attempts=3"};
    QTest::newRow("pin lock wrong code") << L{"at^slck=\"SC\",1,9999", "+CME ERROR: 16", "AT^SLCK=\"SC\",2",
                                              "^SLCK: 0|OK", "AT^SPIC", "^SPIC: 2|OK"}
                                         << L{"lock.sc=0", "pin.attempts=2"};
    QTest::newRow("pin blocked") << L{"at^slck=\"SC\",1,1", "+CME ERROR: 16", "at^slck=\"SC\",1,2", "+CME ERROR: 16",
                                      "at^slck=\"SC\",1,3", "+CME ERROR: 16", "at^slck=\"SC\",1,1234",
                                      "+CME ERROR: 12", "AT+CPIN?", "+CPIN: SIM PUK|OK"}
                                 << L{"lock.sc=0", "pin.attempts=0"};
    QTest::newRow("phone lock on") << L{"at^slck=\"PS\",1,0000", "OK", "AT^SLCK=\"PS\",2", "^SLCK:  1|OK"}
                                   << L{"lock.ps=1"};
    QTest::newRow("phone lock wrong code") << L{"at^slck=\"PS\",1,1234", "+CME ERROR: 16", "AT^SLCK=\"PS\",2",
                                                "^SLCK:  0|OK"}
                                           << L{"lock.ps=0"};
    QTest::newRow("change pin") << L{"AT+CPWD=\"SC\",1234,4321", "OK", "at^slck=\"SC\",1,1234", "+CME ERROR: 16",
                                     "at^slck=\"SC\",1,4321", "OK"}
                                << L{"code.pin=4321", "lock.sc=1"};
    QTest::newRow("change pin wrong old") << L{"AT+CPWD=\"SC\",1111,4321", "+CME ERROR: 16"} << L{"code.pin=1234"};
    QTest::newRow("change pin2") << L{"AT+CPWD=\"P2\",5678,8765", "OK"} << L{"code.pin2=8765"};
    QTest::newRow("change pin2 wrong old") << L{"AT+CPWD=\"P2\",1234,8765", "+CME ERROR: 16"}
                                           << L{"code.pin2=5678", "pin2.attempts=2"};
    QTest::newRow("change phone code") << L{"AT+CPWD=\"PS\",0000,12345678", "OK"} << L{"code.phone=12345678"};
    QTest::newRow("new code not digits") << L{"AT+CPWD=\"PS\",0000,12a", "+CME ERROR: 50"} << L{"code.phone=0000"};
    QTest::newRow("dtmf") << L{"AT+VTS=0123456789", "OK", "AT+VTS=#*", "OK"}
                          << L{"dtmf.last=#*", "dtmf.sent=0123456789#*"};
    QTest::newRow("dtmf bad tone") << L{"AT+VTS=12X", "+CME ERROR: 50"} << L{"dtmf.sent="};
    QTest::newRow("dtmf duration") << L{"AT+VTD=11", "OK", "AT+VTD?", "+VTD: 11|OK"} << L{"dtmf.duration=11"};
    QTest::newRow("clock one-digit hour") << L{"AT+CCLK=\"06/12/08,9:05:07\"", "OK"}
                                          << L{"clock.set=06/12/08,9:05:07"};
    QTest::newRow("clock bad date") << L{"AT+CCLK=\"06/13/08,9:05:07\"", "+CME ERROR: 50", "AT+CCLK=\"06/02/30,9:05:07\"",
                                         "+CME ERROR: 50", "AT+CCLK=\"6/12/08,9:05:07\"", "+CME ERROR: 50"}
                                    << L{"clock.set=", "clock.offset=0"};
    QTest::newRow("charges need pin2") << L{"AT+CPUC=\"EUR\",\"0.10\"", "+CME ERROR: 17",
                                            "AT+CPUC=\"EUR\",\"0.10\",\"5678\"", "OK", "AT+CPUC?",
                                            "+CPUC: \"EUR\",\"0.10\"|OK"}
                                       << L{"charges.currency=EUR"};
    QTest::newRow("error modes") << L{"AT+CMEE=0", "OK", "at^slck=\"SC\",1,9", "ERROR", "AT+CMEE=2", "OK",
                                      "at^slck=\"SC\",1,9", "+CME ERROR: incorrect password"}
                                 << L{"at.cmee=2"};
    QTest::newRow("ucs2 texts") << L{"AT+CSCS=\"UCS2\"", "OK", "AT+COPS?",
                                     "+COPS: 0,0,\"0054002D004D006F00620069006C006500200043005A\"|OK"}
                                << L{"at.charset=UCS2"};
    QTest::newRow("reset") << L{"ATE0", "OK", "AT+CMEE=0", "OK", "ATZ", "OK"} << L{"at.echo=1", "at.cmee=1"};
}

void TstZenksim::settings()
{
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArrayList, keys);
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.isOpen());
    for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
        const QByteArray reply = modem.command(script[i]);
        QCOMPARE(RawLine::lines(reply, script[i]), script[i + 1]);
    }
    for (const QByteArray &kv : keys) {
        const qsizetype eq = kv.indexOf('=');
        QCOMPARE(sim.control("get " + kv.left(eq)), kv.mid(eq + 1) + '\n');
    }
}

void TstZenksim::echoSwitch()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.isOpen());
    QCOMPARE(modem.command("ATE0"), QByteArray("ATE0\r\r\nOK\r\n"));  // echoed before it takes effect
    QCOMPARE(modem.command("AT+CGMM"), QByteArray("\r\nZenk\r\n\r\nOK\r\n"));
    QCOMPARE(modem.command("ATE1"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(modem.command("AT+CGMM"), QByteArray("AT+CGMM\r\r\nZenk\r\n\r\nOK\r\n"));
    // Echo follows the bytes as they come, also those of a line in pieces.
    QVERIFY(modem.write("AT+C"));
    QCOMPARE(modem.readUntil("AT+C"), QByteArray("AT+C"));
    QVERIFY(modem.write("GMI\r"));
    QCOMPARE(modem.readReply(), QByteArray("GMI\r\r\nTORVANE\r\n\r\nOK\r\n"));
    // "A/" repeats the last line at once.
    QVERIFY(modem.write("A/"));
    QCOMPARE(modem.readReply(), QByteArray("A/\r\nTORVANE\r\n\r\nOK\r\n"));
}

void TstZenksim::startOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("no echo") << QStringList{"--no-echo"} << QByteArray("\r\nTORVANE\r\n\r\nOK\r\n");
    QTest::newRow("maker") << QStringList{"--maker", "ACME Mobile"} << QByteArray("AT+CGMI\r\r\nACME Mobile\r\n\r\nOK\r\n");
    QTest::newRow("latency") << QStringList{"--latency", "50"} << QByteArray("AT+CGMI\r\r\nTORVANE\r\n\r\nOK\r\n");
}

void TstZenksim::startOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, reply);
    SimProcess sim(args);
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(modem.command("AT+CGMI"), reply);
}

void TstZenksim::clockRunsFromTheSetTime()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(RawLine::lines(modem.command("AT+CCLK=\"06/12/08,9:05:07+08\""), "AT+CCLK=\"06/12/08,9:05:07+08\""),
             QByteArray("OK"));
    const QByteArray reply = RawLine::lines(modem.command("AT+CCLK?"), "AT+CCLK?");
    const QRegularExpression re(QStringLiteral("^\\+CCLK: \"(\\d\\d/\\d\\d/\\d\\d,\\d\\d:\\d\\d:\\d\\d)\\+08\"\\|OK$"));
    const auto m = re.match(QString::fromLatin1(reply));
    QVERIFY2(m.hasMatch(), reply.constData());
    const QDateTime set(QDate(2006, 12, 8), QTime(9, 5, 7));
    const QDateTime read = QDateTime::fromString(m.captured(1), QStringLiteral("yy/MM/dd,HH:mm:ss")).addYears(100);
    QVERIFY2(read >= set && read < set.addSecs(3600), qPrintable(read.toString()));
}

void TstZenksim::control_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("get") << QByteArray("get code.pin") << QByteArray("1234\n");
    QTest::newRow("get unknown") << QByteArray("get no.such") << QByteArray("ERROR unknown key no.such\n");
    QTest::newRow("set unknown") << QByteArray("set no.such 1") << QByteArray("ERROR unknown key no.such\n");
    QTest::newRow("set quoted") << QByteArray("set operator.name \"O2 - CZ\"") << QByteArray("OK\n");
    QTest::newRow("bad quote") << QByteArray("set operator.name \"O2") << QByteArray("ERROR badly quoted value\n");
    QTest::newRow("unknown command") << QByteArray("fly") << QByteArray("ERROR unknown command fly (try help)\n");
    QTest::newRow("power what") << QByteArray("power up") << QByteArray("ERROR expected power on or power off\n");
    // Keys with a type take only their values.
    QTest::newRow("set number in range") << QByteArray("set ring.level 5") << QByteArray("OK\n");
    QTest::newRow("set number out of range") << QByteArray("set ring.level 6")
                                             << QByteArray("ERROR bad value for ring.level: expected 1..5\n");
    QTest::newRow("set number that is no number") << QByteArray("set battery.charge lots")
                                                  << QByteArray("ERROR bad value for battery.charge: expected 0..100\n");
    QTest::newRow("set signal unknown") << QByteArray("set signal.rssi 99") << QByteArray("OK\n");
    QTest::newRow("set signal beyond 31") << QByteArray("set signal.rssi 40")
                                          << QByteArray("ERROR bad value for signal.rssi: expected 0..31 or 99\n");
    QTest::newRow("set boolean") << QByteArray("set lock.sc 2")
                                 << QByteArray("ERROR bad value for lock.sc: expected 0 or 1\n");
    QTest::newRow("set enumeration") << QByteArray("set at.charset UCS2") << QByteArray("OK\n");
    QTest::newRow("set enumeration, other word") << QByteArray("set at.charset UTF8")
                                                 << QByteArray("ERROR bad value for at.charset: expected GSM, IRA or UCS2\n");
    QTest::newRow("set text key takes any text") << QByteArray("set imei 12") << QByteArray("OK\n");
}

void TstZenksim::control()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimProcess sim;
    QVERIFY(sim.start());
    QCOMPARE(sim.control(command), reply);
}

void TstZenksim::logRecordsCommands()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(sim.control("set signal.rssi 7"), QByteArray("OK\n"));
    QCOMPARE(RawLine::lines(modem.command("AT+CSQ"), "AT+CSQ"), QByteArray("+CSQ: 7,99|OK"));
    QCOMPARE(sim.control("set operator.name \"O2 - CZ\""), QByteArray("OK\n"));
    QCOMPARE(RawLine::lines(modem.command("at+cops?"), "at+cops?"), QByteArray("+COPS: 0,0,\"O2 - CZ\"|OK"));
    modem.command("AT+CXYZ");
    QCOMPARE(sim.control("log"), QByteArray("AT+CSQ\nat+cops?\nAT+CXYZ\n"));
    QCOMPARE(sim.control("log clear"), QByteArray("OK\n"));
    QCOMPARE(sim.control("log"), QByteArray());
    const QByteArray dump = sim.control("dump");
    QVERIFY(dump.contains("\noperator.name = O2 - CZ\n"));
    QVERIFY(dump.contains("\nsignal.rssi = 7\n"));
}

void TstZenksim::controlClientThatNeverReads()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    // A reply far larger than the socket's buffer.
    const QByteArray big(400000, 'x');
    QCOMPARE(sim.control("set operator.name " + big), QByteArray("OK\n"));

    const int stalled = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(stalled >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, sim.controlPath().toLocal8Bit().constData(), sizeof addr.sun_path - 1);
    QCOMPARE(::connect(stalled, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    QCOMPARE(::write(stalled, "get operator.name\n", 18), ssize_t(18));

    // Meanwhile the ports and other clients are answered as usual.
    QCOMPARE(RawLine::lines(modem.command("AT+CGMI", 1500), "AT+CGMI"), QByteArray("TORVANE|OK"));
    QCOMPARE(sim.control("get maker", 1500), QByteArray("TORVANE\n"));
    // And a client that reads gets the whole reply.
    QCOMPARE(sim.control("get operator.name", 10000), big + "\n");
    ::close(stalled);
}

void TstZenksim::powerOffAndOn()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(modem.command("ATE0"), QByteArray("ATE0\r\r\nOK\r\n"));
    QCOMPARE(modem.command("AT^SMSO"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(sim.control("get power"), QByteArray("off\n"));
    QVERIFY(modem.write("AT+CGMI\r"));
    QCOMPARE(modem.readFor(300), QByteArray());  // switched off: no echo, no answer
    QCOMPARE(sim.control("power on"), QByteArray("OK\n"));
    // Powered up again with the session defaults: echo is back on.
    QCOMPARE(modem.command("AT+CGMI"), QByteArray("AT+CGMI\r\r\nTORVANE\r\n\r\nOK\r\n"));
}

void TstZenksim::stateFile()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("# a handset with a weak battery\n"
               "battery.charge = 15\n"
               "  operator.name  =  \"Vodafone CZ\"  \n"
               "\n"
               "code.pin = 0000\n"
               "at.echo = 0\n");
    file.close();
    SimProcess sim({"--state", file.fileName()});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(modem.command("AT+CBC;+COPS?"),
             QByteArray("\r\n+CBC: 0,15\r\n\r\n+COPS: 0,0,\"Vodafone CZ\"\r\n\r\nOK\r\n"));
    QCOMPARE(modem.command("AT^SLCK=\"SC\",1,0000"), QByteArray("\r\nOK\r\n"));
    // Missing keys keep their defaults.
    QCOMPARE(sim.control("get model"), QByteArray("Zenk\n"));
}

void TstZenksim::badStateFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no equals sign") << QByteArray("battery.charge 15\n");
    QTest::newRow("unknown key") << QByteArray("battery.charg = 15\n");
    QTest::newRow("bad quoting") << QByteArray("operator.name = \"open\n");
}

void TstZenksim::badStateFileIsRefused()
{
    QFETCH(QByteArray, content);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(content);
    file.close();
    SimProcess sim({"--state", file.fileName()});
    QVERIFY(!sim.start(5000));
}

QTEST_GUILESS_MAIN(TstZenksim)
#include "tst_zenksim.moc"
