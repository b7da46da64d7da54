// The file-system flows of the diagnostic port through the real serial layer:
// against the simulated handset serving a temporary folder (listing, round
// trips, folders, the block layout the handset sees, every fault key), and
// against a scripted handset for replies the simulator never sends.

#include "comport.h"
#include "crc16_ossik.h"
#include "diagfilesystem.h"
#include "pty.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Failure = DiagFileSystem::Failure;

namespace {

// What one operation reported.
struct Outcome
{
    QByteArrayList folders;
    QList<QPair<QByteArray, qint64>> files;
    QList<Failure> failures;
    bool finished = false;   // listing finished
    bool truncated = false;
    bool transferred = false;
    int dropped = 0;
    qint64 freeBytes = -1;
};

class Recorder : public QObject
{
public:
    explicit Recorder(DiagFileSystem &fs) : m_fs(fs)
    {
        connect(&fs, &DiagFileSystem::listingStarted, this, [this] {
            out.folders.clear();
            out.files.clear();
            out.finished = false;
        });
        connect(&fs, &DiagFileSystem::folderEntry, this, [this](const QByteArray &n) { out.folders << n; });
        connect(&fs, &DiagFileSystem::fileEntry, this,
                [this](const QByteArray &n, qint64 s) { out.files << qMakePair(n, s); });
        connect(&fs, &DiagFileSystem::listingFinished, this, [this](bool t) {
            out.finished = true;
            out.truncated = t;
        });
        connect(&fs, &DiagFileSystem::failed, this, [this](Failure f) { out.failures << f; });
        connect(&fs, &DiagFileSystem::transferFinished, this, [this] { out.transferred = true; });
        connect(&fs, &DiagFileSystem::frameDropped, this, [this] { ++out.dropped; });
        connect(&fs, &DiagFileSystem::freeSpace, this, [this](qint64 b) { out.freeBytes = b; });
    }
    void reset() { out = Outcome(); }
    // Waits until the object is idle again.
    bool waitIdle(int ms = 20000)
    {
        QDeadlineTimer deadline(ms);
        while (m_fs.operation() != DiagFileSystem::Operation::None && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return m_fs.operation() == DiagFileSystem::Operation::None;
    }
    Outcome out;

private:
    DiagFileSystem &m_fs;
};

QByteArray randomBytes(int n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray out(n, '\0');
    for (char &c : out)
        c = char(gen.bounded(256));
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The simulated handset serving a temporary folder, and the flows on its diagnostic port.
struct SimSession
{
    QTemporaryDir efs;
    SimProcess sim{{QStringLiteral("--efs"), efs.path()}};
    TComPort port{QStringLiteral("ComPort1")};
    DiagFileSystem fs{&port};
    Recorder rec{fs};

    bool start()
    {
        if (!efs.isValid() || !sim.start())
            return false;
        port.setPort(sim.diagPath());
        port.OpenPort();
        fs.setReplyTimeoutMs(1500);
        return true;
    }
    bool set(const QByteArray &key, const QByteArray &value)
    {
        return sim.control("set " + key + " " + (value.isEmpty() ? QByteArray("\"\"") : value)).startsWith("OK");
    }
    QByteArrayList diagLog() const
    {
        QByteArrayList lines = sim.control("diaglog").split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }
    bool list(const QByteArray &path)
    {
        rec.reset();
        fs.openFolder(path);
        return rec.waitIdle();
    }
};

QString names(const Outcome &o)
{
    QStringList out;
    for (const QByteArray &f : o.folders)
        out << "[" + QString::fromLatin1(f) + "]";
    for (const auto &f : o.files)
        out << QString::fromLatin1(f.first) + ":" + QString::number(f.second);
    return out.join(' ');
}

} // namespace

class TstDiagFileSystem : public QObject
{
    Q_OBJECT

private slots:
    void pathRules_data();
    void pathRules();
    void texts();
    void requests_data();
    void requests();
    void listing_data();
    void listing();
    void roundTrip_data();
    void roundTrip();
    void uploadBlocks_data();
    void uploadBlocks();
    void counterWrapsToOne();
    void foldersAndFiles();
    void faults_data();
    void faults();
    void fullFileSystem();
    void listingStopsAfter256();
    void offlineAndRestart();
    void lostPortFailsTransfer();
    void scriptedListingIndex7E();
    void scriptedDownload_data();
    void scriptedDownload();
    void scriptedUploadEnd_data();
    void scriptedUploadEnd();
};

// ---- pure rules ----------------------------------------------------------------

void TstDiagFileSystem::pathRules_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("operation");  // without its NUL
    QTest::addColumn<QByteArray>("child");
    QTest::addColumn<QByteArray>("parent");

