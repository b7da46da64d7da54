// torvane-cli info against the simulated handset: every row of the readout,
// as text and as JSON, and the failures a user meets (no handset, no port).

#include "simprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

// The simulated handset's default state, row by row.
const QByteArray kJson =
    "{\"maker\": \"TORVANE\", \"model\": \"Zenk\", \"firmware\": \"ZK_V1.04.12 2006-11-20\", "
    "\"imei\": \"356938035643809\", \"battery\": \"80 %\", \"signal\": \"-71 dBm   68%\", "
    "\"operator\": \"T-Mobile CZ\", \"imsi\": \"230012345678901\", "
    "\"simNumber\": \"8942001234567890123\", \"smsCentre\": \"+420603052000\", "
    "\"callCharges\": \"2.50 CZK\", \"ringLevel\": 3, \"speakerLevel\": 2, \"alertMode\": 0, "
    "\"pinLock\": false, \"simBinding\": false, \"keyLock\": false, \"vibration\": true, "
    "\"microphoneMute\": false, \"handsFree\": false, \"incomplete\": false, \"unanswered\": []}\n";

} // namespace

class TestCliInfo : public QObject
{
    Q_OBJECT

private slots:
    void info_data();
    void info();
    void noPortConfigured_data();
    void noPortConfigured();
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
    // The centre as stored: a national number has no "+", an international
    // one keeps it.
    QTest::newRow("national SMS centre")
        << QStringList{"--state", "STATE"} << QStringList{"info", "--port", "PORT"} << 0
        << QByteArray("SMS centre: 0603052000\n") << QByteArray();
    QTest::newRow("international SMS centre keeps its +")
        << sim << QStringList{"info", "--port", "PORT"} << 0
        << QByteArray("SMS centre: +420603052000\n") << QByteArray();
    QTest::newRow("relative port path") << sim << QStringList{"info", "--port", "RELATIVE"} << 0
                                        << QByteArray("maker: TORVANE\n") << QByteArray();
    // Replies that trickle in past their bound: rows left empty rather than
    // shifted onto the next query, and the readout said to be incomplete.
    QTest::newRow("replies past their bound")
        << QStringList{"--split", "3", "--gap", "200"} << QStringList{"info", "--json", "--port", "PORT"}
        << 1 << QByteArray("\"incomplete\": true, \"unanswered\": [\"")
        << QByteArray("the readout is incomplete: no answer in time to ");
    QTest::newRow("port that is no serial device")
        << QStringList{} << QStringList{"info", "--port", "LOCKED"} << 1 << QByteArray()
        << QByteArray("(Inappropriate ioctl for device)");
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
        f.write("operator.name = \"\\xC8esk\\xFD Mobil\"\n"
                "smsc.number = \"0603052000\"\nsmsc.type = 129\n");
    }
    // A file that exists but is no serial device: the port cannot be opened,
    // and the message names the system's error text, no Windows code.
    const QString locked = folder.filePath(QStringLiteral("locked"));
    {
        QFile f(locked);
        QVERIFY(f.open(QIODevice::WriteOnly));
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
    args.replaceInStrings(QStringLiteral("LOCKED"), locked);
    // The simulator's folder seen from its parent: "sim-XXXX/modem".
    const QDir simParent = QFileInfo(QFileInfo(port).absolutePath()).dir();
    args.replaceInStrings(QStringLiteral("RELATIVE"), simParent.relativeFilePath(port));

    QProcess p;
    p.setWorkingDirectory(simParent.absolutePath());
    p.start(kCli, args);
    QVERIFY(p.waitForFinished(120000));
    const QByteArray out = p.readAllStandardOutput();
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(out.contains(outPart), out.constData());
    QVERIFY2(err.contains(errPart), err.constData());
    QVERIFY2(!err.contains("win error code"), err.constData());
}

void TestCliInfo::noPortConfigured_data()
{
    QTest::addColumn<QStringList>("args");

    // One rule for every command that talks to the handset.
    QTest::newRow("info") << QStringList{"info"};
    QTest::newRow("phonebook read") << QStringList{"phonebook", "read", "SM"};
    QTest::newRow("sms list") << QStringList{"sms", "list"};
    QTest::newRow("sms send") << QStringList{"sms", "send", "+420603123456", "Ahoj"};
    QTest::newRow("obex ls") << QStringList{"obex", "ls"};
    QTest::newRow("gps watch") << QStringList{"gps", "watch", "--count", "1"};
    QTest::newRow("diag ls") << QStringList{"diag", "ls"};
}

void TestCliInfo::noPortConfigured()
{
    QFETCH(QStringList, args);

    // A copy of the program in a folder of its own has no torvane.ini beside it.
    QTemporaryDir folder;
    const QString cli = folder.filePath(QStringLiteral("torvane-cli"));
    QVERIFY(QFile::copy(kCli, cli));
    QProcess p;
    p.setWorkingDirectory(folder.path());
    p.start(cli, args);
    QVERIFY(p.waitForFinished(30000));
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(err.contains("port: give --port DEVICE"), err.constData());
}

QTEST_GUILESS_MAIN(TestCliInfo)
#include "tst_cli_info.moc"
