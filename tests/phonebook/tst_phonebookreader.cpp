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
    QTest::addColumn<int>("range");           // locations a command
    QTest::addColumn<QByteArrayList>("replies");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("rows");    // the names of the rows emitted, in order
    QTest::addColumn<QString>("end");         // "finished" or the failure's name
    QTest::addColumn<QString>("shortfall");   // "read/counted", empty when none is reported

    using L = QByteArrayList;
    using S = QStringList;
    const QByteArray cmee = "AT+CMEE?\r";
    const L numeric{"OK|\r+CMEE: 1\r"};
    const QByteArray select = "AT+CPBS=\"SM\"\r";
    const QByteArray count = "AT+CPBS?\r";
    // The set is asked for, chosen (UCS2) and later put back (GSM, written in UCS2).
    const QByteArray charset = "AT+CSCS?\rAT+CSCS=?\rAT+CSCS=\"UCS2\"\rAT+CPBR=?\r";
    const L sets{"OK|\r+CSCS: \"GSM\"\r", "OK|\r+CSCS: (\"GSM\",\"IRA\",\"UCS2\")\r", "OK|"};
    const QByteArray back = "AT+CSCS=\"00470053004D\"\r";
    const QByteArray sos = "\"0053004F0053\"";
    const QByteArray one = "+CPBR: 1,\"112\",129," + sos + "\r";

    QTest::newRow("two locations in one range, no echo")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",1,2\r"} + sets + L{"OK|\r+CPBR: (1-2),20,14\r", "OK|\r" + one, "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\r" + back << S{"SOS", ""} << "finished" << QString();
    QTest::newRow("echo in front of the entries")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",1,2\r"} + sets
               + L{"OK|AT+CPBR=?\r\r+CPBR: (1-2),20,14\r", "OK|AT+CPBR=1,2\r\r" + one, "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\r" + back << S{"SOS", ""} << "finished" << QString();
    QTest::newRow("handset already in UCS2; a bare set name in IRA")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",1,1\r", "OK|\r+CSCS: \"UCS2\"\r", "OK|\r+CSCS: (\"IRA\",\"UCS2\")\r",
                       "OK|\r+CPBR: (1-1),20,14\r", "OK|\r" + one}
        << cmee + select + count + "AT+CSCS?\rAT+CSCS=?\rAT+CPBR=?\rAT+CPBR=1\r" << S{"SOS"} << "finished"
        << QString();
    QTest::newRow("only GSM and IRA offered: GSM")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",1,1\r", "OK|\r+CSCS: \"IRA\"\r", "OK|\r+CSCS: (\"GSM\",\"IRA\")\r",
                       "OK|", "OK|\r+CPBR: (1-1),20,14\r", "OK|\r+CPBR: 1,\"112\",129,\"Jan\x11Novak" + QByteArray(1, '\0') + "\x1B\x65\"\r",
                       "OK|"}
        << cmee + select + count + "AT+CSCS?\rAT+CSCS=?\rAT+CSCS=\"GSM\"\rAT+CPBR=?\rAT+CPBR=1\rAT+CSCS=\"IRA\"\r"
        << S{QStringLiteral("Jan_Novak@€")} << "finished" << QString();
    QTest::newRow("error mode put back; ranges within the bounds")
        << 0 << 2
        << L{"OK|\r+CMEE: 0\r", "OK|", "OK|", "OK|\r+CPBS: \"SM\",0,5\r"} + sets
               + L{"OK|\r+CPBR: (2-4),20,14\r", "OK|", "OK|", "OK|", "OK|"}
        << cmee + "AT+CMEE=1\r" + select + count + charset + "AT+CPBR=2,3\rAT+CPBR=4\r" + back + "AT+CMEE=0\r"
        << S{"", "", ""} << "finished" << QString();
    QTest::newRow("capacity 0 ends at once")
        << 0 << 25 << numeric + L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",0,0\r\r"} << cmee + select + count << S{}
        << "finished" << QString();
    QTest::newRow("selection refused") << 0 << 25 << numeric + L{"ERR|+CME ERROR: 4"} << cmee + select << S{}
                                       << "MemoryRefused" << QString();
    QTest::newRow("count refused") << 0 << 25 << numeric + L{"OK|", "ERR|ERROR"} << cmee + select + count << S{}
                                   << "MemoryRefused" << QString();
    QTest::newRow("count not numbers") << 0 << 25 << numeric + L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",x,y\r\r"}
                                       << cmee + select + count << S{} << "BadCount" << QString();
    QTest::newRow("negative capacity") << 0 << 25 << numeric + L{"OK|", "OK|AT+CPBS?\r\r+CPBS: \"SM\",0,-3\r\r"}
                                       << cmee + select + count << S{} << "BadCount" << QString();
    QTest::newRow("a range not found is empty locations")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",0,2\r"} + sets + L{"OK|\r+CPBR: (1-2),20,14\r", "ERR|+CME ERROR: 22", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\r" + back << S{"", ""} << "finished" << QString();
    QTest::newRow("ranges refused: one location a command; not found and invalid index are empty")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",1,3\r"} + sets
               + L{"OK|\r+CPBR: (1-3),20,14\r", "ERR|+CME ERROR: 4", "OK|\r" + one, "ERR|+CME ERROR: 22",
                   "ERR|+CME ERROR: invalid index", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,3\rAT+CPBR=1\rAT+CPBR=2\rAT+CPBR=3\r" + back
        << S{"SOS", "", ""} << "finished" << QString();
    QTest::newRow("SIM failure while reading ends the read")
        << 0 << 1
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",0,3\r"} + sets
               + L{"OK|\r+CPBR: (1-3),20,14\r", "OK|", "ERR|+CME ERROR: 10", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1\rAT+CPBR=2\r" + back << S{""} << "MemoryRefused" << QString();
    QTest::newRow("plain ERROR with numeric errors on is a failed read")
        << 0 << 1
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",0,2\r"} + sets + L{"OK|\r+CPBR: (1-2),20,14\r", "ERR|ERROR", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1\r" + back << S{} << "MemoryRefused" << QString();
    QTest::newRow("plain ERROR where the handset has no numeric errors is empty")
        << 0 << 1
        << L{"ERR|ERROR", "ERR|ERROR", "OK|", "OK|\r+CPBS: \"SM\",0,1\r"} + sets
               + L{"OK|\r+CPBR: (1-1),20,14\r", "ERR|ERROR", "OK|"}
        << cmee + "AT+CMEE=1\r" + select + count + charset + "AT+CPBR=1\r" + back << S{""} << "finished" << QString();
    QTest::newRow("a stray OK: the late entries fill their rows, the next range keeps its own")
        << 0 << 2
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",3,4\r"} + sets
               + L{"OK|\r+CPBR: (1-4),20,14\r", "OK|", "OK|\r" + one + "+CPBR: 2,\"155\",129,\"0041\"\r",
                   "OK|\r+CPBR: 4,\"158\",129,\"0042\"\r", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\rAT+CPBR=3,4\r" + back << S{"", "", "SOS", "A", "", "B"}
        << "finished" << QString();
    QTest::newRow("an earlier answer repeated is not the pending one's")
        << 0 << 2
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",2,4\r"} + sets
               + L{"OK|\r+CPBR: (1-4),20,14\r", "OK|\r" + one, "OK|\r" + one, "OK|\r+CPBR: 4,\"158\",129,\"0042\"\r", "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\rAT+CPBR=3,4\r" + back << S{"SOS", "", "", "B"}
        << "finished" << QString();
    QTest::newRow("fewer used locations than counted")
        << 0 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"SM\",2,2\r"} + sets + L{"OK|\r+CPBR: (1-2),20,14\r", "OK|\r" + one, "OK|"}
        << cmee + select + count + charset + "AT+CPBR=1,2\r" + back << S{"SOS", ""} << "finished" << "1/2";
    const QByteArray fd = "AT+CPBS=\"FD\"\rAT+CPBS?\r";
    const QByteArray pin = "AT+CPIN=\"5678\"\r\n";
    QTest::newRow("FD: the PIN2's reply is taken before each read")
        << 6 << 1
        << numeric + L{"OK|", "OK|\r+CPBS: \"FD\",1,2\r"} + sets
               + L{"OK|\r+CPBR: (1-2),20,14\r", "OK|AT+CPIN=\"5678\"\r\r", "OK|AT+CPBR=1\r\r" + one,
                   "ERR|+CME ERROR: 3", "OK|AT+CPBR=2\r\r", "OK|"}
        << cmee + fd + charset + pin + "AT+CPBR=1\r" + pin + "AT+CPBR=2\r" + back << S{"SOS", ""} << "finished"
        << QString();
    QTest::newRow("FD: wrong PIN2 ends, asking for the PIN2's state")
        << 6 << 25
        << numeric + L{"OK|", "OK|\r+CPBS: \"FD\",1,2\r"} + sets
               + L{"OK|\r+CPBR: (1-2),20,14\r", "ERR|+CME ERROR: 16", "OK|\r+CPIN: SIM PIN2\r",
                   "OK|\r+CPINR: SIM PIN2,2,3\r", "OK|"}
        << cmee + fd + charset + pin + "AT+CPIN?\rAT+CPINR=\"SIM PIN2\"\r" + back << S{} << "Pin2Refused" << QString();
    QTest::newRow("FD: PIN2 refused later as incorrect still ends")
        << 6 << 1
        << numeric + L{"OK|", "OK|\r+CPBS: \"FD\",1,3\r"} + sets
               + L{"OK|\r+CPBR: (1-3),20,14\r", "OK|", "OK|\r" + one, "ERR|+CME ERROR: 16", "ERR|ERROR", "ERR|ERROR",
                   "OK|"}
        << cmee + fd + charset + pin + "AT+CPBR=1\r" + pin + "AT+CPIN?\rAT+CPINR=\"SIM PIN2\"\r" + back << S{"SOS"}
        << "Pin2Refused" << QString();
    QTest::newRow("no reply") << 0 << 25 << numeric + L{"OK|"} << cmee + select + count << S{} << "NoAnswer"
                              << QString();
}

