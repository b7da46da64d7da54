// The settings dialog: the combo boxes show the ports' values and apply the
// user's choices at once, OK writes the language index and ends the dialog
// with Accepted, and the automatic port test finds the simulated handset's
// modem and diagnostic ports among candidate devices, through the real serial
// layer, without ever touching the GPS port.

#include "comport.h"
#include "inifile.h"
#include "nastaveni.h"
#include "pty.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString NoDevice = QStringLiteral("/nonexistent/ttyZENK0");

// The user picks an entry from the open list.
void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The user types a device name into an editable port box and leaves it.
void typeName(QComboBox *box, const QString &name)
{
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), name);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
}

} // namespace

class TestNastaveni : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void binding_data();
    void binding();
    void bindingFollowsEachPort();
    void portListFailure();

    void choosingApplies_data();
    void choosingApplies();
    void portChangeOnOpenPort_data();
    void portChangeOnOpenPort();
    void languageChoice();

    void okWritesLanguage_data();
    void okWritesLanguage();
    void closingOtherwiseStoresNothing();
    void centresOnMainWindow();
    void growsForLongCaptions();

    void autoTestFindsHandset_data();
    void autoTestFindsHandset();
    void autoTestWithoutHandset();

private:
    std::unique_ptr<TFrmNastaveni> makeDialog(const QStringList &ports);
    TComPort *port(int i) const { return i == 0 ? m_com1.get() : i == 1 ? m_com2.get() : m_gps.get(); }
    template<typename T = QComboBox>
    static T *child(QWidget *w, const char *name)
    {
        T *c = w->findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<TComPort> m_com1;
    std::unique_ptr<TComPort> m_com2;
    std::unique_ptr<TComPort> m_gps;
    QString m_ini;
};

void TestNastaveni::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = m_dir->filePath(QStringLiteral("torvane.ini"));
    m_main = std::make_unique<QWidget>();
    m_com1 = std::make_unique<TComPort>(QStringLiteral("ComPort1"));
    m_com2 = std::make_unique<TComPort>(QStringLiteral("ComPort2"));
    m_gps = std::make_unique<TComPort>(QStringLiteral("GPSPort"));
}

void TestNastaveni::cleanup()
{
    m_com1.reset();
    m_com2.reset();
    m_gps.reset();
    m_main.reset();
    m_dir.reset();
    m_dialogs.reset();
}

std::unique_ptr<TFrmNastaveni> TestNastaveni::makeDialog(const QStringList &ports)
{
    return std::make_unique<TFrmNastaveni>(m_com1.get(), m_com2.get(), m_gps.get(), m_ini,
                                           m_main.get(), [ports] { return ports; });
}

void TestNastaveni::binding_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("flowIndex");

    // The list holds "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB10".
    QTest::newRow("defaults") << "COM1" << "Custom" << "Hardware" << -1 << 0 << 0;
    QTest::newRow("listed port") << "/dev/ttyUSB1" << "115200" << "None" << 1 << 13 << 2;
    QTest::newRow("names differ only in case") << "/dev/TTYUSB0" << "9600" << "Software"
                                               << -1 << 7 << 1;
    QTest::newRow("prefix of a listed name") << "/dev/ttyUSB" << "256000" << "Hardware"
                                             << -1 << 15 << 0;
    QTest::newRow("flags of no named mode") << "/dev/ttyUSB10" << "110" << "mixed" << 2 << 1 << 3;
}

void TestNastaveni::binding()
{
    QFETCH(QString, portName);
    QFETCH(QString, baud);
    QFETCH(QString, flow);
    QFETCH(int, portIndex);
    QFETCH(int, baudIndex);
    QFETCH(int, flowIndex);

    for (int i = 0; i < 3; ++i) {
        port(i)->setPort(portName);
        port(i)->setBaudRateText(baud);
        if (flow == QLatin1String("mixed")) {
            port(i)->setFlowControlText(QStringLiteral("Hardware"));
            port(i)->setXonXoffIn(true);
        } else {
            port(i)->setFlowControlText(flow);
        }
    }
    auto dlg = makeDialog({"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB10"});

    for (const char *name : {"ComComboBox1", "ComComboBox2", "ComComboBox7"}) {
        QComboBox *box = child(dlg.get(), name);
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->currentIndex(), portIndex);
        // A name that is not offered is still shown, so the user sees the port in force.
        QCOMPARE(box->currentText(), portName);
    }
    for (const char *name : {"ComComboBox3", "ComComboBox4"}) {
        QComboBox *box = child(dlg.get(), name);
        QCOMPARE(box->count(), 16);
        QCOMPARE(box->currentIndex(), baudIndex);
        QCOMPARE(box->currentText(), baud);
    }
    for (const char *name : {"ComComboBox5", "ComComboBox6"}) {
        QComboBox *box = child(dlg.get(), name);
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->currentIndex(), flowIndex);
    }
    QVERIFY(m_dialogs->messages().isEmpty());
}