    QTest::newRow("root") << QByteArray("/") << QByteArray("a.txt") << QByteArray("/a.txt") << QByteArray("a.txt")
                          << QByteArray();
    QTest::newRow("mmc1") << QByteArray("/mmc1") << QByteArray("sounds") << QByteArray("mmc1/sounds")
                          << QByteArray("mmc1/sounds") << QByteArray();
    QTest::newRow("pictures") << QByteArray("/mmc1/pictures") << QByteArray("a.txt") << QByteArray("mmc1/pictures/a.txt")
                              << QByteArray("mmc1/pictures/a.txt") << QByteArray("mmc1");
}

void TstDiagFileSystem::pathRules()
{
    QFETCH(QByteArray, label);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, operation);
    QFETCH(QByteArray, child);
    QFETCH(QByteArray, parent);
    QCOMPARE(DiagFileSystem::OperationPath(label, name), operation + '\0');
    QCOMPARE(DiagFileSystem::ChildFolder(label, name), child);
    QCOMPARE(DiagFileSystem::ParentFolder(label), parent);
    QCOMPARE(DiagFileSystem::DisplayPath(label.mid(1)), label);
}

void TstDiagFileSystem::texts()
{
    QCOMPARE(DiagFileSystem::SizeText(0), QStringLiteral("0 B"));
    QCOMPARE(DiagFileSystem::SizeText(1024), QStringLiteral("1024 B"));
    QCOMPARE(DiagFileSystem::SizeText(1025), QStringLiteral("1 kB"));
    QCOMPARE(DiagFileSystem::SizeText(2047), QStringLiteral("1 kB"));
    QCOMPARE(DiagFileSystem::FreeSpaceText(5 * 1048576), QStringLiteral("Volno: 5 MB"));
    QCOMPARE(DiagFileSystem::FreeSpaceText(1048575), QStringLiteral("Volno: 0 MB"));
}

void TstDiagFileSystem::requests_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("list the root") << DiagFileSystem::ListRequest(false, "", 0) << QByteArray("59 0a 00 00 00 00 01 00");
    QTest::newRow("list mmc1, index 3") << DiagFileSystem::ListRequest(false, "mmc1", 3)
                                        << QByteArray("59 0a 03 00 00 00 05 6d 6d 63 31 00");
    QTest::newRow("files of mmc1") << DiagFileSystem::ListRequest(true, "mmc1", 0)
                                   << QByteArray("59 0b 00 00 00 00 05 6d 6d 63 31 00");
    QTest::newRow("make folder") << DiagFileSystem::PathRequest(0x00, DiagFileSystem::OperationPath("/", "x"))
                                 << QByteArray("59 00 03 2f 78 00");
    QTest::newRow("read, next") << DiagFileSystem::ReadNextRequest(7) << QByteArray("59 04 07");
}

void TstDiagFileSystem::requests()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);
    QCOMPARE(payload.toHex(' '), expected);
}

// ---- against the simulated handset ------------------------------------------

void TstDiagFileSystem::listing_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("listed");

    QTest::newRow("root") << QByteArray() << "[mmc1] [ossik] readme.txt:44" << true;
    QTest::newRow("mmc1") << QByteArray("mmc1") << "[pictures] [sounds]" << true;
    QTest::newRow("pictures") << QByteArray("mmc1/pictures") << "zenk.jpg:120000" << true;
    QTest::newRow("leading slash") << QByteArray("/ossik/user") << "poznamky.txt:14" << true;
    QTest::newRow("missing folder") << QByteArray("nic") << "" << false;
}

