// The sending exchange through the real serial layer, against a scripted
// handset (answers of every kind, silence) and against the simulated one.

#include "clock.h"
#include "comport.h"
#include "scriptedhandset.h"
#include "simprocess.h"
#include "smsreply.h"
#include "smssend.h"
#include "text2pdu.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;

// How the scripted handset behaves.
struct Behaviour
{
    bool echo = true;
    QByteArray prompt = "\r\n> ";                      // after AT+CMGS
    QByteArray answer = "\r\n+CMGS: 7\r\n\r\nOK\r\n";  // after the PDU
    int failFromPart = 0;                              // part (from 1) whose PDU gets failAnswer
    QByteArray failAnswer;
};

QByteArray answerFor(const Behaviour &b, const QByteArray &piece, int &pdus)
{
    QByteArray out = b.echo && piece.endsWith('\r') ? piece : QByteArray();
    if (piece.endsWith(kEsc))
        return "\r\nOK\r\n";
    if (piece.endsWith(kCtrlZ)) {
        ++pdus;
        return b.failFromPart && pdus >= b.failFromPart ? b.failAnswer : b.answer;
    }
    if (piece.startsWith("AT+CMGS="))
        return out + b.prompt;
    return out + "\r\nOK\r\n";
}

struct Port
{
    explicit Port(const QString &device)
        : port(QStringLiteral("ComPort1"))
    {
        port.setPort(device);
        port.OpenPort();
    }
    TComPort port;
};

SmsSender::Timeouts quick()
{
    // Long enough for a loaded machine, short enough for a test that waits them out.
    SmsSender::Timeouts t;
    t.commandMs = 5000;
    t.promptMs = 1500;
    t.answerMs = 1500;
    return t;
}

SmsMessage message(const QByteArray &text)
{
    SmsMessage m;
    m.number = "420000123456";
    m.centre = "420000000000";
    m.text = text;
    return m;
}

bool waitFinished(SmsSender &sender, QSignalSpy &spy)
{
    return spy.count() > 0 || spy.wait(20000);
}

} // namespace

class TestSmsSend : public QObject
{
    Q_OBJECT

private slots:
    void normalizeNumber_data();
    void normalizeNumber();
    void validityOctet_data();
    void validityOctet();
    void replyReader_data();
    void replyReader();
    void exchange_data();
    void exchange();
    void parts();
    void partFails();
    void hangAfterPart();
    void invalidMessage_data();
    void invalidMessage();
    void simulator_data();
    void simulator();
};

void TestSmsSend::normalizeNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("number"); // null: refused

    QTest::newRow("international with +") << "+420000123456" << QByteArray("420000123456");
    QTest::newRow("blanks") << " 420 000 123 456 " << QByteArray("420000123456");
    QTest::newRow("national") << "603123456" << QByteArray("603123456");
    QTest::newRow("20 digits") << QString(20, u'9') << QByteArray(20, '9');
    QTest::newRow("21 digits") << QString(21, u'9') << QByteArray();
    QTest::newRow("two +") << "++420" << QByteArray();
    QTest::newRow("+ inside") << "420+000" << QByteArray();
    QTest::newRow("dash") << "420-000" << QByteArray();
    QTest::newRow("letters") << "Karel" << QByteArray();
    QTest::newRow("only +") << "+" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
}

void TestSmsSend::normalizeNumber()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, number);

    const std::optional<QByteArray> n = NormalizeSmsNumber(typed);
    QCOMPARE(n.has_value(), !number.isNull());
    if (n)
        QCOMPARE(*n, number);
}

void TestSmsSend::validityOctet_data()
{
    QTest::addColumn<int>("amount");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QByteArray>("octet");

    QTest::newRow("4 days (default)") << 4 << 0 << QByteArray("AA");
    QTest::newRow("31 days") << 31 << 0 << QByteArray("C5");
    QTest::newRow("1 week") << 1 << 1 << QByteArray("C1");
    QTest::newRow("63 weeks") << 63 << 1 << QByteArray("FF");
}

void TestSmsSend::validityOctet()
{
    QFETCH(int, amount);
    QFETCH(int, unit);
    QFETCH(QByteArray, octet);
    QCOMPARE(ValidityOctet(amount, unit), octet);
}

