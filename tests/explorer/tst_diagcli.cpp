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