void TstDiagFileSystem::listing()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, expected);
    QFETCH(bool, listed);
    // The demo tree of a simulator started without --efs.
    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.diagPath());
    port.OpenPort();
    DiagFileSystem fs(&port);
    Recorder rec(fs);
    if (path.isEmpty())
        fs.openRoot();
    else
        fs.openFolder(path);
    QVERIFY(rec.waitIdle());
    QCOMPARE(names(rec.out), expected);
    QCOMPARE(rec.out.finished, listed);
    QCOMPARE(rec.out.failures, listed ? QList<Failure>{} : QList<Failure>{Failure::FolderNotListed});
    QVERIFY(!fs.busy());
    if (path.isEmpty()) {
        // Free space is what is stored less the file system's size, in whole blocks.
        QVERIFY(rec.out.freeBytes > 0);
        QCOMPARE(rec.out.freeBytes % 512, 0);
        QVERIFY(rec.out.freeBytes < 8388608 - 120000);
    }
}

void TstDiagFileSystem::roundTrip_data()
{
    QTest::addColumn<int>("size");
    for (int size : {0, 1, 255, 256, 257, 100000})
        QTest::newRow(qPrintable(QString::number(size))) << size;
}

void TstDiagFileSystem::roundTrip()
{
    QFETCH(int, size);
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(QDir(s.efs.path()).mkpath("ossik/user"));
    const QByteArray data = randomBytes(size, quint32(size) + 7);
    QVERIFY(s.list("ossik/user"));

    s.rec.reset();
    s.fs.startUpload(data, "soubor.bin");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QVERIFY(s.rec.out.transferred);
    QCOMPARE(readFile(s.efs.path() + "/ossik/user/soubor.bin"), data);
    // The upload ends with the folder listed again.
    QVERIFY(s.rec.out.finished);
    QCOMPARE(names(s.rec.out), "soubor.bin:" + QString::number(size));

    QTemporaryDir pc;
    const QString target = pc.filePath("soubor.bin");
    s.rec.reset();
    s.fs.startDownload("soubor.bin", target);
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QVERIFY(s.rec.out.transferred);
    QCOMPARE(readFile(target), data);
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files), QStringList{"soubor.bin"});
}

// What the handset receives for an upload into /mmc1: the first block's
// header and data length, then each next block's header and data length.
void TstDiagFileSystem::uploadBlocks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArrayList>("headers");  // hex of the request up to its data
    QTest::addColumn<QList<int>>("dataLengths");

    // 59 05 00 | f1 f2 | size | FF 00 01 | 00 L | "mmc1/a.bin" 00 | 00 01 | data
    const QByteArray path = QByteArray("mmc1/a.bin").toHex() + "00";
    auto first = [&](const char *f, const char *s) { return QByteArray("590500") + f + s + "ff0001" + "000b" + path + "0001"; };
    QTest::newRow("300") << 300 << QByteArrayList{first("0101", "2c010000"), "590501012c00"} << QList<int>{256, 44};
    QTest::newRow("10") << 10 << QByteArrayList{first("0a00", "0a000000"), "5905010101" "00"} << QList<int>{9, 1};
    QTest::newRow("256") << 256 << QByteArrayList{first("0101", "00010000"), "590501010000"} << QList<int>{256, 0};
    QTest::newRow("512") << 512 << QByteArrayList{first("0101", "00020000"), "590501010001"} << QList<int>{256, 256};
    QTest::newRow("empty") << 0 << QByteArrayList{first("0000", "00000000")} << QList<int>{0};
}

void TstDiagFileSystem::uploadBlocks()
{
    QFETCH(int, size);
    QFETCH(QByteArrayList, headers);
    QFETCH(QList<int>, dataLengths);
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(QDir(s.efs.path()).mkpath("mmc1"));
    QVERIFY(s.list("mmc1"));
    QVERIFY(s.sim.control("diaglog clear").startsWith("OK"));
    s.rec.reset();
    s.fs.startUpload(randomBytes(size, 1), "a.bin");
    QVERIFY(s.rec.waitIdle());
    QVERIFY(s.rec.out.transferred);
    QByteArrayList writes;
    for (const QByteArray &line : s.diagLog())
        if (line.startsWith("59 05"))
            writes << QByteArray::fromHex(line);
    QCOMPARE(writes.size(), headers.size());
    for (int i = 0; i < writes.size(); ++i) {
        const int headerSize = int(headers[i].size() / 2);
        QCOMPARE(writes[i].left(headerSize).toHex(), headers[i]);
        QCOMPARE(int(writes[i].size()) - headerSize, dataLengths[i]);
    }
}

