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
    QByteArray smsUnencodableInFile; // sms/1100, %1 the characters Windows-1250 lacks; a yes/no question
    QByteArray smsDeleteQuestion; // sms/1101, %1 the store index, %2 the name or number
    QByteArray smsDeleteUnconfirmed; // sms/1102
    QByteArray smsDeletedListingStopped; // sms/1103
    QByteArray smsSendingStep; // sms/1104, %1 step, %2 steps; the compose dialog while it sends
    QByteArray smsRetryRemaining; // sms/1105, %1 the parts the handset took, e.g. "1, 2"
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
    QByteArray adrDeleteQuestion;   // adresar/606, %1 the display name
    QByteArray gpsNoFix;            // info/1600, latitude and longitude without a fix
    QByteArray portMissing;      // dialogy/22, "%s" stands for the port's name
    QByteArray portMissingHint;  // dialogy/23
    QByteArray readoutIncomplete; // dialogy/1400, status panel 0: a query got no answer in time
    QByteArray operatorUnknown;   // dialogy/1401, the operator row when AT+COPS? got no answer
    QByteArray connectionLost;    // dialogy/1402, the port failed in the middle of an exchange
    QByteArray badSecurityCode;   // dialogy/1403, a PIN, PUK or phone code that is not 4 to 8 digits

    QByteArray backupFolderCaption; // dialogy/1702
    QByteArray restoreFolderCaption; // dialogy/1703
    QByteArray backupProgressCaption; // dialogy/1704
    QByteArray restoreProgressCaption; // dialogy/1705
    QByteArray backupPartPhonebook; // dialogy/1706
    QByteArray backupPartSms; // dialogy/1707
    QByteArray backupPartObex; // dialogy/1708
    QByteArray backupPartDiag; // dialogy/1709
    QByteArray backupDone; // dialogy/1710
    QByteArray backupStopped; // dialogy/1711
    QByteArray restoreDone; // dialogy/1712
    QByteArray restoreNotAll; // dialogy/1713
    QByteArray restoreStopped; // dialogy/1714
    QByteArray backupSummaryLine; // dialogy/1715
    QByteArray restoreSummaryLine; // dialogy/1716
    QByteArray backupCancelled; // dialogy/1717
    QByteArray backupCancel; // dialogy/1718
    QByteArray restoreQuestion; // dialogy/1719
    QByteArray backupNoDiag; // dialogy/1720
    QByteArray backupNoHandset; // dialogy/1721
    QByteArray backupSilent; // dialogy/1722
    QByteArray backupPortError; // dialogy/1723
    QByteArray backupFileError; // dialogy/1724
    QByteArray backupFolderUnusable; // dialogy/1725
    QByteArray backupNotABackup; // dialogy/1726
    QByteArray backupDamaged; // dialogy/1727
    QByteArray backupIncomplete; // dialogy/1728

    static MessageTexts defaults();
};
