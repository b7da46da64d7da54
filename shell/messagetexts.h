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
    QByteArray portMissing;      // dialogy/22, "%s" stands for the port's name
    QByteArray portMissingHint;  // dialogy/23

    static MessageTexts defaults();
};
