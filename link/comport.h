#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <climits>
#include <functional>
#include <stdexcept>

class IniFile;
class QSerialPort;

// A failure of a serial port operation. text() is the fixed English message,
// followed by " (win error code: %d)" where the operating system gave a number.
class EComPort : public std::runtime_error
{
public:
    EComPort(const QString &message, int systemError = -1);
    QString text() const { return m_text; }
    // The fixed message alone, without the error number.
    QString message() const { return m_message; }
    // The operating system's error number (errno on Linux), or -1 for none.
    int systemError() const { return m_systemError; }
    // The device named by the port does not exist (rather than being in use
    // or not accessible).
    bool deviceMissing() const;

private:
    QString m_message;
    QString m_text;
    int m_systemError;
};

// One serial port of the handset's cable, on top of QSerialPort.
//
// Fixed line settings (8N1, 8192-byte buffers, RTS/CTS) and the read/write
// bounds below are the same for every port:
//   ReceiveText(n)  returns when n bytes have arrived, when more than 1 ms
//                   passes between two bytes after the first one, or after
//                   10*n + 1000 ms, whichever comes first.
//   SendText(t)     waits at most 100 ms per byte + 1000 ms for the write.
//
// Received-byte events: while the port is open, bytes that arrive are
// announced to OnRxChar on the window thread (from the event loop, never from
// inside a synchronous read) with the number of bytes waiting. A synchronous
// read that takes the bytes first leaves nothing to announce; bytes that a
// synchronous read left behind are still announced afterwards. Each arrival
// is announced once; the handler may read, write, close the port, replace
// OnRxChar or process events (a nested arrival is then announced nestedly,
// as the window's message loop would). An exception thrown by the handler
// leaves through the event loop (QCoreApplication::notify).
//
// A device that fails while open (unplugged, hung up) is closed by the port
// itself from the event loop, with openChanged(false).
//
// Failures raise EComPort. Settings that a pseudo-terminal cannot carry
// (parity, modem lines) are accepted on one without error; on a real device
// they raise "SetCommState function failed".
class TComPort : public QObject
{
    Q_OBJECT

public:
    // Texts of the baud table, in the order of the settings dialog.
    static const QStringList &BaudTexts();
    static const QStringList &StopBitTexts();
    static const QStringList &DataBitTexts();
    static const QStringList &ParityTexts();
    static const QStringList &FlowControlTexts();

    explicit TComPort(const QString &name, QObject *parent = nullptr);
    ~TComPort() override;

    // Name of the port object; also its section in torvane.ini.
    QString name() const { return objectName(); }

    // Device name ("COM1", "/dev/ttyUSB0", ...). Changing it on an open port
    // closes the port and opens it again on the new device.
    QString Port() const { return m_port; }
    void setPort(const QString &port);

    // The setters below take the texts of the tables above, compared without
    // regard to case and stored in the table's spelling; any other text is
    // ignored (setFlowControlText: treated as "Custom", flags unchanged). On
    // an open port a change is applied at once and a failure to apply it
    // raises EComPort "SetCommState function failed".

    // Baud rate as its text in the baud table ("Custom", "110", ... "256000").
    QString BaudRateText() const { return m_baudText; }
    void setBaudRateText(const QString &text);
    int CustomBaudRate() const { return m_customBaud; }
    void setCustomBaudRate(int baud);
    // The rate in force: the table value, or CustomBaudRate for "Custom".
    int effectiveBaudRate() const;

    QString StopBitsText() const { return m_stopBits; }
    void setStopBitsText(const QString &text);
    QString DataBitsText() const { return m_dataBits; }
    void setDataBitsText(const QString &text);
    QString ParityText() const { return m_parity; }
    void setParityText(const QString &text);

    // Flow-control flags and the combined setting derived from them.
    enum class RtsMode { Disable, Enable, Handshake, Toggle };
    RtsMode rtsMode() const { return m_rts; }
    void setRtsMode(RtsMode m);
    bool ctsOutFlow() const { return m_ctsFlow; }
    void setCtsOutFlow(bool on);
    bool xonXoffIn() const { return m_xonIn; }
    void setXonXoffIn(bool on);
    bool xonXoffOut() const { return m_xonOut; }
    void setXonXoffOut(bool on);
    QString FlowControlText() const;  // "Hardware", "Software", "None" or "Custom"
    void setFlowControlText(const QString &text);

    bool Connected() const;

    // Does nothing when open. Opens Port exclusively and applies every
    // setting; "Unable to open com port (win error code: N)" when the device
    // is missing (N = 2) or in use / not accessible.
    void OpenPort();
    // Does nothing when closed. Discards pending input and output, closes.
    void ClosePort();
    // Writes every byte (NUL and 128-255 included); returns when written or
    // after writeTotalTimeoutMs (unsent bytes are then dropped, no error).
    // "WriteFile function failed" on a closed port or a write error.
    void SendText(const QByteArray &text);
    // See the bounds above; returns what arrived, possibly nothing.
    // "ReadFile function failed" on a closed port or a read error.
    QByteArray ReceiveText(int n);
    // ReceiveText(n) that also returns by totalMs at the latest (its own
    // bound, 10*n + 1000 ms, still applies when it is shorter). Callers that
    // read one reply in several pieces within one bound use this, so the
    // bound arithmetic stays here.
    QByteArray ReceiveTextWithin(int n, qint64 totalMs);
    int Read(char *buffer, int n);
    // Reads up to n bytes that are waiting, without waiting for more.
    QByteArray ReceiveBytes(int n);
    // Received bytes waiting to be read (0 when closed).
    int PendingCount();
    // Discards whatever is waiting in the input (used before a new exchange).
    void PurgeInput();

