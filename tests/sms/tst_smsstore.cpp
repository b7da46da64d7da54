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
}

void TstSmsStore::parse()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, entries);
    QCOMPARE(describe(ParseSmsListing(reply)), entries);
}

// Commands through the real port; the scripted handset answers each with
// its chunks; the signals that follow, in order.
void TstSmsStore::exchange_data()
{
    QTest::addColumn<QByteArrayList>("commands");  // "select SM", "list 4", "delete 3"
    QTest::addColumn<QByteArrayList>("chunks");    // what the handset writes, one chunk after another
    QTest::addColumn<QByteArray>("expected");

    const QByteArray one = "AT+CMGL=4\r\r\n+CMGL: 2,1,,40\r\n" + PduA + "\r\n\r\n";
    QTest::newRow("OK in one piece") << QByteArrayList{"list 4"} << QByteArrayList{one + "OK\r\n"}
                                     << QByteArray("listed 2:1:079124");
    QTest::newRow("OK split") << QByteArrayList{"list 4"} << QByteArrayList{one + "O", "K\r\n"}
                              << QByteArray("listed 2:1:079124");
    QTest::newRow("header split") << QByteArrayList{"list 4"}
                                  << QByteArrayList{"AT+CMGL=4\r\r\n+CMGL: 2,", "1,,40\r\n" + PduA.left(10),
                                                    PduA.mid(10) + "\r\n\r\nOK\r\n"}
                                  << QByteArray("listed 2:1:079124");
    QTest::newRow("CMS error") << QByteArrayList{"list 4"} << QByteArrayList{"AT+CMGL=4\r\r\n+CMS ERROR: 321\r\n"}
                               << QByteArray("failed List +CMS ERROR: 321");
    QTest::newRow("CME error") << QByteArrayList{"list 4"} << QByteArrayList{"AT+CMGL=4\r\r\n+CME ERROR: 10\r\n"}
                               << QByteArray("failed List +CME ERROR: 10");
    QTest::newRow("ERROR") << QByteArrayList{"list 4"} << QByteArrayList{"AT+CMGL=4\r\r\nERROR\r\n"}
                           << QByteArray("failed List ERROR");
    QTest::newRow("silence") << QByteArrayList{"list 4"} << QByteArrayList{"AT+CMGL=4\r\r\n+CMGL: 2,1,,40\r\n"}
                             << QByteArray("timedOut List");
    QTest::newRow("memory then list")
        << QByteArrayList{"select SM", "list 4"}
        << QByteArrayList{"AT+CPMS=\"SM\"\r\r\n+CPMS: 1,20,1,20,1,20\r\n\r\nOK\r\n", one + "OK\r\n"}
        << QByteArray("done SelectMemory|listed 2:1:079124");
    // A deletion's answer that arrives while the relisting is outstanding
    // is the deletion's, and the old listing is not read again.
    QTest::newRow("delete then list") << QByteArrayList{"delete 3", "list 4"}
                                      << QByteArrayList{"AT+CMGD=3\r\r\nOK\r\n", one + "OK\r\n"}
                                      << QByteArray("done Delete|listed 2:1:079124");
    QTest::newRow("failed delete, then list")
        << QByteArrayList{"delete 3", "list 4"}
        << QByteArrayList{"AT+CMGD=3\r\r\n+CMS ERROR: 321\r\n" + one + "OK\r\n"}
        << QByteArray("failed Delete +CMS ERROR: 321|listed 2:1:079124");
    QTest::newRow("listing headers before the memory answer")
        << QByteArrayList{"select ME", "list 4"}
        << QByteArrayList{"AT+CPMS=\"ME\"\r\r\n+CMGL: 9,1,,40\r\n" + PduA + "\r\nOK\r\n", one + "OK\r\n"}
        << QByteArray("done SelectMemory|listed 2:1:079124");
}

