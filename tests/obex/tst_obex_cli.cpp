// torvane-cli obex ... as a user runs it, against the simulated handset
// serving a temporary folder: output, files on both sides, exit statuses,
// and the modem port in AT mode after every command.

#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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
    void exactNames();
    void cancelledBySignal_data();
    void cancelledBySignal();
    void escapeNotConfirmed();

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
    QTest::newRow("a path with ..") << QStringList{"obex", "ls", "mmc/../user"} << 2 << QByteArray()
                                    << QByteArray("without . or ..");
    QTest::newRow("rm of .") << QStringList{"obex", "rm", "mmc/."} << 2 << QByteArray() << QByteArray("without . or ..");
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

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

void TestObexCli::exactNames()
{
    QDir tree(m_tree.path());
    auto write = [](const QString &path, const QByteArray &content) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(tree.filePath("mmc/notes"), "plain");
    write(tree.filePath("mmc/[notes]"), "bracketed");
    write(tree.filePath("mmc/\\evil.txt"), "from the handset");
    tree.mkpath("mmc/x\\y");
    write(tree.filePath("mmc/x\\y/inner.txt"), "in");

    QCOMPARE(cli({"obex", "rm", "/mmc/[notes]"}).exitCode, 0);
    QVERIFY(!tree.exists("mmc/[notes]"));
    QCOMPARE(contentOf(tree.filePath("mmc/notes")), QByteArray("plain"));

    const Run ls = cli({"obex", "ls", "mmc/x\\y"});
    QCOMPARE(ls.exitCode, 0);
    QVERIFY2(ls.out.contains("inner.txt"), ls.out.constData());

    // The file written is _evil.txt: that one needs --force, evil.txt is never touched.
    QTemporaryDir back;
    write(QDir(back.path()).filePath("evil.txt"), "keep");
    write(QDir(back.path()).filePath("_evil.txt"), "old");
    const Run refused = cli({"obex", "get", "mmc/\\evil.txt", back.path()});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("_evil.txt") && refused.err.contains("--force"), refused.err.constData());
    QCOMPARE(contentOf(QDir(back.path()).filePath("_evil.txt")), QByteArray("old"));
    QCOMPARE(cli({"obex", "get", "mmc/\\evil.txt", back.path(), "--force"}).exitCode, 0);
    QCOMPARE(contentOf(QDir(back.path()).filePath("_evil.txt")), QByteArray("from the handset"));
    QCOMPARE(contentOf(QDir(back.path()).filePath("evil.txt")), QByteArray("keep"));
}

void TestObexCli::cancelledBySignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl-C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestObexCli::cancelledBySignal()
{
    QFETCH(int, signal);
    // The handset stops answering a GET; the user gives up on the command.
    m_sim->control("obexlog clear");
    m_sim->control("set obex.stall GET");
    QTemporaryDir back;
    QProcess p;
    p.setWorkingDirectory(back.path());
    p.start(kCli, {"obex", "get", "mmc/Tom & Jerry.txt", "--port", m_sim->modemPath(), "--guard", "60"});
    QVERIFY(p.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return m_sim->control("obexlog").contains("GET Tom & Jerry.txt"); }, 10000));
    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(8000));
    m_sim->control("set obex.stall \"\"");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(p.readAllStandardError().contains("cancelled"), "no word of the cancel");
    // The handset is in AT mode again, and no half file stays.
    QCOMPARE(m_sim->control("get obex.mode"), QByteArray("at\n"));
    QVERIFY(m_sim->control("obexlog").contains("DISCONNECT"));
    QCOMPARE(QDir(back.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    QCOMPARE(cli({"obex", "ls", "mmc"}).exitCode, 0);
}

void TestObexCli::escapeNotConfirmed()
{
    // The handset's guard time is far longer than the one the command keeps:
    // "+++" is no escape for it and no "OK" comes.
    m_sim->control("set obex.guard 5000");
    const Run r = cli({"obex", "ls", "mmc"});
    m_sim->control("set obex.guard 50");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("did not confirm the return to AT mode"), r.err.constData());
    QVERIFY(!r.out.isEmpty());  // the listing itself came
    QCOMPARE(m_sim->control("get obex.mode"), QByteArray("obex\n"));
    // The next command finds the handset still in OBEX mode and gets it back.
    QCOMPARE(cli({"obex", "ls", "mmc"}).exitCode, 0);
    QCOMPARE(m_sim->control("get obex.mode"), QByteArray("at\n"));
}

QTEST_GUILESS_MAIN(TestObexCli)
#include "tst_obex_cli.moc"
