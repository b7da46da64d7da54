#include "smsarchive.h"

#include "cp1250.h"

#include <QSaveFile>

void CollectUnencodable(const QString &text, QString *lost)
{
    if (!lost || Cp1250::canEncode(text))
        return;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, n);
        if (!Cp1250::canEncode(one) && !lost->contains(one))
            *lost += one;
        i += n - 1;
    }
}

QByteArray SmsCsvField(const QByteArray &field)
{
    QByteArray value = field;
    if (!value.isEmpty() && (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@'))
        value.prepend('\'');
    if (!value.contains(';') && !value.contains('"') && !value.contains('\r') && !value.contains('\n'))
        return value;
    value.replace('"', "\"\"");
    return '"' + value + '"';
}

QByteArray SmsCsv(const QList<SmsRow> &rows, QString *lost)
{
    const auto text = [lost](const QString &field) {
        CollectUnencodable(field, lost);
        return SmsCsvField(Cp1250::fromUnicode(field));
    };
    QByteArray out;
    for (const SmsRow &row : rows) {
        // One after the other, so that the characters are reported in order.
        const QByteArray name = text(row.name);
        const QByteArray message = text(row.text);
        out += SmsCsvField(row.number) + ';' + name + ';' + SmsCsvField(row.time) + ';' + message + "\r\n";
    }
    return out;
}

QByteArray SmsTextFile(const QString &unicode, QString *lost)
{
    if (unicode.isEmpty())
        return {};
    CollectUnencodable(unicode, lost);
    const QByteArray text = Cp1250::fromUnicode(unicode);
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
