#include "phonebooktext.h"

#include <QList>

#include <array>

namespace {

// The GSM 7-bit default alphabet (3GPP TS 23.038), code by code; 0x1B is the
// escape to the extension table.
const std::array<char16_t, 128> GsmBasic = {
    u'@',    u'\u00A3', u'$',    u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
    u'\u00F2', u'\u00C7', u'\n',   u'\u00D8', u'\u00F8', u'\r',   u'\u00C5', u'\u00E5',
    u'\u0394', u'_',    u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8',
    u'\u03A3', u'\u0398', u'\u039E', 0x1B,    u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9',
    u' ',    u'!',    u'"',    u'#',    u'\u00A4', u'%',    u'&',    u'\'',
    u'(',    u')',    u'*',    u'+',    u',',    u'-',    u'.',    u'/',
    u'0',    u'1',    u'2',    u'3',    u'4',    u'5',    u'6',    u'7',
    u'8',    u'9',    u':',    u';',    u'<',    u'=',    u'>',    u'?',
    u'\u00A1', u'A',    u'B',    u'C',    u'D',    u'E',    u'F',    u'G',
    u'H',    u'I',    u'J',    u'K',    u'L',    u'M',    u'N',    u'O',
    u'P',    u'Q',    u'R',    u'S',    u'T',    u'U',    u'V',    u'W',
    u'X',    u'Y',    u'Z',    u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7',
    u'\u00BF', u'a',    u'b',    u'c',    u'd',    u'e',    u'f',    u'g',
    u'h',    u'i',    u'j',    u'k',    u'l',    u'm',    u'n',    u'o',
    u'p',    u'q',    u'r',    u's',    u't',    u'u',    u'v',    u'w',
    u'x',    u'y',    u'z',    u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};

// The extension table: the code after the escape and its character.
const std::pair<char, char16_t> GsmExtension[] = {
    {0x0A, u'\f'}, {0x14, u'^'}, {0x28, u'{'}, {0x29, u'}'}, {0x2F, u'\\'},
    {0x3C, u'['}, {0x3D, u'~'}, {0x3E, u']'}, {0x40, u'|'}, {0x65, u'\u20AC'},
};

constexpr char Escape = 0x1B;

// GSM codes that are line controls on the command line: a name holding them
// would end or change the command.
bool unsafeGsmCode(char code)
{
    return code == '\n' || code == '\r' || code == 0x08 || code == 0x1A || code == '"';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QString decodeIra(const QByteArray &field)
{
    return QString::fromLatin1(field);
}

} // namespace

QByteArray CharsetName(PhonebookCharset charset)
{
    switch (charset) {
    case PhonebookCharset::Ucs2: return "UCS2";
    case PhonebookCharset::Gsm: return "GSM";
    case PhonebookCharset::Ira: break;
    }
    return "IRA";
}

QString DecodeHandsetText(const QByteArray &field, PhonebookCharset charset)
{
    if (charset == PhonebookCharset::Ucs2) {
        if (field.size() % 4 != 0)
            return decodeIra(field);
        QString out;
        for (qsizetype i = 0; i < field.size(); i += 4) {
            int value = 0;
            for (qsizetype k = i; k < i + 4; ++k) {
                const int digit = hexValue(field.at(k));
                if (digit < 0)
                    return decodeIra(field);
                value = value * 16 + digit;
            }
            out += QChar(char16_t(value));
        }
        return out;
    }
    if (charset == PhonebookCharset::Ira)
        return decodeIra(field);
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto code = static_cast<unsigned char>(field.at(i));
        if (code >= 0x80) {
            out += QChar(char16_t(code));  // not GSM: kept as Latin-1
            continue;
        }
        if (code != Escape) {
            out += QChar(GsmBasic[code]);
            continue;
        }
        if (i + 1 >= field.size()) {
            out += QLatin1Char(' ');
            continue;
        }
        const char next = field.at(++i);
        char16_t extended = 0;
        for (const auto &[c, u] : GsmExtension)
            if (c == next)
                extended = u;
        if (extended) {
            out += QChar(extended);
        } else {
            // A code the extension table lacks shows as its basic character.
            const auto basic = static_cast<unsigned char>(next);
            out += basic < 0x80 && next != Escape ? QChar(GsmBasic[basic]) : QLatin1Char(' ');
        }
    }
    return out;
}

std::optional<QByteArray> EncodeHandsetText(const QString &text, PhonebookCharset charset, QString *refused)
{
    QByteArray out;
    QString bad;
    auto refuse = [&bad](QChar c) {
        if (!bad.contains(c))
            bad += c;
    };
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (charset == PhonebookCharset::Ucs2) {
            // Surrogates travel as they are: UCS2 has no room for a
            // character beyond the first plane.
            if (c.isSurrogate() || u < 0x20) {
                refuse(c);
                continue;
            }
            out += QByteArray::number(u, 16).rightJustified(4, '0').toUpper();
            continue;
        }
        if (charset == PhonebookCharset::Ira) {
            if (u < 0x20 || u >= 0x7F || u == '"')
                refuse(c);
            else
                out += char(u);
            continue;
        }
        int code = -1;
        for (int k = 0; k < 128 && code < 0; ++k)
            if (GsmBasic[size_t(k)] == u && k != Escape)
                code = k;
        if (code >= 0) {
            if (unsafeGsmCode(char(code)))
                refuse(c);
            else
                out += char(code);
            continue;
        }
        bool extended = false;
        for (const auto &[ext, ch] : GsmExtension) {
            if (ch == u && u != u'\f') {
                out += Escape;
                out += ext;
                extended = true;
            }
        }
        if (!extended)
            refuse(c);
    }
    if (!bad.isEmpty()) {
        if (refused)
            *refused = bad;
        return std::nullopt;
    }
    return out;
}

bool IsCharsetToken(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > 16)
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return false;
    return true;
}
