// The reader of the handset's contact database and group files, and the
// vCard writer: hand-made records for the byte-level cases, generated files
// for whole contacts, and Debian's Python vCard parser as the reader on the
// other side of the export.

#include "adresar.h"
#include "adresargen.h"
#include "cp1250.h"
#include "vcard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace AdresarGen;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text); // blanks are skipped
}

QByteArray cp(const QString &text)
{
    return Cp1250::fromUnicode(text);
}

QString fieldOf(const TAdresar &c, const QByteArray &name)
{
    for (const AdresarField &f : AdresarFields)
        if (name == f.name)
            return f.text ? c.*f.text : QString::number(c.SkupinaCislo);
    return QStringLiteral("<no such field>");
}

// Every field but `except` is empty.
bool othersEmpty(const TAdresar &c, const QByteArray &except)
{
    for (const AdresarField &f : AdresarFields)
        if (except != f.name && fieldOf(c, f.name) != QLatin1String(f.text ? "" : "0"))
            return false;
    return true;
}

} // namespace

class TestAdresar : public QObject
{
    Q_OBJECT

private slots:
    void record_data();
    void record();
    void records_data();
    void records();
    void generatedContacts();
    void groups_data();
    void groups();
    void groupsMatchTheMarkerWalk_data();
    void groupsMatchTheMarkerWalk();
    void groupShownForContact_data();
    void groupShownForContact();
    void vcardStrict();
    void vcardKeepsNamesWindows1250Lacks_data();
    void vcardKeepsNamesWindows1250Lacks();
    void vcardReadByPython();
};

