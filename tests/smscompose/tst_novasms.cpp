// The compose dialog: counter and limit, the send button, the recipient
// lists, loading a text, the three openings, and sending through the
// simulated handset with its answers, failures and silence.

#include "comport.h"
#include "cp1250.h"
#include "language.h"
#include "messagetexts.h"
#include "novasms.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "smssend.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

// The main window's parts the dialog uses, with a phonebook of two rows and
// an address book of two records.
struct Fixture
{
    explicit Fixture(TComPort *port = nullptr)
    {
        Seznam.setColumnCount(5);
        Seznam.addTopLevelItem(new QTreeWidgetItem(QStringList{"1", "1", "Jana", "+420603111222", "1"}));
        Seznam.addTopLevelItem(new QTreeWidgetItem(QStringList{"2", "2", "Petr", "420777333444", "2"}));
        lvAdresar.setColumnCount(2);
        lvAdresar.addTopLevelItem(new QTreeWidgetItem(QStringList{"001", "Novák Karel"}));
        lvAdresar.addTopLevelItem(new QTreeWidgetItem(QStringList{"002", "Dvořáková Eva"}));
        stredisko.setText(QStringLiteral("420000000000"));
        links.mainWindow = &main;
        links.port = port;
        links.Seznam = &Seznam;
        links.lvAdresar = &lvAdresar;
        links.strediskoSMS = &stredisko;
        links.ProgresPanel = &panel;
        links.lbProgres = &lbProgres;
        links.Progres = &progres;
        links.installDefaultRxHandler = [this] { ++defaultHandlerInstalled; };
        links.openModemPort = [port] { return port && port->Connected(); };
        links.setStatusText = [this](const QString &t) { status = t; };
        links.privateNumber = [](int record) -> std::optional<QString> {
            if (record == 1)
                return QStringLiteral("603555666");
            if (record == 2)
                return QStringLiteral("+420604777888");
            return std::nullopt;
        };
        links.programFolder = folder.path();
        main.resize(800, 600);
    }

    // The messages of a shipped language file ("en"); the built-in Czech
    // ones for an empty name. Before the dialog is made.
    void loadLanguage(const QString &name)
    {
        if (name.isEmpty())
            return;
        LoadLanguage(QStringLiteral(LANGUAGE_DIR "/%1.lng").arg(name), nullptr, nullptr, texts);
        links.texts = &texts;
    }

    QTemporaryDir folder;
    QWidget main;
    QTreeWidget Seznam;
    QTreeWidget lvAdresar;
    QLabel stredisko;
    QWidget panel;
    QLabel lbProgres;
    QProgressBar progres;
    QString status;
    int defaultHandlerInstalled = 0;
    MessageTexts texts = MessageTexts::defaults();
    NovaSmsLinks links;
};

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

SmsSender::Timeouts quick()
{
    SmsSender::Timeouts t;
    t.commandMs = 5000;
    t.promptMs = 5000;
    t.answerMs = 1500;
    return t;
}

} // namespace

class TestNovaSms : public QObject
{
    Q_OBJECT

private slots:
    void counter_data();
    void counter();
    void typingStopsAtTenParts();
    void sendButton();
    void recipientLists();
    void recipientChoice_data();
    void recipientChoice();
    void loadText();
    void replyOpening();
    void send_data();
    void send();
    void sendFails_data();
    void sendFails();
    void invalidInput_data();
    void invalidInput();
    void cancelWhileSending();
    void centreAsked_data();
    void centreAsked();
    void showsSending();
    void resumeAfterHang();
    void replyWithEditedPreview();
};

