// The OBEX packets byte by byte, the response assembly by length, the path
// label and the folder-listing reader: pure functions, no port.

#include "folderlisting.h"
#include "obexpacket.h"
#include "obexpath.h"

#include <QTest>

using namespace Obex;

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
const ConnectionId Handset = 0x024E804C;
} // namespace

class TestObexPackets : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void longNameLengths();
    void putPackets_data();
    void putPackets();
    void assembler_data();
    void assembler();
    void connectResponse();
    void pathLabel_data();
    void pathLabel();
    void listing_data();
    void listing();
    void modified_data();
    void modified();
};

void TestObexPackets::requests_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("CONNECT") << ConnectRequest()
        << hex("80 00 1A 10 00 40 06 46 00 13 6B 01 CB 31 41 06 11 D4 9A 77 00 50 DA 3F 47 1F");
    QTest::newRow("listing GET") << ListingRequest(Handset)
        << hex("83 00 21 CB 02 4E 80 4C 42 00 19") + QByteArray("x-obex/folder-listing", 22);
    QTest::newRow("SETPATH into mmc") << SetPathRequest(Handset, "mmc")
        << hex("85 00 15 02 00 CB 02 4E 80 4C 01 00 0B 00 6D 00 6D 00 63 00 00");
    QTest::newRow("SETPATH, empty name") << SetPathRequest(Handset, QString())
        << hex("85 00 0F 02 00 CB 02 4E 80 4C 01 00 05 00 00");
    QTest::newRow("delete of a.txt") << DeleteRequest(Handset, "a.txt")
        << hex("82 00 17 CB 02 4E 80 4C 01 00 0F 00 61 00 2E 00 74 00 78 00 74 00 00");
    // Names go as they are: brackets and a backslash are characters of the name.
    QTest::newRow("folder [foto] keeps its brackets") << SetPathRequest(Handset, "[foto]")
        << hex("85 00 1B 02 00 CB 02 4E 80 4C 01 00 11 00 5B 00 66 00 6F 00 74 00 6F 00 5D 00 00");
    QTest::newRow("brackets inside a file name stay") << DeleteRequest(Handset, "a[1]")
        << hex("82 00 15 CB 02 4E 80 4C 01 00 0D 00 61 00 5B 00 31 00 5D 00 00");
    QTest::newRow("leading backslash kept") << DeleteRequest(Handset, "\\a.txt")
        << hex("82 00 19 CB 02 4E 80 4C 01 00 11 00 5C 00 61 00 2E 00 74 00 78 00 74 00 00");
    // Czech letters go as their Unicode values: č is U+010D, not its Windows-1250 byte E8.
    QTest::newRow("name with č") << DeleteRequest(Handset, QStringLiteral("č.txt"))
        << hex("82 00 17 CB 02 4E 80 4C 01 00 0F 01 0D 00 2E 00 74 00 78 00 74 00 00");
    QTest::newRow("another connection ID") << GetContinueRequest(ConnectionId(0x00000007))
        << hex("83 00 08 CB 00 00 00 07");
    QTest::newRow("no connection ID") << DisconnectRequest(std::nullopt) << hex("81 00 03");
    QTest::newRow("file GET") << FileGetRequest(Handset, "a")
        << hex("83 00 0F CB 02 4E 80 4C 01 00 07 00 61 00 00");
    QTest::newRow("SETPATH creating") << SetPathRequest(Handset, "x", 0)
        << hex("85 00 11 00 00 CB 02 4E 80 4C 01 00 07 00 78 00 00");
}

void TestObexPackets::requests()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, expected);
    QCOMPARE(packet.toHex(' '), expected.toHex(' '));
}

void TestObexPackets::longNameLengths()
{
    // 200 characters: the name header alone is 405 bytes, past one length byte.
    const QString name(200, u'x');
    const QByteArray p = SetPathRequest(Handset, name);
    QCOMPARE(p.size(), 3 + 2 + 5 + 3 + 402);
    QCOMPARE((quint8(p[1]) << 8) | quint8(p[2]), p.size());
    QCOMPARE((quint8(p[11]) << 8) | quint8(p[12]), 405);
    QCOMPARE(nameFromField(p.mid(13)), name);
}

void TestObexPackets::putPackets_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("maxPacket");
    QTest::addColumn<int>("packets");

    QTest::newRow("empty file: one packet, empty End-of-Body") << 0 << 255 << 1;
    QTest::newRow("one byte") << 1 << 255 << 1;
    QTest::newRow("exactly one packet") << 255 - 3 - 5 - 7 - 5 - 3 << 255 << 1;
    QTest::newRow("one byte more") << 255 - 3 - 5 - 7 - 5 - 3 + 1 << 255 << 2;
    QTest::newRow("100000 bytes in 4266-byte packets") << 100000 << 4266 << 24;
}

