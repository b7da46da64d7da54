#include "diagfilesystem.h"

#include "comport.h"
#include "cp1250.h"

#include <QSaveFile>

namespace {

// Whole frames (payload, check bytes, terminator) the handset answers with.
const QByteArray EndOfFolders = QByteArray::fromHex("590A1CACFE7E");
const QByteArray FoldersNotListed = QByteArray::fromHex("590A0809A87E");
const QByteArray EndOfFiles = QByteArray::fromHex("590B1C74E77E");
const QByteArray FolderMade = QByteArray::fromHex("590000" "31D97E");
const QByteArray FolderRemoved = QByteArray::fromHex("590100" "E9C07E");
const QByteArray FolderNotRemovable = QByteArray::fromHex("590103" "72F27E");

constexpr uchar FsCommand = 0x59;
constexpr uchar ModeCommand = 0x29;

uchar at(const QByteArray &f, int i)
{
    return i < f.size() ? uchar(f[i]) : 0;
}

// Sizes and free space: unsigned, so 2 GiB and more stay positive.
quint32 le32(const QByteArray &f, int i)
{
    return quint32(at(f, i)) | quint32(at(f, i + 1)) << 8 | quint32(at(f, i + 2)) << 16 | quint32(at(f, i + 3)) << 24;
}

int le16(const QByteArray &f, int i)
{
    return at(f, i) | at(f, i + 1) << 8;
}

// Error frames of the chipset: bad command, bad parameters, bad length.
bool isErrorFrame(const QByteArray &f)
{
    const uchar b0 = at(f, 0);
    return b0 == 0x13 || b0 == 0x14 || b0 == 0x15;
}

// Bytes of the frame that carry fields: everything before the check bytes.
int fieldBytes(const QByteArray &f)
{
    return int(f.size()) - 3;
}

// The entry name of a listing reply, cut after its last "/"; nullopt when the
// frame is too short for the length it gives.
std::optional<QByteArray> entryName(const QByteArray &f)
{
    if (fieldBytes(f) < 25)
        return std::nullopt;
    const int k = at(f, 24);
    if (25 + k > fieldBytes(f))
        return std::nullopt;
    QByteArray name = f.mid(25, k);
    while (name.endsWith('\0'))
        name.chop(1);
    const qsizetype slash = name.lastIndexOf('/');
    if (slash >= 0)
        name = name.mid(slash + 1);
    return name;
}

QByteArray le32Bytes(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

DiagFileSystem::DiagFileSystem(TComPort *port, QObject *parent)
    : QObject(parent), m_port(port)
{
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(ReplyTimeoutMs);
    connect(&m_replyTimer, &QTimer::timeout, this, &DiagFileSystem::onTimeout);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(SettleMs);
    m_port->OnRxChar = [this](int count) { onRx(count); };
    connect(m_port, &TComPort::openChanged, this, &DiagFileSystem::onPortOpenChanged);
}

DiagFileSystem::~DiagFileSystem()
{
    m_port->OnRxChar = nullptr;
}

// ---- names ----------------------------------------------------------------

DiagFileSystem::NameProblem DiagFileSystem::CheckName(QStringView name)
{
    if (name.trimmed().isEmpty())
        return NameProblem::Empty;
    if (name == u"." || name == u"..")
        return NameProblem::Dots;
    if (name.contains(u'/'))
        return NameProblem::Separator;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return NameProblem::Control;
    if (!Cp1250::canEncode(name))
        return NameProblem::NotCp1250;
    return NameProblem::None;
}

bool DiagFileSystem::SendableName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('\0') && !name.contains('/');
}

// ---- path rules -----------------------------------------------------------

QByteArray DiagFileSystem::DisplayPath(const QByteArray &currentPath)
{
    if (currentPath.isEmpty())
        return "/";
    return currentPath.startsWith('/') ? currentPath : "/" + currentPath;
}

QByteArray DiagFileSystem::OperationPath(const QByteArray &label, const QByteArray &name)
{
    return (label + "/").mid(1) + name + '\0';
}

QByteArray DiagFileSystem::ChildFolder(const QByteArray &label, const QByteArray &name)
{
    QByteArray path = label.mid(1);
    if (!path.isEmpty())
        path += '/';
    return path + name;
}

QByteArray DiagFileSystem::ParentFolder(const QByteArray &label)
{
    QList<QByteArray> parts = label.mid(label.startsWith('/') ? 1 : 0).split('/');
    if (parts.size() <= 1)
        return {};
    parts.removeLast();
    return parts.join('/');
}

QString DiagFileSystem::SizeText(qint64 size)
{
    if (size <= 1024)
        return QString::number(size) + QStringLiteral(" B");
    return QString::number(size / 1024) + QStringLiteral(" kB");
}

QString DiagFileSystem::FreeSpaceText(qint64 freeBytes)
{
    return QStringLiteral("Volno: ") + QString::number(freeBytes / 1048576) + QStringLiteral(" MB");
}

// ---- requests -------------------------------------------------------------

QByteArray DiagFileSystem::ListRequest(bool files, const QByteArray &path, quint8 index)
{
    QByteArray p;
    p += char(FsCommand);
    p += char(files ? 0x0B : 0x0A);
    p += char(index);
    p += QByteArray(3, '\0');
    p += char(path.size() + 1);
    p += path;
    p += '\0';
    return p;
}

QByteArray DiagFileSystem::PathRequest(quint8 subcommand, const QByteArray &pathWithNul)
{
    QByteArray p;
    p += char(FsCommand);
    p += char(subcommand);
    p += char(pathWithNul.size());
    p += pathWithNul;
    return p;
}

QByteArray DiagFileSystem::ReadFirstRequest(const QByteArray &pathWithNul)
{
    QByteArray p = QByteArray::fromHex("590400");
    p += char(pathWithNul.size());
    p += pathWithNul;
    return p;
}

QByteArray DiagFileSystem::ReadNextRequest(quint8 sequence)
{
    QByteArray p = QByteArray::fromHex("5904");
    p += char(sequence);
    return p;
}

QByteArray DiagFileSystem::WriteFirstRequest(const QByteArray &pathWithNul, const QByteArray &data,
                                             QByteArray *firstBlock)
{
    const qsizetype size = data.size();
    // A short file goes out without its last byte, which follows in the next block.
    const QByteArray block = size >= WriteBlockSize ? data.left(WriteBlockSize) : data.left(qMax<qsizetype>(size - 1, 0));
    QByteArray p = QByteArray::fromHex("590500");
    if (size >= 256) {
        p += QByteArray::fromHex("0101");
    } else {
        p += char(size);
        p += '\0';
    }
    p += le32Bytes(quint32(size));
    p += QByteArray::fromHex("FF0001");
    p += '\0';  // the path length is the one big-endian field
    p += char(pathWithNul.size());
    p += pathWithNul;
    p += QByteArray::fromHex("0001");
    p += block;
    if (firstBlock)
        *firstBlock = block;
    return p;
}

QByteArray DiagFileSystem::WriteNextRequest(quint8 sequence, const QByteArray &block)
{
    QByteArray p = QByteArray::fromHex("5905");
    p += char(sequence);
    p += '\x01';
    p += char(block.size() & 0xFF);
    p += char(block.size() >> 8);
    p += block;
    return p;
}

// ---- sending --------------------------------------------------------------

void DiagFileSystem::SendFrame(const QByteArray &payload)
{
    m_port->SendText(EncodeFrame(payload));
    m_label = DisplayPath(m_currentPath);
    emit pathLabelChanged(m_label);
}

void DiagFileSystem::send(const QByteArray &payload)
{
    try {
        SendFrame(payload);
    } catch (const EComPort &e) {
        fail(Failure::PortFailed, e.text());
        return;
    }
    if (m_op != Operation::None)
        m_replyTimer.start();
}

void DiagFileSystem::setOperation(Operation op)
{
    const bool wasBusy = busy();
    m_op = op;
    if (busy() != wasBusy)
        emit busyChanged(busy());
}

void DiagFileSystem::finish()
{
    m_replyTimer.stop();
    m_settleTimer.stop();
    disconnect(&m_settleTimer, &QTimer::timeout, this, nullptr);
    m_handler = Handler::Main;
    m_uploadData.clear();
    m_downloadBuffer.clear();
    m_downloadTarget.clear();
    setOperation(Operation::None);
}

void DiagFileSystem::fail(Failure failure, const QString &detail)
{
    const Operation op = m_op;
    finish();
    emit failed(failure, detail);
    // A refused or failed change leaves the pane empty: show the folder as it is now.
    const bool relistAfter = failure != Failure::PortFailed && failure != Failure::PortLost
                             && (op == Operation::Make || op == Operation::Remove || op == Operation::Upload);
    if (relistAfter)
        relist();
}

void DiagFileSystem::onTimeout()
{
    if (m_op == Operation::Download) {
        // Tell the handset to stop reading; its answer no longer matters.
        try {
            SendFrame(QByteArray::fromHex("590400"));
        } catch (const EComPort &) {
        }
    }
    fail(Failure::NoReply);
}

// Bytes that came before this operation are answers to something earlier
// (a request that timed out or was cancelled). They are read rather than
// purged: a purge behind the port's back leaves its read notifier announcing
// bytes that are gone.
void DiagFileSystem::dropWaiting()
{
    if (busy())
        return;
    m_replyTimer.stop();
    try {
        if (const int waiting = m_port->PendingCount(); waiting > 0)
            m_port->ReceiveBytes(waiting);
    } catch (const EComPort &) {
    }
    m_assembler.clear();
}

bool DiagFileSystem::nameFits(const QByteArray &name)
{
    if (SendableName(name))
        return true;
    emit failed(Failure::BadName, Cp1250::toUnicode(name));
    return false;
}

// An error frame of the chipset that answers the request with this
// sub-command (and block counter): 14 / 15 put the request after the code,
// 13 the whole request.
bool DiagFileSystem::isOurError(const QByteArray &f, uchar subcommand, int sequence) const
{
    const uchar b0 = at(f, 0);
    int at2 = 2;
    if (b0 == 0x13) {
        if (fieldBytes(f) < 2)
            return true;
        if (at(f, 1) != FsCommand && at(f, 1) != ModeCommand)
            return false;
        if (fieldBytes(f) < 3)
            return true;
        if (at(f, 2) != subcommand)
            return false;
        at2 = 3;
    } else if (b0 == 0x14 || b0 == 0x15) {
        if (fieldBytes(f) < 2)
            return true;
        if (at(f, 1) != subcommand)
            return false;
    } else {
        return false;
    }
    return sequence < 0 || fieldBytes(f) <= at2 || at(f, at2) == sequence;
}

bool DiagFileSystem::pathFits(const QByteArray &pathWithNul)
{
    if (pathWithNul.size() <= MaxPathBytes + 1)
        return true;
    emit failed(Failure::PathTooLong, QString::fromLatin1(pathWithNul.left(40)));
    return false;
}

// ---- operations -----------------------------------------------------------

void DiagFileSystem::listFolders(quint8 index)
{
    m_sequence = index;
    m_listingFiles = false;
    m_askedIndex = uchar(ApplySequenceByteRule(ListRequest(false, {}, index)).at(2));
    send(ListRequest(false, m_currentPath, index));
}

void DiagFileSystem::listFiles(quint8 index)
{
    m_sequence = index;
    m_listingFiles = true;
    m_askedIndex = uchar(ApplySequenceByteRule(ListRequest(true, {}, index)).at(2));
    send(ListRequest(true, m_currentPath, index));
}

void DiagFileSystem::relist()
{
    if (m_currentPath.size() > MaxPathBytes) {
        emit failed(Failure::PathTooLong, QString());
        return;
    }
    setOperation(Operation::Listing);
    m_handler = Handler::Main;
    m_entriesOfKind = 0;
    m_truncated = false;
    emit listingStarted();
    listFolders(0);
}

void DiagFileSystem::openRoot()
{
    dropWaiting();
    m_currentPath.clear();
    m_label = "/";
    emit pathLabelChanged(m_label);
    setOperation(Operation::Listing);
    m_handler = Handler::Main;
    emit listingStarted();
    try {
        SendFrame(QByteArray::fromHex("590C"));
    } catch (const EComPort &e) {
        fail(Failure::PortFailed, e.text());
        return;
    }
    // The free-space reply is taken whenever it comes; the listing follows a
    // moment later, as the handset expects.
    disconnect(&m_settleTimer, &QTimer::timeout, this, nullptr);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        disconnect(&m_settleTimer, &QTimer::timeout, this, nullptr);
        relist();
    });
    m_settleTimer.start();
    m_replyTimer.start();
}

