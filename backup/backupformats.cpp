#include "backupformats.h"

#include <QCryptographicHash>

#include <cctype>

namespace {

// ---- vCard -----------------------------------------------------------------

QString escapeValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u',': out += QLatin1String("\\,"); break;
        case u';': out += QLatin1String("\\;"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': break;
        default: out += c;
        }
    }
    return out;
}

QString unescapeValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        out += (n == u'n' || n == u'N') ? QChar(u'\n') : n;
    }
    return out;
}

// Folds one content line at 75 octets without cutting a UTF-8 sequence.
QByteArray foldLine(const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    QByteArray out;
    qsizetype start = 0;
    int limit = 75;
    while (utf8.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (quint8(utf8.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += utf8.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = 74;  // the leading blank of a continuation counts
    }
    out += utf8.mid(start) + "\r\n";
    return out;
}

// Splits "NAME;PARAM=x:value" into upper-case name (without parameters) and value.
bool splitProperty(const QString &line, QString &name, QString &value)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon <= 0)
        return false;
    name = line.left(colon).section(u';', 0, 0).trimmed().toUpper();
    // A group prefix ("item1.TEL") is not part of the name.
    name = name.section(u'.', -1);
    value = line.mid(colon + 1);
    return true;
}

// ---- PDU -------------------------------------------------------------------

// The GSM 7-bit default alphabet (3GPP TS 23.038 6.2.1) and its extension table.
const char16_t GsmDefault[128] = {
    u'@', 0x00A3, u'$', 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC, 0x00F2, 0x00C7, u'\n', 0x00D8, 0x00F8, u'\r', 0x00C5, 0x00E5,
    0x0394, u'_', 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8, 0x03A3, 0x0398, 0x039E, 0x00A0, 0x00C6, 0x00E6, 0x00DF, 0x00C9,
    u' ', u'!', u'"', u'#', 0x00A4, u'%', u'&', u'\'', u'(', u')', u'*', u'+', u',', u'-', u'.', u'/',
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',
    0x00A1, u'A', u'B', u'C', u'D', u'E', u'F', u'G', u'H', u'I', u'J', u'K', u'L', u'M', u'N', u'O',
    u'P', u'Q', u'R', u'S', u'T', u'U', u'V', u'W', u'X', u'Y', u'Z', 0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7,
    0x00BF, u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h', u'i', u'j', u'k', u'l', u'm', u'n', u'o',
    u'p', u'q', u'r', u's', u't', u'u', u'v', u'w', u'x', u'y', u'z', 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0,
};

char16_t gsmExtension(quint8 code)
{
    switch (code) {
    case 0x0A: return u'\f';
    case 0x14: return u'^';
    case 0x28: return u'{';
    case 0x29: return u'}';
    case 0x2F: return u'\\';
    case 0x3C: return u'[';
    case 0x3D: return u'~';
    case 0x3E: return u']';
    case 0x40: return u'|';
    case 0x65: return 0x20AC;
    default: return GsmDefault[code & 0x7F];  // an unknown escape shows the code's own character
    }
}

// Septets `skip` .. `skip + count` of packed 7-bit data.
QList<quint8> unpackSeptets(const QByteArray &octets, int count, int skip)
{
    QList<quint8> out;
    for (int i = skip; i < skip + count; ++i) {
        const int bit = i * 7;
        const int byte = bit / 8;
        const int shift = bit % 8;
        if (byte >= octets.size())
            break;
        int v = quint8(octets.at(byte)) >> shift;
        if (shift > 1 && byte + 1 < octets.size())
            v |= quint8(octets.at(byte + 1)) << (8 - shift);
        out.append(quint8(v & 0x7F));
    }
    return out;
}

QString gsmText(const QList<quint8> &septets)
{
    QString out;
    for (qsizetype i = 0; i < septets.size(); ++i) {
        if (septets[i] == 0x1B) {
            if (i + 1 < septets.size())
                out += QChar(gsmExtension(septets[++i]));
            else
                out += u' ';
            continue;
        }
        out += QChar(GsmDefault[septets[i]]);
    }
    return out;
}

struct Reader
{
    QByteArray octets;
    int at = 0;
    bool ok = true;

