#pragma once

#include "crc16_ossik.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class TComPort;

// The handset's embedded file system over the diagnostic port: listing a
// folder (folders first, then files, one entry per request), reading and
// writing files block by block, making and removing folders, removing files,
// free space, and the off-line and reset modes.
//
// Every flow sends its next request only from the reply to the previous one,
// so at most one request is outstanding, and every request that wants a reply
// has a bounded wait (ReplyTimeoutMs): a missing reply, an error frame (byte
// 0 = 13, 14, 15), a frame with a wrong check value or a reply the flow does
// not expect ends the flow with failed(), never with a stuck state. Frames
// are classified by their own bytes 0-1.
//
// A reply belongs to the request waiting for it only: its sub-command, and
// where it carries one the listing index or block counter, must be the one
// asked for. Replies of other requests (a late answer to something that was
// cancelled or timed out) are dropped, and whatever is waiting on the port
// when an operation starts is dropped unread, so no exchange takes an earlier
// one's answer for its own.
//
// Sizes and free space are unsigned 32-bit fields (a file of 3 GiB is 3 GiB).
//
// Paths are Windows-1250 bytes, components separated by "/", without a
// leading "/" ("" is the root). Downloads are kept in memory and written to
// the target (a temporary file renamed into place) only when the whole file
// has arrived; a failure, a cancel or a lost port leaves no file behind and
// never touches an existing one.
//
// The object installs itself as the port's OnRxChar handler and takes every
// received byte; the window and torvane-cli only wire their output to the
// signals.
class DiagFileSystem : public QObject
{
    Q_OBJECT

public:
    enum class Failure {
        NoReply,            // the handset did not answer in time
        ErrorReply,         // an error frame (13, 14, 15) in answer to a request
        UnknownReply,       // a reply the flow does not recognise
        BadFrame,           // a frame whose check value is wrong
        FolderNotListed,    // 59 0A 08: the folder does not exist
        FolderNotRemovable, // 59 01 03: the folder is not empty
        MakeFailed,         // the handset refused to make the folder
        RemoveFailed,       // the handset refused to remove the folder
        ReadFailed,         // a read failure, or a read reply that makes no sense
        TooMuchData,        // the handset sent more than the size it announced
        WriteFailed,        // the handset refused a block of an upload
        SaveFailed,         // the downloaded file could not be written on the PC
        PathTooLong,        // a path of more than 254 bytes
        FileTooLarge,       // an upload over the 32-bit size field
        PortFailed,         // writing to the port failed (closed, unplugged)
        PortLost,           // the port closed during a request
        BadName,            // a name that cannot be sent as one entry (NUL, "/", "", ".", "..")
    };
    Q_ENUM(Failure)

    enum class Operation { None, Listing, Make, Remove, Upload, Download, Mode };
    Q_ENUM(Operation)

    // How long every request waits for its reply.
    static constexpr int ReplyTimeoutMs = 5000;
    // The pause between the free-space request and the root listing, and
    // after an upload before the folder is listed again.
    static constexpr int SettleMs = 31;
    // Blocks of an upload carry at most this many data bytes.
    static constexpr int WriteBlockSize = 256;
    // P and its NUL fit the one-byte length field.
    static constexpr int MaxPathBytes = 254;
    // The size field of a write holds this much at most.
    static constexpr qint64 MaxFileSize = 0xFFFFFFFFLL;

    // Why a name typed or chosen on the PC cannot become one entry of a
    // handset folder (the handset's names are Windows-1250, a NUL ends them
    // and "/" separates folders).
    enum class NameProblem {
        None,
        Empty,      // "" (or only blanks)
        Dots,       // "." or ".."
        Separator,  // holds "/"
        Control,    // holds a control character (NUL, CR, ESC, ...)
        NotCp1250,  // holds a character Windows-1250 cannot keep
    };
    static NameProblem CheckName(QStringView name);
    // A name the flows can send as one entry: neither empty, "." nor "..",
    // without NUL (which would cut the path) and without "/". Names read from
    // the handset are sent back exactly, other control characters included.
    static bool SendableName(const QByteArray &name);

    explicit DiagFileSystem(TComPort *port, QObject *parent = nullptr);
    ~DiagFileSystem() override;

    TComPort *port() const { return m_port; }
    // The reply wait (tests shorten it).
    void setReplyTimeoutMs(int ms) { m_replyTimer.setInterval(ms); }

    // ---- shared values
    const QByteArray &CurrentPath() const { return m_currentPath; }
    quint8 SequenceNumber() const { return m_sequence; }
    Operation operation() const { return m_op; }
    // A listing, make, remove or transfer is running (the window is disabled).
    bool busy() const { return m_op != Operation::None && m_op != Operation::Mode; }
    bool RestartRequested() const { return m_restartRequested; }
    // The path label: DisplayPath(CurrentPath) as of the last frame sent.
    const QByteArray &pathLabel() const { return m_label; }