void TestAdresar::record_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("value");  // UTF-8

    // Pattern, the spare byte, L, data; the record's 3D FF last.
    QTest::newRow("display name Anna")
        << hex("000500090000 01 0A00 41006E006E0061000000 3DFF") << QByteArray("ZobrJmeno") << QByteArray("Anna");
    QTest::newRow("unit 0D 01 is c-caron")
        << hex("000100090000 01 0400 0D010000 3DFF") << QByteArray("Krestni") << QByteArray("č");
    QTest::newRow("number 112")
        << hex("001800060000 01 0400 31313200 3DFF") << QByteArray("SoukTel") << QByteArray("112");
    QTest::newRow("group byte 05")
        << hex("0039FF030000 01 0100 05 3DFF") << QByteArray("SkupinaCislo") << QByteArray("5");
    QTest::newRow("group byte FF is 255")
        << hex("0039FF030000 01 0100 FF 3DFF") << QByteArray("SkupinaCislo") << QByteArray("255");
    QTest::newRow("birthday YYYYMMDD shown DD.MM.YYYY")
        << hex("002AFF090000 01 1200 3100390038003000300032003100350000003DFF") << QByteArray("ONarozky")
        << QByteArray("15.02.1980");
    QTest::newRow("birthday shorter than eight kept")
        << hex("002AFF090000 01 0E00 310039003800300030003200 0000 3DFF") << QByteArray("ONarozky")
        << QByteArray("198002");
    QTest::newRow("header bytes before the first field")
        << hex("50424D0014000000 0300 A55A0100 000500090000 01 0600 4A0061000000 3DFF")
        << QByteArray("ZobrJmeno") << QByteArray("Ja");
    QTest::newRow("first occurrence wins")
        << hex("000500090000 01 0400 41000000 000500090000 01 0400 42000000 3DFF") << QByteArray("ZobrJmeno")
        << QByteArray("A");
    QTest::newRow("units 0000 inside are skipped")
        << hex("000500090000 01 0800 410000004200 0000 3DFF") << QByteArray("ZobrJmeno") << QByteArray("AB");
    // Texts stay as the file has them, also where Windows-1250 has no form.
    QTest::newRow("unit without a code-page form")
        << hex("000500090000 01 0600 2D4E41000000 3DFF") << QByteArray("ZobrJmeno") << QByteArray("中A");
    QTest::newRow("Cyrillic")
        << hex("000500090000 01 0A00 1F04400438043204000000 3DFF") << QByteArray("ZobrJmeno")
        << QByteArray("Прив");
    QTest::newRow("surrogate pair is one character")
        << hex("000500090000 01 0800 3DD800DE0000 3DFF") << QByteArray("ZobrJmeno") << QByteArray("😀");
    QTest::newRow("lone surrogate is U+FFFD")
        << hex("000500090000 01 0600 3DD841000000 3DFF") << QByteArray("ZobrJmeno") << QByteArray("\uFFFDA");
    QTest::newRow("text L of 2 is empty")
        << hex("000500090000 01 0200 0000 3DFF") << QByteArray("ZobrJmeno") << QByteArray();
    QTest::newRow("number L of 1 is empty")
        << hex("001800060000 01 0100 00 3DFF") << QByteArray("SoukTel") << QByteArray();
    QTest::newRow("1C FF is not 1C 00")
        << hex("001CFF090000 01 0400 61000000 3DFF") << QByteArray("SEmail1") << QByteArray("a");
    QTest::newRow("0C FF is not 0C 00")
        << hex("000CFF090000 01 0400 61000000 3DFF") << QByteArray("OObrazek") << QByteArray("a");

    // Cut records: the reader takes what is there, never the 3D FF.
    QTest::newRow("text L past the record")
        << hex("000500090000 01 2000 4A006100 3DFF") << QByteArray("ZobrJmeno") << QByteArray("Ja");
    QTest::newRow("text L past the record, odd byte")
        << hex("000500090000 01 2000 4A0061 3DFF") << QByteArray("ZobrJmeno") << QByteArray("Ja");
    QTest::newRow("text L past the file, no end mark")
        << hex("000500090000 01 2000 4A00") << QByteArray("ZobrJmeno") << QByteArray("J");
    QTest::newRow("number L past the record")
        << hex("001800060000 01 1000 3131 3DFF") << QByteArray("SoukTel") << QByteArray("11");
    QTest::newRow("pattern at the very end")
        << hex("000500090000 3DFF") << QByteArray("ZobrJmeno") << QByteArray();
    QTest::newRow("pattern and half a length")
        << hex("000500090000 01 0A 3DFF") << QByteArray("ZobrJmeno") << QByteArray();
    QTest::newRow("length but no data")
        << hex("000500090000 01 0A00 3DFF") << QByteArray("ZobrJmeno") << QByteArray();
    QTest::newRow("group pattern without its byte")
        << hex("0039FF030000 01 0100 3DFF") << QByteArray("SkupinaCislo") << QByteArray("0");
    QTest::newRow("group pattern cut by the end mark")
        << hex("0039FF030000 3DFF") << QByteArray("SkupinaCislo") << QByteArray("0");
}

void TestAdresar::record()
{
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, value);
    const TAdresar contact = ParseAdresarRecord(record);
    QCOMPARE(fieldOf(contact, field), QString::fromUtf8(value));
    QVERIFY2(othersEmpty(contact, field), "another field was filled");
}

void TestAdresar::records_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("total");
    QTest::addColumn<QByteArray>("firstName");

    const QByteArray anna = hex("000500090000 01 0A00 41006E006E0061000000 3DFF");
    QTest::newRow("three records and trailing bytes")
        << anna + anna + anna + hex("000500090000 01 0400 4200") << 3 << 3 << QByteArray("Anna");
    QTest::newRow("no end mark at all: one empty contact") << hex("0005000900000104004200") << 1 << 1
                                                           << QByteArray();
    QTest::newRow("empty file: one empty contact") << QByteArray() << 1 << 1 << QByteArray();
    QTest::newRow("3D 3D FF ends at the first FF") << hex("3D3DFF 3DFF") << 2 << 2 << QByteArray();

    QList<Contact> many;
    for (int i = 1; i <= 600; ++i)
        many << Contact{{{"ZobrJmeno", QStringLiteral("Kontakt %1").arg(i)}}, -1};
    QTest::newRow("600 records: the first 500") << databaseFile(many) << 500 << 600
                                                << QByteArray("Kontakt 1");
}