    int byte()
    {
        if (at >= octets.size()) {
            ok = false;
            return 0;
        }
        return quint8(octets.at(at++));
    }
    QByteArray take(int n)
    {
        if (n < 0 || at + n > octets.size()) {
            ok = false;
            at = int(octets.size());
            return {};
        }
        const QByteArray out = octets.mid(at, n);
        at += n;
        return out;
    }
};

QString bcdDigits(const QByteArray &octets, int digits)
{
    static const char map[] = "0123456789*#abc";
    QString out;
    for (int i = 0; i < digits && i / 2 < octets.size(); ++i) {
        const int v = (quint8(octets.at(i / 2)) >> (i % 2 ? 4 : 0)) & 0x0F;
        if (v == 0x0F)
            break;
        out += QLatin1Char(map[v]);
    }
    return out;
}

// An address field: digits count, type, value.
QString address(Reader &r)
{
    const int digits = r.byte();
    const int type = r.byte();
    const QByteArray value = r.take((digits + 1) / 2);
    if ((type & 0x70) == 0x50)  // alphanumeric, GSM 7-bit packed
        return gsmText(unpackSeptets(value, digits * 4 / 7, 0));
    const QString number = bcdDigits(value, digits);
    return (type & 0x70) == 0x10 ? QLatin1Char('+') + number : number;
}

QString timestamp(const QByteArray &scts)
{
    QString out;
    for (int i = 0; i < 6 && i < scts.size(); ++i) {
        const quint8 b = quint8(scts.at(i));
        out += QLatin1Char(char('0' + (b & 0x0F) % 10));
        out += QLatin1Char(char('0' + (b >> 4) % 10));
        if (i == 0)
            out = QLatin1String("20") + out;
        if (i == 2)
            out += u'T';
    }
    return out;
}

QString ucs2Hex(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return out;
}

} // namespace

// ---- vCard -----------------------------------------------------------------

QByteArray ContactsToVCard(const QList<BackupContact> &contacts)
{
    QByteArray out;
    for (const BackupContact &c : contacts) {
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        const QString name = escapeValue(c.name);
        out += foldLine(QStringLiteral("FN:") + name);
        out += foldLine(QStringLiteral("N:") + name + QStringLiteral(";;;;"));
        out += foldLine(QStringLiteral("TEL;TYPE=CELL:") + escapeValue(c.number));
        if (c.vip)
            out += "CATEGORIES:VIP\r\n";
        out += foldLine(QStringLiteral("X-TORVANE-MEMORY:") + escapeValue(c.memory));
        out += "X-TORVANE-LOCATION:" + QByteArray::number(c.location) + "\r\n";
        out += "END:VCARD\r\n";
    }
    return out;
}

QList<BackupContact> ParseVCardContacts(const QByteArray &text, const QString &memory, int *skipped)
{
    // Unfold first: a line starting with a blank or tab continues the last.
    QStringList lines;
    for (QByteArray raw : text.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (!raw.isEmpty() && (raw.at(0) == ' ' || raw.at(0) == '\t') && !lines.isEmpty()) {
            // Joined as bytes would be right for a character cut in two;
            // the writer never does that, so the text is joined as text.
            lines.last() += QString::fromUtf8(raw.mid(1));
            continue;
        }
        lines.append(QString::fromUtf8(raw));
    }
    QList<BackupContact> out;
    int left = 0;
    bool inCard = false;
    BackupContact card;
    bool hasLocation = false;
    bool hasFn = false;
    QString nName;
    for (const QString &line : lines) {
        QString name, value;
        if (!splitProperty(line, name, value))
            continue;
        if (name == QLatin1String("BEGIN") && value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            inCard = true;
            card = BackupContact{memory, 0, {}, {}, false};
            hasLocation = hasFn = false;
            nName.clear();
            continue;
        }
        if (!inCard)
            continue;
        if (name == QLatin1String("END")) {
            inCard = false;
            if (!hasFn)
                card.name = nName;
            if (hasLocation)
                out.append(card);
            else
                ++left;
        } else if (name == QLatin1String("FN")) {
            card.name = unescapeValue(value);
            hasFn = true;
        } else if (name == QLatin1String("N")) {
            nName = unescapeValue(value.section(u';', 0, 0));
        } else if (name == QLatin1String("TEL") && card.number.isEmpty()) {
            card.number = unescapeValue(value).trimmed();
        } else if (name == QLatin1String("CATEGORIES")) {
            for (const QString &category : value.split(u','))
                if (category.trimmed().compare(QLatin1String("VIP"), Qt::CaseInsensitive) == 0)
                    card.vip = true;
        } else if (name == QLatin1String("X-TORVANE-LOCATION")) {
            bool ok = false;
            const int location = value.trimmed().toInt(&ok);
            hasLocation = ok && location >= 1;
            card.location = location;
        }
    }
    if (skipped)
        *skipped = left;
    return out;
}

