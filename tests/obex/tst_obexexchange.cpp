// The OBEX exchange through the real serial layer against a scripted handset
// on a pseudo-terminal: the bytes of each kind of exchange, in order, and
// how each fault of the handset ends the exchange with the port given back.

#include "comport.h"
#include "obexdevice.h"
#include "obexexchange.h"
#include "obexpath.h"

#include <QDir>
#include <QTemporaryDir>

#include <QSignalSpy>
#include <QTest>

using namespace Obex;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const QByteArray ExpectedConnect =
    hex("A0 00 1F 10 00 10 AA CB 02 4E 80 4C 4A 00 13 6B 01 CB 31 41 06 11 D4 9A 77 00 50 DA 3F 47 1F");
const QByteArray Success = hex("A0 00 08 CB 02 4E 80 4C");
const QByteArray Document = "<?xml version=\"1.0\"?>\r\n<folder-listing version=\"1.0\">"
                            "<folder name=\"pictures\"/><file name=\"a.txt\" size=\"3\"/></folder-listing>";
const ConnectionId Handset = 0x024E804C;

QByteArray listingResponse(const QByteArray &document)
{
    return packet(RspSuccess, u32Header(HdrConnectionId, 0x024E804C) + bytesHeader(HdrEndOfBody, document));
}

// The handset of the Part: AT answers with echo and OK in one piece,
// the fixed CONNECT answer, Success to everything, the document to a GET.
QList<QByteArray> normalHandset(const QByteArray &unit, bool obex)
{
    if (!obex)
        return {ObexDevice::okReply(unit)};
    switch (quint8(unit[0])) {
    case OpConnect: return {ExpectedConnect};
    case OpGetFinal: return {listingResponse(Document)};
    case OpDisconnect: return {hex("A0 00 03")};
    default: return {Success};
    }
}

struct Run
{
    QList<QByteArray> units;
    ObexFailure failure;
    QList<FolderListing> listings;
    bool restored = false;
};

struct Options
{
    QString localFolder;
    bool answerEscape = true;
};

Run runExchange(ObexDevice::Script script, ExplorerOperation op, const QStringList &folder,
                const QStringList &items = {}, const Options &options = {})
{
    Run run;
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    ObexDevice device(pty, std::move(script));
    device.answerEscape = options.answerEscape;
    ObexExchange exchange(&port);
    exchange.setResponseTimeout(1000);
    exchange.setAtTimeout(1000);
    exchange.setGuardTime(50);
    exchange.restoreReceiveHandler = [&] {
        run.restored = true;
        port.OnRxChar = nullptr;
    };
    QObject::connect(&exchange, &ObexExchange::listingReceived,
                     [&](const FolderListing &l) { run.listings.append(l); });
    QSignalSpy finished(&exchange, &ObexExchange::finished);
    if (!exchange.start(op, folder, items, options.localFolder))
        return run;
    if (!finished.wait(15000))
        return run;
    run.failure = finished.first().first().value<ObexFailure>();
    // The device may still be writing down its last unit.
    QTest::qWait(50);
    run.units = device.units();
    return run;
}

Run runExchange(ObexDevice::Script script, ExplorerOperation op, const QString &label,
                const QStringList &items = {}, const Options &options = {})
{
    return runExchange(std::move(script), op, PathComponents(label), items, options);
}

} // namespace

Q_DECLARE_METATYPE(ObexFailure)

class TestObexExchange : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void faults_data();
    void faults();
    void continuedListingInPieces();
    void anotherConnectionAndPacketSize();
    void handsetNamesExact_data();
    void handsetNamesExact();
    void endlessGet_data();
    void endlessGet();
    void entityBomb();
    void escapeWithoutOk();
};

