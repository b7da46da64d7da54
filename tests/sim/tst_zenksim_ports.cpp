// The simulated handset's ports: pacing of its output, a port opened and
// closed many times, the diagnostic port's framing, and a standard AT client
// from the distribution identifying the handset.

#include "rawline.h"
#include "simprocess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

// CRC-16/X.25 written out bit by bit, as the test's own reference.
quint16 x25(const QByteArray &bytes)
{
    quint16 acc = 0xFFFF;
    for (char c : bytes) {
        acc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            acc = (acc & 1) ? quint16((acc >> 1) ^ 0x8408) : quint16(acc >> 1);
    }
    return quint16(~acc);
}

QByteArray frame(const QByteArray &payload)
{
    const quint16 crc = x25(payload);
    QByteArray raw = payload;
    raw.append(char(crc & 0xFF)).append(char(crc >> 8));
    QByteArray out;
    for (char c : raw) {
        if (c == 0x7D || c == 0x7E)
            out.append(char(0x7D)).append(char(c ^ 0x20));
        else
            out.append(c);
    }
    return out.append(char(0x7E));
}

// Splits received bytes at 7E, removes the escapes and checks every check value.
QList<QByteArray> payloads(const QByteArray &bytes, bool *checksOk)
{
    QList<QByteArray> out;
    *checksOk = true;
    for (const QByteArray &part : bytes.split(0x7E)) {
        if (part.isEmpty())
            continue;
        QByteArray f;
        for (qsizetype i = 0; i < part.size(); ++i)
            f.append(part[i] == 0x7D && i + 1 < part.size() ? char(part[++i] ^ 0x20) : part[i]);
        const QByteArray payload = f.chopped(2);
        if (f.size() < 3 || quint16(quint8(f[f.size() - 2]) | quint8(f[f.size() - 1]) << 8) != x25(payload))
            *checksOk = false;
        out.append(payload);
    }
    return out;
}

} // namespace

class TstZenksimPorts : public QObject
{
    Q_OBJECT

private slots:
    void referenceCheckValues();
    void splitIntoPieces();
    void latencyHoldsTheReply();
    void baudRatePacesTheOutput();
    void silentNeverAnswers();
    void reopenedManyTimes();
    void lineFaultsWhileRunning_data();
    void lineFaultsWhileRunning();
    void junkLinesAreSeeded();
    void gpsPortKeepsNoOldSentences();
    void diagnostic_data();
    void diagnostic();
    void gammuIdentifies();
};

// The test's own check value agrees with the published values of the framing.
void TstZenksimPorts::referenceCheckValues()
{
    QCOMPARE(x25("123456789"), quint16(0x906E));
    QCOMPARE(frame(QByteArray::fromHex("590C")), QByteArray::fromHex("590CC4C17E"));
    QCOMPARE(frame(QByteArray::fromHex("590A1C")), QByteArray::fromHex("590A1CACFE7E"));
}

void TstZenksimPorts::splitIntoPieces()
{
    SimProcess sim({"--split", "8", "--gap", "150"});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.write("AT+CBC\r"));
    const QList<QByteArray> chunks = modem.readChunks(10000);
    const QByteArray all = chunks.join();
    QCOMPARE(all, QByteArray("AT+CBC\r\r\n+CBC: 0,80\r\n\r\nOK\r\n"));
    // The echo comes as one piece of its own, the reply in pieces of at most 8 bytes.
    QCOMPARE(chunks.first(), QByteArray("AT+CBC\r"));
    QVERIFY(chunks.size() >= 4);
    for (qsizetype i = 1; i < chunks.size(); ++i)
        QVERIFY2(chunks[i].size() <= 8, chunks[i].constData());
}

// Bounds that are the behaviour: the reply must not arrive before its delay.
void TstZenksimPorts::latencyHoldsTheReply()
{
    SimProcess sim({"--latency", "400"});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(modem.write("AT+CGMI\r"));
    QCOMPARE(modem.readUntil("\r", 3000), QByteArray("AT+CGMI\r"));  // the echo comes at once
    const QByteArray reply = modem.readReply(5000);
    QVERIFY(timer.elapsed() >= 400);
    QCOMPARE(reply, QByteArray("\r\nTORVANE\r\n\r\nOK\r\n"));
}

