#include "comport.h"

#include "inifile.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#ifdef Q_OS_UNIX
#include <poll.h>
#endif
#include <climits>
#include <optional>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif
#endif

namespace {

const QString UnableToOpen = QStringLiteral("Unable to open com port");
const QString WriteFailed = QStringLiteral("WriteFile function failed");
const QString ReadFailed = QStringLiteral("ReadFile function failed");
const QString PurgeFailed = QStringLiteral("PurgeComm function failed");
const QString SetStateFailed = QStringLiteral("SetCommState function failed");
const QString StoreFailed = QStringLiteral("Failed to store settings");
const QString LoadFailed = QStringLiteral("Failed to load settings");

#ifdef Q_OS_WIN
constexpr int ErrorFileNotFound = 2;
constexpr int ErrorAccessDenied = 5;
constexpr int ErrorInvalidHandle = 6;
constexpr int ErrorGeneric = 31;
#else
constexpr int ErrorFileNotFound = ENOENT;
constexpr int ErrorAccessDenied = EBUSY;
constexpr int ErrorInvalidHandle = EBADF;
constexpr int ErrorGeneric = EIO;
#endif

// After the first byte a read goes on while the next one follows within
// the read interval. Waiting one millisecond longer than the interval
// absorbs the granularity of the poll and of USB frames, which are 1 ms apart.
constexpr int IntervalWaitMs = TComPort::ReadIntervalTimeoutMs + 1;

int lastErrorOr(int fallback)
{
    return errno != 0 ? errno : fallback;
}

QString systemLocation(const QString &port)
{
#ifdef Q_OS_UNIX
    return port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("/dev/") + port;
#else
    return port;
#endif
}

// QSerialPort reports open failures as categories; the caller wants a number.
int openErrorNumber(QSerialPort::SerialPortError error, const QString &port)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ErrorFileNotFound;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Both "no access rights" and "held by someone else" end up here.
        if (::access(QFile::encodeName(systemLocation(port)).constData(), R_OK | W_OK) != 0)
            return lastErrorOr(EACCES);
#endif
        return ErrorAccessDenied;
    case QSerialPort::OpenError:
        return ErrorAccessDenied;
    default:
        return lastErrorOr(ErrorGeneric);
    }
}

QString tableText(const QStringList &table, const QString &text)
{
    for (const QString &t : table) {
        if (t.compare(text, Qt::CaseInsensitive) == 0)
            return t;
    }
    return {};
}

QSerialPort::DataBits qtDataBits(const QString &text)
{
    return QSerialPort::DataBits(text.toInt());
}

QSerialPort::StopBits qtStopBits(const QString &text)
{
    if (text == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    return text == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop;
}

QSerialPort::Parity qtParity(const QString &text)
{
    static const QSerialPort::Parity values[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                 QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                 QSerialPort::SpaceParity};
    const int i = int(TComPort::ParityTexts().indexOf(text));
    return i < 0 ? QSerialPort::NoParity : values[i];
}

} // namespace

EComPort::EComPort(const QString &message, int systemError)
    : std::runtime_error((systemError >= 0
                              ? message + QStringLiteral(" (win error code: %1)").arg(systemError)
                              : message)
                             .toStdString())
    , m_message(message)
    , m_text(QString::fromStdString(what()))
    , m_systemError(systemError)
{
}

bool EComPort::deviceMissing() const
{
    return m_message == UnableToOpen && m_systemError == ErrorFileNotFound;
}

const QStringList &TComPort::BaudTexts()
{
    static const QStringList texts = {
        QStringLiteral("Custom"), QStringLiteral("110"),    QStringLiteral("300"),
        QStringLiteral("600"),    QStringLiteral("1200"),   QStringLiteral("2400"),
        QStringLiteral("4800"),   QStringLiteral("9600"),   QStringLiteral("14400"),
        QStringLiteral("19200"),  QStringLiteral("38400"),  QStringLiteral("56000"),
        QStringLiteral("57600"),  QStringLiteral("115200"), QStringLiteral("128000"),
        QStringLiteral("256000")};
    return texts;
}

