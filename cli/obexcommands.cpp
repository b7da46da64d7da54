// torvane-cli obex ls|get|put|rm|mkdir: the handset's files over the modem
// port, through the same exchange as the explorer window. Every command
// leaves the port in AT command mode, also after a failure.

#include "clicommand.h"
#include "comport.h"
#include "obexexchange.h"
#include "obexpacket.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// "mmc/pictures/a.jpg" or "/mmc": the folder's names and the last name.
// Only "/" separates: every other character, "\\" and brackets included,
// belongs to a name and is sent as given.
struct Target
{
    QStringList folder;
    QString name;  // "" for the root
    bool valid = true;  // no "." or ".." among the names
};

Target splitPath(const QString &path)
{
    Target t;
    for (const QString &p : path.split(u'/'))
        if (!p.isEmpty())
            t.folder.append(p);
    for (const QString &p : std::as_const(t.folder))
        if (p == QLatin1String(".") || p == QLatin1String(".."))
            t.valid = false;
    if (!t.folder.isEmpty())
        t.name = t.folder.takeLast();
    return t;
}

QStringList folderOf(const QString &path)
{
    const Target t = splitPath(path);
    return t.name.isEmpty() ? t.folder : t.folder + QStringList{t.name};
}

int badPath(const char *command, const QString &path)
{
    return cliFail(command, QStringLiteral("%1: paths on the handset are names from the root, without . or ..").arg(path),
                   CliUsage);
}

QString failureText(const ObexFailure &f)
{
    const QString code = QStringLiteral("%1").arg(f.code, 2, 16, QLatin1Char('0')).toUpper();
    switch (f.kind) {
    case ObexFailure::NotFound:
        return QStringLiteral("not found on the handset%1").arg(f.detail.isEmpty() ? QString() : ": " + f.detail);
    case ObexFailure::Refused:
        return QStringLiteral("the handset refused the %1 (%2, code %3)").arg(f.step, Obex::responseCodeName(f.code), code);
    case ObexFailure::ConnectRefused:
        return QStringLiteral("the handset refused the OBEX connection (%1, code %2)")
            .arg(Obex::responseCodeName(f.code), code);
    case ObexFailure::SwitchRefused:
        return QStringLiteral("the handset did not switch to OBEX mode (it answered %1)").arg(f.detail);
    case ObexFailure::NoAnswer:
        return QStringLiteral("no answer from the handset (%1)").arg(f.step);
    case ObexFailure::BadResponse:
        return QStringLiteral("unreadable answer from the handset (%1)").arg(f.step);
    case ObexFailure::LocalFile:
        return QStringLiteral("cannot read or write %1").arg(QDir::toNativeSeparators(f.detail));
    case ObexFailure::UnsafeName:
        return QStringLiteral("\"%1\" cannot be a file name on this computer").arg(f.detail);
    case ObexFailure::NameTooLong:
        return QStringLiteral("\"%1\" is too long for the handset").arg(f.detail);
    case ObexFailure::PortError:
        return f.detail;
    case ObexFailure::Cancelled:
        return QStringLiteral("cancelled");
    case ObexFailure::None:
        break;
    }
    return {};
}

struct Session
{
    const char *command;
    QString portOption;
    int guard = -1;
    bool usage = false;
};

// Takes the options every obex command has: --port DEVICE, --guard MS.
Session takeCommon(const char *command, QStringList &args)
{
    Session s{command, {}, -1, false};
    bool missing = false;
    s.portOption = takeOption(args, QStringLiteral("--port"), &missing);
    bool missingGuard = false;
    const QString guard = takeOption(args, QStringLiteral("--guard"), &missingGuard);
    bool ok = true;
    if (!guard.isEmpty())
        s.guard = guard.toInt(&ok);
    s.usage = missing || missingGuard || !ok || s.guard < -1;
    return s;
}

