#include "crc16_ossik.h"

#include <array>
#include <utility>

namespace {

constexpr char Flag = 0x7E;
constexpr char Escape = 0x7D;

constexpr uint16_t tableEntry(uint16_t i)
{
    uint16_t v = i;
    for (int bit = 0; bit < 8; ++bit)
        v = (v & 1) ? uint16_t((v >> 1) ^ 0x8408) : uint16_t(v >> 1);
    return v;
}

template<size_t... I>
constexpr std::array<uint16_t, sizeof...(I)> makeTable(std::index_sequence<I...>)
{
    return {tableEntry(uint16_t(I))...};
}

constexpr auto Table = makeTable(std::make_index_sequence<256>());
static_assert(Table[1] == 0x1189 && Table[255] == 0x0F78);

} // namespace

const uint16_t Crc16Table[256] = {
#define ROW(n) Table[n], Table[n + 1], Table[n + 2], Table[n + 3], Table[n + 4], Table[n + 5], Table[n + 6], Table[n + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};

void UpdateCrc16(const unsigned char *data, uint16_t count, uint16_t &accumulator)
{
    for (uint16_t i = 0; i < count; ++i)
        accumulator = uint16_t(Crc16Table[(data[i] ^ accumulator) & 0xFF] ^ (accumulator >> 8));
}

uint16_t FrameCheckValue(const QByteArray &payload)
{
    uint16_t acc = 0xFFFF;
    const auto *data = reinterpret_cast<const unsigned char *>(payload.constData());
    // UpdateCrc16 counts in 16 bits; a longer payload goes through in pieces.
    for (qsizetype done = 0; done < payload.size();) {
        const uint16_t n = uint16_t(qMin<qsizetype>(payload.size() - done, 0xFFFF));
        UpdateCrc16(data + done, n, acc);
        done += n;
    }
    return uint16_t(acc ^ 0xFFFF);
}

QByteArray EscapeFrameBytes(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16 + 4);
    for (char c : bytes) {
        if (c == Escape || c == Flag) {
            out += Escape;
            out += char(c ^ 0x20);
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray FrameCheckBytes(const QByteArray &payload)
{
    const uint16_t check = FrameCheckValue(payload);
    QByteArray raw;
    raw += char(check & 0xFF);
    raw += char(check >> 8);
    return EscapeFrameBytes(raw);
}

QByteArray ApplySequenceByteRule(QByteArray payload)
{
    if (payload.size() >= 3 && payload[1] != 0x04 && payload[1] != 0x05 && payload[2] == Flag)
        payload[2] = 0x7F;
    return payload;
}

QByteArray EncodeFrame(const QByteArray &payload)
{
    const QByteArray sent = ApplySequenceByteRule(payload);
    return EscapeFrameBytes(sent) + FrameCheckBytes(sent) + Flag;
}

QList<ReceivedFrame> FrameAssembler::feed(const QByteArray &bytes)
{
    QList<ReceivedFrame> frames;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != Flag)
            continue;
        m_pending += bytes.mid(start, i - start);
        start = i + 1;
        if (m_pending.isEmpty())
            continue;  // a lone terminator between frames
        ReceivedFrame frame;
        frame.bytes.reserve(m_pending.size() + 1);
        bool danglingEscape = false;
        for (qsizetype k = 0; k < m_pending.size(); ++k) {
            if (m_pending[k] == Escape) {
                if (k + 1 < m_pending.size()) {
                    frame.bytes += char(m_pending[++k] ^ 0x20);
                } else {
                    danglingEscape = true;  // 7D right before the terminator
                }
            } else {
                frame.bytes += m_pending[k];
            }
        }
        frame.bytes += Flag;
        m_pending.clear();
        if (!danglingEscape && frame.bytes.size() >= 4) {
            const QByteArray payload = frame.payload();
            const uint16_t got = uint16_t(uchar(frame.bytes[frame.bytes.size() - 3])
                                          | uchar(frame.bytes[frame.bytes.size() - 2]) << 8);
            frame.checkOk = got == FrameCheckValue(payload);
        }
        frames.append(frame);
    }
    m_pending += bytes.mid(start);
    if (m_pending.size() > MaxPending) {
        m_overflows += int(m_pending.size());
        m_pending.clear();
    }
    return frames;
}
