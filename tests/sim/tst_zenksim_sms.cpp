// The simulated handset's message store as an AT client sees it: memories,
// listing, reading, deleting and writing in PDU mode, the state keys that
// hold the messages, and a standard SMS client from Debian reading and
// deleting the demo store.

#include "rawline.h"
#include "simprocess.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

namespace {

// Short PDUs of the demo store: a received read message, a received unread
// one and a stored sent one.
const QByteArray Read = "0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F";
const QByteArray Unread = "0791246030500200440C91246040551511000062210180037440250500032A0202ECA0757D8CCEBBD3207519449697ED6F903B0C22DBC320B23BEF02";
const QByteArray Sent = "0011000C912460302143650000AA1C50795A4DAE83DE20789D0D42BFC969771E047FEBC96575DA05";

// SIM with three locations (1 read, 3 unread), phone with two (1 sent).
QByteArray fixtureState()
{
    return "sms.preset = empty\nsms.SM.size = 3\nsms.ME.size = 2\n"
           "sms.SM.1 = 1," + Read + "\nsms.SM.3 = 0," + Unread + "\nsms.ME.1 = 3," + Sent + "\n";
}

} // namespace

class TstZenksimSms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dialogue_data();
    void dialogue();
    void writeStoresAfterPrompt();
    void writeCancelledByEscape();
    void demoStore();
    void gammuReadsAndDeletes();

private:
    QTemporaryFile m_state;
};

void TstZenksimSms::initTestCase()
{
    QVERIFY(m_state.open());
    m_state.write(fixtureState());
    m_state.flush();
}

