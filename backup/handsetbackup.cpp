#include "handsetbackup.h"

#include "attransport.h"
#include "backupformats.h"
#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "diagfilesystem.h"
#include "messagewriter.h"
#include "obexexchange.h"
#include "phonebookreader.h"
#include "phonebookseam.h"
#include "phoneinfo.h"
#include "seznamfile.h"
#include "smsarchive.h"
#include "smslisting.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>

#include <map>

namespace {

const char *const ManifestName = "manifest.json";

// The memories a restore writes back; the call lists and the maker's
// service memories belong to the handset.
bool writableMemory(int index)
{
    const QByteArray code = MemoryTable[index].code;
    return code == "SM" || code == "ME" || code == "ON" || code == "FD";
}

QString portText(const EComPort &e)
{
    return e.text();
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString obexFailureText(const ObexFailure &f)
{
    switch (f.kind) {
    case ObexFailure::NotFound: return QStringLiteral("not found on the handset: %1").arg(f.detail);
    case ObexFailure::Refused: return QStringLiteral("the handset refused the %1 (code %2)").arg(f.step).arg(f.code, 2, 16, QLatin1Char('0'));
    case ObexFailure::ConnectRefused: return QStringLiteral("the handset refused the OBEX connection");
    case ObexFailure::SwitchRefused: return QStringLiteral("the handset did not switch to OBEX mode");
    case ObexFailure::NoAnswer: return QStringLiteral("no OBEX answer from the handset (%1)").arg(f.step);
    case ObexFailure::BadResponse: return QStringLiteral("unreadable OBEX answer (%1)").arg(f.step);
    case ObexFailure::LocalFile: return QStringLiteral("cannot read or write %1").arg(QDir::toNativeSeparators(f.detail));
    case ObexFailure::UnsafeName: return QStringLiteral("\"%1\" cannot be a file name on this computer").arg(f.detail);
    case ObexFailure::NameTooLong: return QStringLiteral("\"%1\" is too long for the handset").arg(f.detail);
    case ObexFailure::PortError: return f.detail;
    case ObexFailure::Cancelled: return QStringLiteral("cancelled");
    case ObexFailure::None: break;
    }
    return {};
}

// A failure that ends the whole run (the handset or port is gone) rather
// than one item.
bool obexFatal(const ObexFailure &f)
{
    return f.kind == ObexFailure::NoAnswer || f.kind == ObexFailure::PortError || f.kind == ObexFailure::BadResponse
           || f.kind == ObexFailure::SwitchRefused || f.kind == ObexFailure::ConnectRefused
           || f.kind == ObexFailure::Cancelled;
}

QString diagFailureText(DiagFileSystem::Failure f, const QString &detail)
{
    using F = DiagFileSystem::Failure;
    QString name;
    switch (f) {
    case F::NoReply: name = QStringLiteral("the handset did not answer"); break;
    case F::ErrorReply: name = QStringLiteral("the handset answered with an error"); break;
    case F::UnknownReply: name = QStringLiteral("the handset's answer was not understood"); break;
    case F::BadFrame: name = QStringLiteral("a damaged frame arrived"); break;
    case F::FolderNotListed: name = QStringLiteral("no such folder"); break;
    case F::FolderNotRemovable: name = QStringLiteral("the folder cannot be removed"); break;
    case F::MakeFailed: name = QStringLiteral("the folder cannot be made"); break;
    case F::RemoveFailed: name = QStringLiteral("the folder cannot be removed"); break;
    case F::ReadFailed: name = QStringLiteral("the file cannot be read from the handset"); break;
    case F::TooMuchData: name = QStringLiteral("the handset sent more data than it announced"); break;
    case F::WriteFailed: name = QStringLiteral("the handset did not take the file"); break;
    case F::SaveFailed: name = QStringLiteral("the file cannot be saved on this computer"); break;
    case F::PathTooLong: name = QStringLiteral("the path is too long for the handset"); break;
    case F::FileTooLarge: name = QStringLiteral("the file is too large"); break;
    case F::PortFailed: name = QStringLiteral("the diagnostic port cannot be written"); break;
    case F::PortLost: name = QStringLiteral("the diagnostic port was lost"); break;
    }
    return detail.isEmpty() ? name : name + QStringLiteral(" (") + detail + u')';
}

bool diagFatal(DiagFileSystem::Failure f)
{
    using F = DiagFileSystem::Failure;
    return f == F::NoReply || f == F::BadFrame || f == F::PortFailed || f == F::PortLost || f == F::UnknownReply;
}

// A path inside the backup folder from the manifest: relative, "/" between
// components, no empty, "." or ".." component.
bool safeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(u'/') || path.contains(u'\\') || path.contains(u':'))
        return false;
    for (const QString &c : path.split(u'/'))
        if (c.isEmpty() || c == QLatin1String(".") || c == QLatin1String(".."))
            return false;
    return true;
}

struct TreeItem
{
    QString local;        // relative to the part's folder ("mmc/a.jpg")
    QString handsetPath;  // the same path with the handset's names
    bool folder = false;
    qint64 size = 0;
};

} // namespace

// ---- one run ---------------------------------------------------------------

struct HandsetBackup::Run
{
    HandsetBackup &owner;
    const Options &o;
    Result result;
    QJsonObject files;
    QJsonObject folders;
    QJsonObject counts;
    QJsonObject memories;
    std::function<void(int)> savedModemHandler;

    Run(HandsetBackup &b, const Options &opt) : owner(b), o(opt)
    {
        if (o.modem)
            savedModemHandler = o.modem->OnRxChar;
    }
    ~Run()
    {
        if (o.modem)
            o.modem->OnRxChar = savedModemHandler;
    }

    bool stopped() const { return owner.m_cancel || !result.error.isEmpty(); }
    void stop(const QString &why, Stop kind = Stop::Other, const QString &subject = {})
    {
        if (!result.error.isEmpty())
            return;
        result.error = why;
        result.stop = kind;
        result.subject = subject;
    }
    PartResult &part(Part p)
    {
        for (PartResult &r : result.parts)
            if (r.part == p)
                return r;
        result.parts.append(PartResult{p});
        return result.parts.last();
    }
    void progress(Part p, const QString &item) { emit owner.progress(PartName(p), item); }
    void report(Part p, const QString &line) { emit owner.report(PartName(p) + QStringLiteral(": ") + line); }

    // Runs the loop until quit (an end signal), cancel() or the bound.
    void wait(const std::function<void()> &cancelCurrent, int boundMs = 0)
    {
        if (owner.m_cancel)
            return;
        QEventLoop loop;
        owner.m_loop = &loop;
        owner.m_cancelCurrent = cancelCurrent;
        QTimer bound;
        bool timedOut = false;
        if (boundMs > 0) {
            bound.setSingleShot(true);
            QObject::connect(&bound, &QTimer::timeout, &loop, [&] {
                timedOut = true;
                loop.quit();
            });
            bound.start(boundMs);
        }
        loop.exec();
        owner.m_loop = nullptr;
        owner.m_cancelCurrent = nullptr;
        if (timedOut) {
            if (cancelCurrent)
                cancelCurrent();
            stop(QStringLiteral("the handset stopped answering"), Stop::Silent);
        }
    }