bool hasUnknownOption(const QStringList &args, const char *command, int &status)
{
    for (const QString &a : args) {
        if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            status = cliFail(command, QStringLiteral("unknown option %1").arg(a), CliUsage);
            return true;
        }
    }
    return false;
}

// While it lives, SIGINT and SIGTERM call `cancel` on the event loop (through
// a pipe: a signal handler may do no more than write to it). A second signal
// ends the program at once, as without this.
class CancelOnSignal
{
public:
    explicit CancelOnSignal(std::function<void()> cancel)
        : m_cancel(std::move(cancel))
    {
        if (::pipe(s_pipe) != 0) {
            s_pipe[0] = s_pipe[1] = -1;
            return;
        }
        ::fcntl(s_pipe[1], F_SETFL, O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char c;
            if (::read(s_pipe[0], &c, 1) == 1 && m_cancel)
                m_cancel();
        });
        struct sigaction sa = {};
        sa.sa_handler = &CancelOnSignal::onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND;  // a second signal acts as usual
        ::sigaction(SIGINT, &sa, &m_oldInt);
        ::sigaction(SIGTERM, &sa, &m_oldTerm);
    }
    ~CancelOnSignal()
    {
        if (s_pipe[0] < 0)
            return;
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        m_notifier.reset();
        ::close(s_pipe[0]);
        ::close(s_pipe[1]);
        s_pipe[0] = s_pipe[1] = -1;
    }
    CancelOnSignal(const CancelOnSignal &) = delete;
    CancelOnSignal &operator=(const CancelOnSignal &) = delete;

private:
    static void onSignal(int)
    {
        const int saved = errno;
        if (s_pipe[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] const auto n = ::write(s_pipe[1], &c, 1);
        }
        errno = saved;
    }

    std::function<void()> m_cancel;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
    static inline int s_pipe[2] = {-1, -1};
};

// Runs one exchange to its end.
int runExchange(const Session &s, ExplorerOperation op, const QStringList &folder, const QStringList &items,
                const QString &localFolder, const std::function<void(const FolderListing &)> &onListing = {})
{
    const QString device = cliPortName(s.portOption, "ComPort1");
    if (device.isEmpty())
        return cliNoPort(s.command);
    std::unique_ptr<TComPort> port(cliPort(device, "ComPort1"));
    try {
        port->OpenPort();
    } catch (const EComPort &e) {
        return cliFail(s.command, QStringLiteral("%1: %2").arg(device, e.text()));
    }
    ObexExchange exchange(port.get());
    if (s.guard >= 0)
        exchange.setGuardTime(s.guard);
    exchange.restoreReceiveHandler = [&port] { port->OnRxChar = nullptr; };
    if (onListing)
        QObject::connect(&exchange, &ObexExchange::listingReceived, onListing);
    ObexFailure failure;
    QEventLoop loop;
    QObject::connect(&exchange, &ObexExchange::finished, [&](const ObexFailure &f) {
        failure = f;
        loop.quit();
    });
    // Ctrl-C and SIGTERM cancel the exchange, which still takes the handset
    // back to AT mode before the command ends.
    CancelOnSignal cancelOnSignal([&exchange] { exchange.cancel(); });
    if (!exchange.start(op, folder, items, localFolder))
        return cliFail(s.command, QStringLiteral("%1: the port is not open").arg(device));
    loop.exec();
    try {
        port->ClosePort();
    } catch (const EComPort &) {
    }
    if (failure.failed()) {
        if (failure.escapeUnconfirmed)
            cliErr(QStringLiteral("torvane-cli: %1: the handset did not confirm the return to AT mode\n")
                       .arg(QLatin1String(s.command)));
        return cliFail(s.command, failureText(failure));
    }
    if (failure.escapeUnconfirmed)
        return cliFail(s.command, QStringLiteral("the handset did not confirm the return to AT mode; "
                                                 "the port may still speak OBEX"));
    return CliOk;
}

