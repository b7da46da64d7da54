#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair for tests: the program under test opens slavePath()
// through the real serial layer; the test plays the device on the master side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Writes bytes as the device would; returns false on failure.
    bool write(const QByteArray &bytes);
    // Writes one byte at a time with gapMs between them.
    bool writeSlowly(const QByteArray &bytes, int gapMs);
    // Reads what the program wrote, waiting at most timeoutMs for the first
    // byte and then until the line is quiet for quietMs.
    QByteArray read(int timeoutMs = 1000, int quietMs = 50);
    // Waits until `expected` has been read (accumulating), at most timeoutMs.
    QByteArray readUntil(const QByteArray &expected, int timeoutMs = 2000);

private:
    int m_master = -1;
    int m_keepSlave = -1;  // keeps the line alive between openings
    QString m_slavePath;
};
