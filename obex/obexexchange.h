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
    Delete = 2,         // PendingItems: handset row captions
    CopyToHandset = 3,  // PendingItems: PC file paths
    CopyToPc = 4,       // PendingItems: handset file names, into the local folder
    MakeFolder = 5,     // the label's last component is created
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
        PortError,         // the serial port failed (detail: its text)
        Cancelled,
    };
    Kind kind = None;
    quint8 code = 0;
    QString detail;
    // The step that failed: "switch", "connect", "setpath", "listing",
    // "delete", "put", "get".
    QString step;

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

    // Starts an exchange for the path label. items: see ExplorerOperation;
    // localFolder: the target folder of CopyToPc. False when one is running
    // or the port is closed (nothing is sent then).
    bool start(ExplorerOperation operation, const QString &path, const QStringList &items = {},
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

signals:
    // The handset's listing of the folder reached.
    void listingReceived(const FolderListing &listing);
    // The items still to do changed (the first is being worked on); done of total finished.
    void pendingChanged(const QStringList &pending, int done, int total);
    // Steps of the current item (ProgressBar).
    void stepProgress(int value, int maximum);
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

    TComPort *m_port;
    State m_state = State::Idle;
    QTimer m_timer;  // the bound of the current wait
    QTimer m_pause;  // the pauses of the switch-over and of leaving
    int m_responseTimeout = 10000;
    int m_atTimeout = 2000;
    int m_guardTime = 1000;

    ExplorerOperation m_operation = ExplorerOperation::RootListing;
    QString m_path;
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

    QList<QByteArray> m_putPackets;
    int m_putIndex = 0;
    std::unique_ptr<QSaveFile> m_saving;
    QString m_current;

    ObexFailure m_failure;
};
