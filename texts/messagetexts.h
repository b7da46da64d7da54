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
    QByteArray obexRsp10;   // dialogy/1200, OBEX response "Continue"
    QByteArray obexRsp20;   // dialogy/1201, OBEX response "Success"
    QByteArray obexRsp40;   // dialogy/1202, OBEX response "Bad Request"
    QByteArray obexRsp41;   // dialogy/1203, OBEX response "Unauthorized"
    QByteArray obexRsp43;   // dialogy/1204, OBEX response "Forbidden"
    QByteArray obexRsp44;   // dialogy/1205, OBEX response "Not Found"
    QByteArray obexRsp45;   // dialogy/1206, OBEX response "Method Not Allowed"
    QByteArray obexRsp46;   // dialogy/1207, OBEX response "Not Acceptable"
    QByteArray obexRsp48;   // dialogy/1208, OBEX response "Request Timeout"
    QByteArray obexRsp49;   // dialogy/1209, OBEX response "Conflict"
    QByteArray obexRsp4C;   // dialogy/1210, OBEX response "Precondition Failed"
    QByteArray obexRsp4D;   // dialogy/1211, OBEX response "Request Entity Too Large"
    QByteArray obexRsp4F;   // dialogy/1212, OBEX response "Unsupported Media Type"
    QByteArray obexRsp50;   // dialogy/1213, OBEX response "Internal Server Error"
    QByteArray obexRsp51;   // dialogy/1214, OBEX response "Not Implemented"
    QByteArray obexRsp53;   // dialogy/1215, OBEX response "Service Unavailable"
    QByteArray obexRsp60;   // dialogy/1216, OBEX response "Database Full"
    QByteArray obexRsp61;   // dialogy/1217, OBEX response "Database Locked"

    // The text of an OBEX response code (final bit ignored); empty for a
    // code without one.
    QByteArray obexResponse(unsigned char code) const
    {
        switch (code & 0x7F) {
        case 0x10: return obexRsp10;
        case 0x20: return obexRsp20;
        case 0x40: return obexRsp40;
        case 0x41: return obexRsp41;
        case 0x43: return obexRsp43;
        case 0x44: return obexRsp44;
        case 0x45: return obexRsp45;
        case 0x46: return obexRsp46;
        case 0x48: return obexRsp48;
        case 0x49: return obexRsp49;
        case 0x4C: return obexRsp4C;
        case 0x4D: return obexRsp4D;
        case 0x4F: return obexRsp4F;
        case 0x50: return obexRsp50;
        case 0x51: return obexRsp51;
        case 0x53: return obexRsp53;
        case 0x60: return obexRsp60;
        case 0x61: return obexRsp61;
        default: return {};
        }
    }

    static MessageTexts defaults();
};