const QStringList &TComPort::StopBitTexts()
{
    static const QStringList texts = {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
    return texts;
}

const QStringList &TComPort::DataBitTexts()
{
    static const QStringList texts = {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                      QStringLiteral("8")};
    return texts;
}

const QStringList &TComPort::ParityTexts()
{
    static const QStringList texts = {QStringLiteral("None"), QStringLiteral("Odd"),
                                      QStringLiteral("Even"), QStringLiteral("Mark"),
                                      QStringLiteral("Space")};
    return texts;
}

const QStringList &TComPort::FlowControlTexts()
{
    static const QStringList texts = {QStringLiteral("Hardware"), QStringLiteral("Software"),
                                      QStringLiteral("None"), QStringLiteral("Custom")};
    return texts;
}

TComPort::TComPort(const QString &name, QObject *parent)
    : QObject(parent)
    , m_serial(new QSerialPort(this))
{
    setObjectName(name);
    // Announcing from a queued call rather than from readyRead itself keeps
    // the handler out of synchronous reads (which emit readyRead from
    // inside) and out of QSerialPort's guard against nested readyRead, so
    // bytes that arrive while a handler processes events are announced too.
    connect(m_serial, &QSerialPort::readyRead, this, &TComPort::scheduleRxEvent);
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // A read notification can find nothing to read when a handler has
        // already taken the driver's bytes (ReceiveBytes of PendingCount):
        // QSerialPort calls that a read error, but the line is still there.
        if (e == QSerialPort::ReadError && lineStillUp()) {
            m_serial->clearError();
            return;
        }
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
            scheduleLineLost();
    });
}

TComPort::~TComPort()
{
    if (m_serial->isOpen())
        m_serial->close();
}

void TComPort::setPort(const QString &port)
{
    if (port == m_port)
        return;
    if (!Connected()) {
        m_port = port;
        return;
    }
    ClosePort();
    m_port = port;
    OpenPort();
}

void TComPort::setBaudRateText(const QString &text)
{
    const QString t = tableText(BaudTexts(), text);
    if (t.isEmpty())
        return;
    m_baudText = t;
    if (Connected())
        applyBaudRate();
}

void TComPort::setCustomBaudRate(int baud)
{
    m_customBaud = baud;
    if (Connected() && m_baudText == QLatin1String("Custom"))
        applyBaudRate();
}

int TComPort::effectiveBaudRate() const
{
    return m_baudText == QLatin1String("Custom") ? m_customBaud : m_baudText.toInt();
}

void TComPort::setLineFormatText(QString &member, const QStringList &table, const QString &text)
{
    const QString t = tableText(table, text);
    if (t.isEmpty())
        return;
    member = t;
    if (Connected())
        applyLineFormat();
}

void TComPort::setStopBitsText(const QString &text)
{
    setLineFormatText(m_stopBits, StopBitTexts(), text);
}

void TComPort::setDataBitsText(const QString &text)
{
    setLineFormatText(m_dataBits, DataBitTexts(), text);
}

void TComPort::setParityText(const QString &text)
{
    setLineFormatText(m_parity, ParityTexts(), text);
}

void TComPort::setRtsMode(RtsMode m)
{
    m_rts = m;
    if (Connected())
        applyFlowControl();
}

void TComPort::setFlowFlag(bool &flag, bool on)
{
    flag = on;
    if (Connected())
        applyFlowControl();
}

void TComPort::setCtsOutFlow(bool on)
{
    setFlowFlag(m_ctsFlow, on);
}

void TComPort::setXonXoffIn(bool on)
{
    setFlowFlag(m_xonIn, on);
}

void TComPort::setXonXoffOut(bool on)
{
    setFlowFlag(m_xonOut, on);
}

