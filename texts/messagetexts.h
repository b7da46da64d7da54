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
    // The compose dialog.
    QByteArray smsCounterParts;  // sms/65, counter of a longer text: %1 length, %2 limit, %3 parts
    QByteArray smsBadNumber;     // sms/66, %1 the recipient as typed
    QByteArray smsBadCentre;     // sms/67, %1 the centre as given
    QByteArray smsUnencodable;   // sms/68, %1 the characters Windows-1250 lacks
    QByteArray smsTooLong;       // sms/69, %1 length, %2 limit, %3 most parts
    QByteArray smsSent;          // sms/70, status panel 0 after one message
    QByteArray smsSentParts;     // sms/71, %1 the parts sent
    QByteArray smsSendFailed;    // sms/72, then a line break and the reason
    QByteArray smsSendRefused;   // sms/73, %1 the handset's error line
    QByteArray smsSendNoPrompt;  // sms/74, %1 seconds waited
    QByteArray smsSendNoAnswer;  // sms/75
    QByteArray smsSendPortError; // sms/76, %1 the port's error
    QByteArray smsSendCancelled; // sms/77
    QByteArray smsPartsSent;     // sms/78, %1 parts sent of %2, on a line of its own
    QByteArray pbMemoryRefused;  // seznam/70
    QByteArray pbBadCount;       // seznam/71
    QByteArray pbPin2Refused;    // seznam/72
    QByteArray pbNoAnswer;       // seznam/73
    QByteArray pbPortError;      // seznam/74
    QByteArray pbBadEntry;       // seznam/75
    QByteArray pbWriteRefused;   // seznam/76
    QByteArray pbFileReadError;  // seznam/77
    QByteArray pbFileWriteError; // seznam/78
    QByteArray pbBadLocation;    // seznam/1000, %1 the location, %2 the memory
    QByteArray pbNotFromMemory;  // seznam/1001, %1 the memory
    QByteArray pbBadDialString;  // seznam/1002, %1 the number
    QByteArray pbBadPin2;        // seznam/1003
    QByteArray pbNameUnencodable; // seznam/1004, %1 the character set, %2 the characters
    QByteArray pbFileUnencodable; // seznam/1005, %1 the file, %2 the characters
    QByteArray pbShortfall;      // seznam/1006, %1 used locations read, %2 the count given
    QByteArray pbPin2Attempts;   // seznam/1007, appended after a blank: %1 PIN2 tries left
    QByteArray pbPuk2Needed;     // seznam/1008, appended after a blank
    QByteArray adrGroupsUnreadable; // adresar/600, %1 the group file
    QByteArray adrFileUnreadable;   // adresar/601, %1 the file
    QByteArray adrNotShown;         // adresar/602, %1 shown, %2 in the file, %3 not shown
    QByteArray adrSaveFailed;       // adresar/603, %1 the file
    QByteArray adrNothingToSave;    // adresar/604
    QByteArray adrSaved;            // adresar/605, %1 the file
    QByteArray adrDeleteQuestion;   // adresar/606, %1 the display name
    QByteArray portMissing;      // dialogy/22, "%s" stands for the port's name
    QByteArray portMissingHint;  // dialogy/23

    static MessageTexts defaults();
};
