#include "adresar.h"

#include "cp1250.h"

namespace {

using T = AdresarFieldType;

constexpr unsigned char Ff = 0xFF;

const QByteArray RecordEnd("\x3D\xFF", 2);
const QByteArray GroupNumberMarker("\x03\x01", 2);
const QByteArray GroupNameMarker("\x04\x04", 2);
const QByteArray GroupFollows("\x00\x03", 2);

// Bytes of data at offset `at` of `bytes`, as many of `count` as are there.
QByteArray takeAt(const QByteArray &bytes, qsizetype at, qsizetype count)
{
    if (count <= 0 || at >= bytes.size())
        return {};
    return bytes.mid(at, count);
}

// A 16-bit little-endian number; bytes past the end count as 00.
int readWord(const QByteArray &bytes, qsizetype at)
{
    const auto byteAt = [&](qsizetype i) { return i < bytes.size() ? quint8(bytes[i]) : 0; };
    return byteAt(at) | byteAt(at + 1) << 8;
}

QString decodeUnits(const QByteArray &bytes)
{
    QString units;
    units.reserve(bytes.size() / 2 + 1);
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const char16_t unit = char16_t(quint8(bytes[i]) | (i + 1 < bytes.size() ? quint8(bytes[i + 1]) << 8 : 0));
        if (unit != 0)
            units.append(QChar(unit));
    }
    // Surrogates only in pairs: a lone one would be no character at all.
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (units[i].isHighSurrogate() && i + 1 < units.size() && units[i + 1].isLowSurrogate())
            ++i;
        else if (units[i].isSurrogate())
            units[i] = QChar::ReplacementCharacter;
    }
    return units;
}

} // namespace

