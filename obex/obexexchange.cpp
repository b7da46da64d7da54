#include "obexexchange.h"

#include "comport.h"
#include "localfilename.h"
#include "obexpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Obex;

namespace {

// The switch-over pauses of the handset's own program.
constexpr int EscapePauseMs = 20;
constexpr int SettlePauseMs = 20;
// Files are sent from memory; a handset's memory is far smaller than this.
constexpr qint64 MaxPutSize = 64 * 1024 * 1024;

bool isOkLine(const QByteArray &line)
{
    return line.trimmed() == "OK";
}

bool isResponseCode(quint8 c)
{
    return c == 0x90 || (c >= 0xA0 && c <= 0xA6) || (c >= 0xC0 && c <= 0xD5) || c == 0xE0 || c == 0xE1;
}

// Bytes waiting on a port just opened that hold a whole OBEX response (a
// response code, its length, headers that fit it): the handset was left in
// OBEX mode by another client. A text of the AT side, even with letters of
// Windows-1250, does not read as one.
bool looksLikeObexLeftover(const QByteArray &bytes)
{
    for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
        if (!isResponseCode(quint8(bytes[i])))
            continue;
        const int length = (quint8(bytes[i + 1]) << 8) | quint8(bytes[i + 2]);
        if (length < 3 || i + length > bytes.size())
            continue;
        const QByteArray packet = bytes.mid(i, length);
        if (parseResponse(packet) || parseResponse(packet, true))
            return true;
    }
    return false;
}

bool isErrorLine(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    return t == "ERROR" || t.startsWith("+CME ERROR") || t.startsWith("+CMS ERROR");
}

} // namespace

ObexExchange::ObexExchange(TComPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_timer.setSingleShot(true);
    m_pause.setSingleShot(true);
    // A coarse timer may fire a little early, which would break the
    // handset's guard time.
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ObexExchange::onTimeout);
    connect(&m_pause, &QTimer::timeout, this, &ObexExchange::onPause);
}

ObexExchange::~ObexExchange()
{
    if (busy() && m_port->OnRxChar)
        m_port->OnRxChar = nullptr;
}

QString ObexExchange::LocalFileName(const QString &handsetName)
{
    return ::LocalFileName(handsetName);
}

bool ObexExchange::start(ExplorerOperation operation, const QString &label, const QStringList &items,
                         const QString &localFolder)
{
    return start(operation, PathComponents(label.isEmpty() ? QStringLiteral("\\") : label), items, localFolder);
}

bool ObexExchange::start(ExplorerOperation operation, const QStringList &folder, const QStringList &items,
                         const QString &localFolder)
{
    if (busy() || !m_port->Connected())
        return false;
    m_operation = operation;
    m_components = folder;
    m_pathDepth = 1;
    m_pending = items;
    m_total = int(items.size());
    m_localFolder = localFolder;
    m_failure = {};
    m_atBuffer.clear();
    m_assembler.clear();
    m_connectionId.reset();
    m_maxPacket = MinMaxPacket;
    m_connected = false;
    m_obexMode = false;
    m_body.clear();
    m_saving.reset();
    m_step = QStringLiteral("switch");

    m_port->OnRxChar = [this](int count) { onReceived(count); };
    // Whatever waits is of an earlier command. It is read rather than
    // purged: a purge behind the port's back leaves its read notifier
    // announcing bytes that are gone, which the port takes for a lost line.
    QByteArray leftover;
    try {
        if (const int waiting = m_port->PendingCount(); waiting > 0)
            leftover = m_port->ReceiveBytes(waiting);
    } catch (const EComPort &) {
    }
    m_recovering = false;
    m_recovered = false;
    if (looksLikeObexLeftover(leftover)) {
        // Another client's OBEX answer: the handset still speaks OBEX and
        // would take the switch-over for noise. Escape properly first.
        m_recovered = true;
        m_recovering = true;
        m_obexMode = true;
        m_state = State::GuardBefore;
        m_pause.start(m_guardTime + m_guardTime / 10 + 20);
        return true;
    }
    startSwitch();
    return true;
}

