#pragma once

#include "phonebookmemory.h"
#include "phonebooktext.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

class QTimer;
class TComPort;

// The exchange that reads one phonebook memory and writes one entry over the
// modem port. No widgets: the phonebook page and torvane-cli are front ends
// over it.
//
// Replies are driven in from outside: whoever assembles the modem port's
// lines (the main window's ComPort1RxChar, or torvane-cli) hands every
// complete reply to replyComplete() ("OK") or replyFailed() (an error final
// result). While idle both do nothing, so answers to other commands pass.
//
// The read, one command at a time, each sent once the previous reply is in:
//   AT+CMEE? and AT+CMEE=1   numeric errors, so that "not found" can be told
//                            from a failure (the mode is put back at the end)
//   selection, count         AT+CPBS="SM" / AT+CPBS? (AT^SPBS for the maker's)
//   AT+CSCS?, AT+CSCS=?,     the character set: UCS2 where the handset offers
//   AT+CSCS="UCS2"           it, else GSM, else IRA (put back at the end)
//   AT+CPBR=?                the bounds of the locations
//   AT+CPBR=a,b              ranges of rangeSize() locations; where the
//                            handset refuses a range (any error but "not
//                            found"), one location a command from there on
// For FD each read command is preceded by the PIN2, whose own reply is
// awaited first; the handset answers an error once the PIN2 no longer is
// wanted, which is taken as accepted when an earlier PIN2 of this read was.
// A refused PIN2 is followed by AT+CPIN? and AT+CPINR="SIM PIN2", so that
// the failure can say whether the PUK2 is wanted and how many tries remain.
//
// Every location of the bounds gives one row, in order, emitted once its
// command's reply is in; a row comes only from a "+CPBR:" line with its own
// index. A reply whose entries all belong to an earlier command (a stray "OK"
// put the exchange one reply ahead) is not taken for the pending command:
// its rows are emitted again, now filled, and the exchange waits on. An error
// "not found" (22), and for a single location "invalid index" (21), is an
// empty location (plain "ERROR" too when the handset has no numeric errors);
// any other error ends the read as MemoryRefused. When the read ends with
// fewer used locations than the count reply gave, shortfall() says so.
//
// The read ends with finished() or failed(), after the error mode and the
// character set have been put back; rows read so far stay with the receiver.
// stop() ends it at the next reply the same way (finished(), stopped()).
// An error to the selection, the count query or the PIN2, a count that is
// not a pair of whole numbers, a port error, or no reply within
// replyTimeoutMs ends it with failed() (after the last two nothing more is
// sent).
//
// The write: AT+CSCS?, AT+CSCS=?, the set chosen as for the read, then
// AT+CPBW into the memory selected on the handset, then the set put back.
class PhonebookReader : public QObject
{
    Q_OBJECT

public:
    enum class Failure {
        PortError,      // the port would not take the command (detail: its message)
        MemoryRefused,  // error to the selection, the count query or a read (detail: the error line)
        BadCount,       // the count reply is no pair of numbers (detail: the reply)
        Pin2Refused,    // error to the PIN2 (detail: the error line)
        NoAnswer,       // no reply within the bound
    };
    Q_ENUM(Failure)

    explicit PhonebookReader(TComPort *port, QObject *parent = nullptr);

    // Starts reading memory `index` of MemoryTable (from whatever state);
    // pin2 is sent before each read command of FD. False (and nothing sent)
    // for an index out of range, or for FD with a PIN2 that is not 4 to 8
    // digits; a port error is reported through failed().
    bool start(int index, const QByteArray &pin2 = {});
    // Stops a read or write without any signal and without sending anything.
    void cancel();
    // Ends a read at its next reply, keeping the rows read: the error mode and
    // character set are put back, then finished() (with stopped() true).
    void stop();
    // Writes one entry into the memory selected on the handset; the result
    // comes as entryWritten(), nameRefused() or entryRefused(). A read in
    // progress is cancelled. The location must be one of the memory last
    // counted (any positive one when none was); false, nothing sent, when
    // the location or number is not fit for the command.
    bool writeEntry(const QString &location, const QString &number, const QString &name, bool vip);

    void replyComplete(const QByteArray &reply);
    void replyFailed(const QByteArray &reply, const QByteArray &errorLine);

