// The information readout: the cutting rules on single answers, and the whole
// 23-query sequence through the real serial layer against a scripted handset.

#include "attransport.h"
#include "comport.h"
#include "phoneinfo.h"
#include "pty.h"
#include "scriptedmodem.h"

#include <QTest>

#include <atomic>

using Answers = QHash<QByteArray, QByteArray>;  // command without CR -> answer line

class TestPhoneInfo : public QObject
{
    Q_OBJECT

private slots:
    void cut_data();
    void cut();
    void positions_data();
    void positions();

    void readout();
    void makerAndModelOnly();
    void rejectedQueries();
    void settings_data();
    void settings();
    void faultyLine_data();
    void faultyLine();
    void endsEarly_data();
    void endsEarly();
    void overrunReply_data();
    void overrunReply();
};

namespace {

const QByteArray Searching("Vyhled\xE1v\xE1 s\xEDt\xB4");

QByteArray optionalText(const std::optional<int> &v)
{
    return v ? QByteArray::number(*v) : QByteArray("none");
}

QByteArray optionalText(const std::optional<bool> &v)
{
    return v ? QByteArray(*v ? "checked" : "unchecked") : QByteArray("none");
}

// A handset with answers for the whole readout; the SIM number query gets its
// answer in a piece of its own after the echo, as a USB link delivers it.
const Answers &typicalAnswers()
{
    static const Answers answers{
        {"AT+CGMI", "TORVANE"},
        {"AT+CGMM", "ZENK"},
        {"AT+CGMR", "ZK_1.04.2"},
        {"AT+CGSN", "351234567890123"},
        {"AT+CBC", "+CBC: 0,80"},
        {"AT+CSQ", "+CSQ: 15,99"},
        {"AT+COPS?", "+COPS: 0,0,\"T-Mobile CZ\""},
        {"AT+CIMI", "230011234567890"},
        {"AT^SCID", "^SCID: 8942001234567890123"},
        {"AT+CSCA?", "+CSCA: \"+420603052000\",145"},
        {"AT+CCLK?", "+CCLK: \"26/12/10,03:51:43\""},
        {"AT+CRSL?", "+CRSL: 3"},
        {"AT+CLVL?", "+CLVL: 3"},
        {"AT+CALM?", "+CALM: 1"},
        {"AT^SLCK=\"SC\",2", "^SLCK: 1"},
        {"AT^SLCK=\"PS\",2", "^SLCK:  1"},
        {"AT^SPIC", "^SPIC: 3"},
        {"AT+CLCK=\"SC\",2", "+CLCK: 0"},
        {"AT+CVIB?", "+CVIB: 1"},
        {"AT+CLIR?", "+CLIR: 0,2"},
        {"AT+CMUT?", "+CMUT: 1"},
        {"AT^SNFS?", "^SNFS: 0"},
        {"AT+CPUC?", "+CPUC: \"CZK\",\"2.50\""},
    };
    return answers;
}

const QList<QByteArray> AllQueries{
    "AT+CGMI", "AT+CGMM", "AT+CGMR", "AT+CGSN", "AT+CBC", "AT+CSQ", "AT+COPS?", "AT+CIMI",
    "AT^SCID", "AT+CSCA?", "AT+CCLK?", "AT+CRSL?", "AT+CLVL?", "AT+CALM?",
    "AT^SLCK=\"SC\",2", "AT^SLCK=\"PS\",2", "AT^SPIC", "AT+CLCK=\"SC\",2", "AT+CVIB?",
    "AT+CLIR?", "AT+CMUT?", "AT^SNFS?", "AT+CPUC?"};

// Reshapes the handset's reply text to a command before it is written.
using Shape = std::function<QByteArray(const QByteArray &command, const QByteArray &reply)>;
// Cuts the reply text into the pieces written (ScriptedModem::pause among
// them); by default the echo and the rest.
using Cut = std::function<QList<QByteArray>(const QByteArray &command, const QByteArray &reply)>;

// Runs the readout against a scripted handset; a command missing from
// answers is rejected with ERROR.
struct Readout
{
    Readout(const Answers &answers, bool makerAndModelOnly = false, const Shape &shape = {},
            const ReadoutControl &control = {}, const Cut &cut = {})
    {
        PtyPair pty;
        if (!pty.isValid())
            return;
        ScriptedModem modem(pty, [&](const QByteArray &command) {
            QByteArray text = answers.contains(command)
                                  ? ScriptedModem::reply(command, answers.value(command))
                                  : command + "\r\r\nERROR\r\n";
            if (shape)
                text = shape(command, text);
            if (text.isEmpty())
                return QList<QByteArray>{};
            if (cut)
                return cut(command, text);
            return QList<QByteArray>{text.left(command.size() + 1),
                                     text.mid(command.size() + 1)};
        }, 3);
        TComPort port(QStringLiteral("ComPort1"));
        port.setPort(pty.slavePath());
        port.OpenPort();
        ReadoutControl steer = control;
        steer.progress = [this](int position) { progress.append(position); };
        info = ReadPhoneInfo(port, makerAndModelOnly, steer);
        port.ClosePort();
        commands = modem.commands();
    }