void ObexExchange::startSwitch()
{
    m_step = QStringLiteral("switch");
    m_atBuffer.clear();
    m_state = State::EscapeFirst;
    send("+++");
    if (m_state == State::EscapeFirst)
        m_pause.start(EscapePauseMs);
}

void ObexExchange::cancel()
{
    if (!busy())
        return;
    if (m_state == State::Disconnecting || m_state == State::GuardBefore || m_state == State::GuardAfter) {
        // Already leaving OBEX mode. An escape from a mode left over by
        // another client ends the exchange then instead of switching again.
        if (m_recovering) {
            m_recovering = false;
            if (!m_failure.failed())
                m_failure = {ObexFailure::Cancelled, 0, {}, m_step};
        }
        return;
    }
    fail(ObexFailure::Cancelled);
}

void ObexExchange::send(const QByteArray &bytes)
{
    try {
        m_port->SendText(bytes);
    } catch (const EComPort &e) {
        // The port is gone: nothing more can be said to the handset.
        m_failure = {ObexFailure::PortError, 0, e.text(), m_step};
        finish();
    }
}

void ObexExchange::sendRequest(State next, const QByteArray &request, const QString &step)
{
    m_step = step;
    m_state = next;
    send(request);
    if (m_state == next)
        m_timer.start(m_responseTimeout);
}

void ObexExchange::onReceived(int count)
{
    QByteArray bytes;
    try {
        bytes = m_port->ReceiveBytes(count);
    } catch (const EComPort &e) {
        if (busy()) {
            m_failure = {ObexFailure::PortError, 0, e.text(), m_step};
            finish();
        }
        return;
    }
    switch (m_state) {
    case State::Idle:
        return;
    case State::EscapeFirst:
    case State::SwitchZero:
    case State::SwitchThree:
    case State::GuardAfter:
        onAtText(bytes);
        return;
    case State::Settle:
    case State::GuardBefore:
        return;  // nothing is expected; a late packet is of no use any more
    default:
        onObexBytes(bytes);
        return;
    }
}

void ObexExchange::onAtText(const QByteArray &bytes)
{
    m_atBuffer += bytes;
    // Whole lines only; the echo of the command is a line like any other.
    for (;;) {
        qsizetype end = -1;
        for (qsizetype i = 0; i < m_atBuffer.size(); ++i)
            if (m_atBuffer[i] == '\r' || m_atBuffer[i] == '\n') {
                end = i;
                break;
            }
        if (end < 0)
            return;
        const QByteArray line = m_atBuffer.left(end);
        m_atBuffer.remove(0, end + 1);
        if (m_state == State::GuardAfter) {
            if (isOkLine(line)) {
                m_timer.stop();
                afterEscape();
                return;
            }
            continue;
        }
        if (m_state == State::EscapeFirst)
            continue;  // an answer to the escape before the switch command
        if (isErrorLine(line)) {
            fail(ObexFailure::SwitchRefused, 0, QString::fromLatin1(line.trimmed()));
            return;
        }
        if (!isOkLine(line))
            continue;
        m_timer.stop();
        if (m_state == State::SwitchZero) {
            m_state = State::SwitchThree;
            send("AT^SQWE=3\r");
            if (m_state == State::SwitchThree)
                m_timer.start(m_atTimeout);
        } else {
            m_obexMode = true;
            m_atBuffer.clear();
            m_state = State::Settle;
            m_pause.start(SettlePauseMs);
            return;
        }
    }
}

void ObexExchange::onPause()
{
    switch (m_state) {
    case State::EscapeFirst:
        m_state = State::SwitchZero;
        m_atBuffer.clear();
        send("AT^SQWE=0\r");
        if (m_state == State::SwitchZero)
            m_timer.start(m_atTimeout);
        return;
    case State::Settle:
        m_assembler.clear();
        sendRequest(State::Connecting, ConnectRequest(), QStringLiteral("connect"));
        return;
    case State::GuardBefore:
        m_state = State::GuardAfter;
        m_atBuffer.clear();
        send("+++");
        // The handset answers "OK" once the guard time after "+++" is over.
        if (m_state == State::GuardAfter)
            m_timer.start(m_guardTime + qMin(m_atTimeout, 1000));
        return;
    default:
        return;
    }
}

