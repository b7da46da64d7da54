// torvane-cli diag ...: the handset's embedded file system over the
// diagnostic port, through the same flows as ossik's window.

#include "clicommand.h"

#include "comport.h"
#include "cp1250.h"
#include "diagfilesystem.h"
#include "localfilename.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QString failureText(DiagFileSystem::Failure failure)
{
    using F = DiagFileSystem::Failure;
    switch (failure) {
    case F::NoReply: return QStringLiteral("the handset did not answer");
    case F::ErrorReply: return QStringLiteral("the handset answered with an error");
    case F::UnknownReply: return QStringLiteral("the handset's answer was not understood");
    case F::BadFrame: return QStringLiteral("a damaged frame arrived (wrong check value)");
    case F::FolderNotListed: return QStringLiteral("no such folder");
    case F::FolderNotRemovable: return QStringLiteral("the folder cannot be removed (not empty?)");
    case F::MakeFailed: return QStringLiteral("the folder cannot be made");
    case F::RemoveFailed: return QStringLiteral("the handset did not remove it");
    case F::ReadFailed: return QStringLiteral("the file cannot be read from the handset");
    case F::TooMuchData: return QStringLiteral("the handset sent more data than it announced");
    case F::WriteFailed: return QStringLiteral("the handset did not take the file");
    case F::SaveFailed: return QStringLiteral("the file cannot be saved");
    case F::PathTooLong: return QStringLiteral("the path is too long (254 bytes at most)");
    case F::FileTooLarge: return QStringLiteral("the file is too large");
    case F::PortFailed: return QStringLiteral("the port cannot be written");
    case F::PortLost: return QStringLiteral("the port was lost");
    case F::BadName: return QStringLiteral("the name cannot be sent to the handset");
    }
    return QString();
}

// A handset path given on the command line is checked where it crosses into
// a request: every component one entry the handset can hold. A component
// that names something new (mkdir, the target of put) may not hold control
// characters either; one of an existing entry is sent as given. Exit status
// 2 and nothing sent when it fails.
bool badPath(const char *command, const QString &text, bool creating, int &status)
{
    QString path = text;
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        return false;  // the root
    using P = DiagFileSystem::NameProblem;
    for (const QString &part : path.split(QLatin1Char('/'))) {
        const P problem = DiagFileSystem::CheckName(part);
        if (problem == P::None || (problem == P::Control && !creating && !part.contains(QChar(0))))
            continue;
        QString why;
        switch (problem) {
        case P::NotCp1250: why = QStringLiteral("holds a character the handset's names (Windows-1250) cannot hold"); break;
        case P::Control: why = QStringLiteral("holds a control character"); break;
        case P::Dots: why = QStringLiteral("\".\" and \"..\" are not names on the handset"); break;
        default: why = QStringLiteral("has an empty folder name"); break;
        }
        status = cliFail(command, QStringLiteral("%1: %2").arg(jsonString(text), why), CliUsage);
        return true;
    }
    return false;
}

// The handset path as given: "mmc1/a.jpg", "/mmc1/a.jpg"; split into folder and name.
QByteArray handsetPath(const QString &text)
{
    QByteArray p = Cp1250::fromUnicode(text);
    while (p.startsWith('/'))
        p.remove(0, 1);
    while (p.endsWith('/'))
        p.chop(1);
    return p;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// One command's port and flows; run() waits for the end of the flow.
class Session
{
public:
    explicit Session(const char *command) : m_command(command) {}

    // Takes --port; false (with the message given) when the port cannot be opened.
    bool open(QStringList &args, int &status)
    {
        bool missing = false;
        const QString option = takeOption(args, QStringLiteral("--port"), &missing);
        if (missing) {
            status = cliFail(m_command, QStringLiteral("--port needs a device"), CliUsage);
            return false;
        }
        const QString device = cliPortName(option, "ComPort2");
        if (device.isEmpty()) {
            status = cliFail(m_command, QStringLiteral("no diagnostic port: give --port DEVICE or choose it in torvane's settings"), CliUsage);
            return false;
        }
        m_port.reset(cliPort(device, "ComPort2"));
        try {
            m_port->OpenPort();
        } catch (const EComPort &e) {
            status = cliFail(m_command, device + QStringLiteral(": ") + e.text());
            return false;
        }
        m_fs = std::make_unique<DiagFileSystem>(m_port.get());
        QObject::connect(m_fs.get(), &DiagFileSystem::failed, m_fs.get(),
                         [this](DiagFileSystem::Failure f, const QString &detail) {
            if (m_failure.isEmpty())
                m_failure = failureText(f) + (detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + ')');
            m_loop.quit();
        });
        return true;
    }

    DiagFileSystem &fs() { return *m_fs; }
    void done() { m_loop.quit(); }

    // Waits until done() or a failure; the status of the command.
    int run(int timeoutMs = 0)
    {
        if (timeoutMs > 0)
            QTimer::singleShot(timeoutMs, &m_loop, [this] {
                if (m_failure.isEmpty())
                    m_failure = failureText(DiagFileSystem::Failure::NoReply);
                m_loop.quit();
            });
        if (m_failure.isEmpty())
            m_loop.exec();
        m_fs->cancel();
        try {
            m_port->ClosePort();
        } catch (const EComPort &) {
        }
        return m_failure.isEmpty() ? int(CliOk) : cliFail(m_command, m_failure);
    }

    const char *m_command;

private:
    std::unique_ptr<TComPort> m_port;
    std::unique_ptr<DiagFileSystem> m_fs;
    QEventLoop m_loop;
    QString m_failure;
};

// A handset name for a terminal: control characters (ESC would start a
// terminal's control sequence) are shown as \xHH.
QString printable(const QString &name)
{
    QString out;
    for (QChar c : name)
        out += c.unicode() < 0x20 || c.unicode() == 0x7F ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                           : QString(c);
    return out;
}

bool extraArguments(const char *command, const QStringList &args, int max, int &status)
{
    for (const QString &a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            status = cliFail(command, QStringLiteral("unknown option %1").arg(a), CliUsage);
            return true;
        }
    }
    if (args.size() > max) {
        status = cliFail(command, QStringLiteral("too many arguments"), CliUsage);
        return true;
    }
    return false;
}

