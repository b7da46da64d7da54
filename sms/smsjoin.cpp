#include "smsjoin.h"

#include <map>

namespace {

bool samePartsOf(const DecodedPdu &a, const DecodedPdu &b)
{
    return a.kind == b.kind && a.number == b.number && a.concatReference == b.concatReference
        && a.concatTotal == b.concatTotal;
}

} // namespace

JoinedMessage JoinConcatenated(const QList<DecodedPdu> &listed, qsizetype row)
{
    JoinedMessage joined;
    if (row < 0 || row >= listed.size())
        return joined;
    const DecodedPdu &own = listed[row];
    joined.text = own.text;
    if (!own.isConcatenated())
        return joined;

    joined.total = own.concatTotal;
    std::map<int, const DecodedPdu *> parts;
    for (const DecodedPdu &pdu : listed) {
        if (pdu.isConcatenated() && samePartsOf(pdu, own))
            parts.emplace(pdu.concatPart, &pdu); // the first of a duplicate wins
    }
    QByteArray text;
    for (int p = 1; p <= joined.total; ++p) {
        const auto it = parts.find(p);
        if (it == parts.end())
            joined.missingParts.append(p);
        else
            text += it->second->text;
    }
    if (joined.complete())
        joined.text = text;
    return joined;
}

QByteArray ConcatenatedPreview(const QList<DecodedPdu> &listed, qsizetype row,
                               const QByteArray &missingLabel)
{
    const JoinedMessage joined = JoinConcatenated(listed, row);
    if (joined.complete())
        return joined.text;
    QByteArray text = joined.text + "\n\n" + missingLabel;
    for (const int p : joined.missingParts)
        text += " [" + QByteArray::number(p) + '/' + QByteArray::number(joined.total) + ']';
    return text;
}