void TestAdresar::records()
{
    QFETCH(QByteArray, file);
    QFETCH(int, stored);
    QFETCH(int, total);
    QFETCH(QByteArray, firstName);
    const AdresarFile read = ReadAdresarFile(file);
    QCOMPARE(read.contacts.size(), stored);
    QCOMPARE(read.total, total);
    QCOMPARE(read.notShown(), total - stored);
    QCOMPARE(read.contacts.first().ZobrJmeno, QString::fromUtf8(firstName));
    if (stored == 500)
        QCOMPARE(read.contacts.last().ZobrJmeno, QStringLiteral("Kontakt 500"));
}

// Whole contacts as the generator writes them, every field among them.
void TestAdresar::generatedContacts()
{
    const QList<Contact> table = sampleContacts();
    const AdresarFile read = ReadAdresarFile(databaseFile(table));
    QCOMPARE(read.contacts.size(), table.size());
    QCOMPARE(fieldNames().size(), 34); // every text field; the group byte apart
    for (qsizetype i = 0; i < table.size(); ++i) {
        const TAdresar &got = read.contacts[i];
        for (const QByteArray &name : fieldNames()) {
            QString want = table[i].fields.value(name);
            if (name == "ONarozky" && !want.isEmpty())
                want = want.mid(6, 2) + u'.' + want.mid(4, 2) + u'.' + want.left(4);
            QVERIFY2(fieldOf(got, name) == want,
                     qPrintable(QStringLiteral("contact %1 field %2: %3")
                                    .arg(i + 1)
                                    .arg(QLatin1String(name), fieldOf(got, name))));
        }
        QCOMPARE(got.SkupinaCislo, qMax(table[i].group, 0));
    }
    QCOMPARE(read.contacts[3].ONarozky, QStringLiteral("31.12.1999"));
}

void TestAdresar::groups_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QList<QByteArray>>("names");

    const QByteArray sample = groupFile(sampleGroups());
    QTest::newRow("generated") << sample << QList<int>{1, 2, 5, 7, 9}
                               << QList<QByteArray>{"Rodina", cp(u"Přátelé"_qs), cp(u"Kolegové"_qs), "VIP",
                                                    cp(u"Škola"_qs)};
    QTest::newRow("empty file") << QByteArray() << QList<int>{} << QList<QByteArray>{};
    QTest::newRow("name cut by the end of the file")
        << sample.left(sample.size() - 4) << QList<int>{1, 2, 5, 7, 9}
        << QList<QByteArray>{"Rodina", cp(u"Přátelé"_qs), cp(u"Kolegové"_qs), "VIP", cp(u"Ško"_qs)};
    QTest::newRow("file ends after 04 04") << hex("000301 0500 000404") << QList<int>{5}
                                           << QList<QByteArray>{""};
    QList<Group> many;
    QList<int> firstNumbers;
    QList<QByteArray> firstNames;
    for (int i = 1; i <= 1200; ++i) {
        many << Group{i % 200, QStringLiteral("G%1").arg(i)};
        if (i <= 998) {
            firstNumbers << i % 200;
            firstNames << "G" + QByteArray::number(i);
        }
    }
    QTest::newRow("1200 groups: the table keeps 998") << groupFile(many) << firstNumbers << firstNames;
    QTest::newRow("name length 2 is empty") << hex("000301 0700 000404 0200 01 0101") << QList<int>{7}
                                            << QList<QByteArray>{""};
}

void TestAdresar::groups()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, numbers);
    QFETCH(QList<QByteArray>, names);
    const SkupinyTable table = ParseSkupinyList(file);
    QCOMPARE(table.entries.size(), SkupinyCapacity);
    QCOMPARE(table.entries[0].NazevSkupiny, QByteArray(" "));
    QCOMPARE(table.entries[0].CisloSkupiny, 0);
    QCOMPARE(table.count, numbers.size());
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(table.entries[i + 1].CisloSkupiny, numbers[i]);
        QCOMPARE(table.entries[i + 1].NazevSkupiny, names[i]);
    }
}

