#include "smslisting.h"

#include "atvalues.h"
#include "attransport.h"
#include "comport.h"

#include <stdexcept>

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
    // The names go into a quoted argument: only the three the page offers.
    if (memory != "SM" && memory != "ME" && memory != "MT")
        throw std::invalid_argument("message memory");
    send(Command::SelectMemory, memoryCommand(memory));
}

void SmsListing::list(int status)
{
    if (status < 0 || status > 4)
        throw std::invalid_argument("message status");
    send(Command::List, listCommand(status));
}

void SmsListing::deleteMessage(int index)
{
    if (!IsLocationValue(QString::number(index), 65535))
        throw std::invalid_argument("message index");
    send(Command::Delete, deleteCommand(index));
}

void SmsListing::send(Command command, const QByteArray &text)
{
    m_waiting.push_back({command, text});
    if (!m_written)
        writeNext();
}

void SmsListing::writeNext()
{
    if (m_waiting.empty() || m_written)
        return;
    try {
        m_port->SendText(m_waiting.front().text);
    } catch (...) {
        reset();
        throw;
    }
    m_written = true;
    m_silence.start();
}

void SmsListing::reset()
{
    m_written = false;
    m_waiting.clear();
    m_line.clear();
    m_collector.clear();
    m_silence.stop();
}

void SmsListing::feed(const QByteArray &bytes)
{
    if (m_written && !bytes.isEmpty())
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
    const bool listing = m_written && m_waiting.front().command == Command::List;
    const bool final = listing ? m_collector.take(line) : IsFinalResultLine(line.trimmed());
    if (!final || !m_written)
        return;  // a result nobody waits for (a late answer after a time-out) is passed over

    const Command command = m_waiting.front().command;
    m_waiting.pop_front();
    m_written = false;
    m_silence.stop();
    const QList<SmsEntry> entries = command == Command::List ? m_collector.entries : QList<SmsEntry>();
    if (command == Command::List)
        m_collector.clear();
    if (line.trimmed() == "OK") {
        // The next command goes out before the receivers hear of this one,
        // so that whatever they queue comes after it.
        writeNext();
        if (command == Command::List)
            emit listed(entries);
        else
            emit done(command);
    } else {
        m_waiting.clear();
        emit failed(command, line.trimmed());
    }
}

void SmsListing::giveUp()
{
    if (!m_written)
        return;
    const Command command = m_waiting.front().command;
    reset();
    emit timedOut(command);
}
