#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

QString programFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return QDir::toNativeSeparators(dir + QLatin1Char('/'));
}

QString settingsFilePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("torvane.ini"));
}

QString userFilesFolder(const QString &programFolder, const QString &name)
{
    const QString path = QDir(programFolder).filePath(name);
    QDir().mkpath(path);
    return path + QLatin1Char('/');
}

// Our executables carry their product version as a marked record (see
// versionrecord.cpp): the marker, then four dot-separated numbers, then NUL.
// Reading it from the file itself keeps the meaning of "the program file's
// version" on platforms without version resources.
QString GetVersionText(const QString &programPath)
{
    QFile f(programPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    static const QByteArray marker = QByteArrayLiteral("\x01TORVANE-VERSION-RECORD:");
    const QByteArray data = f.readAll();
    const int at = data.indexOf(marker);
    if (at < 0)
        return {};
    const int start = at + marker.size();
    const int end = data.indexOf('\0', start);
    if (end < 0 || end - start > 64)
        return {};
    static const QRegularExpression re(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)\\.(\\d+)$"));
    const auto m = re.match(QString::fromLatin1(data.mid(start, end - start)));
    if (!m.hasMatch())
        return {};
    // product version a.b.c.d gives "a.b.d", as the classic version text does
    return QStringLiteral("%1.%2.%3").arg(m.captured(1).toInt()).arg(m.captured(2).toInt()).arg(m.captured(4).toInt());
}
