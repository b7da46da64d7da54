#pragma once

// OBEX packets as the handset's file-browsing service speaks them over the
// modem port (IrDA OBEX 1.2; the folder-browsing service of OBEX FTP).
//
// A packet is an opcode (request) or response code, a 16-bit big-endian
// length of the whole packet, for CONNECT and SETPATH a few fixed fields,
// then headers. A header's identifier says its form in its two high bits:
//   00  text: 2-byte length (of the whole header), UTF-16BE ending in 00 00
//   01  bytes: 2-byte length, the bytes
//   10  one byte
//   11  four bytes, big-endian
// The serial line gives no framing of its own: a response may arrive in any
// number of pieces, glued to line noise that came before it. ResponseAssembler
// takes the pieces and hands back whole packets by their length field; bytes
// that cannot start a response (a response code has its high bit set) are
// skipped, and a length below 3 is a framing error the caller has to treat as
// a broken link.
//
// No widgets, no port: pure functions over bytes.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace Obex {

// Request opcodes (with the final bit where they are always final).
constexpr quint8 OpConnect = 0x80;
constexpr quint8 OpDisconnect = 0x81;
constexpr quint8 OpPut = 0x02;
constexpr quint8 OpPutFinal = 0x82;
constexpr quint8 OpGetFinal = 0x83;
constexpr quint8 OpSetPath = 0x85;
constexpr quint8 OpAbort = 0xFF;

// Response codes (final bit included).
constexpr quint8 RspContinue = 0x90;
constexpr quint8 RspSuccess = 0xA0;
constexpr quint8 RspNotFound = 0xC4;

// Header identifiers.
constexpr quint8 HdrName = 0x01;
constexpr quint8 HdrType = 0x42;
constexpr quint8 HdrLength = 0xC3;
constexpr quint8 HdrTarget = 0x46;
constexpr quint8 HdrWho = 0x4A;
constexpr quint8 HdrBody = 0x48;
constexpr quint8 HdrEndOfBody = 0x49;
constexpr quint8 HdrConnectionId = 0xCB;

// SETPATH flags: bit 0 goes up one level first, bit 1 forbids creating a
// missing folder.
constexpr quint8 SetPathBackup = 0x01;
constexpr quint8 SetPathDontCreate = 0x02;

// The largest packet we accept; the CONNECT request offers it.
constexpr int OurMaxPacket = 0x4006;
// OBEX's smallest allowed maximum packet length.
constexpr int MinMaxPacket = 255;

// The handset's file-browsing service (Target of CONNECT, Who of its answer).
QByteArray HandsetServiceId();
// The standard folder-browsing service of OBEX FTP.
QByteArray FolderBrowsingServiceId();

// The name field of a Name header: UTF-16BE of the text's characters and
// 00 00; an empty text gives just 00 00.
QByteArray nameField(const QString &text);
// The text of a name field (the final 00 00 and any odd byte dropped).
QString nameFromField(const QByteArray &field);

// A name as the handset listed it, or as the user gave it, goes into a
// request unchanged ("[notes]" is the file [notes]); only a name that no
// Name header can carry (empty, or holding U+0000, which ends the field)
// is refused.
bool IsSendableName(const QString &name);

// Header builders.
QByteArray textHeader(quint8 id, const QString &text);
QByteArray bytesHeader(quint8 id, const QByteArray &bytes);
QByteArray u32Header(quint8 id, quint32 value);

// A packet: code, length, then the fixed fields and headers as given.
QByteArray packet(quint8 code, const QByteArray &content);

using ConnectionId = std::optional<quint32>;

QByteArray ConnectRequest(const QByteArray &target = HandsetServiceId());
QByteArray DisconnectRequest(ConnectionId id);
// GET of the folder listing of the current folder.
QByteArray ListingRequest(ConnectionId id);
// GET of a file of the current folder by name.
QByteArray FileGetRequest(ConnectionId id, const QString &name);
// The next GET of a request answered with Continue.
QByteArray GetContinueRequest(ConnectionId id);
// SETPATH into a child of the current folder (an empty name: the root).
QByteArray SetPathRequest(ConnectionId id, const QString &name, quint8 flags = SetPathDontCreate);
// PUT with a name and no body: deletes the file or empty folder.
QByteArray DeleteRequest(ConnectionId id, const QString &name);

// The PUT packets of a file, each no larger than maxPacket: the first carries
// Name and Length, every one a Body piece, the last (final bit) the
// End-of-Body; a file of 0 bytes is one packet with an empty End-of-Body.
QList<QByteArray> PutRequests(ConnectionId id, const QString &name, const QByteArray &content,
                              int maxPacket);

struct Header
{
    quint8 id = 0;
    QByteArray value;  // text headers: the raw UTF-16BE field; 1- and 4-byte headers: big-endian bytes
    quint32 number() const;
};

// One response packet, read.
struct Response
{
    quint8 code = 0;
    // CONNECT responses only: version, flags and the peer's maximum packet length.
    quint8 version = 0;
    quint8 flags = 0;
    int maxPacket = 0;
    QList<Header> headers;

    bool isFinal() const { return code & 0x80; }
    const Header *find(quint8 id) const;
    ConnectionId connectionId() const;
    // Body and End-of-Body joined, in order.
    QByteArray body() const;
    bool hasEndOfBody() const;
};

// Reads a whole packet (as ResponseAssembler gives it). connect: the packet
// answers a CONNECT and has the version, flags and packet-length fields.
// Nothing for a packet whose headers do not fit its length.
std::optional<Response> parseResponse(const QByteArray &packet, bool connect = false);

// The OBEX name of a response code ("Forbidden", "Not Found", ...).
QString responseCodeName(quint8 code);

// Gathers whole packets from the pieces the port delivers.
class ResponseAssembler
{
public:
    // Bytes that cannot start a response (high bit clear) are skipped while
    // no packet has begun.
    void feed(const QByteArray &bytes);
    // The next whole packet, if one is complete.
    std::optional<QByteArray> take();
    // A length field below 3 was met: the stream cannot be followed any more.
    bool broken() const { return m_broken; }
    // Bytes of a packet begun and not yet complete (or skipped noise pending).
    qsizetype pending() const { return m_buffer.size(); }
    void clear();

private:
    QByteArray m_buffer;
    bool m_broken = false;
};

} // namespace Obex