void TstDiagFileSystem::counterWrapsToOne()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(s.set("efs.block", "16"));
    // 16-byte blocks: the first block and 256 next ones.
    const QByteArray data = randomBytes(16 * 257, 3);
    QVERIFY(writeFile(s.efs.path() + "/big.bin", data));
    QVERIFY(s.list(""));
    QTemporaryDir pc;
    s.rec.reset();
    s.fs.startDownload("big.bin", pc.filePath("big.bin"));
    QVERIFY(s.rec.waitIdle());
    QVERIFY(s.rec.out.transferred);
    QCOMPARE(readFile(pc.filePath("big.bin")), data);
    QByteArrayList counters;
    for (const QByteArray &line : s.diagLog())
        if (line.startsWith("59 04") && line.size() == 8)
            counters << line.mid(6);
    QCOMPARE(counters.size(), 256);
    QCOMPARE(counters[254], QByteArray("FF"));
    QCOMPARE(counters[255], QByteArray("01"));  // never 00 again
}

void TstDiagFileSystem::foldersAndFiles()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(QDir(s.efs.path()).mkpath("mmc1/plne"));
    QVERIFY(writeFile(s.efs.path() + "/mmc1/plne/x.txt", "x"));
    QVERIFY(s.list("mmc1"));

    s.rec.reset();
    s.fs.makeFolder("novy");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QCOMPARE(names(s.rec.out), QString("[novy] [plne]"));
    QVERIFY(QFileInfo(s.efs.path() + "/mmc1/novy").isDir());

    // A second time the handset refuses; the folder is listed again all the same.
    s.rec.reset();
    s.fs.makeFolder("novy");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::MakeFailed});
    QCOMPARE(names(s.rec.out), QString("[novy] [plne]"));

    // A folder that is not empty stays, with the message, and the folder is listed.
    s.rec.reset();
    s.fs.removeFolder("plne");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::FolderNotRemovable});
    QCOMPARE(names(s.rec.out), QString("[novy] [plne]"));

    s.rec.reset();
    s.fs.removeFolder("novy");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QCOMPARE(names(s.rec.out), QString("[plne]"));

    QVERIFY(s.list("mmc1/plne"));
    s.rec.reset();
    s.fs.removeFile("x.txt");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QVERIFY(s.rec.out.finished);
    QCOMPARE(names(s.rec.out), QString());
    QVERIFY(!QFile::exists(s.efs.path() + "/mmc1/plne/x.txt"));
}

// Each fault key of the handset against each flow: the flow fails with the
// right reason, never stays busy, a download leaves the existing PC file as
// it was, and the next listing works.
void TstDiagFileSystem::faults_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QByteArray>("match");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<QList<Failure>>("failures");
    QTest::addColumn<int>("dropped");

    QTest::newRow("listing, corrupt") << QByteArray("corrupt") << QByteArray("590A") << QByteArray("list")
                                      << QList<Failure>{Failure::NoReply} << 1;
    QTest::newRow("listing, drop") << QByteArray("drop") << QByteArray("590B") << QByteArray("list")
                                   << QList<Failure>{Failure::NoReply} << 0;
    QTest::newRow("listing, error") << QByteArray("error") << QByteArray("590A01") << QByteArray("list")
                                    << QList<Failure>{Failure::ErrorReply} << 0;
    QTest::newRow("download, corrupt block") << QByteArray("corrupt") << QByteArray("590402") << QByteArray("get")
                                             << QList<Failure>{Failure::BadFrame} << 1;
    QTest::newRow("download, corrupt first block") << QByteArray("corrupt") << QByteArray("590400") << QByteArray("get")
                                                   << QList<Failure>{Failure::BadFrame} << 1;
    QTest::newRow("download, drop") << QByteArray("drop") << QByteArray("590403") << QByteArray("get")
                                    << QList<Failure>{Failure::NoReply} << 0;
    QTest::newRow("download, read failure") << QByteArray("error") << QByteArray("590401") << QByteArray("get")
                                            << QList<Failure>{Failure::ReadFailed} << 0;
    QTest::newRow("upload, corrupt") << QByteArray("corrupt") << QByteArray("590501") << QByteArray("put")
                                     << QList<Failure>{Failure::BadFrame} << 1;
    QTest::newRow("upload, drop last") << QByteArray("drop") << QByteArray("590502") << QByteArray("put")
                                       << QList<Failure>{Failure::NoReply} << 0;
    QTest::newRow("upload, write failure") << QByteArray("error") << QByteArray("590501") << QByteArray("put")
                                           << QList<Failure>{Failure::WriteFailed} << 0;
    QTest::newRow("make folder, error") << QByteArray("error") << QByteArray("5900") << QByteArray("mkdir")
                                        << QList<Failure>{Failure::ErrorReply} << 0;
    QTest::newRow("make folder, drop") << QByteArray("drop") << QByteArray("5900") << QByteArray("mkdir")
                                       << QList<Failure>{Failure::NoReply} << 0;
    QTest::newRow("remove file, error") << QByteArray("error") << QByteArray("5906") << QByteArray("rm")
                                        << QList<Failure>{Failure::ErrorReply} << 0;
}

