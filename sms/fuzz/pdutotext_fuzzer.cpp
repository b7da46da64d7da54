// libFuzzer entry point: PduToText (and the two converters it leans on) must
// survive any line, never read outside it, and keep their promises about the
// result's shape.

#include "clock.h"
#include "text2pdu.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FixedClock clock(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    // An exact-size copy, so that any read past the line is caught.
    const QByteArray line(reinterpret_cast<const char *>(data), qsizetype(size));

    const DecodedPdu pdu = PduToText(line, clock);
    if (!pdu.ok && pdu.text != kErrorPduText)
        __builtin_trap();
    if (!pdu.time.isEmpty() && pdu.time.size() != 22 && pdu.time.size() != 19)
        __builtin_trap();
    if (pdu.number.size() > 20)
        __builtin_trap();

    const QByteArray asText = Ucs2HexToText(line);
    if (asText.size() > (line.size() + 3) / 4) // a surrogate pair gives one character
        __builtin_trap();
    GsmToText(line);
    return 0;
}
