#pragma once

#include "text2pdu.h"

#include <QByteArray>
#include <QString>
#include <QList>

// The preview of a listed message that is one part of a concatenated
// message. Each stored part keeps its own row in the listing (its index is
// what a deletion names); the preview shows the whole message when the
// listing holds all its parts.
//
// Parts belong together when they have the same kind (received or stored),
// number, concatenation reference and count of parts. A part listed twice
// is taken once.
struct JoinedMessage
{
    QString text;             // the joined text, or the row's own text
    int total = 0;            // parts of the message (0: not concatenated)
    QList<int> missingParts;  // part numbers the listing lacks, ascending

    bool complete() const { return missingParts.isEmpty(); }
};

// The message row `row` of `listed` belongs to (its own text when it stands
// alone or is out of range).
JoinedMessage JoinConcatenated(const QList<DecodedPdu> &listed, qsizetype row);

// The preview text: the joined message; with parts missing the row's own
// part followed by a line with missingLabel and the missing parts as
// "[2/3] [3/3]".
QString ConcatenatedPreview(const QList<DecodedPdu> &listed, qsizetype row,
                            const QString &missingLabel);