    PhoneInfo info;
    QList<int> progress;
    QList<QByteArray> commands;
};

} // namespace

void TestPhoneInfo::cut_data()
{
    QTest::addColumn<QByteArray>("rule");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("battery") << QByteArray("battery") << QByteArray("+CBC: 0,80")
                             << QByteArray("80 %");
    QTest::newRow("battery rejected") << QByteArray("battery") << QByteArray("ERROR")
                                      << QByteArray("ERROR %");
    QTest::newRow("battery silent") << QByteArray("battery") << QByteArray() << QByteArray();

    QTest::newRow("signal 99") << QByteArray("signal") << QByteArray("+CSQ: 99,99")
                               << QByteArray("???");
    QTest::newRow("signal 31") << QByteArray("signal") << QByteArray("+CSQ: 31,99")
                               << QByteArray("-51 dBm   100%");
    QTest::newRow("signal 15") << QByteArray("signal") << QByteArray("+CSQ: 15,0")
                               << QByteArray("-83 dBm   49%");
    QTest::newRow("signal 0") << QByteArray("signal") << QByteArray("+CSQ: 0,99")
                              << QByteArray("-113 dBm   0%");
    // Beyond 31 the level goes through the unsigned 8-bit value: 32 to 56 give
    // levels above -51 dBm, 57 to 98 wrap round below -113 dBm.
    QTest::newRow("signal 32") << QByteArray("signal") << QByteArray("+CSQ: 32,99")
                               << QByteArray("-49 dBm   103%");
    QTest::newRow("signal 56") << QByteArray("signal") << QByteArray("+CSQ: 56,99")
                               << QByteArray("-1 dBm   181%");
    QTest::newRow("signal 57") << QByteArray("signal") << QByteArray("+CSQ: 57,99")
                               << QByteArray("-255 dBm   -230%");
    QTest::newRow("signal 98") << QByteArray("signal") << QByteArray("+CSQ: 98,99")
                               << QByteArray("-173 dBm   -97%");
    QTest::newRow("signal not a number") << QByteArray("signal") << QByteArray("+CSQ: x,99")
                                         << QByteArray("???");
    QTest::newRow("signal rejected") << QByteArray("signal") << QByteArray("+CME ERROR: 30")
                                     << QByteArray("???");
    QTest::newRow("signal without comma") << QByteArray("signal") << QByteArray("+CSQ: 15")
                                          << QByteArray("???");
    QTest::newRow("signal silent") << QByteArray("signal") << QByteArray() << QByteArray("???");

    QTest::newRow("operator") << QByteArray("operator")
                              << QByteArray("+COPS: 0,0,\"T-Mobile CZ\"")
                              << QByteArray("T-Mobile CZ");
    QTest::newRow("operator searching") << QByteArray("operator") << QByteArray("+COPS: 0")
                                        << Searching;
    QTest::newRow("operator unclosed quote") << QByteArray("operator")
                                             << QByteArray("+COPS: 0,0,\"T-Mob") << Searching;
    QTest::newRow("operator silent") << QByteArray("operator") << QByteArray() << Searching;

    QTest::newRow("SIM number") << QByteArray("simNumber")
                                << QByteArray("\r\n^SCID: 8942001234567890123\r\n\r\nOK\r\n")
                                << QByteArray("8942001234567890123");
    QTest::newRow("SIM number rejected") << QByteArray("simNumber")
                                         << QByteArray("\r\nERROR\r\n") << QByteArray();
    QTest::newRow("SIM number not ended") << QByteArray("simNumber")
                                          << QByteArray("\r\n^SCID: 894200") << QByteArray();

    QTest::newRow("SMS centre") << QByteArray("smsCentre")
                                << QByteArray("+CSCA: \"+420603052000\",145")
                                << QByteArray("420603052000");
    QTest::newRow("SMS centre without comma") << QByteArray("smsCentre")
                                              << QByteArray("+CSCA: \"+420603052000\"")
                                              << QByteArray();
    QTest::newRow("SMS centre rejected") << QByteArray("smsCentre") << QByteArray("ERROR")
                                         << QByteArray();
    // Cut by its quotes, not at a fixed position: a national number has no "+".
    QTest::newRow("SMS centre national") << QByteArray("smsCentre")
                                         << QByteArray("+CSCA: \"0603052000\",129")
                                         << QByteArray("0603052000");
    QTest::newRow("SMS centre number international")
        << QByteArray("smsCentreNumber") << QByteArray("+CSCA: \"+420603052000\",145")
        << QByteArray("+420603052000");
    QTest::newRow("SMS centre number of type 145 without its +")
        << QByteArray("smsCentreNumber") << QByteArray("+CSCA: \"420603052000\",145")
        << QByteArray("+420603052000");
    QTest::newRow("SMS centre number national") << QByteArray("smsCentreNumber")
                                                << QByteArray("+CSCA: \"0603052000\",129")
                                                << QByteArray("0603052000");
    QTest::newRow("SMS centre number unclosed quote") << QByteArray("smsCentreNumber")
                                                      << QByteArray("+CSCA: \"06030,129")
                                                      << QByteArray();

    QTest::newRow("charges") << QByteArray("charges") << QByteArray("+CPUC: \"CZK\",\"2.50\"")
                             << QByteArray("2.50 CZK");
    QTest::newRow("charges rejected") << QByteArray("charges") << QByteArray("ERROR")
                                      << QByteArray(" ");
    QTest::newRow("charges one field") << QByteArray("charges") << QByteArray("+CPUC: \"CZK\"")
                                       << QByteArray(" CZK");
}

