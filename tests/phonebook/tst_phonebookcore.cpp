// The pure part of the phonebook: the count and entry replies as the line
// assembly hands them over (echo line, empty lines, each ended by one CR),
// the used-count text, the write command, names in the handset's character
// sets, and the list files.

#include "phonebookmemory.h"
#include "seznamfile.h"
#include "cp1250.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Rows = QList<SeznamRow>;

class TestPhonebookCore : public QObject
{
    Q_OBJECT

private slots:
    void memoryCount_data();
    void memoryCount();
    void entryReply_data();
    void entryReply();
    void usedCountText_data();
    void usedCountText();
    void writeCommand_data();
    void writeCommand();
    void entryWriteCommand_data();
    void entryWriteCommand();
    void handsetText_data();
    void handsetText();
    void entryBounds_data();
    void entryBounds();
    void listFileText_data();
    void listFileText();
    void listFileRoundTrip();
    void listFileFailures();
};

void TestPhonebookCore::memoryCount_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("used");      // -1: no count
    QTest::addColumn<int>("capacity");

    QTest::newRow("standard") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\",23,250\r\r") << 23 << 250;
    QTest::newRow("maker's") << QByteArray("AT^SPBS?\r\r^SPBS: \"EN\",4,5\r\r") << 4 << 5;
    QTest::newRow("no echo, no empty line") << QByteArray("\r+CPBS: \"ME\",3,500\r") << 3 << 500;
    QTest::newRow("capacity 0") << QByteArray("AT+CPBS?\r\r+CPBS: \"ON\",0,0\r\r") << 0 << 0;
    QTest::newRow("further fields") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\",2,5,\"x\"\r\r") << 2 << 5;
    QTest::newRow("not numbers") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\",ab,cd\r\r") << -1 << 0;
    QTest::newRow("negative capacity") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\",0,-5\r\r") << -1 << 0;
    QTest::newRow("capacity missing") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\",7\r\r") << -1 << 0;
    QTest::newRow("memory only") << QByteArray("AT+CPBS?\r\r+CPBS: \"SM\"\r\r") << -1 << 0;
    QTest::newRow("nothing") << QByteArray("AT+CPBS?\r\r") << -1 << 0;
}

void TestPhonebookCore::memoryCount()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, used);
    QFETCH(int, capacity);
    const auto usage = ParseMemoryCount(reply);
    QCOMPARE(usage.has_value(), used >= 0);
    if (usage) {
        QCOMPARE(usage->used, used);
        QCOMPARE(usage->capacity, capacity);
    }
}

void TestPhonebookCore::entryReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArrayList>("row");  // caption, location, name, number, group

    using L = QByteArrayList;
    QTest::newRow("plain") << QByteArray("AT+CPBR=7\r\r+CPBR: 7,\"+420603123456\",145,\"Jan Novak\"\r\r")
                           << L{"7", " 7", "Jan Novak", "+420603123456", ""};
    QTest::newRow("VIP") << QByteArray("AT+CPBR=3\r\r+CPBR: 3,\"112\",129,\"Novak!\"\r\r")
                         << L{"3", " 3", "Novak", "112", "VIP"};
    QTest::newRow("! alone") << QByteArray("AT+CPBR=4\r\r+CPBR: 4,\"112\",129,\"!\"\r\r")
                             << L{"4", " 4", "", "112", "VIP"};
    QTest::newRow("empty name") << QByteArray("AT+CPBR=5\r\r+CPBR: 5,\"158\",129,\"\"\r\r")
                                << L{"5", " 5", "", "158", ""};
    QTest::newRow("name with comma and quote pair")
        << QByteArray("AT+CPBR=6\r\r+CPBR: 6,\"155\",129,\"Skola, \",\"reditel\"\r\r")
        << L{"6", " 6", "Skola, \",\"reditel", "155", ""};
    QTest::newRow("empty location") << QByteArray("AT+CPBR=2\r\r") << L{"2", "", "", "", ""};
    // The entry line alone tells its location: with echo off there is none in front.
    QTest::newRow("no echo") << QByteArray("\r+CPBR: 1,\"112\",129,\"SOS\"\r\r") << L{"1", " 1", "SOS", "112", ""};
    QTest::newRow("another location's line is not this one's")
        << QByteArray("AT+CPBR=2\r\r+CPBR: 1,\"112\",129,\"SOS\"\r\r") << L{"2", "", "", "", ""};
    QTest::newRow("truncated") << QByteArray("AT+CPBR=9\r\r+CPBR: 9,\"60312") << L{"9", " 9", "", "", ""};
    QTest::newRow("last quote missing") << QByteArray("AT+CPBR=8\r\r+CPBR: 8,\"112\",129,\"Petr\r\r")
                                        << L{"8", " 8", "Petr", "112", ""};
}