    // The port's section (its name) of torvane.ini, keys Port, BaudRate,
    // CustomBaudRate (only with "Custom"), StopBits, DataBits, Parity and
    // FlowControl. Missing keys keep the current value, unrecognised values
    // give the documented fallback ("9600", 9600, "1", "8", "None", flow
    // control unchanged). Raise "Failed to load settings" / "Failed to store
    // settings".
    void LoadPortSettings(const IniFile &file);
    void StorePortSettings(IniFile &file) const;

    // The receive handler. Features replace it by assignment; the assignment
    // holds until the next one. Called with the number of bytes waiting.
    std::function<void(int)> OnRxChar;

    // Called while a synchronous read waits for its first byte, about every
    // WaitSliceMs, so that a window can go on painting and answering
    // (it processes its events here). Unset, a read simply blocks. The port's
    // own received-byte events are held back while a read runs (see
    // HoldRxEvents), so nothing that the hook runs takes the read's bytes.
    // The hook is not called again from a read that the hook itself started.
    // A port that the hook closed ends the read with "ReadFile function failed".
    std::function<void()> OnWait;
    static constexpr int WaitSliceMs = 15;

    // With this on, a synchronous read that waits for its first byte runs a
    // nested event loop instead (OnWait is then not called): the port's data,
    // its closing or the read's deadline end it, so the window handles each
    // event as it comes (painting, "Zrušit", a screen reader's questions)
    // rather than in slices. The read's bounds stay as they are, and the
    // port's own received-byte events stay held back (HoldRxEvents). Not
    // nested: a read started from inside that loop blocks.
    void setWaitInEventLoop(bool on) { m_waitInEventLoop = on; }
    bool waitsInEventLoop() const { return m_waitInEventLoop; }

    // While one of these lives, OnRxChar is not called; an arrival announced
    // meanwhile is announced once the last one has gone. Every synchronous
    // read holds the events for itself; a caller that reads one exchange in
    // several reads (or a whole sequence of exchanges) holds them around all.
    class HoldRxEvents
    {
    public:
        explicit HoldRxEvents(TComPort &port);
        ~HoldRxEvents();
        HoldRxEvents(const HoldRxEvents &) = delete;
        HoldRxEvents &operator=(const HoldRxEvents &) = delete;

    private:
        TComPort &m_port;
    };

    // Time bounds of the synchronous operations, in one place.
    static int readTotalTimeoutMs(int n) { return 10 * n + 1000; }
    // The most bytes one ReceiveText may be asked for so that its bound
    // ends within ms (0 when even ReceiveText(1) would take longer).
    static int readCountWithin(qint64 ms)
    {
        const qint64 n = (ms - readTotalTimeoutMs(0)) / 10;
        return n < 1 ? 0 : int(qMin<qint64>(n, INT_MAX / 20));
    }
    static int writeTotalTimeoutMs(int n) { return 100 * n + 1000; }
    static constexpr int ReadIntervalTimeoutMs = 1;

signals:
    // Emitted after OpenPort and ClosePort have changed the state.
    void openChanged(bool open);

private:
    // Takes a data-bit, stop-bit or parity text of its table (any case) and applies it.
    void setLineFormatText(QString &member, const QStringList &table, const QString &text);
    // Sets one flow-control flag and applies the flow control on an open port.
    void setFlowFlag(bool &flag, bool on);
    void applySettings();
    void applyBaudRate();
    void applyLineFormat();
    void applyFlowControl();
    void checkSetting(bool ok);
    void deliverRxEvent();
    void scheduleRxEvent();
    bool lineStillUp() const;
    void scheduleLineLost();
    bool isPseudoTerminal() const;
    void pullWaiting();
    void releaseRxEvents();

    QSerialPort *m_serial;
    QString m_port = QStringLiteral("COM1");
    QString m_baudText = QStringLiteral("Custom");
    int m_customBaud = 9600;
    QString m_stopBits = QStringLiteral("1");
    QString m_dataBits = QStringLiteral("8");
    QString m_parity = QStringLiteral("None");
    RtsMode m_rts = RtsMode::Handshake;
    bool m_ctsFlow = true;
    bool m_xonIn = false;
    bool m_xonOut = false;
    bool m_rxEventScheduled = false;
    bool m_lineLostScheduled = false;
    int m_openGeneration = 0;
    int m_rxHoldDepth = 0;
    bool m_rxEventHeld = false;
    bool m_inWaitHook = false;
    bool m_waitInEventLoop = false;
    // Runs the nested event loop of a read for at most ms; false when the
    // port was closed meanwhile.
    bool waitInEventLoop(qint64 ms);
};

// The serial devices of this computer, sorted alphabetically without regard
// to case. On Linux these are the usual USB and on-board serial devices by
// their path ("/dev/ttyUSB0"); on Windows the port names ("COM3").
QStringList SystemPortNames();
// The order of the port list: alphabetical without regard to case (so
// "COM10" comes before "COM2"), duplicates removed.
QStringList SortedPortNames(QStringList names);