QString TComPort::FlowControlText() const
{
    if (m_rts == RtsMode::Handshake && m_ctsFlow && !m_xonIn && !m_xonOut)
        return QStringLiteral("Hardware");
    if (m_rts == RtsMode::Disable && !m_ctsFlow && m_xonIn && m_xonOut)
        return QStringLiteral("Software");
    if (m_rts == RtsMode::Disable && !m_ctsFlow && !m_xonIn && !m_xonOut)
        return QStringLiteral("None");
    return QStringLiteral("Custom");
}

void TComPort::setFlowControlText(const QString &text)
{
    const QString t = tableText(FlowControlTexts(), text);
    if (t == QLatin1String("Hardware")) {
        m_rts = RtsMode::Handshake;
        m_ctsFlow = true;
        m_xonIn = m_xonOut = false;
    } else if (t == QLatin1String("Software")) {
        m_rts = RtsMode::Disable;
        m_ctsFlow = false;
        m_xonIn = m_xonOut = true;
    } else if (t == QLatin1String("None")) {
        m_rts = RtsMode::Disable;
        m_ctsFlow = false;
        m_xonIn = m_xonOut = false;
    } else {
        return; // "Custom" and anything unknown leave the flags as they are
    }
    if (Connected())
        applyFlowControl();
}

bool TComPort::Connected() const
{
    return m_serial->isOpen();
}

void TComPort::OpenPort()
{
    if (Connected())
        return;
    // QSerialPort applies its stored line settings while opening; keep them
    // neutral so that the open itself cannot fail on a setting, which is
    // then applied (and judged) by applySettings.
    m_serial->setBaudRate(QSerialPort::Baud9600);
    m_serial->setDataBits(QSerialPort::Data8);
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setStopBits(QSerialPort::OneStop);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    m_serial->setPortName(m_port);
    m_serial->clearError();
    errno = 0;
    if (m_port.isEmpty() || !m_serial->open(QIODevice::ReadWrite)) {
        const int code = m_port.isEmpty() ? ErrorFileNotFound
                                          : openErrorNumber(m_serial->error(), m_port);
        m_serial->clearError();
        throw EComPort(UnableToOpen, code);
    }
    try {
        applySettings();
    } catch (const EComPort &) {
        m_serial->close();
        m_serial->clearError();
        throw;
    }
    ++m_openGeneration;
    emit openChanged(true);
}

void TComPort::ClosePort()
{
    if (!Connected())
        return;
    m_serial->clear(QSerialPort::AllDirections);
    m_serial->close();
    m_serial->clearError();
    emit openChanged(false);
}

void TComPort::checkSetting(bool ok)
{
    if (ok)
        return;
    const int code = lastErrorOr(EINVAL);
    m_serial->clearError();
    // A pseudo-terminal has no line: it refuses parity and the modem lines
    // although everything else works. On a real device a refusal is real.
    if (isPseudoTerminal())
        return;
    throw EComPort(SetStateFailed, code);
}