void TstSmsStore::exchange()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, expected);

    PtyPair device;
    QVERIFY(device.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device.slavePath());
    port.OpenPort();
    SmsListing listing(&port);
    listing.setSilenceTimeout(400);
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

    for (const QByteArray &command : commands) {
        const QByteArrayList words = command.split(' ');
        if (words[0] == "select")
            listing.selectMemory(words[1]);
        else if (words[0] == "list")
            listing.list(words[1].toInt());
        else
            listing.deleteMessage(words[1].toInt());
    }
    QByteArray sent;
    while (sent.count('\r') < commands.size()) {
        const QByteArray more = device.read(2000, 10);
        QVERIFY(!more.isEmpty());
        sent += more;
    }
    for (const QByteArray &chunk : chunks) {
        QVERIFY(device.write(chunk));
        // Each chunk arrives on its own before the next is written.
        QTest::qWait(30);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!listing.waiting(), 5000);
    QCOMPARE(log.join(QByteArray("|")), expected);
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
    QCOMPARE(both[0].text, QByteArray("Ahoj, zitra v 10 u kina?"));
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
        {"Bez čísla", ""},
        {"Jana", "+420603123456"},
        {"Petr", "777987654"},
        {"Chata", "420604555111"},
        {"Schránka", "1234"},
        {"Firma", "T-Mobile"},
    };
    QCOMPARE(NameForNumber(number, phonebook), name);
}

void TstSmsStore::csv_data()
{
    QTest::addColumn<QList<SmsRow>>("rows");
    QTest::addColumn<QByteArray>("file");

    SmsRow known;
    known.index = "1";
    known.number = "420603123456";
    known.name = Cp1250::fromUnicode(u"Jana Nováková");
    known.time = "08.12.2026 18:42:10";
    known.text = "Ahoj";
    SmsRow unknown = known;
    unknown.index = "2";
    unknown.name.clear();
    unknown.number = "T-Mobile";
    unknown.text = "Kredit 250 Kc";
    QTest::newRow("known and unknown name")
        << QList<SmsRow>{known, unknown}
        << "420603123456;" + Cp1250::fromUnicode(u"Jana Nováková")
               + ";08.12.2026 18:42:10;Ahoj\r\nT-Mobile;;08.12.2026 18:42:10;Kredit 250 Kc\r\n";
    SmsRow semicolon = unknown;
    semicolon.text = "Sraz v 10; nebo v 11";
    QTest::newRow("semicolon") << QList<SmsRow>{semicolon}
                               << QByteArray("T-Mobile;;08.12.2026 18:42:10;\"Sraz v 10; nebo v 11\"\r\n");
    SmsRow quoted = unknown;
    quoted.text = "Kino \"Svět\"\r\nzítra";
    QTest::newRow("quotes and line break")
        << QList<SmsRow>{quoted} << QByteArray("T-Mobile;;08.12.2026 18:42:10;\"Kino \"\"Svět\"\"\r\nzítra\"\r\n");
    QTest::newRow("empty store") << QList<SmsRow>{EmptyStoreRow(Cp1250::fromUnicode(u"Nemáte žádné SMS"))}
                                 << ";;;    " + Cp1250::fromUnicode(u"Nemáte žádné SMS") + "\r\n";
}

void TstSmsStore::csv()
{
    QFETCH(QList<SmsRow>, rows);
    QFETCH(QByteArray, file);
    QCOMPARE(SmsCsv(rows), file);
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
    a.text = "Sraz v 10; nebo v 11";
    SmsRow b = a;
    b.name = Cp1250::fromUnicode(u"Eva; kolegyně");
    b.text = Cp1250::fromUnicode(u"První řádek\nDruhý \"řádek\"\r\nTřetí");
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
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("one line") << QByteArray("Ahoj") << QByteArray("Ahoj\r\n");
    QTest::newRow("lines") << QByteArray("Ahoj\nzitra\r\nv 10") << QByteArray("Ahoj\r\nzitra\r\nv 10\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TstSmsStore::textFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, file);
    QCOMPARE(SmsTextFile(text), file);
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