void TestNovaSms::counter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("language");

    QTest::newRow("empty") << QString() << "000 / 160 max" << QString();
    QTest::newRow("ř") << u8("ř") << "001 / 070 max" << QString();
    QTest::newRow("7-bit") << u8("Ahoj") << "004 / 160 max" << QString();
    // A line break and "{" are GSM characters: still 7-bit, "{" takes two septets.
    QTest::newRow("line break and brace") << u8("a\n{b}") << "007 / 160 max" << QString();
    QTest::newRow("euro sign") << u8("5 €") << "004 / 160 max" << QString();
    QTest::newRow("160 septets") << QString(160, u'a') << "160 / 160 max" << QString();
    QTest::newRow("200 septets") << QString(200, u'a') << "200 / 306 max (2 SMS)" << QString();
    QTest::newRow("80 characters and ř") << QString(80, u'a') + u8("ř") << "081 / 134 max (2 SMS)" << QString();
    QTest::newRow("ten parts") << QString(1530, u'a') << "1530 / 1530 max (10 SMS)" << QString();
    QTest::newRow("80 characters and ř, in English") << QString(80, u'a') + u8("ř") << "081 / 134 max (2 parts)"
                                                     << "en";
    QTest::newRow("ř, in English") << u8("ř") << "001 / 070 max" << "en";
}

void TestNovaSms::counter()
{
    QFETCH(QString, text);
    QFETCH(QString, counter);
    QFETCH(QString, language);

    Fixture f;
    f.loadLanguage(language);
    TNovaSMSDlg dlg(f.links);
    dlg.SMS()->setPlainText(text);
    QCOMPARE(dlg.Znaku()->text(), counter);
    // Activation shows the counter of what the text holds.
    dlg.show();
    QCOMPARE(dlg.Znaku()->text(), counter);
}

// Typing stops at ten parts; a longer text from a file is kept whole.
void TestNovaSms::typingStopsAtTenParts()
{
    Fixture f;
    TNovaSMSDlg dlg(f.links);
    dlg.show();
    dlg.SMS()->setPlainText(QString(1530, u'x'));
    dlg.SMS()->moveCursor(QTextCursor::End);
    QTest::keyClicks(dlg.SMS(), QStringLiteral("yz"));
    QCOMPARE(dlg.SMS()->toPlainText(), QString(1530, u'x'));
    QCOMPARE(dlg.Znaku()->text(), QStringLiteral("1530 / 1530 max (10 SMS)"));
    // 1529 septets and a pasted "€" (two) would be 1531.
    dlg.SMS()->setPlainText(QString(1529, u'x'));
    dlg.SMS()->moveCursor(QTextCursor::End);
    dlg.SMS()->insertPlainText(u8("€"));
    QCOMPARE(dlg.SMS()->toPlainText(), QString(1529, u'x'));

    const QString name = f.folder.filePath(QStringLiteral("SMS/long.sms"));
    QDir().mkpath(f.folder.filePath(QStringLiteral("SMS")));
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1600, 'x'));
    file.close();
    ScriptedDialogs dialogs;
    dialogs.fileNames.push_back(name);
    dlg.NactiText()->click();
    QCOMPARE(dlg.SMS()->toPlainText().size(), 1600);
    QCOMPARE(dlg.Znaku()->text(), QStringLiteral("1600 / 1683 max (11 SMS)"));
}

void TestNovaSms::sendButton()
{
    Fixture f;
    TNovaSMSDlg dlg(f.links);
    dlg.show();
    QVERIFY(!dlg.PoslatSMS()->isEnabled());
    QTest::keyClicks(dlg.SMS(), QStringLiteral("ab"));
    QVERIFY(!dlg.PoslatSMS()->isEnabled()); // no number yet
    QTest::keyClicks(dlg.CisloPrijemce(), QStringLiteral("420000123456"));
    QVERIFY(dlg.PoslatSMS()->isEnabled());
    // Deleting to empty disables it; typing again enables it.
    QTest::keyClick(dlg.SMS(), Qt::Key_Backspace);
    QVERIFY(dlg.PoslatSMS()->isEnabled());
    QTest::keyClick(dlg.SMS(), Qt::Key_Backspace);
    QVERIFY(dlg.SMS()->toPlainText().isEmpty());
    QVERIFY(!dlg.PoslatSMS()->isEnabled());
    QTest::keyClicks(dlg.SMS(), QStringLiteral("c"));
    QVERIFY(dlg.PoslatSMS()->isEnabled());
    dlg.SmazatSMS()->click();
    QVERIFY(dlg.SMS()->toPlainText().isEmpty());
    QVERIFY(!dlg.PoslatSMS()->isEnabled());
}

