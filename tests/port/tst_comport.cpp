#include "comport.h"
#include "pty.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The kernel's termios2 (with the speeds as numbers), declared here because
// its header clashes with <termios.h>; TCGETS2 refers to it by name.
struct termios2
{
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};

// A second descriptor on the line, opened before the port takes it
// exclusively, to look at the settings the port applied.
class LineObserver
{
public:
    explicit LineObserver(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~LineObserver()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isValid() const { return m_fd >= 0; }
    termios2 settings() const
    {
        termios2 t {};
        ::ioctl(m_fd, TCGETS2, &t);
        return t;
    }

private:
    int m_fd;
};

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

// Runs the check once all queued receive events have been handled.
void handlePendingEvents()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT

private slots:
    void openAndClose();
    void openFailure_data();
    void openFailure();
    void secondOpenOfSameDeviceFails();
    void closedPortRaises();
    void sendText_data();
    void sendText();
    void receiveText_data();
    void receiveText();
    void receiveBytesTakesOnlyWhatWaits();
    void handlerGetsWaitingCount();
    void handlerTakingDriverBytesKeepsLine();
    void syncReadAndHandler_data();
    void syncReadAndHandler();
    void handlerClosesPort();
    void handlerReplacesItself();
    void bytesArrivingWhileHandlerWaitsAreAnnounced();
    void settingsAppliedAtOnce_data();
    void settingsAppliedAtOnce();
    void changingPortReopens();
    void deviceHangUpClosesPort();
};

void TestComPort::openAndClose()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QSignalSpy spy(&port, &TComPort::openChanged);

    QVERIFY(!port.Connected());
    port.OpenPort();
    QVERIFY(port.Connected());
    port.OpenPort();  // already open: nothing happens
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), true);

    port.ClosePort();
    QVERIFY(!port.Connected());
    port.ClosePort();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(port.PendingCount(), 0);

    port.OpenPort();  // a port can be opened again after closing
    QVERIFY(port.Connected());
    port.SendText("AT\r");
    QCOMPARE(pty.read(), QByteArray("AT\r"));
}

void TestComPort::openFailure_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing device") << QStringLiteral("/dev/torvane-no-such-port")
                                    << QStringLiteral("Unable to open com port (win error code: 2)");
    QTest::newRow("Windows name on Linux") << QStringLiteral("COM1")
                                           << QStringLiteral("Unable to open com port (win error code: 2)");
    QTest::newRow("empty name") << QString() << QStringLiteral("Unable to open com port (win error code: 2)");
    QTest::newRow("not a serial device") << QStringLiteral("/dev/null")
                                         << QStringLiteral("Unable to open com port (win error code: 25)");
}

void TestComPort::openFailure()
{
    QFETCH(QString, device);
    QFETCH(QString, expected);

    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device);
    try {
        port.OpenPort();
        QFAIL("OpenPort succeeded");
    } catch (const EComPort &e) {
        QCOMPARE(e.text(), expected);
        QCOMPARE(QString::fromUtf8(e.what()), expected);
    }
    QVERIFY(!port.Connected());
}

void TestComPort::secondOpenOfSameDeviceFails()
{
    PtyPair pty;
    TComPort first(QStringLiteral("ComPort1"));
    TComPort second(QStringLiteral("ComPort2"));
    first.setPort(pty.slavePath());
    second.setPort(pty.slavePath());
    first.OpenPort();

    try {
        second.OpenPort();
        QFAIL("the second open succeeded");
    } catch (const EComPort &e) {
        QCOMPARE(e.text(), QStringLiteral("Unable to open com port (win error code: 16)"));
    }
    QVERIFY(!second.Connected());

    // The first port is not disturbed, and the device is free again once it closes.
    first.SendText("A");
    QCOMPARE(pty.read(), QByteArray("A"));
    first.ClosePort();
    second.OpenPort();
    QVERIFY(second.Connected());
}

void TestComPort::closedPortRaises()
{
    TComPort port(QStringLiteral("ComPort1"));
    QVERIFY_THROWS_EXCEPTION(EComPort, port.SendText("AT\r"));
    QVERIFY_THROWS_EXCEPTION(EComPort, port.ReceiveText(5));
    try {
        port.ReceiveText(5);
    } catch (const EComPort &e) {
        QVERIFY(e.text().startsWith(QLatin1String("ReadFile function failed (win error code: ")));
    }
    try {
        port.SendText("x");
    } catch (const EComPort &e) {
        QVERIFY(e.text().startsWith(QLatin1String("WriteFile function failed (win error code: ")));
    }
}

