#include "phonebookseam.h"

#include "cp1250.h"

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
    c.name = Cp1250::toUnicode(row.name);
    c.number = Cp1250::toUnicode(row.number);
    c.vip = row.group == "VIP";
    return c;
}

PhonebookRow RowOfContact(const BackupContact &contact)
{
    PhonebookRow row;
    row.caption = QByteArray::number(contact.location);
    row.location = row.caption;
    row.name = Cp1250::fromUnicode(contact.name);
    row.number = Cp1250::fromUnicode(contact.number);
    row.group = contact.vip ? "VIP" : "";
    return row;
}

std::optional<QByteArray> WriteCommandOf(const BackupContact &contact, QString *why)
{
    if (!Cp1250::canEncode(contact.name) || !Cp1250::canEncode(contact.number)) {
        if (why)
            *why = QStringLiteral("the name \"%1\" has characters the handset's character set lacks").arg(contact.name);
        return std::nullopt;
    }
    const auto command = WriteEntryCommand(QByteArray::number(contact.location), Cp1250::fromUnicode(contact.number),
                                           Cp1250::fromUnicode(contact.name), contact.vip);
    if (!command && why)
        *why = QStringLiteral("\"%1\" cannot go into a write command (a double quote or a control character)")
                   .arg(contact.name);
    return command;
}
