// The GPS port of the simulated handset, read by the GPS page, by
// torvane-cli gps watch and by gpsd (a peer from Debian; skipped without it).

#include "comport.h"
#include "gpspage.h"
#include "pty.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString Cli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

// A free TCP port of the loopback interface (the kernel's choice).
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool logHas(QListWidget *log, const QString &part)
{
    for (int i = log->count() - 1; i >= 0; --i)
        if (log->item(i)->text().contains(part))
            return true;
    return false;
}

QStringList rowCaptions(QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount() && list->topLevelItem(i)->text(0) != QLatin1String(" "); ++i)
        out.append(list->topLevelItem(i)->text(0));
    return out;
}

struct PageOnSim
{
    ScriptedDialogs dialogs;
    SimProcess sim;
    TComPort port{QStringLiteral("GPSPort")};
    GpsPage page{&port};

    explicit PageOnSim(QStringList args = {}) : sim(std::move(args)) {}
    bool start()
    {
        if (!sim.start())
            return false;
        port.setPort(sim.gpsPath());
        page.GPSPripoj()->click();
        return port.Connected();
    }
};

} // namespace

class TestGpsSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia)); }
    void pageFollowsTheReceiver();
    void faultsDoNotReachTheDisplay();
    void recordedLogIsPlayed();
    void cliWatch();
    void cliStopsOnCtrlC();
    void cliCountsFixesExactly();
    void gpsdReadsTheSimulatedPort();
};

void TestGpsSim::pageFollowsTheReceiver()
{
    PageOnSim f;
    QVERIFY(f.start());
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lLatitude()->text(), QStringLiteral("50.05 14 83 N"), 10000);
    QCOMPARE(f.page.lLongitude()->text(), QStringLiteral("14.25 14 42 E"));
    QCOMPARE(f.page.lAltitude()->text(), QStringLiteral("235.0"));
    QCOMPARE(f.page.lSatelits()->text(), QStringLiteral("05"));
    QTRY_COMPARE_WITH_TIMEOUT(rowCaptions(f.page.lvSatellits()),
                              (QStringList{"G03", "G06", "G17", "G19", "G22", "G28"}), 10000);

    QCOMPARE(f.sim.control("set gps.sats \"3:40:45:38,17:70:300:,22:10:200:25\""), QByteArray("OK\n"));
    QCOMPARE(f.sim.control("set gps.lat -33.8688"), QByteArray("OK\n"));
    QCOMPARE(f.sim.control("set gps.lon -151.2093"), QByteArray("OK\n"));
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lLatitude()->text(), QStringLiteral("33.52 07 68 S"), 10000);
    QCOMPARE(f.page.lLongitude()->text(), QStringLiteral("151.12 33 48 W"));
    QTRY_COMPARE_WITH_TIMEOUT(rowCaptions(f.page.lvSatellits()), (QStringList{"G03", "G17", "G22"}), 10000);
    QVERIFY(f.dialogs.requests.isEmpty());
}