void TestPhoneInfo::cut()
{
    QFETCH(QByteArray, rule);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, text);

    const QHash<QByteArray, QByteArray (*)(const QByteArray &)> rules{
        {"battery", InfoCut::battery},     {"signal", InfoCut::signal},
        {"operator", InfoCut::operatorName}, {"simNumber", InfoCut::simNumber},
        {"smsCentre", InfoCut::smsCentre}, {"smsCentreNumber", InfoCut::smsCentreNumber},
        {"charges", InfoCut::charges}};
    QVERIFY(rules.contains(rule));
    QCOMPARE(rules.value(rule)(answer), text);
}

void TestPhoneInfo::positions_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("k");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("digit");  // -1: none

    QTest::newRow("digit at 8") << QByteArray("+CRSL: 3") << 8 << true << 3;
    QTest::newRow("too short for 9") << QByteArray("^SLCK: 1") << 9 << false << -1;
    QTest::newRow("comma at 9") << QByteArray("+CLIR: 0,2") << 9 << true << -1;
    QTest::newRow("error") << QByteArray("+CME ERROR: 3") << 8 << false << -1;
    QTest::newRow("not a digit") << QByteArray("+CALM: x") << 8 << true << -1;
    QTest::newRow("empty") << QByteArray() << 8 << false << -1;
}

void TestPhoneInfo::positions()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, k);
    QFETCH(bool, valid);
    QFETCH(int, digit);

    QCOMPARE(InfoCut::validFor(answer, k), valid);
    QCOMPARE(InfoCut::digitAt(answer, k).value_or(-1), digit);
}