namespace {

// The group file's rule spelled out the slow way: every marker searched
// afresh from the current position, for every entry.
SkupinyTable markerWalk(const QByteArray &file)
{
    SkupinyTable table;
    table.entries.resize(SkupinyCapacity);
    table.entries[0].NazevSkupiny = " ";
    if (file.isEmpty())
        return table;
    auto word = [&](qsizetype at) {
        auto b = [&](qsizetype i) { return i < file.size() ? quint8(file[i]) : 0; };
        return b(at) | b(at + 1) << 8;
    };
    qsizetype pos = 0;
    int i = 1;
    do {
        qsizetype at = file.indexOf("\x03\x01", pos);
        pos = at >= 0 ? at + 2 : pos + 1;
        table.entries[i].CisloSkupiny = word(pos);
        at = file.indexOf("\x04\x04", pos);
        pos = at >= 0 ? at + 2 : pos + 1;
        const int n = word(pos);
        pos += 3;
        table.entries[i].NazevSkupiny = n > 2 && pos < file.size() ? file.mid(pos, n - 2) : QByteArray();
        pos += n;
        table.count = i++;
    } while (pos < file.size() && file.indexOf(QByteArray("\x00\x03", 2), pos) >= 0 && i < SkupinyCapacity);
    return table;
}

} // namespace

// The reader goes over the file once, whatever its shape; it must give what
// the marker walk gives, also where markers run out long before the end.
void TestAdresar::groupsMatchTheMarkerWalk_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray sample = groupFile(sampleGroups());
    const QByteArray follows("\x00\x03", 2);
    QTest::newRow("generated") << sample;
    QTest::newRow("long tail without markers, 00 03 at its end")
        << sample + QByteArray(300000, '\x55') + follows;
    QTest::newRow("tail of zeros") << sample + QByteArray(70000, '\0') + follows;
    QTest::newRow("markers cut in half") << sample.left(sample.size() / 2) + "\x03" + follows + "\x04";
    QList<Group> many;
    for (int i = 1; i <= 1100; ++i)
        many << Group{i, QStringLiteral("Skupina %1").arg(i)};
    QTest::newRow("more groups than the table") << groupFile(many);
    // Seeded noise with the markers strewn in.
    for (quint32 seed : {1u, 2u, 3u}) {
        QRandomGenerator random(seed);
        QByteArray noise;
        const QByteArray pieces[] = {"\x03\x01", "\x04\x04", follows, QByteArray("\x02\x00", 2)};
        while (noise.size() < 50000) {
            if (random.bounded(4) == 0)
                noise += pieces[random.bounded(4)];
            else
                noise += char(random.bounded(256));
        }
        QTest::newRow(qPrintable(QStringLiteral("noise %1").arg(seed))) << noise;
    }
}

void TestAdresar::groupsMatchTheMarkerWalk()
{
    QFETCH(QByteArray, file);
    const SkupinyTable got = ParseSkupinyList(file);
    const SkupinyTable expected = markerWalk(file);
    QCOMPARE(got.count, expected.count);
    for (int i = 0; i < SkupinyCapacity; ++i) {
        QCOMPARE(got.entries[i].CisloSkupiny, expected.entries[i].CisloSkupiny);
        QCOMPARE(got.entries[i].NazevSkupiny, expected.entries[i].NazevSkupiny);
    }
}

void TestAdresar::groupShownForContact_data()
{
    QTest::addColumn<int>("skupinaCislo");
    QTest::addColumn<int>("entry");
    // Entries: 1 number 1, 2 number 2, 3 number 5, 4 number 5, 100 number 42.
    QTest::newRow("entry 3 holds number 5, the first of two") << 5 << 3;
    QTest::newRow("number 0 is no group") << 0 << 0;
    QTest::newRow("number nobody has") << 6 << 0;
    QTest::newRow("only entry 100 has it: not shown") << 42 << 0;
}

void TestAdresar::groupShownForContact()
{
    QFETCH(int, skupinaCislo);
    QFETCH(int, entry);
    QList<Group> groups{{1, u"A"_qs}, {2, u"B"_qs}, {5, u"C"_qs}, {5, u"D"_qs}};
    for (int i = 5; i < 100; ++i)
        groups << Group{100 + i, u"x"_qs};
    groups << Group{42, u"far"_qs};
    const SkupinyTable table = ParseSkupinyList(groupFile(groups));
    QCOMPARE(table.count, 100);
    QCOMPARE(GroupEntryFor(table.entries, skupinaCislo), entry);
}