void DiagFileSystem::setCurrentPath(const QByteArray &path)
{
    m_currentPath = path;
    m_label = DisplayPath(path);
    emit pathLabelChanged(m_label);
}

void DiagFileSystem::openFolder(const QByteArray &path)
{
    if (path.contains('\0')) {
        emit failed(Failure::BadName, Cp1250::toUnicode(path));
        return;
    }
    dropWaiting();
    m_currentPath = path;
    relist();
}

void DiagFileSystem::requestFreeSpace()
{
    dropWaiting();
    try {
        SendFrame(QByteArray::fromHex("590C"));
    } catch (const EComPort &e) {
        emit failed(Failure::PortFailed, e.text());
    }
}

void DiagFileSystem::makeFolder(const QByteArray &name)
{
    const QByteArray p = OperationPath(m_label, name);
    if (!nameFits(name) || !pathFits(p))
        return;
    dropWaiting();
    setOperation(Operation::Make);
    m_handler = Handler::Main;
    send(PathRequest(0x00, p));
}

void DiagFileSystem::removeFolder(const QByteArray &name)
{
    removeEntry(name, 0x01);
}

void DiagFileSystem::removeFile(const QByteArray &name)
{
    removeEntry(name, 0x06);
}

// Folders and files are removed by two sub-commands of one request layout.
void DiagFileSystem::removeEntry(const QByteArray &name, quint8 command)
{
    const QByteArray p = OperationPath(m_label, name);
    if (!nameFits(name) || !pathFits(p))
        return;
    dropWaiting();
    setOperation(Operation::Remove);
    m_handler = Handler::Main;
    m_removeCommand = command;
    send(PathRequest(command, p));
}

