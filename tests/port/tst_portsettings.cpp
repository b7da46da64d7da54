#include "comport.h"
#include "inifile.h"
#include "pty.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using RtsMode = TComPort::RtsMode;
Q_DECLARE_METATYPE(TComPort::RtsMode)

namespace {

// The state of a port as "Port|BaudRate|effective rate|StopBits|DataBits|Parity|FlowControl".
QString describe(const TComPort &port)
{
    return QStringList{port.Port(), port.BaudRateText(), QString::number(port.effectiveBaudRate()),
                       port.StopBitsText(), port.DataBitsText(), port.ParityText(),
                       port.FlowControlText()}
        .join(QLatin1Char('|'));
}

QByteArray fileContent(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPortSettings : public QObject
{
    Q_OBJECT

private slots:
    void loadSettings_data();
    void loadSettings();
    void storeSettings_data();
    void storeSettings();
    void storeFailure();
    void loadFailure();
    void flowControlDerived_data();
    void flowControlDerived();
    void flowControlSet_data();
    void flowControlSet();
    void portListOrder_data();
    void portListOrder();

private:
    QTemporaryDir m_dir;
};

void TestPortSettings::loadSettings_data()
{
    QTest::addColumn<QByteArray>("ini");   // null: no torvane.ini
    QTest::addColumn<bool>("preset");      // start from /dev/ttyUSB9, 57600 (custom 38400), 2, 7, Odd, Software
    QTest::addColumn<QString>("expected");

    const QString defaults = QStringLiteral("COM1|Custom|9600|1|8|None|Hardware");
    QTest::newRow("no torvane.ini") << QByteArray() << false << defaults;
    QTest::newRow("another port's section only")
        << QByteArray("[GPSPort]\r\nPort=COM7\r\nBaudRate=4800\r\n") << false << defaults;
    QTest::newRow("every key")
        << QByteArray("[ComPort1]\r\nPort=/dev/ttyUSB1\r\nBaudRate=115200\r\nStopBits=2\r\nDataBits=7\r\n"
                      "Parity=Odd\r\nFlowControl=None\r\n")
        << false << QStringLiteral("/dev/ttyUSB1|115200|115200|2|7|Odd|None");
    QTest::newRow("Custom with its rate")
        << QByteArray("[ComPort1]\r\nBaudRate=Custom\r\nCustomBaudRate=14400\r\n") << false
        << QStringLiteral("COM1|Custom|14400|1|8|None|Hardware");
    QTest::newRow("Custom without a rate gives 9600")
        << QByteArray("[ComPort1]\r\nBaudRate=Custom\r\n") << true
        << QStringLiteral("/dev/ttyUSB9|Custom|9600|2|7|Odd|Software");
    QTest::newRow("Custom with a bad rate gives 9600")
        << QByteArray("[ComPort1]\r\nBaudRate=Custom\r\nCustomBaudRate=fast\r\n") << true
        << QStringLiteral("/dev/ttyUSB9|Custom|9600|2|7|Odd|Software");
    QTest::newRow("unrecognised baud rate gives 9600")
        << QByteArray("[ComPort1]\r\nBaudRate=abc\r\n") << true
        << QStringLiteral("/dev/ttyUSB9|9600|9600|2|7|Odd|Software");
    QTest::newRow("texts and names without regard to case")
        << QByteArray("[comport1]\r\nbaudrate=CUSTOM\r\ncustombaudrate=19200\r\nparity=even\r\n"
                      "flowcontrol=software\r\nSTOPBITS=1.5\r\n")
        << false << QStringLiteral("COM1|Custom|19200|1.5|8|Even|Software");
    QTest::newRow("unrecognised texts")
        << QByteArray("[ComPort1]\r\nStopBits=3\r\nDataBits=9\r\nParity=xyz\r\nFlowControl=bogus\r\n")
        << true << QStringLiteral("/dev/ttyUSB9|57600|57600|1|8|None|Software");
    QTest::newRow("flow control Custom leaves the flags")
        << QByteArray("[ComPort1]\r\nFlowControl=Custom\r\n") << true
        << QStringLiteral("/dev/ttyUSB9|57600|57600|2|7|Odd|Software");
    QTest::newRow("missing keys keep the current values")
        << QByteArray("[ComPort1]\r\nPort=COM4\r\n") << true
        << QStringLiteral("COM4|57600|57600|2|7|Odd|Software");
    QTest::newRow("any port name is taken")
        << QByteArray("[ComPort1]\r\nPort=  /dev/serial/by-id/usb-Torvane Zenk-if01 \r\n") << false
        << QStringLiteral("/dev/serial/by-id/usb-Torvane Zenk-if01|Custom|9600|1|8|None|Hardware");
}

void TestPortSettings::loadSettings()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, preset);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath(QStringLiteral("torvane.ini"));
    QFile::remove(path);
    if (!ini.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    TComPort port(QStringLiteral("ComPort1"));
    if (preset) {
        port.setPort(QStringLiteral("/dev/ttyUSB9"));
        port.setCustomBaudRate(38400);
        port.setBaudRateText(QStringLiteral("57600"));
        port.setStopBitsText(QStringLiteral("2"));
        port.setDataBitsText(QStringLiteral("7"));
        port.setParityText(QStringLiteral("Odd"));
        port.setFlowControlText(QStringLiteral("Software"));
    }
    port.LoadPortSettings(IniFile(path));
    QCOMPARE(describe(port), expected);

    // What is stored is read back the same by a fresh port.
    IniFile copy(m_dir.filePath(QStringLiteral("copy.ini")));
    QFile::remove(copy.path());
    port.StorePortSettings(copy);
    TComPort again(QStringLiteral("ComPort1"));
    again.LoadPortSettings(copy);
    QCOMPARE(describe(again), expected);
}

void TestPortSettings::storeSettings_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<bool>("rtsEnabled");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("fixed settings, keys in order")
        << QString() << QString() << false
        << QByteArray("[GPSPort]\r\nPort=COM1\r\nBaudRate=Custom\r\nCustomBaudRate=9600\r\nStopBits=1\r\n"
                      "DataBits=8\r\nParity=None\r\nFlowControl=Hardware\r\n");
    QTest::newRow("table rate writes no CustomBaudRate")
        << QStringLiteral("115200") << QStringLiteral("EVEN") << false
        << QByteArray("[GPSPort]\r\nPort=COM1\r\nBaudRate=115200\r\nStopBits=1\r\nDataBits=8\r\n"
                      "Parity=Even\r\nFlowControl=Hardware\r\n");
    QTest::newRow("flags of no named setting")
        << QStringLiteral("4800") << QString() << true
        << QByteArray("[GPSPort]\r\nPort=COM1\r\nBaudRate=4800\r\nStopBits=1\r\nDataBits=8\r\n"
                      "Parity=None\r\nFlowControl=Custom\r\n");
}

