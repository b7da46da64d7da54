#include "languagefile.h"

#include "cp1250.h"
#include "inifile.h"
#include "programfolder.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

QByteArray DefaultLanguageText(const LanguageText &entry)
{
    return Cp1250::fromUnicode(QString::fromUtf8(entry.text));
}

// The message texts' defaults come from the one table of texts.
MessageTexts MessageTexts::defaults()
{
    MessageTexts texts;
    for (const LanguageText &entry : LanguageTexts)
        if (entry.message)
            texts.*entry.message = DefaultLanguageText(entry);
    return texts;
}

QByteArray ReadLanguageText(const IniFile &file, const LanguageText &entry)
{
    return file.readString(entry.section, QByteArray::number(entry.key), DefaultLanguageText(entry));
}

QStringList LanguageList(const QString &programFolder)
{
    // One entry per file name: a user's own file beside the settings and a
    // shipped one of the same name are the same language.
    QStringList files;
    for (const QString &folder : languageFolders(programFolder))
        files << QDir(folder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    files.sort();
    files.removeDuplicates();
    QStringList names;
    for (const QString &file : files)
        names << file.section(QLatin1Char('.'), 0, 0);
    return names;
}

QString LanguageFileName(const QString &programFolder, const QString &languageName)
{
    // The user's own folder (searched last for the list) wins over the shipped files.
    QStringList folders = languageFolders(programFolder);
    std::reverse(folders.begin(), folders.end());
    const QString fileName = languageName + QStringLiteral(".lng");
    const QString shipped = QDir(folders.last()).filePath(fileName);
    if (languageName.isEmpty())
        return shipped;
    for (const QString &folder : folders) {
        const QString exact = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(exact))
            return exact;
    }
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
        for (const QString &file : files) {
            if (file.compare(fileName, Qt::CaseInsensitive) == 0)
                return dir.filePath(file);
        }
    }
    return shipped;
}
