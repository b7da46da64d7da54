// torvane-cli info: the presence check and the information readout, through
// the same transport and cutting rules as the information page.

#include "attransport.h"
#include "clicommand.h"
#include "comport.h"
#include "cp1250.h"
#include "phoneinfo.h"

#include <memory>
#include <optional>

namespace {

const char Command[] = "info";

QString text(const QByteArray &cp1250)
{
    return Cp1250::toUnicode(cp1250);
}

struct Row
{
    const char *label;  // plain output
    const char *key;    // JSON
    QString value;      // empty: not read
    bool number = false;
};

QString optionalNumber(const std::optional<int> &v, int offset = 0)
{
    return v ? QString::number(*v + offset) : QString();
}

QString optionalFlag(const std::optional<bool> &v)
{
    return v ? QString::fromLatin1(*v ? "true" : "false") : QString();
}

QList<Row> rowsOf(const PhoneInfo &info)
{
    return {
        {"maker", "maker", text(info.Vyrobce)},
        {"model", "model", text(info.model)},
        {"firmware", "firmware", text(info.VerzeGSM)},
        {"IMEI", "imei", text(info.IMEI)},
        {"battery", "battery", text(info.Baterie)},
        {"signal", "signal", text(info.Signal)},
        {"operator", "operator", text(info.Operator)},
        {"IMSI", "imsi", text(info.IMSI)},
        {"SIM number", "simNumber", text(info.cisloSIM)},
        {"SMS centre", "smsCentre", text(info.smsCentreNumber)},
        {"call charges", "callCharges", info.complete && info.answered("AT+CPUC?") ? text(info.Poplatky) : QString()},
        // The handset's own levels: the ring level counts from 1.
        {"ring level", "ringLevel", optionalNumber(info.ringIndex, 1), true},
        {"speaker level", "speakerLevel", optionalNumber(info.speakerIndex), true},
        {"alert mode", "alertMode", optionalNumber(info.alertIndex), true},
        {"PIN lock", "pinLock", optionalFlag(info.pinLock), true},
        {"SIM binding", "simBinding", optionalFlag(info.simBinding), true},
        {"keypad lock", "keyLock", optionalFlag(info.keyLock), true},
        {"vibration", "vibration", optionalFlag(info.vibration), true},
        {"microphone mute", "microphoneMute", optionalFlag(info.microphoneMute), true},
        {"hands-free", "handsFree", optionalFlag(info.handsFree), true},
    };
}

// Every query written that did not get its answer: not reached (the readout
// ended early) or unanswered in time.
bool incomplete(const PhoneInfo &info)
{
    return info.end != ReadoutEnd::Complete || !info.unanswered.isEmpty();
}

void print(const PhoneInfo &info, bool json)
{
    const QList<Row> rows = rowsOf(info);
    if (!json) {
        for (const Row &r : rows)
            if (!r.value.isEmpty())
                cliOut(QString::fromLatin1(r.label) + QStringLiteral(": ") + r.value + u'\n');
        return;
    }
    QString out = QStringLiteral("{");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row &r = rows.at(i);
        QString value = QStringLiteral("null");
        if (!r.value.isEmpty())
            value = r.number ? r.value : jsonString(r.value);
        out += (i ? QStringLiteral(", \"") : QStringLiteral("\"")) + QString::fromLatin1(r.key)
               + QStringLiteral("\": ") + value;
    }
    out += QStringLiteral(", \"incomplete\": ") + QLatin1String(incomplete(info) ? "true" : "false");
    QStringList unanswered;
    for (const QByteArray &command : info.unanswered)
        unanswered.append(jsonString(QString::fromLatin1(command)));
    out += QStringLiteral(", \"unanswered\": [") + unanswered.join(QStringLiteral(", ")) + u']';
    cliOut(out + QStringLiteral("}\n"));
}

int runInfo(const QStringList &arguments)
{
    QStringList args = arguments;
    bool missingValue = false;
    const QString portOption = takeOption(args, QStringLiteral("--port"), &missingValue);
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (missingValue)
        return cliFail(Command, QStringLiteral("--port needs a device"), CliUsage);
    if (!args.isEmpty())
        return cliFail(Command, QStringLiteral("unexpected argument %1").arg(args.first()), CliUsage);

    const QString device = cliPortName(portOption, "ComPort1");
    if (device.isEmpty())
        return cliNoPort(Command);
    const std::unique_ptr<TComPort> port(cliPort(device, "ComPort1"));
    try {
        port->OpenPort();
    } catch (const EComPort &e) {
        if (e.deviceMissing())
            return cliFail(Command, QStringLiteral("port %1 does not exist").arg(device));
        return cliFail(Command, QStringLiteral("cannot open port %1 (%2)").arg(device, e.text()));
    }
    try {
        if (!CheckPresence(*port))
            return cliFail(Command, QStringLiteral("no handset answers on %1").arg(device));
        const PhoneInfo info = ReadPhoneInfo(*port, false, ReadoutControl{});
        print(info, json);
        if (info.end == ReadoutEnd::Silent)
            return cliFail(Command, QStringLiteral("the handset on %1 stopped answering").arg(device));
        if (info.end == ReadoutEnd::ConnectionLost)
            return cliFail(Command, QStringLiteral("the connection to the handset on %1 was lost (%2)")
                                        .arg(device, info.portError));
        if (!info.unanswered.isEmpty())
            return cliFail(Command, QStringLiteral("the readout is incomplete: no answer in time to %1")
                                        .arg(QString::fromLatin1(info.unanswered.join(", "))));
    } catch (const EComPort &e) {
        return cliFail(Command, e.text());
    }
    return CliOk;
}

const CliRegistration registration{{
    Command, "[--port DEVICE] [--json]",
    "the handset's identity, state and settings, as the information page reads them",
    "Checks that a handset answers on the modem port (--port, or the port stored\n"
    "in torvane.ini) and runs the 23 queries of the information readout. Prints\n"
    "one \"row: value\" line for every row read; --json prints one object with\n"
    "English keys (null for a row the handset did not give), \"incomplete\" (true\n"
    "when a query got no answer in time or the readout ended early) and\n"
    "\"unanswered\" (those queries). Exits with 1 when no handset answers, it\n"
    "stops answering, the connection is lost or the readout is incomplete.",
    runInfo,
}};

} // namespace