// Two openings in a row: one entry per source row in each list.
void TestNovaSms::recipientLists()
{
    Fixture f;
    TNovaSMSDlg dlg(f.links);
    ScriptedDialogs dialogs;
    dlg.NewMessage();
    dlg.NewMessage();
    QCOMPARE(dialogs.requests.size(), 2);
    QCOMPARE(dialogs.requests[0].dialogName, QStringLiteral("NovaSMSDlg"));
    QCOMPARE(dlg.SMSSeznam()->count(), 2);
    QCOMPARE(dlg.SMSSeznam()->itemText(0), QStringLiteral("Jana - +420603111222"));
    QCOMPARE(dlg.SMSSeznam()->itemText(1), QStringLiteral("Petr - 420777333444"));
    QCOMPARE(dlg.SMSAdresar()->count(), 2);
    QCOMPARE(dlg.SMSAdresar()->itemText(1), u8("Dvořáková Eva"));
}

void TestNovaSms::recipientChoice_data()
{
    QTest::addColumn<bool>("adresar");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("number");

    QTest::newRow("phonebook row 1") << false << 0 << "+420603111222";
    QTest::newRow("phonebook row 2") << false << 1 << "420777333444";
    QTest::newRow("address-book record 1") << true << 0 << "603555666";
    QTest::newRow("address-book record 2") << true << 1 << "+420604777888";
}

void TestNovaSms::recipientChoice()
{
    QFETCH(bool, adresar);
    QFETCH(int, index);
    QFETCH(QString, number);

    Fixture f;
    TNovaSMSDlg dlg(f.links);
    dlg.FillRecipientLists();
    QComboBox *box = adresar ? dlg.SMSAdresar() : dlg.SMSSeznam();
    box->setCurrentIndex(index);
    emit box->activated(index);
    QCOMPARE(dlg.CisloPrijemce()->text(), number);
}

void TestNovaSms::loadText()
{
    Fixture f;
    TNovaSMSDlg dlg(f.links);
    QDir().mkpath(f.folder.filePath(QStringLiteral("SMS")));
    const QString name = f.folder.filePath(QStringLiteral("SMS/pozdrav.sms"));
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Cp1250::fromUnicode(u8("Dobrý den,\r\nzítra přijedu.")));
    file.close();

    ScriptedDialogs dialogs;
    dialogs.fileNames.push_back(name);
    dialogs.fileNames.push_back(f.folder.filePath(QStringLiteral("SMS/missing.sms")));
    dlg.SMS()->setPlainText(QStringLiteral("old"));
    dlg.NactiText()->click();
    QCOMPARE(dlg.SMS()->toPlainText(), u8("Dobrý den,\nzítra přijedu."));
    QCOMPARE(dlg.Znaku()->text(), QStringLiteral("025 / 070 max"));
    // A file that cannot be read leaves the text empty.
    dlg.NactiText()->click();
    QVERIFY(dlg.SMS()->toPlainText().isEmpty());
}

// Reply without a selected row: number and text emptied, nothing shown.
void TestNovaSms::replyOpening()
{
    Fixture f;
    TNovaSMSDlg dlg(f.links);
    QTreeWidget list;
    list.setColumnCount(5);
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{"3", "420000123456", "Jana", "12.01.2005 14:50", "ahoj"}));
    QPlainTextEdit preview(QStringLiteral("ahoj"));
    dlg.SMS()->setPlainText(QStringLiteral("rozepsaná"));
    dlg.CisloPrijemce()->setText(QStringLiteral("603"));
    dlg.SMSSeznam()->setEditText(QStringLiteral("x"));

    ScriptedDialogs dialogs;
    dlg.Reply(&list, &preview);
    QVERIFY(dialogs.requests.isEmpty());
    QVERIFY(dlg.SMS()->toPlainText().isEmpty());
    QVERIFY(dlg.CisloPrijemce()->text().isEmpty());

    list.topLevelItem(0)->setSelected(true);
    dlg.Reply(&list, &preview);
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dlg.CisloPrijemce()->text(), QStringLiteral("420000123456"));
    QCOMPARE(dlg.SMS()->toPlainText(), QStringLiteral("ahoj"));
    QVERIFY(dlg.SMSSeznam()->currentText().isEmpty());
}

