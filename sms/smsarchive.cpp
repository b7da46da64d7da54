#include "smsarchive.h"

#include <QSaveFile>

QByteArray SmsCsvField(const QByteArray &field)
{
    if (!field.contains(';') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QByteArray SmsCsv(const QList<SmsRow> &rows)
{
    QByteArray out;
    for (const SmsRow &row : rows)
        out += SmsCsvField(row.number) + ';' + SmsCsvField(row.name) + ';' + SmsCsvField(row.time) + ';'
               + SmsCsvField(row.text) + "\r\n";
    return out;
}

QByteArray SmsTextFile(const QByteArray &text)
{
    if (text.isEmpty())
        return {};
    QByteArray normalized = text;
    normalized.replace("\r\n", "\n");
    normalized.replace('\r', '\n');
    QByteArray out;
    for (const QByteArray &line : normalized.split('\n'))
        out += line + "\r\n";
    return out;
}

bool WriteSmsFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
