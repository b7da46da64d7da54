// torvane-cli info against the simulated handset: every row of the readout,
// as text and as JSON, and the failures a user meets (no handset, no port).

#include "simprocess.h"

#include <QProcess>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

// The simulated handset's default state, row by row.
const QByteArray kJson =
    "{\"maker\": \"TORVANE\", \"model\": \"Zenk\", \"firmware\": \"ZK_V1.04.12 2006-11-20\", "
    "\"imei\": \"356938035643809\", \"battery\": \"80 %\", \"signal\": \"-71 dBm   68%\", "
    "\"operator\": \"T-Mobile CZ\", \"imsi\": \"230012345678901\", "
    "\"simNumber\": \"8942001234567890123\", \"smsCentre\": \"420603052000\", "
    "\"callCharges\": \"2.50 CZK\", \"ringLevel\": 3, \"speakerLevel\": 2, \"alertMode\": 0, "
    "\"pinLock\": false, \"simBinding\": false, \"keyLock\": false, \"vibration\": true, "
    "\"microphoneMute\": false, \"handsFree\": false}\n";

} // namespace

class TestCliInfo : public QObject
{
    Q_OBJECT

private slots:
    void info_data();
    void info();
};

void TestCliInfo::info_data()
{
    QTest::addColumn<QStringList>("simArgs");   // empty: no simulator, port "absent"
    QTest::addColumn<QStringList>("args");      // "PORT" stands for the modem port
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("outPart");
    QTest::addColumn<QByteArray>("errPart");

    const QStringList sim{"--split", "7", "--gap", "2"};
    QTest::newRow("JSON") << sim << QStringList{"info", "--json", "--port", "PORT"} << 0
                          << kJson << QByteArray();
    QTest::newRow("text rows") << sim << QStringList{"info", "--port", "PORT"} << 0
                               << QByteArray("maker: TORVANE\nmodel: Zenk\n") << QByteArray();
    QTest::newRow("Czech operator name in UTF-8")
        << QStringList{"--state", "STATE"} << QStringList{"info", "--port", "PORT"} << 0
        << QByteArray("operator: \xC4\x8C" "esk\xC3\xBD" " Mobil\n") << QByteArray();
    QTest::newRow("silent handset") << QStringList{"--silent"} << QStringList{"info", "--port", "PORT"}
                                    << 1 << QByteArray() << QByteArray("no handset answers on");
    QTest::newRow("no such port") << QStringList{} << QStringList{"info", "--port", "PORT"} << 1
                                  << QByteArray() << QByteArray("does not exist");
    QTest::newRow("stray argument") << QStringList{} << QStringList{"info", "now"} << 2
                                    << QByteArray() << QByteArray("unexpected argument now");
}

void TestCliInfo::info()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, outPart);
    QFETCH(QByteArray, errPart);

    QTemporaryDir folder;
    const QString state = folder.filePath(QStringLiteral("state"));
    {
        // "Český Mobil" as the handset sends it, in Windows-1250.
        QFile f(state);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("operator.name = \"\\xC8esk\\xFD Mobil\"\n");
    }
    simArgs.replaceInStrings(QStringLiteral("STATE"), state);
    std::unique_ptr<SimProcess> sim;
    QString port = folder.filePath(QStringLiteral("absent"));
    if (!simArgs.isEmpty()) {
        sim = std::make_unique<SimProcess>(simArgs);
        QVERIFY(sim->start());
        port = sim->modemPath();
    }
    args.replaceInStrings(QStringLiteral("PORT"), port);

    QProcess p;
    p.start(kCli, args);
    QVERIFY(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(out.contains(outPart), out.constData());
    QVERIFY2(err.contains(errPart), err.constData());
}

QTEST_GUILESS_MAIN(TestCliInfo)
#include "tst_cli_info.moc"
