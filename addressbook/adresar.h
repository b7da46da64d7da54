#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

// The handset's address book as it copies it out of its file system: the
// contact database ("pbm_master_v_20.dat") and the group list
// ("GrpDList ver 01.db"). Both are read only; nothing here writes them.
//
// Database file: a sequence of records, each ending with the bytes 3D FF;
// bytes after the last 3D FF are ignored, and whatever stands before the
// first field of a record (file or record headers) is simply part of it.
// A field is found by the first occurrence of its six-byte pattern
//   P: 00, field number (16 bits), field type (16 bits), 00
// followed by one unread byte, the data length L (16 bits) and L data
// bytes. Numbers are little-endian. Field types: 0009 text (UTF-16LE units
// ending with a 0000 unit), 0006 number (8-bit characters and a terminator),
// 0003 byte (one unsigned byte; L not read).
//
// Group file: entries found by markers: 03 01 and the group number (16
// bits); then 04 04, a 16-bit n, one byte and a name of n - 2 bytes in
// Windows-1250; entries go on while 00 03 occurs in the rest. The reader
// goes over the file once for each marker, however many entries it makes.
//
// The readers take whatever bytes a file holds. They never read outside
// their input: a length running past the end of its record takes the bytes
// that are there (never the record's own 3D FF), a pattern too close to the
// end for its length gives an empty field, and every loop moves forward.

// One contact. Texts are Unicode as the file holds them (its text fields
// are UTF-16), so a name Windows-1250 lacks (Cyrillic, Polish, an emoji)
// stays whole; number fields are their 8-bit characters read as
// Windows-1250. ONarozky holds the birthday as shown (DD.MM.YYYY, see
// BirthdayForDisplay).
struct TAdresar
{
    QString Krestni, Prijmeni, SoukTel, ObchTel, SoukMobil, ObchMobil;
    QString SEmail1, SEmail2, SWWW, SFax, SUlice, SMesto, SPSC, SZeme1, SZeme2, SDodatek,
        SPoznamka;
    QString OEmail1, OEmail2, OWWW, OFax, OFirma, OPozice, OUlice, OMesto, OPSC, OZeme1, OZeme2,
        ODodatek, OPoznamka;
    QString OZvuk, OObrazek, ONarozky;
    qint32 SkupinaCislo = 0; // group number, 0 = none
    QString ZobrJmeno;

    bool operator==(const TAdresar &) const = default;
};

struct TSkupiny
{
    qint32 CisloSkupiny = 0;
    QByteArray NazevSkupiny;
};

// Capacities of the tables.
inline constexpr int AdresarCapacity = 500;
inline constexpr int SkupinyCapacity = 999; // entries 0..998; entry 0 is " "

enum class AdresarFieldType { Text, Number, Byte };

// The field table: pattern bytes P..P+5, the kind of data, the field's name
// in TAdresar (also the key of `torvane-cli addressbook show --json`), and
// the member (null for SkupinaCislo, the one number field).
struct AdresarField
{
    std::array<unsigned char, 6> pattern;
    AdresarFieldType type;
    const char *name;
    QString TAdresar::*text;
};
extern const std::array<AdresarField, 35> AdresarFields;

// The text of text data: the UTF-16LE units of all but the last two bytes
// (the 0000 unit), an odd byte left over as a unit of its own, units 0000
// skipped; a surrogate without its partner becomes U+FFFD.
QString DecodeUcs2Field(const QByteArray &bytes);

// One contact from the bytes of one record (its 3D FF included or not).
TAdresar ParseAdresarRecord(const QByteArray &record);

// The stored birthday YYYYMMDD as DD.MM.YYYY; a text shorter than eight
// characters is kept as it is.
QString BirthdayForDisplay(const QString &stored);

// The records of a database file, each with its 3D FF. A file without any
// 3D FF gives a single record made of its first byte (an empty contact).
QList<QByteArray> SplitAdresarRecords(const QByteArray &file);

// The contacts of a database file: at most AdresarCapacity, in file order;
// total is how many records the file holds.
struct AdresarFile
{
    QList<TAdresar> contacts;
    qsizetype total = 0;
    qsizetype notShown() const { return total - contacts.size(); }
};
AdresarFile ReadAdresarFile(const QByteArray &file);

// The group table of a group file: always SkupinyCapacity entries, entry 0
// " " with number 0, the file's groups from entry 1 in file order; count is
// how many groups the file gave (an empty file gives none).
struct SkupinyTable
{
    QList<TSkupiny> entries;
    int count = 0;
};
SkupinyTable ParseSkupinyList(const QByteArray &file);

// The number of groups that can be shown for a contact: entries 1 to 99.
inline constexpr int ShownGroupEntries = 99;
// The entry (1..99) of the first group with the contact's number, or 0 when
// the number is below 1 or no shown entry has it.
int GroupEntryFor(const QList<TSkupiny> &skupiny, qint32 skupinaCislo);
