#pragma once

// The one place where the backup meets the phonebook's own types: rows as the
// reader gives them and entries as the write command takes them. Names and
// numbers are Unicode on the backup's side; how the handset's bytes map to
// them is the phonebook's business and is asked here and nowhere else.

#include "backupformats.h"
#include "phonebookmemory.h"

#include <optional>

// The contact of a row read from location `row.caption` of `memory`;
// nothing for an empty location.
std::optional<BackupContact> ContactOfRow(const PhonebookRow &row, const QString &memory);

// The same entry as a read row would hold it (to compare with what a
// location holds now).
PhonebookRow RowOfContact(const BackupContact &contact);

// Whether the contact's number can go into a write command; false, with the
// reason in *why, when it cannot. The name is checked by the phonebook's
// exchange in the handset's character set.
bool CanWriteContact(const BackupContact &contact, QString *why);
