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
    qint64 downloadSize = -1;
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
        connect(&fs, &DiagFileSystem::downloadSizeKnown, this, [this](qint64 b) { out.downloadSize = b; });
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
    void scriptedSizesAreUnsigned();
    void scriptedHostileNames();
    void lateReplyOfEarlierExchange_data();
    void lateReplyOfEarlierExchange();
    void refusedRemoval();
    void nestedFolders();
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
    QTest::addColumn<QList<QByteArray>>("replies");  // payloads, one per request ("late:" ones answer nothing)
    QTest::addColumn<QList<Failure>>("failures");
    QTest::addColumn<QByteArray>("saved");           // "" for nothing saved
    QTest::addColumn<qint64>("size");                // as announced, -1 when never announced

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
    const QByteArray late = "late:";
    QTest::newRow("two blocks") << QList<QByteArray>{first(6, "abc"), next(1, "def")} << QList<Failure>{}
                                << QByteArray("abcdef") << qint64(6);
    QTest::newRow("fits the first block") << QList<QByteArray>{first(3, "abc"), next(1, "")} << QList<Failure>{}
                                          << QByteArray("abc") << qint64(3);
    // Frames of other kinds are not data.
    QTest::newRow("free space in between")
        << QList<QByteArray>{first(6, "abc"), late + QByteArray::fromHex("590C0000001000"), next(1, "def")}
        << QList<Failure>{} << QByteArray("abcdef") << qint64(6);
    // Nor are answers to other requests: a block of another counter, an error of a write.
    QTest::newRow("block of another counter in between")
        << QList<QByteArray>{first(6, "abc"), late + next(5, "zzz"), next(1, "def")} << QList<Failure>{}
        << QByteArray("abcdef") << qint64(6);
    QTest::newRow("error of another request in between")
        << QList<QByteArray>{first(6, "abc"), late + QByteArray::fromHex("1405010100"), next(1, "def")}
        << QList<Failure>{} << QByteArray("abcdef") << qint64(6);
    // Only a block of another counter comes: nothing is taken, the wait ends it.
    QTest::newRow("wrong sequence byte") << QList<QByteArray>{first(6, "abc"), next(2, "def")}
                                         << QList<Failure>{Failure::NoReply} << QByteArray() << qint64(6);
    QTest::newRow("more than announced") << QList<QByteArray>{first(4, "abc"), next(1, "def")}
                                         << QList<Failure>{Failure::TooMuchData} << QByteArray() << qint64(4);
    QTest::newRow("more than announced at once") << QList<QByteArray>{first(2, "abc")}
                                                 << QList<Failure>{Failure::TooMuchData} << QByteArray() << qint64(2);
    QTest::newRow("block past its frame") << QList<QByteArray>{first(10, "abc").left(12)}
                                          << QList<Failure>{Failure::ReadFailed} << QByteArray() << qint64(-1);
    // An empty block before the announced size ends the read instead of asking again.
    QTest::newRow("empty block before the end") << QList<QByteArray>{first(6, "abc"), next(1, "")}
                                                << QList<Failure>{Failure::ReadFailed} << QByteArray() << qint64(6);
    QTest::newRow("size 0x80000000") << QList<QByteArray>{first(0x80000000, "abc"), next(1, "def"), next(2, "")}
                                     << QList<Failure>{Failure::ReadFailed} << QByteArray() << qint64(0x80000000);
    QTest::newRow("size 0xFFFFFFFF") << QList<QByteArray>{first(0xFFFFFFFF, ""), next(1, "")}
                                     << QList<Failure>{Failure::ReadFailed} << QByteArray() << qint64(0xFFFFFFFF);
    QTest::newRow("read failure") << QList<QByteArray>{QByteArray::fromHex("1404")}
                                  << QList<Failure>{Failure::ReadFailed} << QByteArray() << qint64(-1);
}

void TstDiagFileSystem::scriptedDownload()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QList<Failure>, failures);
    QFETCH(QByteArray, saved);
    QFETCH(qint64, size);
    ScriptedSession s;
    QVERIFY(s.start());
    QTemporaryDir pc;
    const QString target = pc.filePath("f.bin");
    s.fs.startDownload("f.bin", target);
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 04 00 07 2f 66 2e 62 69 6e 00"));
    for (const QByteArray &reply : replies) {
        if (reply.startsWith("late:")) {  // not an answer to the read
            QVERIFY(s.pty.write(EncodeFrame(reply.mid(5))));
            continue;
        }
        QVERIFY(s.pty.write(EncodeFrame(reply)));
        const QByteArray request = nextRequest(s.pty, failures.isEmpty() && &reply == &replies.last() ? 300 : 5000);
        if (!failures.isEmpty() && &reply == &replies.last())
            QCOMPARE(request.toHex(' '), QByteArray("59 04 00"));  // the handset is told to stop
    }
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, failures);
    QCOMPARE(s.rec.out.transferred, failures.isEmpty());
    QCOMPARE(s.rec.out.downloadSize, size);
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