void TestNovaSms::send_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("centre");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<int>("parts");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("report");
    QTest::addColumn<int>("weeks");    // validity in weeks, 0: the default four days
    QTest::addColumn<QByteArray>("pdu"); // sms.sent.1, or empty

    // The worked example: the PDU after the prompt. The handset's own centre
    // (the information page has it) is not written again, and echo, which
    // the sending turned off, is on again at the end.
    QTest::newRow("worked example")
        << "+420000123456" << "+420000000000" << "abc"
        << QByteArray("ATE0\nAT+CMGF=0\nAT+CMGS=17\nATE1\n") << 1 << u8("SMS odeslána")
        << false << 0 << QByteArray("0011000C912400002143650000AA0361F118");
    // First octet 31 with a status report; validity octet C1 for one week.
    QTest::newRow("report, one week, blanks in the number")
        << " 420 000 123 456" << "420000000000" << "abc"
        << QByteArray("ATE0\nAT+CMGF=0\nAT+CMGS=17\nATE1\n") << 1 << u8("SMS odeslána")
        << true << 1 << QByteArray("0031000C912400002143650000C10361F118");
    QString long400;
    while (long400.size() < 400)
        long400 += u8("Přijedu zítra večer, čekej mě na nádraží. ");
    long400.truncate(400);
    QTest::newRow("three parts") << "420000123456" << "420000000000" << long400.left(150) << QByteArray() << 3
                                 << u8("SMS odeslána (3 SMS)") << false << 0 << QByteArray();
}

void TestNovaSms::send()
{
    QFETCH(QString, number);
    QFETCH(QString, centre);
    QFETCH(QString, text);
    QFETCH(QByteArray, log);
    QFETCH(int, parts);
    QFETCH(QString, status);
    QFETCH(bool, report);
    QFETCH(int, weeks);
    QFETCH(QByteArray, pdu);

    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    f.stredisko.setText(centre);
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);

    dlg.show();
    dlg.SMS()->setPlainText(text);
    dlg.CisloPrijemce()->setText(number);
    dlg.cbPotvrzeni()->setChecked(report);
    if (weeks) {
        dlg.ComboPlatnost()->setCurrentIndex(1);
        dlg.Platnost()->setValue(weeks);
    }
    dlg.PoslatSMS()->click();
    QVERIFY(f.panel.isVisible());
    QCOMPARE(f.lbProgres.text(), u8("Čekejte prosím posílám SMS ..."));
    QVERIFY(done.wait(30000));
    QCOMPARE(done.first().first().toBool(), true);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());
    QVERIFY(!f.panel.isVisible());
    QCOMPARE(f.lbProgres.text(), u8("Čekejte prosím načítám data ..."));
    QCOMPARE(f.status, status);
    QCOMPARE(f.defaultHandlerInstalled, 1);
    QCOMPARE(f.progres.value(), f.progres.maximum());

    if (!log.isEmpty())
        QCOMPARE(sim.control("log"), log);
    if (!pdu.isEmpty())
        QCOMPARE(sim.control("get sms.sent.1"), pdu + '\n');
    const QByteArray sent = sim.control("sent");
    QCOMPARE(sent.count('\n'), parts);
    QVERIFY(sent.contains("\"" + text.left(20).toUtf8()));
}

void TestNovaSms::sendFails_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("language");

    QTest::newRow("refused") << QByteArray("sms.fail 500") << u8("Ahoj") << "+CMS ERROR: 500" << QString();
    QTest::newRow("never answers") << QByteArray("sms.hang 1") << u8("Ahoj") << u8("neodpověděl") << QString();
    QTest::newRow("second part refused") << QByteArray() << QString(300, u'a') << u8("Odesláno 1 z 2 částí")
                                         << QString();
    QTest::newRow("second part refused, in English")
        << QByteArray() << QString(300, u'a')
        << "The SMS could not be sent.\nThe phone answered: +CMS ERROR: 38\n1 of 2 parts of the message were sent."
        << "en";
}