void ObexExchange::onObexBytes(const QByteArray &bytes)
{
    m_assembler.feed(bytes);
    while (busy()) {
        const std::optional<QByteArray> packet = m_assembler.take();
        if (m_assembler.broken()) {
            fail(ObexFailure::BadResponse);
            return;
        }
        if (!packet)
            return;
        onResponse(*packet);
    }
}

void ObexExchange::onResponse(const QByteArray &packet)
{
    const State state = m_state;
    if (state == State::Disconnecting) {
        m_timer.stop();
        m_connected = false;
        leave();
        return;
    }
    if (state == State::Connecting && quint8(packet[0]) != RspSuccess) {
        // A refusal need not carry the CONNECT fields.
        m_timer.stop();
        fail(ObexFailure::ConnectRefused, quint8(packet[0]));
        return;
    }
    const std::optional<Response> response = parseResponse(packet, state == State::Connecting);
    if (!response) {
        fail(ObexFailure::BadResponse);
        return;
    }
    m_timer.stop();
    const quint8 code = response->code;

    switch (state) {
    case State::Connecting:
        if (code != RspSuccess) {
            fail(ObexFailure::ConnectRefused, code);
            return;
        }
        m_connected = true;
        m_connectionId = response->connectionId();
        m_maxPacket = qBound(MinMaxPacket, response->maxPacket, OurMaxPacket);
        emit stepProgress(1, 2);
        if (m_operation == ExplorerOperation::RootListing) {
            startListing();
            return;
        }
        enterNextComponent();
        return;

    case State::SettingPath:
        if (code != RspSuccess) {
            refused(code);
            return;
        }
        ++m_pathDepth;
        enterNextComponent();
        return;

    case State::Listing:
    case State::Getting:
        if (code != RspContinue && code != RspSuccess) {
            refused(code);
            return;
        }
        if (!takeBody(*response))
            return;
        if (code == RspContinue) {
            sendRequest(state, GetContinueRequest(m_connectionId), m_step);
            return;
        }
        if (state == State::Listing) {
            const FolderListing listing = ParseFolderListing(m_body);
            m_body.clear();
            emit listingReceived(listing);
            leave();
            return;
        }
        if (m_saving) {
            const QString target = m_saving->fileName();
            if (!m_saving->commit()) {
                m_saving.reset();
                fail(ObexFailure::LocalFile, 0, target);
                return;
            }
            m_saving.reset();
            emit fileSaved(target);
        }
        m_pending.removeFirst();
        nextGet();
        return;

    case State::Deleting:
        if (code != RspSuccess) {
            refused(code);
            return;
        }
        m_pending.removeFirst();
        nextDelete();
        return;

    case State::Putting: {
        const bool last = m_putIndex + 1 >= m_putPackets.size();
        if (code != RspSuccess && !(code == RspContinue && !last)) {
            refused(code);
            return;
        }
        emit transferProgress(m_putDone[m_putIndex], m_putDone.last());
        ++m_putIndex;
        emit stepProgress(m_putIndex, int(m_putPackets.size()));
        if (m_putIndex < m_putPackets.size()) {
            sendRequest(State::Putting, m_putPackets[m_putIndex], QStringLiteral("put"));
            return;
        }
        m_pending.removeFirst();
        nextPut();
        return;
    }
    default:
        return;
    }
}

bool ObexExchange::takeBody(const Response &response)
{
    if (m_rounds == 0 && m_state == State::Getting)
        if (const Header *length = response.find(HdrLength)) {
            m_expected = length->number();
            m_byteLimit = FileByteLimit(m_expected);
        }
    ++m_rounds;
    const QByteArray piece = response.body();
    m_received += piece.size();
    // A handset that keeps answering Continue, with or without bytes, is
    // not followed for ever: past the bounds it is broken.
    if (m_received > m_byteLimit || m_rounds > RoundLimit(m_byteLimit)) {
        fail(ObexFailure::BadResponse, 0, QStringLiteral("too large"));
        return false;
    }
    if (m_state == State::Listing) {
        m_body += piece;
        return true;
    }
    if (m_saving && m_saving->write(piece) != piece.size()) {
        fail(ObexFailure::LocalFile, 0, m_saving->fileName());
        return false;
    }
    emit transferProgress(m_received, m_expected);
    return true;
}

