// The PDU codec at listing size: decoding a listing of 255 long messages and
// encoding 255 messages, in microseconds per message.

#include "clock.h"
#include "text2pdu.h"

#include <QList>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kMessages = 255;

QByteArray gsmText(int i)
{
    // 160 septets with a few escaped characters, different per message.
    QByteArray t = "Ahoj, zitra v " + QByteArray::number(i % 24) + ":00 u kina {sal " + QByteArray::number(i)
                   + "} cena 5\x80 [OK]? ";
    while (t.size() < 200)
        t += "abcdefghij";
    while (MeasureSmsText(t).units > 160)
        t.chop(1);
    return t;
}

QByteArray ucs2Text(int i)
{
    // 70 characters of Czech text.
    QByteArray t = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xFAp\xECl \xEF\xE1" "belsk\xE9 \xF3" "dy " + QByteArray::number(i) + " ";
    while (t.size() < 70)
        t += "\xE8\xF8\x9E";
    return t.left(70);
}

// A received message with the same user data as a sent one.
QByteArray asReceived(const QByteArray &submit, bool header)
{
    // The submit line: 00 11 00 0C 91 <12 digits> 00 <DCS> <VP> <UDL><UD>
    const QByteArray dcs = submit.mid(24, 2);
    QByteArray ud = submit.mid(28);
    return QByteArray("0791240000000000") + (header ? "44" : "04") + "0C91240000214365" + "00" + dcs
           + "52301291813540" + ud;
}

QList<QByteArray> listing()
{
    QList<QByteArray> lines;
    for (int i = 0; i < kMessages; ++i) {
        switch (i % 4) {
        case 0: // received, 7-bit, 160 septets
            lines.append(asReceived(TextToPdu("420000123456", gsmText(i), "AA", false).pdu, false));
            break;
        case 1: { // received concatenated part: 6-octet header, one fill bit, 153 septets
            // Seven "@" (septets 00) take the place of the header and its fill bit.
            QByteArray text = "@@@@@@@Pokracovani " + QByteArray::number(i) + ": ";
            while (text.size() < 160)
                text += "abcdefghij";
            const QByteArray submit = TextToPdu("420000123456", text.left(160), "AA", false).pdu;
            QByteArray received = asReceived(submit, true);
            const qsizetype ud = received.size() - (submit.size() - 30);
            received.replace(ud, 12, "0500032A0201");
            lines.append(received);
            break;
        }
        case 2: // received UCS-2, 70 characters
            lines.append(asReceived(TextToPdu("420000123456", ucs2Text(i), "AA", false).pdu, false));
            break;
        case 3: // stored outgoing, 7-bit, 160 septets
            lines.append(TextToPdu("420000123456", gsmText(i), "AA", false).pdu);
            break;
        }
    }
    return lines;
}

template<typename Work>
double microsecondsPerMessage(Work work)
{
    using clock = std::chrono::steady_clock;
    // Best of many rounds: the least disturbed by other work on the machine.
    double best = 1e9;
    const auto until = clock::now() + std::chrono::milliseconds(700);
    int rounds = 0;
    while (rounds < 20 || clock::now() < until) {
        const auto start = clock::now();
        work();
        const std::chrono::duration<double, std::micro> took = clock::now() - start;
        best = std::min(best, took.count() / kMessages);
        ++rounds;
    }
    return best;
}

} // namespace

int main()
{
    const QList<QByteArray> lines = listing();
    const SystemClock clock;
    qsizetype sink = 0;
    for (const QByteArray &line : lines) {
        const DecodedPdu pdu = PduToText(line, clock);
        if (!pdu.ok || pdu.text.size() < 70) {
            std::fprintf(stderr, "bench_pdu: a listing line did not decode: %s\n", line.constData());
            return 1;
        }
    }
    const double decode = microsecondsPerMessage([&] {
        for (const QByteArray &line : lines)
            sink += PduToText(line, clock).text.size();
    });

    // The same without reading the PC's clock for each stored message (a
    // listing may take the time once): the codec's own share.
    const FixedClock fixed(QDateTime::currentDateTime());
    const double decodeFixed = microsecondsPerMessage([&] {
        for (const QByteArray &line : lines)
            sink += PduToText(line, fixed).text.size();
    });

    QList<QByteArray> texts;
    for (int i = 0; i < kMessages; ++i)
        texts.append(i % 3 == 2 ? ucs2Text(i) : gsmText(i));
    const double encode = microsecondsPerMessage([&] {
        for (const QByteArray &text : texts)
            sink += TextToPdu("420000123456", text, "AA", false).pdu.size();
    });

    std::printf("pdu decode, listing of %d long PDUs\t%.3f\tus/message\t<2\n", kMessages, decode);
    std::printf("pdu decode, same, clock read once\t%.3f\tus/message\t<2\n", decodeFixed);
    std::printf("pdu encode, %d messages\t%.3f\tus/message\t<2\n", kMessages, encode);
    return sink > 0 ? 0 : 1;
}
