// The AT transport: cutting the answer line, recognising the final result
// line, the default handler's line assembly, and the synchronous reads through
// the real serial layer against a scripted handset that may answer in pieces.

#include "attransport.h"
#include "comport.h"
#include "phoneinfo.h"
#include "pty.h"
#include "scriptedmodem.h"

#include <QTest>

using Pieces = QList<QByteArray>;

class TestAtTransport : public QObject
{
    Q_OBJECT

private slots:
    void cutReplyLine_data();
    void cutReplyLine();
    void hasFinalResult_data();
    void hasFinalResult();
    void replyAssembler_data();
    void replyAssembler();

    void readReply_data();
    void readReply();
    void readReplySilent();
    void presence_data();
    void presence();
    void simNumberReply_data();
    void simNumberReply();
};

void TestAtTransport::cutReplyLine_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("command");  // the echo to look for; empty: any AT line

    QTest::newRow("echo and answer") << QByteArray("AT+CGMI\r\r\nTORVANE\r\n\r\nOK\r\n")
                                     << QByteArray("TORVANE") << QByteArray();
    QTest::newRow("rejected") << QByteArray("AT+CGMI\r\r\nERROR\r\n") << QByteArray("ERROR") << QByteArray();
    QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no CR") << QByteArray("AT+CGMI") << QByteArray() << QByteArray();
    QTest::newRow("echo only") << QByteArray("AT+CGMI\r") << QByteArray() << QByteArray();
    QTest::newRow("answer line not ended") << QByteArray("AT+CGMI\r\r\nTORV")
                                           << QByteArray() << QByteArray();
    // The LF of the previous reply's last line, when its read stopped at the CR.
    QTest::newRow("LF left over") << QByteArray("\nAT+CGMR\r\r\nREV 1.0\r\n\r\nOK\r\n")
                                  << QByteArray("REV 1.0") << QByteArray();
    // Cutting by characters took "RVANE" here.
    QTest::newRow("no echo") << QByteArray("\r\nTORVANE\r\n\r\nOK\r\n") << QByteArray("TORVANE") << QByteArray();
    QTest::newRow("RING inside the reply")
        << QByteArray("AT+CBC\r\r\nRING\r\n\r\n+CBC: 0,80\r\n\r\nOK\r\n") << QByteArray("+CBC: 0,80") << QByteArray();
    QTest::newRow("unsolicited lines before the echo")
        << QByteArray("\r\n+CREG: 1\r\n\r\n+CMTI: \"SM\",3\r\nAT+COPS?\r\r\n+COPS: 0,0,\"O2 CZ\"\r\n\r\nOK\r\n")
        << QByteArray("+COPS: 0,0,\"O2 CZ\"") << QByteArray();
    QTest::newRow("only unsolicited lines") << QByteArray("AT+CGMI\r\r\nRING\r\n\r\nNO CARRIER\r\n")
                                            << QByteArray() << QByteArray();
    QTest::newRow("junk line before the echo")
        << QByteArray("#~x\x01garbage\r\nAT+CGMM\r\r\nZenk\r\n\r\nOK\r\n") << QByteArray("Zenk") << QByteArray();
    QTest::newRow("rejected with a number") << QByteArray("AT+CSQ\r\r\n+CME ERROR: 30\r\n")
                                            << QByteArray("+CME ERROR: 30") << QByteArray();
    QTest::newRow("answer starting with AT, echo known")
        << QByteArray("AT+CGMM\r\r\nATLAS 2\r\n\r\nOK\r\n") << QByteArray("ATLAS 2") << QByteArray("AT+CGMM");
    QTest::newRow("the command's own code is its answer")
        << QByteArray("AT+CREG?\r\r\n+CREG: 0,1\r\n\r\nOK\r\n") << QByteArray("+CREG: 0,1") << QByteArray("AT+CREG?");
    QTest::newRow("another unsolicited code before the own one")
        << QByteArray("AT+CREG?\r\r\n+CMTI: \"SM\",1\r\n\r\n+CREG: 0,5\r\n\r\nOK\r\n") << QByteArray("+CREG: 0,5")
        << QByteArray("AT+CREG?");
    QTest::newRow("junk starting with AT before the echo")
        << QByteArray("ATTN\r\nAT+CGMM\r\r\nZenk\r\n\r\nOK\r\n") << QByteArray("Zenk") << QByteArray("AT+CGMM");
}

void TestAtTransport::cutReplyLine()
{
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, command);
    if (command.isEmpty())
        QCOMPARE(CutReplyLine(received), line);
    QCOMPARE(AnswerLine(received, command), line);
}