QString jsonDate(const QDateTime &t)
{
    return t.isValid() ? jsonString(t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QStringLiteral("null");
}

int runLs(const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    const Session s = takeCommon("obex ls", args);
    int status = CliOk;
    if (s.usage || hasUnknownOption(args, s.command, status) || args.size() > 1)
        return status != CliOk ? status : cliFail(s.command, QStringLiteral("usage: obex ls [PATH] [--json]"), CliUsage);
    if (!splitPath(args.value(0)).valid)
        return badPath(s.command, args.value(0));
    const QStringList folder = folderOf(args.value(0));
    const ExplorerOperation op = folder.isEmpty() ? ExplorerOperation::RootListing : ExplorerOperation::FolderListing;
    return runExchange(s, op, folder, {}, {}, [json](const FolderListing &listing) {
        QList<ListingEntry> sorted;
        for (const ListingEntry &e : listing.entries)
            if (e.folder)
                sorted.append(e);
        for (const ListingEntry &e : listing.entries)
            if (!e.folder)
                sorted.append(e);
        QString out;
        for (const ListingEntry &e : sorted) {
            if (json) {
                out += QStringLiteral("{\"name\": %1, \"type\": \"%2\", \"size\": %3, \"modified\": %4}\n")
                           .arg(jsonString(e.name), e.folder ? QStringLiteral("folder") : QStringLiteral("file"),
                                e.size ? QString::number(*e.size) : QStringLiteral("null"), jsonDate(e.modified));
            } else {
                const QString size = e.folder ? QStringLiteral("<DIR>") : e.size ? QString::number(*e.size) : QString();
                const QString date = e.modified.isValid() ? e.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                          : QString();
                out += QStringLiteral("%1  %2  %3\n").arg(size, 10).arg(date, 19).arg(e.folder ? e.name + u'/' : e.name);
            }
        }
        cliOut(out);
        if (!listing.error.isEmpty())
            cliErr(QStringLiteral("torvane-cli: obex ls: the listing is damaged (%1); shown as far as it could be read\n")
                       .arg(listing.error));
    });
}

int runGet(const QStringList &arguments)
{
    QStringList args = arguments;
    const bool force = takeFlag(args, QStringLiteral("--force"));
    const Session s = takeCommon("obex get", args);
    int status = CliOk;
    if (s.usage || hasUnknownOption(args, s.command, status) || args.isEmpty() || args.size() > 2)
        return status != CliOk ? status
                               : cliFail(s.command, QStringLiteral("usage: obex get PATH [LOCAL] [--force]"), CliUsage);
    const Target t = splitPath(args[0]);
    if (!t.valid)
        return badPath(s.command, args[0]);
    if (t.name.isEmpty())
        return cliFail(s.command, QStringLiteral("give the path of a file"), CliUsage);
    const QString local = ObexExchange::LocalFileName(t.name);
    if (local.isEmpty())
        return cliFail(s.command, QStringLiteral("\"%1\" cannot be a file name on this computer").arg(t.name));
    // LOCAL: a folder to copy into, or the file to write.
    QString folder = QDir::currentPath();
    QString target;
    if (args.size() == 2) {
        const QFileInfo info(args[1]);
        if (info.isDir())
            folder = info.absoluteFilePath();
        else
            target = info.absoluteFilePath();
    }
    if (target.isEmpty())
        target = QDir(folder).filePath(local);
    if (QFileInfo::exists(target) && !force)
        return cliFail(s.command, QStringLiteral("%1 exists (--force replaces it)").arg(QDir::toNativeSeparators(target)));
    // The exchange saves under the handset's name in a folder; a file of
    // another name is saved beside and renamed into place.
    const QFileInfo targetInfo(target);
    if (targetInfo.fileName() == local)
        return runExchange(s, ExplorerOperation::CopyToPc, t.folder, {t.name}, targetInfo.absolutePath());
    const QString staging = targetInfo.absolutePath() + QStringLiteral("/.torvane-obex-get");
    QDir().mkpath(staging);
    const int result = runExchange(s, ExplorerOperation::CopyToPc, t.folder, {t.name}, staging);
    const QString got = QDir(staging).filePath(local);
    if (result == CliOk) {
        QFile::remove(target);
        if (!QFile::rename(got, target)) {
            QFile::remove(got);
            QDir().rmdir(staging);
            return cliFail(s.command, QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(target)));
        }
    }
    QFile::remove(got);
    QDir().rmdir(staging);
    return result;
}

