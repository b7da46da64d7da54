// torvane-cli backup | restore: everything on the handset into a folder and
// back, through the backup library the window uses too.

#include "clicommand.h"
#include "comport.h"
#include "cp1250.h"
#include "handsetbackup.h"

#include <QDir>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <memory>

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
}

struct Ports
{
    std::unique_ptr<TComPort> modem;
    std::unique_ptr<TComPort> diag;
};

// Parses the common options; returns CliOk or the status to exit with.
int takeOptions(const char *command, QStringList &args, bool restore, HandsetBackup::Options &o, QString &modemOption,
                QString &diagOption, int &parts)
{
    bool missing = false;
    modemOption = takeOption(args, QStringLiteral("--port"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--port needs a device"), CliUsage);
    diagOption = takeOption(args, QStringLiteral("--diag-port"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--diag-port needs a device"), CliUsage);
    const QString pin2 = takeOption(args, QStringLiteral("--pin2"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--pin2 needs a code"), CliUsage);
    if (!pin2.isEmpty()) {
        // The code goes into an AT command: digits only.
        if (pin2.size() < 4 || pin2.size() > 8 || !std::all_of(pin2.begin(), pin2.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return cliFail(command, QStringLiteral("the PIN2 is 4 to 8 digits"), CliUsage);
        o.pin2 = pin2.toLatin1();
    }
    const QString only = takeOption(args, QStringLiteral("--only"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--only needs a list (phonebook,sms,obex,diag)"), CliUsage);
    parts = HandsetBackup::AllParts;
    if (!only.isEmpty()) {
        const auto p = HandsetBackup::ParseParts(only);
        if (!p)
            return cliFail(command, QStringLiteral("--only takes phonebook, sms, obex and diag, comma-separated"), CliUsage);
        parts = *p;
    }
    const QString guard = takeOption(args, QStringLiteral("--guard"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--guard needs milliseconds"), CliUsage);
    if (!guard.isEmpty()) {
        bool ok = false;
        o.obexGuardMs = guard.toInt(&ok);
        if (!ok || o.obexGuardMs < 0 || o.obexGuardMs > 10000)
            return cliFail(command, QStringLiteral("--guard takes 0 to 10000 ms"), CliUsage);
    }
    if (restore) {
        o.dryRun = takeFlag(args, QStringLiteral("--dry-run"));
        o.force = takeFlag(args, QStringLiteral("--force"));
    }
    for (const QString &a : args)
        if (a.startsWith(QLatin1String("--")))
            return cliFail(command, QStringLiteral("unknown option %1").arg(a), CliUsage);
    if (args.size() != 1)
        return cliFail(command, QStringLiteral("give one folder"), CliUsage);
    o.folder = QDir(args.first()).absolutePath();
    return CliOk;
}

// Opens the ports the parts need. The diagnostic part without any
// diagnostic port is left out with a note when all parts were asked for.
int openPorts(const char *command, const QString &modemOption, const QString &diagOption, int &parts, bool partsGiven,
              Ports &ports, HandsetBackup::Options &o)
{
    if (parts & (HandsetBackup::Phonebook | HandsetBackup::Sms | HandsetBackup::Obex)) {
        const QString device = cliPortName(modemOption, "ComPort1");
        if (device.isEmpty())
            return cliFail(command, QStringLiteral("no modem port: give --port DEVICE or choose one in torvane"), CliUsage);
        ports.modem.reset(cliPort(device, "ComPort1"));
        try {
            ports.modem->OpenPort();
        } catch (const EComPort &e) {
            return cliFail(command, QStringLiteral("cannot open %1: %2").arg(device, e.text()));
        }
        o.modem = ports.modem.get();
    }
    if (parts & HandsetBackup::Diag) {
        const QString device = cliPortName(diagOption, "ComPort2");
        if (device.isEmpty()) {
            if (partsGiven)
                return cliFail(command, QStringLiteral("no diagnostic port: give --diag-port DEVICE or choose one in torvane"), CliUsage);
            cliErr(QStringLiteral("torvane-cli: %1: no diagnostic port configured; the diagnostic file tree is left out\n")
                       .arg(QLatin1String(command)));
            parts &= ~HandsetBackup::Diag;
        } else {
            ports.diag.reset(cliPort(device, "ComPort2"));
            try {
                ports.diag->OpenPort();
            } catch (const EComPort &e) {
                return cliFail(command, QStringLiteral("cannot open %1: %2").arg(device, e.text()));
            }
            o.diag = ports.diag.get();
        }
    }
    o.parts = parts;
    return CliOk;
}

int run(const QStringList &arguments, bool restore)
{
    const char *command = restore ? "restore" : "backup";
    QStringList args = arguments;
    HandsetBackup::Options o;
    QString modemOption, diagOption;
    int parts = 0;
    const bool partsGiven = arguments.contains(QStringLiteral("--only"))
                            || std::any_of(arguments.begin(), arguments.end(),
                                           [](const QString &a) { return a.startsWith(QLatin1String("--only=")); });
    if (const int status = takeOptions(command, args, restore, o, modemOption, diagOption, parts))
        return status;
    QString why;
    if (!restore && !HandsetBackup::FolderUsable(o.folder, &why))
        return cliFail(command, why);
    Ports ports;
    if (const int status = openPorts(command, modemOption, diagOption, parts, partsGiven, ports, o))
        return status;

    HandsetBackup backup;
    QObject::connect(&backup, &HandsetBackup::report, [](const QString &line) { cliOut(line + u'\n'); });
    interrupted = false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (interrupted)
            backup.cancel();
    });
    watch.start(50);
    const HandsetBackup::Result result = restore ? backup.restore(o) : backup.backup(o);
    watch.stop();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    for (const HandsetBackup::PartResult &p : result.parts)
        cliOut(HandsetBackup::SummaryLine(p, restore) + u'\n');
    if (!result.error.isEmpty()) {
        const QString state = restore ? QString()
                                      : QStringLiteral("; %1 is marked incomplete").arg(QDir::toNativeSeparators(o.folder));
        return cliFail(command, (result.cancelled ? QStringLiteral("interrupted") : result.error) + state);
    }
    if (!result.ok)
        return cliFail(command, restore ? QStringLiteral("not everything could be written back (see above)")
                                        : QStringLiteral("not everything could be saved (see above)"));
    if (o.dryRun)
        cliOut(QStringLiteral("dry run: nothing was written to the handset\n"));
    return CliOk;
}

int runBackup(const QStringList &args)
{
    return run(args, false);
}

int runRestore(const QStringList &args)
{
    return run(args, true);
}

const char *const Details =
    "Parts (--only, comma-separated): phonebook, sms, obex, diag; all by default (diag\n"
    "only when a diagnostic port is given or stored). --port and --diag-port default to\n"
    "the ports stored in torvane.ini; --pin2 reads and writes FD as well; --guard MS is\n"
    "the handset's OBEX escape guard time (default 1000).\n"
    "The folder: manifest.json (written last; \"incomplete\": true after an interruption),\n"
    "phonebook/MEM.vcf (vCard 3.0) and MEM.sez, sms/messages.smsbackup (gammu's format),\n"
    "sms/MEM.pdu and messages.csv, obex/ and diag/ (the handset's two file trees).\n";

const CliRegistration registration{
    {"backup", "DIR [--port MODEM] [--diag-port DIAG] [--pin2 CODE] [--only LIST] [--guard MS]",
     "save everything on the handset into a new or empty folder", Details, runBackup},
    {"restore", "DIR [--port MODEM] [--diag-port DIAG] [--pin2 CODE] [--only LIST] [--dry-run] [--force] [--guard MS]",
     "put a backup back on the handset (never deletes; --dry-run writes nothing)",
     "The manifest's hashes are checked first: a damaged backup is refused. Entries,\n"
     "messages and files already there are skipped; a location or file that holds\n"
     "something different is reported and left unless --force. One summary line per\n"
     "part; exit 0 only when everything asked was written or already there.\n",
     runRestore},
};

} // namespace