void TestPhonebookCore::entryReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArrayList, row);
    const int position = row.at(0).toInt();
    const PhonebookRow parsed = ParseEntryReply(reply, position);
    QCOMPARE((QByteArrayList{parsed.caption, parsed.location, parsed.name.toLatin1(), parsed.number, parsed.group}),
             row);
}

void TestPhonebookCore::usedCountText_data()
{
    QTest::addColumn<int>("used");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("0 záznamů");
    QTest::newRow("1") << 1 << QStringLiteral("1 záznam");
    QTest::newRow("3") << 3 << QStringLiteral("3 záznamy");
    QTest::newRow("4") << 4 << QStringLiteral("4 záznamy");
    QTest::newRow("12") << 12 << QStringLiteral("12 záznamů");
    QTest::newRow("22") << 22 << QStringLiteral("22 záznamů");
}

void TestPhonebookCore::usedCountText()
{
    QFETCH(int, used);
    QFETCH(QString, text);
    QCOMPARE(Cp1250::toUnicode(UsedCountText(used)), text);
}

void TestPhonebookCore::writeCommand_data()
{
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("vip");
    QTest::addColumn<QByteArray>("command");  // empty: refused

    QTest::newRow("VIP") << QByteArray("3") << QByteArray("112") << QByteArray("Novak") << true
                         << QByteArray("AT+CPBW=3,\"112\",129,\"Novak!\"\r");
    QTest::newRow("international") << QByteArray(" 12") << QByteArray("+420603123456") << QByteArray("Jan")
                                   << false << QByteArray("AT+CPBW=12,\"+420603123456\",145,\"Jan\"\r");
    QTest::newRow("comma in name") << QByteArray("4") << QByteArray("155") << QByteArray("Skola, reditel")
                                   << false << QByteArray("AT+CPBW=4,\"155\",129,\"Skola, reditel\"\r");
    QTest::newRow("quote in name") << QByteArray("4") << QByteArray("155") << QByteArray("Pepa \"Z\"") << false
                                   << QByteArray();
    QTest::newRow("quote in number") << QByteArray("4") << QByteArray("15\"5") << QByteArray("X") << false
                                     << QByteArray();
    QTest::newRow("command in location") << QByteArray("4;+CPBW=1") << QByteArray("155") << QByteArray("X")
                                         << false << QByteArray();
    QTest::newRow("CR in name") << QByteArray("4") << QByteArray("155") << QByteArray("X\rATH") << false
                                << QByteArray();
}

void TestPhonebookCore::writeCommand()
{
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, name);
    QFETCH(bool, vip);
    QFETCH(QByteArray, command);
    QCOMPARE(WriteEntryCommand(location, number, name, vip).value_or(QByteArray()), command);
}

