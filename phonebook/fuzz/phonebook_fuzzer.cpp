// libFuzzer entry point: the count and entry replies and the list-file
// parser must survive any bytes, never read outside them, and keep their
// promises about the result's shape.

#include "phonebookmemory.h"
#include "seznamfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact-size copy, so that any read past the input is caught.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const auto usage = ParseMemoryCount(input))
        if (usage->used < 0 || usage->capacity < 0)
            __builtin_trap();

    const PhonebookRow row = ParseEntryReply(input, 7);
    if (row.caption != "7" || (row.group != "" && row.group != "VIP"))
        __builtin_trap();
    for (const QByteArray *field : {&row.location, &row.name, &row.number})
        if (field->size() > input.size() || field->contains('\r'))
            __builtin_trap();

    const QList<SeznamRow> rows = ParseSeznamFile(input);
    // Saving what was loaded and loading it again gives the same rows.
    if (ParseSeznamFile(SeznamFileText(rows)) != rows)
        __builtin_trap();
    return 0;
}
