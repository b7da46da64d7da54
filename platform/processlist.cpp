#include "processlist.h"

#include <QtGlobal>

#ifdef Q_OS_WIN

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

std::optional<QList<ProcessEntry>> SystemProcessList::snapshot()
{
    const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return std::nullopt;

    QList<ProcessEntry> list;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (Process32FirstW(snap, &entry)) {
        do {
            // szExeFile is a fixed array; never read past it even if unterminated.
            const size_t length = wcsnlen(entry.szExeFile, MAX_PATH);
            list.append({qint64(entry.th32ProcessID),
                         QString::fromWCharArray(entry.szExeFile, qsizetype(length))});
            entry.dwSize = sizeof(entry);
        } while (Process32NextW(snap, &entry));
    }
    CloseHandle(snap);
    return list;
}

bool SystemProcessList::terminate(qint64 pid)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return false;
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool ended = TerminateProcess(process, 0) != FALSE;
    CloseHandle(process);
    return ended;
}

#else // Linux: /proc

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

#include <limits.h>
#include <signal.h>
#include <unistd.h>

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(8192);
}

QString fileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// A process that has ended but not yet been reaped by its parent still has a
// /proc entry; it holds nothing any more and is not a running process.
bool isZombie(const QString &dir)
{
    const QByteArray stat = readSmallFile(dir + QStringLiteral("/stat"));
    // "pid (comm) S ...": comm may itself contain ") ", so look after the last one.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return false;
    const char state = stat.at(close + 2);
    return state == 'Z' || state == 'X';
}

// The file name the system reports for a process, without its folder.
// The program file behind /proc/PID/exe is the name the process was started
// from, like Windows' snapshot name. It is unreadable for other users'
// processes; then the first command-line word is used if it agrees with the
// kernel's short name (comm, the program's file name cut to 15 characters),
// because a program may rewrite its command line; otherwise comm itself.
QString executableName(const QString &dir)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(dir + QStringLiteral("/exe")).constData(), buffer,
                                 sizeof(buffer));
    if (n > 0 && size_t(n) < sizeof(buffer)) {
        QString target = QFile::decodeName(QByteArray(buffer, n));
        // The program file was removed or replaced after the start.
        const QString deleted = QStringLiteral(" (deleted)");
        if (target.endsWith(deleted))
            target.chop(deleted.size());
        const QString name = fileNamePart(target);
        if (!name.isEmpty())
            return name;
    }

    QByteArray comm = readSmallFile(dir + QStringLiteral("/comm"));
    if (comm.endsWith('\n'))
        comm.chop(1);
    const QString shortName = QFile::decodeName(comm);

    const QByteArray cmdline = readSmallFile(dir + QStringLiteral("/cmdline"));
    const QString first = fileNamePart(QFile::decodeName(cmdline.left(cmdline.indexOf('\0'))));
    if (!first.isEmpty() && !shortName.isEmpty() && first.startsWith(shortName))
        return first;
    return shortName;
}

} // namespace

std::optional<QList<ProcessEntry>> SystemProcessList::snapshot()
{
    const QDir proc(QStringLiteral("/proc"));
    if (!QFileInfo::exists(QStringLiteral("/proc/self/stat")) || !proc.isReadable())
        return std::nullopt;

    QList<ProcessEntry> list;
    const QStringList names = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &name : names) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0)
            continue;
        const QString dir = proc.filePath(name);
        // A process may end while it is being looked at: then it is left out.
        if (isZombie(dir))
            continue;
        const QString exe = executableName(dir);
        if (exe.isEmpty())
            continue;
        list.append({pid, exe});
    }
    std::sort(list.begin(), list.end(),
              [](const ProcessEntry &a, const ProcessEntry &b) { return a.pid < b.pid; });
    return list;
}

bool SystemProcessList::terminate(qint64 pid)
{
    // SIGKILL, like TerminateProcess: the process cannot catch or refuse it.
    if (pid <= 0 || pid > qint64(std::numeric_limits<pid_t>::max()))
        return false;
    return ::kill(pid_t(pid), SIGKILL) == 0;
}

#endif
