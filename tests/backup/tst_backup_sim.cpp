// torvane-cli backup and restore against the simulated handset: one seeded
// handset is backed up and restored into an empty one, and the two handsets'
// states are compared; the files are read by other programs' readers; then
// what a user meets: a second restore, a dry run, a damaged or interrupted
// backup, a location that holds something else.

#include "clirun.h"
#include "simprocess.h"

#include <QRegularExpression>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

const QString kCli = QStringLiteral(TORVANE_BIN_DIR "/torvane-cli");
// The system's interpreter: the Debian packages of the peer readers live there.
const QString kPython = QStringLiteral("/usr/bin/python3");

// Names with Czech, German and Polish letters; "!" marks a VIP entry.
const QByteArray kPhonebook =
    "pb.SM.1 = +420603123456,145,Jiří Žďárský\n"
    "pb.SM.2 = +420724555111,145,Maminka!\n"
    "pb.SM.3 = +491701234567,145,Jürgen Größe!\n"
    "pb.SM.7 = 603987654,129,Łucja Źdźbło\n"
    "pb.ME.1 = +48601222333,145,Ścisła Kąpiel\n"
    "pb.ME.40 = 112,129,Tísňová linka\n";

// Real PDUs: a 7-bit message, a UCS-2 (Czech) one, the two parts of a
// concatenated message, a stored unsent and a stored sent one.
const QByteArray kMessages =
    "sms.SM.1 = 1,0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F\n"
    "sms.SM.2 = 0,0791246030500200040C912470778967450008622190905120406C0044006F0062007200FD002000640065006E002C0020007A00E100730069006C006B00610020010D002E002000340037003100310020006A0065002000700159006900700072006100760065006E00610020006B002000760079007A007600650064006E0075007400ED002E\n"
    "sms.ME.1 = 0,0791246030500200440C912460405515110000622101800354406A0500032A020182E8B71A042DD3E5651608FE9EA7D9E136889E0685C9F2F2BC0E1AA3C3F4BC0E847CCBDD691013FDA6874131190B74ABD940B0980BB464A7C7207519047F9341F237FAAD5FBFEBA03A481F26BBD36334886C2FCBD32C10\n"
    "sms.ME.2 = 1,0791246030500200440C91246040551511000062210180037440250500032A0202ECA0757D8CCEBBD3207519449697ED6F903B0C22DBC320B23BEF02\n"
    "sms.ME.3 = 2,0011000C912460302143650000AA1C50795A4DAE83DE20789D0D42BFC969771E047FEBC96575DA05\n"
    "sms.ME.4 = 3,0011000C912470778967450008AA3C0044011B006B0075006A0069002C0020007001590069006A0065006400750020007600200073006F0062006F007400750020007200E1006E006F002E\n";

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file and folder below root with its bytes ("<dir>" for a folder).
QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        const QString rel = QDir(root).relativeFilePath(p);
        out.insert(rel, QFileInfo(p).isDir() ? QByteArray("<dir>") : readFile(p));
    }
    return out;
}

// One simulated handset with its own state file and file trees.
struct Handset
{
    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;

    QString obex() const { return dir.filePath(QStringLiteral("obex")); }
    QString efs() const { return dir.filePath(QStringLiteral("efs")); }

    bool start(const QByteArray &state, const QStringList &extra = {})
    {
        QDir().mkpath(obex());
        QDir().mkpath(efs());
        const QString stateFile = dir.filePath(QStringLiteral("state"));
        if (!writeFile(stateFile, "obex.guard = 30\npb.seed = 0\nsms.preset = empty\n" + state))
            return false;
        sim = std::make_unique<SimProcess>(QStringList{"--state", stateFile, "--obex", obex(), "--efs", efs()} + extra);
        return sim->start();
    }
    QStringList ports() const
    {
        return {"--port", sim->modemPath(), "--diag-port", sim->diagPath(), "--guard", "30"};
    }
    // The messages as the simulator holds them: "sms.SM.1 = 1,0791..." lines.
    QByteArray messages() const
    {
        QByteArray out;
        for (const QByteArray &line : sim->control("dump").split('\n'))
            if (line.startsWith("sms.SM.") || line.startsWith("sms.ME."))
                if (!line.startsWith("sms.SM.size") && !line.startsWith("sms.ME.size"))
                    out += line + '\n';
        return out;
    }
    QByteArray phonebook(const QByteArray &memory) const { return sim->control("pb " + memory); }
};

