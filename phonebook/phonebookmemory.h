#pragma once

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

// The phonebook memories of the handset and the texts of their replies: the
// pure part of reading and writing entries (no port, no widgets).
//
// Replies arrive as the modem port's line assembly gives them: lines of bytes
// 32..127, each followed by one CR, the echoed command first (while echo is
// on), empty lines included, the final "OK" left out.

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
    QByteArray name;
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

// An entry reply read as location `position`. The entry counts only when its
// "+CPBR:" stands behind the echoed command (byte 11 or later); otherwise,
// and for an empty location, every sub-item is empty. A name ending in "!"
// is a VIP entry: the group is "VIP" and the "!" is not part of the name.
PhonebookRow ParseEntryReply(const QByteArray &reply, int position);

// The text of Obsazeno for a used count: " záznam" after 1, " záznamy" after
// 2 to 4, " záznamů" after 0 and 5 or more (Windows-1250).
QByteArray UsedCountText(int used);

// The write command of 3GPP TS 27.007 for an entry: AT+CPBW=3,"112",129,"Novak!"
// and CR (type 145 for a number starting with "+", 129 otherwise; the VIP
// mark "!" appended to the name). Nothing when a text holds a double quote
// or a control character, which the command cannot carry, or when the
// location is not a whole number.
std::optional<QByteArray> WriteEntryCommand(const QByteArray &location, const QByteArray &number,
                                            const QByteArray &name, bool vip);
