#pragma once

#include "smslisting.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The SMS archives of the page and torvane-cli: the list as "excel csv" and
// one message as a text file. Windows-1250 bytes, CR LF line ends.
//
// CSV: one line per row, no header: number;name;time;text. A field that
// holds ";", a double quote, CR or LF is put in double quotes with its
// quotes doubled (RFC 4180), so every row stays one record of four fields
// however its text reads. A field that begins with "=", "+", "-" or "@"
// gets a leading apostrophe, so that a spreadsheet shows it as text and
// never evaluates it as a formula (a message "=HYPERLINK(...)"); this is
// the CSV file's rule only. The store index is not written.
//
// Names and texts are Unicode; a character that Windows-1250 cannot hold is
// written as "?" and reported through *lost (each such character once, in
// the order met), so that the caller can say so.
//
// Both files are written to a temporary file beside the target and renamed
// into place when complete: a failure leaves an existing file as it was.

QByteArray SmsCsvField(const QByteArray &field);
QByteArray SmsCsv(const QList<SmsRow> &rows, QString *lost = nullptr);

// The text file of one message: each line of text (lines separated by LF,
// CR LF or CR) ended by CR LF.
QByteArray SmsTextFile(const QString &text, QString *lost = nullptr);

// The characters of text that Windows-1250 lacks, each once, appended to
// *lost (a character outside the BMP counts as one).
void CollectUnencodable(const QString &text, QString *lost);

// Write the bytes to path; false with a reason in *error when it fails.
bool WriteSmsFile(const QString &path, const QByteArray &bytes, QString *error);
