// torvane-cli sms list | sms delete: the handset's message store through
// the same listing as the SMS page.

#include "atvalues.h"
#include "clicommand.h"
#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "smsarchive.h"
#include "smsjoin.h"
#include "smslisting.h"
#include "text2pdu.h"

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
    const bool join = takeFlag(args, QStringLiteral("--join"));
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

    const FixedClock clock(SystemClock().now());
    const QList<SmsRow> rows = DecodeSmsEntries(entries, clock);
    if (!csvFile.isEmpty()) {
        QString reason;
        QString lost;
        if (!WriteSmsFile(csvFile, SmsCsv(rows, &lost), &reason))
            return cliFail(command, QStringLiteral("cannot write %1: %2").arg(csvFile, reason));
        if (!lost.isEmpty())
            cliErr(QStringLiteral("torvane-cli: %1: %2 is Windows-1250, which lacks \"%3\": written as \"?\"\n")
                       .arg(QLatin1String(command), csvFile, lost));
    }
    QList<DecodedPdu> decoded;
    if (join) {
        for (const SmsEntry &entry : entries)
            decoded.append(PduToText(entry.pdu, clock));
    }
    QString out;
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const SmsRow &row = rows[k];
        QString index = QString::fromLatin1(row.index);
        QString text = row.text;
        QList<int> missing;
        QStringList indexes{index};
        if (join && row.concatReference >= 0) {
            // One record per message, where its first listed part is; the
            // other parts add their indexes to it.
            bool seen = false;
            indexes.clear();
            for (qsizetype j = 0; j < rows.size(); ++j) {
                const SmsRow &other = rows[j];
                const bool same = other.concatReference == row.concatReference && other.number == row.number
                                  && other.outgoing == row.outgoing && other.concatTotal == row.concatTotal;
                if (!same)
                    continue;
                if (j < k)
                    seen = true;
                indexes.append(QString::fromLatin1(other.index));
            }
            if (seen)
                continue;
            const JoinedMessage joined = JoinConcatenated(decoded, k);
            text = joined.text;
            missing = joined.missingParts;
        }
        const bool joinedRecord = join && row.concatReference >= 0;
        if (json) {
            out += QStringLiteral("{\"index\": ") + index;
            if (joinedRecord)
                out += QStringLiteral(", \"indexes\": [") + indexes.join(QStringLiteral(", ")) + u']';
            out += QStringLiteral(", \"status\": ") + QString::number(row.status) + QStringLiteral(", \"number\": ")
                   + jsonString(utf8Of(row.fullNumber()));
            if (!row.outgoing)
                out += QStringLiteral(", \"time\": ") + jsonString(utf8Of(row.time));
            if (row.concatReference >= 0) {
                if (!joinedRecord)
                    out += QStringLiteral(", \"part\": %1").arg(row.concatPart);
                out += QStringLiteral(", \"parts\": %1, \"reference\": %2").arg(row.concatTotal).arg(row.concatReference);
            }
            if (joinedRecord && !missing.isEmpty()) {
                QStringList parts;
                for (const int p : missing)
                    parts.append(QString::number(p));
                out += QStringLiteral(", \"missing\": [") + parts.join(QStringLiteral(", ")) + u']';
            }
            out += QStringLiteral(", \"text\": ") + jsonString(text);
            if (row.incomplete)
                out += QStringLiteral(", \"incomplete\": true");
            out += QStringLiteral("}\n");
        } else {
            if (!out.isEmpty())
                out += u'\n';
            out += QStringLiteral("Index:  ") + indexes.join(QStringLiteral(", ")) + u'\n';
            out += QStringLiteral("Status: %1 (%2)\n").arg(row.status).arg(QLatin1String(StatusNames[qBound(0, row.status, 4)]));
            out += QStringLiteral("Number: ") + utf8Of(row.fullNumber()) + u'\n';
            if (!row.outgoing)
                out += QStringLiteral("Time:   ") + utf8Of(row.time) + u'\n';
            if (joinedRecord) {
                out += QStringLiteral("Parts:  %1 (reference %2)").arg(row.concatTotal).arg(row.concatReference);
                if (!missing.isEmpty()) {
                    QStringList parts;
                    for (const int p : missing)
                        parts.append(QStringLiteral("%1/%2").arg(p).arg(row.concatTotal));
                    out += QStringLiteral(", missing ") + parts.join(QStringLiteral(", "));
                }
                out += u'\n';
            } else if (row.concatReference >= 0) {
                out += QStringLiteral("Part:   %1 of %2 (reference %3)\n")
                           .arg(row.concatPart).arg(row.concatTotal).arg(row.concatReference);
            }
            out += QStringLiteral("Text:   ") + text + (row.incomplete ? QStringLiteral(" (incomplete)") : QString())
                   + u'\n';
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
    // The index goes into AT+CMGD: a location's digits, nothing else.
    if (!IsLocationValue(rest.first(), 65535))
        return cliFail(command, QStringLiteral("%1 is not a message index (1 to 65535)").arg(rest.first()), CliUsage);
    const int index = rest.first().toInt();
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
    {"sms list", "[--memory SM|ME|MT] [--status 0-4] [--port DEVICE] [--json] [--join] [--csv FILE]",
     "list the handset's messages (default: both memories, all messages)",
     "Statuses: 0 received unread, 1 received read, 2 stored unsent, 3 stored sent, 4 all.\n"
     "Listed unread messages become read in the handset. International numbers have \"+\".\n"
     "--json: one object a line with index, status, number, time (not for stored outgoing\n"
     "messages), part, parts and reference (parts of a concatenated message only) and text;\n"
     "\"incomplete\": true for a message cut inside its user data (text \"Error PDU !\").\n"
     "--join: one record per concatenated message at its first listed part, with the joined\n"
     "text as the SMS page's preview shows it, all its indexes and the parts missing.\n"
     "--csv FILE: the list as the SMS page's \"excel csv\" archive (Windows-1250, without\n"
     "names). Without --port the modem port of torvane.ini is used.",
     runSmsList},
    {"sms delete", "INDEX [--memory SM|ME|MT] [--port DEVICE]",
     "delete one message of the handset's store (default memory MT)",
     "INDEX is the message's index as \"sms list\" shows it for the same memory.", runSmsDelete},
};

} // namespace
