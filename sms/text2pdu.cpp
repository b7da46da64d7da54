#include "text2pdu.h"

#include "clock.h"
#include "cp1250.h"

#include <QDateTime>

#include <array>
#include <cstdint>

// Layout reminders (3GPP TS 23.040, 9.2.2):
//   SMS-DELIVER: SCA | FO | OA | PID | DCS | SCTS(7) | UDL | UD
//   SMS-SUBMIT:  SCA | FO | MR | DA | PID | DCS | VP(0, 1 or 7) | UDL | UD
// An address is: length in semi-octets (digits), type of address, digits
// with the two semi-octets of each octet swapped and "F" padding.
// First octet: bit 0 message type (for the listing: DELIVER or SUBMIT),
// bits 3-4 validity-period format (SUBMIT), bit 6 user-data-header indicator.

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// GSM 7-bit default alphabet to Windows-1250. Characters the code page lacks
// are '?'; some are shown by the look-alikes the phone manager has always
// used (0A line feed as "_", 01 pound as a space, 03 yen as "Ą", ...).
constexpr std::array<unsigned char, 128> kGsmToText = {
    0x40, 0x20, 0x24, 0xA5, 0xE8, 0xE9, 0xF9, 0xED, // 00 @ £ $ ¥ è é ù ì
    0xF2, 0xC7, 0x5F, 0xD8, 0xF8, 0x0D, 0xC5, 0xE5, // 08 ò Ç LF Ø ø CR Å å
    '?',  0x5F, '?',  '?',  '?',  '?',  '?',  '?',  // 10 Δ _ Φ Γ Λ Ω Π Ψ
    '?',  '?',  '?',  0x20, '?',  '?',  0xDF, 0xC9, // 18 Σ Θ Ξ ESC Æ æ ß É
    0x20, 0x21, 0x22, 0x23, 0xA4, 0x25, 0x26, 0x27, // 20   ! " # ¤ % & '
    0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, // 28
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, // 30
    0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, // 38
    0xA1, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, // 40 ¡
    0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, // 48
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, // 50
    0x58, 0x59, 0x5A, 0xC4, 0xD6, 0xD1, 0xDC, 0xA7, // 58 Ä Ö Ñ Ü §
    0xBF, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, // 60 ¿
    0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, // 68
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, // 70
    0x78, 0x79, 0x7A, 0xE4, 0xF6, 0xF1, 0xFC, 0xE1, // 78 ä ö ñ ü à
};

constexpr unsigned char kEscape = 0x1B;

struct ExtensionChar
{
    unsigned char code; // after the escape
    unsigned char text; // Windows-1250
};
constexpr ExtensionChar kExtension[] = {
    {0x14, '^'}, {0x28, '{'}, {0x29, '}'}, {0x2F, '\\'}, {0x3C, '['},
    {0x3D, '~'}, {0x3E, ']'}, {0x40, '|'}, {0x65, 0x80 /* € */},
};

// Windows-1250 to GSM: the code, 0x1Bxx for an escaped one, kNoGsm when the
// alphabet does not have the character. Only real GSM characters count here,
// never the look-alikes of the receiving direction.
constexpr std::uint16_t kNoGsm = 0xFFFF;

constexpr std::array<std::uint16_t, 256> makeTextToGsm()
{
    std::array<std::uint16_t, 256> table{};
    for (auto &v : table)
        v = kNoGsm;
    for (unsigned c = 0x20; c < 0x80; ++c)
        table[c] = std::uint16_t(c);
    table[0x60] = kNoGsm; // ` is not in the alphabet
    table[0x7F] = kNoGsm;
    const std::pair<unsigned char, unsigned char> own[] = {
        {'@', 0x00}, {'$', 0x02}, {0xE9, 0x05}, {0xC7, 0x09}, {'\n', 0x0A},
        {'\r', 0x0D}, {'_', 0x11}, {0xDF, 0x1E}, {0xC9, 0x1F}, {0xA4, 0x24},
        {0xC4, 0x5B}, {0xD6, 0x5C}, {0xDC, 0x5E}, {0xA7, 0x5F},
        {0xE4, 0x7B}, {0xF6, 0x7C}, {0xFC, 0x7E},
    };
    for (const auto &[text, code] : own)
        table[text] = code;
    for (const ExtensionChar &e : kExtension)
        table[e.text] = std::uint16_t(0x1B00 | e.code);
    return table;
}
constexpr std::array<std::uint16_t, 256> kTextToGsm = makeTextToGsm();