void TstDiagFileSystem::faults()
{
    QFETCH(QByteArray, fault);
    QFETCH(QByteArray, match);
    QFETCH(QByteArray, operation);
    QFETCH(QList<Failure>, failures);
    QFETCH(int, dropped);
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(QDir(s.efs.path()).mkpath("a/b"));
    const QByteArray data = randomBytes(2000, 11);  // four 512-byte read blocks, eight write blocks
    QVERIFY(writeFile(s.efs.path() + "/a/f.bin", data));
    QVERIFY(s.list("a"));
    QCOMPARE(names(s.rec.out), QString("[b] f.bin:2000"));

    QTemporaryDir pc;
    const QString target = pc.filePath("f.bin");
    QVERIFY(writeFile(target, "the user's own file"));
    QVERIFY(s.set("efs.fault.match", match));
    QVERIFY(s.set("efs.fault", fault));
    s.rec.reset();
    if (operation == "list")
        s.fs.openFolder("a");
    else if (operation == "get")
        s.fs.startDownload("f.bin", target);
    else if (operation == "put")
        s.fs.startUpload(randomBytes(700, 5), "g.bin");
    else if (operation == "mkdir")
        s.fs.makeFolder("c");
    else if (operation == "rm")
        s.fs.removeFile("f.bin");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, failures);
    QCOMPARE(s.rec.out.dropped, dropped);
    QVERIFY(!s.rec.out.transferred);
    QCOMPARE(readFile(target), QByteArray("the user's own file"));
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.bin"});
    if (operation == "put" && fault != "drop")  // a dropped acknowledgement: the handset has the file
        QVERIFY(!QFile::exists(s.efs.path() + "/a/g.bin"));

    // Nothing is stuck: the folder lists again.
    QVERIFY(s.list("a"));
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QVERIFY(s.rec.out.finished);
}

void TstDiagFileSystem::fullFileSystem()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(s.set("fs.total", "4096"));
    QVERIFY(s.list(""));
    s.rec.reset();
    s.fs.startUpload(randomBytes(5000, 2), "velky.bin");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::WriteFailed});
    QVERIFY(!s.rec.out.transferred);
    QVERIFY(!QFile::exists(s.efs.path() + "/velky.bin"));
    QVERIFY(s.rec.out.finished);  // listed again
}

void TstDiagFileSystem::listingStopsAfter256()
{
    SimSession s;
    QVERIFY(s.start());
    QDir dir(s.efs.path());
    QVERIFY(dir.mkpath("mnoho"));
    for (int i = 0; i < 260; ++i)
        QVERIFY(writeFile(dir.filePath(QStringLiteral("mnoho/%1.txt").arg(i, 3, 10, QLatin1Char('0'))), "x"));
    QVERIFY(s.list("mnoho"));
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QVERIFY(s.rec.out.finished);
    QVERIFY(s.rec.out.truncated);
    // Index 7E is never asked for (the sequence-byte rule sends 7F), so the
    // 256 indexes show 255 entries, and the listing ends at index FF.
    QCOMPARE(s.rec.out.files.size(), 255);
    QCOMPARE(s.rec.out.files[125].first, QByteArray("125.txt"));
    QCOMPARE(s.rec.out.files[126].first, QByteArray("127.txt"));
    QCOMPARE(s.rec.out.files.last().first, QByteArray("255.txt"));
}

