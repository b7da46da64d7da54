#include "atvalues.h"

namespace {
bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}
}

bool IsLocationValue(const QString &location, int capacity)
{
    // Ten digits are more than any memory holds; the limit keeps toInt honest.
    if (!allDigits(location) || location.size() > 9)
        return false;
    const int value = location.toInt();
    return value >= 1 && (capacity <= 0 || value <= capacity);
}

bool IsDialString(const QString &number)
{
    // Long enough for any international number with pauses and an extension.
    if (number.isEmpty() || number.size() > 80)
        return false;
    for (QChar c : number)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('*') || c == QLatin1Char('#')
              || c == QLatin1Char('+') || c == QLatin1Char('p') || c == QLatin1Char('w') || c == QLatin1Char(',')))
            return false;
    return true;
}

bool IsSecurityCode(const QString &code)
{
    return allDigits(code) && code.size() >= 4 && code.size() <= 8;
}
