// libFuzzer entry point: the NMEA reader must take any byte stream, never
// read outside it, and keep its promises about what it hands on.

#include "nmea.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Whole stream, then each line on its own, as the page and the CLI do.
    NmeaReceiver receiver;
    receiver.feed(bytes);
    if (receiver.lines().GpsLineBuffer.size() > Nmea::MaxLineLength)
        __builtin_trap();
    for (const Nmea::Satellite &s : receiver.satellites()) {
        if (s.number < 0 || s.number > 999)
            __builtin_trap();
        if (const auto e = s.elevationValue(); e && (*e < 0 || *e > 90))
            __builtin_trap();
    }

    Nmea::LineAssembler lines;
    for (const QByteArray &line : lines.feed(bytes)) {
        if (Nmea::SplitNmeaFields(line).size() != Nmea::FieldCount)
            __builtin_trap();
        if (const auto fix = Nmea::parseGga(line)) {
            if (!fix->time || !fix->time->isValid())
                __builtin_trap();
            if (fix->latitude) {
                const double lat = fix->latitude->decimalDegrees();
                if (lat < -90 || lat > 90 || fix->latitude->display().isEmpty())
                    __builtin_trap();
            }
            if (fix->longitude) {
                const double lon = fix->longitude->decimalDegrees();
                if (lon < -180 || lon > 180)
                    __builtin_trap();
            }
            if (fix->altitude)
                Nmea::altitudeText(*fix->altitude);
            Nmea::timeText(*fix->time);
        }
        if (const auto gsv = Nmea::parseGsv(line)) {
            if (gsv->satellites.size() > 4 || gsv->index < 1 || gsv->index > gsv->count)
                __builtin_trap();
        }
    }
    return 0;
}
