#pragma once

#include "pty.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// A scripted handset for OBEX tests on the device side of a PtyPair, on a
// thread of its own. In command mode it cuts the input into lines (up to
// CR); after it has answered "AT^SQWE=3" it cuts OBEX packets by their
// length field, and a "+++" between packets takes it back to command mode
// (it answers "OK" itself). Each unit goes to the script, which gives the
// pieces to write back.
class ObexDevice
{
public:
    using Script = std::function<QList<QByteArray>(const QByteArray &unit, bool obexMode)>;

    ObexDevice(PtyPair &pty, Script script);
    ~ObexDevice();

    // Every unit received (AT lines without CR, OBEX packets, "+++").
    QList<QByteArray> units() const;
    bool inObexMode() const { return m_obex; }
    // False: "+++" in OBEX mode is taken but never answered with "OK".
    std::atomic_bool answerEscape{true};

    // The usual answer to an AT line: echo, CR LF OK CR LF, as one piece.
    static QByteArray okReply(const QByteArray &line);

private:
    void run();

    PtyPair &m_pty;
    Script m_script;
    std::atomic_bool m_stop{false};
    std::atomic_bool m_obex{false};
    QList<QByteArray> m_units;
    mutable std::mutex m_mutex;
    std::thread m_thread;
};