void TestNastaveni::bindingFollowsEachPort()
{
    m_com1->setPort(QStringLiteral("/dev/ttyA"));
    m_com2->setPort(QStringLiteral("/dev/ttyB"));
    m_gps->setPort(QStringLiteral("/dev/ttyC"));
    m_com1->setBaudRateText(QStringLiteral("57600"));
    m_com2->setBaudRateText(QStringLiteral("4800"));
    m_com1->setFlowControlText(QStringLiteral("None"));
    m_com2->setFlowControlText(QStringLiteral("Software"));
    auto dlg = makeDialog({"/dev/ttyA", "/dev/ttyB", "/dev/ttyC"});

    QCOMPARE(child(dlg.get(), "ComComboBox1")->currentText(), "/dev/ttyA");
    QCOMPARE(child(dlg.get(), "ComComboBox2")->currentText(), "/dev/ttyB");
    QCOMPARE(child(dlg.get(), "ComComboBox7")->currentText(), "/dev/ttyC");
    QCOMPARE(child(dlg.get(), "ComComboBox3")->currentText(), "57600");
    QCOMPARE(child(dlg.get(), "ComComboBox4")->currentText(), "4800");
    QCOMPARE(child(dlg.get(), "ComComboBox5")->currentText(), "None");
    QCOMPARE(child(dlg.get(), "ComComboBox6")->currentText(), "Software");
}

void TestNastaveni::portListFailure()
{
    auto dlg = std::make_unique<TFrmNastaveni>(m_com1.get(), m_com2.get(), m_gps.get(), m_ini,
                                               m_main.get(), []() -> QStringList {
                                                   throw EComPort(QStringLiteral("Registry error"), 2);
                                               });
    const auto messages = m_dialogs->messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().icon, Dialogs::Icon::Error);
    QCOMPARE(messages.first().text, "Registry error (win error code: 2)");

    // The dialog is still usable: no names offered, the rest bound as usual.
    QCOMPARE(child(dlg.get(), "ComComboBox1")->count(), 0);
    QCOMPARE(child(dlg.get(), "ComComboBox1")->currentText(), "COM1");
    QCOMPARE(child(dlg.get(), "ComComboBox3")->count(), 16);
}

void TestNastaveni::choosingApplies_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("target");  // 0 ComPort1, 1 ComPort2, 2 GPSPort
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");

    QTest::newRow("modem port") << "ComComboBox1" << 1 << false << 0 << "Port" << "/dev/ttyB";
    QTest::newRow("diagnostic port") << "ComComboBox2" << 2 << false << 1 << "Port" << "/dev/ttyC";
    QTest::newRow("GPS port") << "ComComboBox7" << 1 << false << 2 << "Port" << "/dev/ttyB";
    QTest::newRow("typed modem port") << "ComComboBox1" << -1 << true << 0 << "Port"
                                      << "/dev/serial/by-id/usb-Zenk-if01";
    QTest::newRow("typed GPS port") << "ComComboBox7" << -1 << true << 2 << "Port" << "/dev/pts/7";
    QTest::newRow("modem baud") << "ComComboBox3" << 12 << false << 0 << "BaudRate" << "57600";
    QTest::newRow("diagnostic baud") << "ComComboBox4" << 13 << false << 1 << "BaudRate" << "115200";
    QTest::newRow("modem flow") << "ComComboBox5" << 2 << false << 0 << "FlowControl" << "None";
    QTest::newRow("diagnostic flow") << "ComComboBox6" << 1 << false << 1 << "FlowControl"
                                     << "Software";
}

void TestNastaveni::choosingApplies()
{
    QFETCH(QString, box);
    QFETCH(int, index);
    QFETCH(bool, typed);
    QFETCH(int, target);
    QFETCH(QString, property);
    QFETCH(QString, value);

    const auto read = [&](int i) {
        TComPort *p = port(i);
        return property == QLatin1String("Port")       ? p->Port()
               : property == QLatin1String("BaudRate") ? p->BaudRateText()
                                                        : p->FlowControlText();
    };
    for (int i = 0; i < 3; ++i)
        port(i)->setPort(QStringLiteral("/dev/ttyA"));
    auto dlg = makeDialog({"/dev/ttyA", "/dev/ttyB", "/dev/ttyC"});
    const QStringList before{read(0), read(1), read(2)};

    QComboBox *combo = child(dlg.get(), box.toLatin1().constData());
    if (typed)
        typeName(combo, value);
    else
        choose(combo, index);

    for (int i = 0; i < 3; ++i)
        QCOMPARE(read(i), i == target ? value : before.at(i));
    QVERIFY(!port(target)->Connected());
    QVERIFY(m_dialogs->messages().isEmpty());
}

