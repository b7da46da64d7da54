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
    void listParts();
    void listUnicodeAndCut();
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
            // International numbers keep their "+".
            QCOMPARE(o.value(QStringLiteral("number")).toString(), QStringLiteral("+420777987654"));
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
    QCOMPARE(sent.out, QByteArray("{\"index\": 4, \"status\": 3, \"number\": \"+420777987654\", \"text\": "
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

// The two parts of the demo's concatenated message (ME 1 and 2, reference
// 2A) say what they are; --join prints the message once, joined.
void TstSmsCli::listParts()
{
    SimProcess sim;
    QVERIFY(sim.start());
    const QStringList list{QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                           QStringLiteral("--memory"), QStringLiteral("ME"), QStringLiteral("--json")};
    const CliRun parts = RunCli(list);
    QVERIFY2(parts.exitCode == 0, parts.err.constData());
    const QByteArrayList lines = parts.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].startsWith("{\"index\": 1, \"status\": 0, \"number\": \"+420604555111\", \"time\": "
                                 "\"10.12.2026 08:30:45\", \"part\": 1, \"parts\": 2, \"reference\": 42, \"text\": \"Ahoj Petre"),
             lines[0].constData());
    QVERIFY2(lines[1].contains("\"part\": 2, \"parts\": 2, \"reference\": 42, \"text\": \"v kuchyni je drevo na dva dny.\"}"),
             lines[1].constData());
    QVERIFY(!lines[2].contains("\"part"));

    const CliRun joined = RunCli(list + QStringList{QStringLiteral("--join")});
    QVERIFY2(joined.exitCode == 0, joined.err.constData());
    const QByteArrayList records = joined.out.trimmed().split('\n');
    QCOMPARE(records.size(), 3);
    const QJsonObject o = QJsonDocument::fromJson(records[0]).object();
    QCOMPARE(o.value(QStringLiteral("index")).toInt(), 1);
    QCOMPARE(o.value(QStringLiteral("indexes")).toVariant().toList(), (QVariantList{1, 2}));
    QCOMPARE(o.value(QStringLiteral("parts")).toInt(), 2);
    QVERIFY(!o.contains(QStringLiteral("part")));
    QVERIFY(!o.contains(QStringLiteral("missing")));
    QCOMPARE(o.value(QStringLiteral("text")).toString(),
             QStringLiteral("Ahoj Petre, posilam ti adresu chaty: Horni Lhota 12, 756 01. Klic je pod rohozkou u "
                            "zadnich dveri, v kuchyni je drevo na dva dny."));
    QCOMPARE(QJsonDocument::fromJson(records[1]).object().value(QStringLiteral("index")).toInt(), 3);

    // With part 1 gone, the record is part 2's and says what is missing.
    QCOMPARE(sim.control("set sms.ME.1 \"\""), QByteArray("OK\n"));
    const QStringList text{QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                           QStringLiteral("--memory"), QStringLiteral("ME"), QStringLiteral("--join")};
    const CliRun half = RunCli(text);
    QVERIFY2(half.exitCode == 0, half.err.constData());
    QVERIFY2(half.out.startsWith("Index:  2\nStatus: 1 (received read)\nNumber: +420604555111\n"
                                 "Time:   10.12.2026 08:30:47\nParts:  2 (reference 42), missing 1/2\n"
                                 "Text:   v kuchyni je drevo na dva dny.\n"),
             half.out.constData());
}

// A message in Cyrillic with an emoji is listed whole (JSON and text); a PDU
// cut inside its user data is flagged; the CSV archive says what it could
// not hold.
void TstSmsCli::listUnicodeAndCut()
{
    SimProcess sim;
    QVERIFY(sim.start());
    // From +420603123456, UCS-2, UDL 1C: "Привет, € и 😀".
    const QByteArray cyrillic = "1,0791246030500200040C91246030214365000862218081240140"
                                "1C041F04400438043204350442002C002020AC002004380020D83DDE00";
    // The same sender, 7-bit, UDL 0F announced but only 11 of 14 octets there.
    const QByteArray cut = "1,0791246030500200040C91246030214365000062218081240140"
                           "0F41F45BCD02E9D374791864";
    QCOMPARE(sim.control("set sms.SM.4 " + cyrillic), QByteArray("OK\n"));
    QCOMPARE(sim.control("set sms.SM.5 " + cut), QByteArray("OK\n"));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("archivsms.csv"));
    const QStringList list{QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"), sim.modemPath(),
                           QStringLiteral("--memory"), QStringLiteral("SM"), QStringLiteral("--json"),
                           QStringLiteral("--csv"), csv};
    const CliRun r = RunCli(list);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QByteArrayList lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(QJsonDocument::fromJson(lines[3]).object().value(QStringLiteral("text")).toString(),
             QStringLiteral("Привет, € и 😀"));
    const QJsonObject cutObject = QJsonDocument::fromJson(lines[4]).object();
    QCOMPARE(cutObject.value(QStringLiteral("text")).toString(), QStringLiteral("Error PDU !"));
    QCOMPARE(cutObject.value(QStringLiteral("incomplete")).toBool(), true);
    QVERIFY(!QJsonDocument::fromJson(lines[3]).object().contains(QStringLiteral("incomplete")));
    QVERIFY2(r.err.contains("Windows-1250, which lacks \"Привет😀\": written as \"?\""), r.err.constData());

    const CliRun person = RunCli({QStringLiteral("sms"), QStringLiteral("list"), QStringLiteral("--port"),
                                  sim.modemPath(), QStringLiteral("--memory"), QStringLiteral("SM")});
    QVERIFY2(person.out.contains("Text:   Привет, € и 😀\n"), person.out.constData());
    QVERIFY2(person.out.contains("Text:   Error PDU ! (incomplete)\n"), person.out.constData());
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
    QTest::newRow("index with a command after it") << QStringList{"sms", "delete", "3\rAT+CMGD=1", "--port", port} << 2
                                                   << QByteArray("is not a message index");
    QTest::newRow("index zero") << QStringList{"sms", "delete", "0", "--port", port} << 2
                                << QByteArray("0 is not a message index");
    QTest::newRow("index too large") << QStringList{"sms", "delete", "65536", "--port", port} << 2
                                     << QByteArray("65536 is not a message index");
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