void TestPortSettings::storeSettings()
{
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(bool, rtsEnabled);
    QFETCH(QByteArray, expected);

    IniFile ini(m_dir.filePath(QStringLiteral("store.ini")));
    QFile::remove(ini.path());
    TComPort port(QStringLiteral("GPSPort"));
    if (!baud.isEmpty())
        port.setBaudRateText(baud);
    if (!parity.isEmpty())
        port.setParityText(parity);
    if (rtsEnabled)
        port.setRtsMode(RtsMode::Enable);
    port.StorePortSettings(ini);
    QCOMPARE(fileContent(ini.path()), expected);

    // Storing again changes nothing.
    port.StorePortSettings(ini);
    QCOMPARE(fileContent(ini.path()), expected);
}

void TestPortSettings::storeFailure()
{
    IniFile ini(m_dir.filePath(QStringLiteral("no-such-folder/torvane.ini")));
    TComPort port(QStringLiteral("ComPort1"));
    try {
        port.StorePortSettings(ini);
        QFAIL("storing succeeded");
    } catch (const EComPort &e) {
        QCOMPARE(e.text(), QStringLiteral("Failed to store settings"));
    }
}

void TestPortSettings::loadFailure()
{
    // Loading a new device name into an open port reopens it; when that fails
    // the load fails as a whole and the port stays closed.
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    const QString path = m_dir.filePath(QStringLiteral("load.ini"));
    IniFile ini(path);
    QFile::remove(path);
    QVERIFY(ini.writeString("ComPort1", "Port", "/dev/torvane-no-such-port"));
    try {
        port.LoadPortSettings(ini);
        QFAIL("loading succeeded");
    } catch (const EComPort &e) {
        QCOMPARE(e.text(), QStringLiteral("Failed to load settings"));
    }
    QVERIFY(!port.Connected());
}

