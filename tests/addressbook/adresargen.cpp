#include "adresargen.h"

#include "cp1250.h"

namespace AdresarGen {

namespace {

enum Kind { Text = 0x09, Number = 0x06, Byte = 0x03 };

struct FieldDef
{
    const char *name;
    int number;  // low byte of the field number
    bool ffPage; // high byte FF instead of 00
    Kind kind;
};

// Field number and type of every known field.
const FieldDef Defs[] = {
    {"Krestni", 0x01, false, Text},     {"Prijmeni", 0x03, false, Text},
    {"ZobrJmeno", 0x05, false, Text},   {"OFirma", 0x06, false, Text},
    {"OPozice", 0x07, false, Text},     {"SMesto", 0x09, false, Text},
    {"SZeme1", 0x0A, false, Text},      {"SZeme2", 0x0B, false, Text},
    {"SPSC", 0x0C, false, Text},        {"OObrazek", 0x0C, true, Text},
    {"SWWW", 0x0D, false, Text},        {"SUlice", 0x0F, true, Text},
    {"ObchTel", 0x11, false, Number},   {"SFax", 0x13, false, Number},
    {"SoukMobil", 0x16, false, Number}, {"SoukTel", 0x18, false, Number},
    {"ObchMobil", 0x19, false, Number}, {"SPoznamka", 0x1C, false, Text},
    {"SEmail1", 0x1C, true, Text},      {"SEmail2", 0x1D, true, Text},
    {"OEmail1", 0x1E, true, Text},      {"OEmail2", 0x1F, true, Text},
    {"OWWW", 0x20, true, Text},         {"OFax", 0x21, true, Number},
    {"OUlice", 0x22, true, Text},       {"OMesto", 0x23, true, Text},
    {"OZeme1", 0x24, true, Text},       {"OZeme2", 0x25, true, Text},
    {"OPSC", 0x26, true, Text},         {"OPoznamka", 0x27, true, Text},
    {"OZvuk", 0x28, true, Text},        {"ONarozky", 0x2A, true, Text},
    {"SDodatek", 0x43, true, Text},     {"ODodatek", 0x44, true, Text},
};

QByteArray word(int value)
{
    return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF);
}

QByteArray header(int number, bool ffPage, Kind kind)
{
    return QByteArray(1, '\0') + char(number) + char(ffPage ? 0xFF : 0x00) + char(kind) + '\0' + '\0'
           + char(0x01); // the byte the reader skips
}

QByteArray byteField(int number, bool ffPage, int value)
{
    return header(number, ffPage, Byte) + word(1) + char(value);
}

// Fields a real record carries that the reader does not know.
QByteArray unknownText(int number, const QString &text)
{
    return textField(number, false, text);
}

} // namespace

QByteArray textField(int number, bool ffPage, const QString &text, int length)
{
    QByteArray data;
    for (QChar c : text)
        data += word(c.unicode());
    data += word(0);
    return header(number, ffPage, Text) + word(length < 0 ? data.size() : length) + data;
}

QByteArray numberField(int number, bool ffPage, const QByteArray &digits, int length)
{
    const QByteArray data = digits + '\0';
    return header(number, ffPage, Number) + word(length < 0 ? data.size() : length) + data;
}

QList<QByteArray> fieldNames()
{
    QList<QByteArray> names;
    for (const FieldDef &d : Defs)
        names << d.name;
    return names;
}

QByteArray record(const Contact &contact, int index)
{
    // Record header: a mark and the record's index, as the handset keeps them.
    QByteArray out = QByteArray("\xA5\x5A", 2) + word(index);
    out += unknownText(0x50, QStringLiteral("x"));
    int written = 0;
    for (const FieldDef &d : Defs) {
        const auto it = contact.fields.find(d.name);
        if (it == contact.fields.end())
            continue;
        out += d.kind == Number ? numberField(d.number, d.ffPage, Cp1250::fromUnicode(*it))
                                : textField(d.number, d.ffPage, *it);
        if (++written % 3 == 0)
            out += header(0x2B, true, Number) + word(2) + QByteArray("7\0", 2); // speed-dial slot
    }
    if (contact.group >= 0)
        out += byteField(0x39, true, contact.group);
    out += byteField(0x3A, true, 1); // a flag the reader ignores
    return out + QByteArray("\x3D\xFF", 2);
}

QByteArray databaseFile(const QList<Contact> &contacts)
{
    QByteArray out("PBM\x00\x14\x00\x00\x00", 8); // file header: kind and version
    out += word(contacts.size());
    for (qsizetype i = 0; i < contacts.size(); ++i)
        out += record(contacts[i], int(i) + 1);
    return out;
}

QByteArray groupFile(const QList<Group> &groups)
{
    QByteArray out("GRPD\x01\x00", 6);
    for (const Group &g : groups) {
        out += QByteArray("\x00\x03\x01", 3) + word(g.number);
        out += QByteArray("\x00\x02\x02\x01\x00", 5); // a field the reader skips
        const QByteArray name = Cp1250::fromUnicode(g.name);
        out += QByteArray("\x00\x04\x04", 3) + word(name.size() + 2) + char(0x01) + name
               + QByteArray("\x01\x01", 2);
    }
    return out;
}

QList<Contact> sampleContacts()
{
    QList<Contact> out;
    out << Contact{{{"ZobrJmeno", QStringLiteral("Jan Novák")},
                    {"Krestni", QStringLiteral("Jan")},
                    {"Prijmeni", QStringLiteral("Novák")},
                    {"SoukMobil", QStringLiteral("420603123456")},
                    {"SEmail1", QStringLiteral("jan.novak@example.cz")},
                    {"ONarozky", QStringLiteral("19800215")}},
                   5};
    out << Contact{{{"ZobrJmeno", QStringLiteral("Šárka Dvořáková")},
                    {"ObchTel", QStringLiteral("420224000111")},
                    {"OFirma", QStringLiteral("Žlutý kůň, s.r.o.")},
                    {"OPozice", QStringLiteral("ředitelka")}},
                   -1};
    out << Contact{{{"ZobrJmeno", QStringLiteral("Petr Černý")},
                    {"SoukTel", QStringLiteral("112")},
                    {"SUlice", QStringLiteral("Dlouhá 12")},
                    {"SMesto", QStringLiteral("Brno")},
                    {"SPSC", QStringLiteral("60200")}},
                   2};
    out << everyField();
    return out;
}

QList<Group> sampleGroups()
{
    return {{1, u"Rodina"_qs}, {2, u"Přátelé"_qs}, {5, u"Kolegové"_qs}, {7, u"VIP"_qs}, {9, u"Škola"_qs}};
}

Contact everyField()
{
    Contact c;
    for (const FieldDef &d : Defs)
        c.fields.insert(d.name, d.kind == Number ? QStringLiteral("4201%1").arg(d.number, 2, 10, QLatin1Char('0'))
                                                 : QStringLiteral("%1 č").arg(QLatin1String(d.name)));
    c.fields["ONarozky"] = QStringLiteral("19991231");
    c.fields["ZobrJmeno"] = QStringLiteral("Úplný Kontakt");
    c.group = 9;
    return c;
}

} // namespace AdresarGen