void TestGpsSim::faultsDoNotReachTheDisplay()
{
    PageOnSim f;
    QVERIFY(f.start());
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lLatitude()->text(), QStringLiteral("50.05 14 83 N"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(rowCaptions(f.page.lvSatellits()).size(), 6, 10000);

    // Every sentence corrupted: the new position is logged, never shown.
    QCOMPARE(f.sim.control("set gps.fault.checksum 1"), QByteArray("OK\n"));
    QCOMPARE(f.sim.control("set gps.lat 49.5"), QByteArray("OK\n"));
    QTRY_VERIFY_WITH_TIMEOUT(logHas(f.page.lbLOG(), QStringLiteral("4930.0000,N")), 10000);
    QCOMPARE(f.page.lLatitude()->text(), QStringLiteral("50.05 14 83 N"));

    // Sentence 2 of every GSV cycle lost: the satellites shown stay those of
    // the last complete cycle, although the receiver now sees only three.
    QCOMPARE(f.sim.control("set gps.fault.checksum 0"), QByteArray("OK\n"));
    QCOMPARE(f.sim.control("set gps.fault.gsvdrop 2"), QByteArray("OK\n"));
    QCOMPARE(f.sim.control("set gps.sats \"3:40:45:38,6:22:120:33,17:70:300:,19:55:170:41,22:10:200:25\""),
             QByteArray("OK\n"));
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lLatitude()->text(), QStringLiteral("49.30 00 00 N"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(logHas(f.page.lbLOG(), QStringLiteral("$GPGSV,2,1,05,")), 10000);
    QCOMPARE(rowCaptions(f.page.lvSatellits()).size(), 6);
    QCOMPARE(f.sim.control("set gps.fault.gsvdrop 0"), QByteArray("OK\n"));
    QTRY_COMPARE_WITH_TIMEOUT(rowCaptions(f.page.lvSatellits()).size(), 5, 10000);
}

void TestGpsSim::recordedLogIsPlayed()
{
    PageOnSim f({QStringLiteral("--nmea"), QStringLiteral(GPS_DATA_DIR "/south-west.nmea")});
    QVERIFY(f.start());
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lLatitude()->text(), QStringLiteral("34.36 31 26 S"), 10000);
    QCOMPARE(f.page.lLongitude()->text(), QStringLiteral("58.22 55 02 W"));
    // The header of the log is not sent.
    QVERIFY(!logHas(f.page.lbLOG(), QStringLiteral("#")));
}

void TestGpsSim::cliWatch()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QProcess cli;
    cli.start(Cli, {QStringLiteral("gps"), QStringLiteral("watch"), QStringLiteral("--port"), sim.gpsPath(),
                    QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--json")});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    for (const QByteArray &line : lines) {
        QJsonParseError error;
        const QJsonObject fix = QJsonDocument::fromJson(line, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
        QVERIFY(qAbs(fix[QStringLiteral("lat")].toDouble() - 50.087451) < 1e-5);
        QVERIFY(qAbs(fix[QStringLiteral("lon")].toDouble() - 14.420671) < 1e-5);
        QCOMPARE(fix[QStringLiteral("alt")].toDouble(), 235.0);
        QCOMPARE(fix[QStringLiteral("used")].toInt(), 5);
        QCOMPARE(fix[QStringLiteral("time")].toString().size(), 8);
    }
    // By the second fix a whole GSV cycle has arrived.
    const QJsonArray sats = QJsonDocument::fromJson(lines[1]).object()[QStringLiteral("satellites")].toArray();
    QCOMPARE(sats.size(), 6);
    const QJsonObject s17 = sats[2].toObject();
    QCOMPARE(s17[QStringLiteral("id")].toInt(), 17);
    QCOMPARE(s17[QStringLiteral("constellation")].toString(), QStringLiteral("GPS"));
    QCOMPARE(s17[QStringLiteral("elevation")].toInt(), 70);
    QCOMPARE(s17[QStringLiteral("azimuth")].toInt(), 300);
    QVERIFY(s17[QStringLiteral("snr")].isNull());
}

void TestGpsSim::cliStopsOnCtrlC()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QProcess cli;
    cli.start(Cli, {QStringLiteral("gps"), QStringLiteral("watch"), QStringLiteral("--port"), sim.gpsPath()});
    QVERIFY(cli.waitForStarted(10000));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("  G03  GPS"), 15000);
    ::kill(pid_t(cli.processId()), SIGINT);
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(out.contains("lat 50.05 14 83 N  lon 14.25 14 42 E  alt 235.0 m  used 05"));

    QProcess bad;
    bad.start(Cli, {QStringLiteral("gps"), QStringLiteral("watch"), QStringLiteral("--port"),
                    sim.dir() + QStringLiteral("/missing")});
    QVERIFY(bad.waitForFinished(10000));
    QCOMPARE(bad.exitCode(), 1);
    QVERIFY(bad.readAllStandardError().contains("Unable to open com port"));
}