void DiagFileSystem::startUpload(const QByteArray &data, const QByteArray &name)
{
    const QByteArray p = OperationPath(m_label, name);
    if (!nameFits(name) || !pathFits(p))
        return;
    if (data.size() > MaxFileSize) {
        emit failed(Failure::FileTooLarge, QString());
        return;
    }
    dropWaiting();
    setOperation(Operation::Upload);
    m_handler = Handler::Upload;
    m_uploadSize = data.size();
    m_uploadPosition = 0;
    m_sequence = 0;
    QByteArray first;
    const QByteArray request = WriteFirstRequest(p, data, &first);
    m_uploadData = data.mid(first.size());
    emit progress(0, m_uploadSize);
    send(request);
}

void DiagFileSystem::startDownload(const QByteArray &name, const QString &target)
{
    const QByteArray p = OperationPath(m_label, name);
    if (!nameFits(name) || !pathFits(p))
        return;
    dropWaiting();
    setOperation(Operation::Download);
    m_handler = Handler::Download;
    m_sequence = 0;
    m_downloadSize = 0;
    m_downloadBuffer.clear();
    m_downloadTarget = target;
    send(ReadFirstRequest(p));
}

void DiagFileSystem::cancel()
{
    finish();
}

void DiagFileSystem::goOffline(bool restart)
{
    if (busy())
        finish();
    dropWaiting();
    m_restartRequested = restart;
    m_handler = Handler::Main;
    setOperation(Operation::Mode);
    send(QByteArray::fromHex("290100"));
}