void TestPhonebookCore::entryWriteCommand_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("vip");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("command");  // empty: refused
    QTest::addColumn<QString>("refused");     // the name's characters at fault

    const int ucs2 = int(PhonebookCharset::Ucs2), gsm = int(PhonebookCharset::Gsm), ira = int(PhonebookCharset::Ira);
    QTest::newRow("UCS2, Czech letters and the VIP mark")
        << "9" << "+420608111222" << QStringLiteral("Jiří Černý") << true << ucs2
        << QByteArray("AT+CPBW=9,\"+420608111222\",145,\"004A0069015900ED0020010C00650072006E00FD0021\"\r") << QString();
    QTest::newRow("UCS2 carries a double quote") << "1" << "112" << QStringLiteral("Pepa \"Z\"") << false << ucs2
                                                 << QByteArray("AT+CPBW=1,\"112\",129,\"005000650070006100200022005A0022\"\r")
                                                 << QString();
    QTest::newRow("GSM: _ @ $ and the escape table")
        << "2" << "112" << QStringLiteral("a_@$€~") << false << gsm
        << QByteArray("AT+CPBW=2,\"112\",129,\"a\x11") + QByteArray(1, '\0') + "\x02\x1B\x65\x1B\x3D\"\r" << QString();
    QTest::newRow("GSM lacks ř and Ł") << "2" << "112" << QStringLiteral("Jiří Łódź") << false << gsm << QByteArray()
                                       << QStringLiteral("říŁóź");
    QTest::newRow("IRA lacks é") << "2" << "112" << QStringLiteral("Café $5") << false << ira << QByteArray()
                                 << QStringLiteral("é");
    QTest::newRow("control characters never") << "2" << "112" << QStringLiteral("A\r\x1A\x1B") << false << ucs2
                                              << QByteArray() << QStringLiteral("\r\x1A\x1B");
    for (const char *location : {" 2;+CPBW=4", "2\r", "2\"", "\x1A", "\x1B", "251", "0", ""})
        QTest::newRow(qPrintable(QStringLiteral("location %1").arg(QString::fromLatin1(location).toUtf8().toHex())))
            << QString::fromLatin1(location) << "112" << "A" << false << ucs2 << QByteArray() << QString();
    QTest::newRow("location of 300 digits") << QString(300, QLatin1Char('1')) << "112" << "A" << false << ucs2
                                            << QByteArray() << QString();
    for (const char *number : {"112;+CPBW=1", "112\r", "1\"2", "112\x1A", "112\x1B", ""})
        QTest::newRow(qPrintable(QStringLiteral("number %1").arg(QString::fromLatin1(number).toUtf8().toHex())))
            << "2" << QString::fromLatin1(number) << "A" << false << ucs2 << QByteArray() << QString();
}

void TestPhonebookCore::entryWriteCommand()
{
    QFETCH(QString, location);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(bool, vip);
    QFETCH(int, charset);
    QFETCH(QByteArray, command);
    QFETCH(QString, refused);
    QString atFault;
    QCOMPARE(EntryWriteCommand(location, number, name, vip, PhonebookCharset(charset), 250, &atFault)
                 .value_or(QByteArray()),
             command);
    QCOMPARE(atFault, refused);
}

void TestPhonebookCore::handsetText_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("roundTrip");  // the text written in the set gives the field again

    const int ucs2 = int(PhonebookCharset::Ucs2), gsm = int(PhonebookCharset::Gsm), ira = int(PhonebookCharset::Ira);
    QTest::newRow("UCS2 Czech") << ucs2 << QByteArray("0160016501550064") << QStringLiteral("Šťŕd") << true;
    QTest::newRow("UCS2 German and Polish") << ucs2 << QByteArray("004D00FC006C006C00650072002001410105006B0061")
                                            << QStringLiteral("Müller Łąka") << true;
    QTest::newRow("UCS2 lower-case hex") << ucs2 << QByteArray("00e9") << QStringLiteral("é") << false;
    QTest::newRow("not UCS2 text: as it came") << ucs2 << QByteArray("SOS") << QStringLiteral("SOS") << false;
    QTest::newRow("GSM basic letters") << gsm << QByteArray("Jan\x11Novak") + QByteArray(1, '\0') + "firma \x02\x05\x7E"
                                       << QStringLiteral("Jan_Novak@firma $éü") << true;
    QTest::newRow("GSM escape table") << gsm << QByteArray("\x1B\x3C\x1B\x3E\x1B\x28\x1B\x29\x1B\x2F\x1B\x14\x1B\x40\x1B\x3D\x1B\x65")
                                      << QStringLiteral("[]{}\\^|~€") << true;
    QTest::newRow("GSM unknown escape shows the basic letter") << gsm << QByteArray("\x1B" "A") << QStringLiteral("A")
                                                               << false;
    QTest::newRow("GSM escape at the end") << gsm << QByteArray("A\x1B") << QStringLiteral("A ") << false;
    QTest::newRow("GSM Greek and Nordic") << gsm << QByteArray("\x10\x12\x1C\x1D\x1E\x0E")
                                          << QStringLiteral("ΔΦÆæßÅ") << true;
    QTest::newRow("IRA") << ira << QByteArray("Jan_Novak@firma ~") << QStringLiteral("Jan_Novak@firma ~") << true;
}

void TestPhonebookCore::handsetText()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(bool, roundTrip);
    QCOMPARE(DecodeHandsetText(field, PhonebookCharset(charset)), text);
    if (roundTrip)
        QCOMPARE(EncodeHandsetText(text, PhonebookCharset(charset)).value_or(QByteArray("-")), field);
}

