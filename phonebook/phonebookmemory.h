#pragma once

#include "phonebooktext.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The phonebook memories of the handset and the texts of their replies: the
// pure part of reading and writing entries (no port, no widgets).
//
// Replies arrive as the modem port's line assembly gives them: lines each
// followed by one CR, the echoed command first while echo is on (and nothing
// of it while it is off), empty lines included, the final "OK" left out.
// Entries are recognised by their own "+CPBR: n," line alone.

// One memory, indexed as the radio group offers them.
struct PhonebookMemory
{
    const char *code;          // "SM", "ME", ...
    const char *defaultText;   // radio item text when the language file has none
    bool makerSpecific;        // selected and counted with AT^SPBS instead of AT+CPBS
    bool editable;             // "Editace/Nový" enabled after choosing it
    bool erasable;             // "Vymazat" enabled after choosing it

    QByteArray selectCommand() const;  // "AT+CPBS=\"SM\"\r"
    QByteArray countQuery() const;     // "AT+CPBS?\r"
};

inline constexpr int MemoryCount = 12;
inline constexpr int Pin2MemoryIndex = 6;  // FD
extern const std::array<PhonebookMemory, MemoryCount> MemoryTable;

// Index of a memory code in MemoryTable (letter case ignored), -1 when unknown.
int MemoryIndex(const QByteArray &code);

// One row of the list: the read position (caption) and the four sub-items.
struct PhonebookRow
{
    QByteArray caption;   // read position in decimal
    QByteArray location;  // as the handset wrote it, leading blank included
    QString name;         // decoded from the handset's character set
    QByteArray number;
    QByteArray group;     // "VIP" or empty

    bool operator==(const PhonebookRow &) const = default;
};

struct MemoryUsage
{
    int used = 0;
    int capacity = 0;
};

// The count reply ("+CPBS: \"SM\",23,250"): the used count and the capacity
// after the memory's closing quote. Nothing when either field is not a
// whole number or either is negative, or when there is no such answer.
std::optional<MemoryUsage> ParseMemoryCount(const QByteArray &reply);

// One "+CPBR:" line of a reply: its location's index and the row.
struct PhonebookEntry
{
    int index = 0;
    PhonebookRow row;
};

// Every "+CPBR: n,..." line of a reply, names decoded from `charset`; lines
// without a whole index are skipped. A name ending in "!" is a VIP entry:
// the group is "VIP" and the "!" is not part of the name. The caption is
// the index.
QList<PhonebookEntry> ParseEntryLines(const QByteArray &reply, PhonebookCharset charset = PhonebookCharset::Ira);

// The row of location `position` in a reply: its own "+CPBR: position," line
// (echo or not), every sub-item empty when the reply has none.
PhonebookRow ParseEntryReply(const QByteArray &reply, int position,
                             PhonebookCharset charset = PhonebookCharset::Ira);

// The bounds of the locations in the answer to AT+CPBR=? ("+CPBR: (1-250),
// 20,14"); nothing when the answer holds no such range.
std::optional<std::pair<int, int>> ParseEntryBounds(const QByteArray &reply);

// The text of Obsazeno for a used count: " záznam" after 1, " záznamy" after
// 2 to 4, " záznamů" after 0 and 5 or more (Windows-1250).
QByteArray UsedCountText(int used);

// The write command of 3GPP TS 27.007 for an entry: AT+CPBW=3,"112",129,"Novak!"
// and CR (type 145 for a number starting with "+", 129 otherwise; the VIP
// mark "!" appended to the name, which goes in `charset`). Nothing when the
// location is not a location of the memory (1..capacity, digits only; any
// positive one for capacity 0), when the number is no dial string, or when
// the name cannot be written in the set (a double quote or a control
// character outside UCS2 too): `refused` then gets the name's characters
// at fault (empty for the location or number).
std::optional<QByteArray> EntryWriteCommand(const QString &location, const QString &number, const QString &name,
                                            bool vip, PhonebookCharset charset, int capacity = 0,
                                            QString *refused = nullptr);
// The same in IRA with bytes, for any capacity.
std::optional<QByteArray> WriteEntryCommand(const QByteArray &location, const QByteArray &number,
                                            const QByteArray &name, bool vip);
