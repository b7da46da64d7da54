#include "obexpacket.h"

namespace Obex {

namespace {

void appendU16(QByteArray &out, int value)
{
    out.append(char((value >> 8) & 0xFF));
    out.append(char(value & 0xFF));
}

void appendU32(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

int u16At(const QByteArray &bytes, qsizetype at)
{
    return (quint8(bytes[at]) << 8) | quint8(bytes[at + 1]);
}

QByteArray connectionHeader(ConnectionId id)
{
    return id ? u32Header(HdrConnectionId, *id) : QByteArray();
}

} // namespace

QByteArray HandsetServiceId()
{
    return QByteArray::fromHex("6B01CB31410611D49A770050DA3F471F");
}

QByteArray FolderBrowsingServiceId()
{
    return QByteArray::fromHex("F9EC7BC4953C11D2984E525400DC9E09");
}

QByteArray nameField(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2 + 2);
    for (const QChar c : text)
        appendU16(out, c.unicode());
    out.append('\0');
    out.append('\0');
    return out;
}

QString nameFromField(const QByteArray &field)
{
    QString out;
    for (qsizetype i = 0; i + 1 < field.size(); i += 2) {
        const char16_t c = char16_t(u16At(field, i));
        if (c == 0)
            break;
        out.append(QChar(c));
    }
    return out;
}

bool IsSendableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QChar(0));
}

QByteArray textHeader(quint8 id, const QString &text)
{
    const QByteArray field = nameField(text);
    QByteArray out;
    out.append(char(id));
    appendU16(out, int(field.size()) + 3);
    return out + field;
}

QByteArray bytesHeader(quint8 id, const QByteArray &bytes)
{
    QByteArray out;
    out.append(char(id));
    appendU16(out, int(bytes.size()) + 3);
    return out + bytes;
}

QByteArray u32Header(quint8 id, quint32 value)
{
    QByteArray out;
    out.append(char(id));
    appendU32(out, value);
    return out;
}

QByteArray packet(quint8 code, const QByteArray &content)
{
    QByteArray out;
    out.append(char(code));
    appendU16(out, int(content.size()) + 3);
    return out + content;
}

QByteArray ConnectRequest(const QByteArray &target)
{
    QByteArray content;
    content.append(char(0x10));  // OBEX 1.0
    content.append(char(0x00));  // flags
    appendU16(content, OurMaxPacket);
    content += bytesHeader(HdrTarget, target);
    return packet(OpConnect, content);
}

QByteArray DisconnectRequest(ConnectionId id)
{
    return packet(OpDisconnect, connectionHeader(id));
}

QByteArray ListingRequest(ConnectionId id)
{
    return packet(OpGetFinal,
                  connectionHeader(id) + bytesHeader(HdrType, QByteArray("x-obex/folder-listing", 22)));
}

QByteArray FileGetRequest(ConnectionId id, const QString &name)
{
    return packet(OpGetFinal, connectionHeader(id) + textHeader(HdrName, name));
}

QByteArray GetContinueRequest(ConnectionId id)
{
    return packet(OpGetFinal, connectionHeader(id));
}

QByteArray SetPathRequest(ConnectionId id, const QString &name, quint8 flags)
{
    QByteArray content;
    content.append(char(flags));
    content.append(char(0x00));  // constants
    content += connectionHeader(id);
    content += textHeader(HdrName, name);
    return packet(OpSetPath, content);
}

QByteArray DeleteRequest(ConnectionId id, const QString &name)
{
    return packet(OpPutFinal, connectionHeader(id) + textHeader(HdrName, name));
}

QList<QByteArray> PutRequests(ConnectionId id, const QString &name, const QByteArray &content,
                              int maxPacket)
{
    QList<QByteArray> out;
    const QByteArray first = connectionHeader(id) + textHeader(HdrName, name)
        + u32Header(HdrLength, quint32(content.size()));
    const QByteArray later = connectionHeader(id);
    qsizetype at = 0;
    do {
        const QByteArray &fixed = out.isEmpty() ? first : later;
        const qsizetype room = qsizetype(maxPacket) - 3 - fixed.size() - 3;
        if (room <= 0 && !(room == 0 && at == content.size()))
            return {};  // the name alone does not fit the handset's packets
        const qsizetype piece = qMin(room, content.size() - at);
        const bool last = at + piece == content.size();
        out.append(packet(last ? OpPutFinal : OpPut,
                          fixed + bytesHeader(last ? HdrEndOfBody : HdrBody, content.mid(at, piece))));
        at += piece;
    } while (at < content.size());
    return out;
}