void TstDiagFileSystem::offlineAndRestart()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(s.set("efs.resetms", "1000"));
    QSignalSpy modes(&s.fs, &DiagFileSystem::modeReply);
    s.fs.goOffline(false);
    QVERIFY(modes.wait(5000));
    QVERIFY(!s.fs.RestartRequested());
    s.fs.goOffline(true);
    QVERIFY(modes.wait(5000));
    QVERIFY(!s.fs.RestartRequested());
    auto modeRequests = [&s] {
        QByteArrayList out;
        for (const QByteArray &line : s.diagLog())
            if (line.startsWith("29 "))
                out << line;
        return out;
    };
    QTRY_COMPARE_WITH_TIMEOUT(modeRequests(), QByteArrayList({"29 01 00", "29 01 00", "29 02 00"}), 5000);
    // Right after the reset the handset is silent: the listing fails in time...
    s.list("");
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::NoReply});
    // ...and once it is back, it answers again.
    QTRY_VERIFY_WITH_TIMEOUT(s.list("") && s.rec.out.finished, 10000);
}

void TstDiagFileSystem::lostPortFailsTransfer()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(writeFile(s.efs.path() + "/f.bin", randomBytes(20000, 9)));
    QVERIFY(s.list(""));
    QTemporaryDir pc;
    s.rec.reset();
    s.fs.startDownload("f.bin", pc.filePath("f.bin"));
    s.port.ClosePort();
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::PortLost});
    QVERIFY(QDir(pc.path()).isEmpty());
}

// ---- against a scripted handset ---------------------------------------------

namespace {

// Gathers the next request the program writes, while the event loop runs.
QByteArray nextRequest(PtyPair &pty, int ms = 5000)
{
    QByteArray got;
    QDeadlineTimer deadline(ms);
    while (!got.contains('\x7E') && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        got += pty.read(10, 5);
    }
    FrameAssembler assembler;
    const QList<ReceivedFrame> frames = assembler.feed(got);
    return frames.isEmpty() ? QByteArray() : frames[0].payload();
}

QByteArray entry(uchar kind, uchar index, const QByteArray &name, quint32 size = 0)
{
    QByteArray p = QByteArray::fromHex("59");
    p += char(kind);
    p += '\0';
    p += char(index);
    p += QByteArray(11, '\0');
    for (int i = 0; i < 4; ++i)
        p += char(size >> (8 * i));
    p += QByteArray(5, '\0');
    p += char(name.size());
    p += name;
    return EncodeFrame(p);
}

struct ScriptedSession
{
    PtyPair pty;
    TComPort port{QStringLiteral("ComPort1")};
    DiagFileSystem fs{&port};
    Recorder rec{fs};

    bool start()
    {
        if (!pty.isValid())
            return false;
        port.setPort(pty.slavePath());
        port.OpenPort();
        fs.setReplyTimeoutMs(1500);
        return true;
    }
};

} // namespace

// The folder entry with index 7D leads to the request for 7E, which goes out
// as 7F; the answer for 7F leads to 80.
void TstDiagFileSystem::scriptedListingIndex7E()
{
    ScriptedSession s;
    QVERIFY(s.start());
    s.fs.openFolder("mmc1");
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 0a 00 00 00 00 05 6d 6d 63 31 00"));
    QVERIFY(s.pty.write(entry(0x0A, 0x7D, "mmc1/a")));
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 0a 7f 00 00 00 05 6d 6d 63 31 00"));
    QVERIFY(s.pty.write(entry(0x0A, 0x7F, "mmc1/b")));
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 0a 80 00 00 00 05 6d 6d 63 31 00"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590A1C"))));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 00"));
    // A frame the listing does not know ends it, not leaving it waiting.
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("5909000000"))));
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.folders, QByteArrayList({"a", "b"}));
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::UnknownReply});
}

