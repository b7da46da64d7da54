// torvane-cli phonebook read: the rows of one phonebook memory, read through
// the same exchange as the phonebook page.

#include "attransport.h"
#include "atvalues.h"
#include "clicommand.h"
#include "comport.h"
#include "cp1250.h"
#include "phonebookmemory.h"
#include "phonebookreader.h"

#include <QEventLoop>
#include <QMap>
#include <QTimer>

#include <memory>

namespace {

const char *const Command = "phonebook read";

QString utf8Of(const QByteArray &cp1250Text)
{
    return Cp1250::toUnicode(cp1250Text);
}

QString failureText(const PhonebookReader &reader, PhonebookReader::Failure failure, const QByteArray &memory,
                    const QByteArray &detail)
{
    const QString m = QString::fromLatin1(memory);
    const QString d = utf8Of(detail.trimmed());
    switch (failure) {
    case PhonebookReader::Failure::PortError:
        return QStringLiteral("port error while reading %1: %2").arg(m, d);
    case PhonebookReader::Failure::MemoryRefused:
        return QStringLiteral("the handset refused memory %1 (%2)").arg(m, d);
    case PhonebookReader::Failure::BadCount:
        return QStringLiteral("the handset gave no valid entry count for %1").arg(m);
    case PhonebookReader::Failure::Pin2Refused: {
        QString text = QStringLiteral("the handset did not accept the PIN2 (%1)").arg(d);
        if (reader.pin2AttemptsLeft() >= 0)
            text += QStringLiteral("; PIN2 attempts left: %1").arg(reader.pin2AttemptsLeft());
        if (reader.puk2Wanted())
            text += QStringLiteral("; the PIN2 is blocked: the handset wants the PUK2");
        return text;
    }
    case PhonebookReader::Failure::NoAnswer:
        return QStringLiteral("the handset stopped answering while %1 was read").arg(m);
    }
    return {};
}

void printRow(const PhonebookRow &row, bool json)
{
    // The position stands for the location where the handset gave none
    // (an empty location).
    const QByteArray location = row.location.trimmed().isEmpty() ? row.caption : row.location.trimmed();
    if (json) {
        bool number = false;
        const int value = location.toInt(&number);
        cliOut(QStringLiteral("{\"location\": %1, \"name\": %2, \"number\": %3, \"group\": %4}\n")
                   .arg(number ? QString::number(value) : jsonString(utf8Of(location)), jsonString(row.name),
                        jsonString(utf8Of(row.number)), jsonString(utf8Of(row.group))));
        return;
    }
    cliOut(QStringLiteral("%1\t%2\t%3\t%4\n")
               .arg(utf8Of(location), row.name, utf8Of(row.number), utf8Of(row.group)));
}

int runPhonebookRead(const QStringList &arguments)
{
    QStringList args = arguments;
    bool missing = false;
    const QString portOption = takeOption(args, QStringLiteral("--port"), &missing);
    if (missing)
        return cliFail(Command, QStringLiteral("--port needs a device"), CliUsage);
    const QString pin2 = takeOption(args, QStringLiteral("--pin2"), &missing);
    if (missing)
        return cliFail(Command, QStringLiteral("--pin2 needs a code"), CliUsage);
    const bool json = takeFlag(args, QStringLiteral("--json"));
    for (const QString &arg : args)
        if (arg.startsWith(QLatin1String("--")))
            return cliFail(Command, QStringLiteral("unknown option %1").arg(arg), CliUsage);
    if (args.size() != 1)
        return cliFail(Command, QStringLiteral("give one memory: SM, ME, ON, MC, RC, LD, FD, SD, DC, EN, MB or OW"),
                       CliUsage);
    const int index = MemoryIndex(args.first().toLatin1());
    if (index < 0)
        return cliFail(Command, QStringLiteral("unknown memory %1 (SM, ME, ON, MC, RC, LD, FD, SD, DC, EN, MB, OW)")
                                    .arg(args.first()), CliUsage);
    if (index == Pin2MemoryIndex && pin2.isEmpty())
        return cliFail(Command, QStringLiteral("memory FD needs its PIN2 (--pin2 CODE)"), CliUsage);
    // The PIN2 goes into the command as it is: nothing but its digits.
    if (!pin2.isEmpty() && !IsSecurityCode(pin2))
        return cliFail(Command, QStringLiteral("--pin2 must be 4 to 8 digits"), CliUsage);

    const QString device = cliPortName(portOption, "ComPort1");
    if (device.isEmpty())
        return cliNoPort(Command);
    std::unique_ptr<TComPort> port(cliPort(device, "ComPort1"));
    try {
        port->OpenPort();
    } catch (const EComPort &e) {
        return cliFail(Command, QStringLiteral("cannot open %1: %2").arg(device, QString::fromUtf8(e.what())));
    }

    const QByteArray memory = MemoryTable[index].code;
    try {
        // Echo on, as the program's presence check leaves it: the entry
        // replies are recognised behind their echo.
        if (!CheckPresence(*port))
            return cliFail(Command, QStringLiteral("no handset answers on %1").arg(device));
    } catch (const EComPort &e) {
        return cliFail(Command, QStringLiteral("port error on %1: %2").arg(device, QString::fromUtf8(e.what())));
    }

    PhonebookReader reader(port.get());
    ReplyAssembler replies;
    replies.keepEveryByte = true;  // names in the GSM alphabet
    replies.onReplyComplete = [&reader](const QByteArray &reply) { reader.replyComplete(reply); };
    replies.onReplyFailed = [&reader](const QByteArray &reply, const QByteArray &error) {
        reader.replyFailed(reply, error);
    };
    port->OnRxChar = [&](int count) {
        try {
            replies.feed(port->ReceiveBytes(count));
        } catch (const EComPort &) {
            // The reader's bound on the reply ends the read.
        }
    };

    QEventLoop loop;
    int status = CliOk;
    // Rows are printed at the end: a location read again (a reply that came
    // late) replaces its row.
    QMap<int, PhonebookRow> rows;
    QObject::connect(&reader, &PhonebookReader::rowRead, &loop,
                     [&rows](const PhonebookRow &row) { rows.insert(row.caption.toInt(), row); });
    QObject::connect(&reader, &PhonebookReader::shortfall, &loop, [&](int read, int counted) {
        status = cliFail(Command, QStringLiteral("%1 used locations were read, the handset counted %2; "
                                                 "the listing may be incomplete")
                                      .arg(read)
                                      .arg(counted));
    });
    QObject::connect(&reader, &PhonebookReader::finished, &loop, [&loop] { loop.quit(); });
    QObject::connect(&reader, &PhonebookReader::failed, &loop,
                     [&](PhonebookReader::Failure failure, const QByteArray &detail) {
                         status = cliFail(Command, failureText(reader, failure, memory, detail));
                         loop.quit();
                     });
    // Started from the loop, so that an at-once failure finds it running.
    QTimer::singleShot(0, &reader, [&] { reader.start(index, Cp1250::fromUnicode(pin2)); });
    loop.exec();
    port->OnRxChar = nullptr;
    for (const PhonebookRow &row : std::as_const(rows))
        printRow(row, json);
    return status;
}

const CliRegistration registration{
    {"phonebook read", "MEMORY [--port DEVICE] [--json] [--pin2 CODE]",
     "lists the locations of a phonebook memory of the handset",
     "MEMORY is one of SM, ME, ON, MC, RC, LD, FD, SD, DC, EN, MB, OW. Every location\n"
     "from 1 to the memory's capacity gives one line: location, name, number and\n"
     "group (VIP or empty), tab-separated; an empty location gives its number\n"
     "alone. --json prints one object per location instead, with the keys\n"
     "\"location\", \"name\", \"number\" and \"group\". --port defaults to the modem\n"
     "port stored in torvane.ini beside the program; FD needs --pin2.",
     runPhonebookRead},
};

} // namespace