void TestSmsSend::replyReader_data()
{
    QTest::addColumn<bool>("wantPrompt");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("events");

    QTest::newRow("echo and prompt") << true << QByteArray("AT+CMGS=17\r\r\n> ") << QByteArray("prompt");
    QTest::newRow("prompt, LF only") << true << QByteArray("\n>") << QByteArray("prompt");
    QTest::newRow("no prompt awaited") << false << QByteArray("\r\n> ") << QByteArray();
    QTest::newRow("reference and OK") << false << QByteArray("\r\n+CMGS: 12\r\n\r\nOK\r\n")
                                      << QByteArray("ref 12,ok");
    QTest::newRow("reference not a number") << false << QByteArray("\r\n+CMGS: x\r\n\r\nOK\r\n")
                                            << QByteArray("ref -1,ok");
    QTest::newRow("echoed PDU and noise ignored")
        << false << QByteArray("0011000C9124\x1A\r\n\x7F\x01garbage\r\n+CMGS: 3\r\nOK\r")
        << QByteArray("ref 3,ok");
    QTest::newRow("unsolicited skipped")
        << false << QByteArray("\r\n+CMTI: \"SM\",1\r\n\r\nRING\r\n\r\nERROR\r\n") << QByteArray("error ERROR");
    QTest::newRow("CMS error") << true << QByteArray("\r\n+CMS ERROR: 305\r\n") << QByteArray("error +CMS ERROR: 305");
    QTest::newRow("echo of the command skipped") << false << QByteArray("AT+CMGS=17\rOK\r") << QByteArray("ok");
}

// Fed one byte at a time, as a slow link delivers it.
void TestSmsSend::replyReader()
{
    QFETCH(bool, wantPrompt);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, events);

    SmsReplyReader reader;
    reader.start("AT+CMGS=17", wantPrompt);
    QByteArrayList got;
    for (const char c : answer) {
        for (const SmsReplyReader::Item &item : reader.feed(QByteArray(1, c))) {
            switch (item.event) {
            case SmsReplyReader::Event::Prompt: got << "prompt"; break;
            case SmsReplyReader::Event::Reference: got << "ref " + QByteArray::number(item.reference); break;
            case SmsReplyReader::Event::Ok: got << "ok"; break;
            case SmsReplyReader::Event::Error: got << "error " + item.line; break;
            }
        }
    }
    QCOMPARE(got.join(','), events);
}

void TestSmsSend::exchange_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QByteArray>("prompt");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QByteArray>("handsetError");

    const int none = int(SmsSender::Failure::None);
    const QByteArray ok = "\r\n+CMGS: 7\r\n\r\nOK\r\n";
    QTest::newRow("echo on") << true << QByteArray("\r\n> ") << ok << none << QByteArray();
    QTest::newRow("echo off") << false << QByteArray("\r\n> ") << ok << none << QByteArray();
    QTest::newRow("prompt without blank") << false << QByteArray("\r\n>") << ok << none << QByteArray();
    QTest::newRow("unsolicited lines around the answer")
        << false << QByteArray("\r\nRING\r\n\r\n> ")
        << QByteArray("\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 7\r\n\r\n+CREG: 1\r\n\r\nOK\r\n") << none
        << QByteArray();
    QTest::newRow("network error after the PDU")
        << true << QByteArray("\r\n> ") << QByteArray("\r\n+CMS ERROR: 500\r\n")
        << int(SmsSender::Failure::HandsetError) << QByteArray("+CMS ERROR: 500");
    QTest::newRow("error instead of the prompt")
        << true << QByteArray("\r\n+CMS ERROR: 302\r\n") << ok << int(SmsSender::Failure::HandsetError)
        << QByteArray("+CMS ERROR: 302");
    QTest::newRow("plain ERROR after the PDU") << false << QByteArray("\r\n> ") << QByteArray("\r\nERROR\r\n")
        << int(SmsSender::Failure::HandsetError) << QByteArray("ERROR");
    QTest::newRow("no prompt") << true << QByteArray() << ok << int(SmsSender::Failure::NoPrompt) << QByteArray();
    QTest::newRow("OK instead of the prompt")
        << true << QByteArray("\r\nOK\r\n") << ok << int(SmsSender::Failure::NoPrompt) << QByteArray();
    QTest::newRow("no answer after the PDU")
        << true << QByteArray("\r\n> ") << QByteArray() << int(SmsSender::Failure::NoAnswer) << QByteArray();
    QTest::newRow("reference without OK")
        << true << QByteArray("\r\n> ") << QByteArray("\r\n+CMGS: 7\r\n") << int(SmsSender::Failure::NoAnswer)
        << QByteArray();
}