void ObexExchange::enterNextComponent()
{
    const QString component = m_pathDepth <= m_components.size() ? m_components[m_pathDepth - 1] : QString();
    // The root listing of an operation that walks: one SETPATH with an empty name.
    if (m_pathDepth == 1 && component.isEmpty()) {
        sendRequest(State::SettingPath, SetPathRequest(m_connectionId, QString()), QStringLiteral("setpath"));
        return;
    }
    if (component.isEmpty()) {
        beginOperation();
        return;
    }
    if (!IsSendableName(component)) {
        fail(ObexFailure::BadName, 0, component);
        return;
    }
    // SETPATH without "don't create" enters a folder that is there and makes
    // one that is not: a new folder's missing parents are made on the way.
    const bool create = m_operation == ExplorerOperation::MakeFolder;
    const QByteArray request = SetPathRequest(m_connectionId, component, create ? quint8(0) : SetPathDontCreate);
    if (request.size() > m_maxPacket) {
        fail(ObexFailure::NameTooLong, 0, component);
        return;
    }
    sendRequest(State::SettingPath, request, QStringLiteral("setpath"));
}

void ObexExchange::beginOperation()
{
    switch (m_operation) {
    case ExplorerOperation::Delete:
        nextDelete();
        return;
    case ExplorerOperation::CopyToHandset:
        nextPut();
        return;
    case ExplorerOperation::CopyToPc:
        nextGet();
        return;
    default:
        startListing();
        return;
    }
}

void ObexExchange::startListing()
{
    m_body.clear();
    m_received = 0;
    m_expected = -1;
    m_byteLimit = MaxListingBytes;
    m_rounds = 0;
    sendRequest(State::Listing, ListingRequest(m_connectionId), QStringLiteral("listing"));
}

void ObexExchange::emitPending()
{
    emit pendingChanged(m_pending, m_total - int(m_pending.size()), m_total);
}

void ObexExchange::nextDelete()
{
    emitPending();
    if (m_pending.isEmpty()) {
        startListing();
        return;
    }
    m_current = m_pending.first();
    if (!IsSendableName(m_current)) {
        fail(ObexFailure::BadName, 0, m_current);
        return;
    }
    emit stepProgress(2, 2);
    const QByteArray request = DeleteRequest(m_connectionId, m_current);
    if (request.size() > m_maxPacket) {
        fail(ObexFailure::NameTooLong, 0, m_current);
        return;
    }
    sendRequest(State::Deleting, request, QStringLiteral("delete"));
}

void ObexExchange::nextPut()
{
    emitPending();
    if (m_pending.isEmpty()) {
        startListing();
        return;
    }
    m_current = m_pending.first();
    QFile file(m_current);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxPutSize) {
        fail(ObexFailure::LocalFile, 0, m_current);
        return;
    }
    const QByteArray content = file.readAll();
    if (content.size() != file.size()) {
        fail(ObexFailure::LocalFile, 0, m_current);
        return;
    }
    const QString name = QFileInfo(m_current).fileName();
    m_putPackets = PutRequests(m_connectionId, name, content, m_maxPacket);
    if (m_putPackets.isEmpty()) {
        fail(ObexFailure::NameTooLong, 0, name);
        return;
    }
    m_putIndex = 0;
    m_putDone.clear();
    qint64 sent = 0;
    for (const QByteArray &p : std::as_const(m_putPackets)) {
        // A request has the layout of a response: the body is read alike.
        if (const std::optional<Response> r = parseResponse(p))
            sent += r->body().size();
        m_putDone.append(sent);
    }
    emit stepProgress(0, int(m_putPackets.size()));
    emit transferProgress(0, m_putDone.last());
    sendRequest(State::Putting, m_putPackets.first(), QStringLiteral("put"));
}