    // The step waited for: "" idle, else a short name ("select", "count",
    // "read", "write", ...).
    QByteArray state() const;
    int memoryIndex() const { return m_memory; }
    int index() const { return m_next; }
    int capacity() const { return m_capacity; }
    bool busy() const { return m_stage != Stage::Idle; }
    bool stopped() const { return m_stopped; }
    // The set the names of the last exchange were read or written in, and
    // whether an exchange has chosen one yet.
    PhonebookCharset charset() const { return m_charset; }
    bool charsetKnown() const { return m_charsetKnown; }
    // After a refused PIN2: the PIN2 tries left (-1 unknown) and whether the
    // handset wants the PUK2.
    int pin2AttemptsLeft() const { return m_pin2Attempts; }
    bool puk2Wanted() const { return m_puk2Wanted; }

    // Bound on the wait for each reply (5 s by default).
    int replyTimeoutMs() const;
    void setReplyTimeoutMs(int ms);
    // Locations asked for with one command (25 by default; 1 reads one by one).
    int rangeSize() const { return m_rangeSize; }
    void setRangeSize(int size) { m_rangeSize = size < 1 ? 1 : size; }

signals:
    void memoryCounted(int used, int capacity);
    // After each read command's rows: `index` of `capacity` locations are in.
    void progress(int index, int capacity);
    // One row per location; a row emitted again for a location replaces it.
    void rowRead(const PhonebookRow &row);
    void finished();
    void failed(PhonebookReader::Failure failure, const QByteArray &detail);
    // The read ended with fewer used locations than the count reply gave.
    void shortfall(int read, int counted);
    void entryWritten();
    void entryRefused(const QByteArray &detail);
    // The name holds characters the handset's set cannot hold; nothing written.
    void nameRefused(const QString &characters, const QByteArray &charset);

private:
    enum class Stage {
        Idle, QueryCmee, SetCmee, Select, Count, QueryCscs, TestCscs, SetCscs, Bounds, Pin2, Range,
        CheckPin, Retries, RestoreCscs, RestoreCmee, Write,
    };
    enum class Outcome { Finished, Failed, Written, Refused, NameRefused };

    void send(Stage stage, const QByteArray &command);
    void afterCmee();
    void afterCount();
    void chooseCharset(const QByteArray &offered);
    void afterCharset();
    void readNextRange();
    void sendReadCommand();
    void rangeRead(const QByteArray &reply);
    void rangeEmpty();
    void emitLate(const QList<PhonebookEntry> &entries);
    void pin2Failed(const QByteArray &errorLine);
    void finish(Outcome outcome, Failure failure = Failure::NoAnswer, const QByteArray &detail = {});
    void restoreNext();
    void endNow(Failure failure, const QByteArray &detail);
    void noAnswer();
    bool writing() const { return m_writing; }

    TComPort *m_port;
    QTimer *m_silence;
    Stage m_stage = Stage::Idle;
    bool m_writing = false;
    QByteArray m_pin2;
    int m_memory = -1;
    int m_capacity = 0;
    int m_counted = 0;
    int m_first = 1;
    int m_last = 0;
    int m_next = 0;       // first location of the pending read command
    int m_rangeEnd = 0;   // its last location
    int m_rangeSize = 25;
    bool m_single = false;
    bool m_awaitingPin2 = false;
    bool m_pin2Accepted = false;
    bool m_stopRequested = false;
    bool m_stopped = false;
    bool m_numericErrors = false;
    int m_savedCmee = -1;       // -1: unknown or unchanged
    bool m_cmeeChanged = false;
    QByteArray m_savedCharset;  // as the handset reported it
    bool m_charsetChanged = false;
    PhonebookCharset m_charset = PhonebookCharset::Ira;
    bool m_charsetKnown = false;
    PhonebookCharset m_handsetCharset = PhonebookCharset::Ira;  // the set the handset is in now
    QMap<int, bool> m_used;     // locations read, and whether used
    int m_pin2Attempts = -1;
    bool m_puk2Wanted = false;
    // The entry to write once the set is known.
    QString m_writeLocation, m_writeNumber, m_writeName;
    bool m_writeVip = false;
    // How the exchange ends once the handset is put back.
    Outcome m_outcome = Outcome::Finished;
    Failure m_failure = Failure::NoAnswer;
    QByteArray m_detail;
    QString m_refusedCharacters;
};