bool hasPythonModule(const QString &module)
{
    QProcess p;
    p.start(kPython, {"-c", "import " + module});
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs a python script over the args; its standard output.
QByteArray python(const QString &script, const QStringList &args, int *status)
{
    QProcess p;
    p.start(kPython, QStringList{"-c", script} + args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        *status = -1;
        return {};
    }
    *status = p.exitCode();
    return p.readAllStandardOutput() + p.readAllStandardError();
}

} // namespace

class TestBackupSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripMessages();
    void roundTripFiles();
    void roundTripPhonebook();
    void backupLayout();
    void vcardReadByVobject();
    void smsBackupReadByGammu();
    void secondRestoreWritesNothing();
    void dryRunSendsNoWrite();
    void damagedBackupRefused_data();
    void damagedBackupRefused();
    void differentEntryNeedsForce();
    void interruptedBackup_data();
    void interruptedBackup();
    void folderNotEmptyRefused();
    void unconfirmedEscapeEndsTheRun();

private:
    Handset m_source;
    Handset m_target;
    QTemporaryDir m_work;
    QString m_backup;
    CliRun m_backupRun;
    CliRun m_restoreRun;
    QByteArray m_sourceMessages;
    QMap<QString, QByteArray> m_sourceObex, m_sourceEfs;
};

void TestBackupSim::initTestCase()
{
    // Nested folders, a non-ASCII name, an empty file, a name Windows does
    // not allow.
    QVERIFY(writeFile(m_source.obex() + QStringLiteral("/readme.txt"), "Zenk\r\n"));
    QVERIFY(writeFile(m_source.obex() + QStringLiteral("/mmc/prázdný.txt"), ""));
    QVERIFY(writeFile(m_source.obex() + QStringLiteral("/mmc/fotky/léto/kůň.jpg"), QByteArray(5000, '\xA5')));
    QVERIFY(writeFile(m_source.obex() + QStringLiteral("/mmc/fotky/a:b.txt"), "colon"));
    QVERIFY(writeFile(m_source.efs() + QStringLiteral("/readme.txt"), "efs"));
    QVERIFY(writeFile(m_source.efs() + QStringLiteral("/mmc1/hudba/píseň.mid"), QByteArray(1300, '\x42')));
    QVERIFY(writeFile(m_source.efs() + QStringLiteral("/mmc1/hudba/prázdný"), ""));
    QVERIFY(QDir().mkpath(m_source.efs() + QStringLiteral("/mmc1/prázdná složka")));
    m_sourceObex = treeOf(m_source.obex());
    m_sourceEfs = treeOf(m_source.efs());

    QVERIFY(m_source.start(kPhonebook + kMessages));
    QVERIFY(m_target.start({}));
    m_sourceMessages = m_source.messages();
    QCOMPARE(m_sourceMessages.count('\n'), 6);

    m_backup = m_work.filePath(QStringLiteral("zaloha"));
    m_backupRun = RunCli(QStringList{"backup", m_backup} + m_source.ports(), 120000);
    QVERIFY2(m_backupRun.exitCode == 0, m_backupRun.err.constData());
    m_restoreRun = RunCli(QStringList{"restore", m_backup} + m_target.ports(), 120000);
    QVERIFY2(m_restoreRun.exitCode == 0, m_restoreRun.out + m_restoreRun.err);
}

