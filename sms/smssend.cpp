#include "smssend.h"

#include "attransport.h"
#include "comport.h"
#include "text2pdu.h"

#include <QMetaObject>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
constexpr int kMaxNumberDigits = 20;

} // namespace

std::optional<QByteArray> NormalizeSmsNumber(const QString &text)
{
    QString s = text;
    s.remove(u' ');
    s.remove(u'\t');
    if (s.startsWith(u'+'))
        s.remove(0, 1);
    if (s.isEmpty() || s.size() > kMaxNumberDigits)
        return std::nullopt;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return s.toLatin1();
}

QByteArray ValidityOctet(int amount, int unit)
{
    const int octet = (unit == 1 ? 192 : 166) + amount;
    return QByteArray::number(octet & 0xFF, 16).rightJustified(2, '0').toUpper();
}

SmsSender::SmsSender(TComPort &port, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_timer(new QTimer(this))
    , m_concatReference(int(QRandomGenerator::global()->bounded(256)))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SmsSender::timedOut);
}

SmsSender::~SmsSender()
{
    if (isBusy())
        m_port.OnRxChar = m_previousHandler;
}

void SmsSender::send(const SmsMessage &message)
{
    if (isBusy())
        return;
    m_message = message;
    m_parts.clear();
    m_lengths.clear();
    m_references.clear();
    m_part = 0;
    m_firstPart = 0;
    m_failure = Failure::None;
    m_handsetError.clear();
    m_errorText.clear();

    // Checked before anything goes to the handset.
    m_stage = Stage::Echo; // busy from here on, so finish() can end it
    m_previousHandler = m_port.OnRxChar;
    m_echoWasOn = false;
    const auto digitsOnly = [](const QByteArray &n) {
        return !n.isEmpty() && n.size() <= kMaxNumberDigits
            && std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digitsOnly(message.number)) {
        fail(Failure::InvalidMessage, QStringLiteral("the number must be 1 to 20 digits"));
        return;
    }
    if (!message.centre.isEmpty() && !digitsOnly(message.centre)) {
        fail(Failure::InvalidMessage, QStringLiteral("the service centre must be 1 to 20 digits"));
        return;
    }
    const EncodedMessage encoded = TextToPduParts(message.number, message.text, message.validity,
                                                  message.statusReport, m_concatReference);
    if (!encoded.ok()) {
        fail(Failure::InvalidMessage, encoded.errorText);
        return;
    }
    if (encoded.parts.size() > 1)
        m_concatReference = (m_concatReference + 1) & 0xFF; // the next message gets another one
    for (const EncodedPdu &p : encoded.parts) {
        m_parts.append(p.pdu);
        m_lengths.append(p.length);
    }
    start();
}

bool SmsSender::canResume(const SmsMessage &message) const
{
    return !isBusy() && partsSent() > 0 && partsSent() < partCount() && message.number == m_message.number
           && message.text == m_message.text && message.validity == m_message.validity
           && message.statusReport == m_message.statusReport;
}

void SmsSender::resume()
{
    if (!canResume(m_message))
        return;
    m_stage = Stage::Echo;
    m_previousHandler = m_port.OnRxChar;
    m_echoWasOn = false;
    m_failure = Failure::None;
    m_handsetError.clear();
    m_errorText.clear();
    // The centre, if one was given, went to the handset the first time.
    m_message.centre.clear();
    m_part = m_firstPart = partsSent();
    start();
}

void SmsSender::start()
{
    m_step = 0;
    if (!m_port.Connected()) {
        fail(Failure::PortError, QStringLiteral("the modem port is not open"));
        return;
    }
    m_port.OnRxChar = [this](int count) { onRx(count); };
    try {
        m_port.PurgeInput();
    } catch (const EComPort &e) {
        fail(Failure::PortError, e.text());
        return;
    }
    startStage(Stage::Echo);
}

void SmsSender::cancel()
{
    if (!isBusy() || m_stage == Stage::RestoreEcho)
        return;
    if (m_stage == Stage::Command) {
        try {
            m_port.SendText(QByteArray(1, kEsc));
        } catch (const EComPort &) {
        }
    }
    fail(Failure::Cancelled, QStringLiteral("cancelled"));
}

void SmsSender::write(const QByteArray &bytes)
{
    m_port.SendText(bytes);
}

void SmsSender::startStage(Stage stage)
{
    m_stage = stage;
    int waitMs = m_timeouts.commandMs;
    switch (stage) {
    case Stage::Echo:
        m_command = "ATE0";
        break;
    case Stage::Format:
        m_command = "AT+CMGF=0";
        break;
    case Stage::Centre:
        m_command = "AT+CSCA=\"+" + m_message.centre + '"';
        break;
    case Stage::Command:
        m_command = "AT+CMGS=" + m_lengths[m_part];
        waitMs = m_timeouts.promptMs;
        break;
    case Stage::Pdu:
        m_command = m_parts[m_part];
        m_partTaken = false;
        waitMs = m_timeouts.answerMs;
        break;
    case Stage::RestoreEcho:
        m_command = "ATE1";
        break;
    case Stage::Idle:
        return;
    }
    m_reader.start(m_command, stage == Stage::Command);
    try {
        write(stage == Stage::Pdu ? m_command + kCtrlZ : m_command + '\r');
    } catch (const EComPort &e) {
        if (stage == Stage::RestoreEcho)
            end(m_result);
        else
            fail(Failure::PortError, e.text());
        return;
    }
    if (stage != Stage::RestoreEcho)
        emit progress(++m_step, steps());
    m_timer->start(waitMs);
}

