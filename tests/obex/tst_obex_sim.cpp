// The OBEX exchange against the simulated handset serving a real folder:
// files of several sizes there and back, a long listing in Continue packets,
// names with Czech letters and long names, and each fault the handset can
// be made to show, after which the modem port answers AT commands again.

#include "attransport.h"
#include "comport.h"
#include "obexexchange.h"
#include "simprocess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ObexFailure)

namespace {

struct Result
{
    ObexFailure failure;
    QList<FolderListing> listings;
};

class Handset
{
public:
    explicit Handset(const QStringList &state = {})
        : m_sim({QStringLiteral("--obex"), m_tree.path()})
    {
        m_ok = m_sim.start();
        if (!m_ok)
            return;
        m_sim.control("set obex.guard 50");
        for (const QString &line : state)
            m_sim.control("set " + line.toUtf8());
        m_port.setPort(m_sim.modemPath());
        m_port.OpenPort();
        m_exchange.setResponseTimeout(1500);
        m_exchange.setGuardTime(60);
        m_exchange.restoreReceiveHandler = [this] { m_port.OnRxChar = nullptr; };
        m_ok = CheckPresence(m_port);
    }

    bool ok() const { return m_ok; }
    QString tree() const { return m_tree.path(); }
    SimProcess &sim() { return m_sim; }
    TComPort &port() { return m_port; }

    ObexExchange &exchange() { return m_exchange; }

    Result run(ExplorerOperation op, const QString &path, const QStringList &items = {},
               const QString &localFolder = {}, int waitMs = 30000)
    {
        Result r;
        QMetaObject::Connection c = QObject::connect(&m_exchange, &ObexExchange::listingReceived,
                                                     [&](const FolderListing &l) { r.listings.append(l); });
        QSignalSpy finished(&m_exchange, &ObexExchange::finished);
        if (!m_exchange.start(op, path, items, localFolder) || !finished.wait(waitMs)) {
            r.failure.kind = ObexFailure::Cancelled;
            r.failure.detail = QStringLiteral("the exchange did not start or end");
        } else {
            r.failure = finished.first().first().value<ObexFailure>();
        }
        QObject::disconnect(c);
        return r;
    }

    // The port is back in AT mode: an AT command is answered.
    bool answersAt() { return CheckPresence(m_port) && m_sim.control("get obex.mode") == "at\n"; }

private:
    QTemporaryDir m_tree;
    SimProcess m_sim;
    TComPort m_port{QStringLiteral("ComPort1")};
    ObexExchange m_exchange{&m_port};
    bool m_ok = false;
};

QStringList names(const FolderListing &listing)
{
    QStringList out;
    for (const ListingEntry &e : listing.entries)
        out.append(e.folder ? u'[' + e.name + u']' : e.name);
    return out;
}

} // namespace

class TestObexSim : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void longListing();
    void folders();
    void faults_data();
    void faults();
    void copyToPcNeverLeavesHalfFiles_data();
    void copyToPcNeverLeavesHalfFiles();
    void nestedFolderMade();
    void modeKeySaysWhatThePortSpeaks();
    void leftInObexModeByAnotherClient();
    void leftInObexModeCancelled();
};

void TestObexSim::roundTrip_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("state");

    QTest::newRow("0 bytes") << 0 << "empty.bin" << QStringList{};
    QTest::newRow("1 byte") << 1 << "one.bin" << QStringList{};
    QTest::newRow("1000 bytes") << 1000 << "kilo.bin" << QStringList{};
    QTest::newRow("100000 bytes") << 100000 << "big.bin" << QStringList{};
    QTest::newRow("100000 bytes, handset packets of 300, replies in pieces")
        << 100000 << "small-packets.bin" << QStringList{"obex.max_packet 300", "obex.split 97"};
    QTest::newRow("Czech name") << 10 << QStringLiteral("čaj a žluťoučký kůň.txt") << QStringList{};
    QTest::newRow("name of 150 characters") << 10 << QString(146, u'n') + ".txt" << QStringList{};
}

void TestObexSim::roundTrip()
{
    QFETCH(int, size);
    QFETCH(QString, name);
    QFETCH(QStringList, state);

    Handset handset(state);
    QVERIFY(handset.ok());
    QTemporaryDir pc;
    QByteArray content(size, '\0');
    for (int i = 0; i < size; ++i)
        content[i] = char((i * 31 + i / 256) & 0xFF);
    const QString source = pc.filePath(name);
    {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QDir(handset.tree()).mkdir("user");

    const Result put = handset.run(ExplorerOperation::CopyToHandset, "\\user\\", {source});
    QVERIFY2(!put.failure.failed(), qPrintable(QString("%1 %2 %3 %4").arg(put.failure.kind).arg(put.failure.code, 0, 16).arg(put.failure.step, put.failure.detail)));
    QCOMPARE(put.listings.size(), 1);
    QCOMPARE(names(put.listings.first()), QStringList{name});
    QFile onHandset(QDir(handset.tree()).filePath("user/" + name));
    QVERIFY(onHandset.open(QIODevice::ReadOnly));
    QCOMPARE(onHandset.readAll(), content);

    QTemporaryDir back;
    const Result get = handset.run(ExplorerOperation::CopyToPc, "\\user\\", {name}, back.path());
    QVERIFY2(!get.failure.failed(), qPrintable(QString("%1 %2 %3 %4").arg(get.failure.kind).arg(get.failure.code, 0, 16).arg(get.failure.step, get.failure.detail)));
    QFile copy(back.filePath(name));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), content);
    QVERIFY(handset.answersAt());
}