void TestObexExchange::sequence_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QList<QByteArray>>("requests");  // between the switch-over and DISCONNECT

    const QByteArray get = ListingRequest(Handset);
    QTest::newRow("root listing: no SETPATH") << int(ExplorerOperation::RootListing) << "\\" << QStringList{}
                                              << QList<QByteArray>{get};
    QTest::newRow("listing of the root as a folder: the empty SETPATH")
        << int(ExplorerOperation::FolderListing) << "\\" << QStringList{}
        << QList<QByteArray>{hex("85 00 0F 02 00 CB 02 4E 80 4C 01 00 05 00 00"), get};
    QTest::newRow("listing of \\mmc\\pictures\\")
        << int(ExplorerOperation::FolderListing) << "\\mmc\\pictures\\" << QStringList{}
        << QList<QByteArray>{hex("85 00 15 02 00 CB 02 4E 80 4C 01 00 0B 00 6D 00 6D 00 63 00 00"),
                             SetPathRequest(Handset, "pictures"), get};
    QTest::newRow("three deletes, each after a Success, then the listing; names exactly as listed")
        << int(ExplorerOperation::Delete) << "\\user\\" << QStringList{"a.txt", "[notes]", "\\evil.txt"}
        << QList<QByteArray>{SetPathRequest(Handset, "user"),
                             hex("82 00 17 CB 02 4E 80 4C 01 00 0F 00 61 00 2E 00 74 00 78 00 74 00 00"),
                             DeleteRequest(Handset, "[notes]"), DeleteRequest(Handset, "\\evil.txt"), get};
    QTest::newRow("make folder: every folder of the path with the create flags")
        << int(ExplorerOperation::MakeFolder) << "\\mmc\\nový\\" << QStringList{}
        << QList<QByteArray>{SetPathRequest(Handset, "mmc", 0), SetPathRequest(Handset, QStringLiteral("nový"), 0), get};
}

void TestObexExchange::sequence()
{
    QFETCH(int, operation);
    QFETCH(QString, path);
    QFETCH(QStringList, items);
    QFETCH(QList<QByteArray>, requests);

    const Run run = runExchange(normalHandset, ExplorerOperation(operation), path, items);
    QVERIFY(!run.failure.failed());
    QVERIFY(run.restored);
    QList<QByteArray> expected{"+++AT^SQWE=0", "AT^SQWE=3", ConnectRequest()};
    expected += requests;
    expected += {DisconnectRequest(Handset), "+++"};
    QCOMPARE(run.units, expected);
    QCOMPARE(run.listings.size(), 1);
    QCOMPARE(run.listings.first().entries.size(), 2);
}

void TestObexExchange::faults_data()
{
    QTest::addColumn<QByteArray>("faultyRequest");  // opcode answered otherwise; "AT^SQWE=3" for the switch
    QTest::addColumn<QByteArray>("answer");         // empty: no answer at all
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("disconnect");  // a DISCONNECT is sent before leaving
    QTest::addColumn<bool>("escape");      // "+++" is sent to leave OBEX mode

    QTest::newRow("switch refused") << QByteArray("AT^SQWE=3") << QByteArray("AT^SQWE=3\r\r\nERROR\r\n")
                                    << int(ObexFailure::SwitchRefused) << 0 << false << false;
    QTest::newRow("switch not answered") << QByteArray("AT^SQWE=0") << QByteArray()
                                         << int(ObexFailure::NoAnswer) << 0 << false << false;
    QTest::newRow("CONNECT refused with C3") << QByteArray(1, char(OpConnect)) << hex("C3 00 03")
                                             << int(ObexFailure::ConnectRefused) << 0xC3 << false << true;
    QTest::newRow("SETPATH not found") << QByteArray(1, char(OpSetPath)) << hex("C4 00 08 CB 02 4E 80 4C")
                                       << int(ObexFailure::NotFound) << 0xC4 << true << true;
    QTest::newRow("GET unauthorized (C1)") << QByteArray(1, char(OpGetFinal)) << hex("C1 00 03")
                                           << int(ObexFailure::Refused) << 0xC1 << true << true;
    QTest::newRow("GET internal error (D0)") << QByteArray(1, char(OpGetFinal)) << hex("D0 00 03")
                                             << int(ObexFailure::Refused) << 0xD0 << true << true;
    QTest::newRow("GET stalls") << QByteArray(1, char(OpGetFinal)) << QByteArray()
                                << int(ObexFailure::NoAnswer) << 0 << false << true;
    QTest::newRow("GET answered half") << QByteArray(1, char(OpGetFinal)) << hex("A0 00 40 49 00 3D 3C")
                                       << int(ObexFailure::NoAnswer) << 0 << false << true;
    QTest::newRow("GET answered with a broken length") << QByteArray(1, char(OpGetFinal)) << hex("A0 00 00")
                                                       << int(ObexFailure::BadResponse) << 0 << false << true;
}