    // ---- path rules (on Windows-1250 bytes)
    // "/" for the root, otherwise the path with "/" in front.
    static QByteArray DisplayPath(const QByteArray &currentPath);
    // The path of an entry of the folder the label shows, followed by its NUL:
    // "/" + name at the root, "mmc1/" + name below /mmc1.
    static QByteArray OperationPath(const QByteArray &label, const QByteArray &name);
    // The CurrentPath of a child folder of the label's folder.
    static QByteArray ChildFolder(const QByteArray &label, const QByteArray &name);
    // The CurrentPath of the label's parent folder ("" for the root and its children).
    static QByteArray ParentFolder(const QByteArray &label);
    // "1024 B", "1 kB" for a file entry's size.
    static QString SizeText(qint64 size);
    // "Volno: 5 MB".
    static QString FreeSpaceText(qint64 freeBytes);

    // ---- request payloads (before framing)
    static QByteArray ListRequest(bool files, const QByteArray &path, quint8 index);
    static QByteArray PathRequest(quint8 subcommand, const QByteArray &pathWithNul);
    static QByteArray ReadFirstRequest(const QByteArray &pathWithNul);
    static QByteArray ReadNextRequest(quint8 sequence);
    static QByteArray WriteFirstRequest(const QByteArray &pathWithNul, const QByteArray &data, QByteArray *firstBlock);
    static QByteArray WriteNextRequest(quint8 sequence, const QByteArray &block);
    // 255 is followed by 1: 0 belongs to the first block only.
    static quint8 nextSequence(quint8 n) { return n == 255 ? 1 : quint8(n + 1); }

    // Frames and sends a payload on the port (the sequence-byte rule
    // applies) and refreshes the path label. Raises EComPort.
    void SendFrame(const QByteArray &payload);

    // ---- operations; each reports its end through the signals
    // The root: free space, then the listing.
    void openRoot();
    // CurrentPath := path without a listing (the path label follows it).
    void setCurrentPath(const QByteArray &path);
    // CurrentPath := path, then the listing.
    void openFolder(const QByteArray &path);
    void requestFreeSpace();
    // name: an entry of the current folder.
    void makeFolder(const QByteArray &name);
    void removeFolder(const QByteArray &name);
    void removeFile(const QByteArray &name);
    // Writes data as name in the current folder.
    void startUpload(const QByteArray &data, const QByteArray &name);
    // Reads name of the current folder into the PC file target.
    void startDownload(const QByteArray &name, const QString &target);
    // Ends whatever runs without a word to the handset; a download leaves no file.
    void cancel();
    // Off-line mode; with restart the reset follows the handset's mode reply.
    void goOffline(bool restart);

    // Takes bytes received from the port (the port's receive handler calls it).
    void receiveBytes(const QByteArray &bytes);

signals:
    void pathLabelChanged(const QByteArray &label);
    // A listing starts: the handset pane is emptied.
    void listingStarted();
    void folderEntry(const QByteArray &name);
    // size: the unsigned 32-bit field (0 to 4294967295).
    void fileEntry(const QByteArray &name, qint64 size);
    // truncated: a kind had more than 256 entries; the rest is not shown.
    void listingFinished(bool truncated);
    void freeSpace(qint64 bytes);
    // Bytes sent or received of total.
    void progress(qint64 done, qint64 total);
    void downloadSizeKnown(qint64 size);
    void transferFinished();
    void failed(DiagFileSystem::Failure failure, const QString &detail);
    // A frame with a wrong check value was dropped.
    void frameDropped(const QByteArray &frame);
    void modeReply();
    void busyChanged(bool busy);

private:
    enum class Handler { Main, Upload, Download };

    void onRx(int count);
    void onPortOpenChanged(bool open);
    void dispatch(const ReceivedFrame &frame);
    void ComPort1RxChar(const ReceivedFrame &frame);
    void UploadReplyHandler(const ReceivedFrame &frame);
    void DownloadReplyHandler(const ReceivedFrame &frame);

    void folderEntryReply(const QByteArray &f);
    void fileEntryReply(const QByteArray &f);
    void dropWaiting();
    bool nameFits(const QByteArray &name);
    bool isOurError(const QByteArray &f, uchar subcommand, int sequence = -1) const;
    void listFolders(quint8 index);
    void listFiles(quint8 index);
    void relist();
    void removeEntry(const QByteArray &name, quint8 command);
    void send(const QByteArray &payload);  // SendFrame with the reply wait; failures end the operation
    void setOperation(Operation op);
    void finish();
    void fail(Failure failure, const QString &detail = {});
    void onTimeout();
    bool pathFits(const QByteArray &pathWithNul);
    void sendUploadBlock();

    TComPort *m_port;
    FrameAssembler m_assembler;
    Handler m_handler = Handler::Main;
    Operation m_op = Operation::None;
    QTimer m_replyTimer;
    QTimer m_settleTimer;

    QByteArray m_currentPath;
    QByteArray m_label = "/";
    quint8 m_sequence = 0;
    bool m_restartRequested = false;
    int m_entriesOfKind = 0;
    bool m_listingFiles = false;
    quint8 m_askedIndex = 0;       // the listing index as it went out (7E goes as 7F)
    uchar m_removeCommand = 0;     // 01 (folder) or 06 (file) while a removal waits
    bool m_truncated = false;

    QByteArray m_uploadData;  // not yet sent
    qint64 m_uploadSize = 0;
    qint64 m_uploadPosition = 0;

    QByteArray m_downloadBuffer;
    qint64 m_downloadSize = 0;
    QString m_downloadTarget;
};