constexpr int kMaxSeptets = 160;
constexpr int kMaxUcs2Chars = 70;
constexpr int kMaxPartSeptets = 153;  // 160 less the 7 septets of the header
constexpr int kMaxUcs2PartChars = 67; // 70 less the 6 octets of the header
constexpr int kMaxAddressDigits = 20;

constexpr std::array<signed char, 256> makeHexValues()
{
    std::array<signed char, 256> table{};
    for (auto &v : table)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<signed char>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        table[c] = static_cast<signed char>(c - 'A' + 10);
        table[c + ('a' - 'A')] = static_cast<signed char>(c - 'A' + 10);
    }
    return table;
}
constexpr std::array<signed char, 256> kHexValues = makeHexValues();

int hexValue(char c)
{
    return kHexValues[static_cast<unsigned char>(c)];
}

void appendHex(QByteArray &out, unsigned value)
{
    out.append(kHexDigits[(value >> 4) & 0xF]);
    out.append(kHexDigits[value & 0xF]);
}

void appendTwoDigits(QByteArray &out, int value)
{
    out.append(char('0' + value / 10 % 10));
    out.append(char('0' + value % 10));
}

unsigned char extensionText(unsigned char code)
{
    for (const ExtensionChar &e : kExtension) {
        if (e.code == code)
            return e.text;
    }
    return 0;
}

// GSM codes to text, appended to out.
void appendGsmText(QByteArray &out, const unsigned char *codes, qsizetype count)
{
    const qsizetype start = out.size();
    out.resize(start + count);
    char *p = out.data() + start;
    for (qsizetype i = 0; i < count; ++i) {
        unsigned char code = codes[i];
        if (code == kEscape && i + 1 < count) {
            code = codes[++i];
            if (const unsigned char text = extensionText(code)) {
                *p++ = char(text);
                continue;
            }
        }
        *p++ = char(code < 0x80 ? kGsmToText[code] : code);
    }
    out.truncate(p - out.constData());
}

// GSM letters that Windows-1250 lacks (the table above has '?' for them),
// for texts that stay Unicode.
char16_t gsmOnlyLetter(unsigned char code)
{
    switch (code) {
    case 0x10: return u'\u0394'; // Δ
    case 0x12: return u'\u03A6'; // Φ
    case 0x13: return u'\u0393'; // Γ
    case 0x14: return u'\u039B'; // Λ
    case 0x15: return u'\u03A9'; // Ω
    case 0x16: return u'\u03A0'; // Π
    case 0x17: return u'\u03A8'; // Ψ
    case 0x18: return u'\u03A3'; // Σ
    case 0x19: return u'\u0398'; // Θ
    case 0x1A: return u'\u039E'; // Ξ
    case 0x1C: return u'\u00C6'; // Æ
    case 0x1D: return u'\u00E6'; // æ
    default: return 0;
    }
}

// GSM codes to Unicode text: the same characters and look-alikes as
// appendGsmText, and the letters the code page lacks as themselves.
QString gsmToUnicode(const unsigned char *codes, qsizetype count)
{
    QByteArray bytes;
    appendGsmText(bytes, codes, count);
    QString text = Cp1250::toUnicode(bytes);
    // appendGsmText writes one byte per character (an escape pair is one),
    // so the positions of the two texts match.
    qsizetype at = 0;
    for (qsizetype i = 0; i < count; ++i, ++at) {
        if (codes[i] == kEscape && i + 1 < count) {
            ++i;
            if (extensionText(codes[i]))
                continue;
        }
        if (const char16_t letter = codes[i] < 0x80 ? gsmOnlyLetter(codes[i]) : 0)
            text[at] = QChar(letter);
    }
    return text;
}

// A UCS-2 code unit stream (big-endian octets) to text. Surrogate pairs are
// kept (UTF-16 holds them as they are); a lone surrogate becomes U+FFFD.
QString ucs2ToUnicode(const unsigned char *octets, qsizetype units)
{
    QString text;
    text.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t unit = char16_t(octets[2 * i] << 8 | octets[2 * i + 1]);
        if (QChar::isHighSurrogate(unit) && i + 1 < units) {
            const char16_t low = char16_t(octets[2 * i + 2] << 8 | octets[2 * i + 3]);
            if (QChar::isLowSurrogate(low)) {
                text.append(QChar(unit));
                text.append(QChar(low));
                ++i;
                continue;
            }
        }
        text.append(QChar::isSurrogate(unit) ? QChar(QChar::ReplacementCharacter) : QChar(unit));
    }
    return text;
}

