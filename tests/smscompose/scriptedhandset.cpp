#include "scriptedhandset.h"

ScriptedHandset::ScriptedHandset(PtyPair &pty, Script answer)
    : m_pty(pty)
    , m_answer(std::move(answer))
    , m_thread([this] { run(); })
{
}

ScriptedHandset::~ScriptedHandset()
{
    m_stop = true;
    m_thread.join();
}

QList<QByteArray> ScriptedHandset::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

void ScriptedHandset::run()
{
    QByteArray pending;
    while (!m_stop) {
        pending += m_pty.read(50, 1);
        for (;;) {
            qsizetype end = -1;
            for (qsizetype i = 0; i < pending.size() && end < 0; ++i) {
                if (pending[i] == '\r' || pending[i] == 0x1A || pending[i] == 0x1B)
                    end = i;
            }
            if (end < 0)
                break;
            const QByteArray piece = pending.left(end + 1);
            pending.remove(0, end + 1);
            {
                std::lock_guard lock(m_mutex);
                m_received.append(piece);
            }
            const QByteArray answer = m_answer(piece);
            if (!answer.isEmpty())
                m_pty.write(answer);
        }
    }
}