void TestAtTransport::hasFinalResult_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("final");

    QTest::newRow("OK") << QByteArray("AT+CGMI\r\r\nTORVANE\r\n\r\nOK\r\n") << true;
    QTest::newRow("OK, LF pending") << QByteArray("ATE1\r\r\nOK\r") << true;
    QTest::newRow("OK not ended") << QByteArray("ATE1\r\r\nOK") << false;
    QTest::newRow("ERROR") << QByteArray("AT+CSQ\r\r\nERROR\r\n") << true;
    QTest::newRow("CME error") << QByteArray("AT^SCID\r\r\n+CME ERROR: 10\r\n") << true;
    QTest::newRow("CMS error") << QByteArray("\r\n+CMS ERROR: 500\r\n") << true;
    QTest::newRow("echo only") << QByteArray("AT+CGMI\r") << false;
    QTest::newRow("answer without final line") << QByteArray("AT+CGMI\r\r\nTORVANE\r\n")
                                               << false;
    QTest::newRow("OK inside an answer") << QByteArray("AT+COPS?\r\r\n+COPS: 0,0,\"OK\"\r\n")
                                         << false;
    QTest::newRow("word starting with OK") << QByteArray("\r\nOKAY\r\n") << false;
    QTest::newRow("ERROR inside a word") << QByteArray("\r\nNO ERRORS\r\n") << false;
    QTest::newRow("nothing") << QByteArray() << false;
}

void TestAtTransport::hasFinalResult()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, final);
    QCOMPARE(HasFinalResult(text), final);
}

void TestAtTransport::replyAssembler_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Pieces>("replies");
    QTest::addColumn<QByteArray>("replyBuffer");
    QTest::addColumn<QByteArray>("lineBuffer");

    QTest::newRow("memory count")
        << QByteArray("\r\n+CPBS: \"SM\",12,250\r\n\r\nOK\r\n")
        << Pieces{"\r+CPBS: \"SM\",12,250\r\r"} << QByteArray() << QByteArray();
    QTest::newRow("ERROR waits for the next OK")
        << QByteArray("AT+CLVL=3\r\r\nERROR\r\n") << Pieces{}
        << QByteArray("AT+CLVL=3\r\rERROR\r") << QByteArray();
    QTest::newRow("ERROR then OK")
        << QByteArray("AT+CLVL=3\r\r\nERROR\r\nAT\r\r\nOK\r\n")
        << Pieces{"AT+CLVL=3\r\rERROR\rAT\r\r"} << QByteArray() << QByteArray();
    QTest::newRow("two replies")
        << QByteArray("\r\nOK\r\nAT+CPBR=1\r\r\n+CPBR: 1,\"123\",129,\"Jan\"\r\n\r\nOK\r\n")
        << Pieces{"\r", "AT+CPBR=1\r\r+CPBR: 1,\"123\",129,\"Jan\"\r\r"} << QByteArray()
        << QByteArray();
    QTest::newRow("high and control bytes ignored")
        << QByteArray("\r\nA\x80\xFF" "B\x01\t\x1B" "C\x7F\r\nOK\r\n")
        << Pieces{"\rABC\x7F\r"} << QByteArray() << QByteArray();
    QTest::newRow("OK must be the whole line")
        << QByteArray(" OK\r\nOK \r\n") << Pieces{} << QByteArray(" OK\rOK \r")
        << QByteArray();
    QTest::newRow("OK not yet ended") << QByteArray("AT\r\r\nOK") << Pieces{}
                                      << QByteArray("AT\r\r") << QByteArray("OK");
}

void TestAtTransport::replyAssembler()
{
    QFETCH(QByteArray, input);
    QFETCH(Pieces, replies);
    QFETCH(QByteArray, replyBuffer);
    QFETCH(QByteArray, lineBuffer);

    // Byte by byte, as the receive handler gets them, and in one block.
    for (bool whole : {false, true}) {
        ReplyAssembler assembler;
        Pieces completed;
        assembler.onReplyComplete = [&](const QByteArray &reply) { completed.append(reply); };
        if (whole) {
            assembler.feed(input);
        } else {
            for (char c : input)
                assembler.feed(c);
        }
        QCOMPARE(completed, replies);
        QCOMPARE(assembler.ReplyBuffer, replyBuffer);
        QCOMPARE(assembler.LineBuffer, lineBuffer);
    }
}

namespace {

// Splits text into pieces of at most size bytes.
Pieces chop(const QByteArray &text, int size)
{
    Pieces pieces;
    for (qsizetype i = 0; i < text.size(); i += size)
        pieces.append(text.mid(i, size));
    return pieces;
}

struct OpenPort
{
    explicit OpenPort(const PtyPair &pty)
        : port(QStringLiteral("ComPort1"))
    {
        port.setPort(pty.slavePath());
        port.OpenPort();
    }
    TComPort port;
};

} // namespace

