#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// One running process as the operating system's process snapshot reports it.
struct ProcessEntry
{
    qint64 pid = 0;
    // The executable's file name without its folder, in the case the system
    // reports it (on Windows the snapshot's file name, on Linux the name of
    // the program file the process runs).
    QString exeFile;

    friend bool operator==(const ProcessEntry &, const ProcessEntry &) = default;
};

// The running processes of the machine and a way to end one of them.
class ProcessList
{
public:
    virtual ~ProcessList() = default;

    // All running processes in the system's order; no value when no snapshot
    // can be taken at all.
    virtual std::optional<QList<ProcessEntry>> snapshot() = 0;
    // Ends the process at once (it gets no chance to refuse). False when it
    // cannot be opened or ended, e.g. for lack of rights or when it is gone.
    virtual bool terminate(qint64 pid) = 0;
};

// The real process list: the Toolhelp snapshot on Windows, /proc on Linux.
class SystemProcessList final : public ProcessList
{
public:
    std::optional<QList<ProcessEntry>> snapshot() override;
    bool terminate(qint64 pid) override;
};

// A process list for tests. terminate() records the pid, removes the entry
// and succeeds, unless the pid is listed in refuse (then the entry stays).
class ScriptedProcessList final : public ProcessList
{
public:
    std::optional<QList<ProcessEntry>> entries = QList<ProcessEntry>();
    QSet<qint64> refuse;
    QList<qint64> terminated;
    int snapshots = 0;

    std::optional<QList<ProcessEntry>> snapshot() override
    {
        ++snapshots;
        return entries;
    }

    bool terminate(qint64 pid) override
    {
        terminated.append(pid);
        if (refuse.contains(pid) || !entries)
            return false;
        return entries->removeIf([pid](const ProcessEntry &e) { return e.pid == pid; }) > 0;
    }
};
