// The message store's listing (SmsListing) against a scripted handset on a
// pseudo-terminal, the listing parser, name lookup and the archive writers.

#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "pty.h"
#include "smsarchive.h"
#include "smslisting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

const QByteArray PduA = "0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F";
const QByteArray PduB = "0011000C912460302143650000AA1C50795A4DAE83DE20789D0D42BFC969771E047FEBC96575DA05";

// "index:status:pdu" of each entry, joined by " ".
QByteArray describe(const QList<SmsEntry> &entries)
{
    QByteArrayList out;
    for (const SmsEntry &e : entries)
        out.append(QByteArray::number(e.index) + ':' + QByteArray::number(e.status) + ':' + e.pdu.left(6));
    return out.join(' ');
}

QByteArray listingReply(int count)
{
    QByteArray reply = "AT+CMGL=4\r\r\n";
    for (int i = 1; i <= count; ++i)
        reply += "+CMGL: " + QByteArray::number(i) + ",1,,40\r\n" + PduA + "\r\n";
    return reply + "\r\nOK\r\n";
}

} // namespace

Q_DECLARE_METATYPE(SmsRow)
Q_DECLARE_METATYPE(SmsEntry)

class TstSmsStore : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void exchange_data();
    void exchange();
    void refusedValues();
    void sameNumber_data();
    void sameNumber();
    void longListing();
    void rows();
    void names_data();
    void names();
    void csv_data();
    void csv();
    void csvReadBack();
    void textFile_data();
    void textFile();
    void writeKeepsOldFileOnFailure();
};

void TstSmsStore::parse_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("entries");

    const QByteArray two = "+CMGL: 1,1,,40\r\n" + PduA + "\r\n+CMGL: 3,2,,39\r\n" + PduB + "\r\n\r\nOK\r\n";
    QTest::newRow("echo on") << "AT+CMGL=4\r\r\n" + two << QByteArray("1:1:079124 3:2:001100");
    QTest::newRow("echo off") << "\r\n" + two << QByteArray("1:1:079124 3:2:001100");
    QTest::newRow("LF only") << QByteArray(two).replace("\r", "") << QByteArray("1:1:079124 3:2:001100");
    QTest::newRow("alpha field everywhere")
        << "+CMGL: 1,1,\"Jan, Novák\",40\r\n" + PduA + "\r\n+CMGL: 2,1,\"Eva\",40\r\n" + PduA
               + "\r\n+CMGL: 3,2,\"x\",39\r\n" + PduB + "\r\nOK\r\n"
        << QByteArray("1:1:079124 2:1:079124 3:2:001100");
    QTest::newRow("empty store") << QByteArray("AT+CMGL=4\r\r\nOK\r\n") << QByteArray();
    QTest::newRow("unsolicited between") << "+CMGL: 1,1,,40\r\n" + PduA + "\r\n+CMTI: \"SM\",4\r\n+CMGL: 3,2,,39\r\n" + PduB
                                                + "\r\nOK\r\n"
                                         << QByteArray("1:1:079124 3:2:001100");
    QTest::newRow("header without PDU") << "+CMGL: 1,1,,40\r\n+CMGL: 3,2,,39\r\n" + PduB + "\r\nOK\r\n"
                                        << QByteArray("3:2:001100");
    QTest::newRow("header cut by the result") << QByteArray("+CMGL: 1,1,,40\r\nOK\r\n") << QByteArray();
    QTest::newRow("malformed headers") << "+CMGL: x,1,,40\r\n" + PduA + "\r\n+CMGL:\r\n" + PduA + "\r\nOK\r\n"
                                       << QByteArray();

    // An unsolicited result code before every line of a listing (between a
    // header and its PDU line too): the listing is the same. "+CMT" brings a
    // PDU line of its own, which is no listed message either.
    const QByteArrayList lines{"AT+CMGL=4", "+CMGL: 1,1,,40", PduA, "+CMGL: 3,2,,39", PduB, "", "OK"};
    const QByteArrayList unsolicited{"+CMTI: \"SM\",3", "RING", "+CMT: ,40\r\n" + PduA, "+CDSI: \"SM\",5",
                                     "^SYSSTART"};
    for (const QByteArray &code : unsolicited) {
        for (qsizetype at = 1; at < lines.size(); ++at) {
            QByteArrayList withCode = lines;
            withCode.insert(at, code);
            QTest::addRow("%s before line %d", code.left(6).constData(), int(at))
                << withCode.join("\r\n") + "\r\n" << QByteArray("1:1:079124 3:2:001100");
        }
    }
}

