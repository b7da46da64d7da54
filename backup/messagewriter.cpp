#include "messagewriter.h"

#include "attransport.h"
#include "backupformats.h"
#include "comport.h"

MessageWriter::MessageWriter(TComPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(10000);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        Outcome o;
        o.silent = true;
        o.error = QStringLiteral("no answer");
        if (m_stage == Stage::Prompt) {
            try {
                m_port->SendText("\x1b");
            } catch (const EComPort &) {
            }
        }
        end(o);
    });
}

MessageWriter::~MessageWriter()
{
    if (busy())
        m_port->OnRxChar = nullptr;
}

QByteArray MessageWriter::selectCommand(const QByteArray &memory)
{
    return "AT+CPMS=\"" + memory + "\",\"" + memory + "\"\r";
}

QByteArray MessageWriter::writeCommand(int tpduLength, int status)
{
    return "AT+CMGW=" + QByteArray::number(tpduLength) + ',' + QByteArray::number(status) + '\r';
}

void MessageWriter::selectMemory(const QByteArray &memory)
{
    start(Stage::Select, selectCommand(memory));
}

void MessageWriter::write(const QByteArray &pdu, int status)
{
    const int length = TpduLength(pdu);
    if (length < 1 || status < 0 || status > 3) {
        Outcome o;
        o.error = QStringLiteral("not a whole PDU");
        QTimer::singleShot(0, this, [this, o] { emit finished(o); });
        return;
    }
    m_pdu = pdu;
    start(Stage::Prompt, writeCommand(length, status));
}

void MessageWriter::start(Stage stage, const QByteArray &command)
{
    m_stage = stage;
    m_received.clear();
    m_index = 0;
    m_port->OnRxChar = [this](int count) { onRx(count); };
    m_timer.start();
    try {
        m_port->SendText(command);
    } catch (const EComPort &e) {
        Outcome o;
        o.error = e.text();
        o.silent = true;
        end(o);
    }
}

void MessageWriter::cancel()
{
    if (m_stage == Stage::Prompt) {
        try {
            m_port->SendText("\x1b");
        } catch (const EComPort &) {
        }
    }
    m_timer.stop();
    m_stage = Stage::Idle;
    m_port->OnRxChar = nullptr;
}

void MessageWriter::end(Outcome outcome)
{
    m_timer.stop();
    m_stage = Stage::Idle;
    m_port->OnRxChar = nullptr;
    emit finished(outcome);
}

void MessageWriter::onRx(int count)
{
    try {
        m_received += m_port->ReceiveBytes(count);
    } catch (const EComPort &e) {
        Outcome o;
        o.error = e.text();
        o.silent = true;
        end(o);
        return;
    }
    m_timer.start();
    if (m_stage == Stage::Prompt) {
        // The prompt stands at the start of a line: "\r\n> ".
        if (m_received.contains("\n> ") || m_received.startsWith("> ")) {
            m_stage = Stage::Answer;
            m_received.clear();
            try {
                m_port->SendText(m_pdu + '\x1a');
            } catch (const EComPort &e) {
                Outcome o;
                o.error = e.text();
                o.silent = true;
                end(o);
            }
            return;
        }
    }
    // Whole lines only; the final result ends the command.
    qsizetype end_ = -1;
    while ((end_ = m_received.indexOf('\n')) >= 0 || (end_ = m_received.indexOf('\r')) >= 0) {
        const QByteArray line = m_received.left(end_).trimmed();
        m_received.remove(0, end_ + 1);
        if (line.startsWith("+CMGW:"))
            m_index = line.mid(6).trimmed().toInt();
        if (!IsFinalResultLine(line))
            continue;
        Outcome o;
        if (IsErrorResultLine(line)) {
            o.error = QString::fromLatin1(line);
        } else if (m_stage == Stage::Prompt) {
            // "OK" before any prompt: the command was not taken as a write.
            o.error = QStringLiteral("no prompt");
        } else {
            o.ok = true;
            o.index = m_index;
        }
        end(o);
        return;
    }
}