// The vCard read back by the rules of the format, without a parser.
void TestAdresar::vcardStrict()
{
    QList<TAdresar> contacts = ReadAdresarFile(databaseFile(sampleContacts())).contacts;
    TAdresar empty;
    contacts.insert(1, empty); // left out
    TAdresar longNote;
    longNote.ZobrJmeno = u"Dlouhá poznámka"_qs;
    longNote.SPoznamka = QString(60, u'č') + QStringLiteral("; a\\b\r\nkonec");
    longNote.ONarozky = QStringLiteral("31.02.2000"); // no such day: no BDAY
    contacts << longNote;
    const SkupinyTable groups = ParseSkupinyList(groupFile(sampleGroups()));

    const QByteArray out = AdresarToVCard(contacts, groups.entries);
    QVERIFY(out.endsWith("\r\n"));
    QString unfolded;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.endsWith('\r'), "a line without CR");
        QVERIFY2(line.size() - 1 <= 75, line.constData());
        const QString text = QString::fromUtf8(line.chopped(1));
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), "a UTF-8 character split by folding");
        if (text.startsWith(u' '))
            unfolded += text.mid(1);
        else
            unfolded += u'\n' + text;
    }
    const QStringList lines = unfolded.mid(1).split(u'\n');
    QCOMPARE(lines.count(QStringLiteral("BEGIN:VCARD")), 5);
    QCOMPARE(lines.count(QStringLiteral("VERSION:3.0")), 5);
    for (const char *want : {
             "FN:Jan Novák", "N:Novák;Jan;;;", "TEL;TYPE=HOME,CELL:420603123456",
             "EMAIL;TYPE=INTERNET,HOME:jan.novak@example.cz", "BDAY:1980-02-15", "CATEGORIES:Kolegové",
             "FN:Šárka Dvořáková", "ORG:Žlutý kůň\\, s.r.o.", "TITLE:ředitelka", "TEL;TYPE=WORK,VOICE:420224000111",
             "ADR;TYPE=HOME:;;Dlouhá 12;Brno;;60200;", "CATEGORIES:Přátelé", "FN:Úplný Kontakt",
             "BDAY:1999-12-31", "CATEGORIES:Škola", "TEL;TYPE=WORK,FAX:420133",
             "ADR;TYPE=WORK:;ODodatek č;OUlice č;OMesto č;OZeme2 č;OPSC č;OZeme1 č",
             "NOTE:SPoznamka č\\nOPoznamka č", "FN:Dlouhá poznámka"})
        QVERIFY2(lines.contains(QString::fromUtf8(want)), want);
    QVERIFY(lines.contains(QStringLiteral("NOTE:") + QString(60, u'č') + QStringLiteral("\\; a\\\\b\\nkonec")));
    QCOMPARE(lines.filter(QStringLiteral("BDAY:")).size(), 2); // not the 31st of February
    QVERIFY(!unfolded.contains(QStringLiteral("OZvuk")));
}

// Names that Windows-1250 cannot hold reach the UTF-8 vCard whole.
void TestAdresar::vcardKeepsNamesWindows1250Lacks_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("family");
    QTest::newRow("Cyrillic") << u"Жанна"_qs << u"Петрова"_qs;
    QTest::newRow("Polish") << u"Łukasz"_qs << u"Żółć"_qs;
    QTest::newRow("outside the BMP") << u"Smajlík 😀"_qs << u"Černý"_qs;
    QTest::newRow("Chinese") << u"中文"_qs << u"Ng"_qs;
}

