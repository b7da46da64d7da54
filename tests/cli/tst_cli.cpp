// torvane-cli as a user runs it: the built program, its output and exit status.

#include <QProcess>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

// Received: FO 04, sender 420000123456 (0C 91), DCS 00, time stamp 12.01.2005
// 14:50:01 zone 04, UDL 03, "abc".
const QByteArray kReceived = "0791240000000000040C912400002143650000501021410510400361F118";
// Stored outgoing: FO 11, destination 420000123456, DCS 09, VP AA, UDL 06, "ačř" in UCS-2.
const QByteArray kStoredUcs2 = "0011000C912400002143650009AA060061010D0159";
// Stored outgoing, 7-bit: septets 22 1B2F 0D = quote, backslash, carriage return.
const QByteArray kStoredEscapes = "0011000C912400002143650000AA04A2CDAB01";
// Ends inside the time stamp.
const QByteArray kCut = "0791240000000000040C9124000021436500005010";
// Received, UDL 0F septets "Ahoj, zitra v 8", the line cut after 12 of its 14 octets.
const QByteArray kCutText = "0791240000000000040C912400002143650000501021410510400F41F45BCD02E9D374791864";
// Received from the national number 603123456 (09 81), UCS-2 (08), UDL 1C:
// "Привет, € и 😀" (Cyrillic, the euro sign, an emoji as a surrogate pair).
const QByteArray kCyrillic = "079124000000000004098106133254F6000850102141051040"
                             "1C041F04400438043204350442002C002020AC002004380020D83DDE00";
// Received, FO 44: part 2 of 3 of message 2A (UCS-2 "ab").
const QByteArray kPart = "0791240000000000440C912400002143650008501021410510400A0500032A030200610062";

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(kCli, args);
    Run r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QStringList latin(std::initializer_list<QByteArray> list)
{
    QStringList out;
    for (const QByteArray &a : list)
        out.append(QString::fromUtf8(a));
    return out;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void help();
};

void TestCli::initTestCase()
{
    QVERIFY2(QFile::exists(kCli), qPrintable(kCli + QStringLiteral(" was not built")));
}

