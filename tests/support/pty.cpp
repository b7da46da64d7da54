#include "pty.h"

#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    // Raw mode on the line so bytes pass unchanged in both directions.
    m_keepSlave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
    if (m_keepSlave >= 0) {
        termios t{};
        tcgetattr(m_keepSlave, &t);
        cfmakeraw(&t);
        tcsetattr(m_keepSlave, TCSANOW, &t);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    if (m_keepSlave >= 0)
        ::close(m_keepSlave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(2000);
    while (done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
    return done == bytes.size();
}

bool PtyPair::writeSlowly(const QByteArray &bytes, int gapMs)
{
    for (char c : bytes) {
        if (!write(QByteArray(1, c)))
            return false;
        ::usleep(useconds_t(gapMs) * 1000);
    }
    return true;
}

QByteArray PtyPair::read(int timeoutMs, int quietMs)
{
    QByteArray out;
    int wait = timeoutMs;
    for (;;) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, wait) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
        wait = quietMs;
    }
    return out;
}

QByteArray PtyPair::readUntil(const QByteArray &expected, int timeoutMs)
{
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (!out.contains(expected) && !deadline.hasExpired()) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
    }
    return out;
}
