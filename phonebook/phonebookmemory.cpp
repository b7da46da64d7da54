#include "phonebookmemory.h"

#include "atvalues.h"

const std::array<PhonebookMemory, MemoryCount> MemoryTable{{
    {"SM", "&Jen ze SIM", false, true, true},
    {"ME", "Uložena &v telefonu", false, true, true},
    {"ON", "V&lastní císla", false, true, true},
    {"MC", "&Ztracená volání", false, false, false},
    {"RC", "&Prijaté hovory", false, false, false},
    {"LD", "&Naposledy volaná", false, false, true},
    {"FD", "&Chránená císla (PIN2)", false, true, true},
    {"SD", "&Servisní císla", true, false, false},
    {"DC", "&??? císla", true, false, false},
    {"EN", "&Emergenci", true, true, false},
    {"MB", "&MB", true, true, false},
    {"OW", "&OW", true, true, false},
}};

QByteArray PhonebookMemory::selectCommand() const
{
    return QByteArray(makerSpecific ? "AT^SPBS=\"" : "AT+CPBS=\"") + code + "\"\r";
}

QByteArray PhonebookMemory::countQuery() const
{
    return makerSpecific ? QByteArray("AT^SPBS?\r") : QByteArray("AT+CPBS?\r");
}

int MemoryIndex(const QByteArray &code)
{
    const QByteArray upper = code.toUpper();
    for (int i = 0; i < MemoryCount; ++i)
        if (upper == MemoryTable[i].code)
            return i;
    return -1;
}

namespace {

std::optional<int> wholeNumber(const QByteArray &field)
{
    const QByteArray t = field.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (char c : t)
        if (c < '0' || c > '9')
            return std::nullopt;  // also refuses a sign: capacities are never negative
    bool ok = false;
    const int value = t.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::optional<MemoryUsage> ParseMemoryCount(const QByteArray &reply)
{
    // The memory code stands in quotes; the counts follow its closing quote
    // and run to the end of that line.
    const qsizetype p = reply.indexOf("\",");
    if (p < 0)
        return std::nullopt;
    qsizetype end = reply.indexOf('\r', p);
    if (end < 0)
        end = reply.size();
    const QList<QByteArray> fields = reply.mid(p + 2, end - p - 2).split(',');
    if (fields.size() < 2)
        return std::nullopt;
    const auto used = wholeNumber(fields.at(0));
    const auto capacity = wholeNumber(fields.at(1));
    if (!used || !capacity)
        return std::nullopt;
    return MemoryUsage{*used, *capacity};
}

namespace {

// One "+CPBR: n,..." line (without the prefix's "+CPBR:"), or nothing.
std::optional<PhonebookEntry> entryLine(const QByteArray &line, PhonebookCharset charset)
{
    PhonebookEntry entry;
    const qsizetype comma = line.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    entry.row.location = line.mid(6, comma - 6);
    const auto index = wholeNumber(entry.row.location);
    if (!index)
        return std::nullopt;
    entry.index = *index;
    PhonebookRow &row = entry.row;
    row.caption = QByteArray::number(entry.index);
    const qsizetype open = line.indexOf(",\"");
    const qsizetype close = open < 0 ? -1 : line.indexOf("\",", open + 2);
    if (open < 0 || close < 0)
        return entry;
    row.number = line.mid(open + 2, close - open - 2);
    // The name is the last quoted field; the type between them is not read.
    const QByteArray rest = line.mid(close + 2);
    const qsizetype nameOpen = rest.indexOf('"');
    QByteArray name;
    if (nameOpen >= 0) {
        const qsizetype nameClose = rest.lastIndexOf('"');
        name = nameClose > nameOpen ? rest.mid(nameOpen + 1, nameClose - nameOpen - 1) : rest.mid(nameOpen + 1);
    }
    // The VIP mark is part of the name as the handset holds it: decoded first.
    row.name = DecodeHandsetText(name, charset);
    if (row.name.endsWith(QLatin1Char('!'))) {
        row.group = "VIP";
        row.name.chop(1);
    }
    return entry;
}

} // namespace

QList<PhonebookEntry> ParseEntryLines(const QByteArray &reply, PhonebookCharset charset)
{
    QList<PhonebookEntry> entries;
    for (const QByteArray &line : reply.split('\r')) {
        if (!line.startsWith("+CPBR:"))
            continue;
        if (const auto entry = entryLine(line, charset))
            entries.append(*entry);
    }
    return entries;
}

PhonebookRow ParseEntryReply(const QByteArray &reply, int position, PhonebookCharset charset)
{
    for (const PhonebookEntry &entry : ParseEntryLines(reply, charset))
        if (entry.index == position)
            return entry.row;
    PhonebookRow row;
    row.caption = QByteArray::number(position);
    return row;
}

std::optional<std::pair<int, int>> ParseEntryBounds(const QByteArray &reply)
{
    const qsizetype at = reply.indexOf("+CPBR:");
    if (at < 0)
        return std::nullopt;
    const qsizetype open = reply.indexOf('(', at);
    const qsizetype close = open < 0 ? -1 : reply.indexOf(')', open);
    if (close < 0)
        return std::nullopt;
    const QByteArray range = reply.mid(open + 1, close - open - 1);
    const qsizetype dash = range.indexOf('-');
    const auto first = wholeNumber(dash < 0 ? range : range.left(dash));
    const auto last = wholeNumber(dash < 0 ? range : range.mid(dash + 1));
    if (!first || !last || *first < 1 || *last < *first)
        return std::nullopt;
    return std::pair<int, int>{*first, *last};
}

QByteArray UsedCountText(int used)
{
    // "záznam", "záznamy", "záznamů" in Windows-1250.
    QByteArray text = QByteArray::number(used);
    if (used == 1)
        return text + " z\xE1znam";
    if (used >= 2 && used <= 4)
        return text + " z\xE1znamy";
    return text + " z\xE1znam\xF9";
}

std::optional<QByteArray> EntryWriteCommand(const QString &location, const QString &number, const QString &name,
                                            bool vip, PhonebookCharset charset, int capacity, QString *refused)
{
    if (refused)
        refused->clear();
    // The location and the number go into the command as they are: only
    // digits (and the dial string's characters) so that nothing typed or
    // stored there can append a command of its own.
    // Only the blank the handset writes in front of a location is dropped.
    QString where = location;
    while (where.startsWith(QLatin1Char(' ')))
        where.remove(0, 1);
    while (where.endsWith(QLatin1Char(' ')))
        where.chop(1);
    if (!IsLocationValue(where, capacity) || !IsDialString(number))
        return std::nullopt;
    const auto text = EncodeHandsetText(vip ? name + QLatin1Char('!') : name, charset, refused);
    if (!text)
        return std::nullopt;
    const QByteArray type = number.startsWith(QLatin1Char('+')) ? "145" : "129";
    return "AT+CPBW=" + where.toLatin1() + ",\"" + number.toLatin1() + "\"," + type + ",\"" + *text + "\"\r";
}

std::optional<QByteArray> WriteEntryCommand(const QByteArray &location, const QByteArray &number,
                                            const QByteArray &name, bool vip)
{
    return EntryWriteCommand(QString::fromLatin1(location), QString::fromLatin1(number), QString::fromLatin1(name),
                             vip, PhonebookCharset::Ira);
}