void TstSmsStore::parse()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, entries);
    QCOMPARE(describe(ParseSmsListing(reply)), entries);
}

// Commands through the real port; the scripted handset answers each command
// once it has arrived, in chunks; the signals that follow, in order. The
// handset also checks that no command comes before the one ahead of it has
// had its final result: it waits a moment before answering and nothing more
// may arrive meanwhile, and it sees no command beyond those it answers.
void TstSmsStore::exchange_data()
{
    QTest::addColumn<QByteArrayList>("commands");          // "select SM", "list 4", "delete 3"
    QTest::addColumn<QList<QByteArrayList>>("answers");    // the chunks answering each command written
    QTest::addColumn<QByteArray>("expected");

    using Answers = QList<QByteArrayList>;
    const QByteArray one = "AT+CMGL=4\r\r\n+CMGL: 2,1,,40\r\n" + PduA + "\r\n\r\n";
    QTest::newRow("OK in one piece") << QByteArrayList{"list 4"} << Answers{{one + "OK\r\n"}}
                                     << QByteArray("listed 2:1:079124");
    QTest::newRow("OK split") << QByteArrayList{"list 4"} << Answers{{one + "O", "K\r\n"}}
                              << QByteArray("listed 2:1:079124");
    QTest::newRow("header split") << QByteArrayList{"list 4"}
                                  << Answers{{"AT+CMGL=4\r\r\n+CMGL: 2,", "1,,40\r\n" + PduA.left(10),
                                              PduA.mid(10) + "\r\n\r\nOK\r\n"}}
                                  << QByteArray("listed 2:1:079124");
    QTest::newRow("unsolicited between header and PDU, split")
        << QByteArrayList{"list 4"}
        << Answers{{"AT+CMGL=4\r\r\n+CMGL: 2,1,,40\r\n+CM", "TI: \"SM\",3\r\n" + PduA + "\r\n\r\nOK\r\n"}}
        << QByteArray("listed 2:1:079124");
    QTest::newRow("CMS error") << QByteArrayList{"list 4"} << Answers{{"AT+CMGL=4\r\r\n+CMS ERROR: 321\r\n"}}
                               << QByteArray("failed List +CMS ERROR: 321");
    QTest::newRow("CME error") << QByteArrayList{"list 4"} << Answers{{"AT+CMGL=4\r\r\n+CME ERROR: 10\r\n"}}
                               << QByteArray("failed List +CME ERROR: 10");
    QTest::newRow("ERROR") << QByteArrayList{"list 4"} << Answers{{"AT+CMGL=4\r\r\nERROR\r\n"}}
                           << QByteArray("failed List ERROR");
    QTest::newRow("silence") << QByteArrayList{"list 4"} << Answers{{"AT+CMGL=4\r\r\n+CMGL: 2,1,,40\r\n"}}
                             << QByteArray("timedOut List");
    QTest::newRow("memory then list")
        << QByteArrayList{"select SM", "list 4"}
        << Answers{{"AT+CPMS=\"SM\"\r\r\n+CPMS: 1,20,1,20,1,20\r\n\r\n", "OK\r\n"}, {one + "OK\r\n"}}
        << QByteArray("done SelectMemory|listed 2:1:079124");
    QTest::newRow("memory, delete, memory, list")
        << QByteArrayList{"select ME", "delete 3", "select ME", "list 4"}
        << Answers{{"AT+CPMS=\"ME\"\r\r\n+CPMS: 1,20,1,20,1,20\r\n\r\nOK\r\n"}, {"AT+CMGD=3\r\r\nOK\r\n"},
                   {"AT+CPMS=\"ME\"\r\r\n+CPMS: 0,20,0,20,0,20\r\n\r\nOK\r\n"}, {one + "OK\r\n"}}
        << QByteArray("done SelectMemory|done Delete|done SelectMemory|listed 2:1:079124");
    // A deletion's answer is the deletion's, and the old listing is not
    // read again.
    QTest::newRow("delete then list") << QByteArrayList{"delete 3", "list 4"}
                                      << Answers{{"AT+CMGD=3\r\r\nOK\r\n"}, {one + "OK\r\n"}}
                                      << QByteArray("done Delete|listed 2:1:079124");
    // An error drops what was queued after it: the listing is not sent.
    QTest::newRow("failed delete, then list")
        << QByteArrayList{"delete 3", "list 4"} << Answers{{"AT+CMGD=3\r\r\n+CMS ERROR: 321\r\n"}}
        << QByteArray("failed Delete +CMS ERROR: 321");
    QTest::newRow("failed memory, then list")
        << QByteArrayList{"select ME", "list 4"} << Answers{{"AT+CPMS=\"ME\"\r\r\n+CMS ERROR: 302\r\n"}}
        << QByteArray("failed SelectMemory +CMS ERROR: 302");
    QTest::newRow("listing headers before the memory answer")
        << QByteArrayList{"select ME", "list 4"}
        << Answers{{"AT+CPMS=\"ME\"\r\r\n+CMGL: 9,1,,40\r\n" + PduA + "\r\nOK\r\n"}, {one + "OK\r\n"}}
        << QByteArray("done SelectMemory|listed 2:1:079124");
}

