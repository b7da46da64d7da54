#include "seznamfile.h"

#include <QFile>
#include <QSaveFile>

QByteArray SeznamFileText(const QList<SeznamRow> &rows)
{
    QByteArray text;
    for (const SeznamRow &row : rows) {
        text += row.join('\t');
        text += "\r\n";
    }
    return text;
}

QList<SeznamRow> ParseSeznamFile(const QByteArray &text)
{
    QList<SeznamRow> rows;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != '\r' && text.at(end) != '\n')
            ++end;
        // Splitting the line with one tab appended takes its last field as well.
        rows.append(text.mid(start, end - start).split('\t'));
        if (end < size && text.at(end) == '\r' && end + 1 < size && text.at(end + 1) == '\n')
            ++end;
        start = end + 1;
    }
    return rows;
}

bool WriteSeznamFile(const QString &path, const QList<SeznamRow> &rows, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray text = SeznamFileText(rows);
    if (file.write(text) != text.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

std::optional<QList<SeznamRow>> ReadSeznamFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFile::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return ParseSeznamFile(text);
}