void TestObexExchange::faults()
{
    QFETCH(QByteArray, faultyRequest);
    QFETCH(QByteArray, answer);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(bool, disconnect);
    QFETCH(bool, escape);

    const Run run = runExchange(
        [&](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            const bool hit = obex ? unit.startsWith(faultyRequest) : unit.endsWith(faultyRequest);
            if (hit)
                return answer.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{answer};
            return normalHandset(unit, obex);
        },
        ExplorerOperation::FolderListing, "\\mmc\\");
    QCOMPARE(int(run.failure.kind), kind);
    QCOMPARE(int(run.failure.code), code);
    QVERIFY(run.restored);
    QVERIFY(!run.units.isEmpty());
    QCOMPARE(run.units.contains(DisconnectRequest(Handset)), disconnect);
    QCOMPARE(run.units.last() == "+++", escape);
}

void TestObexExchange::continuedListingInPieces()
{
    // A listing answered as Continue + Success, each written in three pieces.
    QByteArray document = "<?xml version=\"1.0\"?><folder-listing>";
    for (int i = 0; i < 30; ++i)
        document += "<file name=\"f" + QByteArray::number(i) + "\" size=\"1\"/>";
    document += "</folder-listing>";
    const QByteArray first = packet(RspContinue, bytesHeader(HdrBody, document.left(400)));
    const QByteArray last = packet(RspSuccess, bytesHeader(HdrEndOfBody, document.mid(400)));
    int gets = 0;
    const Run run = runExchange(
        [&](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            if (obex && quint8(unit[0]) == OpGetFinal) {
                const QByteArray r = gets++ == 0 ? first : last;
                return {r.left(2), r.mid(2, 100), r.mid(102)};
            }
            return normalHandset(unit, obex);
        },
        ExplorerOperation::RootListing, "\\");
    QVERIFY(!run.failure.failed());
    QCOMPARE(gets, 2);
    QVERIFY(run.units.contains(GetContinueRequest(Handset)));
    QCOMPARE(run.listings.size(), 1);
    QCOMPARE(run.listings.first().entries.size(), 30);
    QVERIFY(run.listings.first().error.isEmpty());
}

void TestObexExchange::anotherConnectionAndPacketSize()
{
    const QByteArray connect = packet(RspSuccess, hex("10 00 01 2C") + u32Header(HdrConnectionId, 0x11223344));
    const Run run = runExchange(
        [&](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            if (obex && quint8(unit[0]) == OpConnect)
                return {connect};
            return normalHandset(unit, obex);
        },
        ExplorerOperation::FolderListing, "\\mmc\\");
    QVERIFY(!run.failure.failed());
    QVERIFY(run.units.contains(SetPathRequest(ConnectionId(0x11223344), "mmc")));
    QVERIFY(run.units.contains(ListingRequest(ConnectionId(0x11223344))));
    QVERIFY(run.units.contains(DisconnectRequest(ConnectionId(0x11223344))));
}

