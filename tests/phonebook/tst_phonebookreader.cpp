// The read exchange step by step: each case hands the reader a sequence of
// replies ("OK" ones and error ones) as the line assembly would, and checks
// the commands it sent, the rows and how the read ended. The port is a
// pseudo-terminal whose far end records the commands.

#include "comport.h"
#include "phonebookreader.h"
#include "pty.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(PhonebookReader::Failure)

class TestPhonebookReader : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
};

// A reply: "OK|text" completes with text, "ERR|line" fails with that error line.
void TestPhonebookReader::steps_data()
{
    QTest::addColumn<int>("memory");
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("end");  // "finished" or the failure's name

    using L = QByteArrayList;
    const QByteArray select = "AT+CPBS=\"SM\"\r";
    const QByteArray count = "AT+CPBS?\r";
    QTest::newRow("two locations")
        << 0 << L{"OK|AT+CPBS=\"SM\"\r\r", "OK|AT+CPBS?\r\r+CPBS: \"SM\",1,2\r\r",
                  "OK|AT+CPBR=1\r\r+CPBR: 1,\"112\",129,\"SOS\"\r\r", "OK|AT+CPBR=2\r\r"}
        << select + count + "AT+CPBR=1\rAT+CPBR=2\r" << 2 << "finished";
    QTest::newRow("capacity 0 ends at once")
        << 0 << L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",0,0\r\r"} << select + count << 0 << "finished";
    QTest::newRow("selection refused") << 0 << L{"ERR|+CME ERROR: 4"} << select << 0 << "MemoryRefused";
    QTest::newRow("count refused") << 0 << L{"OK|", "ERR|ERROR"} << select + count << 0 << "MemoryRefused";
    QTest::newRow("count not numbers") << 0 << L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",x,y\r\r"} << select + count
                                       << 0 << "BadCount";
    QTest::newRow("negative capacity") << 0 << L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",0,-3\r\r"}
                                       << select + count << 0 << "BadCount";
    QTest::newRow("empty location as +CME ERROR: 22 goes on")
        << 0 << L{"OK|", "OK|\r+CPBS: \"SM\",0,2\r", "ERR|+CME ERROR: 22", "ERR|+CME ERROR: not found"}
        << select + count + "AT+CPBR=1\rAT+CPBR=2\r" << 2 << "finished";
    QTest::newRow("SIM failure while reading ends the read")
        << 0 << L{"OK|", "OK|\r+CPBS: \"SM\",0,3\r", "OK|AT+CPBR=1\r\r", "ERR|+CME ERROR: 10"}
        << select + count + "AT+CPBR=1\rAT+CPBR=2\r" << 1 << "MemoryRefused";
    const QByteArray fd = "AT+CPBS=\"FD\"\rAT+CPBS?\r";
    const QByteArray pin = "AT+CPIN=\"5678\"\r\n";
    QTest::newRow("FD: the PIN2's reply is taken before each read")
        << 6 << L{"OK|", "OK|\r+CPBS: \"FD\",1,2\r", "OK|AT+CPIN=\"5678\"\r\r",
                  "OK|AT+CPBR=1\r\r+CPBR: 1,\"112\",129,\"SOS\"\r\r", "ERR|+CME ERROR: 3", "OK|AT+CPBR=2\r\r"}
        << fd + pin + "AT+CPBR=1\r" + pin + "AT+CPBR=2\r" << 2 << "finished";
    QTest::newRow("FD: wrong PIN2 ends at once")
        << 6 << L{"OK|", "OK|\r+CPBS: \"FD\",1,2\r", "ERR|+CME ERROR: 16"} << fd + pin << 0 << "Pin2Refused";
    QTest::newRow("FD: PIN2 refused later as incorrect still ends")
        << 6 << L{"OK|", "OK|\r+CPBS: \"FD\",1,3\r", "OK|", "OK|AT+CPBR=1\r\r", "ERR|+CME ERROR: 16"}
        << fd + pin + "AT+CPBR=1\r" + pin << 1 << "Pin2Refused";
    QTest::newRow("no reply") << 0 << L{"OK|"} << select + count << 0 << "NoAnswer";
}

void TestPhonebookReader::steps()
{
    QFETCH(int, memory);
    QFETCH(QByteArrayList, replies);
    QFETCH(QByteArray, sent);
    QFETCH(int, rows);
    QFETCH(QString, end);

    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    PhonebookReader reader(&port);
    reader.setReplyTimeoutMs(300);
    QSignalSpy rowSpy(&reader, &PhonebookReader::rowRead);
    QSignalSpy finished(&reader, &PhonebookReader::finished);
    QSignalSpy failed(&reader, &PhonebookReader::failed);

    QVERIFY(reader.start(memory, "5678"));
    for (const QByteArray &r : replies) {
        const QByteArray text = r.mid(r.indexOf('|') + 1);
        if (r.startsWith("OK|"))
            reader.replyComplete(text);
        else
            reader.replyFailed({}, text);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!reader.busy(), 5000);
    QCOMPARE(pty.readUntil(sent), sent);
    QCOMPARE(rowSpy.size(), rows);
    if (end == QLatin1String("finished")) {
        QCOMPARE(finished.size(), 1);
        QVERIFY(failed.isEmpty());
    } else {
        QCOMPARE(failed.size(), 1);
        const auto failure = failed.first().first().value<PhonebookReader::Failure>();
        QCOMPARE(QString::fromLatin1(QMetaEnum::fromType<PhonebookReader::Failure>().valueToKey(int(failure))), end);
    }
    // Answers to other commands reach an idle reader and change nothing.
    reader.replyComplete("ATH\r\r");
    reader.replyFailed({}, "ERROR");
    QVERIFY(!reader.busy());
}

QTEST_GUILESS_MAIN(TestPhonebookReader)
#include "tst_phonebookreader.moc"