void TestPhoneInfo::readout()
{
    const Readout r(typicalAnswers());
    QCOMPARE(r.commands, AllQueries);
    QList<int> progress{1, 3, 2};
    for (int i = 4; i <= 23; ++i)
        progress.append(i);
    QCOMPARE(r.progress, progress);

    const PhoneInfo &info = r.info;
    QVERIFY(info.complete);
    QCOMPARE(info.Vyrobce, QByteArray("TORVANE"));
    QCOMPARE(info.model, QByteArray("ZENK"));
    QCOMPARE(info.VerzeGSM, QByteArray("ZK_1.04.2"));
    QCOMPARE(info.IMEI, QByteArray("351234567890123"));
    QCOMPARE(info.Baterie, QByteArray("80 %"));
    QCOMPARE(info.Signal, QByteArray("-83 dBm   49%"));
    QCOMPARE(info.Operator, QByteArray("T-Mobile CZ"));
    QCOMPARE(info.IMSI, QByteArray("230011234567890"));
    QCOMPARE(info.cisloSIM, QByteArray("8942001234567890123"));
    QCOMPARE(info.strediskoSMS, QByteArray("420603052000"));
    QCOMPARE(info.clock, QByteArray("+CCLK: \"26/12/10,03:51:43\""));
    QCOMPARE(info.Poplatky, QByteArray("2.50 CZK"));
    QCOMPARE(optionalText(info.ringIndex), QByteArray("2"));
    QCOMPARE(optionalText(info.speakerIndex), QByteArray("3"));
    QCOMPARE(optionalText(info.alertIndex), QByteArray("1"));
    QCOMPARE(optionalText(info.pinLock), QByteArray("checked"));
    QCOMPARE(optionalText(info.simBinding), QByteArray("checked"));
    QCOMPARE(optionalText(info.keyLock), QByteArray("unchecked"));
    QCOMPARE(optionalText(info.vibration), QByteArray("checked"));
    QCOMPARE(optionalText(info.microphoneMute), QByteArray("checked"));
    QCOMPARE(optionalText(info.handsFree), QByteArray("unchecked"));
}

void TestPhoneInfo::makerAndModelOnly()
{
    const Readout r(typicalAnswers(), true);
    QCOMPARE(r.commands, (QList<QByteArray>{"AT+CGMI", "AT+CGMM"}));
    QCOMPARE(r.progress, (QList<int>{1, 3}));
    QVERIFY(!r.info.complete);
    QCOMPARE(r.info.Vyrobce, QByteArray("TORVANE"));
    QCOMPARE(r.info.model, QByteArray("ZENK"));
}

void TestPhoneInfo::rejectedQueries()
{
    // Every query rejected: the readout still runs to its end, the text rows
    // show what the cutting leaves, and no control is touched.
    const Readout r({});
    QCOMPARE(r.commands, AllQueries);
    const PhoneInfo &info = r.info;
    QVERIFY(info.complete);
    for (const QByteArray &row : {info.Vyrobce, info.model, info.VerzeGSM, info.IMEI, info.IMSI})
        QCOMPARE(row, QByteArray("ERROR"));
    QCOMPARE(info.Baterie, QByteArray("ERROR %"));
    QCOMPARE(info.Signal, QByteArray("???"));
    QCOMPARE(info.Operator, Searching);
    QCOMPARE(info.cisloSIM, QByteArray());
    QCOMPARE(info.strediskoSMS, QByteArray());
    QCOMPARE(info.Poplatky, QByteArray(" "));
    QVERIFY(!info.ringIndex && !info.speakerIndex && !info.alertIndex);
    QVERIFY(!info.pinLock && !info.simBinding && !info.keyLock && !info.vibration);
    QVERIFY(!info.microphoneMute && !info.handsFree);
}

