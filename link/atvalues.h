#pragma once

#include <QByteArray>
#include <QString>

// Checks for values that cross into an AT command. A value from a file, the
// user or the handset is checked here, where it becomes part of a command
// line, so that nothing typed, stored or received can end the command early
// and append one of its own (";", CR, a quote) or make the handset wait for
// more (Ctrl-Z, ESC). A value that fails is not sent at all.

// A phonebook or message location: decimal digits only, 1 to capacity
// (capacity 0 or less: any positive location).
bool IsLocationValue(const QString &location, int capacity = 0);

// A dial string for ATD: one or more of 0-9 * # + p w , and nothing else.
bool IsDialString(const QString &number);

// A PIN, PIN2, PUK, PUK2 or phone code: 4 to 8 decimal digits.
bool IsSecurityCode(const QString &code);
