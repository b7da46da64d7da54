#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Windows-1250 (Central European) <-> Unicode.
//
// Every text inside the programs is a QByteArray of Windows-1250 bytes; these
// functions convert at the edges (widgets, UTF-8 command lines, UCS-2 short
// messages, the handset's contact file).
//
// The five byte values that Windows-1250 leaves undefined (81, 83, 88, 90, 98)
// map to the C1 control code of the same number, as the Windows converter does,
// so that every byte survives a round trip. A Unicode character that
// Windows-1250 lacks becomes '?'.
namespace Cp1250 {

// The UTF-16 code unit of one Windows-1250 byte.
char16_t toUnicode(unsigned char byte);

// The Windows-1250 byte of one Unicode code point, or '?' when there is none.
char fromUnicode(char32_t code);

QString toUnicode(const QByteArray &text);

// A surrogate pair (one character outside the BMP) gives a single '?'; a lone
// surrogate gives '?' too.
QByteArray fromUnicode(QStringView text);

// Whether fromUnicode() keeps every character of text (nothing becomes '?'
// except the question marks already there).
bool canEncode(QStringView text);

} // namespace Cp1250