quint32 Header::number() const
{
    quint32 v = 0;
    for (const char c : value)
        v = (v << 8) | quint8(c);
    return v;
}

const Header *Response::find(quint8 id) const
{
    for (const Header &h : headers)
        if (h.id == id)
            return &h;
    return nullptr;
}

ConnectionId Response::connectionId() const
{
    if (const Header *h = find(HdrConnectionId))
        return h->number();
    return std::nullopt;
}

QByteArray Response::body() const
{
    QByteArray out;
    for (const Header &h : headers)
        if (h.id == HdrBody || h.id == HdrEndOfBody)
            out += h.value;
    return out;
}

bool Response::hasEndOfBody() const
{
    return find(HdrEndOfBody) != nullptr;
}

std::optional<Response> parseResponse(const QByteArray &packet, bool connect)
{
    if (packet.size() < 3 || u16At(packet, 1) != packet.size())
        return std::nullopt;
    Response r;
    r.code = quint8(packet[0]);
    qsizetype at = 3;
    if (connect) {
        if (packet.size() < 7)
            return std::nullopt;
        r.version = quint8(packet[3]);
        r.flags = quint8(packet[4]);
        r.maxPacket = u16At(packet, 5);
        at = 7;
    }
    while (at < packet.size()) {
        Header h;
        h.id = quint8(packet[at]);
        qsizetype size = 0;
        switch (h.id >> 6) {
        case 0:
        case 1:
            if (at + 3 > packet.size())
                return std::nullopt;
            size = u16At(packet, at + 1);
            if (size < 3 || at + size > packet.size())
                return std::nullopt;
            h.value = packet.mid(at + 3, size - 3);
            break;
        case 2:
            size = 2;
            if (at + size > packet.size())
                return std::nullopt;
            h.value = packet.mid(at + 1, 1);
            break;
        default:
            size = 5;
            if (at + size > packet.size())
                return std::nullopt;
            h.value = packet.mid(at + 1, 4);
            break;
        }
        r.headers.append(h);
        at += size;
    }
    return r;
}

QString responseCodeName(quint8 code)
{
    switch (code & 0x7F) {
    case 0x10: return QStringLiteral("Continue");
    case 0x20: return QStringLiteral("Success");
    case 0x40: return QStringLiteral("Bad Request");
    case 0x41: return QStringLiteral("Unauthorized");
    case 0x43: return QStringLiteral("Forbidden");
    case 0x44: return QStringLiteral("Not Found");
    case 0x45: return QStringLiteral("Method Not Allowed");
    case 0x46: return QStringLiteral("Not Acceptable");
    case 0x48: return QStringLiteral("Request Timeout");
    case 0x49: return QStringLiteral("Conflict");
    case 0x4C: return QStringLiteral("Precondition Failed");
    case 0x4D: return QStringLiteral("Request Entity Too Large");
    case 0x4F: return QStringLiteral("Unsupported Media Type");
    case 0x50: return QStringLiteral("Internal Server Error");
    case 0x51: return QStringLiteral("Not Implemented");
    case 0x53: return QStringLiteral("Service Unavailable");
    case 0x60: return QStringLiteral("Database Full");
    case 0x61: return QStringLiteral("Database Locked");
    default: return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    }
}

void ResponseAssembler::feed(const QByteArray &bytes)
{
    m_buffer += bytes;
}

std::optional<QByteArray> ResponseAssembler::take()
{
    if (m_broken)
        return std::nullopt;
    // Line noise before a response (a stray CR LF of the AT side) is skipped.
    qsizetype start = 0;
    while (start < m_buffer.size() && !(quint8(m_buffer[start]) & 0x80))
        ++start;
    if (start > 0)
        m_buffer.remove(0, start);
    if (m_buffer.size() < 3)
        return std::nullopt;
    const int length = u16At(m_buffer, 1);
    if (length < 3) {
        m_broken = true;
        return std::nullopt;
    }
    if (m_buffer.size() < length)
        return std::nullopt;
    QByteArray whole = m_buffer.left(length);
    m_buffer.remove(0, length);
    return whole;
}

void ResponseAssembler::clear()
{
    m_buffer.clear();
    m_broken = false;
}

} // namespace Obex