// Sizes and free space of 2 GiB and more are unsigned 32-bit values.
void TstDiagFileSystem::scriptedSizesAreUnsigned()
{
    ScriptedSession s;
    QVERIFY(s.start());
    s.fs.openRoot();
    QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 0c"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590C00" "000000C0" "FFFFFFFF" "00020000"))));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0a 00"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590A1C"))));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 00"));
    QVERIFY(s.pty.write(entry(0x0B, 0, "half.bin", 0x80000000)));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 01"));
    QVERIFY(s.pty.write(entry(0x0B, 1, "max.bin", 0xFFFFFFFF)));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 02"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590B1C"))));
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{});
    QCOMPARE(s.rec.out.freeBytes, qint64(3221225472));
    QCOMPARE(DiagFileSystem::FreeSpaceText(s.rec.out.freeBytes), QStringLiteral("Volno: 3072 MB"));
    QCOMPARE(names(s.rec.out), QString("half.bin:2147483648 max.bin:4294967295"));
    QCOMPARE(DiagFileSystem::SizeText(4294967295), QStringLiteral("4194303 kB"));
}

// Names of the handset come as they are (only the part after the last "/"
// is an entry's name); those that cannot be sent back as one entry are
// refused before anything goes out, names typed on the PC likewise.
void TstDiagFileSystem::scriptedHostileNames()
{
    ScriptedSession s;
    QVERIFY(s.start());
    s.fs.openFolder("mmc1");
    const QByteArrayList sent = {QByteArray("a\0b", 3), "..\\..\\x.bat", "../x", "/", "[zaloha] pozn.txt", "\x1b[2J"};
    for (int i = 0; i < sent.size(); ++i) {
        QCOMPARE(uchar(nextRequest(s.pty).at(2)), uchar(i));
        QVERIFY(s.pty.write(entry(0x0A, uchar(i), sent[i])));
    }
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0a 06"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590A1C"))));
    QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 00"));
    QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590B1C"))));
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.folders, QByteArrayList({QByteArray("a\0b", 3), "..\\..\\x.bat", "x", "", "[zaloha] pozn.txt", "\x1b[2J"}));

    // A NUL would cut the path on the handset, "/" would reach another
    // folder, "" the folder itself: nothing is sent for them.
    for (const QByteArray &bad : {QByteArray("a\0b", 3), QByteArray(), QByteArray("a/b"), QByteArray(".."), QByteArray(".")}) {
        s.rec.reset();
        s.fs.removeFile(bad);
        s.fs.removeFolder(bad);
        s.fs.makeFolder(bad);
        s.fs.startDownload(bad, QDir::temp().filePath("nikdy.bin"));
        s.fs.startUpload("x", bad);
        QCOMPARE(s.rec.out.failures, QList<Failure>(5, Failure::BadName));
        QVERIFY(!s.fs.busy());
    }
    QCOMPARE(nextRequest(s.pty, 300), QByteArray());
    // The handset's own names go back exactly, control characters included.
    s.fs.removeFile("\x1b[2J");
    QCOMPARE(nextRequest(s.pty), DiagFileSystem::PathRequest(0x06, "mmc1/\x1b[2J" + QByteArray(1, '\0')));

    // Names from the PC.
    using P = DiagFileSystem::NameProblem;
    const QList<QPair<QString, P>> typed = {
        {"nova", P::None}, {QString::fromUtf8("žluťoučký kůň.txt"), P::None}, {"[a]", P::None},
        {"", P::Empty}, {"  ", P::Empty}, {"..", P::Dots}, {".", P::Dots}, {"../x", P::Separator},
        {"a/b", P::Separator}, {QString("a") + QChar(0) + "b", P::Control}, {"a\rb", P::Control},
        {"a\x1b", P::Control}, {"a\x1a", P::Control}, {QString::fromUtf8("日本.jpg"), P::NotCp1250},
        {QString::fromUtf8("€ß.txt"), P::None}, {QString::fromUtf8("😀.jpg"), P::NotCp1250}};
    for (const auto &[name, problem] : typed)
        QVERIFY2(DiagFileSystem::CheckName(name) == problem, qPrintable(name));
}

// Bytes that wait on the port when an operation starts answer an earlier
// exchange (one that timed out, or a command before this one): they are
// never taken for the new request's answer.
void TstDiagFileSystem::lateReplyOfEarlierExchange_data()
{
    QTest::addColumn<QByteArray>("late");       // payload waiting before the port is used
    QTest::addColumn<QByteArray>("operation");

    QTest::newRow("read block before an empty upload") << QByteArray::fromHex("590400000000100000000000") << QByteArray("put0");
    QTest::newRow("read failure before an empty upload") << QByteArray::fromHex("590400") << QByteArray("put0");
    QTest::newRow("write acknowledgement before an upload") << QByteArray::fromHex("590500") << QByteArray("put10");
    QTest::newRow("folder entry before a listing") << QByteArray("late entry") << QByteArray("list");
    QTest::newRow("removal before a removal") << QByteArray::fromHex("590600") << QByteArray("rm");
}