// The worked example: five commands, each after the handset's answer to the last.
void TestSmsSend::exchange()
{
    QFETCH(bool, echo);
    QFETCH(QByteArray, prompt);
    QFETCH(QByteArray, answer);
    QFETCH(int, failure);
    QFETCH(QByteArray, handsetError);

    Behaviour b;
    b.echo = echo;
    b.prompt = prompt;
    b.answer = answer;
    PtyPair pty;
    QVERIFY(pty.isValid());
    int pdus = 0;
    ScriptedHandset handset(pty, [&](const QByteArray &piece) { return answerFor(b, piece, pdus); });
    Port open(pty.slavePath());
    bool previousCalled = false;
    open.port.OnRxChar = [&](int) { previousCalled = true; };

    SmsSender sender(open.port);
    sender.setTimeouts(quick());
    QSignalSpy done(&sender, &SmsSender::finished);
    QSignalSpy sent(&sender, &SmsSender::partSent);
    sender.send(message("abc"));
    QVERIFY(waitFinished(sender, done));

    const bool ok = failure == int(SmsSender::Failure::None);
    QCOMPARE(done.first().first().toBool(), ok);
    QCOMPARE(int(sender.failure()), failure);
    QCOMPARE(sender.handsetError(), handsetError);
    // "+CMGS: mr" is the handset's word that it took the part, OK or not.
    // (The PDU goes only after a prompt.)
    QCOMPARE(sender.partsSent(), ok || (prompt.contains('>') && answer.contains("+CMGS: 7")) ? 1 : 0);
    if (ok) {
        QCOMPARE(sender.references(), QList<int>{7});
        QCOMPARE(sent.count(), 1);
    } else {
        QVERIFY(!sender.errorText().isEmpty());
    }

    QList<QByteArray> expected{"ATE0\r", "AT+CMGF=0\r", "AT+CSCA=\"+420000000000\"\r", "AT+CMGS=17\r"};
    if (prompt.contains('>'))
        expected.append(QByteArray("0011000C912400002143650000AA0361F118") + kCtrlZ);
    else if (failure == int(SmsSender::Failure::NoPrompt) && prompt.isEmpty())
        expected.append(QByteArray(1, kEsc)); // a late prompt must not swallow the next command
    // Echo as it was: a handset that echoed ATE0 gets ATE1 at the end,
    // whatever became of the message.
    if (echo)
        expected.append("ATE1\r");
    QTRY_COMPARE_WITH_TIMEOUT(handset.received(), expected, 5000);

    // The receive handler in force before is back.
    QVERIFY(open.port.OnRxChar);
    open.port.OnRxChar(0);
    QVERIFY(previousCalled);
}

// A three-part message: three AT+CMGS, each waiting for its own prompt,
// three PDUs with one reference and parts 1/3, 2/3, 3/3.
void TestSmsSend::parts()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Behaviour b;
    b.echo = false;
    int pdus = 0;
    ScriptedHandset handset(pty, [&](const QByteArray &piece) {
        // Numbered references, so each part's own answer is seen.
        if (piece.endsWith(kCtrlZ))
            return QByteArray("\r\n+CMGS: ") + QByteArray::number(++pdus + 40) + "\r\n\r\nOK\r\n";
        return answerFor(b, piece, pdus);
    });
    Port open(pty.slavePath());
    SmsSender sender(open.port);
    sender.setTimeouts(quick());
    QSignalSpy done(&sender, &SmsSender::finished);
    QSignalSpy progress(&sender, &SmsSender::progress);

    QByteArray text;
    while (text.size() < 400)
        text += "Dlouha zprava, ktera se nevejde do jedne SMS. ";
    text.truncate(400);
    sender.send(message(text));
    QVERIFY(waitFinished(sender, done));
    QVERIFY(done.first().first().toBool());
    QCOMPARE(sender.partCount(), 3);
    QCOMPARE(sender.references(), (QList<int>{41, 42, 43}));
    QCOMPARE(progress.last(), (QVariantList{9, 9}));

    const QList<QByteArray> got = handset.received();
    QCOMPARE(got.size(), 3 + 2 * 3);
    QString joined;
    int reference = -1;
    for (int p = 0; p < 3; ++p) {
        const QByteArray command = got[3 + 2 * p];
        QByteArray pdu = got[4 + 2 * p];
        QVERIFY2(command.startsWith("AT+CMGS="), command.constData());
        QVERIFY(pdu.endsWith(kCtrlZ));
        pdu.chop(1);
        QCOMPARE(command.mid(8).chopped(1).toInt(), pdu.size() / 2 - 1);
        const DecodedPdu d = PduToText(pdu, FixedClock(QDateTime::currentDateTime()));
        QVERIFY(d.ok);
        if (p == 0)
            reference = d.concatReference;
        QCOMPARE(d.concatReference, reference);
        QCOMPARE(d.concatPart, p + 1);
        QCOMPARE(d.concatTotal, 3);
        joined += d.text;
    }
    QCOMPARE(joined, QString::fromLatin1(text));

    // The next long message gets another reference.
    sender.send(message(text));
    QTRY_VERIFY_WITH_TIMEOUT(done.count() == 2, 20000);
    const DecodedPdu next = PduToText(handset.received().at(3 + 2 * 3 + 4).chopped(1),
                                      FixedClock(QDateTime::currentDateTime()));
    QVERIFY(next.concatReference != reference);
}

