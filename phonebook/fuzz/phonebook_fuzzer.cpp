// libFuzzer entry point: the count, bounds and entry replies (names in every
// character set the exchange uses) and the list-file parser must survive any
// bytes, never read outside them, and keep their
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
    for (const QByteArray *field : {&row.location, &row.number})
        if (field->size() > input.size() || field->contains('\r'))
            __builtin_trap();
    if (row.name.size() > input.size())
        __builtin_trap();

    if (const auto bounds = ParseEntryBounds(input))
        if (bounds->first < 1 || bounds->second < bounds->first)
            __builtin_trap();

    for (PhonebookCharset set : {PhonebookCharset::Ira, PhonebookCharset::Gsm, PhonebookCharset::Ucs2}) {
        for (const PhonebookEntry &entry : ParseEntryLines(input, set))
            if (entry.row.caption != QByteArray::number(entry.index) || entry.row.name.contains(QLatin1Char('\r')))
                __builtin_trap();
        // What a set can write, it reads back as it was.
        const QString text = DecodeHandsetText(input, set);
        if (const auto encoded = EncodeHandsetText(text, set))
            if (DecodeHandsetText(*encoded, set) != text)
                __builtin_trap();
    }

    const QList<SeznamRow> rows = ParseSeznamFile(input);
    // Saving what was loaded and loading it again gives the same rows.
    if (ParseSeznamFile(SeznamFileText(rows)) != rows)
        __builtin_trap();
    return 0;
}
