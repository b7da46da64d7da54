#pragma once

// One OBEX exchange of the explorer over the modem port, as a state machine
// driven by the port's received bytes and by timers (no blocking waits):
//
//   switch-over   "+++", 20 ms, "AT^SQWE=0\r" -> OK, "AT^SQWE=3\r" -> OK
//   connect       CONNECT to the handset's file-browsing service; the
//                 answer gives the Connection ID (sent in every request)
//                 and the handset's largest packet
//   walk          SETPATH into each component of the path label
//   operation     GET of the listing, deletes, PUT or GET of files; each
//                 GET answered with Continue is asked again until the end
//   listing       every operation but a plain listing ends with one
//   leave         DISCONNECT, then "+++" between two guard pauses until the
//                 handset's "OK": the port is in AT command mode again
//
// Every response has a bounded wait. A stall, a framing fault or a response
// other than Success, Continue (where it belongs) or Not found ends the
// exchange with an ObexFailure; the port is still returned to AT mode and
// restoreReceiveHandler puts the modem port's default handler back, after a
// failure as after success. The exchange installs its own receive handler on
// the port by assignment when it starts.

#include "folderlisting.h"
#include "obexpacket.h"

#include <QObject>
#include <QSaveFile>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class TComPort;

// What an exchange does after reaching the folder of the path label.
enum class ExplorerOperation {
    RootListing = 0,    // no SETPATH at all
    FolderListing = 1,
    Delete = 2,         // PendingItems: handset names, exactly as listed
    CopyToHandset = 3,  // PendingItems: PC file paths
    CopyToPc = 4,       // PendingItems: handset file names, into the local folder
    MakeFolder = 5,     // every missing folder of the path is created
};

struct ObexFailure
{
    enum Kind {
        None,
        NotFound,          // the handset's Not found (C4)
        Refused,           // another response code (code)
        ConnectRefused,    // CONNECT not answered with Success (code)
        SwitchRefused,     // AT^SQWE answered with an error
        NoAnswer,          // nothing (complete) within the bound
        BadResponse,       // a packet that cannot be read
        LocalFile,         // a PC file could not be read or written (detail: path)
        UnsafeName,        // a handset name that cannot be a PC file name (detail)
        NameTooLong,       // the name does not fit the handset's packets
        BadName,           // a name no request can carry (empty, or holding U+0000) (detail)
        PortError,         // the serial port failed (detail: its text)
        Cancelled,
    };
    Kind kind = None;
    quint8 code = 0;
    QString detail;
    // The step that failed: "switch", "connect", "setpath", "listing",
    // "delete", "put", "get".
    QString step;
    // The handset did not confirm the return to AT mode with "OK" (the
    // operation itself may have succeeded): the port may still speak OBEX.
    bool escapeUnconfirmed = false;

    bool failed() const { return kind != None; }
};

class ObexExchange : public QObject
{
    Q_OBJECT

public:
    explicit ObexExchange(TComPort *port, QObject *parent = nullptr);
    ~ObexExchange() override;

    // Called when an exchange ends, before finished(): puts the modem port's
    // default receive handler back.
    std::function<void()> restoreReceiveHandler;

    // Bounds, in milliseconds.
    void setResponseTimeout(int ms) { m_responseTimeout = ms; }
    int responseTimeout() const { return m_responseTimeout; }
    void setAtTimeout(int ms) { m_atTimeout = ms; }
    // Silence before and after "+++" (the handset's escape guard time).
    void setGuardTime(int ms) { m_guardTime = ms; }
    int guardTime() const { return m_guardTime; }

    bool busy() const { return m_state != State::Idle; }

    // Starts an exchange in the folder given by its names from the root, as
    // the handset lists them (a name may hold a backslash or brackets; each goes
    // into its SETPATH unchanged). items: see ExplorerOperation; localFolder:
    // the target folder of CopyToPc. False when one is running or the port
    // is closed (nothing is sent then).
    bool start(ExplorerOperation operation, const QStringList &folder, const QStringList &items = {},
               const QString &localFolder = {});
    // The same for a path label (\mmc\pictures\), whose names cannot hold a backslash.
    bool start(ExplorerOperation operation, const QString &label, const QStringList &items = {},
               const QString &localFolder = {});
    // Ends a running exchange as Cancelled (the port still goes back to AT mode).
    void cancel();

