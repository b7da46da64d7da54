#pragma once

#include <QByteArray>

// The localized texts of messages composed at run time (Windows-1250 bytes).
// The built-in Czech defaults are in place until a language file is loaded.
struct MessageTexts
{
    QByteArray noHandset;        // dialogy/1
    QByteArray portBusy;         // dialogy/2
    QByteArray portBusyHint;     // dialogy/21
    QByteArray statusCannotOpen; // dialogy/4
    QByteArray statusReleased;   // dialogy/5
    QByteArray closeError;       // dialogy/6
    QByteArray guardLine1;       // dialogy/7
    QByteArray guardLine2;       // dialogy/71
    QByteArray guardQuestion;    // dialogy/72
    QByteArray guardCaption;     // dialogy/73
    QByteArray noMessages;       // sms/5
    QByteArray smsHandsetError;  // sms/60, then a blank and the handset's error line
    QByteArray smsNoAnswer;      // sms/61
    QByteArray smsSaveFailed;    // sms/62, then a blank, the file name and the reason
    QByteArray smsPrintFailed;   // sms/63
    QByteArray smsMissingParts;  // sms/64, then the missing parts of a concatenated message

    static MessageTexts defaults();
};
