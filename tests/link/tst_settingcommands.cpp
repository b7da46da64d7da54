// The commands of the device settings and codes, built from plain values.

#include "settingcommands.h"

#include <QDateTime>
#include <QTest>

class TestSettingCommands : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

void TestSettingCommands::commands_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("command");

    using namespace SettingCommands;
    QTest::newRow("ring volume Nízká") << ringVolume(1) << QByteArray("AT+CRSL=2\r");
    QTest::newRow("ring volume, nothing picked") << ringVolume(-1) << QByteArray();
    QTest::newRow("speaker volume Nízká") << speakerVolume(1) << QByteArray("AT+CLVL=1\r");
    QTest::newRow("alert mode Pípnutí") << alertMode(2) << QByteArray("AT+CALM=2\r");
    QTest::newRow("keypad lock on") << option(0, true) << QByteArray("at+clck=\"CS\",1\r");
    QTest::newRow("vibration on") << option(1, true) << QByteArray("at+cvib=1\r");
    QTest::newRow("microphone item off") << option(2, false) << QByteArray("AT+CLIR=0\r");
    QTest::newRow("hands-free off") << option(3, false) << QByteArray("AT+CMUT=0\r");
    QTest::newRow("no such option") << option(4, true) << QByteArray();
    QTest::newRow("clock") << clock(QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7)))
                           << QByteArray("AT+CCLK=\"06/12/08,9:05:07\"\r");
    QTest::newRow("clock before 2000") << clock(QDateTime(QDate(1999, 1, 31), QTime(23, 59, 0)))
                                       << QByteArray("AT+CCLK=\"99/01/31,23:59:00\"\r");
    QTest::newRow("clock, invalid moment") << clock(QDateTime()) << QByteArray();
    QTest::newRow("power off") << powerOff() << QByteArray("AT^SMSO\r");
    QTest::newRow("PIN lock on") << lock(0, true, "1234") << QByteArray("at^slck=\"SC\",1,1234\r");
    QTest::newRow("phone lock off") << lock(1, false, "0000") << QByteArray("at^slck=\"PS\",0,0000\r");
    QTest::newRow("no such lock") << lock(2, true, "1234") << QByteArray();
    // A code is part of the command line: only 4 to 8 digits cross.
    QTest::newRow("lock code with a command behind it") << lock(0, true, "1234;+CFUN=0") << QByteArray();
    QTest::newRow("lock code of 3 digits") << lock(0, true, "123") << QByteArray();
    QTest::newRow("new code of 9 digits") << changeCode("SC", "1234", "123456789") << QByteArray();
    QTest::newRow("old code with a quote") << changeCode("P2", "12\"4", "8765") << QByteArray();
    QTest::newRow("PIN2 change") << changeCode("P2", "5678", "8765")
                                 << QByteArray("AT+CPWD=\"P2\",5678,8765\r");
    QTest::newRow("DTMF tones") << dtmfTones("0123456789") << QByteArray("AT+VTS=0123456789\r");
    QTest::newRow("DTMF duration") << dtmfDuration(1) << QByteArray("AT+VTD=1\r");
}

void TestSettingCommands::commands()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, command);
    QCOMPARE(built, command);
}

QTEST_GUILESS_MAIN(TestSettingCommands)
#include "tst_settingcommands.moc"