void TestPortSettings::flowControlDerived_data()
{
    QTest::addColumn<RtsMode>("rts");
    QTest::addColumn<bool>("cts");
    QTest::addColumn<bool>("xonIn");
    QTest::addColumn<bool>("xonOut");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hardware") << RtsMode::Handshake << true << false << false << QStringLiteral("Hardware");
    QTest::newRow("software") << RtsMode::Disable << false << true << true << QStringLiteral("Software");
    QTest::newRow("none") << RtsMode::Disable << false << false << false << QStringLiteral("None");
    QTest::newRow("handshake without CTS") << RtsMode::Handshake << false << false << false << QStringLiteral("Custom");
    QTest::newRow("hardware plus XON in") << RtsMode::Handshake << true << true << false << QStringLiteral("Custom");
    QTest::newRow("CTS with RTS enabled") << RtsMode::Enable << true << false << false << QStringLiteral("Custom");
    QTest::newRow("XON out only") << RtsMode::Disable << false << false << true << QStringLiteral("Custom");
    QTest::newRow("software with RTS toggling") << RtsMode::Toggle << false << true << true << QStringLiteral("Custom");
    QTest::newRow("RTS enabled, nothing else") << RtsMode::Enable << false << false << false << QStringLiteral("Custom");
}

void TestPortSettings::flowControlDerived()
{
    QFETCH(RtsMode, rts);
    QFETCH(bool, cts);
    QFETCH(bool, xonIn);
    QFETCH(bool, xonOut);
    QFETCH(QString, expected);

    TComPort port(QStringLiteral("ComPort1"));
    port.setRtsMode(rts);
    port.setCtsOutFlow(cts);
    port.setXonXoffIn(xonIn);
    port.setXonXoffOut(xonOut);
    QCOMPARE(port.FlowControlText(), expected);
}

void TestPortSettings::flowControlSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<RtsMode>("rts");
    QTest::addColumn<bool>("cts");
    QTest::addColumn<bool>("xonIn");
    QTest::addColumn<bool>("xonOut");

    // Each starts from RTS enabled, CTS on, XON in on, XON out off ("Custom").
    QTest::newRow("Hardware") << QStringLiteral("Hardware") << RtsMode::Handshake << true << false << false;
    QTest::newRow("Software") << QStringLiteral("software") << RtsMode::Disable << false << true << true;
    QTest::newRow("None") << QStringLiteral("None") << RtsMode::Disable << false << false << false;
    QTest::newRow("Custom changes nothing") << QStringLiteral("Custom") << RtsMode::Enable << true << true << false;
    QTest::newRow("unknown text changes nothing") << QStringLiteral("RTS") << RtsMode::Enable << true << true << false;
}

void TestPortSettings::flowControlSet()
{
    QFETCH(QString, text);
    QFETCH(RtsMode, rts);
    QFETCH(bool, cts);
    QFETCH(bool, xonIn);
    QFETCH(bool, xonOut);

    TComPort port(QStringLiteral("ComPort1"));
    port.setRtsMode(RtsMode::Enable);
    port.setCtsOutFlow(true);
    port.setXonXoffIn(true);
    port.setXonXoffOut(false);
    port.setFlowControlText(text);
    QCOMPARE(port.rtsMode(), rts);
    QCOMPARE(port.ctsOutFlow(), cts);
    QCOMPARE(port.xonXoffIn(), xonIn);
    QCOMPARE(port.xonXoffOut(), xonOut);
}

void TestPortSettings::portListOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("10 before 2") << QStringList{"COM2", "COM10", "COM1"} << QStringList{"COM1", "COM10", "COM2"};
    QTest::newRow("without regard to case")
        << QStringList{"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyusb0"}
        << QStringList{"/dev/ttyACM0", "/dev/ttyusb0", "/dev/ttyUSB1"};
    QTest::newRow("duplicates once") << QStringList{"COM3", "COM3"} << QStringList{"COM3"};
}

void TestPortSettings::portListOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QCOMPARE(SortedPortNames(names), expected);

    const QStringList system = SystemPortNames();
    QCOMPARE(SortedPortNames(system), system);
}

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_portsettings.moc"