void TestPhonebookCore::entryBounds_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("first");  // 0: none
    QTest::addColumn<int>("last");
    QTest::newRow("range") << QByteArray("AT+CPBR=?\r\r+CPBR: (1-250),20,14\r") << 1 << 250;
    QTest::newRow("no echo, not from 1") << QByteArray("\r+CPBR: (2-40),20,14\r") << 2 << 40;
    QTest::newRow("one location") << QByteArray("+CPBR: (1),20,14") << 1 << 1;
    QTest::newRow("reversed") << QByteArray("+CPBR: (9-3),20,14") << 0 << 0;
    QTest::newRow("zero") << QByteArray("+CPBR: (0-10),20,14") << 0 << 0;
    QTest::newRow("no list") << QByteArray("+CPBR: 1-10") << 0 << 0;
    QTest::newRow("nothing") << QByteArray() << 0 << 0;
}

void TestPhonebookCore::entryBounds()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, first);
    QFETCH(int, last);
    const auto bounds = ParseEntryBounds(reply);
    QCOMPARE(bounds ? bounds->first : 0, first);
    QCOMPARE(bounds ? bounds->second : 0, last);
}

void TestPhonebookCore::listFileText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Rows>("rows");

    QTest::newRow("empty group keeps its tab")
        << QByteArray("1\t 1\tJan\t112\t\r\n2\t 2\tNovak\t155\tVIP\r\n")
        << Rows{{"1", " 1", "Jan", "112", ""}, {"2", " 2", "Novak", "155", "VIP"}};
    QTest::newRow("empty line between rows")
        << QByteArray("1\t 1\tA\t1\t\r\n\r\n3\t 3\tC\t3\t\r\n")
        << Rows{{"1", " 1", "A", "1", ""}, {""}, {"3", " 3", "C", "3", ""}};
    QTest::newRow("CR alone, LF alone, no final end")
        << QByteArray("a\tb\rc\nd\te") << Rows{{"a", "b"}, {"c"}, {"d", "e"}};
    QTest::newRow("nothing") << QByteArray() << Rows{};
}

void TestPhonebookCore::listFileText()
{
    QFETCH(QByteArray, text);
    QFETCH(Rows, rows);
    QCOMPARE(ParseSeznamFile(text), rows);
    if (text.endsWith("\r\n") || text.isEmpty())
        QCOMPARE(SeznamFileText(rows), text);
}

void TestPhonebookCore::listFileRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("seznam.sez"));
    // Windows-1250 names (Novák, Šárka) stay byte for byte.
    const Rows rows{{"1", " 1", "Nov\xE1k", "+420603123456", ""},
                    {"2", " 2", "\x8A\xE1rka", "112", "VIP"},
                    {"3", " 3", "", "", ""}};
    QString error;
    QVERIFY(WriteSeznamFile(path, rows, &error));
    QCOMPARE(ReadSeznamFile(path, &error).value_or(Rows{}), rows);
}

void TestPhonebookCore::listFileFailures()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!ReadSeznamFile(dir.filePath(QStringLiteral("missing.sez")), &error));
    QVERIFY(!error.isEmpty());

    // A folder that is a file: the write fails with the file layer's message.
    QVERIFY(WriteSeznamFile(dir.filePath(QStringLiteral("plain")), Rows{}, &error));
    error.clear();
    QVERIFY(!WriteSeznamFile(dir.filePath(QStringLiteral("plain/x.sez")), Rows{{"1"}}, &error));
    QVERIFY(!error.isEmpty());

    // A file that cannot be replaced keeps what it held.
    const QString path = dir.filePath(QStringLiteral("keep.sez"));
    QVERIFY(WriteSeznamFile(path, Rows{{"1", " 1", "Jan", "112", ""}}, &error));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool ignored = QFileInfo(dir.path()).isWritable();
    error.clear();
    const bool written = WriteSeznamFile(path, Rows{{"9", " 9", "Other", "1", ""}}, &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (ignored)
        QSKIP("running with rights that ignore folder permissions");
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(ReadSeznamFile(path, &error).value_or(Rows{}), (Rows{{"1", " 1", "Jan", "112", ""}}));
}

QTEST_GUILESS_MAIN(TestPhonebookCore)
#include "tst_phonebookcore.moc"