    QString path(const QString &relative) const { return QDir(o.folder).filePath(relative); }

    // Records a written file of the backup in the manifest.
    bool record(const QString &relative, const QString &handsetName = {})
    {
        const auto bytes = readFile(path(relative));
        if (!bytes) {
            stop(QStringLiteral("cannot read back %1").arg(QDir::toNativeSeparators(path(relative))), Stop::File);
            return false;
        }
        QJsonObject entry{{"size", qint64(bytes->size())}, {"sha256", QString::fromLatin1(Sha256Hex(*bytes))}};
        if (!handsetName.isEmpty())
            entry.insert("handsetName", handsetName);
        files.insert(relative, entry);
        return true;
    }
    bool save(const QString &relative, const QByteArray &bytes)
    {
        QString error;
        if (!writeFile(path(relative), bytes, &error)) {
            stop(error, Stop::File);
            return false;
        }
        return record(relative);
    }

    // ---- modem port plumbing
    bool presence()
    {
        try {
            if (CheckPresence(*o.modem))
                return true;
            stop(QStringLiteral("no handset answers on %1").arg(o.modem->Port()), Stop::NoHandset);
        } catch (const EComPort &e) {
            stop(portText(e), Stop::Port);
        }
        return false;
    }

    // Reads one phonebook memory; nothing when the handset refused it (a
    // report), or the run stopped.
    std::optional<QList<PhonebookRow>> readMemory(int index, Part reportAs)
    {
        PhonebookReader reader(o.modem);
        ReplyAssembler replies;
        replies.keepEveryByte = true;  // names in the GSM alphabet
        replies.onReplyComplete = [&reader](const QByteArray &reply) { reader.replyComplete(reply); };
        replies.onReplyFailed = [&reader](const QByteArray &reply, const QByteArray &error) {
            reader.replyFailed(reply, error);
        };
        o.modem->OnRxChar = [&](int count) {
            try {
                replies.feed(o.modem->ReceiveBytes(count));
            } catch (const EComPort &) {
                // The reader's bound on the reply ends the read.
            }
        };
        // A location read again (a reply that came late) replaces its row.
        QMap<int, PhonebookRow> rows;
        bool refused = false;
        const QString code = QString::fromLatin1(MemoryTable[index].code);
        QObject::connect(&reader, &PhonebookReader::rowRead,
                         [&](const PhonebookRow &row) { rows.insert(row.caption.toInt(), row); });
        QObject::connect(&reader, &PhonebookReader::shortfall, [&](int read, int counted) {
            report(reportAs, QStringLiteral("memory %1: %2 used locations were read, the handset counted %3")
                                 .arg(code).arg(read).arg(counted));
        });
        QObject::connect(&reader, &PhonebookReader::progress, [&](int at, int capacity) {
            progress(reportAs, QStringLiteral("%1 %2/%3").arg(code).arg(at).arg(capacity));
        });
        QObject::connect(&reader, &PhonebookReader::memoryCounted, [&](int used, int capacity) {
            memories.insert(code, QJsonObject{{"used", used}, {"capacity", capacity}});
        });
        QObject::connect(&reader, &PhonebookReader::finished, [&] {
            if (owner.m_loop)
                owner.m_loop->quit();
        });
        QObject::connect(&reader, &PhonebookReader::failed, [&](PhonebookReader::Failure f, const QByteArray &detail) {
            const QString d = Cp1250::toUnicode(detail.trimmed());
            switch (f) {
            case PhonebookReader::Failure::MemoryRefused:
            case PhonebookReader::Failure::BadCount:
                report(reportAs, QStringLiteral("memory %1 cannot be read (%2)").arg(code, d));
                refused = true;
                break;
            case PhonebookReader::Failure::Pin2Refused:
                report(reportAs, QStringLiteral("the handset did not accept the PIN2 for %1 (%2)").arg(code, d));
                refused = true;
                break;
            case PhonebookReader::Failure::PortError:
                stop(QStringLiteral("port error while reading %1: %2").arg(code, d), Stop::Port);
                break;
            case PhonebookReader::Failure::NoAnswer:
                stop(QStringLiteral("the handset stopped answering while %1 was read").arg(code), Stop::Silent);
                break;
            }
            if (owner.m_loop)
                owner.m_loop->quit();
        });
        QTimer::singleShot(0, &reader, [&] { reader.start(index, o.pin2); });
        wait([&reader] { reader.cancel(); });
        o.modem->OnRxChar = nullptr;
        if (stopped() || refused)
            return std::nullopt;
        return rows.values();
    }