void TstSmsStore::exchange()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(QList<QByteArrayList>, answers);
    QFETCH(QByteArray, expected);

    PtyPair device;
    QVERIFY(device.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device.slavePath());
    port.OpenPort();
    SmsListing listing(&port);
    // Short for the silence row, long enough for a loaded machine between
    // the scripted handset's pauses.
    listing.setSilenceTimeout(2000);
    port.OnRxChar = [&](int count) { listing.feed(port.ReceiveBytes(count)); };

    QByteArrayList log;
    connect(&listing, &SmsListing::listed, this, [&](const QList<SmsEntry> &e) { log.append("listed " + describe(e)); });
    connect(&listing, &SmsListing::done, this, [&](SmsListing::Command c) {
        log.append(QByteArray("done ") + QMetaEnum::fromType<SmsListing::Command>().valueToKey(int(c)));
    });
    connect(&listing, &SmsListing::failed, this, [&](SmsListing::Command c, const QByteArray &error) {
        log.append(QByteArray("failed ") + QMetaEnum::fromType<SmsListing::Command>().valueToKey(int(c)) + ' ' + error);
    });
    connect(&listing, &SmsListing::timedOut, this, [&](SmsListing::Command c) {
        log.append(QByteArray("timedOut ") + QMetaEnum::fromType<SmsListing::Command>().valueToKey(int(c)));
    });

    QByteArrayList written;
    for (const QByteArray &command : commands) {
        const QByteArrayList words = command.split(' ');
        if (words[0] == "select") {
            listing.selectMemory(words[1]);
            written.append(SmsListing::memoryCommand(words[1]));
        } else if (words[0] == "list") {
            listing.list(words[1].toInt());
            written.append(SmsListing::listCommand(words[1].toInt()));
        } else {
            listing.deleteMessage(words[1].toInt());
            written.append(SmsListing::deleteCommand(words[1].toInt()));
        }
    }
    for (qsizetype i = 0; i < answers.size(); ++i) {
        // Command i arrives, and nothing after it while it is not answered.
        QCOMPARE(device.readUntil(written[i], 3000), written[i]);
        QCOMPARE(device.read(150, 10), QByteArray());
        for (const QByteArray &chunk : answers[i]) {
            QVERIFY(device.write(chunk));
            // Each chunk arrives on its own before the next is written.
            QTest::qWait(30);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(!listing.waiting(), 10000);
    // No command beyond those answered was written.
    QCOMPARE(device.read(100, 10), QByteArray());
    QCOMPARE(log.join(QByteArray("|")), expected);
}

// Values that go into a command and cannot be a location, memory or
// status are never written.
void TstSmsStore::refusedValues()
{
    PtyPair device;
    QVERIFY(device.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device.slavePath());
    port.OpenPort();
    SmsListing listing(&port);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.selectMemory("SM\"\rAT+CMGD=1"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.selectMemory("sm"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.list(5));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.deleteMessage(0));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.deleteMessage(-3));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, listing.deleteMessage(65536));
    QVERIFY(!listing.waiting());
    QCOMPARE(device.read(200, 10), QByteArray());
}

