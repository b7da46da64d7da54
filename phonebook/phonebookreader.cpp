#include "phonebookreader.h"

#include "comport.h"

#include <QTimer>

namespace {

// The number of a "+CME ERROR: n" line; -1 for "ERROR" and for the
// worded form (AT+CMEE=2), whose texts are matched by wordedAs.
int cmeCode(const QByteArray &errorLine)
{
    if (!errorLine.startsWith("+CME ERROR:"))
        return -1;
    bool ok = false;
    const int code = errorLine.mid(11).trimmed().toInt(&ok);
    return ok ? code : -1;
}

bool wordedAs(const QByteArray &errorLine, const char *text)
{
    return errorLine.toLower().contains(text);
}

// Errors of a single location that leave the rest of the memory readable:
// plain "ERROR", "invalid index" (21) and "not found" (22).
bool isLocationError(const QByteArray &errorLine)
{
    const int code = cmeCode(errorLine);
    return errorLine == "ERROR" || code == 21 || code == 22 || wordedAs(errorLine, "not found")
           || wordedAs(errorLine, "invalid index");
}

bool isWrongPassword(const QByteArray &errorLine)
{
    return cmeCode(errorLine) == 16 || wordedAs(errorLine, "incorrect password");
}

} // namespace

PhonebookReader::PhonebookReader(TComPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_silence(new QTimer(this))
{
    m_silence->setSingleShot(true);
    m_silence->setInterval(5000);
    connect(m_silence, &QTimer::timeout, this, &PhonebookReader::noAnswer);
}

int PhonebookReader::replyTimeoutMs() const
{
    return m_silence->interval();
}

void PhonebookReader::setReplyTimeoutMs(int ms)
{
    m_silence->setInterval(ms);
}

bool PhonebookReader::start(int index, const QByteArray &pin2)
{
    if (index < 0 || index >= MemoryCount)
        return false;
    cancel();
    m_memory = index;
    m_pin2 = pin2;
    m_index = 0;
    m_capacity = 0;
    m_pin2Accepted = false;
    m_state = "SIM1";
    send(MemoryTable[index].selectCommand());
    return true;
}

void PhonebookReader::cancel()
{
    m_silence->stop();
    m_state.clear();
    m_awaitingPin2 = false;
    m_pin2.clear();
}

void PhonebookReader::writeEntry(const QByteArray &command)
{
    cancel();
    m_state = "CPBW";
    send(command);
}

void PhonebookReader::send(const QByteArray &command)
{
    try {
        m_port->SendText(command);
    } catch (const EComPort &e) {
        fail(Failure::PortError, e.what());
        return;
    }
    m_silence->start();
}

void PhonebookReader::replyComplete(const QByteArray &reply)
{
    if (m_state.isEmpty())
        return;
    m_silence->stop();
    if (m_state == "CPBW") {
        m_state.clear();
        emit entryWritten();
    } else if (m_state == "SIM") {
        if (m_awaitingPin2) {
            m_awaitingPin2 = false;
            m_pin2Accepted = true;
            sendReadCommand();
            return;
        }
        emit rowRead(ParseEntryReply(reply, m_index));
        if (m_state == "SIM")
            readNextEntry();
    } else if (m_state == "SIM2") {
        const auto usage = ParseMemoryCount(reply);
        if (!usage) {
            fail(Failure::BadCount, reply);
            return;
        }
        m_capacity = usage->capacity;
        emit memoryCounted(usage->used, usage->capacity);
        m_state = "SIM";
        m_index = 0;
        readNextEntry();
    } else if (m_state == "SIM1") {
        m_state = "SIM2";
        send(MemoryTable[m_memory].countQuery());
    }
}

void PhonebookReader::replyFailed(const QByteArray &reply, const QByteArray &errorLine)
{
    Q_UNUSED(reply)
    if (m_state.isEmpty())
        return;
    m_silence->stop();
    if (m_state == "CPBW") {
        m_state.clear();
        emit entryRefused(errorLine);
    } else if (m_state == "SIM") {
        if (m_awaitingPin2) {
            m_awaitingPin2 = false;
            // "Incorrect password" always ends the read; any other error once
            // this read's PIN2 has been accepted only says none is wanted now.
            if (!m_pin2Accepted || isWrongPassword(errorLine)) {
                fail(Failure::Pin2Refused, errorLine);
                return;
            }
            sendReadCommand();
            return;
        }
        if (!isLocationError(errorLine)) {
            fail(Failure::MemoryRefused, errorLine);
            return;
        }
        // An empty location: its row stays empty and the read goes on.
        emit rowRead(ParseEntryReply(QByteArray(), m_index));
        if (m_state == "SIM")
            readNextEntry();
    } else {
        fail(Failure::MemoryRefused, errorLine);
    }
}

void PhonebookReader::readNextEntry()
{
    ++m_index;
    if (m_index > m_capacity) {
        cancel();
        emit finished();
        return;
    }
    emit progress(m_index, m_capacity);
    if (m_state != "SIM")
        return;  // a receiver ended the read
    if (m_memory == Pin2MemoryIndex) {
        m_awaitingPin2 = true;
        send("AT+CPIN=\"" + m_pin2 + "\"\r\n");
        return;
    }
    sendReadCommand();
}

void PhonebookReader::sendReadCommand()
{
    send("AT+CPBR=" + QByteArray::number(m_index) + '\r');
}

void PhonebookReader::fail(Failure failure, const QByteArray &detail)
{
    const bool writing = m_state == "CPBW";
    cancel();
    if (writing)
        emit entryRefused(detail);
    else
        emit failed(failure, detail);
}

void PhonebookReader::noAnswer()
{
    if (m_state.isEmpty())
        return;
    fail(Failure::NoAnswer, {});
}