void ObexExchange::nextGet()
{
    emitPending();
    if (m_pending.isEmpty()) {
        startListing();
        return;
    }
    m_current = m_pending.first();
    if (!IsSendableName(m_current)) {
        fail(ObexFailure::BadName, 0, m_current);
        return;
    }
    const QString local = LocalFileName(m_current);
    if (local.isEmpty()) {
        fail(ObexFailure::UnsafeName, 0, m_current);
        return;
    }
    m_saving = std::make_unique<QSaveFile>(QDir(m_localFolder).filePath(local));
    if (!m_saving->open(QIODevice::WriteOnly)) {
        const QString target = m_saving->fileName();
        m_saving.reset();
        fail(ObexFailure::LocalFile, 0, target);
        return;
    }
    const QByteArray request = FileGetRequest(m_connectionId, m_current);
    if (request.size() > m_maxPacket) {
        m_saving.reset();
        fail(ObexFailure::NameTooLong, 0, m_current);
        return;
    }
    m_received = 0;
    m_expected = -1;
    m_byteLimit = MaxFileBytes;
    m_rounds = 0;
    emit stepProgress(0, 1);
    emit transferProgress(0, -1);
    sendRequest(State::Getting, request, QStringLiteral("get"));
}

void ObexExchange::refused(quint8 code)
{
    fail(code == RspNotFound ? ObexFailure::NotFound : ObexFailure::Refused, code, m_current);
}

void ObexExchange::onTimeout()
{
    switch (m_state) {
    case State::Disconnecting:
        // The handset need not answer a DISCONNECT that ends a failed exchange.
        m_connected = false;
        leave();
        return;
    case State::GuardAfter:
        // No "OK" to the escape: end the line so a half line does not stay in
        // the handset's command buffer. The port may still speak OBEX: that
        // is said, not taken for a return to AT mode.
        try {
            m_port->SendText("\r");
        } catch (const EComPort &) {
        }
        if (!m_recovering)
            m_failure.escapeUnconfirmed = true;
        afterEscape();
        return;
    case State::SwitchZero:
        // No answer to AT^SQWE=0: the handset may still be in OBEX mode from
        // an exchange that was cut off. Leave it properly once, then again.
        if (!m_recovered) {
            m_recovered = true;
            m_recovering = true;
            m_obexMode = true;
            m_state = State::GuardBefore;
            m_pause.start(m_guardTime + m_guardTime / 10 + 20);
            return;
        }
        fail(ObexFailure::NoAnswer);
        return;
    default:
        fail(ObexFailure::NoAnswer);
        return;
    }
}

void ObexExchange::fail(ObexFailure::Kind kind, quint8 code, const QString &detail)
{
    if (!busy())
        return;
    m_timer.stop();
    m_pause.stop();
    if (m_saving) {
        m_saving->cancelWriting();
        m_saving.reset();
    }
    if (!m_failure.failed())
        m_failure = {kind, code, detail, m_step};
    // A handset that stalled or garbled a packet gets no DISCONNECT: its
    // answer could not be told apart anyway.
    if (kind == ObexFailure::NoAnswer || kind == ObexFailure::BadResponse)
        m_connected = false;
    leave();
}

void ObexExchange::leave()
{
    m_timer.stop();
    m_pause.stop();
    if (m_connected && m_obexMode) {
        m_connected = false;
        m_assembler.clear();
        sendRequest(State::Disconnecting, DisconnectRequest(m_connectionId), m_step);
        if (m_state == State::Disconnecting)
            m_timer.start(qMin(m_responseTimeout, 2000));
        return;
    }
    if (m_obexMode) {
        m_obexMode = false;
        m_state = State::GuardBefore;
        m_pause.start(m_guardTime + m_guardTime / 10 + 20);
        return;
    }
    finish();
}

void ObexExchange::afterEscape()
{
    if (m_recovering) {
        m_recovering = false;
        m_obexMode = false;
        startSwitch();
        return;
    }
    finish();
}

void ObexExchange::finish()
{
    m_timer.stop();
    m_pause.stop();
    m_saving.reset();
    m_state = State::Idle;
    m_obexMode = false;
    m_connected = false;
    if (restoreReceiveHandler)
        restoreReceiveHandler();
    else
        m_port->OnRxChar = nullptr;
    emit finished(m_failure);
}