// ---- receiving ------------------------------------------------------------

void DiagFileSystem::onRx(int count)
{
    QByteArray bytes;
    try {
        bytes = m_port->ReceiveBytes(count);
    } catch (const EComPort &) {
        return;
    }
    receiveBytes(bytes);
}

void DiagFileSystem::receiveBytes(const QByteArray &bytes)
{
    const QList<ReceivedFrame> frames = m_assembler.feed(bytes);
    for (const ReceivedFrame &frame : frames)
        dispatch(frame);
}

void DiagFileSystem::onPortOpenChanged(bool open)
{
    m_assembler.clear();
    if (!open && m_op != Operation::None)
        fail(Failure::PortLost);
}

void DiagFileSystem::dispatch(const ReceivedFrame &frame)
{
    switch (m_handler) {
    case Handler::Main:
        ComPort1RxChar(frame);
        break;
    case Handler::Upload:
        UploadReplyHandler(frame);
        break;
    case Handler::Download:
        DownloadReplyHandler(frame);
        break;
    }
}

void DiagFileSystem::ComPort1RxChar(const ReceivedFrame &frame)
{
    const QByteArray &f = frame.bytes;
    if (!frame.checkOk) {
        emit frameDropped(f);
        return;  // the handset's next frame, or the reply wait, decides
    }
    const uchar b0 = at(f, 0);
    const uchar b1 = at(f, 1);
    const bool waiting = m_op != Operation::None;

    if (b0 == ModeCommand) {
        if (m_restartRequested) {
            m_restartRequested = false;
            try {
                SendFrame(QByteArray::fromHex("290200"));
            } catch (const EComPort &) {
            }
        }
        if (m_op == Operation::Mode)
            finish();
        emit modeReply();
        return;
    }
    if (b0 == 0x4B) {
        // The handset has nothing to list here.
        if (m_op == Operation::Listing) {
            finish();
            emit listingFinished(false);
        }
        return;
    }
    if (b0 == FsCommand && b1 == 0x0C) {
        if (fieldBytes(f) >= 7)
            emit freeSpace(le32(f, 3));
        return;
    }
    if (b0 == FsCommand) {
        switch (b1) {
        case 0x0A:
        case 0x0B:
            // Only the entry of the kind and index asked for; anything else
            // answers an earlier listing.
            if (m_op != Operation::Listing || m_listingFiles != (b1 == 0x0B))
                return;
            if (b1 == 0x0A)
                folderEntryReply(f);
            else
                fileEntryReply(f);
            return;
        case 0x00:
            if (m_op != Operation::Make)
                return;
            if (f == FolderMade)
                relist();
            else
                fail(Failure::MakeFailed, QString::fromLatin1(f.toHex(' ')));
            return;
        case 0x01:
            if (m_op != Operation::Remove || m_removeCommand != 0x01)
                return;
            if (f == FolderRemoved)
                relist();
            else if (f == FolderNotRemovable)
                fail(Failure::FolderNotRemovable);
            else
                fail(Failure::RemoveFailed, QString::fromLatin1(f.left(fieldBytes(f)).toHex(' ')));
            return;
        case 0x06:
            if (m_op != Operation::Remove || m_removeCommand != 0x06)
                return;
            // Byte 2 is the status: anything but 00 is a refusal.
            if (at(f, 2) == 0x00)
                relist();
            else
                fail(Failure::RemoveFailed, QString::fromLatin1(f.left(fieldBytes(f)).toHex(' ')));
            return;
        case 0x04:
        case 0x05:
            return;  // a late reply of a transfer that has ended
        default:
            break;
        }
    }
    if (!waiting || m_op == Operation::Mode)
        return;  // nobody asked: a late reply of something cancelled
    if (isErrorFrame(f)) {
        const uchar asked = m_op == Operation::Listing ? (m_listingFiles ? 0x0B : 0x0A)
                            : m_op == Operation::Make  ? 0x00
                                                       : m_removeCommand;
        if (isOurError(f, asked, m_op == Operation::Listing ? m_askedIndex : -1))
            fail(Failure::ErrorReply, QString::fromLatin1(f.left(8).toHex(' ')));
        return;  // an error of another request
    }
    fail(Failure::UnknownReply, QString::fromLatin1(f.left(8).toHex(' ')));
}

