#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

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
    int systemError() const { return m_systemError; }

private:
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
// synchronous read left behind are still announced afterwards.
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

    void OpenPort();
    void ClosePort();
    void SendText(const QByteArray &text);
    QByteArray ReceiveText(int n);
    int Read(char *buffer, int n);
    // Reads up to n bytes that are waiting, without waiting for more.
    QByteArray ReceiveBytes(int n);
    int PendingCount();
    // Discards whatever is waiting in the input (used before a new exchange).
    void PurgeInput();

    void LoadPortSettings(const IniFile &file);
    void StorePortSettings(IniFile &file) const;

    // The receive handler. Features replace it by assignment; the assignment
    // holds until the next one. Called with the number of bytes waiting.
    std::function<void(int)> OnRxChar;

    // Time bounds of the synchronous operations, in one place.
    static int readTotalTimeoutMs(int n) { return 10 * n + 1000; }
    static int writeTotalTimeoutMs(int n) { return 100 * n + 1000; }
    static constexpr int ReadIntervalTimeoutMs = 1;

signals:
    // Emitted after OpenPort and ClosePort have changed the state.
    void openChanged(bool open);

private:
    void applySettings();
    void deliverRxEvent();
    void scheduleRxEvent();

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
    bool m_inSyncRead = false;
    bool m_rxEventScheduled = false;
};

// The serial devices of this computer, sorted alphabetically without regard
// to case. On Linux these are the usual USB and on-board serial devices.
QStringList SystemPortNames();
