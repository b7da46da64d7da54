#include "smsentries.h"

#include "attransport.h"
#include "clock.h"
#include "text2pdu.h"

namespace {

// A line longer than any PDU line (2 * 176 octets plus a service centre) is
// junk; it is cut so that noise cannot grow without bound.
constexpr int MaxLineLength = 1024;

// Splits the fields after "+CMGL:" at commas outside double quotes.
QList<QByteArray> headerFields(const QByteArray &text)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted) {
            fields.append(field.trimmed());
            field.clear();
            continue;
        }
        field += c;
    }
    fields.append(field.trimmed());
    return fields;
}

bool wholeNumber(const QByteArray &text, int &out)
{
    if (text.isEmpty() || text.size() > 6)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    out = text.toInt();
    return true;
}

// The digits of a phone number, or an empty text when it holds anything but
// digits, "+", blanks and dashes.
QByteArray digitsOf(const QByteArray &number)
{
    QByteArray digits;
    for (char c : number) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '+' && c != ' ' && c != '-')
            return {};
    }
    return digits;
}

} // namespace

bool ParseCmglHeader(const QByteArray &line, SmsEntry &entry)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith("+CMGL:"))
        return false;
    const QList<QByteArray> fields = headerFields(trimmed.mid(6));
    SmsEntry e;
    if (fields.size() < 2 || !wholeNumber(fields[0], e.index) || !wholeNumber(fields[1], e.status))
        return false;
    if (fields.size() >= 4) {
        QByteArray alpha = fields[2];
        if (alpha.size() >= 2 && alpha.startsWith('"') && alpha.endsWith('"'))
            alpha = alpha.mid(1, alpha.size() - 2);
        e.alpha = alpha;
    }
    if (fields.size() >= 3)
        wholeNumber(fields.last(), e.length);
    entry = e;
    return true;
}

bool CmglCollector::take(const QByteArray &line)
{
    if (IsFinalResultLine(line.trimmed())) {
        m_expectPdu = false;
        return true;
    }
    SmsEntry next;
    if (ParseCmglHeader(line, next)) {
        m_header = next;
        m_expectPdu = true;
        return false;
    }
    if (m_expectPdu) {
        m_expectPdu = false;
        m_header.pdu = line.trimmed();
        entries.append(m_header);
    }
    return false;
}

QList<SmsEntry> ParseSmsListing(const QByteArray &reply)
{
    CmglCollector collector;
    QByteArray line;
    for (char c : reply) {
        if (c == '\r' || c == '\n') {
            if (!line.isEmpty() && collector.take(line))
                return collector.entries;
            line.clear();
        } else if (line.size() < MaxLineLength) {
            line += c;
        }
    }
    if (!line.isEmpty())
        collector.take(line);
    return collector.entries;
}

QList<SmsRow> DecodeSmsEntries(const QList<SmsEntry> &entries, const Clock &clock)
{
    const FixedClock once(clock.now());
    QList<SmsRow> rows;
    rows.reserve(entries.size());
    for (const SmsEntry &entry : entries) {
        const DecodedPdu pdu = PduToText(entry.pdu, once);
        SmsRow row;
        row.index = QByteArray::number(entry.index);
        row.status = entry.status;
        row.number = pdu.number;
        row.time = pdu.time.size() >= 3 ? pdu.time.left(pdu.time.size() - 3) : QByteArray();
        row.text = pdu.text;
        row.outgoing = pdu.kind == DecodedPdu::StoredOutgoing;
        rows.append(row);
    }
    return rows;
}

SmsRow EmptyStoreRow(const QByteArray &noMessages)
{
    SmsRow row;
    row.text = "    " + noMessages;
    return row;
}

bool SameNumber(const QByteArray &a, const QByteArray &b)
{
    const QByteArray x = digitsOf(a);
    const QByteArray y = digitsOf(b);
    if (x.isEmpty() || y.isEmpty())
        return false;
    if (x == y)
        return true;
    return x.size() >= 9 && y.size() >= 9 && x.right(9) == y.right(9);
}

QByteArray NameForNumber(const QByteArray &number, const QList<PhonebookNumber> &phonebook)
{
    for (const PhonebookNumber &entry : phonebook)
        if (SameNumber(number, entry.number))
            return entry.name;
    return {};
}

QByteArray SmsMemoryName(int memory)
{
    static const char *const names[] = {"SM", "ME", "MT"};
    return memory >= 0 && memory < 3 ? QByteArray(names[memory]) : QByteArray();
}

