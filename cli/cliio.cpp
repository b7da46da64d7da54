#include "clicommand.h"

#include <cstdio>

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
