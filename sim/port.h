#pragma once

#include <chrono>
#include <deque>
#include <string>

using Clock = std::chrono::steady_clock;

// How a port writes: every reply waits latencyMs after the request that
// caused it; every piece is at most splitBytes long (0: no limit) and is
// followed by a pause of gapMs; with baud > 0 the bytes leave at that line
// rate (10 bits per byte).
struct Pacing
{
    int latencyMs = 0;
    int baud = 0;
    int splitBytes = 0;
    int gapMs = 0;
};

// One of the handset's serial ports: a pseudo-terminal whose slave device is
// published as a symbolic link. The slave side stays open here as well, so
// the master never sees a hang-up while the program under test closes and
// reopens the port, and the line is kept in raw mode.
class PtyPort
{
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort &) = delete;
    PtyPort &operator=(const PtyPort &) = delete;

    bool open(const std::string &linkPath, std::string &error);
    // Removes the link (when it is still ours) and closes both sides.
    void close();

    int fd() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }
    void setPacing(const Pacing &pacing) { m_pacing = pacing; }
    // With a baud rate, the input is paced too: a reply is not written before
    // the bytes that asked for it would have arrived at that rate.
    void setInputPaced(bool on) { m_inputPaced = on; }

    // Reads what the program under test wrote (empty when nothing waits).
    std::string readAvailable();

    // Queues an echo: written at once, as one piece of its own.
    void sendEcho(const std::string &bytes);
    // Queues a reply: written after the latency, in pieces of the split size.
    void sendReply(const std::string &bytes);
    // Drops everything not yet written.
    void discardOutput();
    // Drops what was written earlier and still waits in the line, unread by
    // any client (the line holds it for whoever opens the port next); true
    // when there was some.
    bool dropUnread();

    // Poll support: whether output is due now, and when the next piece is due.
    bool wantsWrite(Clock::time_point now) const;
    bool hasPending() const { return !m_pieces.empty(); }
    Clock::time_point nextDue() const;
    void onWritable(Clock::time_point now);

private:
    struct Piece
    {
        std::string bytes;
        Clock::time_point notBefore;
    };
    void queue(const std::string &bytes, Clock::time_point notBefore);

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_linkPath;
    Pacing m_pacing;
    std::deque<Piece> m_pieces;
    size_t m_queuedBytes = 0;
    bool m_inputPaced = false;
    Clock::time_point m_inputUntil{};  // when the bytes read so far would have arrived
    Clock::time_point m_holdUntil{};  // end of the gap or of the line time of the last write
};