// The handset's error in a message box; the dialog stays open with its text.
void TestNovaSms::sendFails()
{
    QFETCH(QByteArray, key);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, language);

    SimProcess sim;
    QVERIFY(sim.start());
    if (!key.isEmpty())
        QCOMPARE(sim.control("set " + key), QByteArray("OK\n"));
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    f.loadLanguage(language);
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
    ScriptedDialogs dialogs;

    dlg.show();
    dlg.SMS()->setPlainText(text);
    dlg.CisloPrijemce()->setText(QStringLiteral("420000123456"));
    if (key.isEmpty()) {
        // The first part goes, then the network refuses.
        connect(dlg.sender(), &SmsSender::partSent, &dlg, [&] { sim.control("set sms.fail 38"); });
    }
    dlg.PoslatSMS()->click();
    QVERIFY(done.wait(30000));
    QCOMPARE(done.first().first().toBool(), false);

    const QList<ScriptedDialogs::Request> boxes = dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Error);
    QVERIFY2(boxes[0].text.contains(message), qPrintable(boxes[0].text));
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.result() != int(QDialog::Accepted));
    QCOMPARE(dlg.SMS()->toPlainText(), text);
    QCOMPARE(dlg.CisloPrijemce()->text(), QStringLiteral("420000123456"));
    QVERIFY(dlg.PoslatSMS()->isEnabled());
    QVERIFY(dlg.SMS()->isEnabled());
    QVERIFY(!f.panel.isVisible());
    QVERIFY(f.status.isEmpty());
    // Echo is on again after the failure too.
    QVERIFY2(sim.control("log").endsWith("ATE1\n"), sim.control("log").constData());
}

void TestNovaSms::invalidInput_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("centre");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("letters in the number") << "603 12a 456" << "420000000000" << "abc" << u8("příjemce");
    QTest::newRow("21 digits") << QString(21, u'1') << "420000000000" << "abc" << u8("příjemce");
    QTest::newRow("two + signs") << "++420000123456" << "420000000000" << "abc" << u8("příjemce");
    // Typed into the prompt that asks for a missing centre.
    QTest::newRow("typed centre with a dash") << "420000123456" << "420-603" << "abc" << u8("centra");
    // Windows-1250 lacks "ø" and every emoji; they would go out as "?".
    QTest::newRow("characters without Windows-1250 form")
        << "420000123456" << "420000000000" << u8("Hej ø 😀") << u8("„ø 😀“");
}

// Nothing reaches the handset.
void TestNovaSms::invalidInput()
{
    QFETCH(QString, number);
    QFETCH(QString, centre);
    QFETCH(QString, text);
    QFETCH(QString, message);

    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    f.stredisko.setText(centre);
    TNovaSMSDlg dlg(f.links);
    ScriptedDialogs dialogs;
    if (QByteArray(QTest::currentDataTag()).startsWith("typed centre")) {
        f.stredisko.clear();
        dialogs.inputs.push_back(centre);
    }
    dlg.show();
    dlg.SMS()->setPlainText(text);
    dlg.CisloPrijemce()->setText(number);
    dlg.PoslatSMS()->click();
    QCOMPARE(dialogs.messages().size(), 1);
    QCOMPARE(dialogs.messages()[0].icon, Dialogs::Icon::Error);
    QVERIFY2(dialogs.messages()[0].text.contains(message), qPrintable(dialogs.messages()[0].text));
    QCOMPARE(dlg.SMS()->toPlainText(), text);
    QVERIFY(!dlg.isSending());
    QVERIFY(dlg.isVisible());
    QCOMPARE(sim.control("log"), QByteArray());
}