void TestComPort::sendText_data()
{
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("AT command") << QByteArray("AT+CGMI\r");
    QTest::newRow("NUL and bytes 128-255") << QByteArray("\x00\x80\xff\x00\x9a", 5);
    QTest::newRow("every byte value, XON and XOFF included") << allByteValues();
    QTest::newRow("long text") << QByteArray(3000, 'P');
}

void TestComPort::sendText()
{
    QFETCH(QByteArray, text);

    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    port.SendText(text);
    QCOMPARE(pty.readUntil(text), text);

    port.SendText(QByteArray());
    QCOMPARE(pty.read(100), QByteArray());
}

void TestComPort::receiveText_data()
{
    QTest::addColumn<QByteArray>("first");      // written before the read
    QTest::addColumn<int>("pauseMs");           // then, after this pause,
    QTest::addColumn<QByteArray>("second");     // this is written
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("minMs");             // bounds of the time the read takes
    QTest::addColumn<int>("maxMs");
    QTest::addColumn<int>("withinMs");          // ReceiveTextWithin(n, withinMs); -1: ReceiveText(n)

    QTest::newRow("returns at n characters")
        << QByteArray("HELLOWORLD") << 0 << QByteArray() << 5 << QByteArray("HELLO") << 0 << 500 << -1;
    QTest::newRow("fewer than n already waiting")
        << QByteArray("OK\r\n") << 0 << QByteArray() << 50 << QByteArray("OK\r\n") << 0 << 1000 << -1;
    QTest::newRow("peer pauses mid-stream")
        << QByteArray("AB") << 700 << QByteArray("CD") << 4 << QByteArray("AB") << 0 << 600 << -1;
    QTest::newRow("nothing comes: 10 ms per character plus 1 s")
        << QByteArray() << 0 << QByteArray() << 3 << QByteArray() << 1030 << 3000 << -1;
    QTest::newRow("first byte late, then the rest at once")
        << QByteArray() << 300 << QByteArray("+CSQ: 20,99\r\n") << 100 << QByteArray("+CSQ: 20,99\r\n")
        << 250 << 1900 << -1;
    QTest::newRow("every byte value")
        << allByteValues() << 0 << QByteArray() << 256 << allByteValues() << 0 << 2000 << -1;
    QTest::newRow("peer pauses a few milliseconds")
        << QByteArray("AB") << 40 << QByteArray("CD") << 4 << QByteArray("AB") << 0 << 600 << -1;
    // A piece of a longer read ends by the time left, not by its own bound (1.9 s).
    QTest::newRow("within a shorter total")
        << QByteArray() << 0 << QByteArray() << 90 << QByteArray() << 280 << 1500 << 300;
    QTest::newRow("bytes after the shorter total stay for the next read")
        << QByteArray() << 1200 << QByteArray("LATE") << 90 << QByteArray() << 0 << 1100 << 400;
}

void TestComPort::receiveText()
{
    QFETCH(QByteArray, first);
    QFETCH(int, pauseMs);
    QFETCH(QByteArray, second);
    QFETCH(int, n);
    QFETCH(QByteArray, expected);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    QFETCH(int, withinMs);

    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();

    QVERIFY(pty.write(first));
    // The device goes on on its own thread while the read blocks this one.
    std::thread device([&] {
        if (second.isEmpty())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        pty.write(second);
    });
    QElapsedTimer clock;
    clock.start();
    const QByteArray got = withinMs < 0 ? port.ReceiveText(n) : port.ReceiveTextWithin(n, withinMs);
    const qint64 took = clock.elapsed();
    device.join();

    QCOMPARE(got, expected);
    QVERIFY2(took >= minMs && took <= maxMs, qPrintable(QStringLiteral("took %1 ms").arg(took)));

    // What the read left is still there for the next one.
    const QByteArray rest = (first + second).mid(expected.size());
    if (!rest.isEmpty())
        QCOMPARE(port.ReceiveText(int(rest.size())), rest);
}