// Septet k of a packed 7-bit stream (bits 7k to 7k+6, least significant first).
// The caller guarantees that the septet lies inside the octets.
unsigned char septetAt(const unsigned char *octets, qsizetype octetCount, qsizetype k)
{
    const qsizetype bit = 7 * k;
    const qsizetype j = bit / 8;
    const int shift = int(bit % 8);
    unsigned value = octets[j] >> shift;
    if (shift > 1 && j + 1 < octetCount)
        value |= unsigned(octets[j + 1]) << (8 - shift);
    return static_cast<unsigned char>(value & 0x7F);
}

// Unpacks septets [first, first + count) into codes. The caller keeps
// first + count within floor(octetCount * 8 / 7).
void unpackSeptets(unsigned char *codes, const unsigned char *octets, qsizetype octetCount,
                   qsizetype first, qsizetype count)
{
    for (qsizetype k = 0; k < count; ++k)
        codes[k] = septetAt(octets, octetCount, first + k);
}

// Reads octets from a line of hex digits, refusing to go past its end.
class HexReader
{
public:
    HexReader(const char *begin, const char *end) : m_pos(begin), m_end(end) {}

    // False when fewer than two characters remain or either is not a hex digit.
    bool octet(int &value)
    {
        if (m_end - m_pos < 2)
            return false;
        const int hi = hexValue(m_pos[0]);
        const int lo = hexValue(m_pos[1]);
        if (hi < 0 || lo < 0)
            return false;
        value = hi << 4 | lo;
        m_pos += 2;
        return true;
    }

    bool skip(qsizetype octets)
    {
        int unused;
        for (qsizetype i = 0; i < octets; ++i) {
            if (!octet(unused))
                return false;
        }
        return true;
    }

    // Whole octets left, whether or not they are well formed.
    qsizetype octetsLeft() const { return (m_end - m_pos) / 2; }
    // A single digit is all that is left.
    bool halfOctetLeft() const { return (m_end - m_pos) % 2 != 0; }

private:
    const char *m_pos;
    const char *m_end;
};

enum class Alphabet { Gsm7, EightBit, Ucs2, Compressed };

// TS 23.038, chapter 4.
Alphabet alphabetOf(int dcs)
{
    switch (dcs >> 4) {
    case 0x0: case 0x1: case 0x2: case 0x3: // general data coding
    case 0x4: case 0x5: case 0x6: case 0x7: // the same, marked for automatic deletion
        if (dcs & 0x20)
            return Alphabet::Compressed;
        switch ((dcs >> 2) & 3) {
        case 1: return Alphabet::EightBit;
        case 2: return Alphabet::Ucs2;
        default: return Alphabet::Gsm7; // 3 is reserved: read as the default alphabet
        }
    case 0xE: // message waiting indication, store, UCS-2
        return Alphabet::Ucs2;
    case 0xF: // data coding / message class
        return (dcs & 0x04) ? Alphabet::EightBit : Alphabet::Gsm7;
    default: // reserved groups and message waiting with the default alphabet
        return Alphabet::Gsm7;
    }
}

QByteArray localTimeText(const QDateTime &t)
{
    const QDate d = t.date();
    const QTime h = t.time();
    QByteArray out;
    out.reserve(19);
    appendTwoDigits(out, d.day());
    out.append('.');
    appendTwoDigits(out, d.month());
    out.append('.');
    const int year = d.year();
    appendTwoDigits(out, year / 100);
    appendTwoDigits(out, year % 100);
    out.append(' ');
    appendTwoDigits(out, h.hour());
    out.append(':');
    appendTwoDigits(out, h.minute());
    out.append(':');
    appendTwoDigits(out, h.second());
    return out;
}

