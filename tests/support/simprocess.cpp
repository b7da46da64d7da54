#include "simprocess.h"

#include <QDeadlineTimer>

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

SimProcess::SimProcess(QStringList extraArgs)
    : m_args(std::move(extraArgs))
{
}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(int timeoutMs)
{
    QStringList args{QStringLiteral("--dir"), m_dir.path()};
    args += m_args;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that crashes must not leave its handset running.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral(ZENKSIM_PATH), args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (!out.contains("ready") && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            if (m_process.state() != QProcess::Running)
                return false;
        out += m_process.readAllStandardOutput();
    }
    return out.contains("ready");
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QByteArray SimProcess::control(const QByteArray &command, int timeoutMs) const
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = controlPath().toLocal8Bit();
    std::strncpy(addr.sun_path, path.constData(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return {};
    }
    const QByteArray line = command + '\n';
    if (::write(fd, line.constData(), size_t(line.size())) != line.size()) {
        ::close(fd);
        return {};
    }
    QByteArray reply;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        reply.append(buf, n);
    }
    ::close(fd);
    return reply;
}
