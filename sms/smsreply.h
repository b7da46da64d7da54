#pragma once

#include <QByteArray>
#include <QList>

// The handset's side of the sending exchange as it arrives, in pieces cut
// anywhere: lines framed by CR and/or LF, and the prompt "> " of AT+CMGS,
// which has no line end. The echo of the command, empty lines and
// unsolicited result codes are skipped; other lines that are no result
// (an echoed PDU, noise) are ignored. A pure state machine: no port, no
// timers (SmsSender owns those).
class SmsReplyReader
{
public:
    enum class Event {
        Prompt,    // "> " (or ">") at the start of a line, while a prompt is awaited
        Reference, // "+CMGS: mr"; reference is -1 when mr is not a number
        Ok,        // the final result "OK"
        Error,     // "ERROR", "+CMS ERROR: n", "+CME ERROR: n"; line holds it
    };
    struct Item
    {
        Event event;
        int reference = -1;
        QByteArray line;
    };

    // Bytes kept while a line is incomplete; a longer line is cut from its start.
    static constexpr qsizetype MaxPending = 4096;

    // A new command was written: forget what was pending. command is the
    // line as written (without CR), so that its echo is skipped.
    void start(const QByteArray &command, bool wantPrompt);
    // What the new bytes complete, in order.
    QList<Item> feed(const QByteArray &bytes);
    qsizetype pendingSize() const { return m_pending.size(); }
    // The command's echo has come since start(): the handset echoes.
    bool sawEcho() const { return m_sawEcho; }

private:
    bool m_sawEcho = false;
    QByteArray m_command;
    QByteArray m_pending;
    bool m_wantPrompt = false;
};
