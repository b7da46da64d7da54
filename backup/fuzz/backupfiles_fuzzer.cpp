// libFuzzer entry point: the readers of a backup's files (a folder that may
// have been edited or damaged) and the PDU fields of the SMS backup must
// survive any input; what the vCard reader gives back must come back the
// same through the writer.

#include "backupformats.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    int skipped = 0;
    const QList<BackupContact> contacts = ParseVCardContacts(bytes, QStringLiteral("SM"), &skipped);
    for (const BackupContact &c : contacts)
        if (c.location < 1)
            __builtin_trap();
    // Names with a line end or a lone CR are not kept exactly by vCard; the rest are.
    QList<BackupContact> plain;
    for (const BackupContact &c : contacts)
        if (!c.name.contains(u'\r') && !c.number.contains(u'\r') && !c.number.contains(u'\n')
            && c.number == c.number.trimmed())
            plain.append(c);
    if (ParseVCardContacts(ContactsToVCard(plain), QStringLiteral("SM")) != plain)
        __builtin_trap();

    QString error;
    if (const auto messages = ParsePduFile(bytes, QStringLiteral("ME"), &error)) {
        for (const BackupMessage &m : *messages)
            if (m.status < 0 || m.status > 3 || TpduLength(m.pdu) < 1)
                __builtin_trap();
        MessagesToSmsBackup(*messages);
    }
    DecodePduFields(bytes.trimmed());
    return 0;
}