const std::array<AdresarField, 35> AdresarFields{{
    {{0x00, 0x05, 0x00, 0x09, 0x00, 0x00}, T::Text, "ZobrJmeno", &TAdresar::ZobrJmeno},
    {{0x00, 0x01, 0x00, 0x09, 0x00, 0x00}, T::Text, "Krestni", &TAdresar::Krestni},
    {{0x00, 0x03, 0x00, 0x09, 0x00, 0x00}, T::Text, "Prijmeni", &TAdresar::Prijmeni},
    {{0x00, 0x18, 0x00, 0x06, 0x00, 0x00}, T::Number, "SoukTel", &TAdresar::SoukTel},
    {{0x00, 0x11, 0x00, 0x06, 0x00, 0x00}, T::Number, "ObchTel", &TAdresar::ObchTel},
    {{0x00, 0x16, 0x00, 0x06, 0x00, 0x00}, T::Number, "SoukMobil", &TAdresar::SoukMobil},
    {{0x00, 0x19, 0x00, 0x06, 0x00, 0x00}, T::Number, "ObchMobil", &TAdresar::ObchMobil},
    {{0x00, 0x1C, Ff, 0x09, 0x00, 0x00}, T::Text, "SEmail1", &TAdresar::SEmail1},
    {{0x00, 0x1D, Ff, 0x09, 0x00, 0x00}, T::Text, "SEmail2", &TAdresar::SEmail2},
    {{0x00, 0x0D, 0x00, 0x09, 0x00, 0x00}, T::Text, "SWWW", &TAdresar::SWWW},
    {{0x00, 0x13, 0x00, 0x06, 0x00, 0x00}, T::Number, "SFax", &TAdresar::SFax},
    {{0x00, 0x0F, Ff, 0x09, 0x00, 0x00}, T::Text, "SUlice", &TAdresar::SUlice},
    {{0x00, 0x09, 0x00, 0x09, 0x00, 0x00}, T::Text, "SMesto", &TAdresar::SMesto},
    {{0x00, 0x0C, 0x00, 0x09, 0x00, 0x00}, T::Text, "SPSC", &TAdresar::SPSC},
    {{0x00, 0x0A, 0x00, 0x09, 0x00, 0x00}, T::Text, "SZeme1", &TAdresar::SZeme1},
    {{0x00, 0x0B, 0x00, 0x09, 0x00, 0x00}, T::Text, "SZeme2", &TAdresar::SZeme2},
    {{0x00, 0x43, Ff, 0x09, 0x00, 0x00}, T::Text, "SDodatek", &TAdresar::SDodatek},
    {{0x00, 0x1C, 0x00, 0x09, 0x00, 0x00}, T::Text, "SPoznamka", &TAdresar::SPoznamka},
    {{0x00, 0x1E, Ff, 0x09, 0x00, 0x00}, T::Text, "OEmail1", &TAdresar::OEmail1},
    {{0x00, 0x1F, Ff, 0x09, 0x00, 0x00}, T::Text, "OEmail2", &TAdresar::OEmail2},
    {{0x00, 0x20, Ff, 0x09, 0x00, 0x00}, T::Text, "OWWW", &TAdresar::OWWW},
    {{0x00, 0x21, Ff, 0x06, 0x00, 0x00}, T::Number, "OFax", &TAdresar::OFax},
    {{0x00, 0x06, 0x00, 0x09, 0x00, 0x00}, T::Text, "OFirma", &TAdresar::OFirma},
    {{0x00, 0x07, 0x00, 0x09, 0x00, 0x00}, T::Text, "OPozice", &TAdresar::OPozice},
    {{0x00, 0x22, Ff, 0x09, 0x00, 0x00}, T::Text, "OUlice", &TAdresar::OUlice},
    {{0x00, 0x23, Ff, 0x09, 0x00, 0x00}, T::Text, "OMesto", &TAdresar::OMesto},
    {{0x00, 0x26, Ff, 0x09, 0x00, 0x00}, T::Text, "OPSC", &TAdresar::OPSC},
    {{0x00, 0x24, Ff, 0x09, 0x00, 0x00}, T::Text, "OZeme1", &TAdresar::OZeme1},
    {{0x00, 0x25, Ff, 0x09, 0x00, 0x00}, T::Text, "OZeme2", &TAdresar::OZeme2},
    {{0x00, 0x44, Ff, 0x09, 0x00, 0x00}, T::Text, "ODodatek", &TAdresar::ODodatek},
    {{0x00, 0x27, Ff, 0x09, 0x00, 0x00}, T::Text, "OPoznamka", &TAdresar::OPoznamka},
    {{0x00, 0x28, Ff, 0x09, 0x00, 0x00}, T::Text, "OZvuk", &TAdresar::OZvuk},
    {{0x00, 0x0C, Ff, 0x09, 0x00, 0x00}, T::Text, "OObrazek", &TAdresar::OObrazek},
    {{0x00, 0x2A, Ff, 0x09, 0x00, 0x00}, T::Text, "ONarozky", &TAdresar::ONarozky},
    {{0x00, 0x39, Ff, 0x03, 0x00, 0x00}, T::Byte, "SkupinaCislo", nullptr},
}};

QString DecodeUcs2Field(const QByteArray &bytes)
{
    return decodeUnits(bytes.left(qMax<qsizetype>(bytes.size() - 2, 0)));
}

QString BirthdayForDisplay(const QString &stored)
{
    if (stored.size() < 8)
        return stored;
    return stored.mid(6, 2) + u'.' + stored.mid(4, 2) + u'.' + stored.left(4);
}

TAdresar ParseAdresarRecord(const QByteArray &recordBytes)
{
    // A field's data never runs into the record's own end mark.
    const QByteArray record =
        recordBytes.endsWith(RecordEnd) ? recordBytes.left(recordBytes.size() - 2) : recordBytes;

    static const std::array<QByteArray, AdresarFields.size()> patterns = [] {
        std::array<QByteArray, AdresarFields.size()> out;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = QByteArray(reinterpret_cast<const char *>(AdresarFields[i].pattern.data()), 6);
        return out;
    }();

    TAdresar contact;
    for (size_t f = 0; f < AdresarFields.size(); ++f) {
        const AdresarField &field = AdresarFields[f];
        const qsizetype p = record.indexOf(patterns[f]);
        // The length (P+7, P+8) must be there; the data begins at P+9.
        if (p < 0 || p + 8 >= record.size())
            continue;
        const qsizetype length = readWord(record, p + 7);
        const qsizetype data = p + 9;
        switch (field.type) {
        case AdresarFieldType::Text:
            contact.*field.text = decodeUnits(takeAt(record, data, length - 2));
            break;
        case AdresarFieldType::Number:
            contact.*field.text = Cp1250::toUnicode(takeAt(record, data, length - 1));
            break;
        case AdresarFieldType::Byte:
            if (data < record.size())
                contact.SkupinaCislo = quint8(record[data]);
            break;
        }
    }
    contact.ONarozky = BirthdayForDisplay(contact.ONarozky);
    return contact;
}