void TestComPort::receiveBytesTakesOnlyWhatWaits()
{
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();

    QCOMPARE(port.ReceiveBytes(10), QByteArray());
    QVERIFY(pty.write("12345"));
    QTRY_COMPARE(port.PendingCount(), 5);
    QCOMPARE(port.ReceiveBytes(3), QByteArray("123"));
    QCOMPARE(port.PendingCount(), 2);
    QCOMPARE(port.ReceiveBytes(10), QByteArray("45"));

    QVERIFY(pty.write("junk"));
    QTRY_COMPARE(port.PendingCount(), 4);
    port.PurgeInput();
    QCOMPARE(port.PendingCount(), 0);
}

void TestComPort::handlerGetsWaitingCount()
{
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QList<int> counts;
    QByteArray received;
    port.OnRxChar = [&](int count) {
        counts.append(count);
        QCOMPARE(port.PendingCount(), count);
        received += port.ReceiveText(count);
    };
    port.OpenPort();

    QVERIFY(pty.write("RING\r\n"));
    QTRY_COMPARE(received, QByteArray("RING\r\n"));
    QCOMPARE(counts, QList<int>{6});
    QVERIFY(pty.write("+CLIP: \"420601\",145\r\n"));
    QTRY_COMPARE(received, QByteArray("RING\r\n+CLIP: \"420601\",145\r\n"));
}

// A handler that takes every waiting byte, the driver's included, leaves
// the port's own read notification nothing to read: that is no lost line.
void TestComPort::handlerTakingDriverBytesKeepsLine()
{
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QByteArray received;
    port.OnRxChar = [&](int count) { received += port.ReceiveBytes(count); };
    port.OpenPort();
    QByteArray sent;
    for (int i = 0; i < 100 && port.Connected(); ++i) {
        const QByteArray piece(1, char('a' + i % 26));
        QVERIFY(pty.write(piece));
        sent += piece;
        QCoreApplication::processEvents();
    }
    QVERIFY(port.Connected());
    QTRY_COMPARE(received, sent);
    QVERIFY(port.Connected());
}

void TestComPort::syncReadAndHandler_data()
{
    QTest::addColumn<int>("readN");
    QTest::addColumn<bool>("closeBeforeEvents");
    QTest::addColumn<QByteArray>("announced");

    // The peer sends "+CMTI: 1\r\n" (10 bytes) and a synchronous read takes readN of them.
    QTest::newRow("read takes everything: no handler call") << 10 << false << QByteArray();
    QTest::newRow("bytes left by the read are announced") << 3 << false << QByteArray("TI: 1\r\n");
    QTest::newRow("closed before the event is handled: no call") << 3 << true << QByteArray();
}

void TestComPort::syncReadAndHandler()
{
    QFETCH(int, readN);
    QFETCH(bool, closeBeforeEvents);
    QFETCH(QByteArray, announced);

    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    int calls = 0;
    QByteArray received;
    port.OnRxChar = [&](int count) {
        ++calls;
        received += port.ReceiveBytes(count);
    };
    port.OpenPort();

    const QByteArray message = "+CMTI: 1\r\n";
    QVERIFY(pty.write(message));
    QCOMPARE(port.ReceiveText(readN), message.left(readN));
    QCOMPARE(calls, 0);  // never from inside the synchronous read
    if (closeBeforeEvents)
        port.ClosePort();

    if (announced.isEmpty()) {
        handlePendingEvents();
        QCOMPARE(calls, 0);
    } else {
        QTRY_COMPARE(received, announced);
        QCOMPARE(calls, 1);
    }
}

void TestComPort::handlerClosesPort()
{
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    int calls = 0;
    port.OnRxChar = [&](int) {
        ++calls;
        port.ClosePort();
    };
    port.OpenPort();

    QVERIFY(pty.write("OK\r\n"));
    QTRY_COMPARE(calls, 1);
    QVERIFY(!port.Connected());
    handlePendingEvents();
    QCOMPARE(calls, 1);
}

void TestComPort::handlerReplacesItself()
{
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QByteArray first;
    QByteArray second;
    port.OnRxChar = [&](int count) {
        first += port.ReceiveText(count);
        port.OnRxChar = [&](int n) { second += port.ReceiveText(n); };
    };
    port.OpenPort();

    QVERIFY(pty.write("AT^SQWE=0\r"));
    QTRY_COMPARE(first, QByteArray("AT^SQWE=0\r"));
    QVERIFY(pty.write("\r\nOK\r\n"));
    QTRY_COMPARE(second, QByteArray("\r\nOK\r\n"));
    QCOMPARE(first, QByteArray("AT^SQWE=0\r"));
}