void TestPhonebookReader::steps()
{
    QFETCH(int, memory);
    QFETCH(int, range);
    QFETCH(QByteArrayList, replies);
    QFETCH(QByteArray, sent);
    QFETCH(QStringList, rows);
    QFETCH(QString, end);
    QFETCH(QString, shortfall);

    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    PhonebookReader reader(&port);
    reader.setReplyTimeoutMs(300);
    reader.setRangeSize(range);
    QStringList names;
    connect(&reader, &PhonebookReader::rowRead, this, [&names](const PhonebookRow &row) { names << row.name; });
    QSignalSpy finished(&reader, &PhonebookReader::finished);
    QSignalSpy failed(&reader, &PhonebookReader::failed);
    QSignalSpy shortOf(&reader, &PhonebookReader::shortfall);

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
    QCOMPARE(names, rows);
    if (end == QLatin1String("finished")) {
        QCOMPARE(finished.size(), 1);
        QVERIFY(failed.isEmpty());
    } else {
        QCOMPARE(failed.size(), 1);
        const auto failure = failed.first().first().value<PhonebookReader::Failure>();
        QCOMPARE(QString::fromLatin1(QMetaEnum::fromType<PhonebookReader::Failure>().valueToKey(int(failure))), end);
    }
    QCOMPARE(shortOf.isEmpty() ? QString()
                               : QStringLiteral("%1/%2").arg(shortOf.first().at(0).toInt()).arg(shortOf.first().at(1).toInt()),
             shortfall);
    if (QTest::currentDataTag() == QLatin1String("FD: wrong PIN2 ends, asking for the PIN2's state")) {
        QCOMPARE(reader.pin2AttemptsLeft(), 2);
        QVERIFY(!reader.puk2Wanted());
    }
    // Answers to other commands reach an idle reader and change nothing.
    reader.replyComplete("ATH\r\r");
    reader.replyFailed({}, "ERROR");
    QVERIFY(!reader.busy());
}

QTEST_GUILESS_MAIN(TestPhonebookReader)
#include "tst_phonebookreader.moc"
