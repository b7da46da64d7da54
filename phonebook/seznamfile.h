#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Phonebook list files ("*.sez"): one line per row of the list, in list
// order, each line ending in CR LF. A line is the row's caption followed, for
// each sub-item, by a tab and the sub-item's text, so a row with an empty
// last field ends in a tab. Windows-1250 bytes, no header.
//
// A row is its fields: the caption first, then the sub-items (rows read from
// the handset have five: position, location, name, number, group; a file
// may hold any number).
using SeznamRow = QList<QByteArray>;

QByteArray SeznamFileText(const QList<SeznamRow> &rows);

// CR LF, CR alone and LF alone all end a line; a final line ending gives no
// empty last line. Every other line, an empty one too, is a row.
QList<SeznamRow> ParseSeznamFile(const QByteArray &text);

// Writes the rows to a new file that replaces `path` only once it is
// complete; false with the file layer's message otherwise (the old file
// stays as it was).
bool WriteSeznamFile(const QString &path, const QList<SeznamRow> &rows, QString *error);

// The rows of a whole file; nothing, with the file layer's message, when it
// cannot be read.
std::optional<QList<SeznamRow>> ReadSeznamFile(const QString &path, QString *error);
