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
    QString text;
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

QString ConcatenatedPreview(const QList<DecodedPdu> &listed, qsizetype row,
                            const QString &missingLabel)
{
    const JoinedMessage joined = JoinConcatenated(listed, row);
    if (joined.complete())
        return joined.text;
    QString text = joined.text + QStringLiteral("\n\n") + missingLabel;
    for (const int p : joined.missingParts)
        text += QStringLiteral(" [%1/%2]").arg(p).arg(joined.total);
    return text;
}