void TestObexPackets::putPackets()
{
    QFETCH(int, size);
    QFETCH(int, maxPacket);
    QFETCH(int, packets);

    QByteArray content(size, '\0');
    for (int i = 0; i < size; ++i)
        content[i] = char(i * 7);
    const QList<QByteArray> list = PutRequests(Handset, "a", content, maxPacket);
    QCOMPARE(list.size(), packets);
    QByteArray joined;
    for (qsizetype i = 0; i < list.size(); ++i) {
        QVERIFY(list[i].size() <= maxPacket);
        const bool last = i + 1 == list.size();
        QCOMPARE(quint8(list[i][0]), last ? OpPutFinal : OpPut);
        const std::optional<Response> r = parseResponse(list[i]);  // same layout as a response
        QVERIFY(r);
        QCOMPARE(r->connectionId(), Handset);
        QCOMPARE(r->find(HdrName) != nullptr, i == 0);
        if (i == 0)
            QCOMPARE(r->find(HdrLength)->number(), quint32(size));
        QCOMPARE(r->hasEndOfBody(), last);
        joined += r->body();
    }
    QCOMPARE(joined, content);
}

void TestObexPackets::assembler_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QByteArray>>("packets");
    QTest::addColumn<bool>("broken");

    const QByteArray success = hex("A0 00 08 CB 02 4E 80 4C");
    const QByteArray listing = hex("A0 00 0A 49 00 07 61 62 63 64");
    QTest::newRow("whole") << QList<QByteArray>{success} << QList<QByteArray>{success} << false;
    QTest::newRow("split after the code") << QList<QByteArray>{success.left(1), success.mid(1)}
                                          << QList<QByteArray>{success} << false;
    QTest::newRow("split inside the length") << QList<QByteArray>{success.left(2), success.mid(2, 3), success.mid(5)}
                                             << QList<QByteArray>{success} << false;
    QList<QByteArray> bytes;
    for (char c : listing)
        bytes.append(QByteArray(1, c));
    QTest::newRow("byte by byte") << bytes << QList<QByteArray>{listing} << false;
    QTest::newRow("two in one piece") << QList<QByteArray>{success + listing}
                                      << QList<QByteArray>{success, listing} << false;
    QTest::newRow("CR LF noise before") << QList<QByteArray>{"\r\n" + success}
                                        << QList<QByteArray>{success} << false;
    QTest::newRow("incomplete") << QList<QByteArray>{success.left(7)} << QList<QByteArray>{} << false;
    QTest::newRow("length below 3") << QList<QByteArray>{hex("A0 00 01 00")} << QList<QByteArray>{} << true;
}

void TestObexPackets::assembler()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, packets);
    QFETCH(bool, broken);

    ResponseAssembler a;
    QList<QByteArray> got;
    for (const QByteArray &piece : pieces) {
        a.feed(piece);
        while (const std::optional<QByteArray> p = a.take())
            got.append(*p);
    }
    QCOMPARE(got, packets);
    QCOMPARE(a.broken(), broken);
}

void TestObexPackets::connectResponse()
{
    // The handset's answer: Success, OBEX 1.0, packets up to 4266, Connection ID, Who.
    const std::optional<Response> r = parseResponse(
        hex("A0 00 1F 10 00 10 AA CB 02 4E 80 4C 4A 00 13 6B 01 CB 31 41 06 11 D4 9A 77 00 50 DA 3F 47 1F"), true);
    QVERIFY(r);
    QCOMPARE(r->code, RspSuccess);
    QCOMPARE(r->maxPacket, 4266);
    QCOMPARE(r->connectionId(), Handset);
    QCOMPARE(r->find(HdrWho)->value, HandsetServiceId());
    // Headers that overrun the packet make it unreadable.
    QVERIFY(!parseResponse(hex("A0 00 0A CB 02 4E 80 4C 49 00"), false));
    QVERIFY(!parseResponse(hex("A0 00 09 48 00 09 61 62 63"), false));
}

void TestObexPackets::pathLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("firstComponent");

    QTest::newRow("up from \\mmc\\pictures\\") << "\\mmc\\pictures\\" << "" << true << "\\mmc\\" << "mmc";
    QTest::newRow("up from \\mmc\\") << "\\mmc\\" << "" << true << "\\" << "";
    QTest::newRow("up from \\") << "\\" << "" << true << "\\" << "";
    QTest::newRow("[foto] below \\mmc\\") << "\\mmc\\" << "[foto]" << false << "\\mmc\\foto\\" << "mmc";
    QTest::newRow("shortcut after an emptied label") << "" << "\\mmc\\pictures" << false
                                                     << "\\mmc\\pictures\\" << "mmc";
    QTest::newRow("empty name keeps the label") << "\\user\\" << "" << false << "\\user\\" << "user";
}