void showProgress(Session &s)
{
    if (!::isatty(2))
        return;
    QObject::connect(&s.fs(), &DiagFileSystem::progress, &s.fs(), [](qint64 done, qint64 total) {
        std::fprintf(stderr, "\r%lld / %lld B", static_cast<long long>(done), static_cast<long long>(total));
        if (done == total)
            std::fprintf(stderr, "\n");
    });
}

int diagLs(const QStringList &input)
{
    QStringList args = input;
    Session s("diag ls");
    const bool json = takeFlag(args, QStringLiteral("--json"));
    int status = CliOk;
    if (!s.open(args, status) || extraArguments(s.m_command, args, 1, status))
        return status;
    QStringList lines;
    QObject::connect(&s.fs(), &DiagFileSystem::folderEntry, &s.fs(), [&](const QByteArray &name) {
        const QString n = Cp1250::toUnicode(name);
        lines << (json ? QStringLiteral("{\"name\": %1, \"type\": \"folder\", \"size\": 0}").arg(jsonString(n))
                       : printable(n) + QLatin1Char('/'));
    });
    QObject::connect(&s.fs(), &DiagFileSystem::fileEntry, &s.fs(), [&](const QByteArray &name, qint64 size) {
        const QString n = Cp1250::toUnicode(name);
        lines << (json ? QStringLiteral("{\"name\": %1, \"type\": \"file\", \"size\": %2}").arg(jsonString(n)).arg(size)
                       : QStringLiteral("%1\t%2").arg(printable(n)).arg(size));
    });
    bool truncated = false;
    QObject::connect(&s.fs(), &DiagFileSystem::listingFinished, &s.fs(), [&](bool t) {
        truncated = t;
        s.done();
    });
    if (badPath(s.m_command, args.value(0), false, status))
        return status;
    s.fs().openFolder(handsetPath(args.value(0)));
    status = s.run();
    if (status != CliOk)
        return status;
    if (json)
        cliOut(QStringLiteral("[") + lines.join(QStringLiteral(",\n ")) + QStringLiteral("]\n"));
    else if (!lines.isEmpty())
        cliOut(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    if (truncated)
        cliErr(QStringLiteral("torvane-cli: diag ls: the folder holds more entries than the handset can list\n"));
    return CliOk;
}

int diagGet(const QStringList &input)
{
    QStringList args = input;
    Session s("diag get");
    const bool force = takeFlag(args, QStringLiteral("--force"));
    int status = CliOk;
    if (!s.open(args, status) || extraArguments(s.m_command, args, 2, status))
        return status;
    if (args.isEmpty())
        return cliFail(s.m_command, QStringLiteral("no handset file given"), CliUsage);
    if (badPath(s.m_command, args[0], false, status))
        return status;
    const QByteArray path = handsetPath(args[0]);
    if (nameOf(path).isEmpty())
        return cliFail(s.m_command, QStringLiteral("give the path of a file"), CliUsage);
    // LOCAL: a folder to copy into, or the file to write; in a folder the
    // file takes the handset's name, made safe for the PC.
    QString target = args.value(1);
    if (target.isEmpty() || QFileInfo(target).isDir()) {
        const QString handsetName = Cp1250::toUnicode(nameOf(path));
        const QString local = LocalFileName(handsetName);
        if (local.isEmpty())
            return cliFail(s.m_command, QStringLiteral("%1 cannot be a file name on this computer: give LOCAL")
                                            .arg(jsonString(handsetName)), CliUsage);
        target = QDir(target.isEmpty() ? QDir::currentPath() : target).filePath(local);
    }
    if (QFileInfo::exists(target) && !force)
        return cliFail(s.m_command, QStringLiteral("%1 exists (--force replaces it)").arg(QDir::toNativeSeparators(target)));
    showProgress(s);
    QObject::connect(&s.fs(), &DiagFileSystem::transferFinished, &s.fs(), [&s] { s.done(); });
    s.fs().setCurrentPath(folderOf(path));
    s.fs().startDownload(nameOf(path), target);
    return s.run();
}

int diagPut(const QStringList &input)
{
    QStringList args = input;
    Session s("diag put");
    int status = CliOk;
    if (!s.open(args, status) || extraArguments(s.m_command, args, 2, status))
        return status;
    if (args.isEmpty())
        return cliFail(s.m_command, QStringLiteral("no local file given"), CliUsage);
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly))
        return cliFail(s.m_command, args[0] + QStringLiteral(": ") + file.errorString());
    // No handset path, or one ending in "/": the file keeps its name, which
    // must then be one the handset can hold.
    QString targetText = args.value(1);
    if (targetText.isEmpty() || targetText.endsWith(QLatin1Char('/')))
        targetText += QFileInfo(args[0]).fileName();
    if (badPath(s.m_command, targetText, true, status))
        return status;
    const QByteArray data = file.readAll();
    const QByteArray target = handsetPath(targetText);
    showProgress(s);
    QObject::connect(&s.fs(), &DiagFileSystem::transferFinished, &s.fs(), [&s] { s.done(); });
    s.fs().setCurrentPath(folderOf(target));
    s.fs().startUpload(data, nameOf(target));
    return s.run();
}