namespace {

bool isListingGet(const QByteArray &unit)
{
    return unit.contains("x-obex/folder-listing");
}

QStringList entriesOf(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

void TestObexExchange::handsetNamesExact_data()
{
    QTest::addColumn<QStringList>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("local");  // the file written; empty: refused, nothing asked for

    QTest::newRow("[notes] is the file [notes]") << QStringList{"mmc"} << "[notes]" << "[notes]";
    QTest::newRow("a leading backslash stays, on the PC a _") << QStringList{"mmc"} << "\\evil.txt" << "_evil.txt";
    QTest::newRow("../../x stays in the folder chosen") << QStringList{"mmc"} << "../../x" << ".._.._x";
    QTest::newRow("a folder x\\y is entered by its name") << QStringList{"mmc", "x\\y"} << "a.txt" << "a.txt";
    QTest::newRow("a device name of Windows") << QStringList{} << "con.txt" << "_con.txt";
    QTest::newRow("..") << QStringList{"mmc"} << ".." << "";
}

void TestObexExchange::handsetNamesExact()
{
    QFETCH(QStringList, folder);
    QFETCH(QString, name);
    QFETCH(QString, local);

    QTemporaryDir pc;
    QDir(pc.path()).mkdir("in");
    const QString in = pc.filePath("in");
    const Run run = runExchange(
        [](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            if (obex && quint8(unit[0]) == OpGetFinal && !isListingGet(unit))
                return {packet(RspSuccess, bytesHeader(HdrEndOfBody, "data"))};
            return normalHandset(unit, obex);
        },
        ExplorerOperation::CopyToPc, folder, {name}, {in});
    QVERIFY(run.restored);
    for (const QString &component : folder)
        QVERIFY2(run.units.contains(SetPathRequest(Handset, component)), qPrintable(component));
    QCOMPARE(entriesOf(pc.path()), QStringList{"in"});
    if (local.isEmpty()) {
        QCOMPARE(run.failure.kind, ObexFailure::UnsafeName);
        QVERIFY(entriesOf(in).isEmpty());
        return;
    }
    QVERIFY(!run.failure.failed());
    QVERIFY(run.units.contains(FileGetRequest(Handset, name)));
    QCOMPARE(entriesOf(in), QStringList{local});
    QFile got(QDir(in).filePath(local));
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(got.readAll(), QByteArray("data"));
}

void TestObexExchange::endlessGet_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("bodySize");  // of every Continue
    QTest::addColumn<int>("length");    // the Length header, -1 for none

    QTest::newRow("listing, 16000 bytes a Continue") << int(ExplorerOperation::RootListing) << 16000 << -1;
    QTest::newRow("file of Length 100, 4000 bytes a Continue") << int(ExplorerOperation::CopyToPc) << 4000 << 100;
    QTest::newRow("file of Length 100, empty Continues") << int(ExplorerOperation::CopyToPc) << 0 << 100;
}

void TestObexExchange::endlessGet()
{
    QFETCH(int, operation);
    QFETCH(int, bodySize);
    QFETCH(int, length);

    QTemporaryDir pc;
    const QByteArray headers = (length >= 0 ? u32Header(HdrLength, quint32(length)) : QByteArray())
        + (bodySize > 0 ? bytesHeader(HdrBody, QByteArray(bodySize, '<')) : QByteArray());
    const QByteArray continued = packet(RspContinue, headers);
    int gets = 0;
    const Run run = runExchange(
        [&](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            if (obex && quint8(unit[0]) == OpGetFinal) {
                ++gets;
                return {continued};
            }
            return normalHandset(unit, obex);
        },
        ExplorerOperation(operation), QStringList{}, {"big.bin"}, {pc.path()});
    QCOMPARE(run.failure.kind, ObexFailure::BadResponse);
    QVERIFY(run.restored);
    QCOMPARE(run.units.last(), QByteArray("+++"));
    QVERIFY(gets > 2);
    QVERIFY(entriesOf(pc.path()).isEmpty());  // no half file
}

void TestObexExchange::entityBomb()
{
    // Nested entities that would expand to gigabytes: the document is
    // refused as damaged, quickly, and nothing of the expansion is shown.
    QByteArray document = "<?xml version=\"1.0\"?>\n<!DOCTYPE folder-listing [\n<!ENTITY l0 \"lollollollol\">\n";
    for (int i = 1; i < 10; ++i) {
        document += "<!ENTITY l" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k)
            document += "&l" + QByteArray::number(i - 1) + ";";
        document += "\">\n";
    }
    document += "]>\n<folder-listing><file name=\"ok.txt\"/><file name=\"&l9;\"/></folder-listing>";
    const Run run = runExchange(
        [&](const QByteArray &unit, bool obex) -> QList<QByteArray> {
            if (obex && quint8(unit[0]) == OpGetFinal)
                return {listingResponse(document)};
            return normalHandset(unit, obex);
        },
        ExplorerOperation::RootListing, QStringList{});
    QVERIFY(!run.failure.failed());
    QCOMPARE(run.listings.size(), 1);
    QVERIFY(!run.listings.first().error.isEmpty());
    for (const ListingEntry &e : run.listings.first().entries)
        QVERIFY(e.name.size() < 1000);
}

void TestObexExchange::escapeWithoutOk()
{
    const Run run = runExchange(normalHandset, ExplorerOperation::RootListing, QStringList{}, {},
                                Options{{}, false});
    QVERIFY(run.restored);
    QCOMPARE(run.listings.size(), 1);
    QVERIFY(!run.failure.failed());
    QVERIFY(run.failure.escapeUnconfirmed);
}

QTEST_GUILESS_MAIN(TestObexExchange)
#include "tst_obexexchange.moc"
