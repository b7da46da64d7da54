#pragma once

// The files of a handset backup other than the copied file trees: pure
// functions over text and bytes, no I/O beyond what their names say.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// ---- Phonebook as vCard 3.0 (RFC 2426) -------------------------------------

// One used location of a phonebook memory with its name in Unicode.
struct BackupContact
{
    QString memory;   // "SM", "ME", ...
    int location = 0;
    QString name;
    QString number;
    bool vip = false;

    bool operator==(const BackupContact &) const = default;
};

// One card per contact: FN and N the name, TEL the number (TYPE=CELL, with
// the handset's international type when it starts with "+"), the memory and
// location in X-TORVANE-MEMORY and X-TORVANE-LOCATION, CATEGORIES:VIP for a
// VIP entry. UTF-8, CR LF, lines folded at 75 octets (never inside a
// character), values escaped.
QByteArray ContactsToVCard(const QList<BackupContact> &contacts);

// Reads cards as the writer above makes them (and as contact programs
// change them: folded lines, any letter case of property names, LF alone).
// A card without X-TORVANE-LOCATION or with a location that is not a whole
// number from 1 is left out and counted in *skipped. X-TORVANE-MEMORY is
// not needed: the file's own memory is given.
QList<BackupContact> ParseVCardContacts(const QByteArray &text, const QString &memory, int *skipped = nullptr);

// ---- Messages as listed: "location,status,PDU" one a line ------------------

struct BackupMessage
{
    QString memory;   // "SM" or "ME"
    int location = 0;
    int status = 0;   // 0 received unread, 1 received read, 2 stored unsent, 3 stored sent
    QByteArray pdu;   // hex digits, service-centre part first

    bool operator==(const BackupMessage &) const = default;
};

QByteArray MessagesToPduFile(const QList<BackupMessage> &messages);
// Lines "location,status,hex" (LF or CR LF, empty lines skipped); nothing,
// with the line number in *error, for a line of another form.
std::optional<QList<BackupMessage>> ParsePduFile(const QByteArray &text, const QString &memory, QString *error);

// The TPDU octets of a PDU line (what AT+CMGW= wants): the line's octets
// less the service-centre part; -1 for a line that is no whole PDU.
int TpduLength(const QByteArray &pdu);

// ---- gammu's SMS backup format (gammu-smsbackup(5)) ------------------------

// The fields of one PDU (3GPP TS 23.040) as the SMS backup format wants
// them: texts in Unicode, the user-data header as hex.
struct PduFields
{
    enum Type { Deliver, Submit, StatusReport } type = Deliver;
    QString smsc;          // "+420603052000"; empty when the PDU has none
    QString number;        // originating or destination address
    QString time;          // "20240131T101500" (DELIVER); empty otherwise
    enum Coding { Default, Unicode, EightBit } coding = Default;
    int messageClass = -1;
    int reference = 0;     // message reference of a SUBMIT
    QByteArray udh;        // hex, UDHL included; empty without a header
    QString text;          // decoded text (Default, Unicode)
    QByteArray data;       // the user data after the header (8bit)
    int length = 0;        // characters (Default, Unicode) or octets (8bit)
};

// Nothing for a line that is not hex, ends early or is no DELIVER/SUBMIT.
std::optional<PduFields> DecodePduFields(const QByteArray &pdu);

// The whole backup file: one "[SMSBackupNNN]" section per message, in the
// order given. A message whose PDU cannot be read is left out and counted
// in *skipped.
QByteArray MessagesToSmsBackup(const QList<BackupMessage> &messages, int *skipped = nullptr);

// ---- Helpers ---------------------------------------------------------------

// Lower-case hex SHA-256 of the bytes.
QByteArray Sha256Hex(const QByteArray &bytes);
