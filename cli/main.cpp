// torvane-cli: the phone manager's codecs and handset commands from the
// command line. Arguments are UTF-8; output is UTF-8. Each feature registers
// its commands in its own file (see clicommand.h).

#include "clicommand.h"
#include "pducommands.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <iterator>

namespace {

const CliRegistration pduCommands{
    {"pdu decode", "[--json] [HEX...]",
     "decode SMS PDU lines (from the arguments, or one per line from standard input)",
     "For each PDU line: the number (international numbers with \"+\"), the time text\n"
     "(received messages only), the part of a concatenated message and the text.\n"
     "  --json   one JSON object per line, in input order, with the keys \"number\",\n"
     "           \"time\" (absent for stored outgoing messages), \"part\", \"parts\" and\n"
     "           \"reference\" (parts of a concatenated message only) and \"text\";\n"
     "           \"incomplete\": true when the line ends inside its user data.\n"
     "A line that cannot be read (or is cut) still gives what was found, with the text\n"
     "\"Error PDU !\"; the exit status is then 1.\n",
     runPduDecode},
    {"pdu encode", "[--json] NUMBER TEXT [--validity HH] [--report]",
     "build the SMS-SUBMIT PDU line and its length for AT+CMGS",
     "NUMBER   1 to 20 digits, international form without \"+\".\n"
     "TEXT     the message; sent in the GSM 7-bit alphabet when it can be, else as UCS-2.\n"
     "  --validity HH   relative validity-period octet, two hex digits (default AA, four days).\n"
     "  --report        ask for a status report.\n"
     "  --json          {\"pdu\": \"...\", \"length\": \"...\"}\n"
     "Invalid input is reported on standard error with exit status 1.\n",
     runPduEncode},
};

// Words of a command name.
QStringList wordsOf(const char *name)
{
    return QString::fromLatin1(name).split(u' ');
}

QString usageLine(const CliCommand &c)
{
    return QStringLiteral("torvane-cli %1 %2").arg(QLatin1String(c.name), QLatin1String(c.synopsis));
}

QString helpText()
{
    QString text = QStringLiteral("Usage: torvane-cli COMMAND [ARGUMENTS...]\n\nCommands:\n");
    for (const CliCommand &c : cliCommands()) {
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(c.name), QLatin1String(c.synopsis), QLatin1String(c.summary));
    }
    text += QStringLiteral("\n\"torvane-cli COMMAND --help\" describes one command.\n"
                           "Exit status: 0 done, 1 the input could not be used, 2 wrong arguments.\n");
    return text;
}

// The command whose name the arguments start with, and how many words it took.
const CliCommand *findCommand(const QStringList &args, qsizetype *wordCount)
{
    for (const CliCommand &c : cliCommands()) {
        const QStringList words = wordsOf(c.name);
        if (args.size() >= words.size() && args.mid(0, words.size()) == words) {
            *wordCount = words.size();
            return &c;
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    // Decode the arguments as UTF-8 whatever the locale says.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString arg = utf8(QByteArrayView(argv[i]));
        if (utf8.hasError()) {
            cliErr(QStringLiteral("torvane-cli: argument %1 is not valid UTF-8\n").arg(i));
            return CliUsage;
        }
        args.append(arg);
    }
    QCoreApplication app(argc, argv);

    if (args.isEmpty()) {
        cliErr(helpText());
        return CliUsage;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")
        || args.first() == QLatin1String("help")) {
        cliOut(helpText());
        return CliOk;
    }

    qsizetype words = 0;
    const CliCommand *command = findCommand(args, &words);
    if (!command) {
        cliErr(QStringLiteral("torvane-cli: unknown command \"%1\"\n\n").arg(args.join(u' ')));
        cliErr(helpText());
        return CliUsage;
    }
    const QStringList rest = args.mid(words);
    const qsizetype help = rest.indexOf(QLatin1String("--help"));
    const qsizetype end = rest.indexOf(QLatin1String("--"));
    if (help >= 0 && (end < 0 || help < end)) {
        cliOut(QStringLiteral("Usage: %1\n%2\n%3").arg(usageLine(*command),
                                                        QLatin1String(command->summary),
                                                        QLatin1String(command->details)));
        return CliOk;
    }
    return command->run(rest);
}