void TestNastaveni::portChangeOnOpenPort_data()
{
    QTest::addColumn<bool>("toWorkingDevice");
    QTest::newRow("reopens on the new device") << true;
    QTest::newRow("new device cannot be opened") << false;
}

void TestNastaveni::portChangeOnOpenPort()
{
    QFETCH(bool, toWorkingDevice);

    PtyPair first;
    PtyPair second;
    QVERIFY(first.isValid() && second.isValid());
    m_com1->setPort(first.slavePath());
    m_com1->OpenPort();
    auto dlg = makeDialog({first.slavePath(), second.slavePath(), NoDevice});

    choose(child(dlg.get(), "ComComboBox1"), toWorkingDevice ? 1 : 2);

    if (toWorkingDevice) {
        QVERIFY(m_dialogs->messages().isEmpty());
        QVERIFY(m_com1->Connected());
        QCOMPARE(m_com1->Port(), second.slavePath());
        m_com1->SendText("AT\r");
        QCOMPARE(second.readUntil("AT\r"), QByteArray("AT\r"));
    } else {
        const auto messages = m_dialogs->messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().icon, Dialogs::Icon::Error);
        QVERIFY2(messages.first().text.startsWith("Unable to open com port (win error code: "),
                 qPrintable(messages.first().text));
        QVERIFY(!m_com1->Connected());
    }
    m_com1->ClosePort();
}

void TestNastaveni::languageChoice()
{
    auto dlg = makeDialog({});
    int calls = 0;
    dlg->onLanguageChanged = [&] { ++calls; };
    dlg->cbJazyk()->addItems({"Cestina", "English"});
    // Selecting the stored language at start-up is not a user's choice.
    dlg->cbJazyk()->setCurrentIndex(0);
    QCOMPARE(calls, 0);
    choose(dlg->cbJazyk(), 1);
    QCOMPARE(calls, 1);
}

void TestNastaveni::okWritesLanguage_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("stored");

    QTest::newRow("second language") << QStringList{"Cestina", "English"} << 1 << 1;
    QTest::newRow("first language") << QStringList{"Cestina", "English"} << 0 << 0;
    QTest::newRow("nothing selected") << QStringList{"Cestina"} << -1 << -1;
    QTest::newRow("no language files") << QStringList{} << -1 << -1;
}

void TestNastaveni::okWritesLanguage()
{
    QFETCH(QStringList, languages);
    QFETCH(int, selected);
    QFETCH(int, stored);

    IniFile ini(m_ini);
    QVERIFY(ini.writeInteger("Info", "Jazyk", 5));
    auto dlg = makeDialog({});
    dlg->cbJazyk()->addItems(languages);
    dlg->cbJazyk()->setCurrentIndex(selected);

    m_dialogs->dialogActions.push_back([](QDialog *d) {
        QTest::mouseClick(d->findChild<QPushButton *>("btnOK"), Qt::LeftButton);
        return d->result();
    });
    QCOMPARE(Dialogs::instance().execDialog(dlg.get()), int(QDialog::Accepted));
    QCOMPARE(ini.readInteger("Info", "Jazyk", 99), stored);
    QVERIFY(m_dialogs->messages().isEmpty());
}

void TestNastaveni::closingOtherwiseStoresNothing()
{
    m_com1->setPort(QStringLiteral("/dev/ttyA"));
    auto dlg = makeDialog({"/dev/ttyA", "/dev/ttyB"});
    dlg->cbJazyk()->addItems({"Cestina", "English"});

    m_dialogs->dialogActions.push_back([&](QDialog *d) {
        choose(child(d, "ComComboBox1"), 1);
        choose(dlg->cbJazyk(), 1);
        d->close();
        return d->result();
    });
    QCOMPARE(Dialogs::instance().execDialog(dlg.get()), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(m_ini));
    // The choice stays in force for this run.
    QCOMPARE(m_com1->Port(), "/dev/ttyB");
}

void TestNastaveni::centresOnMainWindow()
{
    m_main->setGeometry(101, 57, 633, 319);
    m_main->show();
    auto dlg = makeDialog({});
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));

    const QRect main = m_main->frameGeometry();
    const QRect own = dlg->frameGeometry();
    QCOMPARE(own.left(), main.left() + main.width() / 2 - own.width() / 2);
    QCOMPARE(own.top(), main.top() + main.height() / 2 - own.height() / 2);
    QVERIFY(own.width() >= 354 && own.height() >= 185);
    dlg->hide();
}