void TestAdresar::vcardKeepsNamesWindows1250Lacks()
{
    QFETCH(QString, given);
    QFETCH(QString, family);
    const QList<Contact> table{Contact{{{"Krestni", given}, {"Prijmeni", family}, {"SoukMobil", u"420603123456"_qs}}, -1}};
    const AdresarFile read = ReadAdresarFile(databaseFile(table));
    QCOMPARE(read.contacts.size(), 1);
    QCOMPARE(read.contacts[0].Krestni, given);
    QCOMPARE(read.contacts[0].Prijmeni, family);
    const QString vcard = QString::fromUtf8(AdresarToVCard(read.contacts, {}));
    QVERIFY2(vcard.contains(u"\r\nFN:"_qs + given + u' ' + family + u"\r\n"_qs), qPrintable(vcard));
    QVERIFY(vcard.contains(u"\r\nN:"_qs + family + u';' + given + u";;;\r\n"_qs));
    QVERIFY(!vcard.contains(u'?'));
}

// Debian's vCard parser reads the export back field by field.
void TestAdresar::vcardReadByPython()
{
    // Debian's own interpreter, where its packages are.
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import vobject")});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        QSKIP("python3-vobject is not installed");

    QList<TAdresar> contacts = ReadAdresarFile(databaseFile(sampleContacts())).contacts;
    TAdresar longNote;
    longNote.ZobrJmeno = u"Dlouhá"_qs;
    longNote.SPoznamka = QString(60, u'č') + QStringLiteral("; a,b\\c\nkonec");
    contacts << longNote;
    const SkupinyTable groups = ParseSkupinyList(groupFile(sampleGroups()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("adresar.vcf"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(AdresarToVCard(contacts, groups.entries));
    f.close();

    const char *script = R"(
import json, sys, vobject
out = []
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8', newline='').read(), validate=True):
    c = {'fn': card.fn.value, 'family': card.n.value.family, 'given': card.n.value.given}
    c['tel'] = sorted(','.join(t.params.get('TYPE', [])) + '=' + t.value for t in card.contents.get('tel', []))
    c['email'] = [e.value for e in card.contents.get('email', [])]
    c['adr'] = [[a.value.extended, a.value.street, a.value.city, a.value.region, a.value.code, a.value.country]
                for a in card.contents.get('adr', [])]
    for key in ('org', 'title', 'note', 'bday', 'categories', 'url'):
        if key in card.contents:
            c[key] = [v.value for v in card.contents[key]]
    out.append(c)
print(json.dumps(out))
)";
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), path});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    const QJsonArray cards = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    QCOMPARE(cards.size(), 5);

    const QJsonObject jan = cards[0].toObject();
    QCOMPARE(jan[u"fn"].toString(), QStringLiteral("Jan Novák"));
    QCOMPARE(jan[u"family"].toString(), QStringLiteral("Novák"));
    QCOMPARE(jan[u"given"].toString(), QStringLiteral("Jan"));
    QCOMPARE(jan[u"tel"].toArray(), QJsonArray{QStringLiteral("HOME,CELL=420603123456")});
    QCOMPARE(jan[u"bday"].toArray(), QJsonArray{QStringLiteral("1980-02-15")});
    QCOMPARE(jan[u"categories"].toArray(), (QJsonArray{QJsonArray{QStringLiteral("Kolegové")}}));

    QCOMPARE(cards[1].toObject()[u"org"].toArray(), (QJsonArray{QJsonArray{QStringLiteral("Žlutý kůň, s.r.o.")}}));

    const QJsonObject every = cards[3].toObject();
    QCOMPARE(every[u"tel"].toArray().size(), 6);
    QCOMPARE(every[u"email"].toArray().size(), 4);
    QCOMPARE(every[u"url"].toArray().size(), 2);
    QCOMPARE(every[u"adr"].toArray()[0].toArray(),
             (QJsonArray{u"SDodatek č"_qs, u"SUlice č"_qs, u"SMesto č"_qs, u"SZeme2 č"_qs, u"SPSC č"_qs,
                         u"SZeme1 č"_qs}));
    QCOMPARE(every[u"note"].toArray(), QJsonArray{u"SPoznamka č\nOPoznamka č"_qs});

    QCOMPARE(cards[4].toObject()[u"note"].toArray(),
             QJsonArray{QString(60, u'č') + QStringLiteral("; a,b\\c\nkonec")});
}

QTEST_GUILESS_MAIN(TestAdresar)
#include "tst_adresar.moc"