QList<QByteArray> SplitAdresarRecords(const QByteArray &file)
{
    QList<QByteArray> records;
    qsizetype from = 0;
    for (qsizetype end; (end = file.indexOf(RecordEnd, from)) >= 0; from = end + 2)
        records.append(file.mid(from, end + 2 - from));
    if (records.isEmpty())
        records.append(file.left(1));
    return records;
}

AdresarFile ReadAdresarFile(const QByteArray &file)
{
    // Records past the table are only counted, not copied.
    AdresarFile result;
    qsizetype from = 0;
    for (qsizetype end; (end = file.indexOf(RecordEnd, from)) >= 0; from = end + 2) {
        if (result.contacts.size() < AdresarCapacity)
            result.contacts.append(ParseAdresarRecord(file.mid(from, end + 2 - from)));
        ++result.total;
    }
    if (result.total == 0) {
        result.contacts.append(ParseAdresarRecord(file.left(1)));
        result.total = 1;
    }
    return result;
}

namespace {

// The next occurrence of a marker at or after a position that only grows:
// an occurrence found stays the answer until the position passes it, and a
// marker missing from some position on is missing from every later one. So
// each marker's search goes over the file once however many entries ask.
class MarkerFinder
{
public:
    MarkerFinder(const QByteArray &file, const QByteArray &marker)
        : m_file(file)
        , m_marker(marker)
    {
    }
    qsizetype next(qsizetype pos)
    {
        if (m_from < 0 || pos < m_from || (m_at >= 0 && m_at < pos)) {
            m_from = pos;
            m_at = pos < m_file.size() ? m_file.indexOf(m_marker, pos) : -1;
        }
        return m_at;
    }

private:
    const QByteArray &m_file;
    const QByteArray m_marker;
    qsizetype m_from = -1;  // where the last search started
    qsizetype m_at = -1;    // what it found there (-1: nothing from m_from on)
};

} // namespace

SkupinyTable ParseSkupinyList(const QByteArray &file)
{
    SkupinyTable table;
    table.entries.resize(SkupinyCapacity);
    table.entries[0].NazevSkupiny = " ";
    if (file.isEmpty())
        return table;

    MarkerFinder numberMarker(file, GroupNumberMarker), nameMarker(file, GroupNameMarker),
        follows(file, GroupFollows);
    // pos stands for the bytes already removed from the front; it only grows.
    qsizetype pos = 0;
    const auto skipPast = [&](MarkerFinder &marker, qsizetype size) {
        const qsizetype at = marker.next(pos);
        pos = at >= 0 ? at + size : pos + 1;
    };
    int i = 1;
    do {
        TSkupiny &entry = table.entries[i];
        skipPast(numberMarker, GroupNumberMarker.size());
        entry.CisloSkupiny = readWord(file, pos);
        skipPast(nameMarker, GroupNameMarker.size());
        const int n = readWord(file, pos);
        pos += 3;
        entry.NazevSkupiny = takeAt(file, pos, n - 2);
        pos += n;
        table.count = i;
        ++i;
    } while (pos < file.size() && follows.next(pos) >= 0 && i < SkupinyCapacity);
    return table;
}

int GroupEntryFor(const QList<TSkupiny> &skupiny, qint32 skupinaCislo)
{
    if (skupinaCislo < 1)
        return 0;
    const int last = qMin<int>(ShownGroupEntries, int(skupiny.size()) - 1);
    for (int i = 1; i <= last; ++i)
        if (skupiny[i].CisloSkupiny == skupinaCislo)
            return i;
    return 0;
}
