#include "phonebookseam.h"

#include "atvalues.h"

std::optional<BackupContact> ContactOfRow(const PhonebookRow &row, const QString &memory)
{
    if (row.name.isEmpty() && row.number.isEmpty())
        return std::nullopt;
    BackupContact c;
    c.memory = memory;
    bool ok = false;
    c.location = row.location.trimmed().toInt(&ok);
    if (!ok || c.location < 1)
        c.location = row.caption.toInt();
    c.name = row.name;
    c.number = QString::fromLatin1(row.number);
    c.vip = row.group == "VIP";
    return c;
}

PhonebookRow RowOfContact(const BackupContact &contact)
{
    PhonebookRow row;
    row.caption = QByteArray::number(contact.location);
    row.location = row.caption;
    row.name = contact.name;
    row.number = contact.number.toLatin1();
    row.group = contact.vip ? "VIP" : "";
    return row;
}

bool CanWriteContact(const BackupContact &contact, QString *why)
{
    // The name's characters are checked by the phonebook's exchange against
    // the handset's own character set (nameRefused); what can be judged here
    // is the number, which must be a dial string.
    if (!contact.number.isEmpty() && !IsDialString(contact.number)) {
        if (why)
            *why = QStringLiteral("the number \"%1\" is no dial string (0-9 * # + p w ,)").arg(contact.number);
        return false;
    }
    return true;
}