void TestNastaveni::growsForLongCaptions()
{
    auto dlg = makeDialog({});
    const QSize designed = dlg->size();
    // A language file's caption longer than the layout's room.
    dlg->Label1()->setText(QStringLiteral("Modem port (short messages, phone information, "
                                          "phonebook and everything else)"));
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    QVERIFY(dlg->width() > designed.width());
    QVERIFY(dlg->Label1()->width() >= dlg->Label1()->sizeHint().width());
    dlg->hide();
}

void TestNastaveni::autoTestFindsHandset_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<bool>("modemFirst");
    QTest::addColumn<bool>("modemFound");

    QTest::newRow("diagnostic port listed first") << QStringList{} << false << true;
    QTest::newRow("modem port listed first") << QStringList{} << true << true;
    // The echo first, the answer later and a few bytes at a time, as USB links deliver it.
    QTest::newRow("answers in pieces")
        << QStringList{"--latency", "30", "--split", "2", "--gap", "20"} << false << true;
    // Only the maker word in capitals identifies the handset.
    QTest::newRow("maker in other case") << QStringList{"--maker", "Torvane"} << true << false;
}

void TestNastaveni::autoTestFindsHandset()
{
    QFETCH(QStringList, simArgs);
    QFETCH(bool, modemFirst);
    QFETCH(bool, modemFound);

    SimProcess sim(simArgs);
    QVERIFY(sim.start());
    const QStringList candidates = modemFirst ? QStringList{sim.modemPath(), sim.diagPath()}
                                              : QStringList{sim.diagPath(), sim.modemPath()};
    const int modemIndex = modemFirst ? 0 : 1;
    const int diagIndex = 1 - modemIndex;

    m_gps->setPort(sim.gpsPath());
    QSignalSpy gpsOpened(m_gps.get(), &TComPort::openChanged);
    auto dlg = makeDialog(candidates);
    QSignalSpy modemOpened(m_com1.get(), &TComPort::openChanged);

    dlg->btnTestPortuClick();

    QCOMPARE(child(dlg.get(), "ComComboBox2")->currentIndex(), diagIndex);
    QCOMPARE(m_com2->Port(), sim.diagPath());
    QCOMPARE(child(dlg.get(), "ComComboBox1")->currentIndex(), modemFound ? modemIndex : 0);
    QCOMPARE(m_com1->Port(), modemFound ? sim.modemPath() : candidates.at(0));
    QVERIFY(modemOpened.count() > 0);  // the probe did go through the port
    for (TComPort *p : {m_com1.get(), m_com2.get()}) {
        QVERIFY(!p->Connected());
        QCOMPARE(p->BaudRateText(), "115200");
    }
    QCOMPARE(child(dlg.get(), "ComComboBox3")->currentText(), "115200");
    QCOMPARE(child(dlg.get(), "ComComboBox4")->currentText(), "115200");
    QVERIFY(!child<QLabel>(dlg.get(), "Panel1")->isVisible());
    QCOMPARE(gpsOpened.count(), 0);
    QCOMPARE(m_gps->Port(), sim.gpsPath());
    QVERIFY(m_dialogs->messages().isEmpty());
}

void TestNastaveni::autoTestWithoutHandset()
{
    // One line that never answers, and one device that cannot be opened.
    PtyPair silent;
    QVERIFY(silent.isValid());
    m_gps->setPort(silent.slavePath());
    QSignalSpy gpsOpened(m_gps.get(), &TComPort::openChanged);
    m_com1->setPort(QStringLiteral("/dev/ttyWAS1"));
    auto dlg = makeDialog({silent.slavePath(), NoDevice});

    dlg->btnTestPortuClick();

    // Both probes went out on the silent line; nothing came back.
    const QByteArray written = silent.read(200);
    QVERIFY(written.contains(QByteArray("\x59\x0C\xC4\xC1\x7E", 5)));
    QVERIFY(written.contains("AT+CGMI\r"));
    for (const char *name : {"ComComboBox1", "ComComboBox2"})
        QCOMPARE(child(dlg.get(), name)->currentIndex(), 0);
    // The name shown is the name in force (and the one that OK would store).
    QCOMPARE(m_com1->Port(), silent.slavePath());
    QCOMPARE(m_com2->Port(), silent.slavePath());
    QVERIFY(!m_com1->Connected());
    QVERIFY(!m_com2->Connected());
    QCOMPARE(gpsOpened.count(), 0);
    QVERIFY(m_dialogs->messages().isEmpty());
}

QTEST_MAIN(TestNastaveni)
#include "tst_nastaveni.moc"