bool TComPort::isPseudoTerminal() const
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::fstat(m_serial->handle(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
#ifdef Q_OS_LINUX
    // Unix98 pseudo-terminal slaves (136-143) and the legacy BSD ones (3).
    const unsigned int maj = major(st.st_rdev);
    return (maj >= 136 && maj <= 143) || maj == 3;
#else
    return m_serial->portName().startsWith(QLatin1String("pts/"))
        || m_serial->portName().startsWith(QLatin1String("ttys"));
#endif
#else
    return false;
#endif
}

void TComPort::applySettings()
{
    // The driver's own buffers cannot be sized on every platform; QSerialPort
    // buffers without limit, so nothing that arrives is dropped.
    applyBaudRate();
    applyLineFormat();
    errno = 0;
    checkSetting(m_serial->setDataTerminalReady(true));
    applyFlowControl();
}

void TComPort::applyBaudRate()
{
    errno = 0;
    checkSetting(m_serial->setBaudRate(effectiveBaudRate()));
}

void TComPort::applyLineFormat()
{
    errno = 0;
    checkSetting(m_serial->setDataBits(qtDataBits(m_dataBits)));
    errno = 0;
    checkSetting(m_serial->setParity(qtParity(m_parity)));
    errno = 0;
    checkSetting(m_serial->setStopBits(qtStopBits(m_stopBits)));
}

void TComPort::applyFlowControl()
{
#ifdef Q_OS_UNIX
    // QSerialPort only knows "both XON/XOFF directions" or "RTS/CTS"; the
    // individual flags go to the line discipline directly.
    const int fd = m_serial->handle();
    termios t {};
    errno = 0;
    if (::tcgetattr(fd, &t) != 0) {
        checkSetting(false);
        return;
    }
    if (m_ctsFlow)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if (m_xonOut)
        t.c_iflag |= IXON;
    if (m_xonIn)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = 17;
    t.c_cc[VSTOP] = 19;
    errno = 0;
    checkSetting(::tcsetattr(fd, TCSANOW, &t) == 0);
    if (!m_ctsFlow) {
        // Without RTS/CTS the RTS line follows its mode (toggle: asserted).
        errno = 0;
        checkSetting(m_serial->setRequestToSend(m_rts != RtsMode::Disable));
    }
#else
    QSerialPort::FlowControl fc = QSerialPort::NoFlowControl;
    if (m_ctsFlow)
        fc = QSerialPort::HardwareControl;
    else if (m_xonIn || m_xonOut)
        fc = QSerialPort::SoftwareControl;
    errno = 0;
    checkSetting(m_serial->setFlowControl(fc));
    if (fc != QSerialPort::HardwareControl) {
        errno = 0;
        checkSetting(m_serial->setRequestToSend(m_rts != RtsMode::Disable));
    }
#endif
}

void TComPort::SendText(const QByteArray &text)
{
    if (!Connected())
        throw EComPort(WriteFailed, ErrorInvalidHandle);
    if (text.isEmpty())
        return;
    m_serial->clearError();
    errno = 0;
    if (m_serial->write(text) != text.size()) {
        const int code = lastErrorOr(ErrorGeneric);
        m_serial->clearError();
        throw EComPort(WriteFailed, code);
    }
    const QDeadlineTimer deadline(writeTotalTimeoutMs(int(qMin<qsizetype>(text.size(), INT_MAX / 200))));
    while (m_serial->bytesToWrite() > 0) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            // Timed out (a stopped line): what was not sent is dropped so it
            // cannot reach the device later in the middle of another exchange.
            m_serial->clear(QSerialPort::Output);
            m_serial->clearError();
            break;
        }
        errno = 0;
        if (!m_serial->waitForBytesWritten(int(left))) {
            const QSerialPort::SerialPortError e = m_serial->error();
            if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError) {
                m_serial->clearError();
                continue;
            }
            const int code = lastErrorOr(ErrorGeneric);
            m_serial->clearError();
            throw EComPort(WriteFailed, code);
        }
    }
}

QByteArray TComPort::ReceiveText(int n)
{
    return ReceiveTextWithin(n, readTotalTimeoutMs(qMin(qMax(n, 0), INT_MAX / 20)));
}

QByteArray TComPort::ReceiveTextWithin(int n, qint64 totalMs)
{
    if (!Connected())
        throw EComPort(ReadFailed, ErrorInvalidHandle);
    if (n <= 0)
        return {};
    const HoldRxEvents hold(*this);
    const QDeadlineTimer total(qMax<qint64>(0, qMin<qint64>(totalMs, readTotalTimeoutMs(qMin(n, INT_MAX / 20)))));
    QByteArray out = m_serial->read(n);
    while (out.size() < n) {
        if (out.isEmpty() && m_waitInEventLoop && !m_inWaitHook) {
            const qint64 left = total.remainingTime();
            if (left <= 0)
                break;
            if (!waitInEventLoop(left))
                throw EComPort(ReadFailed, ErrorInvalidHandle);
            out += m_serial->read(n - out.size());
            if (out.isEmpty() && total.hasExpired())
                break;
            continue;
        }
        qint64 wait = total.remainingTime();
        const bool hook = out.isEmpty() && OnWait && !m_inWaitHook;
        if (!out.isEmpty())
            wait = qMin<qint64>(wait, IntervalWaitMs);
        else if (hook)
            wait = qMin<qint64>(wait, WaitSliceMs);
        if (wait <= 0)
            break;
        m_serial->clearError();
        errno = 0;
        if (!m_serial->waitForReadyRead(int(wait))) {
            const QSerialPort::SerialPortError e = m_serial->error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) {
                const int code = lastErrorOr(ErrorGeneric);
                m_serial->clearError();
                throw EComPort(ReadFailed, code);
            }
            m_serial->clearError();
            // A poll woken for writing only, or the interval passed.
            if (!out.isEmpty() || total.hasExpired())
                break;
            if (hook) {
                m_inWaitHook = true;
                try {
                    OnWait();
                } catch (...) {
                    m_inWaitHook = false;
                    throw;
                }
                m_inWaitHook = false;
                if (!Connected())
                    throw EComPort(ReadFailed, ErrorInvalidHandle);
                // The window's event loop may have fetched bytes meanwhile.
                out += m_serial->read(n - out.size());
            }
            continue;
        }
        out += m_serial->read(n - out.size());
    }
    return out;
}