// "Zrušit" (and Escape) while the handset keeps silent stops the waiting at
// once; the dialog stays with its text.
void TestNovaSms::cancelWhileSending()
{
    SimProcess sim;
    QVERIFY(sim.start());
    QCOMPARE(sim.control("set sms.hang 1"), QByteArray("OK\n"));
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    TNovaSMSDlg dlg(f.links);
    SmsSender::Timeouts t = quick();
    t.answerMs = 120000; // far beyond the test's wait: only the cancel can end it
    dlg.sender()->setTimeouts(t);
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
    QSignalSpy sentPdu(dlg.sender(), &SmsSender::progress);
    ScriptedDialogs dialogs;
    dlg.show();
    dlg.SMS()->setPlainText(QStringLiteral("abc"));
    dlg.CisloPrijemce()->setText(QStringLiteral("420000123456"));
    dlg.PoslatSMS()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!sentPdu.isEmpty() && sentPdu.last().first().toInt() == 5, 20000);
    QVERIFY(dlg.isSending());
    dlg.SMS_zrus()->click();
    QVERIFY(done.count() > 0 || done.wait(5000));
    QCOMPARE(done.first().first().toBool(), false);
    QCOMPARE(dlg.sender()->failure(), SmsSender::Failure::Cancelled);
    QCOMPARE(dialogs.messages().size(), 1);
    QVERIFY(dialogs.messages()[0].text.contains(u8("přerušeno")));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.SMS()->toPlainText(), QStringLiteral("abc"));
    // Not sending any more, "Zrušit" closes.
    dlg.SMS_zrus()->click();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

// Without a centre on the information page the user is asked, with one
// operator's centre offered; what the user gives is written with AT+CSCA.
// Cancel cancels the send: nothing goes to the handset.
void TestNovaSms::centreAsked_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("centreCommand");

    QTest::newRow("default taken") << false << u8("420603052000") << QByteArray("AT+CSCA=\"+420603052000\"\n");
    QTest::newRow("own centre typed") << false << u8("+420 602 909 909") << QByteArray("AT+CSCA=\"+420602909909\"\n");
    QTest::newRow("cancelled") << true << QString() << QByteArray();
}

void TestNovaSms::centreAsked()
{
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(QByteArray, centreCommand);

    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    f.stredisko.clear();
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
    ScriptedDialogs dialogs;
    if (cancel)
        dialogs.inputs.push_back(std::nullopt);
    else
        dialogs.inputs.push_back(typed);
    dlg.show();
    dlg.SMS()->setPlainText(QStringLiteral("abc"));
    dlg.CisloPrijemce()->setText(QStringLiteral("420000123456"));
    dlg.PoslatSMS()->click();
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests[0].kind, ScriptedDialogs::Request::Kind::Input);
    QCOMPARE(dialogs.requests[0].caption, u8("Číslo SMS centra"));
    if (cancel) {
        QVERIFY(!dlg.isSending());
        QVERIFY(dlg.isVisible());
        QVERIFY(!f.panel.isVisible());
        QVERIFY(dlg.PoslatSMS()->isEnabled());
        QTest::qWait(300); // nothing may arrive, so there is no signal to wait for
        QCOMPARE(done.count(), 0);
        QCOMPARE(sim.control("log"), QByteArray());
        QCOMPARE(sim.control("sent"), QByteArray());
        return;
    }
    QVERIFY(done.wait(30000));
    QVERIFY(done.first().first().toBool());
    QCOMPARE(sim.control("log"), "ATE0\nAT+CMGF=0\n" + centreCommand + "AT+CMGS=17\nATE1\n");
}

