#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The test's end of one of the handset's ports, opened with plain POSIX calls
// in raw mode (independent of the programs' serial classes).
class RawLine
{
public:
    explicit RawLine(const QString &path);
    ~RawLine();
    RawLine(const RawLine &) = delete;
    RawLine &operator=(const RawLine &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes);
    // Reads until the text ends in a final result line (OK, ERROR, +CME ERROR)
    // or timeoutMs passes.
    QByteArray readReply(int timeoutMs = 3000);
    // Reads until `needle` has arrived or timeoutMs passes.
    QByteArray readUntil(const QByteArray &needle, int timeoutMs = 3000);
    // Reads whatever arrives within timeoutMs (for silences that are the behaviour).
    QByteArray readFor(int timeoutMs);
    // Like readReply, but keeps every read() as its own chunk.
    QList<QByteArray> readChunks(int timeoutMs = 5000);

    // Writes the command and CR, returns the reply (echo included).
    QByteArray command(const QByteArray &cmd, int timeoutMs = 3000);

    static bool endsWithFinal(const QByteArray &text);
    // The reply's lines without the echo and the empty lines, joined by "|".
    static QByteArray lines(const QByteArray &reply, const QByteArray &echo = {});

private:
    int m_fd = -1;
};
