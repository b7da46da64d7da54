#include "clicommand.h"

#include "comport.h"
#include "inifile.h"
#include "programfolder.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void write(std::FILE *stream, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stream);
    std::fflush(stream);
}

} // namespace

void cliOut(const QString &text)
{
    write(stdout, text);
}

void cliErr(const QString &text)
{
    write(stderr, text);
}

QString cliSystemErrorText(const QString &message)
{
#ifdef Q_OS_WIN
    return message;
#else
    static const QRegularExpression code(QStringLiteral(" \\(win error code: (\\d+)\\)"));
    QString text = message;
    QRegularExpressionMatch m;
    while ((m = code.match(text)).hasMatch()) {
        const int number = m.captured(1).toInt();
        text.replace(m.capturedStart(), m.capturedLength(),
                     QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(number))));
    }
    return text;
#endif
}

int cliFail(const char *command, const QString &message, int status)
{
    cliErr(QStringLiteral("torvane-cli: %1: %2\n").arg(QLatin1String(command), cliSystemErrorText(message)));
    return status;
}

int cliNoPort(const char *command, const char *kind)
{
    return cliFail(command,
                   QStringLiteral("no %1 port: give --port DEVICE or choose one in torvane.ini")
                       .arg(QLatin1String(kind)),
                   CliUsage);
}

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(u'"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': out.append(u"\\\""); break;
        case u'\\': out.append(u"\\\\"); break;
        case u'\n': out.append(u"\\n"); break;
        case u'\r': out.append(u"\\r"); break;
        case u'\t': out.append(u"\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
                out.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
            else
                out.append(c);
        }
    }
    out.append(u'"');
    return out;
}

// --- Registry of commands and shared argument handling ---------------------

namespace {
std::vector<CliCommand> &registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}
} // namespace

CliRegistration::CliRegistration(std::initializer_list<CliCommand> commands)
{
    registry().insert(registry().end(), commands.begin(), commands.end());
}

const std::vector<CliCommand> &cliCommands()
{
    std::vector<CliCommand> &commands = registry();
    std::stable_sort(commands.begin(), commands.end(), [](const CliCommand &a, const CliCommand &b) {
        return std::strcmp(a.name, b.name) < 0;
    });
    return commands;
}

QString takeOption(QStringList &args, const QString &name, bool *missingValue)
{
    if (missingValue)
        *missingValue = false;
    const QString prefix = name + QLatin1Char('=');
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--"))
            break;
        if (args[i].startsWith(prefix)) {
            const QString value = args[i].mid(prefix.size());
            args.removeAt(i);
            return value;
        }
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                if (missingValue)
                    *missingValue = true;
                args.removeAt(i);
                return {};
            }
            const QString value = args[i + 1];
            args.remove(i, 2);
            return value;
        }
    }
    return {};
}

bool takeFlag(QStringList &args, const QString &name)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--"))
            break;
        if (args[i] == name) {
            args.removeAt(i);
            return true;
        }
    }
    return false;
}

QString cliPortName(const QString &portOption, const QByteArray &section)
{
    QString device = portOption;
    if (device.isEmpty()) {
        const IniFile ini(settingsFilePath(programFolder()));
        device = QString::fromLocal8Bit(ini.readString(section, "Port"));
    }
    // "ttyUSB0" and "COM3" stay names of the system's devices; a relative
    // path of an existing file is the user's.
    const QFileInfo file(device);
    if (!device.isEmpty() && file.isRelative() && device.contains(QLatin1Char('/')) && file.exists())
        return file.absoluteFilePath();
    return device;
}

TComPort *cliPort(const QString &device, const QByteArray &section)
{
    auto *port = new TComPort(QString::fromLatin1(section));
    try {
        port->LoadPortSettings(IniFile(settingsFilePath(programFolder())));
    } catch (const EComPort &) {
        // A missing or unreadable settings file leaves the defaults.
    }
    port->setPort(device);
    return port;
}