void TstDiagFileSystem::lateReplyOfEarlierExchange()
{
    QFETCH(QByteArray, late);
    QFETCH(QByteArray, operation);
    ScriptedSession s;
    QVERIFY(s.pty.isValid());
    // The handset answers an exchange whose command has already given up.
    QVERIFY(s.pty.write(late == "late entry" ? entry(0x0A, 0, "mmc1/stary") : EncodeFrame(late)));
    QVERIFY(s.start());
    s.fs.setCurrentPath("mmc1");
    if (operation == "put0") {
        s.fs.startUpload(QByteArray(), "e.txt");
        QVERIFY(nextRequest(s.pty).startsWith(QByteArray::fromHex("590500")));
        QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590500"))));
        QTRY_VERIFY_WITH_TIMEOUT(s.rec.out.transferred || !s.rec.out.failures.isEmpty(), 5000);
        QVERIFY(s.rec.out.transferred);
    } else if (operation == "put10") {
        s.fs.startUpload("0123456789", "a.txt");
        QVERIFY(nextRequest(s.pty).startsWith(QByteArray::fromHex("5905000A00")));
        // Nothing more goes out before the handset has taken the first block.
        QCOMPARE(nextRequest(s.pty, 400), QByteArray());
        QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590500"))));
        QCOMPARE(nextRequest(s.pty).toHex(' '), QByteArray("59 05 01 01 01 00 39"));
    } else if (operation == "list") {
        s.fs.openFolder("mmc1");
        QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0a 00"));
        QCOMPARE(nextRequest(s.pty, 400), QByteArray());
        QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590A1C"))));
        QCOMPARE(nextRequest(s.pty).left(3).toHex(' '), QByteArray("59 0b 00"));
        QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590B1C"))));
        QVERIFY(s.rec.waitIdle());
        QCOMPARE(s.rec.out.folders, QByteArrayList{});
    } else {
        s.fs.removeFile("a.txt");
        QVERIFY(nextRequest(s.pty).startsWith(QByteArray::fromHex("5906")));
        // The removal waits for its own answer, which refuses.
        QCOMPARE(nextRequest(s.pty, 400), QByteArray());
        QVERIFY(s.pty.write(EncodeFrame(QByteArray::fromHex("590601"))));
        QTRY_COMPARE_WITH_TIMEOUT(s.rec.out.failures, QList<Failure>{Failure::RemoveFailed}, 5000);
    }
    QCOMPARE(s.rec.out.failures, operation == "rm" ? QList<Failure>{Failure::RemoveFailed} : QList<Failure>{});
}

// A file the handset does not remove (59 06 with a status other than 00) is
// a failure, and the folder is listed as it is.
void TstDiagFileSystem::refusedRemoval()
{
    SimSession s;
    QVERIFY(s.start());
    QVERIFY(writeFile(s.efs.path() + "/zustane.txt", "z"));
    QVERIFY(s.list(""));
    s.rec.reset();
    s.fs.removeFile("nic.txt");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures, QList<Failure>{Failure::RemoveFailed});
    QVERIFY(s.rec.out.finished);
    QCOMPARE(names(s.rec.out), QString("zustane.txt:1"));
}

// Folders in folders, made and filled over the port: what a restore needs.
// The simulated handset reports sizes and free space up to 2^32 - 1.
void TstDiagFileSystem::nestedFolders()
{
    SimSession s;
    QVERIFY(s.start());
    for (const QByteArray &path : {QByteArray(), QByteArray("a"), QByteArray("a/b")}) {
        QVERIFY(s.list(path));
        s.rec.reset();
        s.fs.makeFolder(path.isEmpty() ? "a" : path == "a" ? "b" : "c");
        QVERIFY(s.rec.waitIdle());
        QCOMPARE(s.rec.out.failures, QList<Failure>{});
    }
    QVERIFY(QFileInfo(s.efs.path() + "/a/b/c").isDir());
    QVERIFY(s.list("a/b/c"));
    s.rec.reset();
    s.fs.startUpload("hluboko", "d.txt");
    QVERIFY(s.rec.waitIdle());
    QVERIFY(s.rec.out.transferred);
    QCOMPARE(readFile(s.efs.path() + "/a/b/c/d.txt"), QByteArray("hluboko"));
    QVERIFY(s.list("a/b"));
    QCOMPARE(names(s.rec.out), QString("[c]"));
    // A folder whose parent is missing is refused.
    s.rec.reset();
    s.fs.setCurrentPath("x/y");
    s.fs.makeFolder("z");
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.failures.value(0), Failure::MakeFailed);

    // A sparse file of 3 GiB and the largest free space.
    QFile big(s.efs.path() + "/a/velky.bin");
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(3) << 30));
    big.close();
    QVERIFY(s.set("fs.free", "4294967295"));
    s.rec.reset();
    s.fs.setCurrentPath("a");
    s.fs.openRoot();
    QVERIFY(s.rec.waitIdle());
    QCOMPARE(s.rec.out.freeBytes, qint64(4294966784));  // whole 512-byte blocks
    QVERIFY(s.list("a"));
    QCOMPARE(names(s.rec.out), QString("[b] velky.bin:3221225472"));
}

QTEST_GUILESS_MAIN(TstDiagFileSystem)
#include "tst_diagfilesystem.moc"
