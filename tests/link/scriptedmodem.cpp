#include "scriptedmodem.h"

#include <QThread>

ScriptedModem::ScriptedModem(PtyPair &pty, Script answer, int gapMs)
    : m_pty(pty)
    , m_answer(std::move(answer))
    , m_gapMs(gapMs)
    , m_thread([this] { run(); })
{
}

ScriptedModem::~ScriptedModem()
{
    m_stop = true;
    m_thread.join();
}

QList<QByteArray> ScriptedModem::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

QByteArray ScriptedModem::reply(const QByteArray &command, const QByteArray &answer,
                                const QByteArray &final)
{
    QByteArray text = command + "\r";
    if (!answer.isNull())
        text += "\r\n" + answer + "\r\n";
    return text + "\r\n" + final + "\r\n";
}

namespace {
const QByteArray PauseMark("\0pause:", 7);
}

QByteArray ScriptedModem::pause(int ms)
{
    return PauseMark + QByteArray::number(ms);
}

void ScriptedModem::run()
{
    QByteArray pending;
    while (!m_stop) {
        pending += m_pty.read(50, 1);
        const qsizetype cr = pending.indexOf('\r');
        if (cr < 0)
            continue;
        const QByteArray command = pending.left(cr);
        pending.remove(0, cr + 1);
        {
            std::lock_guard lock(m_mutex);
            m_commands.append(command);
        }
        const QList<QByteArray> pieces = m_answer(command);
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0 && m_gapMs > 0)
                QThread::msleep(m_gapMs);
            if (pieces.at(i).startsWith(PauseMark))
                QThread::msleep(pieces.at(i).mid(PauseMark.size()).toULong());
            else
                m_pty.write(pieces.at(i));
        }
    }
}