void TestAtTransport::readReply_data()
{
    QTest::addColumn<int>("pieceSize");  // 0: echo and answer apart, -1: one piece
    QTest::addColumn<int>("gapMs");

    QTest::newRow("one piece") << -1 << 0;
    QTest::newRow("echo, 5 ms, answer") << 0 << 5;
    QTest::newRow("echo, 40 ms, answer") << 0 << 40;
    QTest::newRow("7-byte pieces 5 ms apart") << 7 << 5;
    QTest::newRow("byte by byte 3 ms apart") << 1 << 3;
}

void TestAtTransport::readReply()
{
    QFETCH(int, pieceSize);
    QFETCH(int, gapMs);

    const QHash<QByteArray, QByteArray> answers{
        {"AT+CGMI", "TORVANE"}, {"AT+CGMM", "ZENK"}, {"AT+CSQ", "+CSQ: 15,99"}};
    PtyPair pty;
    QVERIFY(pty.isValid());
    ScriptedModem modem(pty, [&](const QByteArray &command) {
        const QByteArray text = command == "AT+CSQ"
                                    ? command + "\r\r\n+CME ERROR: 30\r\n"
                                    : ScriptedModem::reply(command, answers.value(command));
        if (pieceSize < 0)
            return Pieces{text};
        if (pieceSize == 0)
            return Pieces{text.left(command.size() + 1), text.mid(command.size() + 1)};
        return chop(text, pieceSize);
    }, gapMs);
    OpenPort open(pty);

    // Each answer must land on its own query, never on the next one.
    open.port.SendText("AT+CGMI\r");
    QCOMPARE(ReadReply(open.port), QByteArray("TORVANE"));
    open.port.SendText("AT+CSQ\r");
    QCOMPARE(ReadReply(open.port), QByteArray("+CME ERROR: 30"));
    open.port.SendText("AT+CGMM\r");
    QCOMPARE(ReadReply(open.port), QByteArray("ZENK"));
}

void TestAtTransport::readReplySilent()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    OpenPort open(pty);
    open.port.SendText("AT+CGMI\r");
    QCOMPARE(ReadReply(open.port), QByteArray());
}

void TestAtTransport::presence_data()
{
    QTest::addColumn<Pieces>("answer");
    QTest::addColumn<bool>("present");

    QTest::newRow("one piece") << Pieces{"ATE1\r\r\nOK\r\n"} << true;
    QTest::newRow("echo apart") << Pieces{"ATE1\r", "\r\nOK\r\n"} << true;
    QTest::newRow("byte by byte") << chop("ATE1\r\r\nOK\r\n", 1) << true;
    QTest::newRow("echo was off") << Pieces{"\r\nOK\r\n"} << true;
    QTest::newRow("rejected") << Pieces{"ATE1\r", "\r\nERROR\r\n"} << false;
    QTest::newRow("silent") << Pieces{} << false;
}

void TestAtTransport::presence()
{
    QFETCH(Pieces, answer);
    QFETCH(bool, present);

    PtyPair pty;
    QVERIFY(pty.isValid());
    ScriptedModem modem(pty, [&](const QByteArray &) { return answer; }, 5);
    OpenPort open(pty);
    QCOMPARE(CheckPresence(open.port), present);
    QCOMPARE(modem.commands(), Pieces{"ATE1"});
}

void TestAtTransport::simNumberReply_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("number");

    const QByteArray sim("^SCID: 8942001234567890123");
    QTest::newRow("one piece") << -1 << sim << QByteArray("8942001234567890123");
    QTest::newRow("echo apart") << 0 << sim << QByteArray("8942001234567890123");
    QTest::newRow("7-byte pieces") << 7 << sim << QByteArray("8942001234567890123");
    QTest::newRow("no SIM") << 0 << QByteArray() << QByteArray();
}

void TestAtTransport::simNumberReply()
{
    QFETCH(int, pieceSize);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, number);

    PtyPair pty;
    QVERIFY(pty.isValid());
    ScriptedModem modem(pty, [&](const QByteArray &command) {
        QByteArray text = answer.isEmpty() ? command + "\r\r\nERROR\r\n"
                                           : ScriptedModem::reply(command, answer);
        if (command == "AT+CSCA?")
            text = ScriptedModem::reply(command, "+CSCA: \"+420602909909\",145");
        if (pieceSize < 0)
            return Pieces{text};
        if (pieceSize == 0)
            return Pieces{text.left(command.size() + 1), text.mid(command.size() + 1)};
        return chop(text, pieceSize);
    }, 5);
    OpenPort open(pty);
    open.port.SendText("AT^SCID\r");
    QCOMPARE(InfoCut::simNumber(ReadSimNumberReply(open.port)), number);
    // The next query gets its own answer.
    open.port.SendText("AT+CSCA?\r");
    QCOMPARE(ReadReply(open.port), QByteArray("+CSCA: \"+420602909909\",145"));
}

QTEST_GUILESS_MAIN(TestAtTransport)
#include "tst_attransport.moc"
