#pragma once

// Storing messages in the handset's message store (3GPP TS 27.005 3.5.3,
// PDU mode): the write memory's selection and one AT+CMGW per message.
//
//   "AT+CPMS=\"ME\",\"ME\"\r"        -> OK           (read and write memory)
//   "AT+CMGW=<length>,<stat>\r"      -> "> "         (the prompt)
//   "<PDU>" Ctrl-Z                   -> "+CMGW: <index>" OK
//
// The echo and unsolicited lines are passed over; an error result ends the
// command as refused; every wait is bounded (no byte for timeoutMs: the
// handset is silent). While a command runs the writer is the port's receive
// handler; it is taken away when the command ends.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class TComPort;

class MessageWriter : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        bool ok = false;
        bool silent = false;  // no answer within the bound
        QString error;        // the handset's error line, or the port's message
        int index = 0;        // the location the handset gave the message
    };

    explicit MessageWriter(TComPort *port, QObject *parent = nullptr);
    ~MessageWriter() override;

    void setTimeoutMs(int ms) { m_timer.setInterval(ms); }

    // The commands as sent.
    static QByteArray selectCommand(const QByteArray &memory);
    static QByteArray writeCommand(int tpduLength, int status);

    // Each ends with finished() (also at once for a PDU that is no whole PDU).
    void selectMemory(const QByteArray &memory);
    void write(const QByteArray &pdu, int status);
    // Stops waiting; at the prompt the handset gets ESC, so nothing is stored.
    void cancel();
    bool busy() const { return m_stage != Stage::Idle; }

signals:
    void finished(const MessageWriter::Outcome &outcome);

private:
    enum class Stage { Idle, Select, Prompt, Answer };

    void start(Stage stage, const QByteArray &command);
    void onRx(int count);
    void end(Outcome outcome);

    TComPort *m_port;
    QTimer m_timer;
    Stage m_stage = Stage::Idle;
    QByteArray m_pdu;
    QByteArray m_received;
    int m_index = 0;
};
