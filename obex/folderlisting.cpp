#include "folderlisting.h"

#include <QTimeZone>
#include <QXmlStreamReader>

QDateTime ParseModified(const QString &value)
{
    QString text = value.trimmed();
    const bool utc = text.endsWith(u'Z') || text.endsWith(u'z');
    if (utc)
        text.chop(1);
    if (text.size() != 15 || (text[8] != u'T' && text[8] != u't'))
        return {};
    for (qsizetype i = 0; i < text.size(); ++i)
        if (i != 8 && !text[i].isDigit())
            return {};
    const QDate date(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
    const QTime time(text.mid(9, 2).toInt(), text.mid(11, 2).toInt(), text.mid(13, 2).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    if (utc)
        return QDateTime(date, time, Qt::UTC).toLocalTime();
    return QDateTime(date, time);
}

QString DateText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("hh:mm:ss dd.MM.yy")) : QString();
}

FolderListing ParseFolderListing(const QByteArray &document)
{
    FolderListing listing;
    QXmlStreamReader xml(document);
    bool rootSeen = false;
    bool rootClosed = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (!rootSeen) {
                rootSeen = true;
                continue;
            }
            const QStringView element = xml.name();
            if (element != QLatin1String("folder") && element != QLatin1String("file"))
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            ListingEntry entry;
            entry.folder = element == QLatin1String("folder");
            entry.name = attributes.value(QLatin1String("name")).toString();
            if (entry.name.isEmpty())
                continue;  // nothing to show or to ask for
            bool ok = false;
            const qint64 size = attributes.value(QLatin1String("size")).trimmed().toLongLong(&ok);
            if (ok && size >= 0)
                entry.size = size;
            entry.modified = ParseModified(attributes.value(QLatin1String("modified")).toString());
            listing.entries.append(entry);
        } else if (token == QXmlStreamReader::EndDocument) {
            rootClosed = true;
        } else if (token == QXmlStreamReader::EndElement && xml.qualifiedName() == QLatin1String("folder-listing")) {
            rootClosed = true;
        }
    }
    // Handsets pad their documents (NUL bytes, CR LF): what follows the
    // closed root is not a fault of the listing.
    const bool blank = document.trimmed().isEmpty() || document.count('\0') == document.size();
    if (blank)
        return listing;  // an empty folder, as some handsets say it
    if (xml.hasError() && !rootClosed)
        listing.error = xml.errorString();
    else if (!rootSeen)
        listing.error = QStringLiteral("no folder listing in the document");
    return listing;
}

QList<ListingRow> ShowListing(const FolderListing &listing, bool belowRoot)
{
    QList<ListingRow> rows;
    if (belowRoot)
        rows.append({QStringLiteral("[..]"), QString(), QString()});
    for (const ListingEntry &e : listing.entries)
        if (e.folder)
            rows.append({u'[' + e.name + u']', QStringLiteral("<DIR>"), DateText(e.modified)});
    for (const ListingEntry &e : listing.entries)
        if (!e.folder)
            rows.append({e.name, e.size ? QString::number(*e.size) : QString(), DateText(e.modified)});
    return rows;
}