    // Runs one OBEX exchange to its end.
    ObexFailure obex(ExplorerOperation op, const QString &label, const QStringList &items, const QString &local,
                     FolderListing *listing = nullptr)
    {
        if (owner.m_cancel) {
            ObexFailure cancelled;
            cancelled.kind = ObexFailure::Cancelled;
            return cancelled;
        }
        ObexExchange exchange(o.modem);
        if (o.obexGuardMs >= 0)
            exchange.setGuardTime(o.obexGuardMs);
        exchange.restoreReceiveHandler = [this] { o.modem->OnRxChar = nullptr; };
        ObexFailure failure;
        bool ended = false;
        QObject::connect(&exchange, &ObexExchange::listingReceived, [&](const FolderListing &l) {
            if (listing)
                *listing = l;
        });
        QObject::connect(&exchange, &ObexExchange::finished, [&](const ObexFailure &f) {
            failure = f;
            ended = true;
            if (owner.m_loop)
                owner.m_loop->quit();
        });
        if (!exchange.start(op, label, items, local)) {
            failure.kind = ObexFailure::PortError;
            failure.detail = QStringLiteral("the modem port is not open");
            return failure;
        }
        // A cancel lets the exchange take the handset back to AT mode.
        wait([&exchange] { exchange.cancel(); });
        // A cancel that came before the wait: the exchange is told now.
        if (!ended && exchange.busy() && owner.m_cancel)
            exchange.cancel();
        // The way back to AT mode after a cancel is bounded by the guard pauses.
        if (!ended && exchange.busy()) {
            QEventLoop loop;
            QObject::connect(&exchange, &ObexExchange::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(3 * exchange.guardTime() + 3000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (owner.m_cancel && !failure.failed())
            failure.kind = ObexFailure::Cancelled;
        // Whatever comes next would be sent to a handset that may still
        // speak OBEX: the run ends here, as not done.
        if (failure.escapeUnconfirmed && !stopped())
            stop(QStringLiteral("the handset did not confirm the return to AT mode; the port may still speak OBEX"),
                 Stop::Port);
        return failure;
    }

    // ---- diagnostic port plumbing
    struct DiagWait
    {
        bool failed = false;
        DiagFileSystem::Failure failure{};
        QString detail;
        QList<QByteArray> folders;
        QList<QPair<QByteArray, qint64>> files;
    };

    // Starts an operation and waits for `done` (listingFinished or
    // transferFinished) or a failure; an upload or make also waits for the
    // listing the flow does after it.
    DiagWait diag(DiagFileSystem &fs, const std::function<void()> &start, bool untilListing)
    {
        DiagWait w;
        QList<QMetaObject::Connection> c;
        c << QObject::connect(&fs, &DiagFileSystem::folderEntry, [&](const QByteArray &n) { w.folders.append(n); });
        c << QObject::connect(&fs, &DiagFileSystem::fileEntry, [&](const QByteArray &n, qint64 s) { w.files.append({n, s}); });
        c << QObject::connect(&fs, &DiagFileSystem::listingStarted, [&] {
            w.folders.clear();
            w.files.clear();
        });
        c << QObject::connect(&fs, &DiagFileSystem::listingFinished, [&] {
            if (untilListing && owner.m_loop)
                owner.m_loop->quit();
        });
        c << QObject::connect(&fs, &DiagFileSystem::transferFinished, [&] {
            if (!untilListing && owner.m_loop)
                owner.m_loop->quit();
        });
        c << QObject::connect(&fs, &DiagFileSystem::failed, [&](DiagFileSystem::Failure f, const QString &d) {
            if (w.failed)
                return;
            w.failed = true;
            w.failure = f;
            w.detail = d;
            if (owner.m_loop)
                owner.m_loop->quit();
        });
        QTimer::singleShot(0, &fs, start);
        wait([&fs] { fs.cancel(); });
        // A failed make or upload lists the folder again; let that end first.
        if (w.failed && fs.busy() && !diagFatal(w.failure)) {
            QEventLoop loop;
            auto done = QObject::connect(&fs, &DiagFileSystem::listingFinished, &loop, &QEventLoop::quit);
            auto gone = QObject::connect(&fs, &DiagFileSystem::failed, &loop, &QEventLoop::quit);
            QTimer::singleShot(DiagFileSystem::ReplyTimeoutMs * 2, &loop, &QEventLoop::quit);
            loop.exec();
            QObject::disconnect(done);
            QObject::disconnect(gone);
        }
        for (const auto &k : c)
            QObject::disconnect(k);
        if (owner.m_cancel)
            fs.cancel();
        return w;
    }

    // =========================================================== backup

    void writeManifest(bool incomplete, const PhoneInfo &info)
    {
        QJsonObject m;
        m.insert("format", "torvane-backup");
        m.insert("version", 1);
        m.insert("created", QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
        m.insert("handset", QJsonObject{{"maker", Cp1250::toUnicode(info.Vyrobce)},
                                        {"model", Cp1250::toUnicode(info.model)},
                                        {"revision", Cp1250::toUnicode(info.VerzeGSM)},
                                        {"imei", Cp1250::toUnicode(info.IMEI)}});
        QJsonArray parts;
        for (Part p : {Phonebook, Sms, Obex, Diag})
            if (o.parts & p)
                parts.append(PartName(p));
        m.insert("parts", parts);
        m.insert("counts", counts);
        if (!memories.isEmpty())
            m.insert("phonebookMemories", memories);
        m.insert("folders", folders);
        m.insert("files", files);
        if (incomplete)
            m.insert("incomplete", true);
        QString error;
        if (!writeFile(path(ManifestName), QJsonDocument(m).toJson(QJsonDocument::Indented), &error))
            stop(error, Stop::File);
    }

    void backupPhonebook()
    {
        PartResult &r = part(Phonebook);
        for (int index = 0; index < MemoryCount && !stopped(); ++index) {
            if (index == Pin2MemoryIndex && o.pin2.isEmpty())
                continue;
            const QString code = QString::fromLatin1(MemoryTable[index].code);
            const auto rows = readMemory(index, Phonebook);
            if (!rows)
                continue;
            QList<BackupContact> contacts;
            QList<SeznamRow> sez;
            for (const PhonebookRow &row : *rows) {
                sez.append(SeznamRow{row.caption, row.location, Cp1250::fromUnicode(row.name), row.number, row.group});
                if (const auto c = ContactOfRow(row, code))
                    contacts.append(*c);
            }
            if (!save(QStringLiteral("phonebook/%1.vcf").arg(code), ContactsToVCard(contacts))
                || !save(QStringLiteral("phonebook/%1.sez").arg(code), SeznamFileText(sez)))
                return;
            r.written += int(contacts.size());
        }
        counts.insert("phonebook", r.written);
    }

    void backupSms()
    {
        PartResult &r = part(Sms);
        SmsListing listing(o.modem);
        o.modem->OnRxChar = [&](int count) {
            try {
                listing.feed(o.modem->ReceiveBytes(count));
            } catch (const EComPort &e) {
                stop(portText(e), Stop::Port);
                if (owner.m_loop)
                    owner.m_loop->quit();
            }
        };
        QList<BackupMessage> all;
        QList<SmsEntry> allEntries;
        for (const QByteArray memory : {QByteArray("SM"), QByteArray("ME")}) {
            if (stopped())
                break;
            progress(Sms, QString::fromLatin1(memory));
            QList<SmsEntry> entries;
            bool refused = false;
            auto a = QObject::connect(&listing, &SmsListing::listed, [&](const QList<SmsEntry> &e) {
                entries = e;
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            auto b = QObject::connect(&listing, &SmsListing::failed, [&](SmsListing::Command, const QByteArray &line) {
                report(Sms, QStringLiteral("memory %1 cannot be listed (%2)").arg(QString::fromLatin1(memory), QString::fromLatin1(line)));
                refused = true;
                listing.reset();
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            auto c = QObject::connect(&listing, &SmsListing::timedOut, [&] {
                stop(QStringLiteral("the handset stopped answering while the messages of %1 were listed").arg(QString::fromLatin1(memory)), Stop::Silent);
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            try {
                listing.selectMemory(memory);
                listing.list(4);
                wait([&listing] { listing.reset(); });
            } catch (const EComPort &e) {
                stop(portText(e), Stop::Port);
            }
            QObject::disconnect(a);
            QObject::disconnect(b);
            QObject::disconnect(c);
            if (stopped() || refused)
                continue;
            QList<BackupMessage> messages;
            // The listing gives each message's status as it was before it
            // (a listed unread message turns read only afterwards).
            for (const SmsEntry &e : entries)
                messages.append(BackupMessage{QString::fromLatin1(memory), e.index, e.status, e.pdu.trimmed()});
            if (!save(QStringLiteral("sms/%1.pdu").arg(QString::fromLatin1(memory)), MessagesToPduFile(messages)))
                break;
            all += messages;
            allEntries += entries;
            r.written += int(messages.size());
        }
        o.modem->OnRxChar = nullptr;
        if (stopped())
            return;
        int unreadable = 0;
        if (!save(QStringLiteral("sms/messages.smsbackup"), MessagesToSmsBackup(all, &unreadable)))
            return;
        if (unreadable)
            report(Sms, QStringLiteral("%1 messages cannot be decoded; they are in the .pdu files only").arg(unreadable));
        const SystemClock clock;
        if (!save(QStringLiteral("sms/messages.csv"), SmsCsv(DecodeSmsEntries(allEntries, clock))))
            return;
        counts.insert("sms", r.written);
    }

    // One folder of the OBEX tree, then its subfolders.
    void backupObexFolder(const QString &label, const QString &local)
    {
        if (stopped())
            return;
        PartResult &r = part(Obex);
        progress(Obex, label);
        FolderListing listing;
        const ObexFailure lf = obex(label == QLatin1String("\\") ? ExplorerOperation::RootListing
                                                                : ExplorerOperation::FolderListing,
                                    label, {}, {}, &listing);
        if (lf.failed()) {
            if (obexFatal(lf))
                return stop(obexFailureText(lf), Stop::Silent);
            report(Obex, QStringLiteral("%1: %2").arg(label, obexFailureText(lf)));
            ++r.refused;
            return;
        }
        const QString localDir = path(QStringLiteral("obex/") + local);
        QDir().mkpath(localDir);
        QStringList names;
        QSet<QString> taken;
        for (const ListingEntry &e : listing.entries) {
            const QString safe = ObexExchange::LocalFileName(e.name);
            if (safe.isEmpty() || taken.contains(safe.toLower())) {
                report(Obex, QStringLiteral("\"%1%2\" cannot be saved on this computer").arg(label, e.name));
                ++r.refused;
                continue;
            }
            taken.insert(safe.toLower());
            if (!e.folder)
                names.append(e.name);
        }
        while (!names.isEmpty() && !stopped()) {
            progress(Obex, label + names.first());
            const ObexFailure gf = obex(ExplorerOperation::CopyToPc, label, names, localDir);
            if (!gf.failed())
                break;
            if (obexFatal(gf))
                return stop(obexFailureText(gf), Stop::Silent);
            // One file refused: the rest are asked for again.
            const QStringList pending = names;
            report(Obex, QStringLiteral("%1%2: %3").arg(label, pending.first(), obexFailureText(gf)));
            ++r.refused;
            names = pending.mid(1);
        }
        for (const ListingEntry &e : listing.entries) {
            if (stopped())
                return;
            const QString safe = ObexExchange::LocalFileName(e.name);
            if (safe.isEmpty())
                continue;
            const QString rel = local.isEmpty() ? safe : local + u'/' + safe;
            if (e.folder) {
                folders.insert(QStringLiteral("obex/") + rel,
                               safe == e.name ? QJsonObject{} : QJsonObject{{"handsetName", e.name}});
                backupObexFolder(label + e.name + u'\\', rel);
            } else if (QFileInfo::exists(path(QStringLiteral("obex/") + rel))) {
                if (record(QStringLiteral("obex/") + rel, safe == e.name ? QString() : e.name))
                    ++r.written;
            }
        }
    }

    void backupDiagFolder(DiagFileSystem &fs, const QByteArray &handset, const QString &local)
    {
        if (stopped())
            return;
        PartResult &r = part(Diag);
        progress(Diag, QStringLiteral("/") + Cp1250::toUnicode(handset));
        const DiagWait listing = diag(fs, [&] { fs.openFolder(handset); }, true);
        if (listing.failed) {
            if (diagFatal(listing.failure))
                return stop(diagFailureText(listing.failure, listing.detail), Stop::Silent);
            report(Diag, QStringLiteral("/%1: %2").arg(Cp1250::toUnicode(handset), diagFailureText(listing.failure, listing.detail)));
            ++r.refused;
            return;
        }
        const QString localDir = path(QStringLiteral("diag/") + local);
        QDir().mkpath(localDir);
        auto child = [&](const QByteArray &name) { return handset.isEmpty() ? name : handset + '/' + name; };
        QSet<QString> taken;
        auto safeName = [&](const QByteArray &name) {
            const QString unicode = Cp1250::toUnicode(name);
            const QString safe = ObexExchange::LocalFileName(unicode);
            if (safe.isEmpty() || taken.contains(safe.toLower())) {
                report(Diag, QStringLiteral("\"/%1\" cannot be saved on this computer").arg(Cp1250::toUnicode(child(name))));
                ++r.refused;
                return QString();
            }
            taken.insert(safe.toLower());
            return safe;
        };
        QList<QPair<QByteArray, QString>> subfolders;
        for (const QByteArray &name : listing.folders) {
            const QString safe = safeName(name);
            if (!safe.isEmpty())
                subfolders.append({name, safe});
        }
        for (const auto &[name, size] : listing.files) {
            if (stopped())
                return;
            const QString safe = safeName(name);
            if (safe.isEmpty())
                continue;
            const QString rel = local.isEmpty() ? safe : local + u'/' + safe;
            progress(Diag, QStringLiteral("/") + Cp1250::toUnicode(child(name)));
            const DiagWait got = diag(fs, [&] {
                fs.setCurrentPath(handset);
                fs.startDownload(name, path(QStringLiteral("diag/") + rel));
            }, false);
            if (got.failed) {
                if (diagFatal(got.failure))
                    return stop(diagFailureText(got.failure, got.detail), Stop::Silent);
                report(Diag, QStringLiteral("/%1: %2").arg(Cp1250::toUnicode(child(name)), diagFailureText(got.failure, got.detail)));
                ++r.refused;
                continue;
            }
            const QString unicode = Cp1250::toUnicode(name);
            if (record(QStringLiteral("diag/") + rel, safe == unicode ? QString() : unicode))
                ++r.written;
        }
        for (const auto &[name, safe] : subfolders) {
            const QString rel = local.isEmpty() ? safe : local + u'/' + safe;
            const QString unicode = Cp1250::toUnicode(name);
            folders.insert(QStringLiteral("diag/") + rel, safe == unicode ? QJsonObject{} : QJsonObject{{"handsetName", unicode}});
            backupDiagFolder(fs, child(name), rel);
        }
    }

    void runBackup()
    {
        QString why;
        if (!FolderUsable(o.folder, &why))
            return stop(why, Stop::Folder);
        if (!QDir().mkpath(o.folder))
            return stop(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(o.folder)), Stop::File);
        PhoneInfo info;
        const bool needModem = o.parts & (Phonebook | Sms | Obex);
        if (needModem && !o.modem)
            return stop(QStringLiteral("no modem port"), Stop::Port);
        if (o.modem) {
            if (!presence())
                return;
            progress(Phonebook, QStringLiteral("AT+CGMI"));
            try {
                info = ReadPhoneInfo(*o.modem, false, ReadoutControl{{}, [this] { return owner.m_cancel; }});
            } catch (const EComPort &e) {
                stop(portText(e), Stop::Port);
            }
        }
        if ((o.parts & Phonebook) && !stopped())
            backupPhonebook();
        if ((o.parts & Sms) && !stopped())
            backupSms();
        if ((o.parts & Obex) && !stopped()) {
            part(Obex);
            backupObexFolder(QStringLiteral("\\"), QString());
            counts.insert("obex", part(Obex).written);
        }
        if ((o.parts & Diag) && !stopped()) {
            part(Diag);
            if (!o.diag) {
                stop(QStringLiteral("no diagnostic port"), Stop::Port);
            } else {
                DiagFileSystem fs(o.diag);
                backupDiagFolder(fs, QByteArray(), QString());
                counts.insert("diag", part(Diag).written);
            }
        }
        const bool incomplete = stopped();
        writeManifest(incomplete, info);
        result.cancelled = owner.m_cancel;
        if (owner.m_cancel)
            stop(QStringLiteral("cancelled"), Stop::Cancelled);
        result.ok = result.error.isEmpty() && std::all_of(result.parts.begin(), result.parts.end(),
                                                          [](const PartResult &p) { return p.refused == 0; });
    }

    // =========================================================== restore

    QJsonObject manifest;

    bool checkBackup()
    {
        const auto text = readFile(path(ManifestName));
        if (!text) {
            stop(QStringLiteral("%1 is not a backup (it has no manifest.json)").arg(QDir::toNativeSeparators(o.folder)), Stop::NotABackup);
            return false;
        }
        QJsonParseError pe;
        const QJsonDocument doc = QJsonDocument::fromJson(*text, &pe);
        if (!doc.isObject() || doc.object().value("format").toString() != QLatin1String("torvane-backup")) {
            stop(QStringLiteral("the backup is damaged: manifest.json cannot be read"), Stop::Damaged, QStringLiteral("manifest.json"));
            return false;
        }
        manifest = doc.object();
        if (manifest.value("incomplete").toBool() && !o.force) {
            stop(QStringLiteral("the backup is incomplete (it was interrupted); --force restores what it holds"), Stop::Incomplete);
            return false;
        }
        const QJsonObject f = manifest.value("files").toObject();
        for (auto it = f.begin(); it != f.end(); ++it) {
            const QString rel = it.key();
            const QJsonObject e = it.value().toObject();
            if (!safeRelativePath(rel) || rel == QLatin1String(ManifestName)) {
                stop(QStringLiteral("the backup is damaged: manifest.json names \"%1\"").arg(rel), Stop::Damaged, QStringLiteral("manifest.json"));
                return false;
            }
            const auto bytes = readFile(path(rel));
            if (!bytes) {
                stop(QStringLiteral("the backup is damaged: %1 is missing").arg(rel), Stop::Damaged, rel);
                return false;
            }
            if (bytes->size() != e.value("size").toInteger(-1)
                || QString::fromLatin1(Sha256Hex(*bytes)) != e.value("sha256").toString()) {
                stop(QStringLiteral("the backup is damaged: %1 does not match its hash").arg(rel), Stop::Damaged, rel);
                return false;
            }
        }
        // A handset name is one component: it is sent as a name and may
        // name a staging copy on this computer.
        for (const char *kind : {"files", "folders"}) {
            const QJsonObject entries = manifest.value(kind).toObject();
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                const QJsonValue name = it.value().toObject().value("handsetName");
                if (name.isUndefined())
                    continue;
                const QString n = name.toString();
                if (n.isEmpty() || n.contains(u'/') || n.contains(u'\\') || n == QLatin1String(".") || n == QLatin1String("..")
                    || std::any_of(n.begin(), n.end(), [](QChar c) { return c.unicode() < 32; })) {
                    stop(QStringLiteral("the backup is damaged: manifest.json gives %1 the handset name \"%2\"").arg(it.key(), n), Stop::Damaged, QStringLiteral("manifest.json"));
                    return false;
                }
            }
        }
        for (const QString &rel : manifest.value("folders").toObject().keys())
            if (!safeRelativePath(rel)) {
                stop(QStringLiteral("the backup is damaged: manifest.json names \"%1\"").arg(rel), Stop::Damaged, QStringLiteral("manifest.json"));
                return false;
            }
        return true;
    }

    // The handset's name of one component of the tree.
    QString handsetName(const QString &rel, bool folder) const
    {
        const QJsonObject where = manifest.value(folder ? "folders" : "files").toObject();
        const QString name = where.value(rel).toObject().value("handsetName").toString();
        return name.isEmpty() ? rel.section(u'/', -1) : name;
    }

    // Folders first, parents before children; then the files, each with the
    // handset path.
    QList<TreeItem> tree(const QString &top) const
    {
        QList<TreeItem> items;
        const QString prefix = top + u'/';
        auto handsetPathOf = [&](const QString &rel, bool folder) {
            const QStringList parts = rel.mid(prefix.size()).split(u'/');
            QStringList out;
            QString at = top;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                at += u'/' + parts[i];
                out.append(handsetName(at, folder || i + 1 < parts.size()));
            }
            return out.join(u'/');
        };
        QStringList folderKeys = manifest.value("folders").toObject().keys();
        std::sort(folderKeys.begin(), folderKeys.end());
        for (const QString &rel : folderKeys)
            if (rel.startsWith(prefix))
                items.append(TreeItem{rel.mid(prefix.size()), handsetPathOf(rel, true), true, 0});
        const QJsonObject f = manifest.value("files").toObject();
        for (auto it = f.begin(); it != f.end(); ++it)
            if (it.key().startsWith(prefix))
                items.append(TreeItem{it.key().mid(prefix.size()), handsetPathOf(it.key(), false), false,
                                      it.value().toObject().value("size").toInteger()});
        return items;
    }

    void restorePhonebook()
    {
        PartResult &r = part(Phonebook);
        for (int index = 0; index < MemoryCount && !stopped(); ++index) {
            const QString code = QString::fromLatin1(MemoryTable[index].code);
            const QString rel = QStringLiteral("phonebook/%1.vcf").arg(code);
            if (!manifest.value("files").toObject().contains(rel))
                continue;
            const QList<BackupContact> contacts = ParseVCardContacts(*readFile(path(rel)), code);
            if (contacts.isEmpty())
                continue;
            if (!writableMemory(index))
                continue;  // call lists and service numbers are the handset's own
            if (index == Pin2MemoryIndex && o.pin2.isEmpty()) {
                report(Phonebook, QStringLiteral("FD needs the PIN2 (--pin2): %1 entries left").arg(contacts.size()));
                r.refused += int(contacts.size());
                continue;
            }
            const auto current = readMemory(index, Phonebook);
            if (!current) {
                if (!stopped())
                    r.refused += int(contacts.size());
                continue;
            }
            std::map<int, PhonebookRow> held;
            for (const PhonebookRow &row : *current)
                if (!row.name.isEmpty() || !row.number.isEmpty())
                    held[row.caption.toInt()] = row;
            const int capacity = int(current->size());
            PhonebookReader writer(o.modem);
            ReplyAssembler replies;
            replies.keepEveryByte = true;  // names in the GSM alphabet
            replies.onReplyComplete = [&writer](const QByteArray &reply) { writer.replyComplete(reply); };
            replies.onReplyFailed = [&writer](const QByteArray &reply, const QByteArray &error) { writer.replyFailed(reply, error); };
            o.modem->OnRxChar = [&](int count) {
                try {
                    replies.feed(o.modem->ReceiveBytes(count));
                } catch (const EComPort &) {
                }
            };
            QString refusal;
            bool written = false;
            QObject::connect(&writer, &PhonebookReader::entryWritten, [&] {
                written = true;
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            QObject::connect(&writer, &PhonebookReader::nameRefused, [&](const QString &characters, const QByteArray &set) {
                refusal = QStringLiteral("the handset's character set %1 cannot hold %2")
                              .arg(QString::fromLatin1(set), characters);
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            QObject::connect(&writer, &PhonebookReader::entryRefused, [&](const QByteArray &d) {
                refusal = d.trimmed().isEmpty() ? QStringLiteral("no answer") : Cp1250::toUnicode(d.trimmed());
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            for (const BackupContact &c : contacts) {
                if (stopped())
                    break;
                const QString where = QStringLiteral("%1 %2 \"%3\"").arg(code).arg(c.location).arg(c.name);
                progress(Phonebook, where);
                const PhonebookRow want = RowOfContact(c);
                const auto it = held.find(c.location);
                if (it != held.end() && it->second.name == want.name && it->second.number == want.number
                    && it->second.group == want.group) {
                    ++r.skipped;
                    continue;
                }
                if (c.location > capacity) {
                    report(Phonebook, QStringLiteral("%1: beyond the memory's %2 locations").arg(where).arg(capacity));
                    ++r.refused;
                    continue;
                }
                if (it != held.end() && !o.force) {
                    report(Phonebook, QStringLiteral("%1: the location holds \"%2\" (--force replaces it)")
                                          .arg(where, it->second.name));
                    ++r.refused;
                    continue;
                }
                QString why;
                if (!CanWriteContact(c, &why)) {
                    report(Phonebook, QStringLiteral("%1: %2").arg(where, why));
                    ++r.refused;
                    continue;
                }
                if (o.dryRun) {
                    report(Phonebook, QStringLiteral("would write %1").arg(where));
                    ++r.written;
                    continue;
                }
                refusal.clear();
                written = false;
                if (!writer.writeEntry(QString::number(c.location), c.number, c.name, c.vip)) {
                    report(Phonebook, QStringLiteral("%1: cannot go into a write command").arg(where));
                    ++r.refused;
                    continue;
                }
                wait([&writer] { writer.cancel(); });
                if (written) {
                    ++r.written;
                } else if (!stopped()) {
                    if (refusal == "no answer")
                        return stop(QStringLiteral("the handset stopped answering while %1 was written").arg(where), Stop::Silent);
                    report(Phonebook, QStringLiteral("%1: the handset refused it (%2)").arg(where, refusal));
                    ++r.refused;
                }
            }
            o.modem->OnRxChar = nullptr;
        }
    }

    void restoreSms()
    {
        PartResult &r = part(Sms);
        for (const QString memory : {QStringLiteral("SM"), QStringLiteral("ME")}) {
            if (stopped())
                return;
            const QString rel = QStringLiteral("sms/%1.pdu").arg(memory);
            if (!manifest.value("files").toObject().contains(rel))
                continue;
            QString error;
            const auto messages = ParsePduFile(*readFile(path(rel)), memory, &error);
            if (!messages)
                return stop(QStringLiteral("%1: %2").arg(rel, error), Stop::Damaged, rel);
            if (messages->isEmpty())
                continue;
            // What the memory holds now, to skip what is already there.
            progress(Sms, memory);
            QList<SmsEntry> entries;
            {
                SmsListing listing(o.modem);
                o.modem->OnRxChar = [&](int count) {
                    try {
                        listing.feed(o.modem->ReceiveBytes(count));
                    } catch (const EComPort &) {
                    }
                };
                bool refused = false;
                QObject::connect(&listing, &SmsListing::listed, [&](const QList<SmsEntry> &e) {
                    entries = e;
                    if (owner.m_loop)
                        owner.m_loop->quit();
                });
                QObject::connect(&listing, &SmsListing::failed, [&](SmsListing::Command, const QByteArray &line) {
                    report(Sms, QStringLiteral("memory %1 cannot be listed (%2)").arg(memory, QString::fromLatin1(line)));
                    refused = true;
                    listing.reset();
                    if (owner.m_loop)
                        owner.m_loop->quit();
                });
                QObject::connect(&listing, &SmsListing::timedOut, [&] {
                    stop(QStringLiteral("the handset stopped answering while the messages of %1 were listed").arg(memory), Stop::Silent);
                    if (owner.m_loop)
                        owner.m_loop->quit();
                });
                try {
                    listing.selectMemory(memory.toLatin1());
                    listing.list(4);
                    wait([&listing] { listing.reset(); });
                } catch (const EComPort &e) {
                    stop(portText(e), Stop::Port);
                }
                o.modem->OnRxChar = nullptr;
                if (stopped())
                    return;
                if (refused) {
                    r.refused += int(messages->size());
                    continue;
                }
            }
            QMultiMap<QByteArray, int> held;
            for (const SmsEntry &e : entries)
                held.insert(e.pdu.trimmed().toUpper(), e.index);
            MessageWriter writer(o.modem);
            MessageWriter::Outcome outcome;
            QObject::connect(&writer, &MessageWriter::finished, [&](const MessageWriter::Outcome &out) {
                outcome = out;
                if (owner.m_loop)
                    owner.m_loop->quit();
            });
            auto run = [&](const std::function<void()> &start) {
                outcome = {};
                QTimer::singleShot(0, &writer, start);
                wait([&writer] { writer.cancel(); });
            };
            bool selected = o.dryRun;
            for (const BackupMessage &m : *messages) {
                if (stopped())
                    break;
                const QString where = QStringLiteral("%1 %2").arg(memory).arg(m.location);
                progress(Sms, where);
                const auto found = held.find(m.pdu.toUpper());
                if (found != held.end()) {
                    held.erase(found);
                    ++r.skipped;
                    continue;
                }
                if (o.dryRun) {
                    report(Sms, QStringLiteral("would store the message of %1 as status %2").arg(where).arg(m.status));
                    ++r.written;
                    continue;
                }
                if (!selected) {
                    // Written messages go to the write memory: both are set.
                    run([&] { writer.selectMemory(memory.toLatin1()); });
                    if (stopped())
                        break;
                    if (outcome.silent)
                        return stop(QStringLiteral("the handset stopped answering"), Stop::Silent);
                    if (!outcome.ok) {
                        report(Sms, QStringLiteral("the handset refused memory %1 for writing (%2)").arg(memory, outcome.error));
                        ++r.refused;
                        continue;
                    }
                    selected = true;
                }
                run([&] { writer.write(m.pdu, m.status); });
                if (stopped())
                    break;
                if (outcome.ok) {
                    ++r.written;
                } else if (outcome.silent) {
                    return stop(QStringLiteral("the handset stopped answering while the message of %1 was stored").arg(where), Stop::Silent);
                } else {
                    report(Sms, QStringLiteral("%1: the handset refused the message (%2)").arg(where, outcome.error));
                    ++r.refused;
                }
            }
        }
    }

    // Whether the handset file fetched by `fetch` into a temporary folder
    // has the bytes of the backup file.
    bool sameContent(const QString &backupFile, const std::function<QString(const QString &)> &fetch)
    {
        QTemporaryDir temp;
        const QString got = fetch(temp.path());
        if (got.isEmpty())
            return false;
        return readFile(got) == readFile(backupFile);
    }

    // The backup file as a PC file that carries the handset's name (the
    // exchange puts a file under its own name).
    QString stagedCopy(QTemporaryDir &staging, const QString &source, const QString &name, Part p)
    {
        if (QFileInfo(source).fileName() == name)
            return source;
        const QString target = QDir(staging.path()).filePath(name);
        if (!staging.isValid() || !QFile::copy(source, target)) {
            report(p, QStringLiteral("\"%1\" cannot be named so on this computer").arg(name));
            return {};
        }
        return target;
    }

    void restoreObex()
    {
        PartResult &r = part(Obex);
        const QList<TreeItem> items = tree(QStringLiteral("obex"));
        // Folder labels: the root and every folder of the backup.
        QStringList labels{QStringLiteral("\\")};
        for (const TreeItem &t : items)
            if (t.folder)
                labels.append(u'\\' + QString(t.handsetPath).replace(u'/', u'\\') + u'\\');
        for (const QString &label : labels) {
            if (stopped())
                return;
            progress(Obex, label);
            QList<const TreeItem *> here;
            for (const TreeItem &t : items)
                if (!t.folder) {
                    const QString folderPath = t.handsetPath.contains(u'/') ? t.handsetPath.section(u'/', 0, -2) : QString();
                    const QString l = folderPath.isEmpty() ? QStringLiteral("\\")
                                                           : u'\\' + QString(folderPath).replace(u'/', u'\\') + u'\\';
                    if (l == label)
                        here.append(&t);
                }
            FolderListing listing;
            bool missing = false;
            ObexFailure lf = obex(label == QLatin1String("\\") ? ExplorerOperation::RootListing
                                                              : ExplorerOperation::FolderListing,
                                  label, {}, {}, &listing);
            if (lf.kind == ObexFailure::NotFound) {
                missing = true;
                if (o.dryRun) {
                    report(Obex, QStringLiteral("would make the folder %1").arg(label));
                } else {
                    listing = {};
                    lf = obex(ExplorerOperation::MakeFolder, label, {}, {}, &listing);
                }
            }
            if (lf.failed() && !(missing && o.dryRun)) {
                if (obexFatal(lf))
                    return stop(obexFailureText(lf), Stop::Silent);
                report(Obex, QStringLiteral("%1: %2").arg(label, obexFailureText(lf)));
                r.refused += int(here.size());
                continue;
            }
            QHash<QString, qint64> held;
            for (const ListingEntry &e : listing.entries)
                if (!e.folder)
                    held.insert(e.name, e.size.value_or(-1));
            QStringList toPut;
            QTemporaryDir staging;
            for (const TreeItem *t : here) {
                if (stopped())
                    return;
                const QString name = t->handsetPath.section(u'/', -1);
                const QString source = path(QStringLiteral("obex/") + t->local);
                const QString where = label + name;
                if (held.contains(name)) {
                    const bool same = held.value(name) == t->size && sameContent(source, [&](const QString &into) {
                        const ObexFailure g = obex(ExplorerOperation::CopyToPc, label, {name}, into);
                        if (g.failed() && obexFatal(g))
                            stop(obexFailureText(g), Stop::Silent);
                        return g.failed() ? QString() : QDir(into).filePath(ObexExchange::LocalFileName(name));
                    });
                    if (stopped())
                        return;
                    if (same) {
                        ++r.skipped;
                        continue;
                    }
                    if (!o.force) {
                        report(Obex, QStringLiteral("%1: a different file is there (--force replaces it)").arg(where));
                        ++r.refused;
                        continue;
                    }
                }
                if (o.dryRun) {
                    report(Obex, QStringLiteral("would put %1").arg(where));
                    ++r.written;
                    continue;
                }
                const QString staged = stagedCopy(staging, source, name, Obex);
                if (staged.isEmpty()) {
                    ++r.refused;
                    continue;
                }
                toPut.append(staged);
            }
            while (!toPut.isEmpty() && !stopped()) {
                progress(Obex, label + QFileInfo(toPut.first()).fileName());
                const ObexFailure pf = obex(ExplorerOperation::CopyToHandset, label, toPut, {});
                if (!pf.failed()) {
                    r.written += int(toPut.size());
                    break;
                }
                if (obexFatal(pf))
                    return stop(obexFailureText(pf), Stop::Silent);
                report(Obex, QStringLiteral("%1%2: %3").arg(label, QFileInfo(toPut.first()).fileName(), obexFailureText(pf)));
                ++r.refused;
                toPut.removeFirst();
            }
        }
    }

    void restoreDiag(DiagFileSystem &fs)
    {
        PartResult &r = part(Diag);
        const QList<TreeItem> items = tree(QStringLiteral("diag"));
        QStringList folderPaths{QString()};
        for (const TreeItem &t : items)
            if (t.folder)
                folderPaths.append(t.handsetPath);
        for (const QString &folder : folderPaths) {
            if (stopped())
                return;
            if (!Cp1250::canEncode(folder)) {
                report(Diag, QStringLiteral("/%1 cannot be named on the handset").arg(folder));
                ++r.refused;
                continue;
            }
            const QByteArray handset = Cp1250::fromUnicode(folder);
            progress(Diag, u'/' + folder);
            QList<const TreeItem *> here;
            for (const TreeItem &t : items)
                if (!t.folder && (t.handsetPath.contains(u'/') ? t.handsetPath.section(u'/', 0, -2) : QString()) == folder)
                    here.append(&t);
            DiagWait listing = diag(fs, [&] { fs.openFolder(handset); }, true);
            if (listing.failed && listing.failure == DiagFileSystem::Failure::FolderNotListed) {
                if (o.dryRun) {
                    report(Diag, QStringLiteral("would make the folder /%1").arg(folder));
                    listing = {};
                } else {
                    const QByteArray parent = handset.contains('/') ? handset.left(handset.lastIndexOf('/')) : QByteArray();
                    const QByteArray name = handset.mid(handset.lastIndexOf('/') + 1);
                    listing = diag(fs, [&] {
                        fs.setCurrentPath(parent);
                        fs.makeFolder(name);
                    }, true);
                    if (!listing.failed)
                        listing = diag(fs, [&] { fs.openFolder(handset); }, true);
                }
            }
            if (listing.failed) {
                if (diagFatal(listing.failure))
                    return stop(diagFailureText(listing.failure, listing.detail), Stop::Silent);
                report(Diag, QStringLiteral("/%1: %2").arg(folder, diagFailureText(listing.failure, listing.detail)));
                r.refused += int(here.size());
                continue;
            }
            QHash<QByteArray, qint64> held;
            for (const auto &[name, size] : listing.files)
                held.insert(name, size);
            for (const TreeItem *t : here) {
                if (stopped())
                    return;
                const QString unicodeName = t->handsetPath.section(u'/', -1);
                const QString where = u'/' + t->handsetPath;
                if (!Cp1250::canEncode(unicodeName)) {
                    report(Diag, QStringLiteral("%1 cannot be named on the handset").arg(where));
                    ++r.refused;
                    continue;
                }
                const QByteArray name = Cp1250::fromUnicode(unicodeName);
                const QString source = path(QStringLiteral("diag/") + t->local);
                progress(Diag, where);
                if (held.contains(name)) {
                    const bool same = held.value(name) == t->size && sameContent(source, [&](const QString &into) {
                        const QString target = QDir(into).filePath(QStringLiteral("file"));
                        const DiagWait got = diag(fs, [&] {
                            fs.setCurrentPath(handset);
                            fs.startDownload(name, target);
                        }, false);
                        if (got.failed && diagFatal(got.failure))
                            stop(diagFailureText(got.failure, got.detail), Stop::Silent);
                        return got.failed ? QString() : target;
                    });
                    if (stopped())
                        return;
                    if (same) {
                        ++r.skipped;
                        continue;
                    }
                    if (!o.force) {
                        report(Diag, QStringLiteral("%1: a different file is there (--force replaces it)").arg(where));
                        ++r.refused;
                        continue;
                    }
                }
                if (o.dryRun) {
                    report(Diag, QStringLiteral("would write %1").arg(where));
                    ++r.written;
                    continue;
                }
                const auto data = readFile(source);
                const DiagWait put = diag(fs, [&] {
                    fs.setCurrentPath(handset);
                    fs.startUpload(*data, name);
                }, true);
                if (put.failed) {
                    if (diagFatal(put.failure))
                        return stop(diagFailureText(put.failure, put.detail), Stop::Silent);
                    report(Diag, QStringLiteral("%1: %2").arg(where, diagFailureText(put.failure, put.detail)));
                    ++r.refused;
                    continue;
                }
                ++r.written;
            }
        }
    }

    void runRestore()
    {
        if (!checkBackup())
            return;
        const QStringList saved = [&] {
            QStringList l;
            for (const QJsonValue &v : manifest.value("parts").toArray())
                l.append(v.toString());
            return l;
        }();
        const bool needModem = o.parts & (Phonebook | Sms | Obex);
        if (needModem && !o.modem)
            return stop(QStringLiteral("no modem port"), Stop::Port);
        if (o.modem && !presence())
            return;
        for (Part p : {Phonebook, Sms, Obex, Diag}) {
            if (!(o.parts & p) || stopped())
                continue;
            part(p);
            if (!saved.contains(PartName(p))) {
                report(p, QStringLiteral("the backup does not hold this part"));
                continue;
            }
            switch (p) {
            case Phonebook: restorePhonebook(); break;
            case Sms: restoreSms(); break;
            case Obex: restoreObex(); break;
            case Diag:
                if (!o.diag) {
                    stop(QStringLiteral("no diagnostic port"), Stop::Port);
                } else {
                    DiagFileSystem fs(o.diag);
                    restoreDiag(fs);
                }
                break;
            default: break;
            }
        }
        result.cancelled = owner.m_cancel;
        if (owner.m_cancel)
            stop(QStringLiteral("cancelled"), Stop::Cancelled);
        result.ok = result.error.isEmpty() && std::all_of(result.parts.begin(), result.parts.end(),
                                                          [](const PartResult &p) { return p.refused == 0; });
    }
};

// ---- the object ------------------------------------------------------------

HandsetBackup::HandsetBackup(QObject *parent) : QObject(parent) {}
HandsetBackup::~HandsetBackup() = default;

std::optional<int> HandsetBackup::ParseParts(const QString &list)
{
    int parts = 0;
    for (const QString &word : list.split(u',')) {
        const QString w = word.trimmed().toLower();
        Part p;
        if (w == QLatin1String("phonebook"))
            p = Phonebook;
        else if (w == QLatin1String("sms"))
            p = Sms;
        else if (w == QLatin1String("obex"))
            p = Obex;
        else if (w == QLatin1String("diag"))
            p = Diag;
        else
            return std::nullopt;
        parts |= p;
    }
    return parts ? std::optional<int>(parts) : std::nullopt;
}

QString HandsetBackup::PartName(Part part)
{
    switch (part) {
    case Phonebook: return QStringLiteral("phonebook");
    case Sms: return QStringLiteral("sms");
    case Obex: return QStringLiteral("obex");
    case Diag: return QStringLiteral("diag");
    default: return {};
    }
}

bool HandsetBackup::FolderUsable(const QString &folder, QString *why)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return true;
    if (!info.isDir()) {
        *why = QStringLiteral("%1 is a file, not a folder").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        *why = QStringLiteral("%1 is not empty (a backup goes into a new or empty folder)").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return true;
}

HandsetBackup::Result HandsetBackup::backup(const Options &options)
{
    m_cancel = false;
    Run run(*this, options);
    run.runBackup();
    return run.result;
}

HandsetBackup::Result HandsetBackup::restore(const Options &options)
{
    m_cancel = false;
    Run run(*this, options);
    run.runRestore();
    return run.result;
}

void HandsetBackup::cancel()
{
    m_cancel = true;
    if (m_cancelCurrent)
        m_cancelCurrent();
    if (m_loop)
        m_loop->quit();
}

QString HandsetBackup::SummaryLine(const PartResult &part, bool restore)
{
    if (!restore)
        return QStringLiteral("%1: %2 saved, %3 refused").arg(PartName(part.part)).arg(part.written).arg(part.refused);
    return QStringLiteral("%1: %2 written, %3 skipped, %4 refused")
        .arg(PartName(part.part))
        .arg(part.written)
        .arg(part.skipped)
        .arg(part.refused);
}
