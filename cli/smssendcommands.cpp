// torvane-cli sms send: one message through the handset's modem port, with
// the same sending exchange as the compose dialog.

#include "clicommand.h"
#include "comport.h"
#include "cp1250.h"
#include "smssend.h"

#include <QEventLoop>

#include <memory>

namespace {

constexpr char kCommand[] = "sms send";

int runSmsSend(const QStringList &arguments)
{
    QStringList args = arguments;
    bool missing = false;
    const bool report = takeFlag(args, QStringLiteral("--report"));
    const QString validity = takeOption(args, QStringLiteral("--validity"), &missing);
    if (missing)
        return cliFail(kCommand, QStringLiteral("--validity needs two hex digits"), CliUsage);
    const QString centre = takeOption(args, QStringLiteral("--centre"), &missing);
    if (missing)
        return cliFail(kCommand, QStringLiteral("--centre needs a number"), CliUsage);
    const QString portOption = takeOption(args, QStringLiteral("--port"), &missing);
    if (missing)
        return cliFail(kCommand, QStringLiteral("--port needs a device"), CliUsage);
    if (!args.isEmpty() && args.first() == QLatin1String("--"))
        args.removeFirst();
    for (const QString &a : args) {
        if (a.startsWith(QLatin1String("--")))
            return cliFail(kCommand, QStringLiteral("unknown option %1").arg(a), CliUsage);
    }
    if (args.size() != 2)
        return cliFail(kCommand, QStringLiteral("expected NUMBER and TEXT"), CliUsage);

    SmsMessage message;
    const std::optional<QByteArray> number = NormalizeSmsNumber(args[0]);
    if (!number)
        return cliFail(kCommand, QStringLiteral("the number must be 1 to 20 digits (blanks and one leading + are dropped)"),
                       CliUsage);
    message.number = *number;
    if (!centre.isEmpty()) {
        const std::optional<QByteArray> c = NormalizeSmsNumber(centre);
        if (!c)
            return cliFail(kCommand, QStringLiteral("the service centre must be 1 to 20 digits"), CliUsage);
        message.centre = *c;
    }
    if (!validity.isEmpty()) {
        bool ok = false;
        validity.toInt(&ok, 16);
        if (validity.size() != 2 || !ok)
            return cliFail(kCommand, QStringLiteral("--validity needs two hex digits"), CliUsage);
        message.validity = validity.toLatin1().toUpper();
    }
    message.statusReport = report;
    const QString &text = args[1];
    if (!Cp1250::canEncode(text))
        return cliFail(kCommand, QStringLiteral("the text has characters that Windows-1250 lacks"));
    message.text = Cp1250::fromUnicode(text);
    if (message.text.isEmpty())
        return cliFail(kCommand, QStringLiteral("the text is empty"), CliUsage);

    const QString device = cliPortName(portOption, "ComPort1");
    if (device.isEmpty())
        return cliNoPort(kCommand);
    std::unique_ptr<TComPort> port(cliPort(device, "ComPort1"));
    try {
        port->OpenPort();
    } catch (const EComPort &e) {
        return cliFail(kCommand, QStringLiteral("%1: %2").arg(device, e.text()));
    }

    SmsSender sender(*port);
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&sender, &SmsSender::finished, &loop, [&](bool result) {
        ok = result;
        loop.quit();
    });
    QObject::connect(&sender, &SmsSender::partSent, &loop, [](int part, int total, int reference) {
        const QString ref = reference < 0 ? QStringLiteral("?") : QString::number(reference);
        if (total == 1)
            cliOut(QStringLiteral("Reference: %1\n").arg(ref));
        else
            cliOut(QStringLiteral("Part %1/%2: reference %3\n").arg(part).arg(total).arg(ref));
    });
    sender.send(message);
    loop.exec();
    port->ClosePort();
    if (ok)
        return CliOk;
    QString why = sender.errorText();
    if (sender.partCount() > 1)
        why += QStringLiteral(" (%1 of %2 parts sent)").arg(sender.partsSent()).arg(sender.partCount());
    return cliFail(kCommand, why);
}

const CliRegistration registration{
    {kCommand, "NUMBER TEXT [--report] [--validity HH] [--centre NUMBER] [--port DEVICE]",
     "send a short message through the handset",
     "Sends TEXT (UTF-8) to NUMBER through the handset's modem port, as the\n"
     "compose dialog does: a text longer than one message goes as a\n"
     "concatenated message of up to 10 parts. Prints the handset's message\n"
     "reference of each part.\n"
     "  --report          ask for a status report.\n"
     "  --validity HH     the relative validity-period octet (default AA, 4 days).\n"
     "  --centre NUMBER   set the service centre first (AT+CSCA); without it the\n"
     "                    handset's stored centre is used.\n"
     "  --port DEVICE     the modem port; default: the port stored in torvane.ini.\n"
     "Any part the handset refuses or does not answer ends the command with\n"
     "status 1 and the handset's error on standard error.\n",
     runSmsSend},
};

} // namespace
