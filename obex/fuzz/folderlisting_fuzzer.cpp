// libFuzzer entry point: a folder-listing document as the handset sends it.
// The reader must survive any bytes, and the rows must keep their shape:
// "[..]" only first, folders as "[name]" with "<DIR>", one row per entry.

#include "folderlisting.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const FolderListing listing = ParseFolderListing(document);
    const QList<ListingRow> rows = ShowListing(listing, true);
    if (rows.size() != listing.entries.size() + 1 || rows.first().caption != QLatin1String("[..]"))
        __builtin_trap();
    for (const ListingEntry &e : listing.entries)
        if (e.name.isEmpty())
            __builtin_trap();
    for (qsizetype i = 1; i < rows.size(); ++i)
        if (rows[i].size == QLatin1String("<DIR>")
            && !(rows[i].caption.startsWith(u'[') && rows[i].caption.endsWith(u']')))
            __builtin_trap();
    for (const ListingRow &r : rows)
        if (!r.date.isEmpty() && r.date.size() != 17)
            __builtin_trap();
    return 0;
}