void TstDiagFileSystem::scriptedDownload_data()
{
    QTest::addColumn<QList<QByteArray>>("replies");  // payloads, one per request
    QTest::addColumn<QList<Failure>>("failures");
    QTest::addColumn<QByteArray>("saved");           // "" for nothing saved

    auto first = [](quint32 size, const QByteArray &data) {
        QByteArray p = QByteArray::fromHex("5904000000");
        for (int i = 0; i < 4; ++i)
            p += char(size >> (8 * i));
        p += char(data.size() & 0xFF);
        p += char(data.size() >> 8);
        return p + data;
    };
    auto next = [](uchar n, const QByteArray &data) {
        QByteArray p = QByteArray::fromHex("5904");
        p += char(n);
        p += QByteArray(2, '\0');
        p += char(data.size() & 0xFF);
        p += char(data.size() >> 8);
        return p + data;
    };
    QTest::newRow("two blocks") << QList<QByteArray>{first(6, "abc"), next(1, "def")} << QList<Failure>{}
                                << QByteArray("abcdef");
    QTest::newRow("fits the first block") << QList<QByteArray>{first(3, "abc"), next(1, "")} << QList<Failure>{}
                                          << QByteArray("abc");
    // Frames of other kinds are not data.
    QTest::newRow("free space in between")
        << QList<QByteArray>{first(6, "abc"), QByteArray::fromHex("590C0000001000"), next(1, "def")}
        << QList<Failure>{} << QByteArray("abcdef");
    QTest::newRow("more than announced") << QList<QByteArray>{first(4, "abc"), next(1, "def")}
                                         << QList<Failure>{Failure::TooMuchData} << QByteArray();
    QTest::newRow("more than announced at once") << QList<QByteArray>{first(2, "abc")}
                                                 << QList<Failure>{Failure::TooMuchData} << QByteArray();
    QTest::newRow("block past its frame") << QList<QByteArray>{first(10, "abc").left(12)}
                                          << QList<Failure>{Failure::ReadFailed} << QByteArray();
    QTest::newRow("negative size") << QList<QByteArray>{first(0xFFFFFFFF, "")}
                                   << QList<Failure>{Failure::ReadFailed} << QByteArray();
    QTest::newRow("read failure") << QList<QByteArray>{QByteArray::fromHex("1404")}
                                  << QList<Failure>{Failure::ReadFailed} << QByteArray();
}

void TstDiagFileSystem::scriptedDownload()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QList<Failure>, failures);
    QFETCH(QByteArray, saved);
    ScriptedSession s;
    QVERIFY(s.start());
    QTemporaryDir pc;
    const QString target = pc.filePath("f.bin");
    s.fs.startDownload("f.bin", target);
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 04 00 07 2f 66 2e 62 69 6e 00"));
    for (const QByteArray &reply : replies) {
        QVERIFY(s.pty.write(EncodeFrame(reply)));
        if (reply.startsWith("\x59\x0C"))
            continue;  // not an answer to the read
        const QByteArray request = nextRequest(s.pty, failures.isEmpty() && &reply == &replies.last() ? 300 : 5000);
        if (!failures.isEmpty() && &reply == &replies.last())
            QCOMPARE(request.toHex(' '), QByteArray("59 04 00"));  // the handset is told to stop
    }
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, failures);
    QCOMPARE(s.rec.out.transferred, failures.isEmpty());
    if (saved.isEmpty())
        QVERIFY(QDir(pc.path()).isEmpty());
    else
        QCOMPARE(readFile(target), saved);
}

// After the last block only its acknowledgement ends an upload well.
void TstDiagFileSystem::scriptedUploadEnd_data()
{
    QTest::addColumn<QByteArray>("lastReply");
    QTest::addColumn<bool>("ok");
    QTest::newRow("acknowledged") << QByteArray::fromHex("590500") << true;
    QTest::newRow("another status") << QByteArray::fromHex("590501") << false;
    QTest::newRow("another reply") << QByteArray::fromHex("590C00000000") << false;
    QTest::newRow("write failure 15") << QByteArray::fromHex("1505") << false;
    QTest::newRow("error frame") << QByteArray::fromHex("13590501") << false;
}

void TstDiagFileSystem::scriptedUploadEnd()
{
    QFETCH(QByteArray, lastReply);
    QFETCH(bool, ok);
    ScriptedSession s;
    QVERIFY(s.start());
    s.fs.startUpload("0123456789", "a.txt");
    QVERIFY(nextRequest(s.pty).startsWith(QByteArray::fromHex("5905000A00")));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590500"))));
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 05 01 01 01 00 39"));
    QVERIFY(s.pty.write(EncodeFrame(lastReply)));
    QTRY_VERIFY_WITH_TIMEOUT(s.rec.out.transferred || !s.rec.out.failures.isEmpty(), 5000);
    QCOMPARE(s.rec.out.transferred, ok);
    QCOMPARE(s.rec.out.failures.isEmpty(), ok);
    // Either way the folder is listed again.
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0a 00"));
}

QTEST_GUILESS_MAIN(TstDiagFileSystem)
#include "tst_diagfilesystem.moc"
