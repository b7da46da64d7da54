#include "smslisting.h"

#include "attransport.h"
#include "comport.h"

namespace {

constexpr int DefaultSilenceMs = 10000;
// A line longer than any PDU line (2 * 176 octets plus a service centre) is
// junk; it is cut so that noise cannot grow without bound.
constexpr int MaxLineLength = 1024;

} // namespace

// ---- SmsListing -------------------------------------------------------------

SmsListing::SmsListing(TComPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(DefaultSilenceMs);
    connect(&m_silence, &QTimer::timeout, this, &SmsListing::giveUp);
}

QByteArray SmsListing::memoryCommand(const QByteArray &memory)
{
    return "AT+CPMS=\"" + memory + "\"\r";
}

QByteArray SmsListing::listCommand(int status)
{
    return "AT+CMGL=" + QByteArray::number(status) + "\r";
}

QByteArray SmsListing::deleteCommand(int index)
{
    return "AT+CMGD=" + QByteArray::number(index) + "\r";
}

void SmsListing::selectMemory(const QByteArray &memory)
{
    send(Command::SelectMemory, memoryCommand(memory));
}

void SmsListing::list(int status)
{
    send(Command::List, listCommand(status));
}

void SmsListing::deleteMessage(int index)
{
    send(Command::Delete, deleteCommand(index));
}

void SmsListing::send(Command command, const QByteArray &text)
{
    m_port->SendText(text);
    m_waiting.push_back(command);
    m_silence.start();
}

void SmsListing::reset()
{
    m_waiting.clear();
    m_line.clear();
    m_collector.clear();
    m_silence.stop();
}

void SmsListing::feed(const QByteArray &bytes)
{
    if (!m_waiting.empty() && !bytes.isEmpty())
        m_silence.start();
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_line.isEmpty()) {
                const QByteArray line = m_line;
                m_line.clear();
                takeLine(line);
            }
        } else if (m_line.size() < MaxLineLength) {
            m_line += c;
        }
    }
}

void SmsListing::takeLine(const QByteArray &line)
{
    // Only a listing's own lines become entries; a header line that comes
    // while something else waits is passed over like any other line.
    const bool listing = !m_waiting.empty() && m_waiting.front() == Command::List;
    const bool final = listing ? m_collector.take(line) : IsFinalResultLine(line.trimmed());
    if (!final || m_waiting.empty())
        return;  // a result nobody waits for (a late answer after a time-out) is passed over

    const Command command = m_waiting.front();
    m_waiting.pop_front();
    if (m_waiting.empty())
        m_silence.stop();
    const QList<SmsEntry> entries = command == Command::List ? m_collector.entries : QList<SmsEntry>();
    if (command == Command::List)
        m_collector.clear();
    if (line.trimmed() == "OK") {
        if (command == Command::List)
            emit listed(entries);
        else
            emit done(command);
    } else {
        emit failed(command, line.trimmed());
    }
}

void SmsListing::giveUp()
{
    if (m_waiting.empty())
        return;
    const Command command = m_waiting.front();
    reset();
    emit timedOut(command);
}
