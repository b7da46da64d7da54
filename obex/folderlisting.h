#pragma once

// The OBEX folder-listing document ("x-obex/folder-listing"): an XML
// document with a root <folder-listing> holding <parent-folder/>, <folder>
// and <file> elements in any order, each with the attributes name, size,
// modified (and others we do not show), in any order, any of them missing.
// "modified" is ISO 8601 basic form, YYYYMMDDThhmmss, local time, or UTC
// with a trailing "Z".
//
// The reader is Qt's XML stream reader: entities are decoded, the DOCTYPE
// line is read but never fetched, and a broken document gives the entries
// read before the fault and an error text.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct ListingEntry
{
    QString name;
    bool folder = false;
    std::optional<qint64> size;
    QDateTime modified;  // local time; invalid when missing or unreadable
};

struct FolderListing
{
    QList<ListingEntry> entries;  // in document order
    QString error;                // empty for a well-formed document
};

FolderListing ParseFolderListing(const QByteArray &document);

// A "modified" value as local time: YYYYMMDDThhmmss, optionally ending in "Z"
// (UTC, converted). Invalid for anything else.
QDateTime ParseModified(const QString &value);
// The date column: "hh:mm:ss DD.MM.YY"; empty for an invalid time.
QString DateText(const QDateTime &time);

// One row of the handset pane.
struct ListingRow
{
    QString caption;  // "[name]" for a folder, the name for a file, "[..]" for the parent
    QString size;     // "<DIR>" for a folder, the size in bytes for a file
    QString date;
};

// The rows of a listing: "[..]" first when belowRoot, then the folders, then
// the files, each in document order.
QList<ListingRow> ShowListing(const FolderListing &listing, bool belowRoot);
