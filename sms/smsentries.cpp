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

// A phone number in international form (country code first, no "+"), or
// an empty text when it holds anything but digits, blanks, dashes and one
// leading "+". National numbers get the handset's country code.
QByteArray internationalDigits(const QByteArray &number)
{
    const QByteArray trimmed = number.trimmed();
    const bool plus = trimmed.startsWith('+');
    QByteArray digits;
    for (qsizetype i = plus ? 1 : 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != ' ' && c != '-')
            return {};
    }
    if (digits.isEmpty() || plus)
        return digits;
    if (digits.startsWith("00"))
        return digits.mid(2);  // the international prefix
    if (digits.startsWith('0') || digits.size() <= 9) {
        while (digits.startsWith('0'))
            digits.remove(0, 1);
        return digits.isEmpty() ? QByteArray() : kHomeCountryCode + digits;
    }
    return digits;  // international form without "+"
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
        m_skipUnsolicitedPdu = false;
        return true;
    }
    if (m_skipUnsolicitedPdu) {
        m_skipUnsolicitedPdu = false;  // the PDU line of a "+CMT" (or "+CDS", "+CBM")
        return false;
    }
    if (IsUnsolicitedResult(line)) {
        const QByteArray trimmed = line.trimmed();
        m_skipUnsolicitedPdu = trimmed.startsWith("+CMT:") || trimmed.startsWith("+CDS:")
                               || trimmed.startsWith("+CBM:");
        return false;
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
        row.international = pdu.isInternational();
        row.time = pdu.time.size() >= 3 ? pdu.time.left(pdu.time.size() - 3) : QByteArray();
        row.text = pdu.text;
        row.outgoing = pdu.kind == DecodedPdu::StoredOutgoing;
        row.incomplete = pdu.incomplete;
        row.concatReference = pdu.concatReference;
        row.concatPart = pdu.concatPart;
        row.concatTotal = pdu.concatTotal;
        rows.append(row);
    }
    return rows;
}

SmsRow EmptyStoreRow(const QString &noMessages)
{
    SmsRow row;
    row.text = QStringLiteral("    ") + noMessages;
    return row;
}

bool SameNumber(const QByteArray &a, const QByteArray &b)
{
    const QByteArray x = internationalDigits(a);
    return !x.isEmpty() && x == internationalDigits(b);
}

QString NameForNumber(const QByteArray &number, const QList<PhonebookNumber> &phonebook)
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