// Reads an address field: length in digits, type, digits. An alphanumeric
// address (type of number 101) holds packed GSM text instead of digits.
bool readAddress(HexReader &in, QByteArray &number, int &type)
{
    int digits;
    if (!in.octet(digits) || !in.octet(type) || digits > kMaxAddressDigits)
        return false;
    const int octetCount = (digits + 1) / 2;
    unsigned char octets[kMaxAddressDigits / 2];
    for (int i = 0; i < octetCount; ++i) {
        int v;
        if (!in.octet(v))
            return false;
        octets[i] = static_cast<unsigned char>(v);
    }
    if ((type & 0x70) == 0x50) {
        const int septets = digits * 4 / 7;
        unsigned char codes[kMaxAddressDigits];
        unpackSeptets(codes, octets, octetCount, 0, septets);
        number.reserve(septets);
        appendGsmText(number, codes, septets);
        return true;
    }
    number.reserve(digits);
    for (int i = 0; i < digits; ++i) {
        const unsigned char o = octets[i / 2];
        number.append(kHexDigits[(i % 2) ? (o >> 4) : (o & 0xF)]);
    }
    return true;
}

// Finds the concatenation element (00: 8-bit reference, 08: 16-bit) among
// the information elements of a user-data header. A part number outside
// 1..total leaves the message standing alone.
void readConcatenation(const unsigned char *ie, qsizetype size, DecodedPdu &r)
{
    qsizetype i = 0;
    while (i + 2 <= size) {
        const int id = ie[i];
        const qsizetype length = ie[i + 1];
        const unsigned char *value = ie + i + 2;
        if (i + 2 + length > size)
            return;
        int reference = -1, total = 0, part = 0;
        if (id == 0x00 && length == 3) {
            reference = value[0];
            total = value[1];
            part = value[2];
        } else if (id == 0x08 && length == 4) {
            reference = value[0] << 8 | value[1];
            total = value[2];
            part = value[3];
        }
        if (reference >= 0 && part >= 1 && part <= total) {
            r.concatReference = reference;
            r.concatTotal = total;
            r.concatPart = part;
        }
        i += 2 + length;
    }
}

} // namespace

