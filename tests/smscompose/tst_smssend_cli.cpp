// torvane-cli sms send against the simulated handset: what it prints, what
// the handset receives, and its exit status on failures and bad arguments.

#include "simprocess.h"

#include "clirun.h"

#include <QProcess>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");


} // namespace

class TestSmsSendCli : public QObject
{
    Q_OBJECT

private slots:
    void send_data();
    void send();
};

void TestSmsSendCli::send_data()
{
    QTest::addColumn<QByteArray>("setup");  // "key value" set before, or empty
    QTest::addColumn<QStringList>("args");  // after --port
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");    // contained in standard error
    QTest::addColumn<QByteArray>("log");    // the handset's command log
    QTest::addColumn<QByteArray>("sent");   // the handset's decoded messages

    QString long400;
    while (long400.size() < 400)
        long400 += QStringLiteral("Dlouha zprava z prikazove radky. ");
    long400.truncate(400);

    QTest::newRow("short, handset's centre")
        << QByteArray() << QStringList{"+420 000 123 456", "abc"} << 0 << QByteArray("Reference: 1\n")
        << QByteArray() << QByteArray("ATE0\nAT+CMGF=0\nAT+CMGS=17\nATE1\n") << QByteArray("1 420000123456 \"abc\"\n");
    QTest::newRow("UTF-8 text, centre, report, validity")
        << QByteArray() << QStringList{"420000123456", QString::fromUtf8("ačř"), "--centre", "+420000000000",
                                       "--report", "--validity", "c1"}
        << 0 << QByteArray("Reference: 1\n") << QByteArray()
        << QByteArray("ATE0\nAT+CMGF=0\nAT+CSCA=\"+420000000000\"\nAT+CMGS=20\nATE1\n")
        << QByteArray("1 420000123456 \"a\xC4\x8D\xC5\x99\"\n");
    QTest::newRow("three parts")
        << QByteArray() << QStringList{"420000123456", long400} << 0
        << QByteArray("Part 1/3: reference 1\nPart 2/3: reference 2\nPart 3/3: reference 3\n") << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("refused")
        << QByteArray("sms.fail 500") << QStringList{"420000123456", "abc"} << 1 << QByteArray()
        << QByteArray("+CMS ERROR: 500") << QByteArray() << QByteArray();
    QTest::newRow("refused, three parts")
        << QByteArray("sms.fail 38") << QStringList{"420000123456", long400} << 1 << QByteArray()
        << QByteArray("(0 of 3 parts sent)") << QByteArray() << QByteArray();
    QTest::newRow("bad number") << QByteArray() << QStringList{"420-000", "abc"} << 2 << QByteArray()
                                << QByteArray("number") << QByteArray("") << QByteArray("");
    QTest::newRow("bad validity") << QByteArray() << QStringList{"420000123456", "abc", "--validity", "AAA"} << 2
                                  << QByteArray() << QByteArray("--validity") << QByteArray("") << QByteArray("");
    QTest::newRow("text missing") << QByteArray() << QStringList{"420000123456"} << 2 << QByteArray()
                                  << QByteArray("NUMBER and TEXT") << QByteArray("") << QByteArray("");
    QTest::newRow("eleven parts") << QByteArray() << QStringList{"420000123456", QString(1531, u'x')} << 1
                                  << QByteArray() << QByteArray("septets") << QByteArray("") << QByteArray("");
}

void TestSmsSendCli::send()
{
    QFETCH(QByteArray, setup);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QByteArray, log);
    QFETCH(QByteArray, sent);

    SimProcess sim;
    QVERIFY(sim.start());
    if (!setup.isEmpty())
        QCOMPARE(sim.control("set " + setup), QByteArray("OK\n"));
    const CliRun r = RunCli(QStringList{"sms", "send", "--port", sim.modemPath()} + args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    if (err.isEmpty())
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    else
        QVERIFY2(r.err.contains(err), r.err.constData());
    if (!log.isNull())
        QCOMPARE(sim.control("log"), log);
    if (!sent.isNull())
        QCOMPARE(sim.control("sent"), sent);
}

QTEST_GUILESS_MAIN(TestSmsSendCli)
#include "tst_smssend_cli.moc"
