#include "settingcommands.h"

#include "atvalues.h"

#include <QDateTime>

#include <iterator>

namespace {

QByteArray number(int n)
{
    return QByteArray::number(n);
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

char bit(bool on)
{
    return on ? '1' : '0';
}

} // namespace

namespace SettingCommands {

QByteArray ringVolume(int index)
{
    return index < 0 ? QByteArray() : "AT+CRSL=" + number(index + 1) + '\r';
}

QByteArray speakerVolume(int index)
{
    return index < 0 ? QByteArray() : "AT+CLVL=" + number(index) + '\r';
}

QByteArray alertMode(int index)
{
    return index < 0 ? QByteArray() : "AT+CALM=" + number(index) + '\r';
}

QByteArray option(int item, bool checked)
{
    // Items 2 and 3 use the commands this handset has always been sent for
    // them; the readout reads them back through other queries.
    static const char *const commands[] = {"at+clck=\"CS\",", "at+cvib=", "AT+CLIR=", "AT+CMUT="};
    if (item < 0 || item >= int(std::size(commands)))
        return {};
    return QByteArray(commands[item]) + bit(checked) + '\r';
}

QByteArray clock(const QDateTime &now)
{
    if (!now.isValid())
        return {};
    const QDate d = now.date();
    const QTime t = now.time();
    // The year modulo 100 stays two digits for any year, also before 2000.
    const int year = ((d.year() % 100) + 100) % 100;
    const QByteArray date = twoDigits(year) + '/' + twoDigits(d.month()) + '/' + twoDigits(d.day());
    const QByteArray time = number(t.hour()) + ':' + twoDigits(t.minute()) + ':' + twoDigits(t.second());
    return "AT+CCLK=\"" + date + ',' + time + "\"\r";
}

QByteArray powerOff()
{
    return "AT^SMSO\r";
}

QByteArray lock(int item, bool checked, const QByteArray &code)
{
    static const char *const facilities[] = {"SC", "PS"};
    if (item < 0 || item >= int(std::size(facilities)) || !IsSecurityCode(QString::fromLatin1(code)))
        return {};
    return "at^slck=\"" + QByteArray(facilities[item]) + "\"," + bit(checked) + ',' + code + '\r';
}

QByteArray changeCode(const QByteArray &facility, const QByteArray &oldCode,
                      const QByteArray &newCode)
{
    if (!IsSecurityCode(QString::fromLatin1(oldCode)) || !IsSecurityCode(QString::fromLatin1(newCode)))
        return {};
    return "AT+CPWD=\"" + facility + "\"," + oldCode + ',' + newCode + '\r';
}

QByteArray dtmfTones(const QByteArray &tones)
{
    return "AT+VTS=" + tones + '\r';
}

QByteArray dtmfDuration(int duration)
{
    return "AT+VTD=" + number(duration) + '\r';
}

} // namespace SettingCommands