// Far more than the 255 entries of old, all listed.
void TstSmsStore::longListing()
{
    PtyPair device;
    QVERIFY(device.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device.slavePath());
    port.OpenPort();
    SmsListing listing(&port);
    port.OnRxChar = [&](int count) { listing.feed(port.ReceiveBytes(count)); };
    QSignalSpy listed(&listing, &SmsListing::listed);
    listing.list(4);
    // In pieces, so that the port drains the line between them.
    const QByteArray reply = listingReply(300);
    for (qsizetype at = 0; at < reply.size(); at += 1024) {
        QVERIFY(device.write(reply.mid(at, 1024)));
        QTest::qWait(1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 10000);
    const auto entries = listed.first().first().value<QList<SmsEntry>>();
    QCOMPARE(entries.size(), 300);
    QCOMPARE(entries.last().index, 300);
}

// Time texts lose their last three characters; the clock is read once.
void TstSmsStore::rows()
{
    const FixedClock clock(QDateTime(QDate(2026, 12, 10), QTime(14, 5, 33)));
    const QList<SmsRow> rows = DecodeSmsEntries(ParseSmsListing(listingReply(1) + "+CMGL: 7,3,,39\r\n" + PduB + "\r\nOK\r\n"),
                                                clock);
    QCOMPARE(rows.size(), 1);  // the second listing after the first OK is another reply
    const QList<SmsRow> both = DecodeSmsEntries(
        ParseSmsListing("+CMGL: 1,1,,40\r\n" + PduA + "\r\n+CMGL: 7,3,,39\r\n" + PduB + "\r\nOK\r\n"), clock);
    QCOMPARE(both.size(), 2);
    QCOMPARE(both[0].index, QByteArray("1"));
    QCOMPARE(both[0].number, QByteArray("420603123456"));
    QCOMPARE(both[0].time, QByteArray("08.12.2026 18:42:10"));
    QCOMPARE(both[0].text, QStringLiteral("Ahoj, zitra v 10 u kina?"));
    QVERIFY(both[0].international);
    QCOMPARE(both[0].fullNumber(), QByteArray("+420603123456"));
    QVERIFY(!both[0].outgoing);
    QCOMPARE(both[1].index, QByteArray("7"));
    QCOMPARE(both[1].time, QByteArray("10.12.2026 14:05"));
    QVERIFY(both[1].outgoing);
}

void TstSmsStore::names_data()
{
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("international with plus") << QByteArray("420603123456") << QByteArray("Jana");
    QTest::newRow("national form") << QByteArray("420777987654") << QByteArray("Petr");
    QTest::newRow("blanks and dashes") << QByteArray("+420 604-555-111") << QByteArray("Chata");
    QTest::newRow("short number exact") << QByteArray("1234") << QByteArray("Schránka");
    QTest::newRow("short number inside others") << QByteArray("6031") << QByteArray();
    QTest::newRow("eight digits do not match by tail") << QByteArray("03123456") << QByteArray();
    QTest::newRow("alphanumeric sender") << QByteArray("T-Mobile") << QByteArray();
    QTest::newRow("empty number") << QByteArray() << QByteArray();
    QTest::newRow("unknown") << QByteArray("420999000111") << QByteArray();
}

void TstSmsStore::names()
{
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, name);
    const QList<PhonebookNumber> phonebook{
        {QStringLiteral("Bez čísla"), ""},
        {QStringLiteral("Jana"), "+420603123456"},
        {QStringLiteral("Petr"), "777987654"},
        {QStringLiteral("Chata"), "420604555111"},
        {QStringLiteral("Schránka"), "1234"},
        {QStringLiteral("Firma"), "T-Mobile"},
    };
    QCOMPARE(NameForNumber(number, phonebook), QString::fromUtf8(name));
}

