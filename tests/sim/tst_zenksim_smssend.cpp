// The simulated handset's AT+CMGS as an AT client sees it: the prompt, the
// check of the PDU by the handset's own decoder, the kept PDUs, the failing
// and hanging network, and gammu, a standard SMS client from Debian, sending
// a short and a long message whose kept PDUs the program's codec reads back.

#include "clock.h"
#include "rawline.h"
#include "simprocess.h"
#include "text2pdu.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

// "abc" to 420000123456, validity AA: 17 octets after the service-centre field.
const QByteArray Abc = "0011000C912400002143650000AA0361F118";
constexpr char CtrlZ = 0x1A;
constexpr char Esc = 0x1B;

} // namespace

class TstZenksimSmsSend : public QObject
{
    Q_OBJECT

private slots:
    void pdu_data();
    void pdu();
    void inputAfterCtrlZ();
    void gammuSends_data();
    void gammuSends();
};

void TstZenksimSmsSend::pdu_data()
{
    QTest::addColumn<QByteArray>("setup");   // a command before, or empty
    QTest::addColumn<QByteArray>("length");  // the AT+CMGS argument
    QTest::addColumn<QByteArray>("input");   // after the prompt
    QTest::addColumn<QByteArray>("lines");   // the answer after the prompt
    QTest::addColumn<QByteArray>("sent");    // sms.sent.1 afterwards

    QTest::newRow("accepted") << QByteArray() << QByteArray("17") << Abc + CtrlZ
                              << QByteArray("+CMGS: 1|OK") << Abc;
    QTest::newRow("line ends between digits") << QByteArray() << QByteArray("17")
        << Abc.left(10) + "\r\n" + Abc.mid(10) + CtrlZ << QByteArray("+CMGS: 1|OK") << Abc;
    QTest::newRow("length one too many") << QByteArray() << QByteArray("18") << Abc + CtrlZ
                                         << QByteArray("+CMS ERROR: 304") << QByteArray();
    QTest::newRow("user data cut short") << QByteArray() << QByteArray("16") << Abc.chopped(2) + CtrlZ
                                         << QByteArray("+CMS ERROR: 304") << QByteArray();
    QTest::newRow("not hex") << QByteArray() << QByteArray("17") << Abc.left(34) + "XY" + CtrlZ
                             << QByteArray("+CMS ERROR: 304") << QByteArray();
    // First octet 04: an SMS-DELIVER is nothing to send.
    QTest::newRow("not a SUBMIT") << QByteArray() << QByteArray("17") << "0004" + Abc.mid(4) + CtrlZ
                                  << QByteArray("+CMS ERROR: 304") << QByteArray();
    QTest::newRow("ESC cancels") << QByteArray() << QByteArray("17") << Abc.left(10) + Esc
                                 << QByteArray("OK") << QByteArray();
    QTest::newRow("network refuses") << QByteArray("sms.fail 500") << QByteArray("17") << Abc + CtrlZ
                                     << QByteArray("+CMS ERROR: 500") << Abc;
}

void TstZenksimSmsSend::pdu()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, length);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, sent);

    SimProcess sim({QStringLiteral("--no-echo")});
    QVERIFY(sim.start());
    if (!setup.isEmpty())
        QCOMPARE(sim.control("set " + setup), QByteArray("OK\n"));
    RawLine modem(sim.modemPath());
    QVERIFY(modem.isOpen());
    QVERIFY(modem.write("AT+CMGS=" + length + "\r"));
    QCOMPARE(modem.readUntil("> "), QByteArray("\r\n> "));
    QVERIFY(modem.write(input));
    QCOMPARE(RawLine::lines(modem.readReply()), lines);
    QCOMPARE(sim.control("get sms.sent.1"), sent + "\n");
}

// What follows Ctrl-Z in the same write is the next command line; a hanging
// network gives no answer at all, but the handset takes commands again.
void TstZenksimSmsSend::inputAfterCtrlZ()
{
    SimProcess sim({QStringLiteral("--no-echo")});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.write("AT+CMGS=17\r"));
    QCOMPARE(modem.readUntil("> "), QByteArray("\r\n> "));
    QVERIFY(modem.write(Abc + CtrlZ + "AT+CMGS=17\r"));
    QCOMPARE(RawLine::lines(modem.readUntil("> ")), QByteArray("+CMGS: 1|OK|> "));
    QCOMPARE(sim.control("set sms.hang 1"), QByteArray("OK\n"));
    QVERIFY(modem.write(Abc + CtrlZ));
    QCOMPARE(modem.readFor(500), QByteArray());
    QCOMPARE(RawLine::lines(modem.command("AT")), QByteArray("OK"));
    QCOMPARE(sim.control("sent"), QByteArray("1 420000123456 \"abc\"\n2 420000123456 \"abc\"\n"));
    QCOMPARE(sim.control("sent clear"), QByteArray("OK\n"));
    QCOMPARE(sim.control("sent"), QByteArray());
}

void TstZenksimSmsSend::gammuSends_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("parts");

    QString long400;
    for (int i = 0; long400.size() < 400; ++i)
        long400 += QStringLiteral("Dlouha zprava cislo %1. ").arg(i);
    long400.truncate(400);
    QTest::newRow("short") << QStringLiteral("Ahoj, zitra v 10 u kina?") << QStringList{} << 1;
    QTest::newRow("400 characters") << long400 << QStringList{QStringLiteral("-len"), QStringLiteral("400")} << 3;
}

void TstZenksimSmsSend::gammuSends()
{
    QFETCH(QString, text);
    QFETCH(QStringList, extra);
    QFETCH(int, parts);

    const QString gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (gammu.isEmpty())
        QSKIP("gammu is not installed");
    SimProcess sim;
    QVERIFY(sim.start());
    const QString config = sim.dir() + QStringLiteral("/gammurc");
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[gammu]\ndevice = " + sim.modemPath().toLocal8Bit() + "\nconnection = at\n");
    file.close();

    QProcess process;
    process.start(gammu, QStringList{QStringLiteral("-c"), config, QStringLiteral("sendsms"), QStringLiteral("TEXT"),
                                     QStringLiteral("420603123456"), QStringLiteral("-text"), text}
                             + extra);
    QVERIFY(process.waitForFinished(90000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    const FixedClock clock(QDateTime(QDate(2024, 1, 1), QTime(12, 0)));
    QString joined;
    for (int n = 1; n <= parts; ++n) {
        const QByteArray pdu = sim.control("get sms.sent." + QByteArray::number(n)).trimmed();
        const DecodedPdu d = PduToText(pdu, clock);
        QVERIFY2(d.ok, pdu.constData());
        QCOMPARE(d.number, QByteArray("420603123456"));
        QCOMPARE(d.concatPart, parts == 1 ? 0 : n);
        QCOMPARE(d.concatTotal, parts == 1 ? 0 : parts);
        joined += d.text;
    }
    QVERIFY(!sim.control("get sms.sent." + QByteArray::number(parts + 1)).startsWith("0"));
    QCOMPARE(joined, text);
}

QTEST_GUILESS_MAIN(TstZenksimSmsSend)
#include "tst_zenksim_smssend.moc"
