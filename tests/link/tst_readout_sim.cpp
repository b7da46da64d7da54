// The presence check and the whole information readout against the simulated
// handset, also when it delivers its replies in small pieces with pauses (as
// USB serial links do) and when it names another maker.

#include "attransport.h"
#include "comport.h"
#include "phoneinfo.h"
#include "simprocess.h"

#include <QTest>

class TestReadoutSim : public QObject
{
    Q_OBJECT

private slots:
    void readout_data();
    void readout();
    void realHandset();
};

void TestReadoutSim::readout_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QByteArray>("maker");

    QTest::newRow("replies in one piece") << QStringList{} << QByteArray("TORVANE");
    QTest::newRow("7-byte pieces 5 ms apart")
        << QStringList{"--split", "7", "--gap", "5"} << QByteArray("TORVANE");
    QTest::newRow("echo and answer 30 ms apart")
        << QStringList{"--split", "16", "--gap", "30"} << QByteArray("TORVANE");
    QTest::newRow("another maker") << QStringList{"--maker", "NOKIA"} << QByteArray("NOKIA");
}

void TestReadoutSim::readout()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QByteArray, maker);

    SimProcess sim(simArgs);
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();

    QVERIFY(CheckPresence(port));
    const PhoneInfo info = ReadPhoneInfo(port, false);

    // The handset's stored state, row by row of the page.
    QVERIFY(info.complete);
    QCOMPARE(info.Vyrobce, maker);
    QCOMPARE(info.model, QByteArray("Zenk"));
    QCOMPARE(info.VerzeGSM, QByteArray("ZK_V1.04.12 2006-11-20"));
    QCOMPARE(info.IMEI, QByteArray("356938035643809"));
    QCOMPARE(info.Baterie, QByteArray("80 %"));
    QCOMPARE(info.Signal, QByteArray("-71 dBm   68%"));  // rssi 21
    QCOMPARE(info.Operator, QByteArray("T-Mobile CZ"));
    QCOMPARE(info.IMSI, QByteArray("230012345678901"));
    QCOMPARE(info.cisloSIM, QByteArray("8942001234567890123"));
    QCOMPARE(info.strediskoSMS, QByteArray("420603052000"));
    QVERIFY(info.clock.startsWith("+CCLK: \""));
    QCOMPARE(info.Poplatky, QByteArray("2.50 CZK"));
    QCOMPARE(info.ringIndex, std::optional<int>(2));     // ring level 3
    QCOMPARE(info.speakerIndex, std::optional<int>(2));  // speaker level 2
    QCOMPARE(info.alertIndex, std::optional<int>(0));
    QCOMPARE(info.vibration, std::optional<bool>(true));
    QCOMPARE(info.microphoneMute, std::optional<bool>(false));
    QCOMPARE(info.handsFree, std::optional<bool>(false));

    // The port is left in step: a further query gets its own answer.
    port.SendText("AT+CGMM\r");
    QCOMPARE(ReadReply(port), QByteArray("Zenk"));
}

// Opt-in: with TORVANE_TEST_PORT naming a real handset's modem port
// ("/dev/ttyACM0", "COM3"), the same readout runs against it and prints what
// it read. The line settings are the program's fixed ones (the baud rate of
// a USB modem port does not matter).
void TestReadoutSim::realHandset()
{
    const QString device = qEnvironmentVariable("TORVANE_TEST_PORT");
    if (device.isEmpty())
        QSKIP("set TORVANE_TEST_PORT to a handset's modem port to run this");

    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(device);
    port.setBaudRateText(QStringLiteral("115200"));
    port.OpenPort();
    QVERIFY2(CheckPresence(port), qPrintable(device + QStringLiteral(": no answer to ATE1")));
    const PhoneInfo info = ReadPhoneInfo(port, false, ReadoutControl{});
    port.ClosePort();

    const auto show = [](const char *row, const QByteArray &value) {
        qInfo("%-14s %s", row, value.constData());
    };
    show("maker", info.Vyrobce);
    show("model", info.model);
    show("firmware", info.VerzeGSM);
    show("IMEI", info.IMEI);
    show("battery", info.Baterie);
    show("signal", info.Signal);
    show("operator", info.Operator);
    show("IMSI", info.IMSI);
    show("SIM number", info.cisloSIM);
    show("SMS centre", info.strediskoSMS);
    show("clock", info.clock);
    show("call charges", info.Poplatky);
    QCOMPARE(int(info.end), int(ReadoutEnd::Complete));
    QVERIFY(!info.Vyrobce.isEmpty());
}

QTEST_GUILESS_MAIN(TestReadoutSim)
#include "tst_readout_sim.moc"