// While it sends, the dialog shows the sending itself (the main window's
// panel is behind it) and "Poslat" is off; both end with the sending.
void TestNovaSms::showsSending()
{
    SimProcess sim(QStringList{QStringLiteral("--latency"), QStringLiteral("150")});
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
    ScriptedDialogs dialogs;
    dlg.show();
    dlg.SMS()->setPlainText(QStringLiteral("abc"));
    dlg.CisloPrijemce()->setText(QStringLiteral("420000123456"));
    QVERIFY(!dlg.lbOdesilani()->isVisible());
    dlg.PoslatSMS()->click();
    QVERIFY(dlg.isSending());
    QVERIFY(!dlg.PoslatSMS()->isEnabled());
    QVERIFY(dlg.lbOdesilani()->isVisible());
    QVERIFY(dlg.ProgresOdesilani()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(dlg.ProgresOdesilani()->value() >= 2, 10000);
    QVERIFY2(dlg.lbOdesilani()->text().startsWith(u8("Posílám SMS")), qPrintable(dlg.lbOdesilani()->text()));
    QCOMPARE(dlg.ProgresOdesilani()->maximum(), 5);
    // Clicking the disabled button (or Enter on it) sends nothing more.
    dlg.PoslatSMS()->click();
    QTest::keyClick(&dlg, Qt::Key_Return);
    QVERIFY(done.wait(30000));
    QVERIFY(!dlg.lbOdesilani()->isVisible());
    QCOMPARE(sim.control("sent").count('\n'), 1);
}

// The handset takes part 1 of 3 and then hangs: the message says so, and
// "Poslat" again sends parts 2 and 3 only, under part 1's reference.
void TestNovaSms::resumeAfterHang()
{
    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
    ScriptedDialogs dialogs;
    dlg.show();
    dlg.SMS()->setPlainText(QString(400, u'a'));
    dlg.CisloPrijemce()->setText(QStringLiteral("420000123456"));
    const auto hang = connect(dlg.sender(), &SmsSender::partSent, &dlg, [&] { sim.control("set sms.hang 1"); });
    dlg.PoslatSMS()->click();
    QVERIFY(done.wait(30000));
    QCOMPARE(done.first().first().toBool(), false);
    QCOMPARE(dialogs.messages().size(), 1);
    const QString text = dialogs.messages()[0].text;
    QVERIFY2(text.contains(u8("Odesláno 1 z 3 částí")), qPrintable(text));
    QVERIFY2(text.contains(u8("Telefon převzal části 1. Poslat znovu odešle jen zbývající části.")), qPrintable(text));

    disconnect(hang);
    QCOMPARE(sim.control("set sms.hang 0"), QByteArray("OK\n"));
    dlg.PoslatSMS()->click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 30000);
    QCOMPARE(done.last().first().toBool(), true);
    const QByteArrayList sent = sim.control("sent").trimmed().split('\n');
    QCOMPARE(sent.size(), 4); // part 1, the hung part 2, then parts 2 and 3 again
    const qsizetype at = sent[0].indexOf(" ref ");
    const QByteArray reference = sent[0].mid(at, sent[0].indexOf(" part ") - at) + " part ";
    for (const QByteArray &line : sent)
        QVERIFY2(line.contains(reference), line.constData());
    QVERIFY(sent[2].contains("part 2/3"));
    QVERIFY(sent[3].contains("part 3/3"));
}

// A reply whose preview the user edits sends the edited text.
void TestNovaSms::replyWithEditedPreview()
{
    SimProcess sim;
    QVERIFY(sim.start());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    port.OpenPort();
    Fixture f(&port);
    TNovaSMSDlg dlg(f.links);
    dlg.sender()->setTimeouts(quick());
    QTreeWidget list;
    list.setColumnCount(5);
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{"3", "420000123456", "Jana", "12.01.2005 14:50", "ahoj"}));
    list.topLevelItem(0)->setSelected(true);
    QPlainTextEdit preview(QStringLiteral("ahoj"));

    ScriptedDialogs dialogs;
    bool ok = false;
    dialogs.dialogActions.push_back([&](QDialog *d) {
        d->show();
        dlg.SMS()->moveCursor(QTextCursor::End);
        QTest::keyClicks(dlg.SMS(), QStringLiteral(", jak se mas?"));
        QSignalSpy done(&dlg, &TNovaSMSDlg::sendingFinished);
        dlg.PoslatSMS()->click();
        ok = done.wait(30000) && done.first().first().toBool();
        return d->result();
    });
    dlg.Reply(&list, &preview);
    QVERIFY(ok);
    QCOMPARE(sim.control("sent"), QByteArray("1 420000123456 \"ahoj, jak se mas?\"\n"));
}

QTEST_MAIN(TestNovaSms)
#include "tst_novasms.moc"