void TestBackupSim::roundTripMessages()
{
    // Same PDUs in the same locations with the status they had before the
    // backup's listing: unread ones stay unread on the new handset.
    QCOMPARE(m_target.messages(), m_sourceMessages);
    QVERIFY(m_restoreRun.out.contains("sms: 6 written, 0 skipped, 0 refused\n"));
}

void TestBackupSim::roundTripFiles()
{
    QCOMPARE(treeOf(m_target.obex()), m_sourceObex);
    QCOMPARE(treeOf(m_target.efs()), m_sourceEfs);
}

void TestBackupSim::roundTripPhonebook()
{
    for (const QByteArray memory : {QByteArray("SM"), QByteArray("ME")})
        QCOMPARE(m_target.phonebook(memory), m_source.phonebook(memory));
}

void TestBackupSim::backupLayout()
{
    const QJsonObject m = QJsonDocument::fromJson(readFile(m_backup + QStringLiteral("/manifest.json"))).object();
    QCOMPARE(m.value("handset").toObject().value("maker").toString(), QStringLiteral("TORVANE"));
    QCOMPARE(m.value("handset").toObject().value("imei").toString(), QStringLiteral("356938035643809"));
    QVERIFY(!m.contains("incomplete"));
    QCOMPARE(m.value("counts").toObject().value("sms").toInt(), 6);
    const QJsonObject files = m.value("files").toObject();
    // Every file but the manifest is listed with its size and hash.
    QDirIterator it(m_backup, QDir::Files, QDirIterator::Subdirectories);
    int listed = 0;
    while (it.hasNext()) {
        const QString rel = QDir(m_backup).relativeFilePath(it.next());
        if (rel == QLatin1String("manifest.json"))
            continue;
        ++listed;
        QVERIFY2(files.contains(rel), qPrintable(rel));
        const QByteArray bytes = readFile(m_backup + u'/' + rel);
        QCOMPARE(files.value(rel).toObject().value("sha256").toString(),
                 QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
    }
    QCOMPARE(listed, files.size());
    for (const char *rel : {"phonebook/SM.vcf", "phonebook/SM.sez", "phonebook/ME.vcf", "sms/SM.pdu", "sms/ME.pdu",
                            "sms/messages.smsbackup", "sms/messages.csv", "obex/mmc/fotky/léto/kůň.jpg",
                            "obex/mmc/prázdný.txt", "diag/mmc1/hudba/píseň.mid"})
        QVERIFY2(files.contains(QString::fromUtf8(rel)), rel);
    // The name Windows does not take is saved safely and kept in the manifest.
    QCOMPARE(files.value("obex/mmc/fotky/a_b.txt").toObject().value("handsetName").toString(), QStringLiteral("a:b.txt"));
    QVERIFY(m.value("folders").toObject().contains(QStringLiteral("diag/mmc1/prázdná složka")));
    // Lossless: the PDUs exactly as listed, with the status before the listing.
    QVERIFY(readFile(m_backup + QStringLiteral("/sms/SM.pdu")).startsWith("1,1,0791246030500200040C9124603021436500006221"));
    QVERIFY(readFile(m_backup + QStringLiteral("/sms/SM.pdu")).contains("\r\n2,0,0791246030500200040C91247077896745000862"));
}

void TestBackupSim::vcardReadByVobject()
{
    if (!hasPythonModule(QStringLiteral("vobject")))
        QSKIP("python3-vobject is not installed");
    int status = 0;
    const QByteArray out = python(QStringLiteral(
        "import sys, vobject\n"
        "for path in sys.argv[1:]:\n"
        "    for c in vobject.readComponents(open(path, encoding='utf-8').read()):\n"
        "        cats = c.categories.value if hasattr(c, 'categories') else []\n"
        "        print(c.fn.value + '|' + c.tel.value + '|' + ','.join(cats) + '|' + c.x_torvane_location.value)\n"),
        {m_backup + QStringLiteral("/phonebook/SM.vcf"), m_backup + QStringLiteral("/phonebook/ME.vcf")}, &status);
    QCOMPARE(status, 0);
    QCOMPARE(QString::fromUtf8(out),
             QStringLiteral("Jiří Žďárský|+420603123456||1\n"
                            "Maminka|+420724555111|VIP|2\n"
                            "Jürgen Größe|+491701234567|VIP|3\n"
                            "Łucja Źdźbło|603987654||7\n"
                            "Ścisła Kąpiel|+48601222333||1\n"
                            "Tísňová linka|112||40\n"));
}

void TestBackupSim::smsBackupReadByGammu()
{
    if (!hasPythonModule(QStringLiteral("gammu")))
        QSKIP("python3-gammu is not installed");
    int status = 0;
    const QByteArray out = python(QStringLiteral(
        "import sys, gammu\n"
        "for m in gammu.ReadSMSBackup(sys.argv[1]):\n"
        "    u = m['UDH']\n"
        "    part = '%d/%d' % (u['PartNumber'], u['AllParts']) if u['Type'] == 'ConcatenatedMessages' else '-'\n"
        "    print('|'.join([m['State'], m['Number'], m['Coding'], part, m['Text']]))\n"),
        {m_backup + QStringLiteral("/sms/messages.smsbackup")}, &status);
    QCOMPARE(status, 0);
    const QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("Read|+420603123456|Default_No_Compression|-|Ahoj, zitra v 10 u kina?"));
    QCOMPARE(lines[1], QStringLiteral("UnRead|+420777987654|Unicode_No_Compression|-|"
                                      "Dobrý den, zásilka č. 4711 je připravena k vyzvednutí."));
    QVERIFY2(lines[2].startsWith(QStringLiteral("UnRead|+420604555111|Default_No_Compression|1/2|Ahoj Petre,")), qPrintable(lines[2]));
    QCOMPARE(lines[3], QStringLiteral("Read|+420604555111|Default_No_Compression|2/2|v kuchyni je drevo na dva dny."));
    QVERIFY(lines[4].startsWith(QStringLiteral("UnSent|+420603123456|")));
    QCOMPARE(lines[5], QStringLiteral("Sent|+420777987654|Unicode_No_Compression|-|Děkuji, přijedu v sobotu ráno."));
}