void TstZenksimPorts::baudRatePacesTheOutput()
{
    SimProcess sim({"--baud", "1200", "--no-echo"});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QElapsedTimer timer;
    timer.start();
    const QByteArray reply = modem.command("ATI", 10000);
    // 56 bytes at 120 bytes per second take at least 466 ms.
    QVERIFY(timer.elapsed() >= 400);
    QCOMPARE(reply, QByteArray("\r\nTORVANE\r\nZenk\r\nREVISION ZK_V1.04.12 2006-11-20\r\n\r\nOK\r\n"));
}

void TstZenksimPorts::silentNeverAnswers()
{
    SimProcess sim({"--silent"});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    RawLine diag(sim.diagPath());
    QVERIFY(modem.write("ATE1\r"));
    QVERIFY(diag.write(QByteArray::fromHex("590CC4C17E")));
    QCOMPARE(modem.readFor(500), QByteArray());
    QCOMPARE(diag.readFor(100), QByteArray());
    QCOMPARE(sim.control("log"), QByteArray("ATE1\n"));  // heard, though
}

// The program under test opens and closes the port for every feature.
void TstZenksimPorts::reopenedManyTimes()
{
    SimProcess sim;
    QVERIFY(sim.start());
    for (int i = 0; i < 30; ++i) {
        RawLine modem(sim.modemPath());
        QVERIFY(modem.isOpen());
        QCOMPARE(modem.command("AT+CGMM"), QByteArray("AT+CGMM\r\r\nZenk\r\n\r\nOK\r\n"));
    }
}

// latency, split and gap change on the control socket while the handset
// runs, as a loose cable's would; the options only give their start.
void TstZenksimPorts::lineFaultsWhileRunning_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<int>("atLeastMs");  // the reply's delay after the echo
    QTest::addColumn<int>("maxPiece");   // longest piece of the reply, 0: one piece
    QTest::newRow("latency") << QByteArrayList{"set latency 400"} << 400 << 0;
    QTest::newRow("split and gap") << QByteArrayList{"set split 5", "set gap 60"} << 120 << 5;
    QTest::newRow("back to a clean line") << QByteArrayList{"set latency 400", "set split 5", "set gap 60",
                                                            "set latency 0", "set split 0", "set gap 0"}
                                          << 0 << 0;
}

void TstZenksimPorts::lineFaultsWhileRunning()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(int, atLeastMs);
    QFETCH(int, maxPiece);
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(modem.command("AT+CBC"), QByteArray("AT+CBC\r\r\n+CBC: 0,80\r\n\r\nOK\r\n"));
    for (const QByteArray &c : commands)
        QCOMPARE(sim.control(c), QByteArray("OK\n"));
    QVERIFY(modem.write("AT+CBC\r"));
    QElapsedTimer timer;
    timer.start();
    const QList<QByteArray> chunks = modem.readChunks(10000);
    QCOMPARE(chunks.join(), QByteArray("AT+CBC\r\r\n+CBC: 0,80\r\n\r\nOK\r\n"));
    QVERIFY2(timer.elapsed() >= atLeastMs, qPrintable(QString::number(timer.elapsed())));
    if (maxPiece > 0) {
        QVERIFY(chunks.size() >= 5);
        for (qsizetype i = 1; i < chunks.size(); ++i)
            QVERIFY2(chunks[i].size() <= maxPiece, chunks[i].constData());
    } else if (atLeastMs == 0) {
        QVERIFY(timer.elapsed() < 2000);
    }
    // Typed: a value out of range is refused and the key keeps its value.
    QCOMPARE(sim.control("set latency -1"), QByteArray("ERROR bad value for latency: expected 0..600000\n"));
    QCOMPARE(sim.control("set split lots"), QByteArray("ERROR bad value for split: expected 0..1048576\n"));
    QCOMPARE(sim.control("get latency"), QByteArray::number(atLeastMs == 400 ? 400 : 0) + '\n');
}

// Junk lines come before answers at the rate asked, are never a result code,
// and come again the same after the same seed.
void TstZenksimPorts::junkLinesAreSeeded()
{
    SimProcess sim({"--no-echo"});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QCOMPARE(sim.control("set junk 1000"), QByteArray("OK\n"));
    QCOMPARE(sim.control("set junk 1001"), QByteArray("ERROR bad value for junk: expected 0..1000\n"));
    auto junkOf = [&] {
        const QByteArray reply = modem.command("AT+CGMM");
        QList<QByteArray> lines;
        for (const QByteArray &l : reply.split('\n'))
            if (!l.trimmed().isEmpty())
                lines.append(l.trimmed());
        return lines;
    };
    QList<QByteArray> first;
    for (int i = 0; i < 5; ++i) {
        const QList<QByteArray> lines = junkOf();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.mid(1), (QList<QByteArray>{"Zenk", "OK"}));
        QVERIFY(lines[0] != "OK" && lines[0] != "ERROR" && lines[0] != "Zenk");
        first.append(lines[0]);
    }
    QCOMPARE(sim.control("set junk.seed 1"), QByteArray("OK\n"));  // the seed it started with
    QCOMPARE(sim.control("set junk.seed 7"), QByteArray("OK\n"));
    QCOMPARE(sim.control("set junk.seed 1"), QByteArray("OK\n"));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(junkOf().first(), first[i]);
    QCOMPARE(sim.control("set junk 0"), QByteArray("OK\n"));
    QCOMPARE(junkOf(), (QList<QByteArray>{"Zenk", "OK"}));
}

