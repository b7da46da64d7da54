#pragma once

// The whole-handset backup and its restore, shared by torvane-cli and the
// window. No widgets: the front ends open the ports, show progress() and the
// result, and call cancel().
//
// The work runs on the caller's thread through the existing exchanges
// (PhonebookReader, SmsListing, ObexExchange, DiagFileSystem), each driven
// by a local event loop until its end signal, a failure or cancel(); every
// exchange bounds its own waits, so no loop here waits forever.
//
// A backup folder:
//   manifest.json              written last; see BackupManifest in the .cpp
//   phonebook/MEM.vcf, .sez    each memory read
//   sms/MEM.pdu                location,status,PDU per message as listed
//   sms/messages.smsbackup     gammu's SMS backup format
//   sms/messages.csv           the SMS page's "excel csv" archive
//   obex/..., diag/...         the two file trees, byte for byte

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QEventLoop;
class TComPort;

class HandsetBackup : public QObject
{
    Q_OBJECT

public:
    enum Part { Phonebook = 1, Sms = 2, Obex = 4, Diag = 8, AllParts = 15 };

    // "phonebook,sms": the parts named (any order, blanks allowed); nothing
    // when a name is unknown or the list is empty.
    static std::optional<int> ParseParts(const QString &list);
    static QString PartName(Part part);

    struct Options
    {
        QString folder;
        TComPort *modem = nullptr;  // open; needed for phonebook, sms and obex
        TComPort *diag = nullptr;   // open; without it the diag part is left out
        QByteArray pin2;            // FD is read and written only with it
        int parts = AllParts;
        bool dryRun = false;        // restore: nothing is written
        bool force = false;         // restore: different entries and files are replaced
        int obexGuardMs = -1;       // the handset's escape guard time; -1 the exchange's default
    };

    struct PartResult
    {
        Part part = Phonebook;
        int written = 0;  // backup: items saved; restore: items written (or, dry, to write)
        int skipped = 0;  // already there with the same content
        int refused = 0;  // left as they were (reported)
    };

    // Why a run stopped early.
    enum class Stop { None, Cancelled, NoHandset, Silent, Port, File, Folder, NotABackup, Damaged, Incomplete, Other };

    struct Result
    {
        bool ok = false;         // everything asked was saved, written or already there
        bool cancelled = false;
        QString error;           // why the run stopped early (empty when it did not), in English
        Stop stop = Stop::None;
        QString subject;         // Damaged: the file of the backup concerned
        QList<PartResult> parts;
    };

    explicit HandsetBackup(QObject *parent = nullptr);
    ~HandsetBackup() override;

    // Whether the folder may take a new backup: missing or empty.
    static bool FolderUsable(const QString &folder, QString *why);

    Result backup(const Options &options);
    Result restore(const Options &options);

    // Ends the running backup or restore at once (from a signal handler's
    // notifier, a button...): the current exchange is cancelled.
    void cancel();
    bool cancelRequested() const { return m_cancel; }

    // "phonebook: 12 written, 3 skipped, 0 refused" (restore), "... saved" (backup).
    static QString SummaryLine(const PartResult &part, bool restore);

signals:
    // The part and the item being read or written.
    void progress(const QString &part, const QString &item);
    // One line about an item that was refused or would be written (dry run).
    void report(const QString &line);

private:
    struct Run;
    friend struct Run;

    QEventLoop *m_loop = nullptr;
    bool m_cancel = false;
    std::function<void()> m_cancelCurrent;
};
