#pragma once

#include <QByteArray>
#include <QString>

// Private-profile ("INI") file access with the usual rules: section and key
// names match without regard to case, values are trimmed, a missing file,
// section or key gives the caller's default, booleans are stored as "1"/"0".
// Values are 8-bit text (Windows-1250) and are kept byte for byte.
//
// Every call reads the file afresh and every write replaces it as a whole
// through a temporary file, so a failed write never leaves a truncated file
// in place of a good one.
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    QByteArray readString(const QByteArray &section, const QByteArray &key,
                          const QByteArray &defaultValue = {}) const;
    int readInteger(const QByteArray &section, const QByteArray &key, int defaultValue) const;
    bool readBool(const QByteArray &section, const QByteArray &key, bool defaultValue) const;
    bool hasKey(const QByteArray &section, const QByteArray &key) const;

    // Return false when the file could not be written; the old file is then untouched.
    bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    bool writeInteger(const QByteArray &section, const QByteArray &key, int value);
    bool writeBool(const QByteArray &section, const QByteArray &key, bool value);
    bool deleteKey(const QByteArray &section, const QByteArray &key);

    // Longest value text taken, as the platform's profile reader does.
    static constexpr int MaxValueLength = 2047;

private:
    QString m_path;
};