// rm, mkdir, rmdir: the flow ends with the folder listed again.
int diagChange(const QStringList &input, const char *command, void (DiagFileSystem::*change)(const QByteArray &))
{
    QStringList args = input;
    Session s(command);
    int status = CliOk;
    if (!s.open(args, status) || extraArguments(command, args, 1, status))
        return status;
    if (args.isEmpty())
        return cliFail(command, QStringLiteral("no handset path given"), CliUsage);
    if (badPath(command, args[0], change == &DiagFileSystem::makeFolder, status))
        return status;
    const QByteArray path = handsetPath(args[0]);
    if (nameOf(path).isEmpty())
        return cliFail(command, QStringLiteral("not with the root folder"), CliUsage);
    QObject::connect(&s.fs(), &DiagFileSystem::listingFinished, &s.fs(), [&s] { s.done(); });
    s.fs().setCurrentPath(folderOf(path));
    (s.fs().*change)(nameOf(path));
    return s.run();
}

int diagRm(const QStringList &args) { return diagChange(args, "diag rm", &DiagFileSystem::removeFile); }
int diagMkdir(const QStringList &args) { return diagChange(args, "diag mkdir", &DiagFileSystem::makeFolder); }
int diagRmdir(const QStringList &args) { return diagChange(args, "diag rmdir", &DiagFileSystem::removeFolder); }

int diagFree(const QStringList &input)
{
    QStringList args = input;
    Session s("diag free");
    int status = CliOk;
    if (!s.open(args, status) || extraArguments(s.m_command, args, 0, status))
        return status;
    qint64 free = -1;
    QObject::connect(&s.fs(), &DiagFileSystem::freeSpace, &s.fs(), [&](qint64 bytes) {
        free = bytes;
        s.done();
    });
    s.fs().requestFreeSpace();
    status = s.run(DiagFileSystem::ReplyTimeoutMs);
    if (status == CliOk)
        cliOut(QStringLiteral("%1\n").arg(free));
    return status;
}

const char PortDetails[] =
    "The diagnostic port is --port DEVICE, or the one stored in torvane.ini beside\n"
    "the program (section ComPort2). Handset paths use \"/\" between folders.\n";

const CliRegistration diagCommands{
    {"diag ls", "[--port DEVICE] [--json] [PATH]", "list a folder of the handset (folders end in /)", PortDetails, diagLs},
    {"diag get", "[--port DEVICE] [--force] PATH [LOCAL]",
     "copy a handset file to the PC (complete or not at all; --force replaces a PC file)", PortDetails, diagGet},
    {"diag put", "[--port DEVICE] LOCAL [PATH]", "copy a PC file to the handset", PortDetails, diagPut},
    {"diag rm", "[--port DEVICE] PATH", "remove a handset file", PortDetails, diagRm},
    {"diag mkdir", "[--port DEVICE] PATH", "make a handset folder", PortDetails, diagMkdir},
    {"diag rmdir", "[--port DEVICE] PATH", "remove an empty handset folder", PortDetails, diagRmdir},
    {"diag free", "[--port DEVICE]", "free bytes of the handset's file system", PortDetails, diagFree},
};

} // namespace