void DiagFileSystem::folderEntryReply(const QByteArray &f)
{
    if (f == EndOfFolders) {
        m_entriesOfKind = 0;
        listFiles(0);
        m_sequence = 1;
        return;
    }
    if (f == FoldersNotListed) {
        fail(Failure::FolderNotListed, QString::fromLatin1(m_label));
        return;
    }
    if (fieldBytes(f) >= 4 && at(f, 3) < m_askedIndex)
        return;  // an index before the one asked for: an earlier request's
    const auto name = entryName(f);
    if (!name) {
        fail(Failure::UnknownReply, QString::fromLatin1(f.left(8).toHex(' ')));
        return;
    }
    emit folderEntry(*name);
    const quint8 index = at(f, 3);
    if (index == 0xFF || ++m_entriesOfKind >= 256) {
        // The index cannot count further: the files come next.
        m_truncated = true;
        m_entriesOfKind = 0;
        listFiles(0);
        m_sequence = 1;
        return;
    }
    listFolders(quint8(index + 1));
}

void DiagFileSystem::fileEntryReply(const QByteArray &f)
{
    if (f == EndOfFiles) {
        const bool truncated = m_truncated;
        finish();
        emit listingFinished(truncated);
        return;
    }
    if (fieldBytes(f) >= 4 && at(f, 3) < m_askedIndex)
        return;  // an index before the one asked for: an earlier request's
    const auto name = entryName(f);
    if (!name || fieldBytes(f) < 19) {
        fail(Failure::UnknownReply, QString::fromLatin1(f.left(8).toHex(' ')));
        return;
    }
    emit fileEntry(*name, le32(f, 15));
    const quint8 index = at(f, 3);
    if (index == 0xFF || ++m_entriesOfKind >= 256) {
        finish();
        emit listingFinished(true);
        return;
    }
    listFiles(quint8(index + 1));
}

