#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Runs the simulated handset (zenksim) for a test: its ports appear as links
// in a temporary folder; control() talks to its control socket there.
class SimProcess
{
public:
    explicit SimProcess(QStringList extraArgs = {});
    ~SimProcess();

    // Starts zenksim and waits until it prints "ready".
    bool start(int timeoutMs = 10000);
    void stop();

    QString dir() const { return m_dir.path(); }
    QString modemPath() const { return m_dir.path() + QStringLiteral("/modem"); }
    QString diagPath() const { return m_dir.path() + QStringLiteral("/diag"); }
    QString gpsPath() const { return m_dir.path() + QStringLiteral("/gps"); }
    QString controlPath() const { return m_dir.path() + QStringLiteral("/control"); }

    // Sends one command line to the control socket and returns the whole reply
    // (the simulator closes the connection after answering).
    QByteArray control(const QByteArray &command, int timeoutMs = 3000) const;

private:
    QTemporaryDir m_dir;
    QStringList m_args;
    QProcess m_process;
};