void TestBackupSim::secondRestoreWritesNothing()
{
    m_target.sim->control("log clear");
    m_target.sim->control("obexlog clear");
    m_target.sim->control("diaglog clear");
    const CliRun again = RunCli(QStringList{"restore", m_backup} + m_target.ports(), 120000);
    QCOMPARE(again.exitCode, 0);
    QVERIFY2(again.out.contains("sms: 0 written, 6 skipped, 0 refused\n"), again.out.constData());
    QVERIFY2(again.out.contains("obex: 0 written, 4 skipped, 0 refused\n"), again.out.constData());
    QVERIFY2(again.out.contains("diag: 0 written, 3 skipped, 0 refused\n"), again.out.constData());
    QVERIFY(!m_target.sim->control("log").contains("AT+CMGW"));
    QVERIFY(!m_target.sim->control("log").contains("AT+CPBW"));
    QVERIFY(!m_target.sim->control("obexlog").contains("PUT"));
    // The check lists the store, and a listing turns unread messages read
    // (3GPP TS 27.005): the same messages in the same places, read now.
    QCOMPARE(m_target.messages(), QByteArray(m_sourceMessages).replace(" = 0,", " = 1,"));
}

void TestBackupSim::dryRunSendsNoWrite()
{
    Handset empty;
    QVERIFY(empty.start({}));
    const CliRun dry = RunCli(QStringList{"restore", m_backup, "--dry-run"} + empty.ports(), 120000);
    QVERIFY2(dry.exitCode == 0, dry.out + dry.err);
    QVERIFY(dry.out.contains("would store the message of SM 2 as status 0"));
    QVERIFY(dry.out.contains("would put \\mmc\\fotky\\a:b.txt"));
    QVERIFY(dry.out.contains("sms: 6 written, 0 skipped, 0 refused\n"));
    QVERIFY(dry.out.contains("dry run: nothing was written"));
    const QByteArray log = empty.sim->control("log");
    QVERIFY(!log.contains("AT+CPBW"));
    QVERIFY(!log.contains("AT+CMGW"));
    QVERIFY(!empty.sim->control("obexlog").contains("PUT"));
    // No file-system write (59 05) or folder making (59 00) on the diagnostic port.
    for (const QByteArray &frame : empty.sim->control("diaglog").split('\n')) {
        QVERIFY2(!frame.startsWith("5905"), frame.constData());
        QVERIFY2(!frame.startsWith("5900"), frame.constData());
    }
    QVERIFY(empty.messages().isEmpty());
    QVERIFY(treeOf(empty.obex()).isEmpty());
    QVERIFY(treeOf(empty.efs()).isEmpty());
}

