#include "pducommands.h"

#include "clicommand.h"
#include "clock.h"
#include "cp1250.h"
#include "text2pdu.h"

#include <QTextStream>

#include <cstdio>

namespace {

QString utf8Of(const QByteArray &cp1250Text)
{
    return Cp1250::toUnicode(cp1250Text);
}

QStringList readStandardInputLines()
{
    QTextStream in(stdin);
    QStringList lines;
    QString line;
    while (in.readLineInto(&line)) {
        if (!line.trimmed().isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace

int runPduDecode(const QStringList &args)
{
    bool json = false;
    QStringList lines;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        if (!optionsEnded && arg == QLatin1String("--json"))
            json = true;
        else if (!optionsEnded && arg == QLatin1String("--"))
            optionsEnded = true;
        else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1)
            return cliFail("pdu decode", QStringLiteral("unknown option %1").arg(arg), CliUsage);
        else
            lines.append(arg);
    }
    if (lines.isEmpty())
        lines = readStandardInputLines();
    if (lines.isEmpty())
        return cliFail("pdu decode", QStringLiteral("no PDU given"), CliUsage);

    const SystemClock clock;
    int status = CliOk;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // A PDU is ASCII; anything else fails as a character that is not a hex digit.
        const DecodedPdu pdu = PduToText(lines[i].toUtf8(), clock);
        const bool received = pdu.kind == DecodedPdu::Received;
        // International numbers keep their "+", so that a script can tell
        // them from national ones.
        const QString number = utf8Of(pdu.numberWithPlus());
        if (json) {
            QString object = QStringLiteral("{\"number\": ") + jsonString(number);
            if (received && !pdu.time.isEmpty())
                object += QStringLiteral(", \"time\": ") + jsonString(utf8Of(pdu.time));
            if (pdu.isConcatenated())
                object += QStringLiteral(", \"part\": %1, \"parts\": %2, \"reference\": %3")
                              .arg(pdu.concatPart).arg(pdu.concatTotal).arg(pdu.concatReference);
            object += QStringLiteral(", \"text\": ") + jsonString(pdu.text);
            if (pdu.incomplete)
                object += QStringLiteral(", \"incomplete\": true");
            object += QStringLiteral("}\n");
            cliOut(object);
        } else {
            QString record;
            if (i > 0)
                record += u'\n';
            record += QStringLiteral("Number: ") + number + u'\n';
            if (received && !pdu.time.isEmpty())
                record += QStringLiteral("Time:   ") + utf8Of(pdu.time) + u'\n';
            if (pdu.isConcatenated())
                record += QStringLiteral("Part:   %1 of %2 (reference %3)\n")
                              .arg(pdu.concatPart).arg(pdu.concatTotal).arg(pdu.concatReference);
            record += QStringLiteral("Text:   ") + pdu.text + u'\n';
            cliOut(record);
        }
        if (pdu.incomplete) {
            cliFail("pdu decode", QStringLiteral("PDU %1 ends inside its user data: the message is incomplete").arg(i + 1));
            status = CliFailed;
            continue;
        }
        if (!pdu.ok) {
            cliFail("pdu decode", QStringLiteral("PDU %1 could not be read").arg(i + 1));
            status = CliFailed;
        }
    }
    return status;
}

int runPduEncode(const QStringList &args)
{
    bool json = false;
    bool report = false;
    QString validity = QStringLiteral("AA"); // four days, the compose dialog's default
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1String("--"))) {
            positional.append(arg);
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg == QLatin1String("--report")) {
            report = true;
        } else if (arg == QLatin1String("--validity")) {
            if (++i >= args.size())
                return cliFail("pdu encode", QStringLiteral("--validity needs two hex digits"), CliUsage);
            validity = args[i];
        } else {
            return cliFail("pdu encode", QStringLiteral("unknown option %1").arg(arg), CliUsage);
        }
    }
    if (positional.size() != 2)
        return cliFail("pdu encode", QStringLiteral("expected NUMBER and TEXT"), CliUsage);

    const QString &number = positional[0];
    const QString &text = positional[1];
    if (!Cp1250::canEncode(text)) {
        QString missing;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString one = text.mid(i, n);
            if (!Cp1250::canEncode(one) && !missing.contains(one))
                missing += one;
            i += n - 1;
        }
        return cliFail("pdu encode",
                       QStringLiteral("the text has characters that Windows-1250 lacks: %1").arg(missing));
    }

    const EncodedPdu pdu = TextToPdu(Cp1250::fromUnicode(number), Cp1250::fromUnicode(text),
                                     validity.toLatin1(), report);
    if (!pdu.ok())
        return cliFail("pdu encode", pdu.errorText);

    const QString line = QString::fromLatin1(pdu.pdu);
    const QString length = QString::fromLatin1(pdu.length);
    if (json)
        cliOut(QStringLiteral("{\"pdu\": \"%1\", \"length\": \"%2\"}\n").arg(line, length));
    else
        cliOut(QStringLiteral("PDU:    %1\nLength: %2\n").arg(line, length));
    return CliOk;
}