    ExplorerOperation operation() const { return m_operation; }
    // 1-based number of the next path component to enter.
    int PathDepth() const { return m_pathDepth; }
    // Items not yet done.
    const QStringList &PendingItems() const { return m_pending; }
    Obex::ConnectionId connectionId() const { return m_connectionId; }
    // The packet size in use: the smaller of ours and the handset's.
    int maxPacket() const { return m_maxPacket; }

    // A PC file name for a handset name, or empty when the name cannot be one
    // (a path separator, "." or ".."); characters Windows does not allow in
    // file names become "_".
    static QString LocalFileName(const QString &handsetName);

    // What one GET may bring before the handset is taken to be broken: a
    // folder listing at most MaxListingBytes; a file its Length header and
    // a little slack, or MaxFileBytes without one; and at most
    // 16 + limit / 128 packets, so that a handset answering Continue for
    // ever, with or without bytes, ends as a bad response.
    static constexpr qint64 MaxListingBytes = 4 * 1024 * 1024;
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;
    static qint64 FileByteLimit(qint64 length) { return length + length / 8 + 64 * 1024; }
    static qint64 RoundLimit(qint64 byteLimit) { return 16 + byteLimit / 128; }

signals:
    // The handset's listing of the folder reached.
    void listingReceived(const FolderListing &listing);
    // The items still to do changed (the first is being worked on); done of total finished.
    void pendingChanged(const QStringList &pending, int done, int total);
    // Steps of the current item (ProgressBar).
    void stepProgress(int value, int maximum);
    // Bytes of the current file copied so far (GET and PUT); total is the
    // file's size, or -1 when the handset did not give it.
    void transferProgress(qint64 done, qint64 total);
    // A file has been written to the PC (CopyToPc).
    void fileSaved(const QString &localPath);
    // The exchange is over and the port back in AT mode.
    void finished(const ObexFailure &failure);

private:
    enum class State {
        Idle,
        EscapeFirst,     // "+++" written, pausing
        SwitchZero,      // AT^SQWE=0 written
        SwitchThree,     // AT^SQWE=3 written
        Settle,          // OBEX mode reached, pausing before CONNECT
        Connecting,
        SettingPath,
        Listing,
        Deleting,
        Putting,
        Getting,
        Disconnecting,
        GuardBefore,
        GuardAfter,
    };

    void onReceived(int count);
    void onAtText(const QByteArray &bytes);
    void onObexBytes(const QByteArray &bytes);
    void onResponse(const QByteArray &packet);
    void onTimeout();
    void onPause();

    void send(const QByteArray &bytes);
    void sendRequest(State next, const QByteArray &request, const QString &step);
    void enterNextComponent();
    void beginOperation();
    void nextDelete();
    void nextPut();
    void nextGet();
    void startListing();
    void fail(ObexFailure::Kind kind, quint8 code = 0, const QString &detail = {});
    void refused(quint8 code);
    void leave();
    void finish();
    void afterEscape();
    void startSwitch();
    void emitPending();
    bool takeBody(const Obex::Response &response);

    TComPort *m_port;
    State m_state = State::Idle;
    QTimer m_timer;  // the bound of the current wait
    QTimer m_pause;  // the pauses of the switch-over and of leaving
    int m_responseTimeout = 10000;
    int m_atTimeout = 2000;
    int m_guardTime = 1000;

    ExplorerOperation m_operation = ExplorerOperation::RootListing;
    QStringList m_components;
    int m_pathDepth = 1;
    QStringList m_pending;
    int m_total = 0;
    QString m_localFolder;
    QString m_step;

    QByteArray m_atBuffer;
    bool m_obexMode = false;   // the handset may be in OBEX mode
    bool m_recovering = false; // escaping an OBEX mode left over, to switch again
    bool m_recovered = false;  // done once in this exchange
    bool m_connected = false;  // CONNECT succeeded and no DISCONNECT yet
    Obex::ResponseAssembler m_assembler;
    Obex::ConnectionId m_connectionId;
    int m_maxPacket = Obex::MinMaxPacket;
    QByteArray m_body;
    qint64 m_received = 0;    // body bytes of the current GET
    qint64 m_expected = -1;   // its Length header, if any
    qint64 m_byteLimit = 0;
    qint64 m_rounds = 0;      // responses to the current GET

    QList<QByteArray> m_putPackets;
    int m_putIndex = 0;
    QList<qint64> m_putDone;  // bytes sent once each PUT packet is taken
    std::unique_ptr<QSaveFile> m_saving;
    QString m_current;

    ObexFailure m_failure;
};
