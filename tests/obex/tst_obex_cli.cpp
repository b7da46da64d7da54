// torvane-cli obex ... as a user runs it, against the simulated handset
// serving a temporary folder: output, files on both sides, exit statuses,
// and the modem port in AT mode after every command.

#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestObexCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void commands_data();
    void commands();
    void roundTrip();

private:
    Run cli(QStringList args, const QString &workDir = {});

    QTemporaryDir m_tree;
    QTemporaryDir m_pc;
    std::unique_ptr<SimProcess> m_sim;
};

Run TestObexCli::cli(QStringList args, const QString &workDir)
{
    args << QStringLiteral("--port") << m_sim->modemPath() << QStringLiteral("--guard") << QStringLiteral("60");
    QProcess p;
    p.setWorkingDirectory(workDir.isEmpty() ? m_pc.path() : workDir);
    p.start(kCli, args);
    Run r;
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

void TestObexCli::initTestCase()
{
    QDir tree(m_tree.path());
    tree.mkpath("mmc/pictures");
    QFile f(tree.filePath(QStringLiteral("mmc/Tom & Jerry.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("12345");
    f.close();
    m_sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--obex"), m_tree.path()});
    QVERIFY(m_sim->start());
    m_sim->control("set obex.guard 50");
}

void TestObexCli::cleanupTestCase()
{
    m_sim.reset();
}

void TestObexCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");  // exact, or empty to skip
    QTest::addColumn<QByteArray>("err");  // a part of it

    QTest::newRow("ls --json") << QStringList{"obex", "ls", "/mmc", "--json"} << 0
        << QByteArray("{\"name\": \"pictures\", \"type\": \"folder\", \"size\": 0, \"modified\": \"") << QByteArray();
    QTest::newRow("ls of a missing folder") << QStringList{"obex", "ls", "nic"} << 1 << QByteArray()
                                            << QByteArray("obex ls: not found on the handset");
    QTest::newRow("rm of a missing file") << QStringList{"obex", "rm", "mmc/nic.txt"} << 1 << QByteArray()
                                          << QByteArray("not found on the handset: nic.txt");
    QTest::newRow("get without a path") << QStringList{"obex", "get"} << 2 << QByteArray() << QByteArray("usage");
    QTest::newRow("unknown option") << QStringList{"obex", "ls", "--long"} << 2 << QByteArray()
                                    << QByteArray("unknown option --long");
    QTest::newRow("put of a missing PC file") << QStringList{"obex", "put", "/nonexistent/file"} << 1 << QByteArray()
                                              << QByteArray("is not a file");
}

void TestObexCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    const Run r = cli(args);
    QCOMPARE(r.exitCode, exitCode);
    if (!out.isEmpty())
        QVERIFY2(r.out.startsWith(out), r.out.constData());
    QVERIFY2(r.err.contains(err), r.err.constData());
    QCOMPARE(m_sim->control("get obex.mode"), QByteArray("at\n"));
}

void TestObexCli::roundTrip()
{
    QByteArray content(30000, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i % 251);
    QFile source(QDir(m_pc.path()).filePath(QStringLiteral("píseň.mid")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(content);
    source.close();

    QCOMPARE(cli({"obex", "mkdir", "mmc/nové"}).exitCode, 0);
    QVERIFY(QDir(m_tree.path()).exists(QStringLiteral("mmc/nové")));
    const Run put = cli({"obex", "put", source.fileName(), "mmc/nové"});
    QCOMPARE(put.exitCode, 0);
    const Run ls = cli({"obex", "ls", "mmc/nové"});
    QCOMPARE(ls.exitCode, 0);
    QVERIFY2(ls.out.contains("     30000  ") && ls.out.contains(QStringLiteral("píseň.mid").toUtf8()), ls.out.constData());

    QTemporaryDir back;
    QCOMPARE(cli({"obex", "get", QStringLiteral("mmc/nové/píseň.mid"), back.path()}).exitCode, 0);
    QFile copy(QDir(back.path()).filePath(QStringLiteral("píseň.mid")));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), content);
    copy.close();
    // An existing file stays unless --force is given.
    const Run again = cli({"obex", "get", QStringLiteral("mmc/nové/píseň.mid"), back.path()});
    QCOMPARE(again.exitCode, 1);
    QVERIFY(again.err.contains("--force"));
    QCOMPARE(cli({"obex", "get", "mmc/Tom & Jerry.txt", "renamed.txt"}, back.path()).exitCode, 0);
    QFile renamed(QDir(back.path()).filePath("renamed.txt"));
    QVERIFY(renamed.open(QIODevice::ReadOnly));
    QCOMPARE(renamed.readAll(), QByteArray("12345"));
    QCOMPARE(QDir(back.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("píseň.mid"), "renamed.txt"}));

    QCOMPARE(cli({"obex", "rm", QStringLiteral("mmc/nové/píseň.mid")}).exitCode, 0);
    QCOMPARE(cli({"obex", "rm", QStringLiteral("mmc/nové")}).exitCode, 0);
    QVERIFY(!QDir(m_tree.path()).exists(QStringLiteral("mmc/nové")));
}

QTEST_GUILESS_MAIN(TestObexCli)
#include "tst_obex_cli.moc"
