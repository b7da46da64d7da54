#pragma once

#include "phonebookmemory.h"

#include <QByteArray>
#include <QObject>

class QTimer;
class TComPort;

// The exchange that reads one phonebook memory location by location, and
// writes one entry, over the modem port. No widgets: the phonebook page and
// torvane-cli are front ends over it.
//
// Replies are driven in from outside: whoever assembles the modem port's
// lines (the main window's ComPort1RxChar, or torvane-cli) hands every
// complete reply to replyComplete() ("OK") or replyFailed() (an error final
// result). While idle both do nothing, so answers to other commands pass.
//
// The read: selection command (state "SIM1"), count query ("SIM2"), then
// AT+CPBR=1 .. capacity one at a time ("SIM"), each sent as soon as the
// previous reply is in. Every location from 1 to the capacity gives a row,
// empty for an empty location, also when the handset answers an empty
// location with an error ("+CME ERROR: 22" on many handsets; also "ERROR"
// and 21, invalid index); any other error to AT+CPBR (SIM failure, PIN
// wanted) ends the read as MemoryRefused. For FD each
// AT+CPBR is preceded by the PIN2 command, whose own reply is awaited first;
// the handset answers an error once the PIN2 no longer is wanted, which is
// taken as accepted when an earlier PIN2 of this read already was.
//
// The read ends with finished() or failed(); rows read so far stay with the
// receiver. An error to the selection, the count query or the PIN2, a count
// that is not a pair of whole numbers, a port error, or no reply within
// replyTimeoutMs ends it with failed().
class PhonebookReader : public QObject
{
    Q_OBJECT

public:
    enum class Failure {
        PortError,      // the port would not take the command (detail: its message)
        MemoryRefused,  // error to the selection or the count query (detail: the error line)
        BadCount,       // the count reply is no pair of numbers (detail: the reply)
        Pin2Refused,    // error to the PIN2 (detail: the error line)
        NoAnswer,       // no reply within the bound
    };
    Q_ENUM(Failure)

    explicit PhonebookReader(TComPort *port, QObject *parent = nullptr);

    // Starts reading memory `index` of MemoryTable (from whatever state);
    // pin2 is sent before each location of FD. False (and nothing sent) for an
    // index out of range; a port error is reported through failed().
    bool start(int index, const QByteArray &pin2 = {});
    // Stops a read or write without any signal.
    void cancel();
    // Writes one entry into the memory selected on the handset; the result
    // comes as entryWritten() or entryRefused(). A read in progress is cancelled.
    void writeEntry(const QByteArray &command);

    void replyComplete(const QByteArray &reply);
    void replyFailed(const QByteArray &reply, const QByteArray &errorLine);

    // "" idle, "SIM1", "SIM2", "SIM" while reading, "CPBW" while a write waits.
    QByteArray state() const { return m_state; }
    int memoryIndex() const { return m_memory; }
    int index() const { return m_index; }
    int capacity() const { return m_capacity; }
    bool busy() const { return !m_state.isEmpty(); }

    // Bound on the wait for each reply (5 s by default).
    int replyTimeoutMs() const;
    void setReplyTimeoutMs(int ms);

signals:
    void memoryCounted(int used, int capacity);
    // Before each AT+CPBR: location `index` of `capacity` is being read.
    void progress(int index, int capacity);
    void rowRead(const PhonebookRow &row);
    void finished();
    void failed(PhonebookReader::Failure failure, const QByteArray &detail);
    void entryWritten();
    void entryRefused(const QByteArray &detail);

private:
    void send(const QByteArray &command);
    void readNextEntry();
    void sendReadCommand();
    void fail(Failure failure, const QByteArray &detail);
    void noAnswer();

    TComPort *m_port;
    QTimer *m_silence;
    QByteArray m_state;
    QByteArray m_pin2;
    int m_memory = -1;
    int m_index = 0;
    int m_capacity = 0;
    bool m_awaitingPin2 = false;
    bool m_pin2Accepted = false;
};
