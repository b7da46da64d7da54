#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

QString programFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return QDir::toNativeSeparators(dir + QLatin1Char('/'));
}

namespace {

QString withSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))
               ? folder
               : folder + QLatin1Char('/');
}

// <prefix>/share/torvane/ of an installed program, or nothing.
QString installedShare(const QString &programFolder)
{
    const QDir bin(QDir::cleanPath(QDir::fromNativeSeparators(programFolder)));
    if (bin.dirName() != QLatin1String("bin"))
        return {};
    const QString share = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../share/torvane")));
    return QFileInfo(share).isDir() ? share + QLatin1Char('/') : QString();
}

} // namespace

bool isInstalledLayout(const QString &programFolder)
{
    return !installedShare(programFolder).isEmpty();
}

QString dataFolder(const QString &programFolder, const QString &subfolder)
{
    const QString share = installedShare(programFolder);
    if (share.isEmpty())
        return withSeparator(programFolder);
    return subfolder.isEmpty() ? share : share + subfolder + QLatin1Char('/');
}

QString settingsFolder(const QString &programFolder)
{
    if (!isInstalledLayout(programFolder))
        return withSeparator(programFolder);
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/torvane/");
    QDir().mkpath(folder);
    return folder;
}

QString settingsFilePath(const QString &programFolder)
{
    return settingsFolder(programFolder) + QStringLiteral("torvane.ini");
}

QString userFilesFolder(const QString &programFolder, const QString &name)
{
    QString base = withSeparator(programFolder);
    if (isInstalledLayout(programFolder)) {
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (documents.isEmpty())
            documents = QDir::homePath();
        base = documents + QStringLiteral("/Torvane/");
    }
    const QString path = base + name;
    QDir().mkpath(path);
    return path + QLatin1Char('/');
}

QStringList languageFolders(const QString &programFolder, const QString &subfolder)
{
    QStringList folders{dataFolder(programFolder, subfolder)};
    if (isInstalledLayout(programFolder)) {
        QString own = settingsFolder(programFolder);
        if (!subfolder.isEmpty())
            own += subfolder + QLatin1Char('/');
        folders << own;
    }
    return folders;
}

QString companionProgramPath(const QString &programFolder)
{
#ifdef Q_OS_WIN
    return withSeparator(programFolder) + QStringLiteral("explorer\\Ossik.exe");
#else
    // Installed, ossik is a program of its own beside torvane in <prefix>/bin.
    if (isInstalledLayout(programFolder))
        return withSeparator(programFolder) + QStringLiteral("ossik");
    return withSeparator(programFolder) + QStringLiteral("explorer/ossik");
#endif
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
