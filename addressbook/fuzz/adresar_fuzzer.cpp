// libFuzzer entry point: the contact database and group file readers take
// any bytes as either file, never read outside them, keep the table sizes,
// and the vCard written from what they found is well formed.

#include "adresar.h"
#include "vcard.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact-size copy, so that any read past the file is caught.
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));

    const AdresarFile contacts = ReadAdresarFile(file);
    if (contacts.contacts.size() > AdresarCapacity || contacts.contacts.isEmpty()
        || contacts.notShown() < 0)
        __builtin_trap();

    const SkupinyTable groups = ParseSkupinyList(file);
    if (groups.entries.size() != SkupinyCapacity || groups.count < 0 || groups.count >= SkupinyCapacity)
        __builtin_trap();
    if (file.isEmpty() && groups.count != 0)
        __builtin_trap();

    for (const TAdresar &contact : contacts.contacts) {
        if (contact.SkupinaCislo < 0 || contact.SkupinaCislo > 255)
            __builtin_trap();
        const int entry = GroupEntryFor(groups.entries, contact.SkupinaCislo);
        if (entry < 0 || entry > ShownGroupEntries)
            __builtin_trap();
    }
    const QByteArray vcard = AdresarToVCard(contacts.contacts, groups.entries);
    // Every physical line ends in CRLF and is at most 75 octets.
    qsizetype start = 0;
    while (start < vcard.size()) {
        const qsizetype end = vcard.indexOf("\r\n", start);
        if (end < 0 || end - start > 75)
            __builtin_trap();
        start = end + 2;
    }
    DecodeUcs2Field(file);
    return 0;
}
