#include "port.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace {
// Output nobody reads piles up in the line; beyond this the oldest is dropped.
constexpr size_t MaxQueuedBytes = 1 << 20;
}

PtyPort::~PtyPort()
{
    close();
}

bool PtyPort::open(const std::string &linkPath, std::string &error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        close();
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        error = "cannot name the pseudo-terminal";
        close();
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0) {
        error = m_slavePath + ": " + std::strerror(errno);
        close();
        return false;
    }
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);

    // Publish atomically: a stale link from an earlier run is replaced.
    const std::string tmp = linkPath + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(m_slavePath.c_str(), tmp.c_str()) != 0
        || ::rename(tmp.c_str(), linkPath.c_str()) != 0) {
        error = linkPath + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        close();
        return false;
    }
    m_linkPath = linkPath;
    return true;
}

void PtyPort::close()
{
    if (!m_linkPath.empty()) {
        char target[4096];
        const ssize_t n = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, size_t(n)) == m_slavePath)
            ::unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_pieces.clear();
    m_queuedBytes = 0;
}

std::string PtyPort::readAvailable()
{
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, size_t(n));
    }
    if (m_inputPaced && m_pacing.baud > 0 && !out.empty())
        m_inputUntil = std::max(Clock::now(), m_inputUntil)
                       + std::chrono::microseconds(int64_t(out.size()) * 10 * 1000000 / m_pacing.baud);
    return out;
}

void PtyPort::queue(const std::string &bytes, Clock::time_point notBefore)
{
    const size_t step = m_pacing.splitBytes > 0 ? size_t(m_pacing.splitBytes) : bytes.size();
    for (size_t i = 0; i < bytes.size(); i += step) {
        m_pieces.push_back({bytes.substr(i, step), notBefore});
        m_queuedBytes += m_pieces.back().bytes.size();
    }
    while (m_queuedBytes > MaxQueuedBytes && !m_pieces.empty()) {
        m_queuedBytes -= m_pieces.front().bytes.size();
        m_pieces.pop_front();
    }
}

void PtyPort::sendEcho(const std::string &bytes)
{
    if (bytes.empty() || m_master < 0)
        return;
    // The echo is one piece of its own even when it is longer than the split size.
    m_pieces.push_back({bytes, Clock::now()});
    m_queuedBytes += bytes.size();
}

void PtyPort::sendReply(const std::string &bytes)
{
    if (bytes.empty() || m_master < 0)
        return;
    const Clock::time_point now = Clock::now();
    const Clock::time_point asked = m_inputPaced ? std::max(now, m_inputUntil) : now;
    queue(bytes, asked + std::chrono::milliseconds(m_pacing.latencyMs));
}

void PtyPort::discardOutput()
{
    m_pieces.clear();
    m_queuedBytes = 0;
}

bool PtyPort::dropUnread()
{
    int waiting = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &waiting) != 0 || waiting <= 0)
        return false;
    ::tcflush(m_slave, TCIFLUSH);
    return true;
}

Clock::time_point PtyPort::nextDue() const
{
    if (m_pieces.empty())
        return Clock::time_point::max();
    return std::max(m_pieces.front().notBefore, m_holdUntil);
}

bool PtyPort::wantsWrite(Clock::time_point now) const
{
    return !m_pieces.empty() && nextDue() <= now;
}

void PtyPort::onWritable(Clock::time_point now)
{
    while (wantsWrite(now)) {
        Piece &piece = m_pieces.front();
        size_t chunk = piece.bytes.size();
        if (m_pacing.baud > 0) {
            // About two milliseconds of line time per write, at least one byte.
            chunk = std::min(chunk, std::max<size_t>(1, size_t(m_pacing.baud) / 5000));
        }
        const ssize_t n = ::write(m_master, piece.bytes.data(), chunk);
        if (n <= 0)
            return;  // full (or failed): poll tells when to try again
        piece.bytes.erase(0, size_t(n));
        m_queuedBytes -= size_t(n);
        // Line time runs on from where the previous write's ended, so that the
        // main loop's own delays (it wakes in whole milliseconds) do not add
        // up to a slower line; after a pause it starts again from now.
        const Clock::time_point lineFree =
            m_holdUntil + std::chrono::milliseconds(20) < now ? now : m_holdUntil;
        now = Clock::now();
        if (m_pacing.baud > 0)
            m_holdUntil = lineFree + std::chrono::microseconds(int64_t(n) * 10 * 1000000 / m_pacing.baud);
        if (piece.bytes.empty()) {
            m_pieces.pop_front();
            if (m_pacing.gapMs > 0)
                m_holdUntil = std::max(m_holdUntil, now + std::chrono::milliseconds(m_pacing.gapMs));
        }
        if (m_pacing.baud > 0)
            return;  // the next chunk waits for its line time
    }
}
