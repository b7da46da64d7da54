#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// Framing of the chipset's diagnostic port.
//
// A request or reply is a payload (command byte, sub-command byte, arguments)
// followed by its CRC-16/X.25 check value, low byte first; every 7D and 7E of
// payload and check bytes goes out as 7D 5D / 7D 5E, and one 7E ends the
// frame. There is no opening flag. The receiving side gets bytes in pieces of
// any size, so FrameAssembler keeps what it has not seen a terminator for and
// hands over every complete frame in arrival order; it verifies each frame's
// check value and says so, so a corrupted reply is never taken for data.

// The CRC-16/X.25 table (reflected polynomial 0x8408), the FCS-16 of RFC 1662.
extern const uint16_t Crc16Table[256];

// Feeds count bytes of data through the accumulator; neither presets nor
// complements (callers start at 0xFFFF and complement the result).
void UpdateCrc16(const unsigned char *data, uint16_t count, uint16_t &accumulator);

// The check value of a payload: preset 0xFFFF, every byte, complemented.
uint16_t FrameCheckValue(const QByteArray &payload);

// The escaped low byte, then the escaped high byte of the payload's check value.
QByteArray FrameCheckBytes(const QByteArray &payload);

// The payload with its 7D and 7E bytes escaped (one pass).
QByteArray EscapeFrameBytes(const QByteArray &bytes);

// The sequence-byte rule of the handset: a payload of three bytes or more
// whose sub-command is not a read or write (04, 05) never carries 7E in its
// byte 2; it is sent as 7F. Returns the payload as it goes out.
QByteArray ApplySequenceByteRule(QByteArray payload);

// The whole frame of a payload as written to the port: sequence-byte rule,
// escaped payload, escaped check bytes, terminator.
QByteArray EncodeFrame(const QByteArray &payload);

// One received frame: the bytes up to and including its terminator, escapes
// removed, so the reply fields count from 0 at its first byte and the last
// three bytes are the check value (low, high) and 7E.
struct ReceivedFrame
{
    QByteArray bytes;
    bool checkOk = false;

    // The frame without check bytes and terminator (empty when too short).
    QByteArray payload() const { return bytes.size() >= 3 ? bytes.left(bytes.size() - 3) : QByteArray(); }
};

class FrameAssembler
{
public:
    // Bytes that have not reached a terminator after this many are dropped
    // (no reply of the handset comes near it).
    static constexpr int MaxPending = 64 * 1024;

    // Appends bytes and returns every frame they complete, in order. A lone
    // terminator (an empty frame) is a separator and is not returned.
    QList<ReceivedFrame> feed(const QByteArray &bytes);
    // Forgets incomplete bytes (the port was reopened).
    void clear() { m_pending.clear(); }
    int pendingSize() const { return int(m_pending.size()); }
    // How many bytes were thrown away because no terminator came.
    int overflowCount() const { return m_overflows; }

private:
    QByteArray m_pending;
    int m_overflows = 0;
};