// Nobody has the GPS port open for seconds: who opens it then gets the
// current second, not the seconds before.
void TstZenksimPorts::gpsPortKeepsNoOldSentences()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QTest::qWait(4500);
    RawLine gps(sim.gpsPath());
    QVERIFY(gps.isOpen());
    const QByteArray waiting = gps.readFor(300);
    QVERIFY2(waiting.count("GGA,") <= 2, waiting.constData());
    // And a reader gets every second.
    QByteArray later;
    for (int i = 0; i < 15 && later.count("GGA,") < 2; ++i) {
        later += gps.readFor(200);
    }
    QVERIFY2(later.count("GGA,") >= 2, later.constData());
}

void TstZenksimPorts::diagnostic_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArrayList>("expected");  // hex payloads of the replies, in order

    const QByteArray freeSpace = "590c00" "00bc3400" "00008000" "00020000";
    QTest::newRow("port probe") << QByteArray::fromHex("590CC4C17E") << QByteArrayList{freeSpace};
    QTest::newRow("leading flag") << QByteArray::fromHex("7E590CC4C17E") << QByteArrayList{freeSpace};
    QTest::newRow("two in one write") << QByteArray::fromHex("590CC4C17E590CC4C17E")
                                      << QByteArrayList{freeSpace, freeSpace};
    QTest::newRow("bad check value") << QByteArray::fromHex("590CC4C27E") << QByteArrayList{"13590cc4c2"};
    QTest::newRow("unknown command") << frame(QByteArray::fromHex("4B0F00"))
                                     << QByteArrayList{"134b0f00"};
    QTest::newRow("escaped request") << frame(QByteArray::fromHex("597E7D"))
                                     << QByteArrayList{"13597e7d"};
}

void TstZenksimPorts::diagnostic()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArrayList, expected);
    SimProcess sim;
    QVERIFY(sim.start());
    // A fixed free space instead of what the demo file system leaves.
    QVERIFY(sim.control("set fs.free 3456000").startsWith("OK"));
    RawLine diag(sim.diagPath());
    QVERIFY(diag.write(sent));
    QByteArray received;
    QDeadlineTimer deadline(5000);
    while (received.count(char(0x7E)) < expected.size() && !deadline.hasExpired())
        received += diag.readUntil(QByteArray(1, 0x7E), int(deadline.remainingTime()));
    bool checksOk = false;
    const QList<QByteArray> got = payloads(received, &checksOk);
    QVERIFY(checksOk);
    QByteArrayList hex;
    for (const QByteArray &p : got)
        hex.append(p.toHex());
    QCOMPARE(hex, expected);
    if (sent.startsWith(QByteArray::fromHex("590CC4C1")))
        QVERIFY(received.contains(QByteArray::fromHex("590C0000")));  // what the port probe looks for
}

// A standard AT client identifies the handset over the modem port.
void TstZenksimPorts::gammuIdentifies()
{
    const QString gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (gammu.isEmpty())
        QSKIP("gammu is not installed");
    SimProcess sim;
    QVERIFY(sim.start());
    const QString config = sim.dir() + QStringLiteral("/gammurc");
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[gammu]\ndevice = " + sim.modemPath().toLocal8Bit() + "\nconnection = at\n");
    file.close();
    QProcess process;
    process.start(gammu, {QStringLiteral("-c"), config, QStringLiteral("identify")});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY2(process.exitCode() == 0, (out + process.readAllStandardError()).constData());
    QVERIFY2(out.contains("TORVANE"), out.constData());
    QVERIFY2(out.contains("Zenk"), out.constData());
    QVERIFY2(out.contains("356938035643809"), out.constData());
    QVERIFY2(out.contains("230012345678901"), out.constData());
}

QTEST_GUILESS_MAIN(TstZenksimPorts)
#include "tst_zenksim_ports.moc"
