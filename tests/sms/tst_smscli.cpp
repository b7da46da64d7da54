// torvane-cli sms list | delete against the simulated handset: the built
// program, its output, the archive it writes and its exit status.

#include "simprocess.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include "clirun.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Cli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");


} // namespace

class TstSmsCli : public QObject
{
    Q_OBJECT

private slots:
    void listJson();
    void listCsv();
    void deleteOne();
    void errors_data();
    void errors();
};

// One object a line, in store order; no time for stored outgoing messages.
void TstSmsCli::listJson()
{
    SimProcess sim;
    QVERIFY(sim.start());
    const CliRun r = RunCli({QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                          QStringLiteral("--json")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QByteArrayList lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 7);
    QList<int> indexes;
    for (const QByteArray &line : lines) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
        indexes << o.value(QStringLiteral("index")).toInt();
        const int status = o.value(QStringLiteral("status")).toInt();
        QCOMPARE(o.contains(QStringLiteral("time")), status < 2);
        if (indexes.last() == 2) {
            QCOMPARE(o.value(QStringLiteral("number")).toString(), QStringLiteral("420777987654"));
            QCOMPARE(o.value(QStringLiteral("time")).toString(), QStringLiteral("09.12.2026 09:15:02"));
            QCOMPARE(o.value(QStringLiteral("text")).toString(),
                     QStringLiteral("Dobrý den, zásilka č. 4711 je připravena k vyzvednutí."));
        }
    }
    QCOMPARE(indexes, (QList<int>{1, 2, 3, 21, 22, 23, 24}));

    // One memory and one status.
    const CliRun sent = RunCli({QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                             QStringLiteral("--memory"), QStringLiteral("me"), QStringLiteral("--status"),
                             QStringLiteral("3"), QStringLiteral("--json")});
    QVERIFY2(sent.exitCode == 0, sent.err.constData());
    QCOMPARE(sent.out, QByteArray("{\"index\": 4, \"status\": 3, \"number\": \"420777987654\", \"text\": "
                                  "\"Děkuji, přijedu v sobotu ráno.\"}\n"));
}

void TstSmsCli::listCsv()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("archivsms.csv"));
    const CliRun r = RunCli({QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                          QStringLiteral("--memory"), QStringLiteral("SM"), QStringLiteral("--csv"), csv});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("420603123456;;08.12.2026 18:42:10;Ahoj, zitra v 10 u kina?\r\n420777987654;;"));
    QCOMPARE(bytes.count("\r\n"), 3);
    // Windows-1250: "č" is E8.
    QVERIFY(bytes.contains("z\xE1silka \xE8. 4711"));
}

// The message goes from the handset's state; deleting it again fails.
void TstSmsCli::deleteOne()
{
    SimProcess sim;
    QVERIFY(sim.start());
    const QStringList args{QStringLiteral("sms"), QStringLiteral("delete"), QStringLiteral("22"),
                           QStringLiteral("--port"), sim.modemPath()};
    const CliRun r = RunCli(args);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QByteArray dump = sim.control("dump");
    QVERIFY(!dump.contains("sms.ME.2 ="));
    QVERIFY(dump.contains("sms.ME.1 ="));
    const CliRun again = RunCli(args);
    QCOMPARE(again.exitCode, 1);
    QCOMPARE(again.err, QByteArray("torvane-cli: sms delete: the handset refused deleting: +CMS ERROR: 321\n"));
}

void TstSmsCli::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");

    const QString port = QStringLiteral("@PORT@");
    QTest::newRow("status out of range") << QStringList{"sms", "list", "--status", "5", "--port", port} << 2
                                         << QByteArray("status 5 is not 0 to 4");
    QTest::newRow("unknown memory") << QStringList{"sms", "list", "--memory", "SIM", "--port", port} << 2
                                    << QByteArray("unknown memory SIM");
    QTest::newRow("stray argument") << QStringList{"sms", "list", "all", "--port", port} << 2
                                    << QByteArray("unexpected argument all");
    QTest::newRow("no index") << QStringList{"sms", "delete", "--port", port} << 2 << QByteArray("no message index");
    QTest::newRow("bad index") << QStringList{"sms", "delete", "x3", "--port", port} << 2
                               << QByteArray("x3 is not a message index");
    QTest::newRow("no such port") << QStringList{"sms", "list", "--port", "/nonexistent/modem"} << 1
                                  << QByteArray("cannot open /nonexistent/modem");
    QTest::newRow("text mode refused") << QStringList{"sms", "list", "--port", port} << 1
                                       << QByteArray("the handset refused listing: +CMS ERROR: 303");
}

void TstSmsCli::errors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);

    SimProcess sim;
    QVERIFY(sim.start());
    if (QByteArray(QTest::currentDataTag()) == "text mode refused")
        QCOMPARE(sim.control("set at.cmgf 1"), QByteArray("OK\n"));
    args.replaceInStrings(QStringLiteral("@PORT@"), sim.modemPath());
    const CliRun r = RunCli(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(TstSmsCli)
#include "tst_smscli.moc"