// Pairs of numbers across country codes: full international numbers are
// compared whole; the national part counts only when one side has no
// country code (and then it is a number of the handset's country, +420).
void TstSmsStore::sameNumber_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("same international") << QByteArray("+420603123456") << QByteArray("+420603123456") << true;
    QTest::newRow("Slovak and Czech, same national part")
        << QByteArray("+421603123456") << QByteArray("+420603123456") << false;
    QTest::newRow("Slovak without plus and Czech")
        << QByteArray("421603123456") << QByteArray("+420603123456") << false;
    QTest::newRow("German and Czech, same last nine")
        << QByteArray("+49603123456") << QByteArray("+420603123456") << false;
    QTest::newRow("international with and without plus")
        << QByteArray("420603123456") << QByteArray("+420603123456") << true;
    QTest::newRow("00 prefix") << QByteArray("00420603123456") << QByteArray("+420603123456") << true;
    QTest::newRow("00 prefix, other country") << QByteArray("00421603123456") << QByteArray("+420603123456") << false;
    QTest::newRow("national with 0 and Czech") << QByteArray("0603123456") << QByteArray("+420603123456") << true;
    QTest::newRow("national and Czech") << QByteArray("603123456") << QByteArray("+420603123456") << true;
    QTest::newRow("national and Czech without plus") << QByteArray("603123456") << QByteArray("420603123456") << true;
    QTest::newRow("national and Slovak") << QByteArray("603123456") << QByteArray("+421603123456") << false;
    QTest::newRow("national with 0 and Slovak") << QByteArray("0603123456") << QByteArray("+421603123456") << false;
    QTest::newRow("national, two forms") << QByteArray("0603123456") << QByteArray("603 123 456") << true;
    QTest::newRow("national, other number") << QByteArray("603123457") << QByteArray("+420603123456") << false;
    QTest::newRow("longer international ending alike")
        << QByteArray("+4420603123456") << QByteArray("+420603123456") << false;
    QTest::newRow("short numbers") << QByteArray("1234") << QByteArray("1234") << true;
    QTest::newRow("plus inside") << QByteArray("420+603123456") << QByteArray("420603123456") << false;
    QTest::newRow("empty") << QByteArray() << QByteArray() << false;
    QTest::newRow("only a plus") << QByteArray("+") << QByteArray("+") << false;
    QTest::newRow("zeros only") << QByteArray("000") << QByteArray("0") << false;
}

void TstSmsStore::sameNumber()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    QCOMPARE(SameNumber(a, b), same);
    QCOMPARE(SameNumber(b, a), same);
}

void TstSmsStore::csv_data()
{
    QTest::addColumn<QList<SmsRow>>("rows");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("lost");

    SmsRow known;
    known.index = "1";
    known.number = "420603123456";
    known.name = QStringLiteral("Jana Nováková");
    known.time = "08.12.2026 18:42:10";
    known.text = QStringLiteral("Ahoj");
    SmsRow unknown = known;
    unknown.index = "2";
    unknown.name.clear();
    unknown.number = "T-Mobile";
    unknown.text = QStringLiteral("Kredit 250 Kc");
    QTest::newRow("known and unknown name")
        << QList<SmsRow>{known, unknown}
        << "420603123456;" + Cp1250::fromUnicode(u"Jana Nováková")
               + ";08.12.2026 18:42:10;Ahoj\r\nT-Mobile;;08.12.2026 18:42:10;Kredit 250 Kc\r\n" << QString();
    SmsRow semicolon = unknown;
    semicolon.text = QStringLiteral("Sraz v 10; nebo v 11");
    QTest::newRow("semicolon") << QList<SmsRow>{semicolon}
                               << QByteArray("T-Mobile;;08.12.2026 18:42:10;\"Sraz v 10; nebo v 11\"\r\n") << QString();
    SmsRow quoted = unknown;
    quoted.text = QStringLiteral("Kino \"Svět\"\r\nzítra");
    QTest::newRow("quotes and line break")
        << QList<SmsRow>{quoted} << "T-Mobile;;08.12.2026 18:42:10;\"Kino \"\"Sv" + Cp1250::fromUnicode(u"ě")
               + "t\"\"\r\nz" + Cp1250::fromUnicode(u"í") + "tra\"\r\n" << QString();
    QTest::newRow("empty store") << QList<SmsRow>{EmptyStoreRow(QStringLiteral("Nemáte žádné SMS"))}
                                 << ";;;    " + Cp1250::fromUnicode(u"Nemáte žádné SMS") + "\r\n" << QString();
    // Fields a spreadsheet would take for formulas get an apostrophe; a
    // field holding a separator is quoted after that.
    SmsRow formula = unknown;
    formula.text = QStringLiteral("=HYPERLINK(\"http://x\";\"klik\")");
    QTest::newRow("formula in the text")
        << QList<SmsRow>{formula} << QByteArray("T-Mobile;;08.12.2026 18:42:10;\"'=HYPERLINK(\"\"http://x\"\";\"\"klik\"\")\"\r\n")
        << QString();
    SmsRow signs = unknown;
    signs.number = "-x";
    signs.name = QStringLiteral("@firma");
    signs.text = QStringLiteral("+1 kredit");
    QTest::newRow("plus, minus and at sign")
        << QList<SmsRow>{signs} << QByteArray("'-x;'@firma;08.12.2026 18:42:10;'+1 kredit\r\n") << QString();
    SmsRow inside = unknown;
    inside.text = QStringLiteral("1+1=2 @ 10 - 11");
    QTest::newRow("signs not first") << QList<SmsRow>{inside}
                                     << QByteArray("T-Mobile;;08.12.2026 18:42:10;1+1=2 @ 10 - 11\r\n") << QString();
    // Characters Windows-1250 lacks: "?" in the file, each reported once.
    SmsRow foreign = known;
    foreign.name = QStringLiteral("Иван");
    foreign.text = QStringLiteral("Привет, € и 😀 и 😀");
    QTest::newRow("characters the code page lacks")
        << QList<SmsRow>{foreign} << QByteArray("420603123456;????;08.12.2026 18:42:10;??????, \x80 ? ? ? ?\r\n")
        << QStringLiteral("ИванПриет😀");
}

