#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include "smsreply.h"

#include <functional>
#include <optional>

class QTimer;
class TComPort;

// Sending one short message through the modem port in PDU mode (3GPP TS
// 27.005 3.5.1), shared by the compose dialog and torvane-cli. No widgets.
//
// The exchange, each step waiting for the handset before the next:
//   "ATE0\r"                      -> OK            (echo off)
//   "AT+CMGF=0\r"                 -> OK            (PDU mode)
//   "AT+CSCA=\"+<centre>\"\r"     -> OK            (only with a centre: it
//                                                   rewrites the handset's own)
//   per part:
//   "AT+CMGS=<length>\r"          -> "> "          (the prompt)
//   "<PDU>" Ctrl-Z                -> "+CMGS: <mr>" OK
//   "ATE1\r"                      -> OK            (only when ATE0 was echoed:
//                                                   echo as it was before)
// A text longer than one message goes as a concatenated message, one
// AT+CMGS per part (TextToPduParts). An error result ("ERROR", "+CMS ERROR:
// n", "+CME ERROR: n") or a wait that runs out ends the exchange; parts
// already sent stay sent. A part counts as taken once its "+CMGS: mr" has
// come, even if its OK never does. Echo is put back after a failure too.
// Unsolicited result codes and the echo are skipped.
//
// Every wait is bounded (Timeouts): a handset answers a command at once,
// but may need tens of seconds to reach the network before it answers a
// PDU. While it runs the sender is the port's receive handler; the previous
// handler is put back when it ends.

// A number as the user may type it: blanks removed and one leading "+"
// removed, then 1 to 20 digits; nothing for anything else.
std::optional<QByteArray> NormalizeSmsNumber(const QString &text);

// The relative validity-period octet as two upper-case hex digits: amount
// days (unit 0, 166 + amount) or weeks (unit 1, 192 + amount).
QByteArray ValidityOctet(int amount, int unit);

struct SmsMessage
{
    QByteArray number;          // digits, international form without "+"
    QByteArray centre;          // digits; empty: the handset's stored centre
    QByteArray text;            // Windows-1250
    QByteArray validity = "AA"; // two hex digits
    bool statusReport = false;
};

class SmsSender : public QObject
{
    Q_OBJECT

public:
    enum class Failure {
        None,
        InvalidMessage, // number, centre or text that cannot be sent; nothing was written
        PortError,      // the port is closed or failed
        HandsetError,   // the handset answered an error result (handsetError())
        NoPrompt,       // no "> " after AT+CMGS
        NoAnswer,       // no final result in time
        Cancelled,
    };

    struct Timeouts
    {
        int commandMs = 10000; // ATE0, AT+CMGF, AT+CSCA
        int promptMs = 10000;  // the "> " after AT+CMGS
        int answerMs = 60000;  // "+CMGS: mr" and OK after the PDU
    };

    explicit SmsSender(TComPort &port, QObject *parent = nullptr);
    ~SmsSender() override;

    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }
    Timeouts timeouts() const { return m_timeouts; }

    // Starts the exchange; finished() follows (also for a message that
    // cannot be sent). Ignored while an exchange runs.
    void send(const SmsMessage &message);
    // After an exchange that ended with some parts of a concatenated
    // message taken: whether message is that same message (the remaining
    // parts can go under the same reference, so that the recipient's phone
    // joins them with those already delivered).
    bool canResume(const SmsMessage &message) const;
    // Sends the remaining parts of the last message (the same PDUs, the
    // same reference); the set-up commands go first as for send().
    void resume();
    // Stops waiting; at the prompt the handset gets ESC. A part already
    // handed to the handset may still go out.
    void cancel();
    bool isBusy() const { return m_stage != Stage::Idle; }

    // Of the last exchange:
    int partCount() const { return int(m_parts.size()); }
    int partsSent() const { return int(m_references.size()); } // taken by the handset, from part 1 on
    QList<int> references() const { return m_references; } // the handset's "+CMGS" values
    Failure failure() const { return m_failure; }
    QByteArray handsetError() const { return m_handsetError; } // e.g. "+CMS ERROR: 500"
    QString errorText() const { return m_errorText; }          // English, for the command line

signals:
    // step of steps (3 set-up commands, then 2 per part).
    void progress(int step, int steps);
    void partSent(int part, int total, int reference);
    // Emitted from the event loop once the exchange is over.
    void finished(bool ok);

private:
    enum class Stage { Idle, Echo, Format, Centre, Command, Pdu, RestoreEcho };

    void onRx(int count);
    void write(const QByteArray &bytes);
    void startStage(Stage stage);
    void stageDone();
    void timedOut();
    void fail(Failure failure, const QString &text, const QByteArray &handsetLine = {});
    // The exchange is over: echo is put back first when it was on.
    void finish(bool ok);
    void start();
    void end(bool ok);
    int steps() const { return 3 + 2 * int(m_parts.size() - m_firstPart); }
    void takePart(int reference);

    TComPort &m_port;
    QTimer *m_timer;
    Timeouts m_timeouts;
    Stage m_stage = Stage::Idle;
    SmsMessage m_message;
    QList<QByteArray> m_parts;   // PDU lines
    QList<QByteArray> m_lengths; // their AT+CMGS arguments
    int m_part = 0;
    int m_firstPart = 0; // where a resumed exchange starts
    int m_step = 0;
    QList<int> m_references;
    SmsReplyReader m_reader;
    QByteArray m_command; // the command line of the current stage, for its echo
    Failure m_failure = Failure::None;
    QByteArray m_handsetError;
    QString m_errorText;
    std::function<void(int)> m_previousHandler;
    int m_concatReference;
    bool m_echoWasOn = false;  // ATE0 came back echoed and was answered OK
    bool m_result = false;     // of the exchange, while echo is put back
    bool m_partTaken = false;  // the current part's "+CMGS" has come
};