void TestComPort::bytesArrivingWhileHandlerWaitsAreAnnounced()
{
    // A handler that lets the event loop run (as the program's tick wait
    // does) gets the bytes that arrive meanwhile, nested, as they come.
    PtyPair pty;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QList<QByteArray> texts;
    bool nestedSeen = false;
    port.OnRxChar = [&](int count) {
        texts.append(port.ReceiveBytes(count));
        if (texts.size() == 1) {
            pty.write("CONNECT");
            nestedSeen = QTest::qWaitFor([&] { return texts.size() >= 2; }, 3000);
        }
    };
    port.OpenPort();

    QVERIFY(pty.write("OK\r\n"));
    QTRY_COMPARE(texts.size(), 2);
    QVERIFY(nestedSeen);
    QCOMPARE(texts, (QList<QByteArray>{"OK\r\n", "CONNECT"}));
}

void TestComPort::settingsAppliedAtOnce_data()
{
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("customBaud");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<int>("expectedSpeed");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");

    QTest::newRow("fixed settings") << true << QString() << 0 << QString() << 9600 << true << false;
    QTest::newRow("115200 on an open port") << true << QStringLiteral("115200") << 0 << QString() << 115200 << true << false;
    QTest::newRow("custom rate on an open port") << true << QStringLiteral("Custom") << 14400 << QString() << 14400 << true << false;
    QTest::newRow("software flow control on an open port")
        << true << QString() << 0 << QStringLiteral("Software") << 9600 << false << true;
    QTest::newRow("no flow control on an open port") << true << QString() << 0 << QStringLiteral("None") << 9600 << false << false;
    QTest::newRow("held while closed, applied on open")
        << false << QStringLiteral("256000") << 0 << QStringLiteral("None") << 256000 << false << false;
}

void TestComPort::settingsAppliedAtOnce()
{
    QFETCH(bool, openFirst);
    QFETCH(QString, baud);
    QFETCH(int, customBaud);
    QFETCH(QString, flow);
    QFETCH(int, expectedSpeed);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);

    PtyPair pty;
    LineObserver line(pty.slavePath());
    QVERIFY(line.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    if (openFirst)
        port.OpenPort();
    if (customBaud)
        port.setCustomBaudRate(customBaud);
    if (!baud.isEmpty())
        port.setBaudRateText(baud);
    if (!flow.isEmpty())
        port.setFlowControlText(flow);
    if (!openFirst)
        port.OpenPort();

    const termios2 t = line.settings();
    QCOMPARE(int(t.c_ospeed), expectedSpeed);
    QCOMPARE(bool(t.c_cflag & CRTSCTS), rtsCts);
    QCOMPARE(bool(t.c_iflag & IXON), xonXoff);
    QCOMPARE(bool(t.c_iflag & IXOFF), xonXoff);
    QCOMPARE(int(t.c_cflag & CSIZE), int(CS8));
    QVERIFY(!(t.c_cflag & (PARENB | CSTOPB)));
}

void TestComPort::changingPortReopens()
{
    PtyPair a;
    PtyPair b;
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(a.slavePath());
    port.OpenPort();

    port.setPort(b.slavePath());
    QVERIFY(port.Connected());
    port.SendText("AT\r");
    QCOMPARE(b.read(), QByteArray("AT\r"));
    QCOMPARE(a.read(100), QByteArray());

    QVERIFY_THROWS_EXCEPTION(EComPort, port.setPort(QStringLiteral("/dev/torvane-no-such-port")));
    QVERIFY(!port.Connected());
    QCOMPARE(port.Port(), QStringLiteral("/dev/torvane-no-such-port"));
}

void TestComPort::deviceHangUpClosesPort()
{
    // A pseudo-terminal of its own, whose device side can go away.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(QString::fromLocal8Bit(::ptsname(master)));
    int calls = 0;
    port.OnRxChar = [&](int) { ++calls; };
    port.OpenPort();
    QSignalSpy spy(&port, &TComPort::openChanged);

    ::close(master);
    QTRY_VERIFY(!port.Connected());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(calls, 0);
    QVERIFY_THROWS_EXCEPTION(EComPort, port.ReceiveText(1));
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