// Part 2 of 3 refused: one part went out, the third is never offered.
void TestSmsSend::partFails()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Behaviour b;
    b.echo = false;
    b.failFromPart = 2;
    b.failAnswer = "\r\n+CMS ERROR: 38\r\n";
    int pdus = 0;
    ScriptedHandset handset(pty, [&](const QByteArray &piece) { return answerFor(b, piece, pdus); });
    Port open(pty.slavePath());
    SmsSender sender(open.port);
    sender.setTimeouts(quick());
    QSignalSpy done(&sender, &SmsSender::finished);
    sender.send(message(QByteArray(400, 'x')));
    QVERIFY(waitFinished(sender, done));
    QVERIFY(!done.first().first().toBool());
    QCOMPARE(sender.partCount(), 3);
    QCOMPARE(sender.partsSent(), 1);
    QCOMPARE(sender.handsetError(), QByteArray("+CMS ERROR: 38"));
    QCOMPARE(handset.received().size(), 3 + 2 * 2);
}

// The handset takes part 1 ("+CMGS") but its OK never comes: part 1
// counts as sent. Sending the same message again sends parts 2 and 3 only,
// under the reference of part 1, so the recipient's phone joins them.
void TestSmsSend::hangAfterPart()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    std::atomic_bool hang{true};
    std::atomic_int pdus{0};
    ScriptedHandset handset(pty, [&](const QByteArray &piece) -> QByteArray {
        if (piece.endsWith(kCtrlZ)) {
            const int n = ++pdus;
            if (hang && n == 1)
                return "\r\n+CMGS: 41\r\n";
            return "\r\n+CMGS: " + QByteArray::number(40 + n) + "\r\n\r\nOK\r\n";
        }
        if (piece.endsWith(kEsc))
            return "\r\nOK\r\n";
        if (piece.startsWith("AT+CMGS="))
            return "\r\n> ";
        return "\r\nOK\r\n";
    });
    Port open(pty.slavePath());
    SmsSender sender(open.port);
    sender.setTimeouts(quick());
    QSignalSpy done(&sender, &SmsSender::finished);
    const SmsMessage long3 = message(QByteArray(400, 'x'));
    sender.send(long3);
    QVERIFY(waitFinished(sender, done));
    QVERIFY(!done.first().first().toBool());
    QCOMPARE(sender.failure(), SmsSender::Failure::NoAnswer);
    QCOMPARE(sender.partCount(), 3);
    QCOMPARE(sender.partsSent(), 1);
    QCOMPARE(sender.references(), QList<int>{41});

    hang = false;
    QVERIFY(sender.canResume(long3));
    SmsMessage other = long3;
    other.text += 'y';
    QVERIFY(!sender.canResume(other));
    const qsizetype before = handset.received().size();
    sender.resume();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 20000);
    QVERIFY(done.last().first().toBool());
    QCOMPARE(sender.partsSent(), 3);
    QCOMPARE(sender.references(), (QList<int>{41, 42, 43}));

    const QList<QByteArray> got = handset.received();
    const FixedClock clock(QDateTime::currentDateTime());
    const DecodedPdu first = PduToText(got.at(4).chopped(1), clock);
    QCOMPARE(first.concatPart, 1);
    // ATE0, AT+CMGF, then two parts; no AT+CSCA the second time.
    QCOMPARE(got.size() - before, 2 + 2 * 2);
    QCOMPARE(got.at(before), QByteArray("ATE0\r"));
    QCOMPARE(got.at(before + 1), QByteArray("AT+CMGF=0\r"));
    for (int p = 0; p < 2; ++p) {
        const DecodedPdu d = PduToText(got.at(before + 3 + 2 * p).chopped(1), clock);
        QVERIFY(d.ok);
        QCOMPARE(d.concatReference, first.concatReference);
        QCOMPARE(d.concatPart, p + 2);
        QCOMPARE(d.concatTotal, 3);
    }
}