void TstSmsStore::csv()
{
    QFETCH(QList<SmsRow>, rows);
    QFETCH(QByteArray, file);
    QFETCH(QString, lost);
    QString reported;
    QCOMPARE(SmsCsv(rows, &reported), file);
    QCOMPARE(reported, lost);
}

// A CSV reader of its own (Python's) sees four fields in every record.
void TstSmsStore::csvReadBack()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir dir;
    SmsRow a;
    a.number = "420603123456";
    a.time = "08.12.2026 18:42:10";
    a.text = QStringLiteral("Sraz v 10; nebo v 11");
    SmsRow b = a;
    b.name = QStringLiteral("Eva; kolegyně");
    b.text = QStringLiteral("První řádek\nDruhý \"řádek\"\r\nTřetí");
    const QString path = dir.filePath(QStringLiteral("archivsms.csv"));
    QString error;
    QVERIFY2(WriteSmsFile(path, SmsCsv({a, b}), &error), qPrintable(error));
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import csv,sys\n"
                                         "rows=list(csv.reader(open(sys.argv[1],encoding='cp1250',newline=''),delimiter=';'))\n"
                                         "print(len(rows)); [print(len(r), r[3].replace('\\r','<CR>').replace('\\n','<LF>')) for r in rows]"),
                          path});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()),
             QStringLiteral("2\n4 Sraz v 10; nebo v 11\n4 První řádek<LF>Druhý \"řádek\"<CR><LF>Třetí\n"));
}

void TstSmsStore::textFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("lost");
    QTest::newRow("one line") << QStringLiteral("Ahoj") << QByteArray("Ahoj\r\n") << QString();
    QTest::newRow("lines") << QStringLiteral("Ahoj\nzitra\r\nv 10") << QByteArray("Ahoj\r\nzitra\r\nv 10\r\n")
                           << QString();
    QTest::newRow("empty") << QString() << QByteArray() << QString();
    QTest::newRow("Czech letters") << QStringLiteral("Žluťoučký kůň") << Cp1250::fromUnicode(u"Žluťoučký kůň\r\n")
                                   << QString();
    QTest::newRow("characters the code page lacks")
        << QStringLiteral("Ж\n€ 😀") << QByteArray("?\r\n\x80 ?\r\n") << QStringLiteral("Ж😀");
}

void TstSmsStore::textFile()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, file);
    QFETCH(QString, lost);
    QString reported;
    QCOMPARE(SmsTextFile(text, &reported), file);
    QCOMPARE(reported, lost);
}

void TstSmsStore::writeKeepsOldFileOnFailure()
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("archivsms.csv"));
    QString error;
    QVERIFY(WriteSmsFile(good, "old\r\n", &error));
    QVERIFY(WriteSmsFile(good, "new\r\n", &error));
    QFile f(good);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("new\r\n"));
    f.close();
    // A folder in the way of the file, and a folder that is not there.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.csv")));
    QVERIFY(!WriteSmsFile(dir.filePath(QStringLiteral("taken.csv")), "x", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!WriteSmsFile(dir.filePath(QStringLiteral("missing/archivsms.csv")), "x", &error));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("taken.csv"))).isDir());
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("archivsms.csv")});
}

QTEST_GUILESS_MAIN(TstSmsStore)
#include "tst_smsstore.moc"
