#include "phonebookmemory.h"

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

PhonebookRow ParseEntryReply(const QByteArray &reply, int position)
{
    PhonebookRow row;
    row.caption = QByteArray::number(position);
    const qsizetype at = reply.indexOf("+CPBR:");
    // Before byte 11 there is no room for the echoed "AT+CPBR=n" in front:
    // such a line is not the answer to this read.
    if (at < 11)
        return row;
    qsizetype end = reply.indexOf('\r', at);
    if (end < 0)
        end = reply.size();
    const QByteArray line = reply.mid(at, end - at);

    const qsizetype colon = line.indexOf(':');
    const qsizetype comma = line.indexOf(',');
    if (comma < 0)
        return row;
    row.location = line.mid(colon + 1, comma - colon - 1);
    const qsizetype open = line.indexOf(",\"");
    const qsizetype close = open < 0 ? -1 : line.indexOf("\",", open + 2);
    if (open < 0 || close < 0)
        return row;
    row.number = line.mid(open + 2, close - open - 2);
    // The name is the last quoted field; the type between them is not read.
    const QByteArray rest = line.mid(close + 2);
    const qsizetype nameOpen = rest.indexOf('"');
    if (nameOpen >= 0) {
        const qsizetype nameClose = rest.lastIndexOf('"');
        row.name = nameClose > nameOpen ? rest.mid(nameOpen + 1, nameClose - nameOpen - 1)
                                        : rest.mid(nameOpen + 1);
    }
    if (row.name.endsWith('!')) {
        row.group = "VIP";
        row.name.chop(1);
    }
    return row;
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

std::optional<QByteArray> WriteEntryCommand(const QByteArray &location, const QByteArray &number,
                                            const QByteArray &name, bool vip)
{
    for (const QByteArray *t : {&location, &number, &name})
        for (char c : *t)
            if (c == '"' || static_cast<unsigned char>(c) < 32)
                return std::nullopt;
    // The location goes into the command unquoted: digits only, so that
    // nothing typed there can append a command of its own.
    const QByteArray where = location.trimmed();
    if (!wholeNumber(where))
        return std::nullopt;
    const QByteArray type = number.startsWith('+') ? "145" : "129";
    return "AT+CPBW=" + where + ",\"" + number + "\"," + type + ",\"" + name + (vip ? "!" : "") + "\"\r";
}