// Each row runs its commands on a fresh handset with the fixture store; the
// last command's reply lines (without echo) are compared, then state keys.
void TstZenksimSms::dialogue_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArrayList>("keys");   // "key=value" after the commands ("key=" absent)

    const QByteArray readHeader = "+CMGL: 1,1,,40|" + Read;
    const QByteArray unreadHeader = "+CMGL: 3,0,,52|" + Unread;

    QTest::newRow("memories offered") << QByteArrayList{"AT+CPMS=?"}
        << QByteArray("+CPMS: (\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\"),(\"SM\",\"ME\",\"MT\")|OK") << QByteArrayList{};
    QTest::newRow("memory chosen") << QByteArrayList{"AT+CPMS=\"ME\""}
        << QByteArray("+CPMS: 1,2,2,3,2,3|OK") << QByteArrayList{};
    QTest::newRow("memories read") << QByteArrayList{"AT+CPMS=\"MT\",\"ME\"", "AT+CPMS?"}
        << QByteArray("+CPMS: \"MT\",3,5,\"ME\",1,2,\"SM\",2,3|OK") << QByteArrayList{};
    QTest::newRow("unknown memory") << QByteArrayList{"AT+CPMS=\"XX\""}
        << QByteArray("+CMS ERROR: 302") << QByteArrayList{};
    QTest::newRow("format") << QByteArrayList{"AT+CMGF=1", "AT+CMGF?"} << QByteArray("+CMGF: 1|OK") << QByteArrayList{};
    QTest::newRow("text mode not built") << QByteArrayList{"AT+CMGF=1", "AT+CMGL=4"}
        << QByteArray("+CMS ERROR: 303") << QByteArrayList{};
    QTest::newRow("list all of SIM") << QByteArrayList{"AT+CMGL=4"}
        << readHeader + "|" + unreadHeader + "|OK" << QByteArrayList{"sms.SM.3=1," + Unread};
    QTest::newRow("list unread") << QByteArrayList{"AT+CMGL=0"} << unreadHeader + "|OK"
        << QByteArrayList{"sms.SM.3=1," + Unread};
    QTest::newRow("unread only once") << QByteArrayList{"AT+CMGL=0", "AT+CMGL=0"} << QByteArray("OK")
        << QByteArrayList{};
    QTest::newRow("list both memories") << QByteArrayList{"AT+CPMS=\"MT\"", "AT+CMGL=4"}
        << readHeader + "|" + unreadHeader + "|+CMGL: 4,3,,39|" + Sent + "|OK" << QByteArrayList{};
    QTest::newRow("list bad status") << QByteArrayList{"AT+CMGL=5"} << QByteArray("+CMS ERROR: 304")
        << QByteArrayList{};
    QTest::newRow("alpha field") << QByteArrayList{"AT+CMGL=1"} << QByteArray("+CMGL: 1,1,\"Jan, Novák\",40|" + Read + "|OK")
        << QByteArrayList{};
    QTest::newRow("read one") << QByteArrayList{"AT+CMGR=3"} << "+CMGR: 0,,52|" + Unread + "|OK"
        << QByteArrayList{"sms.SM.3=1," + Unread};
    QTest::newRow("read empty location") << QByteArrayList{"AT+CMGR=2"} << QByteArray("+CMS ERROR: 321")
        << QByteArrayList{};
    QTest::newRow("delete one") << QByteArrayList{"AT+CMGD=1"} << QByteArray("OK")
        << QByteArrayList{"sms.SM.1=", "sms.SM.3=0," + Unread};
    QTest::newRow("delete through MT") << QByteArrayList{"AT+CPMS=\"MT\"", "AT+CMGD=4"} << QByteArray("OK")
        << QByteArrayList{"sms.ME.1=", "sms.SM.1=1," + Read};
    QTest::newRow("delete empty location") << QByteArrayList{"AT+CMGD=2"} << QByteArray("+CMS ERROR: 321")
        << QByteArrayList{};
    QTest::newRow("delete all read") << QByteArrayList{"AT+CMGD=0,1"} << QByteArray("OK")
        << QByteArrayList{"sms.SM.1=", "sms.SM.3=0," + Unread};
    QTest::newRow("delete everything") << QByteArrayList{"AT+CPMS=\"MT\"", "AT+CMGD=1,4"} << QByteArray("OK")
        << QByteArrayList{"sms.SM.1=", "sms.SM.3=", "sms.ME.1="};
    QTest::newRow("delete offered") << QByteArrayList{"AT+CMGD=?"} << QByteArray("+CMGD: (1,3),(0-4)|OK")
        << QByteArrayList{};
    QTest::newRow("indications") << QByteArrayList{"AT+CNMI=2,1", "AT+CNMI?"} << QByteArray("+CNMI: 2,1,0,0,0|OK")
        << QByteArrayList{};
    QTest::newRow("message service") << QByteArrayList{"AT+CSMS=0"} << QByteArray("+CSMS: 1,1,1|OK")
        << QByteArrayList{};
}

void TstZenksimSms::dialogue()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArray, lines);
    QFETCH(QByteArrayList, keys);

    SimProcess sim({"--state", m_state.fileName()});
    QVERIFY(sim.start());
    if (QByteArray(QTest::currentDataTag()) == "alpha field")
        QCOMPARE(sim.control("set sms.alpha \"Jan, Novák\""), QByteArray("OK\n"));
    RawLine modem(sim.modemPath());
    QByteArray reply;
    for (const QByteArray &command : commands)
        reply = RawLine::lines(modem.command(command), command);
    QCOMPARE(reply, lines);
    for (const QByteArray &entry : keys) {
        const qsizetype eq = entry.indexOf('=');
        const QByteArray key = entry.left(eq);
        const QByteArray value = entry.mid(eq + 1);
        const QByteArray dump = sim.control("dump");
        if (value.isEmpty())
            QVERIFY2(!dump.contains("\n" + key + " =") && !dump.startsWith(key + " ="), key.constData());
        else
            QCOMPARE(sim.control("get " + key), value + "\n");
    }
}

