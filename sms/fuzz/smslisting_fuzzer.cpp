// libFuzzer entry point: the "+CMGL" listing parser and the rows made of its
// entries must survive any reply a handset may send, and keep their promises
// about the result's shape.

#include "clock.h"
#include "smsarchive.h"
#include "smsentries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FixedClock clock(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));

    const QList<SmsEntry> entries = ParseSmsListing(reply);
    // Every entry needs a header line and a PDU line of its own.
    if (entries.size() > reply.count('\n') + reply.count('\r') + 1)
        __builtin_trap();
    for (const SmsEntry &e : entries)
        if (e.index < 0 || e.status < 0 || e.pdu.contains('\r') || e.pdu.contains('\n'))
            __builtin_trap();

    const QList<SmsRow> rows = DecodeSmsEntries(entries, clock);
    if (rows.size() != entries.size())
        __builtin_trap();
    // Every row is one CSV record of four fields: as many line ends as rows
    // outside quotes.
    const QByteArray csv = SmsCsv(rows);
    qsizetype records = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        if (csv[i] == '"')
            quoted = !quoted;
        else if (!quoted && csv[i] == '\n')
            ++records;
    }
    if (quoted || records != rows.size())
        __builtin_trap();
    return 0;
}