bool TComPort::waitInEventLoop(qint64 ms)
{
    if (m_serial->bytesAvailable() > 0)
        return true;
    m_inWaitHook = true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // QSerialPort fetches the driver's bytes from the event loop and says so.
    connect(m_serial, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    connect(m_serial, &QSerialPort::errorOccurred, &loop, [&loop](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
            loop.quit();
    });
    connect(this, &TComPort::openChanged, &loop, &QEventLoop::quit);
    deadline.start(int(qMin<qint64>(ms, INT_MAX)));
    try {
        loop.exec();
    } catch (...) {
        m_inWaitHook = false;
        throw;
    }
    m_inWaitHook = false;
    if (!Connected())
        return false;
    const QSerialPort::SerialPortError e = m_serial->error();
    if ((e == QSerialPort::ReadError || e == QSerialPort::ResourceError) && !lineStillUp()) {
        m_serial->clearError();
        throw EComPort(ReadFailed, ErrorGeneric);
    }
    return true;
}

TComPort::HoldRxEvents::HoldRxEvents(TComPort &port)
    : m_port(port)
{
    ++m_port.m_rxHoldDepth;
}

TComPort::HoldRxEvents::~HoldRxEvents()
{
    if (--m_port.m_rxHoldDepth == 0)
        m_port.releaseRxEvents();
}

void TComPort::releaseRxEvents()
{
    if (!m_rxEventHeld)
        return;
    m_rxEventHeld = false;
    scheduleRxEvent();
}

int TComPort::Read(char *buffer, int n)
{
    const QByteArray bytes = ReceiveText(n);
    std::copy(bytes.begin(), bytes.end(), buffer);
    return int(bytes.size());
}

void TComPort::pullWaiting()
{
    m_serial->clearError();
    errno = 0;
    if (!m_serial->waitForReadyRead(0)) {
        const QSerialPort::SerialPortError e = m_serial->error();
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) {
            const int code = lastErrorOr(ErrorGeneric);
            m_serial->clearError();
            throw EComPort(ReadFailed, code);
        }
        m_serial->clearError();
    }
}

QByteArray TComPort::ReceiveBytes(int n)
{
    if (!Connected())
        throw EComPort(ReadFailed, ErrorInvalidHandle);
    if (n <= 0)
        return {};
    if (m_serial->bytesAvailable() < n)
        pullWaiting();
    return m_serial->read(n);
}

int TComPort::PendingCount()
{
    if (!Connected())
        return 0;
    qint64 count = m_serial->bytesAvailable();
#ifdef Q_OS_UNIX
    // Bytes the driver holds that QSerialPort has not fetched yet.
    int inDriver = 0;
    if (::ioctl(m_serial->handle(), FIONREAD, &inDriver) == 0 && inDriver > 0)
        count += inDriver;
#endif
    return int(qMin<qint64>(count, INT_MAX));
}