void TestObexPackets::pathLabel()
{
    QFETCH(QString, label);
    QFETCH(QString, name);
    QFETCH(bool, up);
    QFETCH(QString, result);
    QFETCH(QString, firstComponent);

    const QString changed = ChangeFolder(label, name, up);
    QCOMPARE(changed, result);
    QCOMPARE(PathComponent(changed, 1), firstComponent);
    QCOMPARE(PathComponent(changed, 9), QString());
}

void TestObexPackets::listing_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<bool>("belowRoot");
    QTest::addColumn<QStringList>("rows");  // caption|size|date
    QTest::addColumn<bool>("error");

    const QByteArray head = "<?xml version=\"1.0\"?>\r\n"
                            "<!DOCTYPE folder-listing SYSTEM \"obex-folder-listing.dtd\">\r\n"
                            "<folder-listing version=\"1.0\">\r\n";
    const QByteArray twoAndOne = head
        + "<folder name=\"a\" size=\"0\" modified=\"20061231T235959\"/>\r\n"
          "<folder name=\"b\" size=\"0\" modified=\"20070101T000102\"/>\r\n"
          "<file name=\"c.txt\" size=\"123\" modified=\"20070215T101112\"/>\r\n"
          "</folder-listing>\r\n";
    const QStringList twoAndOneRows{"[a]|<DIR>|23:59:59 31.12.06", "[b]|<DIR>|00:01:02 01.01.07",
                                    "c.txt|123|10:11:12 15.02.07"};
    QTest::newRow("two folders, one file, at the root") << twoAndOne << false << twoAndOneRows << false;
    QTest::newRow("the same below the root") << twoAndOne << true << QStringList{"[..]||"} + twoAndOneRows << false;
    QTest::newRow("files first, attributes in another order, some missing")
        << head + "<parent-folder/><file modified=\"20070215T101112\" name=\"c.txt\"/>"
                  "<file size=\"5\" name=\"d\"/><folder name=\"x\"/></folder-listing>"
        << false << QStringList{"[x]|<DIR>|", "c.txt||10:11:12 15.02.07", "d|5|"} << false;
    QTest::newRow("entities and Czech letters")
        << head + "<file name=\"Tom &amp; Jerry &quot;č&quot;.txt\" size=\"1\"/>"
                  "<folder name=\"&#345;&#237;jen\"/></folder-listing>"
        << false << QStringList{"[říjen]|<DIR>|", "Tom & Jerry \"č\".txt|1|"} << false;
    QTest::newRow("padding after the document")
        << head + "<file name=\"a\" size=\"1\"/></folder-listing>\r\n" + QByteArray(3, '\0')
        << false << QStringList{"a|1|"} << false;
    QTest::newRow("empty folder") << head + "</folder-listing>" << true << QStringList{"[..]||"} << false;
    QTest::newRow("empty document") << QByteArray() << false << QStringList{} << false;
    QTest::newRow("cut short: the entries before the cut")
        << head + "<file name=\"a\" size=\"1\"/><file name=\"b\" si" << false << QStringList{"a|1|"} << true;
    QTest::newRow("not XML") << QByteArray("\x01\x02garbage") << false << QStringList{} << true;
}

void TestObexPackets::listing()
{
    QFETCH(QByteArray, document);
    QFETCH(bool, belowRoot);
    QFETCH(QStringList, rows);
    QFETCH(bool, error);

    const FolderListing listing = ParseFolderListing(document);
    QStringList got;
    for (const ListingRow &r : ShowListing(listing, belowRoot))
        got.append(r.caption + u'|' + r.size + u'|' + r.date);
    QCOMPARE(got, rows);
    QCOMPARE(!listing.error.isEmpty(), error);
}

void TestObexPackets::modified_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QDateTime>("time");

    QTest::newRow("local time") << "20061231T235959" << QDateTime(QDate(2006, 12, 31), QTime(23, 59, 59));
    QTest::newRow("UTC with Z (16 characters)") << "20061231T235959Z"
        << QDateTime(QDate(2006, 12, 31), QTime(23, 59, 59), Qt::UTC).toLocalTime();
    QTest::newRow("13 characters") << "061231T235959" << QDateTime();
    QTest::newRow("month 13") << "20061331T235959" << QDateTime();
    QTest::newRow("letters") << "2006123xT235959" << QDateTime();
}

void TestObexPackets::modified()
{
    QFETCH(QString, value);
    QFETCH(QDateTime, time);
    QCOMPARE(ParseModified(value), time);
}

QTEST_GUILESS_MAIN(TestObexPackets)
#include "tst_obexpackets.moc"
