#include "phonebookreader.h"

#include "atvalues.h"
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

bool isNotFound(const QByteArray &errorLine)
{
    return cmeCode(errorLine) == 22 || wordedAs(errorLine, "not found");
}

bool isInvalidIndex(const QByteArray &errorLine)
{
    return cmeCode(errorLine) == 21 || wordedAs(errorLine, "invalid index");
}

bool isWrongPassword(const QByteArray &errorLine)
{
    return cmeCode(errorLine) == 16 || wordedAs(errorLine, "incorrect password");
}

// The value behind "+NAME:" on the reply's line, blanks trimmed.
QByteArray answerValue(const QByteArray &reply, const QByteArray &prefix)
{
    for (const QByteArray &line : reply.split('\r'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed();
    return {};
}

QByteArray unquoted(QByteArray value)
{
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
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

QByteArray PhonebookReader::state() const
{
    switch (m_stage) {
    case Stage::Idle: return {};
    case Stage::QueryCmee:
    case Stage::SetCmee: return "errors";
    case Stage::Select: return "select";
    case Stage::Count: return "count";
    case Stage::QueryCscs:
    case Stage::TestCscs:
    case Stage::SetCscs: return "charset";
    case Stage::Bounds: return "bounds";
    case Stage::Pin2: return "pin2";
    case Stage::Range: return "read";
    case Stage::CheckPin:
    case Stage::Retries: return "pin2 state";
    case Stage::RestoreCscs:
    case Stage::RestoreCmee: return "restore";
    case Stage::Write: return "write";
    }
    return {};
}

bool PhonebookReader::start(int index, const QByteArray &pin2)
{
    if (index < 0 || index >= MemoryCount)
        return false;
    if (index == Pin2MemoryIndex && !IsSecurityCode(QString::fromLatin1(pin2)))
        return false;
    cancel();
    m_writing = false;
    m_memory = index;
    m_pin2 = pin2;
    m_capacity = 0;
    m_counted = 0;
    m_next = 0;
    m_single = m_rangeSize <= 1;
    m_pin2Accepted = false;
    m_stopRequested = false;
    m_stopped = false;
    m_numericErrors = false;
    m_savedCmee = -1;
    m_cmeeChanged = false;
    m_savedCharset.clear();
    m_charsetChanged = false;
    m_used.clear();
    m_pin2Attempts = -1;
    m_puk2Wanted = false;
    send(Stage::QueryCmee, "AT+CMEE?\r");
    return true;
}

void PhonebookReader::cancel()
{
    m_silence->stop();
    m_stage = Stage::Idle;
    m_awaitingPin2 = false;
    m_pin2.clear();
}

void PhonebookReader::stop()
{
    if (busy() && !m_writing)
        m_stopRequested = true;
}

bool PhonebookReader::writeEntry(const QString &location, const QString &number, const QString &name, bool vip)
{
    // Checked here, before anything is sent; the name once the set is known.
    if (!EntryWriteCommand(location, number, QString(), false, PhonebookCharset::Ucs2, m_capacity))
        return false;
    cancel();
    m_writing = true;
    m_writeLocation = location;
    m_writeNumber = number;
    m_writeName = name;
    m_writeVip = vip;
    m_savedCharset.clear();
    m_charsetChanged = false;
    m_savedCmee = -1;
    m_cmeeChanged = false;
    m_stopRequested = false;
    send(Stage::QueryCscs, "AT+CSCS?\r");
    return true;
}

void PhonebookReader::send(Stage stage, const QByteArray &command)
{
    m_stage = stage;
    try {
        m_port->SendText(command);
    } catch (const EComPort &e) {
        endNow(Failure::PortError, e.what());
        return;
    }
    m_silence->start();
}

void PhonebookReader::afterCmee()
{
    send(Stage::Select, MemoryTable[m_memory].selectCommand());
}

void PhonebookReader::afterCount()
{
    if (m_stopRequested || m_capacity == 0) {
        finish(Outcome::Finished);
        return;
    }
    send(Stage::QueryCscs, "AT+CSCS?\r");
}

void PhonebookReader::chooseCharset(const QByteArray &offered)
{
    const QByteArray current = m_savedCharset.toUpper();
    m_handsetCharset = current == "UCS2" ? PhonebookCharset::Ucs2
                       : current == "GSM" ? PhonebookCharset::Gsm
                                          : PhonebookCharset::Ira;
    const QByteArray list = offered.toUpper();
    PhonebookCharset wanted = m_handsetCharset;
    if (list.contains("\"UCS2\""))
        wanted = PhonebookCharset::Ucs2;
    else if (list.contains("\"GSM\""))
        wanted = PhonebookCharset::Gsm;
    else if (list.contains("\"IRA\""))
        wanted = PhonebookCharset::Ira;
    m_charset = wanted;
    m_charsetKnown = true;
    if (!m_savedCharset.isEmpty() && CharsetName(wanted) == current) {
        afterCharset();
        return;
    }
    // A set name goes in the set the handset is in now.
    const QByteArray name = m_handsetCharset == PhonebookCharset::Ucs2
                                ? *EncodeHandsetText(QString::fromLatin1(CharsetName(wanted)), PhonebookCharset::Ucs2)
                                : CharsetName(wanted);
    send(Stage::SetCscs, "AT+CSCS=\"" + name + "\"\r");
}

void PhonebookReader::afterCharset()
{
    if (m_writing) {
        QString refused;
        const auto command = EntryWriteCommand(m_writeLocation, m_writeNumber, m_writeName, m_writeVip, m_charset,
                                               m_capacity, &refused);
        if (!command) {
            m_refusedCharacters = refused;
            finish(Outcome::NameRefused);
            return;
        }
        send(Stage::Write, *command);
        return;
    }
    if (m_stopRequested) {
        finish(Outcome::Finished);
        return;
    }
    send(Stage::Bounds, "AT+CPBR=?\r");
}

void PhonebookReader::readNextRange()
{
    if (m_stopRequested) {
        m_stopped = true;
        finish(Outcome::Finished);
        return;
    }
    if (m_next > m_last) {
        finish(Outcome::Finished);
        return;
    }
    m_rangeEnd = m_single ? m_next : qMin(m_last, m_next + m_rangeSize - 1);
    if (m_memory == Pin2MemoryIndex) {
        m_awaitingPin2 = true;
        send(Stage::Pin2, "AT+CPIN=\"" + m_pin2 + "\"\r\n");
        return;
    }
    sendReadCommand();
}

void PhonebookReader::sendReadCommand()
{
    m_awaitingPin2 = false;
    QByteArray command = "AT+CPBR=" + QByteArray::number(m_next);
    if (m_rangeEnd > m_next)
        command += ',' + QByteArray::number(m_rangeEnd);
    send(Stage::Range, command + '\r');
}

void PhonebookReader::emitLate(const QList<PhonebookEntry> &entries)
{
    for (const PhonebookEntry &e : entries) {
        m_used[e.index] = true;
        emit rowRead(e.row);
    }
}

void PhonebookReader::rangeRead(const QByteArray &reply)
{
    QMap<int, PhonebookRow> own;
    QList<PhonebookEntry> late;
    bool earlier = false;
    for (const PhonebookEntry &e : ParseEntryLines(reply, m_charset)) {
        if (e.index >= m_next && e.index <= m_rangeEnd) {
            own.insert(e.index, e.row);
        } else if (e.index >= m_first && e.index < m_next) {
            earlier = true;
            if (!m_used.value(e.index))
                late.append(e);
        }
    }
    if (own.isEmpty() && earlier) {
        // The answer to an earlier command: this one's is still to come.
        emitLate(late);
        m_silence->start();
        return;
    }
    emitLate(late);
    for (int i = m_next; i <= m_rangeEnd; ++i) {
        PhonebookRow row;
        row.caption = QByteArray::number(i);
        const auto found = own.constFind(i);
        if (found != own.constEnd())
            row = *found;
        m_used[i] = found != own.constEnd();
        emit rowRead(row);
        if (m_stage == Stage::Idle)
            return;  // a receiver ended the exchange
    }
    m_next = m_rangeEnd + 1;
    emit progress(m_rangeEnd - m_first + 1, m_last - m_first + 1);
    if (m_stage != Stage::Idle)
        readNextRange();
}

void PhonebookReader::rangeEmpty()
{
    QByteArray none;
    rangeRead(none);
}

void PhonebookReader::replyComplete(const QByteArray &reply)
{
    if (m_stage == Stage::Idle)
        return;
    m_silence->stop();
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::QueryCmee: {
        bool ok = false;
        const int mode = answerValue(reply, "+CMEE:").toInt(&ok);
        m_savedCmee = ok && mode >= 0 && mode <= 2 ? mode : -1;
        if (m_savedCmee == 1) {
            m_numericErrors = true;
            afterCmee();
        } else {
            send(Stage::SetCmee, "AT+CMEE=1\r");
        }
        return;
    }
    case Stage::SetCmee:
        m_numericErrors = true;
        m_cmeeChanged = m_savedCmee >= 0;
        afterCmee();
        return;
    case Stage::Select:
        send(Stage::Count, MemoryTable[m_memory].countQuery());
        return;
    case Stage::Count: {
        const auto usage = ParseMemoryCount(reply);
        if (!usage) {
            finish(Outcome::Failed, Failure::BadCount, reply);
            return;
        }
        m_capacity = usage->capacity;
        m_counted = usage->used;
        emit memoryCounted(usage->used, usage->capacity);
        if (m_stage != Stage::Idle)
            afterCount();
        return;
    }
    case Stage::QueryCscs: {
        const QByteArray name = unquoted(answerValue(reply, "+CSCS:"));
        m_savedCharset = IsCharsetToken(name) ? name : QByteArray();
        send(Stage::TestCscs, "AT+CSCS=?\r");
        return;
    }
    case Stage::TestCscs:
        chooseCharset(answerValue(reply, "+CSCS:"));
        return;
    case Stage::SetCscs:
        m_charsetChanged = !m_savedCharset.isEmpty();
        m_handsetCharset = m_charset;
        afterCharset();
        return;
    case Stage::Bounds: {
        const auto bounds = ParseEntryBounds(reply);
        m_first = bounds ? bounds->first : 1;
        m_last = bounds ? bounds->second : m_capacity;
        m_next = m_first;
        emit progress(0, m_last - m_first + 1);
        if (m_stage != Stage::Idle)
            readNextRange();
        return;
    }
    case Stage::Pin2:
        m_pin2Accepted = true;
        sendReadCommand();
        return;
    case Stage::Range:
        rangeRead(reply);
        return;
    case Stage::CheckPin:
        m_puk2Wanted = answerValue(reply, "+CPIN:").toUpper() == "SIM PUK2";
        send(Stage::Retries, "AT+CPINR=\"SIM PIN2\"\r");
        return;
    case Stage::Retries: {
        // "+CPINR: SIM PIN2,2,3": the tries left, then the tries a fresh code has.
        const QList<QByteArray> fields = answerValue(reply, "+CPINR:").split(',');
        bool ok = false;
        const int left = fields.value(1).trimmed().toInt(&ok);
        m_pin2Attempts = ok && left >= 0 ? left : -1;
        restoreNext();
        return;
    }
    case Stage::RestoreCscs:
        m_charsetChanged = false;
        restoreNext();
        return;
    case Stage::RestoreCmee:
        m_cmeeChanged = false;
        restoreNext();
        return;
    case Stage::Write:
        finish(Outcome::Written);
        return;
    }
}

void PhonebookReader::replyFailed(const QByteArray &reply, const QByteArray &errorLine)
{
    Q_UNUSED(reply)
    if (m_stage == Stage::Idle)
        return;
    m_silence->stop();
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::QueryCmee:
        m_savedCmee = -1;
        send(Stage::SetCmee, "AT+CMEE=1\r");
        return;
    case Stage::SetCmee:
        // No numeric errors: a plain ERROR to a read is all the handset says.
        afterCmee();
        return;
    case Stage::Select:
    case Stage::Count:
        finish(Outcome::Failed, Failure::MemoryRefused, errorLine);
        return;
    case Stage::QueryCscs:
        m_savedCharset.clear();
        send(Stage::TestCscs, "AT+CSCS=?\r");
        return;
    case Stage::TestCscs:
        chooseCharset({});
        return;
    case Stage::SetCscs:
        // The handset stays in its own set.
        m_charset = m_handsetCharset;
        afterCharset();
        return;
    case Stage::Bounds:
        m_first = 1;
        m_last = m_capacity;
        m_next = m_first;
        emit progress(0, m_last);
        if (m_stage != Stage::Idle)
            readNextRange();
        return;
    case Stage::Pin2:
        // "Incorrect password" always ends the read; any other error once
        // this read's PIN2 has been accepted only says none is wanted now.
        if (!m_pin2Accepted || isWrongPassword(errorLine)) {
            pin2Failed(errorLine);
            return;
        }
        sendReadCommand();
        return;
    case Stage::Range:
        if (isNotFound(errorLine) || (m_single && isInvalidIndex(errorLine))
            || (!m_numericErrors && errorLine == "ERROR")) {
            rangeEmpty();
            return;
        }
        if (!m_single) {
            // No ranges on this handset: one location a command from here.
            m_single = true;
            readNextRange();
            return;
        }
        finish(Outcome::Failed, Failure::MemoryRefused, errorLine);
        return;
    case Stage::CheckPin:
        send(Stage::Retries, "AT+CPINR=\"SIM PIN2\"\r");
        return;
    case Stage::Retries:
        m_pin2Attempts = -1;
        restoreNext();
        return;
    case Stage::RestoreCscs:
        m_charsetChanged = false;
        restoreNext();
        return;
    case Stage::RestoreCmee:
        m_cmeeChanged = false;
        restoreNext();
        return;
    case Stage::Write:
        finish(Outcome::Refused, Failure::NoAnswer, errorLine);
        return;
    }
}

void PhonebookReader::pin2Failed(const QByteArray &errorLine)
{
    m_outcome = Outcome::Failed;
    m_failure = Failure::Pin2Refused;
    m_detail = errorLine;
    send(Stage::CheckPin, "AT+CPIN?\r");
}

void PhonebookReader::finish(Outcome outcome, Failure failure, const QByteArray &detail)
{
    m_outcome = outcome;
    m_failure = failure;
    m_detail = detail;
    restoreNext();
}

void PhonebookReader::restoreNext()
{
    if (m_charsetChanged) {
        const QByteArray name = m_handsetCharset == PhonebookCharset::Ucs2
                                    ? *EncodeHandsetText(QString::fromLatin1(m_savedCharset), PhonebookCharset::Ucs2)
                                    : m_savedCharset;
        send(Stage::RestoreCscs, "AT+CSCS=\"" + name + "\"\r");
        return;
    }
    if (m_cmeeChanged) {
        send(Stage::RestoreCmee, "AT+CMEE=" + QByteArray::number(m_savedCmee) + '\r');
        return;
    }
    const Outcome outcome = m_outcome;
    const Failure failure = m_failure;
    const QByteArray detail = m_detail;
    const bool wasWriting = m_writing;
    int read = 0;
    for (bool used : std::as_const(m_used))
        read += used ? 1 : 0;
    const bool shortOfCount = !wasWriting && outcome == Outcome::Finished && !m_stopped && read < m_counted;
    cancel();
    switch (outcome) {
    case Outcome::Finished:
        if (shortOfCount)
            emit shortfall(read, m_counted);
        emit finished();
        break;
    case Outcome::Failed:
        emit failed(failure, detail);
        break;
    case Outcome::Written:
        emit entryWritten();
        break;
    case Outcome::Refused:
        emit entryRefused(detail);
        break;
    case Outcome::NameRefused:
        emit nameRefused(m_refusedCharacters, CharsetName(m_charset));
        break;
    }
}

void PhonebookReader::endNow(Failure failure, const QByteArray &detail)
{
    // The handset cannot be reached: nothing more is sent.
    const bool wasWriting = m_writing;
    cancel();
    if (wasWriting)
        emit entryRefused(detail);
    else
        emit failed(failure, detail);
}

void PhonebookReader::noAnswer()
{
    if (m_stage == Stage::Idle)
        return;
    if (m_stage == Stage::RestoreCscs || m_stage == Stage::RestoreCmee) {
        // The exchange itself is over: its own outcome is reported.
        m_charsetChanged = m_cmeeChanged = false;
        restoreNext();
        return;
    }
    endNow(Failure::NoAnswer, {});
}