void TComPort::PurgeInput()
{
    if (!Connected())
        return;
    errno = 0;
    if (!m_serial->clear(QSerialPort::Input)) {
        const int code = lastErrorOr(ErrorGeneric);
        m_serial->clearError();
        if (!isPseudoTerminal())
            throw EComPort(PurgeFailed, code);
    }
    m_serial->readAll();
}

void TComPort::scheduleRxEvent()
{
    if (m_rxEventScheduled)
        return;
    m_rxEventScheduled = true;
    QMetaObject::invokeMethod(this, [this] { deliverRxEvent(); }, Qt::QueuedConnection);
}

bool TComPort::lineStillUp() const
{
#ifdef Q_OS_UNIX
    pollfd p{int(m_serial->handle()), POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return false;
    return !(p.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void TComPort::scheduleLineLost()
{
    if (m_lineLostScheduled)
        return;
    m_lineLostScheduled = true;
    const int generation = m_openGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            m_lineLostScheduled = false;
            // A device that was unplugged or hung up stays readable with an
            // error forever; left open it would keep the event loop spinning.
            if (!Connected() || generation != m_openGeneration)
                return;
            m_serial->close();
            m_serial->clearError();
            emit openChanged(false);
        },
        Qt::QueuedConnection);
}

void TComPort::deliverRxEvent()
{
    m_rxEventScheduled = false;
    if (m_rxHoldDepth > 0) {
        m_rxEventHeld = true;
        return;
    }
    if (!Connected() || !OnRxChar)
        return;
    const int count = PendingCount();
    if (count <= 0)
        return;
    // A copy, so the handler may replace OnRxChar while it runs.
    const std::function<void(int)> handler = OnRxChar;
    handler(count);
}

void TComPort::LoadPortSettings(const IniFile &file)
{
    const QByteArray section = name().toLatin1();
    auto value = [&](const char *key) -> std::optional<QString> {
        if (!file.hasKey(section, key))
            return std::nullopt;
        return QString::fromLatin1(file.readString(section, key));
    };
    auto textOr = [](const QStringList &table, const QString &v, const char *fallback) {
        const QString t = tableText(table, v);
        return t.isEmpty() ? QString::fromLatin1(fallback) : t;
    };
    try {
        if (const auto v = value("Port"))
            setPort(*v);
        if (const auto v = value("BaudRate"))
            setBaudRateText(textOr(BaudTexts(), *v, "9600"));
        if (m_baudText == QLatin1String("Custom")) {
            int baud = 9600;
            if (const auto v = value("CustomBaudRate")) {
                bool ok = false;
                const int b = v->toInt(&ok);
                if (ok && b > 0)
                    baud = b;
            }
            setCustomBaudRate(baud);
        }
        if (const auto v = value("StopBits"))
            setStopBitsText(textOr(StopBitTexts(), *v, "1"));
        if (const auto v = value("DataBits"))
            setDataBitsText(textOr(DataBitTexts(), *v, "8"));
        if (const auto v = value("Parity"))
            setParityText(textOr(ParityTexts(), *v, "None"));
        if (const auto v = value("FlowControl"))
            setFlowControlText(*v);
    } catch (const EComPort &) {
        throw EComPort(LoadFailed);
    }
}

void TComPort::StorePortSettings(IniFile &file) const
{
    const QByteArray section = name().toLatin1();
    auto put = [&](const char *key, const QString &value) {
        if (!file.writeString(section, key, value.toLatin1()))
            throw EComPort(StoreFailed);
    };
    put("Port", m_port);
    put("BaudRate", m_baudText);
    if (m_baudText == QLatin1String("Custom"))
        put("CustomBaudRate", QString::number(m_customBaud));
    put("StopBits", m_stopBits);
    put("DataBits", m_dataBits);
    put("Parity", m_parity);
    put("FlowControl", FlowControlText());
}

QStringList SortedPortNames(QStringList names)
{
    names.removeDuplicates();
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QStringList SystemPortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
#ifdef Q_OS_WIN
        names.append(info.portName());
#else
        names.append(info.systemLocation());
#endif
    }
    return SortedPortNames(names);
}