void TestPhoneInfo::settings_data()
{
    QTest::addColumn<Answers>("answers");  // the only queries answered; the rest get ERROR
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QByteArray>("state");

    QTest::newRow("ring level 3 is item 2") << Answers{{"AT+CRSL?", "+CRSL: 3"}}
                                            << QByteArray("ring") << QByteArray("2");
    QTest::newRow("ring level 0 has no item") << Answers{{"AT+CRSL?", "+CRSL: 0"}}
                                              << QByteArray("ring") << QByteArray("none");
    QTest::newRow("ring level not a number") << Answers{{"AT+CRSL?", "+CRSL: ?"}}
                                             << QByteArray("ring") << QByteArray("none");
    QTest::newRow("speaker level 3 is item 3") << Answers{{"AT+CLVL?", "+CLVL: 3"}}
                                               << QByteArray("speaker") << QByteArray("3");
    QTest::newRow("speaker level beyond the items") << Answers{{"AT+CLVL?", "+CLVL: 7"}}
                                                    << QByteArray("speaker") << QByteArray("none");
    QTest::newRow("alert mode 1") << Answers{{"AT+CALM?", "+CALM: 1"}} << QByteArray("alert")
                                  << QByteArray("1");
    QTest::newRow("PIN lock from 8 characters")
        << Answers{{"AT^SLCK=\"SC\",2", "^SLCK: 1"}} << QByteArray("pinLock")
        << QByteArray("checked");
    QTest::newRow("SIM binding needs 9 characters")
        << Answers{{"AT^SLCK=\"PS\",2", "^SLCK: 1"}} << QByteArray("simBinding")
        << QByteArray("none");
    QTest::newRow("SIM binding from position 9")
        << Answers{{"AT^SLCK=\"PS\",2", "^SLCK:  1"}} << QByteArray("simBinding")
        << QByteArray("checked");
    QTest::newRow("key lock off") << Answers{{"AT+CLCK=\"SC\",2", "+CLCK: 0"}}
                                  << QByteArray("keyLock") << QByteArray("unchecked");
    QTest::newRow("vibration on") << Answers{{"AT+CVIB?", "+CVIB: 1"}}
                                  << QByteArray("vibration") << QByteArray("checked");
    QTest::newRow("CLIR n,m leaves item 2 unchecked")
        << Answers{{"AT+CLIR?", "+CLIR: 1,2"}} << QByteArray("mute") << QByteArray("unchecked");
    QTest::newRow("mute answer decides item 2")
        << Answers{{"AT+CLIR?", "+CLIR: 1,2"}, {"AT+CMUT?", "+CMUT: 1"}} << QByteArray("mute")
        << QByteArray("checked");
    QTest::newRow("rejected mute answer keeps CLIR's")
        << Answers{{"AT+CLIR?", "+CLIR: 1,1"}} << QByteArray("mute") << QByteArray("unchecked");
    QTest::newRow("hands-free on") << Answers{{"AT^SNFS?", "^SNFS: 1"}}
                                   << QByteArray("handsFree") << QByteArray("checked");
}

void TestPhoneInfo::settings()
{
    QFETCH(Answers, answers);
    QFETCH(QByteArray, control);
    QFETCH(QByteArray, state);

    const PhoneInfo info = Readout(answers).info;
    const QHash<QByteArray, QByteArray> states{
        {"ring", optionalText(info.ringIndex)},
        {"speaker", optionalText(info.speakerIndex)},
        {"alert", optionalText(info.alertIndex)},
        {"pinLock", optionalText(info.pinLock)},
        {"simBinding", optionalText(info.simBinding)},
        {"keyLock", optionalText(info.keyLock)},
        {"vibration", optionalText(info.vibration)},
        {"mute", optionalText(info.microphoneMute)},
        {"handsFree", optionalText(info.handsFree)}};
    QVERIFY(states.contains(control));
    QCOMPARE(states.value(control), state);
}