void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");     // exact standard output, or empty to skip
    QTest::addColumn<QByteArray>("errPart"); // must appear in standard error

    QTest::newRow("decode, for a person")
        << latin({"pdu", "decode", kReceived, kStoredUcs2}) << QByteArray() << 0
        << QByteArray("Number: +420000123456\nTime:   12.01.2005 14:50:01.04\nText:   abc\n\n"
                      "Number: +420000123456\nText:   a\xC4\x8D\xC5\x99\n")
        << QByteArray();
    // One object per line, in order; the cut line gives what was found and
    // makes the exit status non-zero.
    QTest::newRow("decode, JSON, with an unreadable line")
        << latin({"pdu", "decode", "--json", kStoredUcs2, kCut, kStoredEscapes, kReceived})
        << QByteArray() << 1
        << QByteArray("{\"number\": \"+420000123456\", \"text\": \"a\xC4\x8D\xC5\x99\"}\n"
                      "{\"number\": \"+420000123456\", \"text\": \"Error PDU !\"}\n"
                      "{\"number\": \"+420000123456\", \"text\": \"\\\"\\\\\\r\"}\n"
                      "{\"number\": \"+420000123456\", \"time\": \"12.01.2005 14:50:01.04\", \"text\": \"abc\"}\n")
        << QByteArray("PDU 2 could not be read");
    // A line cut inside its user data is no shorter message.
    QTest::newRow("decode, cut user data")
        << latin({"pdu", "decode", "--json", kCutText}) << QByteArray() << 1
        << QByteArray("{\"number\": \"+420000123456\", \"time\": \"12.01.2005 14:50:01.04\", "
                      "\"text\": \"Error PDU !\", \"incomplete\": true}\n")
        << QByteArray("PDU 1 ends inside its user data");
    QTest::newRow("decode, cut user data, for a person")
        << latin({"pdu", "decode", kCutText}) << QByteArray() << 1
        << QByteArray("Number: +420000123456\nTime:   12.01.2005 14:50:01.04\nText:   Error PDU !\n")
        << QByteArray("the message is incomplete");
    // Text that Windows-1250 lacks comes out whole; a national number has no "+".
    QTest::newRow("decode, Cyrillic and an emoji")
        << latin({"pdu", "decode", "--json", kCyrillic}) << QByteArray() << 0
        << QByteArray("{\"number\": \"603123456\", \"time\": \"12.01.2005 14:50:01.04\", "
                      "\"text\": \"Привет, € и 😀\"}\n")
        << QByteArray();
    QTest::newRow("decode, a part of a concatenated message")
        << latin({"pdu", "decode", "--json", kPart}) << QByteArray() << 0
        << QByteArray("{\"number\": \"+420000123456\", \"time\": \"12.01.2005 14:50:01.04\", "
                      "\"part\": 2, \"parts\": 3, \"reference\": 42, \"text\": \"ab\"}\n")
        << QByteArray();
    QTest::newRow("decode, lines from standard input")
        << latin({"pdu", "decode", "--json"}) << kReceived + "\r\n\n" + kReceived + "\n" << 0
        << QByteArray("{\"number\": \"+420000123456\", \"time\": \"12.01.2005 14:50:01.04\", \"text\": \"abc\"}\n"
                      "{\"number\": \"+420000123456\", \"time\": \"12.01.2005 14:50:01.04\", \"text\": \"abc\"}\n")
        << QByteArray();
    QTest::newRow("decode, no PDU") << latin({"pdu", "decode"}) << QByteArray() << 2
                                    << QByteArray() << QByteArray("no PDU given");

    QTest::newRow("encode, JSON")
        << latin({"pdu", "encode", "--json", "420000123456", "abc"}) << QByteArray() << 0
        << QByteArray("{\"pdu\": \"0011000C912400002143650000AA0361F118\", \"length\": \"17\"}\n")
        << QByteArray();
    // UTF-8 "ačř" becomes Windows-1250 and then UCS-2.
    QTest::newRow("encode, UTF-8 text, options after the arguments")
        << latin({"pdu", "encode", "420000123456", "a\xC4\x8D\xC5\x99", "--validity", "0b", "--report"})
        << QByteArray() << 0
        << QByteArray("PDU:    0031000C9124000021436500090B060061010D0159\nLength: 20\n")
        << QByteArray();
    QTest::newRow("encode, text after --")
        << latin({"pdu", "encode", "--json", "5", "--", "--x"}) << QByteArray() << 0
        << QByteArray("{\"pdu\": \"0011000191F50000AA03AD161E\", \"length\": \"12\"}\n")
        << QByteArray();
    QTest::newRow("encode, number with a plus")
        << latin({"pdu", "encode", "+420000123456", "abc"}) << QByteArray() << 1
        << QByteArray() << QByteArray("digits");
    QTest::newRow("encode, too long")
        << latin({"pdu", "encode", "420000123456", QByteArray(161, 'a')}) << QByteArray() << 1
        << QByteArray() << QByteArray("160");
    QTest::newRow("encode, character outside the code page")
        << latin({"pdu", "encode", "420000123456", "smile \xF0\x9F\x98\x80"}) << QByteArray() << 1
        << QByteArray() << QByteArray("Windows-1250 lacks");
    QTest::newRow("encode, bad validity")
        << latin({"pdu", "encode", "420000123456", "abc", "--validity", "XY"}) << QByteArray() << 1
        << QByteArray() << QByteArray("validity");
    QTest::newRow("encode, validity without value")
        << latin({"pdu", "encode", "420000123456", "abc", "--validity"}) << QByteArray() << 2
        << QByteArray() << QByteArray("--validity");
    QTest::newRow("encode, text missing")
        << latin({"pdu", "encode", "420000123456"}) << QByteArray() << 2
        << QByteArray() << QByteArray("NUMBER and TEXT");

    QTest::newRow("unknown command") << latin({"pdu", "frobnicate"}) << QByteArray() << 2
                                     << QByteArray() << QByteArray("unknown command");
    QTest::newRow("no command") << QStringList() << QByteArray() << 2
                                << QByteArray() << QByteArray("pdu encode");
}

void TestCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, errPart);

    const Run r = runCli(args, input);
    QCOMPARE(r.exitCode, exitCode);
    if (!out.isEmpty())
        QCOMPARE(r.out, out);
    if (!errPart.isEmpty())
        QVERIFY2(r.err.contains(errPart), r.err.constData());
    if (exitCode == 0)
        QVERIFY2(r.err.isEmpty(), r.err.constData());
}

void TestCli::help()
{
    const Run all = runCli({QStringLiteral("--help")});
    QCOMPARE(all.exitCode, 0);
    QVERIFY(all.out.contains("pdu decode [--json]"));
    QVERIFY(all.out.contains("pdu encode [--json] NUMBER TEXT [--validity HH] [--report]"));

    const Run one = runCli({QStringLiteral("pdu"), QStringLiteral("encode"), QStringLiteral("--help")});
    QCOMPARE(one.exitCode, 0);
    QVERIFY(one.out.contains("--validity HH"));
    QVERIFY(!one.out.contains("pdu decode"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
