// torvane-cli sms list | sms delete: the handset's message store through
// the same listing as the SMS page.

#include "clicommand.h"
#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "smsarchive.h"
#include "smslisting.h"

#include <QEventLoop>

#include <memory>

namespace {

const char *const StatusNames[] = {"received unread", "received read", "stored unsent", "stored sent", "all"};

QString utf8Of(const QByteArray &cp1250Text)
{
    return Cp1250::toUnicode(cp1250Text);
}

struct StoreOptions
{
    QByteArray memory = "MT";
    std::unique_ptr<TComPort> port;
};

// --memory and --port; the port is opened. Returns CliOk or the status to exit with.
int takeStoreOptions(const char *command, QStringList &args, StoreOptions &out)
{
    bool missing = false;
    const QString memory = takeOption(args, QStringLiteral("--memory"), &missing).toUpper();
    if (missing)
        return cliFail(command, QStringLiteral("--memory needs SM, ME or MT"), CliUsage);
    if (!memory.isEmpty()) {
        if (memory != QLatin1String("SM") && memory != QLatin1String("ME") && memory != QLatin1String("MT"))
            return cliFail(command, QStringLiteral("unknown memory %1 (SM, ME or MT)").arg(memory), CliUsage);
        out.memory = memory.toLatin1();
    }
    const QString portOption = takeOption(args, QStringLiteral("--port"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--port needs a device"), CliUsage);
    const QString device = cliPortName(portOption, "ComPort1");
    if (device.isEmpty())
        return cliFail(command, QStringLiteral("no modem port: give --port DEVICE or choose one in torvane.ini"), CliUsage);
    out.port.reset(cliPort(device, "ComPort1"));
    try {
        out.port->OpenPort();
    } catch (const EComPort &e) {
        return cliFail(command, QStringLiteral("cannot open %1: %2").arg(device, e.text()));
    }
    return CliOk;
}

// Runs the commands queued on listing until the last answer, an error or a
// silence. Returns an error message, empty when all went well.
QString exchange(TComPort &port, SmsListing &listing, const std::function<void()> &send, QList<SmsEntry> *entries)
{
    QEventLoop loop;
    QString error;
    port.OnRxChar = [&](int count) {
        try {
            listing.feed(port.ReceiveBytes(count));
        } catch (const EComPort &e) {
            error = e.text();
            loop.quit();
        }
    };
    QObject::connect(&listing, &SmsListing::listed, &loop, [&](const QList<SmsEntry> &listed) {
        if (entries)
            *entries = listed;
        if (!listing.waiting())
            loop.quit();
    });
    QObject::connect(&listing, &SmsListing::done, &loop, [&] {
        if (!listing.waiting())
            loop.quit();
    });
    QObject::connect(&listing, &SmsListing::failed, &loop, [&](SmsListing::Command command, const QByteArray &line) {
        const char *what = command == SmsListing::Command::SelectMemory ? "choosing the memory"
                           : command == SmsListing::Command::List       ? "listing"
                                                                        : "deleting";
        error = QStringLiteral("the handset refused %1: %2").arg(QLatin1String(what), QString::fromLatin1(line));
        listing.reset();
        loop.quit();
    });
    QObject::connect(&listing, &SmsListing::timedOut, &loop, [&] {
        error = QStringLiteral("the handset does not answer");
        loop.quit();
    });
    try {
        send();
    } catch (const EComPort &e) {
        return e.text();
    }
    if (listing.waiting() && error.isEmpty())
        loop.exec();
    port.OnRxChar = nullptr;
    return error;
}

int runSmsList(const QStringList &arguments)
{
    const char *command = "sms list";
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    bool missing = false;
    const QString csvFile = takeOption(args, QStringLiteral("--csv"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--csv needs a file name"), CliUsage);
    const QString statusText = takeOption(args, QStringLiteral("--status"), &missing);
    if (missing)
        return cliFail(command, QStringLiteral("--status needs 0 to 4"), CliUsage);
    int status = 4;
    if (!statusText.isEmpty()) {
        bool ok = false;
        status = statusText.toInt(&ok);
        if (!ok || status < 0 || status > 4)
            return cliFail(command, QStringLiteral("status %1 is not 0 to 4").arg(statusText), CliUsage);
    }
    StoreOptions store;
    // Every argument is checked before the port is opened.
    QStringList rest = args;
    takeOption(rest, QStringLiteral("--memory"));
    takeOption(rest, QStringLiteral("--port"));
    if (!rest.isEmpty())
        return cliFail(command, QStringLiteral("unexpected argument %1").arg(rest.first()), CliUsage);
    if (const int failed = takeStoreOptions(command, args, store))
        return failed;

    SmsListing listing(store.port.get());
    QList<SmsEntry> entries;
    const QString error = exchange(*store.port, listing, [&] {
        listing.selectMemory(store.memory);
        listing.list(status);
    }, &entries);
    if (!error.isEmpty())
        return cliFail(command, error);

    const SystemClock clock;
    const QList<SmsRow> rows = DecodeSmsEntries(entries, clock);
    if (!csvFile.isEmpty()) {
        QString reason;
        if (!WriteSmsFile(csvFile, SmsCsv(rows), &reason))
            return cliFail(command, QStringLiteral("cannot write %1: %2").arg(csvFile, reason));
    }
    QString out;
    for (const SmsRow &row : rows) {
        if (json) {
            out += QStringLiteral("{\"index\": ") + QString::fromLatin1(row.index) + QStringLiteral(", \"status\": ")
                   + QString::number(row.status) + QStringLiteral(", \"number\": ") + jsonString(utf8Of(row.number));
            if (!row.outgoing)
                out += QStringLiteral(", \"time\": ") + jsonString(utf8Of(row.time));
            out += QStringLiteral(", \"text\": ") + jsonString(utf8Of(row.text)) + QStringLiteral("}\n");
        } else {
            if (!out.isEmpty())
                out += u'\n';
            out += QStringLiteral("Index:  ") + QString::fromLatin1(row.index) + u'\n';
            out += QStringLiteral("Status: %1 (%2)\n").arg(row.status).arg(QLatin1String(StatusNames[qBound(0, row.status, 4)]));
            out += QStringLiteral("Number: ") + utf8Of(row.number) + u'\n';
            if (!row.outgoing)
                out += QStringLiteral("Time:   ") + utf8Of(row.time) + u'\n';
            out += QStringLiteral("Text:   ") + utf8Of(row.text) + u'\n';
        }
    }
    cliOut(out);
    return CliOk;
}

int runSmsDelete(const QStringList &arguments)
{
    const char *command = "sms delete";
    QStringList args = arguments;
    StoreOptions store;
    QStringList rest = args;
    takeOption(rest, QStringLiteral("--memory"));
    takeOption(rest, QStringLiteral("--port"));
    if (rest.size() != 1)
        return cliFail(command, rest.isEmpty() ? QStringLiteral("no message index given")
                                               : QStringLiteral("unexpected argument %1").arg(rest.last()),
                       CliUsage);
    bool ok = false;
    const int index = rest.first().toInt(&ok);
    if (!ok || index < 1)
        return cliFail(command, QStringLiteral("%1 is not a message index").arg(rest.first()), CliUsage);
    args.removeOne(rest.first());
    if (const int failed = takeStoreOptions(command, args, store))
        return failed;

    SmsListing listing(store.port.get());
    const QString error = exchange(*store.port, listing, [&] {
        listing.selectMemory(store.memory);
        listing.deleteMessage(index);
    }, nullptr);
    if (!error.isEmpty())
        return cliFail(command, error);
    return CliOk;
}

const CliRegistration registration{
    {"sms list", "[--memory SM|ME|MT] [--status 0-4] [--port DEVICE] [--json] [--csv FILE]",
     "list the handset's messages (default: both memories, all messages)",
     "Statuses: 0 received unread, 1 received read, 2 stored unsent, 3 stored sent, 4 all.\n"
     "Listed unread messages become read in the handset.\n"
     "--json: one object a line with index, status, number, time (not for stored outgoing\n"
     "messages) and text. --csv FILE: the list as the SMS page's \"excel csv\" archive\n"
     "(Windows-1250, without names). Without --port the modem port of torvane.ini is used.",
     runSmsList},
    {"sms delete", "INDEX [--memory SM|ME|MT] [--port DEVICE]",
     "delete one message of the handset's store (default memory MT)",
     "INDEX is the message's index as \"sms list\" shows it for the same memory.", runSmsDelete},
};

} // namespace
