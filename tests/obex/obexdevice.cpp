#include "obexdevice.h"

#include <unistd.h>

ObexDevice::ObexDevice(PtyPair &pty, Script script)
    : m_pty(pty)
    , m_script(std::move(script))
    , m_thread([this] { run(); })
{
}

ObexDevice::~ObexDevice()
{
    m_stop = true;
    m_thread.join();
}

QList<QByteArray> ObexDevice::units() const
{
    std::lock_guard lock(m_mutex);
    return m_units;
}

QByteArray ObexDevice::okReply(const QByteArray &line)
{
    return line + "\r\r\nOK\r\n";
}

void ObexDevice::run()
{
    QByteArray buffer;
    while (!m_stop) {
        buffer += m_pty.read(20, 5);
        for (;;) {
            QByteArray unit;
            if (!m_obex) {
                const qsizetype cr = buffer.indexOf('\r');
                if (cr < 0)
                    break;
                unit = buffer.left(cr);
                buffer.remove(0, cr + 1);
            } else if (buffer.startsWith("+++")) {
                unit = "+++";
                buffer.remove(0, 3);
            } else if (buffer.size() >= 3) {
                const int length = (quint8(buffer[1]) << 8) | quint8(buffer[2]);
                if (length < 3 || buffer.size() < length)
                    break;
                unit = buffer.left(length);
                buffer.remove(0, length);
            } else {
                break;
            }
            const bool obex = m_obex;
            {
                std::lock_guard lock(m_mutex);
                m_units.append(unit);
            }
            QList<QByteArray> pieces;
            if (obex && unit == "+++") {
                m_obex = false;
                if (answerEscape)
                    pieces = {"\r\nOK\r\n"};
            } else {
                pieces = m_script(unit, obex);
                if (!obex && unit.endsWith("AT^SQWE=3") && !pieces.isEmpty())
                    m_obex = true;
            }
            for (const QByteArray &piece : pieces) {
                m_pty.write(piece);
                if (pieces.size() > 1)
                    ::usleep(5000);  // separate receive events on the other side
            }
        }
    }
}