void TestObexSim::longListing()
{
    Handset handset({"obex.split 1000"});
    QVERIFY(handset.ok());
    QStringList expected;
    for (int i = 0; i < 500; ++i) {
        const QString name = QStringLiteral("soubor-%1.txt").arg(i, 3, 10, QLatin1Char('0'));
        QFile f(QDir(handset.tree()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        expected.append(name);
    }
    handset.sim().control("obexlog clear");
    const Result r = handset.run(ExplorerOperation::RootListing, "\\");
    QVERIFY(!r.failure.failed());
    QCOMPARE(r.listings.size(), 1);
    QCOMPARE(names(r.listings.first()), expected);
    // The document is about 40 kB: it came as Continue packets, each asked for.
    QVERIFY(handset.sim().control("obexlog").count("GET") >= 3);
}

void TestObexSim::folders()
{
    Handset handset;
    QVERIFY(handset.ok());
    QDir tree(handset.tree());
    tree.mkpath("mmc/pictures");
    for (const char *name : {"mmc/a.txt", "mmc/b.txt", "mmc/c.txt"})
        QFile(tree.filePath(name)).open(QIODevice::WriteOnly);

    const Result made = handset.run(ExplorerOperation::MakeFolder, QStringLiteral("\\mmc\\nová složka\\"));
    QVERIFY(!made.failure.failed());
    QVERIFY(tree.exists(QStringLiteral("mmc/nová složka")));
    QCOMPARE(made.listings.size(), 1);

    const Result deleted = handset.run(ExplorerOperation::Delete, "\\mmc\\",
                                       {"a.txt", "b.txt", QStringLiteral("nová složka")});
    QVERIFY(!deleted.failure.failed());
    QCOMPARE(names(deleted.listings.first()), (QStringList{"c.txt", "[pictures]"}));
    QCOMPARE(handset.sim().control("obexlog").count("DELETE"), 3);

    const Result missing = handset.run(ExplorerOperation::FolderListing, "\\mmc\\nic\\");
    QCOMPARE(missing.failure.kind, ObexFailure::NotFound);
    QVERIFY(!tree.exists("mmc/nic"));  // walking never creates a folder
    QVERIFY(handset.answersAt());
}

void TestObexSim::faults_data()
{
    QTest::addColumn<QStringList>("state");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");

    QTest::newRow("another Connection ID") << QStringList{"obex.connection_id 0A0B0C0D"}
                                           << int(ObexFailure::None) << 0;
    QTest::newRow("smallest packets") << QStringList{"obex.max_packet 255"} << int(ObexFailure::None) << 0;
    QTest::newRow("responses in 3-byte pieces") << QStringList{"obex.split 3"} << int(ObexFailure::None) << 0;
    QTest::newRow("CONNECT refused") << QStringList{"obex.refuse \"CONNECT C3\""}
                                     << int(ObexFailure::ConnectRefused) << 0xC3;
    QTest::newRow("GET forbidden") << QStringList{"obex.refuse \"GET C3\""} << int(ObexFailure::Refused) << 0xC3;
    QTest::newRow("SETPATH unauthorized") << QStringList{"obex.refuse \"SETPATH C1\""}
                                          << int(ObexFailure::Refused) << 0xC1;
    QTest::newRow("GET internal error") << QStringList{"obex.refuse \"GET D0\""} << int(ObexFailure::Refused) << 0xD0;
    QTest::newRow("GET never answered") << QStringList{"obex.stall GET"} << int(ObexFailure::NoAnswer) << 0;
    QTest::newRow("CONNECT never answered") << QStringList{"obex.stall CONNECT"} << int(ObexFailure::NoAnswer) << 0;
}

void TestObexSim::faults()
{
    QFETCH(QStringList, state);
    QFETCH(int, kind);
    QFETCH(int, code);

    Handset handset(state);
    QVERIFY(handset.ok());
    QDir(handset.tree()).mkpath("mmc/pictures");
    const Result r = handset.run(ExplorerOperation::FolderListing, "\\mmc\\");
    QCOMPARE(int(r.failure.kind), kind);
    QCOMPARE(int(r.failure.code), code);
    if (kind == ObexFailure::None)
        QCOMPARE(names(r.listings.value(0)), QStringList{"[pictures]"});
    // Whatever happened, the modem port speaks AT again.
    QVERIFY(handset.answersAt());
}

void TestObexSim::copyToPcNeverLeavesHalfFiles_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("kind");

    QTest::newRow("file missing") << QByteArray() << int(ObexFailure::NotFound);
    QTest::newRow("refused in the middle") << QByteArray("set obex.refuse \"CONTINUE D0\"")
                                           << int(ObexFailure::Refused);
    QTest::newRow("stalls in the middle") << QByteArray("set obex.stall CONTINUE") << int(ObexFailure::NoAnswer);
}

void TestObexSim::copyToPcNeverLeavesHalfFiles()
{
    QFETCH(QByteArray, fault);
    QFETCH(int, kind);

    Handset handset;
    QVERIFY(handset.ok());
    if (!fault.isEmpty()) {
        QFile big(QDir(handset.tree()).filePath("big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QByteArray(50000, 'x'));  // four packets of ours
        handset.sim().control(fault);
    }
    QTemporaryDir pc;
    QFile old(pc.filePath("big.bin"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("the good old file");
    old.close();

    const Result r = handset.run(ExplorerOperation::CopyToPc, "\\", {"big.bin"}, pc.path());
    QCOMPARE(int(r.failure.kind), kind);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("the good old file"));
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
    QVERIFY(handset.answersAt());
}

void TestObexSim::nestedFolderMade()
{
    // Each missing folder of the path is made by its own SETPATH on the way.
    Handset handset;
    QVERIFY(handset.ok());
    const Result made = handset.run(ExplorerOperation::MakeFolder, QStringLiteral("\\záloha\\obex\\mmc\\"));
    QVERIFY(!made.failure.failed());
    QVERIFY(QDir(handset.tree()).exists(QStringLiteral("záloha/obex/mmc")));
    // Made again: the folders are there and simply entered.
    QVERIFY(!handset.run(ExplorerOperation::MakeFolder, QStringLiteral("\\záloha\\obex\\")).failure.failed());
    QVERIFY(handset.answersAt());
}

void TestObexSim::modeKeySaysWhatThePortSpeaks()
{
    Handset handset;
    QVERIFY(handset.ok());
    handset.port().SendText("AT+CPROT=0\r");
    QVERIFY(QTest::qWaitFor([&] { return handset.sim().control("get obex.mode") == "obex\n"; }, 3000));
    handset.port().ReceiveTextWithin(200, 500);
    QVERIFY(!CheckPresence(handset.port()));  // OBEX: no answer to AT

    handset.sim().control("set obex.mode at");
    QVERIFY(QTest::qWaitFor([&] { return CheckPresence(handset.port()); }, 3000));

    handset.sim().control("set obex.mode obex");
    QTest::qWait(50);
    QVERIFY(!CheckPresence(handset.port()));
    // The exchange finds the port in OBEX mode and gets it back.
    QVERIFY(!handset.run(ExplorerOperation::RootListing, "\\").failure.failed());
    QVERIFY(handset.answersAt());
}

namespace {

// Another client entered OBEX mode, connected and went away without reading
// the answer or escaping: the answer still waits on the port.
bool leaveInObexMode(Handset &handset)
{
    handset.port().SendText("AT+CPROT=0\r");
    if (!QTest::qWaitFor([&] { return handset.sim().control("get obex.mode") == "obex\n"; }, 3000))
        return false;
    handset.port().ReceiveTextWithin(200, 500);
    handset.sim().control("obexlog clear");
    handset.port().SendText(Obex::ConnectRequest(Obex::FolderBrowsingServiceId()));
    return QTest::qWaitFor([&] { return handset.port().PendingCount() >= 31; }, 3000);
}

} // namespace

void TestObexSim::leftInObexModeCancelled()
{
    // Cancelled while the left-over mode is being escaped: the handset ends
    // in AT mode and is not switched again.
    Handset handset;
    QVERIFY(handset.ok());
    QVERIFY(leaveInObexMode(handset));
    QSignalSpy finished(&handset.exchange(), &ObexExchange::finished);
    QVERIFY(handset.exchange().start(ExplorerOperation::RootListing, QStringLiteral("\\")));
    handset.exchange().cancel();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().value<ObexFailure>().kind, ObexFailure::Cancelled);
    QCOMPARE(handset.sim().control("obexlog").count("CONNECT"), 1);  // the other client's only
    QVERIFY(handset.answersAt());
}

void TestObexSim::leftInObexModeByAnotherClient()
{
    // The switch-over takes the answer waiting for the sign and escapes at
    // once; the AT timeout, far longer than the wait here, is never waited out.
    Handset handset;
    QVERIFY(handset.ok());
    QVERIFY(leaveInObexMode(handset));
    handset.exchange().setAtTimeout(20000);
    const Result r = handset.run(ExplorerOperation::RootListing, "\\", {}, {}, 10000);
    QVERIFY2(!r.failure.failed(), qPrintable(r.failure.detail));
    QCOMPARE(r.listings.size(), 1);
    QVERIFY(handset.answersAt());
}

QTEST_GUILESS_MAIN(TestObexSim)
#include "tst_obex_sim.moc"