void DiagFileSystem::UploadReplyHandler(const ReceivedFrame &frame)
{
    const QByteArray &f = frame.bytes;
    if (!frame.checkOk) {
        emit frameDropped(f);
        fail(Failure::BadFrame);
        return;
    }
    const uchar b0 = at(f, 0);
    const uchar b1 = at(f, 1);
    if (isErrorFrame(f)) {
        if (!isOurError(f, 0x05))
            return;  // an error of another request
        if ((b0 == 0x14 || b0 == 0x15) && b1 == 0x05)
            fail(Failure::WriteFailed);
        else
            fail(Failure::ErrorReply, QString::fromLatin1(f.left(8).toHex(' ')));
        return;
    }
    if (b0 != FsCommand || b1 != 0x05)
        return;  // the reply of another request, not of this write
    if (at(f, 2) != 0x00) {
        fail(Failure::WriteFailed, QString::fromLatin1(f.left(8).toHex(' ')));
        return;
    }
    if (m_uploadPosition == m_uploadSize) {
        // Only the acknowledgement of the last block means the file is there.
        m_replyTimer.stop();
        m_handler = Handler::Main;
        m_uploadData.clear();
        emit transferFinished();
        disconnect(&m_settleTimer, &QTimer::timeout, this, nullptr);
        connect(&m_settleTimer, &QTimer::timeout, this, [this] {
            disconnect(&m_settleTimer, &QTimer::timeout, this, nullptr);
            relist();
        });
        m_settleTimer.start();
        return;
    }
    sendUploadBlock();
}

