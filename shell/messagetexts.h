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
    QByteArray pbMemoryRefused;  // seznam/70
    QByteArray pbBadCount;       // seznam/71
    QByteArray pbPin2Refused;    // seznam/72
    QByteArray pbNoAnswer;       // seznam/73
    QByteArray pbPortError;      // seznam/74
    QByteArray pbBadEntry;       // seznam/75
    QByteArray pbWriteRefused;   // seznam/76
    QByteArray pbFileReadError;  // seznam/77
    QByteArray pbFileWriteError; // seznam/78
    QByteArray adrGroupsUnreadable; // adresar/600, %1 the group file
    QByteArray adrFileUnreadable;   // adresar/601, %1 the file
    QByteArray adrNotShown;         // adresar/602, %1 shown, %2 in the file, %3 not shown
    QByteArray adrSaveFailed;       // adresar/603, %1 the file
    QByteArray adrNothingToSave;    // adresar/604
    QByteArray adrSaved;            // adresar/605, %1 the file

    static MessageTexts defaults();
};