// ---- PDU lines -------------------------------------------------------------

QByteArray MessagesToPduFile(const QList<BackupMessage> &messages)
{
    QByteArray out;
    for (const BackupMessage &m : messages)
        out += QByteArray::number(m.location) + ',' + QByteArray::number(m.status) + ',' + m.pdu + "\r\n";
    return out;
}

std::optional<QList<BackupMessage>> ParsePduFile(const QByteArray &text, const QString &memory, QString *error)
{
    QList<BackupMessage> out;
    int number = 0;
    for (QByteArray line : text.split('\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        bool okLocation = false, okStatus = false;
        BackupMessage m{memory, fields.value(0).toInt(&okLocation), fields.value(1).toInt(&okStatus), fields.value(2)};
        bool hex = !m.pdu.isEmpty() && m.pdu.size() % 2 == 0;
        for (char c : m.pdu)
            hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        if (fields.size() != 3 || !okLocation || m.location < 1 || !okStatus || m.status < 0 || m.status > 3 || !hex
            || TpduLength(m.pdu) < 1) {
            if (error)
                *error = QStringLiteral("line %1 is not \"location,status,PDU\"").arg(number);
            return std::nullopt;
        }
        out.append(m);
    }
    return out;
}

int TpduLength(const QByteArray &pdu)
{
    if (pdu.size() < 2 || pdu.size() % 2)
        return -1;
    bool ok = false;
    const int smsc = pdu.left(2).toInt(&ok, 16);
    if (!ok)
        return -1;
    const int length = int(pdu.size() / 2) - 1 - smsc;
    return length > 0 ? length : -1;
}

// ---- gammu's SMS backup format ---------------------------------------------

std::optional<PduFields> DecodePduFields(const QByteArray &pdu)
{
    for (char c : pdu)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    if (pdu.size() % 2)
        return std::nullopt;
    Reader r{QByteArray::fromHex(pdu)};
    PduFields f;
    const int smscLength = r.byte();
    if (smscLength > 0) {
        const int type = r.byte();
        const QString digits = bcdDigits(r.take(smscLength - 1), (smscLength - 1) * 2);
        f.smsc = (type & 0x70) == 0x10 ? QLatin1Char('+') + digits : digits;
    }
    const int first = r.byte();
    const int mti = first & 0x03;
    if (mti == 0) {
        f.type = PduFields::Deliver;
        f.number = address(r);
    } else if (mti == 1) {
        f.type = PduFields::Submit;
        f.reference = r.byte();
        f.number = address(r);
    } else {
        return std::nullopt;
    }
    r.byte();  // protocol identifier
    const int dcs = r.byte();
    if (f.type == PduFields::Deliver) {
        f.time = timestamp(r.take(7));
    } else {
        switch ((first >> 3) & 0x03) {
        case 2: r.take(1); break;
        case 1:
        case 3: r.take(7); break;
        default: break;
        }
    }
    const int udl = r.byte();
    if (!r.ok)
        return std::nullopt;

    int alphabet = 0;  // 0 GSM 7-bit, 1 8-bit, 2 UCS-2
    if ((dcs & 0xC0) == 0x00 || (dcs & 0xC0) == 0x40) {
        alphabet = (dcs >> 2) & 0x03;
        if (dcs & 0x10)
            f.messageClass = dcs & 0x03;
        if (alphabet == 3)
            alphabet = 0;  // reserved: read as the default alphabet
    } else if ((dcs & 0xF0) == 0xF0) {
        alphabet = (dcs & 0x04) ? 1 : 0;
        f.messageClass = dcs & 0x03;
    } else if ((dcs & 0xF0) == 0xE0) {
        alphabet = 2;
    }
    f.coding = alphabet == 2 ? PduFields::Unicode : alphabet == 1 ? PduFields::EightBit : PduFields::Default;

    const QByteArray ud = r.octets.mid(r.at);
    int headerOctets = 0;
    if ((first & 0x40) && !ud.isEmpty()) {
        headerOctets = quint8(ud.at(0)) + 1;
        if (headerOctets > ud.size())
            return std::nullopt;
        f.udh = ud.left(headerOctets).toHex().toUpper();
    }
    if (alphabet == 0) {
        const int skip = (headerOctets * 8 + 6) / 7;
        if (udl < skip || (udl * 7 + 7) / 8 > ud.size())
            return std::nullopt;
        const QList<quint8> septets = unpackSeptets(ud, udl - skip, skip);
        f.text = gsmText(septets);
        f.length = int(f.text.size());
    } else {
        if (udl < headerOctets || udl > ud.size())
            return std::nullopt;
        const QByteArray body = ud.mid(headerOctets, udl - headerOctets);
        if (alphabet == 2) {
            for (qsizetype i = 0; i + 1 < body.size(); i += 2)
                f.text += QChar(char16_t((quint8(body.at(i)) << 8) | quint8(body.at(i + 1))));
            f.length = int(f.text.size());
        } else {
            f.data = body;
            f.length = int(body.size());
        }
    }
    return f;
}

QByteArray MessagesToSmsBackup(const QList<BackupMessage> &messages, int *skipped)
{
    static const char *const states[] = {"UnRead", "Read", "UnSent", "Sent"};
    QByteArray out;
    int section = 0;
    int left = 0;
    for (const BackupMessage &m : messages) {
        const auto f = DecodePduFields(m.pdu);
        if (!f) {
            ++left;
            continue;
        }
        out += QStringLiteral("[SMSBackup%1]\r\n").arg(section++, 3, 10, QLatin1Char('0')).toUtf8();
        // The decoded text as a comment, one line per line of text.
        if (f->coding != PduFields::EightBit)
            for (const QString &line : QString(f->text).replace(u'\r', u'\n').split(u'\n'))
                out += "; " + line.toUtf8() + "\r\n";
        auto quoted = [](const QString &t) {
            // The Unicode twin carries the exact value; the plain one must stay one quoted token.
            QString v = t;
            v.replace(u'"', u'\'');
            return "\"" + v.toUtf8() + "\"";
        };
        if (!f->smsc.isEmpty()) {
            out += "SMSC = " + quoted(f->smsc) + "\r\n";
            out += "SMSCUnicode = " + ucs2Hex(f->smsc).toLatin1() + "\r\n";
        }
        if (!f->time.isEmpty()) {
            out += "Sent = " + f->time.toLatin1() + "\r\n";
            out += "DateTime = " + f->time.toLatin1() + "\r\n";
        }
        out += "State = " + QByteArray(states[qBound(0, m.status, 3)]) + "\r\n";
        out += "Number = " + quoted(f->number) + "\r\n";
        out += "NumberUnicode = " + ucs2Hex(f->number).toLatin1() + "\r\n";
        out += "Name = \"\"\r\nNameUnicode = \r\n";
        const QByteArray payload = f->coding == PduFields::EightBit ? f->data.toHex().toUpper()
                                                                    : ucs2Hex(f->text).toLatin1();
        for (qsizetype at = 0, n = 0; at < payload.size() || n == 0; at += 200, ++n)
            out += QStringLiteral("Text%1 = ").arg(n, 2, 10, QLatin1Char('0')).toLatin1() + payload.mid(at, 200) + "\r\n";
        out += QByteArray("Coding = ")
               + (f->coding == PduFields::Unicode ? "Unicode" : f->coding == PduFields::EightBit ? "8bit" : "Default")
               + "\r\n";
        if (!f->udh.isEmpty())
            out += "UDH = " + f->udh + "\r\n";
        out += "Folder = " + QByteArray(f->type == PduFields::Deliver ? "1" : "2") + "\r\n";
        out += "Length = " + QByteArray::number(f->length) + "\r\n";
        out += "Class = " + QByteArray::number(f->messageClass) + "\r\n";
        out += "ReplySMSC = False\r\nRejectDuplicates = False\r\nReplaceMessage = 0\r\n";
        out += "MessageReference = " + QByteArray::number(f->reference) + "\r\n";
        out += QByteArray("PDU = ") + (f->type == PduFields::Deliver ? "Deliver" : "Submit") + "\r\n\r\n";
    }
    if (skipped)
        *skipped = left;
    return out;
}

QByteArray Sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}
