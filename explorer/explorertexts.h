#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// ossik's localized texts: section "rec" of the language file "<name>.lng" in
// the program folder (Windows-1250). Each key falls back to its Czech
// default when the file or the key is missing.
struct ExplorerText
{
    const char *key;
    const char *defaultText;  // UTF-8
    const char *meaning;
};

// Every key of section "rec", in the order of the shipped files.
const QList<ExplorerText> &ExplorerTextTable();

class ExplorerTexts
{
public:
    ExplorerTexts();
    // Reads the file (missing file or key: the default).
    void load(const QString &languageFile);
    QString text(const char *key) const;

private:
    QHash<QByteArray, QString> m_texts;
};

// The languages of a folder: every "*.lng" file, named up to its first "."
// (a.b.lng is "a"), sorted so that a stored index keeps its meaning.
QStringList ExplorerLanguages(const QString &programFolder);