void TestPhoneInfo::faultyLine_data()
{
    QTest::addColumn<Shape>("shape");

    // Where real handsets put unsolicited result codes: inside a reply, in
    // front of the echo (a call or cell change arriving between two queries)
    // and after the final line.
    QTest::newRow("RING inside every reply") << Shape([](const QByteArray &c, const QByteArray &r) {
        return QByteArray(r).insert(c.size() + 1, "\r\nRING\r\n");
    });
    QTest::newRow("+CREG and +CMTI before every echo") << Shape([](const QByteArray &, const QByteArray &r) {
        return "\r\n+CREG: 1\r\n\r\n+CMTI: \"SM\",4\r\n" + r;
    });
    QTest::newRow("+CRING after every final line") << Shape([](const QByteArray &, const QByteArray &r) {
        return r + "\r\n+CRING: VOICE\r\n";
    });
    QTest::newRow("junk line of 5000 bytes before the first reply")
        << Shape([](const QByteArray &c, const QByteArray &r) {
               return c == "AT+CGMI" ? QByteArray(5000, '#') + "\r\n" + r : r;
           });
    QTest::newRow("no echo") << Shape([](const QByteArray &c, const QByteArray &r) {
        return r.mid(c.size() + 1);
    });
    // Line noise right after the echo, where the answer is looked for: it
    // has not the shape of the answer (a junk line once became the SIM number).
    QTest::newRow("junk line after the SIM number's echo")
        << Shape([](const QByteArray &c, const QByteArray &r) {
               return c == "AT^SCID" ? QByteArray(r).insert(c.size() + 1, "\r\nZ\"#x~\r\n") : r;
           });
    QTest::newRow("junk line after the echo of every coded query")
        << Shape([](const QByteArray &c, const QByteArray &r) {
               const bool coded = c.size() > 2 && (c.at(2) == '^' || c.mid(2, 3) == "+CB"
                                                   || c.mid(2, 3) == "+CS" || c.mid(2, 3) == "+CO");
               return coded ? QByteArray(r).insert(c.size() + 1, "\r\n0,0,\"7%\r\n") : r;
           });
    // Junk of letters and digits looks like free text or a number: the
    // answer is the line right before the final result.
    QTest::newRow("letters and digits after the echo of every query")
        << Shape([](const QByteArray &c, const QByteArray &r) {
               return QByteArray(r).insert(c.size() + 1, "\r\nbMpLG4hVV\r\n4711\r\n");
           });
}

void TestPhoneInfo::faultyLine()
{
    QFETCH(Shape, shape);

    // Every row as with a clean line; nothing shifted onto the next query.
    const PhoneInfo clean = Readout(typicalAnswers()).info;
    const Readout r(typicalAnswers(), false, shape);
    const PhoneInfo &info = r.info;
    QCOMPARE(r.commands, AllQueries);
    QVERIFY(info.complete);
    QCOMPARE(info.unanswered, QList<QByteArray>{});
    for (auto field : {&PhoneInfo::Vyrobce, &PhoneInfo::model, &PhoneInfo::VerzeGSM,
                       &PhoneInfo::IMEI, &PhoneInfo::Baterie, &PhoneInfo::Signal,
                       &PhoneInfo::Operator, &PhoneInfo::IMSI, &PhoneInfo::cisloSIM,
                       &PhoneInfo::strediskoSMS, &PhoneInfo::clock, &PhoneInfo::Poplatky})
        QCOMPARE(info.*field, clean.*field);
    QCOMPARE(info.ringIndex, clean.ringIndex);
    QCOMPARE(info.speakerIndex, clean.speakerIndex);
    QCOMPARE(info.alertIndex, clean.alertIndex);
    for (auto flag : {&PhoneInfo::pinLock, &PhoneInfo::simBinding, &PhoneInfo::keyLock,
                      &PhoneInfo::vibration, &PhoneInfo::microphoneMute, &PhoneInfo::handsFree})
        QCOMPARE(info.*flag, clean.*flag);
}

void TestPhoneInfo::endsEarly_data()
{
    QTest::addColumn<QList<QByteArray>>("silentCommands");  // get no byte at all
    QTest::addColumn<int>("cancelAt");                      // progress position; 0: never
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("sent");                          // queries written

    const QList<QByteArray> none;
    QTest::newRow("handset gone after the firmware query")
        << QList<QByteArray>(AllQueries.mid(3)) << 0 << int(ReadoutEnd::Silent) << 5;
    QTest::newRow("one silent query is not enough")
        << QList<QByteArray>{"AT+CGSN", "AT+CSQ"} << 0 << int(ReadoutEnd::Complete) << 23;
    QTest::newRow("silent SIM query and the next one")
        << QList<QByteArray>{"AT^SCID", "AT+CSCA?"} << 0 << int(ReadoutEnd::Silent) << 10;
    QTest::newRow("silent from the start") << AllQueries << 0 << int(ReadoutEnd::Silent) << 2;
    QTest::newRow("cancelled before the battery query") << none << 5 << int(ReadoutEnd::Cancelled) << 4;
}