DecodedPdu PduToText(const QByteArray &line, const Clock &clock)
{
    DecodedPdu r;
    const auto fail = [&r] {
        r.text = QString::fromLatin1(kErrorPduText);
        return r;
    };

    const char *begin = line.constData();
    const char *end = begin + line.size();
    while (begin < end && (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
        --end;
    HexReader in(begin, end);

    int scaLength, firstOctet;
    if (!in.octet(scaLength) || !in.skip(scaLength) || !in.octet(firstOctet))
        return fail();
    r.kind = (firstOctet & 0x01) ? DecodedPdu::StoredOutgoing : DecodedPdu::Received;
    if (r.kind == DecodedPdu::StoredOutgoing && !in.skip(1)) // message reference
        return fail();

    QByteArray number;
    int numberType = -1;
    if (!readAddress(in, number, numberType))
        return fail();
    r.number = number;
    r.numberType = numberType;

    int dcs;
    if (!in.skip(1) || !in.octet(dcs)) // protocol identifier, data coding scheme
        return fail();

    if (r.kind == DecodedPdu::Received) {
        int ts[7];
        for (int &v : ts) {
            if (!in.octet(v))
                return fail();
        }
        // Each octet's digits swapped; year, month, day, hour, minute, second, zone.
        char digits[7][2];
        for (int i = 0; i < 7; ++i) {
            digits[i][0] = kHexDigits[ts[i] & 0xF];
            digits[i][1] = kHexDigits[ts[i] >> 4];
        }
        QByteArray time;
        time.reserve(22);
        time.append(digits[2], 2).append('.').append(digits[1], 2).append(".20").append(digits[0], 2)
            .append(' ').append(digits[3], 2).append(':').append(digits[4], 2).append(':')
            .append(digits[5], 2).append('.').append(digits[6], 2);
        r.time = time;
    } else {
        static constexpr int kValidityOctets[4] = {0, 7, 1, 7}; // none, enhanced, relative, absolute
        if (!in.skip(kValidityOctets[(firstOctet >> 3) & 3]))
            return fail();
        r.time = localTimeText(clock.now());
    }

    int udl;
    if (!in.octet(udl))
        return fail();
    const Alphabet alphabet = alphabetOf(dcs);
    if (alphabet == Alphabet::Compressed)
        return fail();

    // The user data proper: as many octets as the length says. A line that
    // ends before them is a cut message, not a shorter one; a broken digit
    // inside them fails the message too.
    const qsizetype wanted = alphabet == Alphabet::Gsm7 ? (qsizetype(udl) * 7 + 7) / 8 : udl;
    const qsizetype present = qMin(wanted, in.octetsLeft());
    if (present < wanted) {
        r.incomplete = true;
        return fail();
    }
    unsigned char ud[255];
    for (qsizetype i = 0; i < present; ++i) {
        int v;
        if (!in.octet(v))
            return fail();
        ud[i] = static_cast<unsigned char>(v);
    }

    qsizetype headerOctets = 0;
    if (firstOctet & 0x40) {
        if (present < 1 || 1 + qsizetype(ud[0]) > present)
            return fail();
        headerOctets = 1 + ud[0];
        readConcatenation(ud + 1, headerOctets - 1, r);
    }

    QString text;
    switch (alphabet) {
    case Alphabet::Gsm7: {
        // The text starts at the first septet boundary after the header.
        const qsizetype first = (headerOctets * 8 + 6) / 7;
        const qsizetype last = qMin<qsizetype>(udl, present * 8 / 7);
        const qsizetype count = qMax<qsizetype>(0, last - first);
        unsigned char codes[255];
        unpackSeptets(codes, ud, present, first, count);
        text = gsmToUnicode(codes, count);
        break;
    }
    case Alphabet::EightBit:
        // 8-bit data has no character set of its own: shown as the
        // program's code page.
        text = Cp1250::toUnicode(
            QByteArray(reinterpret_cast<const char *>(ud) + headerOctets, present - headerOctets));
        break;
    case Alphabet::Ucs2:
        text = ucs2ToUnicode(ud + headerOctets, (present - headerOctets) / 2);
        break;
    case Alphabet::Compressed:
        break;
    }
    r.text = text;
    r.ok = true;
    return r;
}

bool DecodedPdu::isInternational() const
{
    if (numberType < 0 || (numberType & 0x70) != 0x10 || number.isEmpty())
        return false;
    for (const char c : number) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

QByteArray DecodedPdu::numberWithPlus() const
{
    return isInternational() ? '+' + number : number;
}

namespace {

// Septets a character takes in the GSM alphabet (2 for an escaped one), or 0
// when the alphabet lacks it.
int septetsOf(char c)
{
    const std::uint16_t gsm = kTextToGsm[static_cast<unsigned char>(c)];
    return gsm == kNoGsm ? 0 : gsm > 0xFF ? 2 : 1;
}

// Where each part of a concatenated message starts in the text (and the end
// of the text last). A part takes characters while they fit its units, so an
// escaped GSM character is never split over two parts.
QList<qsizetype> partBounds(const QByteArray &text, bool ucs2, int partLimit)
{
    QList<qsizetype> bounds{0};
    int used = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int units = ucs2 ? 1 : septetsOf(text[i]);
        if (used + units > partLimit) {
            bounds.append(i);
            used = 0;
        }
        used += units;
    }
    bounds.append(text.size());
    return bounds;
}

// The length of the user-data header of a concatenated part:
// UDHL 05, element 00 (8-bit reference) of length 03: reference, total, part.
constexpr int kConcatHeaderOctets = 6;

// One SMS-SUBMIT line. The caller has checked number, text and validity.
EncodedPdu encodeSubmit(const QByteArray &number, const QByteArray &text, bool ucs2,
                        unsigned validityOctet, bool statusReport, const QByteArray &header)
{
    int septets = 0;
    if (!ucs2) {
        for (const char c : text)
            septets += septetsOf(c);
    }
    QByteArray pdu;
    pdu.reserve(30 + 2 * 140);
    pdu.append("00");                          // service centre: the handset's own
    unsigned firstOctet = 0x11;                // SMS-SUBMIT, relative validity period
    if (statusReport)
        firstOctet |= 0x20;
    if (!header.isEmpty())
        firstOctet |= 0x40;                    // user-data header present
    appendHex(pdu, firstOctet);
    pdu.append("00");                          // message reference
    appendHex(pdu, unsigned(number.size()));   // destination length in digits
    pdu.append("91");                          // international
    for (qsizetype i = 0; i < number.size(); i += 2) {
        pdu.append(i + 1 < number.size() ? number[i + 1] : 'F');
        pdu.append(number[i]);
    }
    pdu.append("00");                          // protocol identifier
    pdu.append(ucs2 ? "09" : "00");
    appendHex(pdu, validityOctet);

    const qsizetype headerOctets = header.size();
    // 7-bit: the text starts at the first septet boundary after the header.
    const int headerSeptets = int((headerOctets * 8 + 6) / 7);
    const qsizetype udOctets = ucs2 ? headerOctets + 2 * text.size()
                                    : (qsizetype(headerSeptets + septets) * 7 + 7) / 8;
    appendHex(pdu, unsigned(ucs2 ? udOctets : headerSeptets + septets));
    const qsizetype headerDigits = pdu.size();
    pdu.resize(headerDigits + 2 * udOctets);
    char *out = pdu.data() + headerDigits;
    const auto putOctet = [&out](unsigned value) {
        *out++ = kHexDigits[(value >> 4) & 0xF];
        *out++ = kHexDigits[value & 0xF];
    };
    for (const char h : header)
        putOctet(static_cast<unsigned char>(h));
    if (ucs2) {
        for (const char c : text) {
            const char16_t unit = Cp1250::toUnicode(static_cast<unsigned char>(c));
            putOctet(unit >> 8);
            putOctet(unit & 0xFF);
        }
    } else {
        // Septet k fills bits 7k to 7k+6 of the stream, least significant first;
        // after a header, zero fill bits bring the text to a septet boundary.
        unsigned acc = 0;
        int bits = int(headerSeptets * 7 - headerOctets * 8);
        const auto put = [&](unsigned septet) {
            acc |= septet << bits;
            bits += 7;
            while (bits >= 8) {
                putOctet(acc & 0xFF);
                acc >>= 8;
                bits -= 8;
            }
        };
        for (const char c : text) {
            const std::uint16_t gsm = kTextToGsm[static_cast<unsigned char>(c)];
            if (gsm > 0xFF)
                put(kEscape);
            put(gsm & 0x7F);
        }
        if (bits > 0)
            putOctet(acc & 0xFF);
    }
    Q_ASSERT(out == pdu.constData() + pdu.size());

    EncodedPdu r;
    r.pdu = pdu;
    r.length = QByteArray::number(pdu.size() / 2 - 1);
    return r;
}

// Checks what TextToPdu and TextToPduParts share; NoError when all is well.
EncodedPdu::Error checkSubmit(const QByteArray &number, const QByteArray &text,
                              const QByteArray &validity, QString &why)
{
    if (number.isEmpty() || number.size() > kMaxAddressDigits) {
        why = QStringLiteral("The number must have 1 to %1 digits.").arg(kMaxAddressDigits);
        return EncodedPdu::InvalidNumber;
    }
    for (const char c : number) {
        if (c < '0' || c > '9') {
            why = QStringLiteral("The number may contain only the digits 0 to 9.");
            return EncodedPdu::InvalidNumber;
        }
    }
    if (text.isEmpty()) {
        why = QStringLiteral("The message text is empty.");
        return EncodedPdu::EmptyText;
    }
    if (validity.size() != 2 || hexValue(validity[0]) < 0 || hexValue(validity[1]) < 0) {
        why = QStringLiteral("The validity period must be two hex digits.");
        return EncodedPdu::InvalidValidity;
    }
    return EncodedPdu::NoError;
}

unsigned validityOctetOf(const QByteArray &validity)
{
    return unsigned(hexValue(validity[0]) << 4 | hexValue(validity[1]));
}

} // namespace

int SmsTextSize::maxUnits() const
{
    return parts <= 1 ? limit : partLimit * kMaxSmsParts;
}

SmsTextSize MeasureSmsText(const QByteArray &text)
{
    SmsTextSize size;
    int septets = 0;
    for (const char c : text) {
        const int n = septetsOf(c);
        if (n == 0) {
            size.ucs2 = true;
            break;
        }
        septets += n;
    }
    size.units = size.ucs2 ? int(text.size()) : septets;
    size.limit = size.ucs2 ? kMaxUcs2Chars : kMaxSeptets;
    size.partLimit = size.ucs2 ? kMaxUcs2PartChars : kMaxPartSeptets;
    if (size.units > size.limit)
        size.parts = int(partBounds(text, size.ucs2, size.partLimit).size() - 1);
    return size;
}

EncodedPdu TextToPdu(const QByteArray &number, const QByteArray &text,
                     const QByteArray &validity, bool statusReport)
{
    EncodedPdu r;
    r.error = checkSubmit(number, text, validity, r.errorText);
    if (!r.ok())
        return r;
    const SmsTextSize size = MeasureSmsText(text);
    if (size.units > size.limit) {
        r.error = EncodedPdu::TextTooLong;
        r.errorText = size.ucs2
            ? QStringLiteral("The text has %1 characters; a UCS-2 message holds at most %2.")
                  .arg(size.units).arg(size.limit)
            : QStringLiteral("The text needs %1 septets; a 7-bit message holds at most %2.")
                  .arg(size.units).arg(size.limit);
        return r;
    }
    return encodeSubmit(number, text, size.ucs2, validityOctetOf(validity), statusReport, {});
}

EncodedMessage TextToPduParts(const QByteArray &number, const QByteArray &text,
                              const QByteArray &validity, bool statusReport, int reference)
{
    EncodedMessage m;
    m.error = checkSubmit(number, text, validity, m.errorText);
    if (!m.ok())
        return m;
    const SmsTextSize size = MeasureSmsText(text);
    if (!size.fits()) {
        m.error = EncodedPdu::TextTooLong;
        m.errorText = size.ucs2
            ? QStringLiteral("The text has %1 characters; %2 messages hold at most %3.")
                  .arg(size.units).arg(kMaxSmsParts).arg(size.maxUnits())
            : QStringLiteral("The text needs %1 septets; %2 messages hold at most %3.")
                  .arg(size.units).arg(kMaxSmsParts).arg(size.maxUnits());
        return m;
    }
    const unsigned vp = validityOctetOf(validity);
    if (size.parts == 1) {
        m.parts.append(encodeSubmit(number, text, size.ucs2, vp, statusReport, {}));
        return m;
    }
    const QList<qsizetype> bounds = partBounds(text, size.ucs2, size.partLimit);
    const int total = int(bounds.size() - 1);
    for (int p = 0; p < total; ++p) {
        QByteArray header;
        header.append(char(kConcatHeaderOctets - 1)); // UDHL
        header.append(char(0x00));                    // concatenated message, 8-bit reference
        header.append(char(0x03));
        header.append(char(reference & 0xFF));
        header.append(char(total));
        header.append(char(p + 1));
        m.parts.append(encodeSubmit(number, text.mid(bounds[p], bounds[p + 1] - bounds[p]),
                                    size.ucs2, vp, statusReport, header));
    }
    return m;
}

QByteArray TextToUcs2Hex(const QByteArray &text)
{
    QByteArray hex;
    hex.reserve(4 * text.size());
    for (const char c : text) {
        const char16_t unit = Cp1250::toUnicode(static_cast<unsigned char>(c));
        appendHex(hex, unit >> 8);
        appendHex(hex, unit & 0xFF);
    }
    return hex;
}

QByteArray Ucs2HexToText(const QByteArray &hex)
{
    // Code units first (-1 for a group with a character that is not a hex digit),
    // so that surrogate pairs can be seen as one character.
    const qsizetype groups = (hex.size() + 3) / 4;
    QByteArray text;
    text.reserve(groups);
    int pendingHigh = 0; // a high surrogate waiting for its partner
    for (qsizetype g = 0; g < groups; ++g) {
        int unit = 0;
        const qsizetype from = 4 * g;
        const qsizetype to = qMin(from + 4, hex.size());
        for (qsizetype i = from; i < to && unit >= 0; ++i) {
            const int v = hexValue(hex[i]);
            unit = v < 0 ? -1 : (unit << 4 | v);
        }
        if (pendingHigh && unit >= 0 && QChar::isLowSurrogate(char32_t(unit))) {
            pendingHigh = 0;
            continue; // the pair's '?' is already written
        }
        pendingHigh = 0;
        if (unit < 0) {
            text.append('?');
        } else if (QChar::isSurrogate(char32_t(unit))) {
            text.append('?');
            pendingHigh = QChar::isHighSurrogate(char32_t(unit));
        } else {
            text.append(Cp1250::fromUnicode(char32_t(unit)));
        }
    }
    return text;
}

QByteArray GsmToText(const QByteArray &codes)
{
    QByteArray text;
    text.reserve(codes.size());
    appendGsmText(text, reinterpret_cast<const unsigned char *>(codes.constData()), codes.size());
    return text;
}
