#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Names in the handset's character sets. The phonebook exchange chooses the
// set itself (UCS2 where the handset offers it, else GSM, else IRA) and reads
// and writes every name through these functions, so that a name comes back
// from the handset exactly as it went in.
enum class PhonebookCharset { Ira, Gsm, Ucs2 };

// "IRA", "GSM", "UCS2".
QByteArray CharsetName(PhonebookCharset charset);

// A quoted text field of a reply, decoded: UCS2 as groups of four hex digits
// (a field that is no such text is taken as IRA), GSM in the GSM 7-bit
// default alphabet with its extension table behind the escape code (an
// escape before a code the table lacks gives that code's basic character),
// IRA as
// ASCII (other bytes as Latin-1).
QString DecodeHandsetText(const QByteArray &field, PhonebookCharset charset);

// The text as it goes between the quotes of a command; nothing when some
// character cannot be written in the set or could not travel inside a quoted
// command field (a double quote or a control character outside UCS2; in GSM
// also the letters whose codes are line controls: LF, CR, backspace,
// Ctrl-Z). `refused` then gets those characters, each once, in order.
std::optional<QByteArray> EncodeHandsetText(const QString &text, PhonebookCharset charset,
                                            QString *refused = nullptr);

// A value of AT+CSCS as the handset reports it, when it is safe to send back
// in a command: 1 to 16 letters, digits and "-".
bool IsCharsetToken(const QByteArray &name);