void DiagFileSystem::sendUploadBlock()
{
    const QByteArray block = m_uploadData.left(WriteBlockSize);
    m_uploadData.remove(0, block.size());
    m_sequence = nextSequence(m_sequence);
    m_uploadPosition = m_uploadSize - m_uploadData.size();
    send(WriteNextRequest(m_sequence, block));
    if (m_op == Operation::Upload)
        emit progress(m_uploadPosition, m_uploadSize);
}

void DiagFileSystem::DownloadReplyHandler(const ReceivedFrame &frame)
{
    const QByteArray &f = frame.bytes;
    auto failRead = [this](Failure failure, const QString &detail = {}) {
        try {
            SendFrame(QByteArray::fromHex("590400"));
        } catch (const EComPort &) {
        }
        fail(failure, detail);
    };
    if (!frame.checkOk) {
        emit frameDropped(f);
        failRead(Failure::BadFrame);
        return;
    }
    const uchar b0 = at(f, 0);
    const uchar b1 = at(f, 1);
    if (isErrorFrame(f)) {
        if (!isOurError(f, 0x04, m_sequence))
            return;  // an error of another request
        if (b0 == 0x14 && b1 == 0x04)
            failRead(Failure::ReadFailed);
        else
            failRead(Failure::ErrorReply, QString::fromLatin1(f.left(8).toHex(' ')));
        return;
    }
    if (b0 != FsCommand || b1 != 0x04)
        return;  // only read replies carry the file
    // Byte 2 repeats the block counter asked for; another one answers an
    // earlier request.
    if (fieldBytes(f) >= 3 && at(f, 2) != m_sequence)
        return;

    if (m_sequence == 0) {
        const int b = le16(f, 9);
        if (fieldBytes(f) < 11 || 11 + b > fieldBytes(f)) {
            failRead(Failure::ReadFailed, QString::fromLatin1(f.left(12).toHex(' ')));
            return;
        }
        m_downloadSize = le32(f, 5);
        m_downloadBuffer.clear();
        emit downloadSizeKnown(m_downloadSize);
        m_downloadBuffer += f.mid(11, b);
    } else {
        const int b = le16(f, 5);
        if (fieldBytes(f) < 7 || 7 + b > fieldBytes(f)) {
            failRead(Failure::ReadFailed, QString::fromLatin1(f.left(8).toHex(' ')));
            return;
        }
        // An empty block while bytes are still missing: the handset has
        // nothing more to give, and asking again would go on for ever.
        if (b == 0 && m_downloadBuffer.size() < m_downloadSize) {
            failRead(Failure::ReadFailed, QStringLiteral("%1 / %2 B").arg(m_downloadBuffer.size()).arg(m_downloadSize));
            return;
        }
        m_downloadBuffer += f.mid(7, b);
    }
    if (m_downloadBuffer.size() > m_downloadSize) {
        failRead(Failure::TooMuchData, QString::number(m_downloadSize));
        return;
    }
    if (m_sequence != 0 && m_downloadBuffer.size() == m_downloadSize) {
        m_replyTimer.stop();
        QSaveFile file(m_downloadTarget);
        const bool saved = file.open(QIODevice::WriteOnly) && file.write(m_downloadBuffer) == m_downloadBuffer.size()
                           && file.commit();
        if (!saved) {
            fail(Failure::SaveFailed, m_downloadTarget + QStringLiteral(": ") + file.errorString());
            return;
        }
        emit progress(m_downloadBuffer.size(), m_downloadSize);
        finish();
        emit transferFinished();
        return;
    }
    emit progress(m_downloadBuffer.size(), m_downloadSize);
    m_sequence = nextSequence(m_sequence);
    send(ReadNextRequest(m_sequence));
}
