#include "clicommand.h"

#include "comport.h"
#include "inifile.h"
#include "programfolder.h"

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

int cliFail(const char *command, const QString &message, int status)
{
    cliErr(QStringLiteral("torvane-cli: %1: %2\n").arg(QLatin1String(command), message));
    return status;
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
    if (!portOption.isEmpty())
        return portOption;
    const IniFile ini(settingsFilePath(programFolder()));
    return QString::fromLocal8Bit(ini.readString(section, "Port"));
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
