#pragma once

#include "smsentries.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <deque>

class TComPort;

// Listing the handset's message store (3GPP TS 27.005, PDU mode), shared by
// the SMS page and torvane-cli. No widgets here.
//
// The handset's answers arrive in pieces cut anywhere: an "OK" may come as
// "O" and then "K\r\n", a header line in two halves. So the bytes are
// assembled into lines first (CR or LF ends a line; empty lines are
// skipped), and only whole lines are looked at:
//   - "+CMGL: index,status,[alpha],length" opens an entry; the next line is
//     its PDU. The alpha field may hold anything, commas in quotes included.
//   - a final result line ("OK", "ERROR", "+CME ERROR: n", "+CMS ERROR: n")
//     ends the oldest command still waiting for its answer;
//   - everything else (the echo of a command, "+CPMS: ..." of a memory
//     selection, unsolicited result codes, junk) is passed over.
// One command at a time: a command is written only once the one before it
// has had its final result, so a handset still busy with a memory selection
// never gets the listing command on top of it. Commands asked for meanwhile
// wait in a queue, in order. So a memory selection's or a deletion's answer
// is never taken for a message, and a finished listing is never read again.
// An error result ends the command and drops the commands queued after it
// (they were meant for the state the failed one would have made).
//
// A wait is bounded: while a command waits, each received byte restarts the
// silence timer; when it runs out every waiting command is given up
// (timedOut), so a handset that stops answering never leaves the caller
// waiting forever.
class SmsListing : public QObject
{
    Q_OBJECT

public:
    enum class Command { SelectMemory, List, Delete };
    Q_ENUM(Command)

    // Sends through port (already open); bytes come back through feed().
    explicit SmsListing(TComPort *port, QObject *parent = nullptr);

    // The commands as sent: "AT+CPMS=\"SM\"\r", "AT+CMGL=4\r", "AT+CMGD=3\r".
    static QByteArray memoryCommand(const QByteArray &memory);
    static QByteArray listCommand(int status);
    static QByteArray deleteCommand(int index);

    // Queue one command; it is written at once when nothing is waiting,
    // else after the final result of the one before. EComPort from the port
    // is passed on from a write made here (the queue is then forgotten). A
    // memory name other than SM, ME and MT, or an index outside 1..65535,
    // is never sent (std::invalid_argument).
    void selectMemory(const QByteArray &memory);
    void list(int status);
    void deleteMessage(int index);

    // Received bytes of the modem port, as they come.
    void feed(const QByteArray &bytes);

    // Commands still waiting for their final result (written or queued).
    bool waiting() const { return !m_waiting.empty(); }
    // The command written and waiting for its answer, if any.
    bool inFlight() const { return m_written; }
    // Forgets the waiting commands and any half-received line.
    void reset();

    // The silence that gives up the waiting commands; 10 s by default, which
    // leaves a slow SIM time to start a long listing.
    void setSilenceTimeout(int ms) { m_silence.setInterval(ms); }
    int silenceTimeout() const { return m_silence.interval(); }

signals:
    // The listing's "OK": its entries in the order the handset listed them.
    void listed(const QList<SmsEntry> &entries);
    // A memory selection or deletion answered "OK".
    void done(SmsListing::Command command);
    // A command answered with an error result; errorLine as the handset sent it.
    void failed(SmsListing::Command command, const QByteArray &errorLine);
    // No byte arrived for silenceTimeout() while command was waiting; every
    // waiting command is given up.
    void timedOut(SmsListing::Command command);

private:
    struct Pending
    {
        Command command;
        QByteArray text;
    };
    void send(Command command, const QByteArray &text);
    void writeNext();
    void takeLine(const QByteArray &line);
    void giveUp();

    TComPort *m_port;
    std::deque<Pending> m_waiting; // the front one is written when m_written
    bool m_written = false;
    QByteArray m_line;
    CmglCollector m_collector;
    QTimer m_silence;
};
