#include "languagefile.h"

#include "cp1250.h"
#include "inifile.h"

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
    const QDir dir(programFolder);
    QStringList names;
    const QStringList files = dir.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        names << file.section(QLatin1Char('.'), 0, 0);
    return names;
}

QString LanguageFileName(const QString &programFolder, const QString &languageName)
{
    const QDir dir(programFolder);
    const QString fileName = languageName + QStringLiteral(".lng");
    const QString exact = dir.filePath(fileName);
    if (languageName.isEmpty() || QFileInfo::exists(exact))
        return exact;
    const QStringList files = dir.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        if (file.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(file);
    }
    return exact;
}