void TestPhoneInfo::endsEarly()
{
    QFETCH(QList<QByteArray>, silentCommands);
    QFETCH(int, cancelAt);
    QFETCH(int, end);
    QFETCH(int, sent);

    ReadoutControl control;
    std::atomic_int position{0};  // set on the handset's thread
    if (cancelAt > 0) {
        // The readout asks before it reports the position of the next query.
        control.cancelled = [&] { return position == cancelAt - 1; };
    }
    const Shape shape = [&](const QByteArray &c, const QByteArray &r) {
        position = int(AllQueries.indexOf(c)) + 1;
        return silentCommands.contains(c) ? QByteArray() : r;
    };
    const Readout r(typicalAnswers(), false, shape, control);
    QCOMPARE(int(r.info.end), end);
    QCOMPARE(r.info.complete, end == int(ReadoutEnd::Complete));
    QCOMPARE(r.commands.size(), sent);
    // What was read before the end stays.
    if (sent >= 3 && !silentCommands.contains("AT+CGMI"))
        QCOMPARE(r.info.Vyrobce, QByteArray("TORVANE"));
}

void TestPhoneInfo::overrunReply_data()
{
    QTest::addColumn<QByteArray>("slowCommand");
    QTest::addColumn<int>("stallMs");  // before the final line, after the answer line

    // The late end of the reply comes while the next query waits for its
    // echo: it must neither end that query's read nor be taken as its answer.
    QTest::newRow("IMEI's OK after the bound") << QByteArray("AT+CGSN") << 2300;
    QTest::newRow("operator's OK after the bound") << QByteArray("AT+COPS?") << 2300;
    QTest::newRow("SIM number's OK after the bound") << QByteArray("AT^SCID") << 7300;
}

void TestPhoneInfo::overrunReply()
{
    QFETCH(QByteArray, slowCommand);
    QFETCH(int, stallMs);

    const Cut cut = [&](const QByteArray &c, const QByteArray &r) {
        const QList<QByteArray> pieces{r.left(c.size() + 1), r.mid(c.size() + 1)};
        if (c != slowCommand)
            return pieces;
        const qsizetype final = pieces.at(1).lastIndexOf("\r\n\r\n") + 2;
        return QList<QByteArray>{pieces.at(0), pieces.at(1).left(final), ScriptedModem::pause(stallMs),
                                 pieces.at(1).mid(final)};
    };
    const PhoneInfo clean = Readout(typicalAnswers()).info;
    const Readout r(typicalAnswers(), false, {}, {}, cut);
    const PhoneInfo &info = r.info;
    QCOMPARE(r.commands, AllQueries);
    QCOMPARE(int(info.end), int(ReadoutEnd::Complete));
    // The query that ran out of time is reported, its field is empty, and
    // every other field has its own answer.
    QCOMPARE(info.unanswered, QList<QByteArray>{slowCommand});
    const QHash<QByteArray, QByteArray PhoneInfo::*> fieldOf{
        {"AT+CGSN", &PhoneInfo::IMEI}, {"AT+COPS?", &PhoneInfo::Operator},
        {"AT^SCID", &PhoneInfo::cisloSIM}};
    for (auto field : {&PhoneInfo::Vyrobce, &PhoneInfo::model, &PhoneInfo::VerzeGSM,
                       &PhoneInfo::IMEI, &PhoneInfo::Baterie, &PhoneInfo::Signal,
                       &PhoneInfo::Operator, &PhoneInfo::IMSI, &PhoneInfo::cisloSIM,
                       &PhoneInfo::strediskoSMS, &PhoneInfo::clock, &PhoneInfo::Poplatky})
        QCOMPARE(info.*field, field == fieldOf.value(slowCommand) ? QByteArray() : clean.*field);
    QCOMPARE(info.ringIndex, clean.ringIndex);
    QCOMPARE(info.alertIndex, clean.alertIndex);
    QCOMPARE(info.vibration, clean.vibration);
    QCOMPARE(info.handsFree, clean.handsFree);
}

QTEST_GUILESS_MAIN(TestPhoneInfo)
#include "tst_phoneinfo.moc"
