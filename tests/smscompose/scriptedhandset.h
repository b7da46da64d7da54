#pragma once

#include "pty.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// A handset on the device side of a PtyPair, answering on a thread of its
// own while the program under test runs its event loop. Input is cut into
// pieces after each CR (a command line), Ctrl-Z (the end of a PDU) and ESC
// (a cancelled PDU); answer() gets each piece with its terminator and gives
// the bytes to write back.
class ScriptedHandset
{
public:
    using Script = std::function<QByteArray(const QByteArray &piece)>;

    ScriptedHandset(PtyPair &pty, Script answer);
    ~ScriptedHandset();

    // What arrived so far, piece by piece (terminators kept).
    QList<QByteArray> received() const;

private:
    void run();

    PtyPair &m_pty;
    Script m_answer;
    std::atomic_bool m_stop{false};
    QList<QByteArray> m_received;
    mutable std::mutex m_mutex;
    std::thread m_thread;
};