void TestSmsSend::invalidMessage_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("centre");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("number with +") << QByteArray("+420000123456") << QByteArray("420000000000") << QByteArray("abc");
    QTest::newRow("empty number") << QByteArray() << QByteArray("420000000000") << QByteArray("abc");
    QTest::newRow("centre with letters") << QByteArray("420000123456") << QByteArray("42O") << QByteArray("abc");
    QTest::newRow("empty text") << QByteArray("420000123456") << QByteArray("420000000000") << QByteArray();
    QTest::newRow("eleven parts") << QByteArray("420000123456") << QByteArray("420000000000")
                                  << QByteArray(1531, 'x');
}

// Nothing reaches the handset.
void TestSmsSend::invalidMessage()
{
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, centre);
    QFETCH(QByteArray, text);

    PtyPair pty;
    QVERIFY(pty.isValid());
    int pdus = 0;
    ScriptedHandset handset(pty, [&](const QByteArray &piece) { return answerFor(Behaviour(), piece, pdus); });
    Port open(pty.slavePath());
    SmsSender sender(open.port);
    QSignalSpy done(&sender, &SmsSender::finished);
    SmsMessage m = message(text);
    m.number = number;
    m.centre = centre;
    sender.send(m);
    QVERIFY(waitFinished(sender, done));
    QVERIFY(!done.first().first().toBool());
    QCOMPARE(sender.failure(), SmsSender::Failure::InvalidMessage);
    QTest::qWait(200); // nothing may arrive, so there is no signal to wait for
    QVERIFY(handset.received().isEmpty());
}

void TestSmsSend::simulator_data()
{
    QTest::addColumn<QByteArray>("key");   // set before sending
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QByteArray>("handsetError");

    QTest::newRow("sent") << QByteArray() << QByteArray() << int(SmsSender::Failure::None) << QByteArray();
    QTest::newRow("sms.fail") << QByteArray("sms.fail") << QByteArray("500")
                              << int(SmsSender::Failure::HandsetError) << QByteArray("+CMS ERROR: 500");
    QTest::newRow("sms.hang") << QByteArray("sms.hang") << QByteArray("1") << int(SmsSender::Failure::NoAnswer)
                              << QByteArray();
}

// The worked example against the simulated handset, which decodes the PDU itself.
void TestSmsSend::simulator()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(int, failure);
    QFETCH(QByteArray, handsetError);

    SimProcess sim;
    QVERIFY(sim.start());
    if (!key.isEmpty())
        QCOMPARE(sim.control("set " + key + ' ' + value), QByteArray("OK\n"));
    Port open(sim.modemPath());
    SmsSender sender(open.port);
    sender.setTimeouts(quick());
    QSignalSpy done(&sender, &SmsSender::finished);
    sender.send(message("abc"));
    QVERIFY(waitFinished(sender, done));
    QCOMPARE(int(sender.failure()), failure);
    QCOMPARE(sender.handsetError(), handsetError);

    // The simulated handset echoes: ATE1 puts that back at the end.
    QCOMPARE(sim.control("log"),
             QByteArray("ATE0\nAT+CMGF=0\nAT+CSCA=\"+420000000000\"\nAT+CMGS=17\nATE1\n"));
    // The handset keeps the PDU even when the network refuses it.
    QCOMPARE(sim.control("get sms.sent.1"), QByteArray("0011000C912400002143650000AA0361F118\n"));
    QCOMPARE(sim.control("sent"), QByteArray("1 420000123456 \"abc\"\n"));
}

QTEST_GUILESS_MAIN(TestSmsSend)
#include "tst_smssend.moc"