int runPut(const QStringList &arguments)
{
    QStringList args = arguments;
    const Session s = takeCommon("obex put", args);
    int status = CliOk;
    if (s.usage || hasUnknownOption(args, s.command, status) || args.isEmpty() || args.size() > 2)
        return status != CliOk ? status : cliFail(s.command, QStringLiteral("usage: obex put LOCAL [FOLDER]"), CliUsage);
    const QFileInfo local(args[0]);
    if (!local.isFile())
        return cliFail(s.command, QStringLiteral("%1 is not a file").arg(args[0]));
    if (!splitPath(args.value(1)).valid)
        return badPath(s.command, args.value(1));
    return runExchange(s, ExplorerOperation::CopyToHandset, folderOf(args.value(1)), {local.absoluteFilePath()}, {});
}

int runRm(const QStringList &arguments)
{
    QStringList args = arguments;
    const Session s = takeCommon("obex rm", args);
    int status = CliOk;
    if (s.usage || hasUnknownOption(args, s.command, status) || args.size() != 1)
        return status != CliOk ? status : cliFail(s.command, QStringLiteral("usage: obex rm PATH"), CliUsage);
    const Target t = splitPath(args[0]);
    if (!t.valid)
        return badPath(s.command, args[0]);
    if (t.name.isEmpty())
        return cliFail(s.command, QStringLiteral("the root cannot be deleted"), CliUsage);
    // The name exactly as given: "[notes]" is the file [notes].
    return runExchange(s, ExplorerOperation::Delete, t.folder, {t.name}, {});
}

int runMkdir(const QStringList &arguments)
{
    QStringList args = arguments;
    const Session s = takeCommon("obex mkdir", args);
    int status = CliOk;
    if (s.usage || hasUnknownOption(args, s.command, status) || args.size() != 1)
        return status != CliOk ? status : cliFail(s.command, QStringLiteral("usage: obex mkdir PATH"), CliUsage);
    const Target t = splitPath(args[0]);
    if (!t.valid)
        return badPath(s.command, args[0]);
    const QStringList folder = folderOf(args[0]);
    if (folder.isEmpty())
        return cliFail(s.command, QStringLiteral("give the folder to make"), CliUsage);
    return runExchange(s, ExplorerOperation::MakeFolder, folder, {}, {});
}

const char *const CommonDetails =
    "Options: --port DEVICE (default: the modem port stored in torvane.ini),\n"
    "--guard MS (the handset's escape guard time, default 1000).\n"
    "Paths on the handset are names from the root separated by / (\"mmc/pictures\");\n"
    "every other character belongs to the name (\"mmc/[notes]\" is the file [notes]).\n"
    "Ctrl-C cancels and takes the handset back to AT mode first (exit status 1).\n";

const CliRegistration registration{
    {"obex ls", "[PATH] [--json] [--port DEVICE]", "list a folder of the handset (--json: one object per entry)",
     CommonDetails, runLs},
    {"obex get", "PATH [LOCAL] [--force] [--port DEVICE]",
     "copy a file of the handset to the PC (LOCAL: a folder or file name; --force replaces a file)", CommonDetails,
     runGet},
    {"obex put", "LOCAL [FOLDER] [--port DEVICE]", "copy a PC file into a folder of the handset (default: the root)",
     CommonDetails, runPut},
    {"obex rm", "PATH [--port DEVICE]", "delete a file or an empty folder of the handset", CommonDetails, runRm},
    {"obex mkdir", "PATH [--port DEVICE]", "make a folder on the handset", CommonDetails, runMkdir},
};

} // namespace