void SmsSender::stageDone()
{
    m_timer->stop();
    switch (m_stage) {
    case Stage::Echo:
        m_echoWasOn = m_reader.sawEcho();
        startStage(Stage::Format);
        break;
    case Stage::Format:
        if (m_message.centre.isEmpty()) {
            ++m_step; // no centre to set
            startStage(Stage::Command);
        } else {
            startStage(Stage::Centre);
        }
        break;
    case Stage::Centre:
        startStage(Stage::Command);
        break;
    case Stage::Command:
        startStage(Stage::Pdu);
        break;
    case Stage::Pdu:
        if (!m_partTaken)
            takePart(-1); // OK without a "+CMGS" line
        if (++m_part < m_parts.size())
            startStage(Stage::Command);
        else
            finish(true);
        break;
    case Stage::RestoreEcho:
        end(m_result);
        break;
    case Stage::Idle:
        break;
    }
}

void SmsSender::takePart(int reference)
{
    m_partTaken = true;
    m_references.append(reference);
    emit partSent(m_part + 1, int(m_parts.size()), reference);
}

void SmsSender::onRx(int count)
{
    if (!isBusy())
        return;
    QByteArray bytes;
    try {
        bytes = m_port.ReceiveBytes(qMax(count, m_port.PendingCount()));
    } catch (const EComPort &e) {
        fail(Failure::PortError, e.text());
        return;
    }
    const QList<SmsReplyReader::Item> items = m_reader.feed(bytes);
    for (const SmsReplyReader::Item &item : items) {
        if (!isBusy())
            return;
        if (m_stage == Stage::RestoreEcho) {
            // Whatever ATE1 gets, the exchange's own result stands.
            if (item.event == SmsReplyReader::Event::Ok || item.event == SmsReplyReader::Event::Error)
                end(m_result);
            continue;
        }
        switch (item.event) {
        case SmsReplyReader::Event::Error:
            fail(Failure::HandsetError,
                 QStringLiteral("the handset answered %1").arg(QString::fromLatin1(item.line)), item.line);
            return;
        case SmsReplyReader::Event::Reference:
            // The handset has taken the part: it counts from here, even if
            // its OK never comes.
            if (m_stage == Stage::Pdu && !m_partTaken)
                takePart(item.reference);
            break;
        case SmsReplyReader::Event::Prompt:
            if (m_stage == Stage::Command)
                stageDone();
            break;
        case SmsReplyReader::Event::Ok:
            if (m_stage == Stage::Command) {
                // OK instead of a prompt: the handset took the command but
                // will not read a PDU.
                fail(Failure::NoPrompt, QStringLiteral("the handset answered OK instead of its prompt"));
                return;
            }
            stageDone();
            break;
        }
    }
}

void SmsSender::timedOut()
{
    if (!isBusy())
        return;
    if (m_stage == Stage::RestoreEcho) {
        end(m_result);
        return;
    }
    const int seconds = m_timer->interval() / 1000;
    if (m_stage == Stage::Command) {
        // A late prompt must not take the next command for a PDU.
        try {
            m_port.SendText(QByteArray(1, kEsc));
        } catch (const EComPort &) {
        }
        fail(Failure::NoPrompt, QStringLiteral("no prompt from the handset within %1 s").arg(seconds));
    } else {
        fail(Failure::NoAnswer, QStringLiteral("no answer from the handset within %1 s").arg(seconds));
    }
}

void SmsSender::fail(Failure failure, const QString &text, const QByteArray &handsetLine)
{
    m_failure = failure;
    m_errorText = text;
    m_handsetError = handsetLine;
    finish(false);
}

void SmsSender::finish(bool ok)
{
    m_timer->stop();
    // Echo as it was before ATE0, after a failure too; not when the port
    // itself failed or nothing was sent.
    if (m_echoWasOn && m_failure != Failure::PortError && m_failure != Failure::InvalidMessage) {
        m_echoWasOn = false;
        m_result = ok;
        startStage(Stage::RestoreEcho);
        return;
    }
    end(ok);
}

void SmsSender::end(bool ok)
{
    m_timer->stop();
    m_stage = Stage::Idle;
    m_port.OnRxChar = m_previousHandler;
    m_previousHandler = nullptr;
    // From the event loop: a receiver may show a message box or send again.
    QMetaObject::invokeMethod(this, [this, ok] { emit finished(ok); }, Qt::QueuedConnection);
}