void TestBackupSim::damagedBackupRefused_data()
{
    QTest::addColumn<QString>("file");      // relative to the copy of the backup
    QTest::addColumn<QByteArray>("bytes");  // its new content; empty: removed
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("changed byte") << "sms/SM.pdu" << QByteArray("1,1,07") << QByteArray("sms/SM.pdu does not match its hash");
    QTest::newRow("file missing") << "obex/mmc/fotky/léto/kůň.jpg" << QByteArray()
                                  << QByteArray("obex/mmc/fotky/l\xC3\xA9to/k\xC5\xAF\xC5\x88.jpg is missing");
    QTest::newRow("manifest missing") << "manifest.json" << QByteArray() << QByteArray("has no manifest.json");
    QTest::newRow("manifest not JSON") << "manifest.json" << QByteArray("{\"files\": ") << QByteArray("manifest.json cannot be read");
    QTest::newRow("path out of the folder")
        << "manifest.json"
        << QByteArray("{\"format\": \"torvane-backup\", \"parts\": [\"obex\"], \"files\": "
                      "{\"obex/../../etc/passwd\": {\"size\": 1, \"sha256\": \"00\"}}}")
        << QByteArray("manifest.json names \"obex/../../etc/passwd\"");
    QTest::newRow("interrupted backup")
        << "manifest.json" << QByteArray("{\"format\": \"torvane-backup\", \"incomplete\": true, \"files\": {}}")
        << QByteArray("the backup is incomplete");
}

void TestBackupSim::damagedBackupRefused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, message);

    QTemporaryDir copyDir;
    const QString copy = copyDir.filePath(QStringLiteral("b"));
    for (auto [rel, content] : treeOf(m_backup).asKeyValueRange()) {
        if (content == "<dir>")
            QDir().mkpath(copy + u'/' + rel);
        else
            QVERIFY(writeFile(copy + u'/' + rel, content));
    }
    if (bytes.isEmpty())
        QVERIFY(QFile::remove(copy + u'/' + file));
    else
        QVERIFY(writeFile(copy + u'/' + file, bytes));
    m_target.sim->control("log clear");
    m_target.sim->control("obexlog clear");
    const CliRun run = RunCli(QStringList{"restore", copy} + m_target.ports(), 60000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), run.err.constData());
    // Refused before anything reached the handset.
    QVERIFY(m_target.sim->control("log").isEmpty());
    QVERIFY(m_target.sim->control("obexlog").isEmpty());
}

