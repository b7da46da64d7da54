#pragma once

#include <QByteArray>

class QDateTime;

// The AT commands of the device settings and security codes, built from the
// values the user chose (no widgets here). Each ends in CR; an empty text
// means that the value names nothing to send (an index below 0, an option
// or lock item that does not exist, an invalid moment). Numbers are decimal
// without leading zeros; codes and tones go out as typed.
namespace SettingCommands {
// "AT+CRSL=" + (index + 1): the ring level is one above the entry's index.
QByteArray ringVolume(int index);
// "AT+CLVL=" + index.
QByteArray speakerVolume(int index);
// "AT+CALM=" + index.
QByteArray alertMode(int index);
// Option item 0..3: keypad lock, vibration, and the handset's own commands
// for items 2 and 3 (AT+CLIR and AT+CMUT), with 1 or 0.
QByteArray option(int item, bool checked);
// AT+CCLK="yy/MM/dd,h:mm:ss": the date from the day, month and year
// themselves (two-digit year, day and month padded to two digits), never from
// a locale's date text; unpadded hours, two-digit minutes and seconds.
QByteArray clock(const QDateTime &now);
// "AT^SMSO".
QByteArray powerOff();
// Lock item 0 (PIN, facility SC) or 1 (phone lock, PS): at^slck with the new
// state and the code; empty when the code is not 4 to 8 digits.
QByteArray lock(int item, bool checked, const QByteArray &code);
// "AT+CPWD=" with the facility ("SC", "P2", "PS") in quotes, old and new code;
// empty when either code is not 4 to 8 digits.
QByteArray changeCode(const QByteArray &facility, const QByteArray &oldCode,
                      const QByteArray &newCode);
// "AT+VTS=" + tones; "AT+VTD=" + duration.
QByteArray dtmfTones(const QByteArray &tones);
QByteArray dtmfDuration(int duration);
} // namespace SettingCommands
