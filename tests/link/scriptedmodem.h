#pragma once

#include "pty.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// A scripted handset on the device side of a PtyPair, answering on a thread
// of its own while the code under test blocks in a synchronous read. For each
// command line (up to CR) that arrives, answer() gives the pieces to write
// back; they are written gapMs apart.
class ScriptedModem
{
public:
    using Script = std::function<QList<QByteArray>(const QByteArray &command)>;

    ScriptedModem(PtyPair &pty, Script answer, int gapMs = 0);
    ~ScriptedModem();

    // Commands received so far, each without its CR. Read it after the
    // exchange under test has ended.
    QList<QByteArray> commands() const;

    // A piece that writes nothing but holds the next piece back for ms
    // (beside the gap), as a handset that stalls in the middle of a reply.
    static QByteArray pause(int ms);

    // Echo, CR LF, answer line, CR LF, CR LF and the final line, as one text.
    static QByteArray reply(const QByteArray &command, const QByteArray &answer,
                            const QByteArray &final = "OK");

private:
    void run();

    PtyPair &m_pty;
    Script m_answer;
    int m_gapMs;
    std::atomic_bool m_stop{false};
    QList<QByteArray> m_commands;
    mutable std::mutex m_mutex;
    std::thread m_thread;
};
