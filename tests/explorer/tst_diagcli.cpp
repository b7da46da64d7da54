// torvane-cli diag ... against the simulated handset serving a temporary folder.

#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TstDiagCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void getReplacesOnlyWithForce();
    void freeSpaceOver2GiB();
    void commandAfterSilentGet();
    void nameThatCannotBeAPcFile();
    void commands_data();
    void commands();

private:
    struct Result
    {
        int status;
        QByteArray out, err;
    };
    Result cli(QStringList args);

    QTemporaryDir m_efs;
    QTemporaryDir m_pc;
    std::unique_ptr<SimProcess> m_sim;
};

void TstDiagCli::initTestCase()
{
    m_sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--efs"), m_efs.path()});
    QVERIFY(m_sim->start());
    QVERIFY(QDir(m_efs.path()).mkpath("mmc1/plna"));
    QFile f(m_efs.path() + "/mmc1/plna/x.bin");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1000, 'x'));
    f.close();
    QFile local(m_pc.filePath("doma.txt"));
    QVERIFY(local.open(QIODevice::WriteOnly));
    local.write("z PC\n");
    QFile japanese(m_pc.filePath(QString::fromUtf8("日本.txt")));
    QVERIFY(japanese.open(QIODevice::WriteOnly));
    QFile empty(m_pc.filePath("prazdny.txt"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
}

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

// A PC file is replaced only with --force.
void TstDiagCli::getReplacesOnlyWithForce()
{
    QFile handset(m_efs.path() + "/keep.txt");
    QVERIFY(handset.open(QIODevice::WriteOnly));
    handset.write("from the handset");
    handset.close();
    QFile mine(m_pc.filePath("keep.txt"));
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    Result r = cli({"diag", "get", "keep.txt"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("keep.txt exists (--force replaces it)"), r.err.constData());
    QCOMPARE(readAll(m_pc.filePath("keep.txt")), QByteArray("mine"));
    QVERIFY(!m_sim->control("diaglog").contains("59 04 00 0A"));
    r = cli({"diag", "get", "keep.txt", "@PC", "--force"});
    QCOMPARE(r.status, 0);
    QCOMPARE(readAll(m_pc.filePath("keep.txt")), QByteArray("from the handset"));
    QVERIFY(QFile::remove(m_efs.path() + "/keep.txt"));
    QVERIFY(QFile::remove(m_pc.filePath("keep.txt")));
}

// Free space of 2 GiB and more is printed as it is, not negative.
void TstDiagCli::freeSpaceOver2GiB()
{
    QVERIFY(m_sim->control("set fs.free 3221225472").startsWith("OK"));
    const Result r = cli({"diag", "free"});
    QVERIFY(m_sim->control("set fs.free \"\"").startsWith("OK"));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("3221225472\n"));
}

// A handset name that would leave the PC folder becomes a name inside it:
// its separators are made "_", as for every download.
void TstDiagCli::nameThatCannotBeAPcFile()
{
    const QString odd = m_efs.path() + "/..\\..\\x.bat";
    QFile f(odd);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("@echo off");
    f.close();
    QTemporaryDir outer;
    const QString inner = outer.filePath("a/b");
    QVERIFY(QDir().mkpath(inner));
    Result r = cli({"diag", "get", "..\\..\\x.bat", inner});
    QCOMPARE(r.status, 0);
    QCOMPARE(QDir(inner).entryList(QDir::Files | QDir::Hidden), QStringList{".._.._x.bat"});
    QCOMPARE(readAll(inner + "/.._.._x.bat"), QByteArray("@echo off"));
    QCOMPARE(QDir(outer.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(outer.filePath("a")).entryList(QDir::Files), QStringList());
    r = cli({"diag", "get", "..\\..\\x.bat", inner + "/x.bat"});
    QCOMPARE(r.status, 0);
    QCOMPARE(readAll(inner + "/x.bat"), QByteArray("@echo off"));
    QVERIFY(QFile::remove(odd));

    // A listing never writes the handset's control characters to the terminal.
    const QString escape = m_efs.path() + "/a\x1b[2Jb";
    QFile e(escape);
    QVERIFY(e.open(QIODevice::WriteOnly));
    e.close();
    r = cli({"diag", "ls"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("mmc1/\na\\x1b[2Jb\t0\n"));
    QVERIFY(QFile::remove(escape));
}

// A get whose handset went silent is told to stop; the handset's answer to
// that comes after the command has ended. The next command does not take it
// for its own.
void TstDiagCli::commandAfterSilentGet()
{
    QVERIFY(m_sim->control("set efs.fault.match 590401").startsWith("OK"));
    QVERIFY(m_sim->control("set efs.fault drop").startsWith("OK"));
    Result r = cli({"diag", "get", "mmc1/plna/x.bin", "@PC/ticho.bin"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("did not answer"), r.err.constData());
    QVERIFY(!QFile::exists(m_pc.filePath("ticho.bin")));
    r = cli({"diag", "put", "@PC/prazdny.txt", "mmc1/"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QVERIFY(QFileInfo(m_efs.path() + "/mmc1/prazdny.txt").isFile());
    QVERIFY(QFile::remove(m_efs.path() + "/mmc1/prazdny.txt"));
}

TstDiagCli::Result TstDiagCli::cli(QStringList args)
{
    for (QString &a : args) {
        a.replace("@PC", m_pc.path());
    }
    args.insert(2, QStringLiteral("--port"));
    args.insert(3, m_sim->diagPath());
    QProcess p;
    p.setWorkingDirectory(m_pc.path());
    p.start(QStringLiteral(TORVANE_BIN_DIR "/torvane-cli"), args);
    if (!p.waitForFinished(30000))
        return {-1, {}, {}};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// The rows run in order, on one handset.
void TstDiagCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");   // standard output, or the start of the error
    QTest::addColumn<QString>("pcFile");   // a PC file that must hold pcData afterwards ("" none)
    QTest::addColumn<QByteArray>("pcData");

    QTest::newRow("ls json") << QStringList{"diag", "ls", "--json", "mmc1/plna"} << 0
                             << QByteArray("[{\"name\": \"x.bin\", \"type\": \"file\", \"size\": 1000}]\n") << "" << QByteArray();
    QTest::newRow("ls root") << QStringList{"diag", "ls"} << 0 << QByteArray("mmc1/\n") << "" << QByteArray();
    QTest::newRow("get") << QStringList{"diag", "get", "/mmc1/plna/x.bin"} << 0 << QByteArray() << "x.bin"
                         << QByteArray(1000, 'x');
    QTest::newRow("get into a folder") << QStringList{"diag", "get", "mmc1/plna/x.bin", "@PC"} << 0 << QByteArray()
                                       << "x.bin" << QByteArray(1000, 'x');
    QTest::newRow("get a missing file") << QStringList{"diag", "get", "mmc1/nic.bin", "nic.bin"} << 1
                                        << QByteArray("torvane-cli: diag get: the file cannot be read") << "" << QByteArray();
    QTest::newRow("put") << QStringList{"diag", "put", "@PC/doma.txt", "mmc1/"} << 0 << QByteArray() << "" << QByteArray();
    QTest::newRow("put renamed") << QStringList{"diag", "put", "@PC/doma.txt", "mmc1/jine.txt"} << 0 << QByteArray() << ""
                                 << QByteArray();
    QTest::newRow("ls after put") << QStringList{"diag", "ls", "mmc1"} << 0
                                  << QByteArray("plna/\ndoma.txt\t5\njine.txt\t5\n") << "" << QByteArray();
    // Arguments that cannot cross into a request: status 2, nothing sent.
    QTest::newRow("put a name Windows-1250 lacks") << QStringList{"diag", "put", QString::fromUtf8("@PC/日本.txt"), "mmc1/"} << 2
                                                  << QByteArray("torvane-cli: diag put: \"mmc1/") << "" << QByteArray();
    QTest::newRow("put to a name Windows-1250 lacks") << QStringList{"diag", "put", "@PC/doma.txt", QString::fromUtf8("mmc1/日本.txt")} << 2
                                                     << QByteArray("torvane-cli: diag put: ") << "" << QByteArray();
    QTest::newRow("mkdir with a control character") << QStringList{"diag", "mkdir", "mmc1/a\x1b" "b"} << 2
                                                    << QByteArray("torvane-cli: diag mkdir: \"mmc1/a") << "" << QByteArray();
    QTest::newRow("rm with dots") << QStringList{"diag", "rm", "mmc1/.."} << 2
                                  << QByteArray("torvane-cli: diag rm: \"mmc1/..\": \".\" and \"..\" are not names") << "" << QByteArray();
    QTest::newRow("ls with an empty folder name") << QStringList{"diag", "ls", "mmc1//plna"} << 2
                                                  << QByteArray("torvane-cli: diag ls: ") << "" << QByteArray();
    QTest::newRow("rm refused") << QStringList{"diag", "rm", "mmc1/nic.txt"} << 1
                                << QByteArray("torvane-cli: diag rm: the handset did not remove it") << "" << QByteArray();
    QTest::newRow("put a missing file") << QStringList{"diag", "put", "@PC/nic.txt"} << 1
                                        << QByteArray("torvane-cli: diag put: ") << "" << QByteArray();
    QTest::newRow("rmdir refused") << QStringList{"diag", "rmdir", "mmc1/plna"} << 1
                                   << QByteArray("torvane-cli: diag rmdir: the folder cannot be removed") << "" << QByteArray();
    QTest::newRow("rm") << QStringList{"diag", "rm", "mmc1/plna/x.bin"} << 0 << QByteArray() << "" << QByteArray();
    QTest::newRow("rmdir") << QStringList{"diag", "rmdir", "mmc1/plna"} << 0 << QByteArray() << "" << QByteArray();
    QTest::newRow("mkdir") << QStringList{"diag", "mkdir", "mmc1/nova"} << 0 << QByteArray() << "" << QByteArray();
    QTest::newRow("mkdir again") << QStringList{"diag", "mkdir", "mmc1/nova"} << 1
                                 << QByteArray("torvane-cli: diag mkdir: the folder cannot be made") << "" << QByteArray();
    QTest::newRow("ls missing") << QStringList{"diag", "ls", "nic"} << 1
                                << QByteArray("torvane-cli: diag ls: no such folder") << "" << QByteArray();
    QTest::newRow("free") << QStringList{"diag", "free"} << 0 << QByteArray("8387584\n")  /* two 5-byte files take a 512-byte block each */ << "" << QByteArray();
    // Folders in folders, as a restore makes them.
    QTest::newRow("mkdir nested") << QStringList{"diag", "mkdir", "mmc1/nova/dalsi"} << 0 << QByteArray() << "" << QByteArray();
    QTest::newRow("put nested") << QStringList{"diag", "put", "@PC/doma.txt", "mmc1/nova/dalsi/"} << 0 << QByteArray() << ""
                                << QByteArray();
    QTest::newRow("ls nested") << QStringList{"diag", "ls", "mmc1/nova/dalsi"} << 0 << QByteArray("doma.txt\t5\n") << ""
                               << QByteArray();
    QTest::newRow("mkdir without its parent") << QStringList{"diag", "mkdir", "mmc1/nic/dalsi"} << 1
                                              << QByteArray("torvane-cli: diag mkdir: the folder cannot be made") << "" << QByteArray();
    QTest::newRow("unknown option") << QStringList{"diag", "free", "--nic"} << 2
                                    << QByteArray("torvane-cli: diag free: unknown option --nic") << "" << QByteArray();
}

void TstDiagCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QString, pcFile);
    QFETCH(QByteArray, pcData);
    if (!pcFile.isEmpty())
        QFile::remove(m_pc.filePath(pcFile));
    const Result r = cli(args);
    QCOMPARE(r.status, status);
    if (status == 0)
        QCOMPARE(r.out, out);
    else
        QVERIFY2(r.err.startsWith(out), r.err.constData());
    if (!pcFile.isEmpty()) {
        QFile f(m_pc.filePath(pcFile));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), pcData);
    }
    // A failed get leaves nothing behind.
    QVERIFY(!QFile::exists(m_pc.filePath("nic.bin")));
}

QTEST_GUILESS_MAIN(TstDiagCli)
#include "tst_diagcli.moc"