void TestBackupSim::differentEntryNeedsForce()
{
    Handset other;
    QVERIFY(other.start("pb.SM.2 = +420111222333,129,Soused\n"));
    const QStringList args = QStringList{"restore", m_backup, "--only", "phonebook"} + other.ports();
    const CliRun left = RunCli(args, 60000);
    QCOMPARE(left.exitCode, 1);
    QVERIFY2(left.out.contains("SM 2 \"Maminka\": the location holds \"Soused\" (--force replaces it)"), left.out.constData());
    QVERIFY(left.out.contains("phonebook: 5 written, 0 skipped, 1 refused\n"));
    QVERIFY(other.phonebook("SM").contains("2 +420111222333,129,Soused\n"));
    const CliRun forced = RunCli(args + QStringList{"--force"}, 60000);
    QCOMPARE(forced.exitCode, 0);
    QVERIFY(forced.out.contains("phonebook: 1 written, 5 skipped, 0 refused\n"));
    QVERIFY(other.phonebook("SM").contains("2 +420724555111,145,Maminka!\n"));
}

void TestBackupSim::interruptedBackup_data()
{
    QTest::addColumn<bool>("portLost");  // the handset goes away instead of Ctrl-C
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("Ctrl-C") << false << QByteArray("interrupted; ");
    // Silence or a port error, whichever the closed line gives first.
    QTest::newRow("lost port") << true
                               << QByteArray("(stopped answering while SM was read|port error while reading SM)");
}

void TestBackupSim::interruptedBackup()
{
    QFETCH(bool, portLost);
    QFETCH(QByteArray, message);
    // A slow handset with a full memory: the phonebook takes long enough to
    // interrupt it.
    QByteArray many;
    for (int i = 1; i <= 250; ++i)
        many += "pb.SM." + QByteArray::number(i) + " = 60312" + QByteArray::number(1000 + i) + ",129,Jmeno " + QByteArray::number(i) + "\n";
    Handset slow;
    // Slow enough that the memory's ranges take seconds.
    QVERIFY(slow.start(many, {"--latency", "200"}));
    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("prerusena"));
    QProcess cli;
    cli.start(kCli, QStringList{"backup", folder, "--only", "phonebook,sms"} + slow.ports().mid(0, 2));
    QVERIFY(cli.waitForStarted());
    // Interrupted once the reading is under way.
    QTRY_VERIFY_WITH_TIMEOUT(slow.sim->control("log").contains("AT+CPBR=1,"), 30000);
    if (portLost)
        slow.sim->stop();
    else
        ::kill(pid_t(cli.processId()), SIGINT);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    const QByteArray err = cli.readAllStandardError();
    QVERIFY2(QString::fromUtf8(err).contains(QRegularExpression(QString::fromUtf8(message))), err.constData());
    QVERIFY(err.contains("is marked incomplete"));
    const QByteArray manifest = readFile(folder + QStringLiteral("/manifest.json"));
    QVERIFY(manifest.isEmpty() || QJsonDocument::fromJson(manifest).object().value("incomplete").toBool());
    if (portLost)
        return;
    // The handset is left answering AT commands.
    const CliRun after = RunCli({"phonebook", "read", "ON", "--port", slow.sim->modemPath()}, 60000);
    QCOMPARE(after.exitCode, 0);
}

void TestBackupSim::folderNotEmptyRefused()
{
    const CliRun run = RunCli(QStringList{"backup", m_backup} + m_source.ports(), 30000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("is not empty"));
}

// A handset whose guard is longer than ours never confirms the escape: the
// run must not go on as if the port spoke AT again, nor end as done.
void TestBackupSim::unconfirmedEscapeEndsTheRun()
{
    Handset strict;
    QVERIFY(writeFile(strict.obex() + QStringLiteral("/readme.txt"), "Zenk\r\n"));
    QVERIFY(strict.start("obex.guard = 1000\n"));
    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("zaloha"));
    const CliRun run = RunCli(QStringList{"backup", folder, "--only", "obex,sms"} + strict.ports(), 60000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("did not confirm the return to AT mode"), run.err.constData());
    QFile manifest(folder + QStringLiteral("/manifest.json"));
    QVERIFY(!manifest.exists() || (manifest.open(QIODevice::ReadOnly) && manifest.readAll().contains("\"incomplete\": true")));
}

QTEST_GUILESS_MAIN(TestBackupSim)
#include "tst_backup_sim.moc"
