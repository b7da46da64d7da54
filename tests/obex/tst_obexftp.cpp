// A standard OBEX client from Debian (obexftp over the tty) against the
// simulated handset: it enters OBEX mode with AT+CPROT=0 and lists, puts,
// gets and deletes files. It never leaves OBEX mode; the explorer's exchange
// that follows still gets the port back to AT commands. Skipped without
// obexftp.

#include "attransport.h"
#include "comport.h"
#include "obexexchange.h"
#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ObexFailure)

class TestObexftp : public QObject
{
    Q_OBJECT

private slots:
    void peerClient();
};

void TestObexftp::peerClient()
{
    const QString obexftp = QStandardPaths::findExecutable(QStringLiteral("obexftp"));
    if (obexftp.isEmpty())
        QSKIP("obexftp is not installed");
    QTemporaryDir tree;
    QTemporaryDir pc;
    QDir(tree.path()).mkpath("mmc");
    SimProcess sim({QStringLiteral("--obex"), tree.path()});
    QVERIFY(sim.start());
    sim.control("set obex.guard 50");
    // obexftp's tty transport reads at most 500 bytes at a time and takes
    // each read for one whole response: a longer packet, though within the
    // 1024 bytes it offers in CONNECT, fails it. The handset keeps its
    // responses within what the client can take that way.
    sim.control("set obex.send_max 500");

    auto run = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(pc.path());
        p.start(obexftp, QStringList{"-t", sim.modemPath()} + args);
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(3000);
        }
        return p.readAllStandardOutput() + p.readAllStandardError();
    };

    QFile up(QDir(pc.path()).filePath("up.txt"));
    QVERIFY(up.open(QIODevice::WriteOnly));
    up.write("from obexftp");
    up.close();
    run({"-c", "mmc", "-p", "up.txt"});
    QFile onHandset(QDir(tree.path()).filePath("mmc/up.txt"));
    QVERIFY(onHandset.open(QIODevice::ReadOnly));
    QCOMPARE(onHandset.readAll(), QByteArray("from obexftp"));

    const QByteArray listing = run({"-l", "/mmc"});
    QVERIFY2(listing.contains("<file name=\"up.txt\" size=\"12\""), listing.constData());

    QVERIFY(QFile::remove(up.fileName()));
    run({"-c", "mmc", "-g", "up.txt"});
    QVERIFY(up.open(QIODevice::ReadOnly));
    QCOMPARE(up.readAll(), QByteArray("from obexftp"));

    run({"-c", "mmc", "-k", "up.txt"});
    QVERIFY(!onHandset.exists());

    // A file of many packets each way.
    QByteArray big(5000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 7) % 256);
    QFile bigUp(QDir(pc.path()).filePath("big.bin"));
    QVERIFY(bigUp.open(QIODevice::WriteOnly));
    bigUp.write(big);
    bigUp.close();
    run({"-c", "mmc", "-p", "big.bin"});
    QFile bigOnHandset(QDir(tree.path()).filePath("mmc/big.bin"));
    QVERIFY(bigOnHandset.open(QIODevice::ReadOnly));
    QCOMPARE(bigOnHandset.readAll(), big);
    bigOnHandset.close();
    QVERIFY(QFile::remove(bigUp.fileName()));
    run({"-c", "mmc", "-g", "big.bin"});
    QVERIFY(bigUp.open(QIODevice::ReadOnly));
    QCOMPARE(bigUp.readAll(), big);
    // A listing longer than one packet.
    for (int i = 0; i < 30; ++i)
        QFile(QDir(tree.path()).filePath(QStringLiteral("mmc/a-file-with-a-long-name-%1.txt").arg(i)))
            .open(QIODevice::WriteOnly);
    const QByteArray longListing = run({"-l", "/mmc"});
    QVERIFY2(longListing.contains("a-file-with-a-long-name-29.txt") && longListing.contains("big.bin"),
             longListing.constData());
    QVERIFY(sim.control("log").contains("AT+CPROT=0"));

    // obexftp left the port in OBEX mode; the explorer still gets through.
    QCOMPARE(sim.control("get obex.mode"), QByteArray("obex\n"));
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    ObexExchange exchange(&port);
    exchange.setGuardTime(60);
    exchange.setAtTimeout(1000);
    exchange.restoreReceiveHandler = [&port] { port.OnRxChar = nullptr; };
    QSignalSpy finished(&exchange, &ObexExchange::finished);
    QSignalSpy listed(&exchange, &ObexExchange::listingReceived);
    QVERIFY(exchange.start(ExplorerOperation::FolderListing, "\\mmc\\"));
    QVERIFY(finished.wait(20000));
    QVERIFY(!finished.first().first().value<ObexFailure>().failed());
    QCOMPARE(listed.size(), 1);
    QVERIFY(CheckPresence(port));
    QCOMPARE(sim.control("get obex.mode"), QByteArray("at\n"));
}

QTEST_GUILESS_MAIN(TestObexftp)
#include "tst_obexftp.moc"
