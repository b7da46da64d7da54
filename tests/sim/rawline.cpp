#include "rawline.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

RawLine::RawLine(const QString &path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return;
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    tcsetattr(m_fd, TCSANOW, &t);
}

RawLine::~RawLine()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawLine::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(3000);
    while (done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
    return done == bytes.size();
}

bool RawLine::endsWithFinal(const QByteArray &text)
{
    static const QRegularExpression final(QStringLiteral("\r\n(OK|ERROR|\\+CM[ES] ERROR: [^\r\n]*)\r\n$"));
    return final.match(QString::fromLatin1(text)).hasMatch();
}

QList<QByteArray> RawLine::readChunks(int timeoutMs)
{
    QList<QByteArray> chunks;
    QByteArray all;
    QDeadlineTimer deadline(timeoutMs);
    while (!endsWithFinal(all) && !deadline.hasExpired()) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            chunks.append(QByteArray(buf, n));
            all.append(buf, n);
        }
    }
    return chunks;
}

QByteArray RawLine::readReply(int timeoutMs)
{
    return readChunks(timeoutMs).join();
}

QByteArray RawLine::readUntil(const QByteArray &needle, int timeoutMs)
{
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (!out.contains(needle) && !deadline.hasExpired()) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
    }
    return out;
}

QByteArray RawLine::readFor(int timeoutMs)
{
    return readUntil(QByteArray(1, '\0').repeated(64), timeoutMs);
}

QByteArray RawLine::command(const QByteArray &cmd, int timeoutMs)
{
    if (!write(cmd + '\r'))
        return {};
    return readReply(timeoutMs);
}

QByteArray RawLine::lines(const QByteArray &reply, const QByteArray &echo)
{
    QByteArray rest = reply;
    if (!echo.isEmpty() && rest.startsWith(echo + '\r'))
        rest.remove(0, echo.size() + 1);
    QByteArrayList out;
    for (const QByteArray &l : rest.split('\n')) {
        const QByteArray t = l.endsWith('\r') ? l.chopped(1) : l;
        if (!t.isEmpty())
            out.append(t);
    }
    return out.join('|');
}