void TstZenksimSms::writeStoresAfterPrompt()
{
    SimProcess sim({"--state", m_state.fileName()});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.write("AT+CMGW=39,3\r"));
    QVERIFY(modem.readUntil("> ").endsWith("\r\n> "));
    QVERIFY(modem.write(Sent + "\x1a"));
    // The first free location of the write memory (SM) is 2.
    QCOMPARE(RawLine::lines(modem.readReply(), Sent), QByteArray("+CMGW: 2|OK"));
    QCOMPARE(sim.control("get sms.SM.2"), "3," + Sent + "\n");

    // A length that does not match the PDU is refused and nothing is stored.
    QVERIFY(modem.write("AT+CMGW=10\r"));
    QVERIFY(modem.readUntil("> ").endsWith("> "));
    QVERIFY(modem.write(Sent + "\x1a"));
    QCOMPARE(RawLine::lines(modem.readReply(), Sent), QByteArray("+CMS ERROR: 304"));
    QVERIFY(modem.write("AT+CMGW=39\r"));
    QVERIFY(modem.readUntil("> ").endsWith("> "));
    QVERIFY(modem.write(Sent + "\x1a"));
    // The SIM is now full.
    QCOMPARE(RawLine::lines(modem.readReply(), Sent), QByteArray("+CMS ERROR: 322"));
}

void TstZenksimSms::writeCancelledByEscape()
{
    SimProcess sim({"--state", m_state.fileName()});
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    QVERIFY(modem.write("AT+CMGW=39\r"));
    QVERIFY(modem.readUntil("> ").endsWith("> "));
    QVERIFY(modem.write("0011\x1b"));
    QCOMPARE(RawLine::lines(modem.readReply(), "0011"), QByteArray("OK"));
    QVERIFY(!sim.control("dump").contains("sms.SM.2 ="));
    // Commands work again afterwards.
    QCOMPARE(RawLine::lines(modem.command("AT+CMGF?"), "AT+CMGF?"), QByteArray("+CMGF: 0|OK"));
}

// Without a state file the store holds the demo messages in both memories.
void TstZenksimSms::demoStore()
{
    SimProcess sim;
    QVERIFY(sim.start());
    RawLine modem(sim.modemPath());
    modem.command("AT+CPMS=\"MT\"");
    const QByteArray listing = RawLine::lines(modem.command("AT+CMGL=4"), "AT+CMGL=4");
    QCOMPARE(listing.count("+CMGL: "), 7);
    for (const char *header : {"+CMGL: 1,1,", "+CMGL: 2,0,", "+CMGL: 3,1,", "+CMGL: 21,0,", "+CMGL: 22,0,",
                               "+CMGL: 23,2,", "+CMGL: 24,3,"})
        QVERIFY2(listing.contains(header), header);
}

// gammu, an SMS client of its own, reads every demo message over the modem
// port and deletes one.
void TstZenksimSms::gammuReadsAndDeletes()
{
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
    process.start(gammu, {QStringLiteral("-c"), config, QStringLiteral("getallsms")});
    QVERIFY(process.waitForFinished(90000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(process.exitCode() == 0, qPrintable(out + process.readAllStandardError()));
    for (const char *expected : {"Ahoj, zitra v 10 u kina?", "Dobrý den, zásilka č. 4711 je připravena k vyzvednutí.",
                                 "Vas kredit je 250 Kc. Dekujeme.", "posilam ti adresu chaty",
                                 "v kuchyni je drevo na dva dny.", "Prijdu o pul hodiny pozdeji.",
                                 "Děkuji, přijedu v sobotu ráno.", "+420603123456", "+420777987654",
                                 "\"T-Mobile\"", "+420604555111", "7 SMS parts"})
        QVERIFY2(out.contains(QString::fromUtf8(expected)), expected);

    // Folder 1 is the SIM's inbox; location 2 the UCS-2 message.
    process.start(gammu, {QStringLiteral("-c"), config, QStringLiteral("deletesms"), QStringLiteral("1"),
                          QStringLiteral("2")});
    QVERIFY(process.waitForFinished(90000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    const QByteArray dump = sim.control("dump");
    QVERIFY(!dump.contains("sms.SM.2 ="));
    QVERIFY(dump.contains("sms.SM.1 ="));
    QVERIFY(dump.contains("sms.SM.3 ="));
}

QTEST_GUILESS_MAIN(TstZenksimSms)
#include "tst_zenksim_sms.moc"
