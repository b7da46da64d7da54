#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Builds the handset's contact database and group files from a table of
// contacts, in the layout the handset writes: a file header, then one record
// per contact (a record header, the fields as pattern, one spare byte, the
// 16-bit length and the data, with fields the reader does not know between
// the known ones, and the end mark 3D FF). Texts are UTF-16LE with their
// 0000 unit, numbers 8-bit characters with their 00 terminator, the group
// one byte, the birthday the text YYYYMMDD.
//
// It keeps its own table of field numbers and types, written from the file
// layout and not shared with the reader, so a wrong pattern in either shows.
namespace AdresarGen {

struct Contact
{
    // Field name (as in TAdresar) -> value; the birthday as stored (YYYYMMDD).
    QMap<QByteArray, QString> fields;
    int group = -1; // the group byte, or -1 for none
};

struct Group
{
    int number = 0;
    QString name; // written in Windows-1250
};

// One field as the handset writes it. The length is that of the data unless
// `length` overrides it (for cut files).
QByteArray textField(int number, bool ffPage, const QString &text, int length = -1);
QByteArray numberField(int number, bool ffPage, const QByteArray &digits, int length = -1);

// One record with its end mark, or the whole file.
QByteArray record(const Contact &contact, int index);
QByteArray databaseFile(const QList<Contact> &contacts);
QByteArray groupFile(const QList<Group> &groups);

// The field names the generator knows, in the order it writes them.
QList<QByteArray> fieldNames();

// A sample table: a few Czech contacts, one with every field.
QList<Contact> sampleContacts();
QList<Group> sampleGroups();
// A contact with every field set to a distinct value.
Contact everyField();

} // namespace AdresarGen