// Five seconds of sentences waiting on the line reach the program in one
// read: --count 2 prints two fixes, the first of them without a position.
void TestGpsSim::cliCountsFixesExactly()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    auto sentence = [](const QByteArray &body) { return '$' + body + '*' + Nmea::checksumOf(body) + "\r\n"; };
    QByteArray burst = sentence("GPGGA,120000,4807.038,N,01131.000,E,0,00,99.99,545.4,M,,M,,");
    for (int second = 1; second < 5; ++second)
        burst += sentence("GPGGA,12000" + QByteArray::number(second) + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,")
                 + sentence("GPGSV,1,1,01,03,40,045,38");
    QVERIFY(pty.write(burst));
    QProcess cli;
    cli.start(Cli, {QStringLiteral("gps"), QStringLiteral("watch"), QStringLiteral("--port"), pty.slavePath(),
                    QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--json")});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(first[QStringLiteral("time")].toString(), QStringLiteral("12:00:00"));
    QCOMPARE(first[QStringLiteral("fix")].toBool(true), false);
    QVERIFY(first[QStringLiteral("lat")].isNull());
    QVERIFY(first[QStringLiteral("lon")].isNull());
    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    QCOMPARE(second[QStringLiteral("time")].toString(), QStringLiteral("12:00:01"));
    QCOMPARE(second[QStringLiteral("fix")].toBool(), true);
    QVERIFY(qAbs(second[QStringLiteral("lat")].toDouble() - 48.1173) < 1e-6);
}

void TestGpsSim::gpsdReadsTheSimulatedPort()
{
    const QString gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"), {"/usr/sbin", "/usr/bin", "/sbin"});
    const QString gpspipe = QStandardPaths::findExecutable(QStringLiteral("gpspipe"));
    if (gpsd.isEmpty() || gpspipe.isEmpty())
        QSKIP("gpsd and gpspipe are not installed");
    SimProcess sim;
    QVERIFY(sim.start());
    // A port of our own, so that a system gpsd on 2947 is never involved.
    const int free = freePort();
    QVERIFY(free > 0);
    const QString port = QString::number(free);

    QProcess daemon;
    daemon.start(gpsd, {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-S"), port,
                        sim.gpsPath()});
    QVERIFY(daemon.waitForStarted(10000));
    QProcess pipe;
    QByteArray out;
    // gpsd may need a moment to listen: retry the client until it reports.
    for (int attempt = 0; attempt < 10 && !(out.contains("\"class\":\"TPV\"") && out.contains("\"class\":\"SKY\""));
         ++attempt) {
        pipe.start(gpspipe, {QStringLiteral("-w"), QStringLiteral("-n"), QStringLiteral("25"),
                             QStringLiteral("127.0.0.1:") + port});
        QVERIFY(pipe.waitForStarted(5000));
        if (!pipe.waitForFinished(15000)) {
            pipe.kill();
            pipe.waitForFinished(3000);
        }
        out += pipe.readAllStandardOutput();
        if (!out.contains("\"class\":\"TPV\""))
            QTest::qWait(300);
    }
    daemon.terminate();
    daemon.waitForFinished(5000);

    bool position = false, satellites = false;
    for (const QByteArray &line : out.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString cls = o[QStringLiteral("class")].toString();
        if (cls == QLatin1String("TPV") && o.contains(QStringLiteral("lat")))
            position = qAbs(o[QStringLiteral("lat")].toDouble() - 50.087451) < 1e-4
                       && qAbs(o[QStringLiteral("lon")].toDouble() - 14.420671) < 1e-4;
        if (cls == QLatin1String("SKY") && o[QStringLiteral("satellites")].toArray().size() == 6)
            satellites = o[QStringLiteral("satellites")].toArray()[0].toObject()[QStringLiteral("PRN")].toInt() == 3;
    }
    QVERIFY2(position, out.constData());
    QVERIFY2(satellites, out.constData());
}

QTEST_MAIN(TestGpsSim)
#include "tst_gps_sim.moc"
