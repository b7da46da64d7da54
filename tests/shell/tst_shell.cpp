// The main window of the phone manager: its start-up against the simulated
// handset (answering, silent, absent, another maker, the start-up options),
// the menu items that write the configuration, the port settings dialog, the
// about box, the tray icon, the PC clock, and the start of ossik.

#include "about.h"
#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "infopage.h"
#include "lockspage.h"
#include "inifile.h"
#include "nastaveni.h"
#include "processlist.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "startup.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace {

const QString Offline = QStringLiteral("Práce Offline - Nenalezen telefon !");
const QString NoHandset = QStringLiteral("Telefon neni připojen, nebo chybná konfigurace portu");
const QString PortMissing = QStringLiteral("Port %s neexistuje.");  // %s: the port's name
const QString PortMissingHint =
    QStringLiteral("Připojte telefon nebo zvolte jiný port v Nastavení / Porty a jazyk.");

// A program folder of its own for each case, and the main window built on it.
struct Fixture
{
    QTemporaryDir folder;
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    std::unique_ptr<TForm1> form;

    QString path(const QString &name) const { return folder.path() + QLatin1Char('/') + name; }

    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    TForm1 &create()
    {
        form = std::make_unique<TForm1>(folder.path(), clock);
        return *form;
    }

    TForm1 &startUp()
    {
        if (!form)
            create();
        form->show();
        StartUp(*form, processes, QCoreApplication::applicationFilePath());
        return *form;
    }

    QString ini(const QByteArray &section, const QByteArray &key) const
    {
        return QString::fromLatin1(IniFile(path(QStringLiteral("torvane.ini"))).readString(section, key, "<none>"));
    }
};

QStringList messageTexts(const ScriptedDialogs &dialogs)
{
    QStringList out;
    for (const auto &m : dialogs.messages())
        out << m.text;
    return out;
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void startUp_data();
    void startUp();
    void defaultReceiveHandler();
    void portFailureDuringRefresh();
    void userChangesRaiseSignals();
    void startSettings_data();
    void startSettings();
    void checkItemsWriteAtOnce_data();
    void checkItemsWriteAtOnce();
    void portSettingsDialog_data();
    void portSettingsDialog();
    void aboutBox_data();
    void aboutBox();
    void aboutLinks();
    void trayClickTogglesWindow();
    void clock_data();
    void clock();
    void startsOssik_data();
    void startsOssik();

public slots:
    void openUrl(const QUrl &url) { m_openedUrls << url; }

private:
    QList<QUrl> m_openedUrls;
};

void TestShell::startUp_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<bool>("portExists");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<bool>("fullReadout");
    QTest::addColumn<bool>("controlsOn");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("panel0");
    QTest::addColumn<QStringList>("message");  // lines of the one box expected, none when empty
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("page");

    const int none = -1;
    const int info = int(Dialogs::Icon::Information);
    const int warning = int(Dialogs::Icon::Warning);

    QTest::newRow("handset answers") << QStringList{} << true << QByteArray()
        << "TORVANE" << true << true << "obsazen" << "" << QStringList{} << none << 0;
    QTest::newRow("handset silent") << QStringList{"--silent"} << true << QByteArray()
        << "" << false << false << "obsazen" << Offline << QStringList{NoHandset} << info << 0;
    QTest::newRow("port missing") << QStringList{} << false << QByteArray()
        << "" << false << false << "nelze otevřít" << "" << QStringList{PortMissing, PortMissingHint}
        << warning << 0;
    QTest::newRow("maker and model only") << QStringList{} << true << QByteArray("[Info]\nAktivni=1\n")
        << "TORVANE" << false << true << "obsazen" << "" << QStringList{} << none << 0;
    QTest::newRow("SMS page in front") << QStringList{} << true << QByteArray("[SMS]\nAktivni=1\n")
        << "TORVANE" << true << true << "obsazen" << "" << QStringList{} << none << 4;
    QTest::newRow("another maker") << QStringList{"--maker", "NOKIA"} << true << QByteArray()
        << "NOKIA" << true << false << "obsazen" << "" << QStringList{} << none << 0;
    // The maker word is compared in its exact case.
    QTest::newRow("maker word in another case") << QStringList{"--maker", "Torvane"} << true << QByteArray()
        << "Torvane" << true << false << "obsazen" << "" << QStringList{} << none << 0;
}

void TestShell::startUp()
{
    QFETCH(QStringList, simArgs);
    QFETCH(bool, portExists);
    QFETCH(QByteArray, settings);
    QFETCH(QString, maker);
    QFETCH(bool, fullReadout);
    QFETCH(bool, controlsOn);
    QFETCH(QString, status);
    QFETCH(QString, panel0);
    QFETCH(QStringList, message);
    QFETCH(int, icon);
    QFETCH(int, page);

    SimProcess sim(simArgs);
    QVERIFY(sim.start());
    Fixture f;
    const QString port = portExists ? sim.modemPath() : sim.dir() + QStringLiteral("/absent");
    f.write(QStringLiteral("torvane.ini"), "[ComPort1]\nPort=" + port.toLocal8Bit() + "\n" + settings);

    TForm1 &form = f.create();
    QSignalSpy userPages(&form, &TForm1::pageChangedByUser);
    QSignalSpy userChanges[] = {
        {form.infoPage(), &InfoPage::ringVolumePicked},
        {form.infoPage(), &InfoPage::speakerVolumePicked},
        {form.infoPage(), &InfoPage::alertModePicked},
        {form.infoPage(), &InfoPage::optionToggled},
        {form.locksPage(), &LocksPage::lockToggled},
    };
    f.startUp();

    QCOMPARE(form.windowTitle(), QStringLiteral("Torvane komunikátor Zenk  v. 1.2.377"));
    QCOMPARE(f.processes.snapshots, 1);  // the guard looked once
    QCOMPARE(form.HlavniPanel()->currentIndex(), page);
    QCOMPARE(form.panelText(2), status);
    QCOMPARE(form.panelText(0), panel0);
    if (portExists)
        QCOMPARE(form.panelText(1), QStringLiteral("Port: ") + port);

    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(int(boxes[0].icon), icon);
        message.replaceInStrings(QStringLiteral("%s"), port);
        QCOMPARE(boxes[0].text.split(QLatin1Char('\n')), message);
    }

    InfoPage *infoPage = form.infoPage();
    QCOMPARE(infoPage->Vyrobce()->text(), maker);
    QCOMPARE(infoPage->model()->text(), maker.isEmpty() ? QString() : QStringLiteral("Zenk"));
    QCOMPARE(infoPage->IMEI()->text(), fullReadout ? QStringLiteral("356938035643809") : QString());
    QCOMPARE(infoPage->Poplatky()->text(), fullReadout ? QStringLiteral("2.50 CZK") : QStringLiteral("???"));
    if (fullReadout) {
        QCOMPARE(infoPage->Hlasitost_zvoneni()->currentText(), QStringLiteral("Střední"));
        QVERIFY(infoPage->option(1));
    }
    // Set by the program: nothing goes back to the handset.
    for (const QSignalSpy &spy : userChanges)
        QCOMPARE(spy.count(), 0);

    // Every control that needs a handset, on whichever page it is.
    int found = 0;
    for (const QString &name : TForm1::PhoneControlNames()) {
        for (QObject *o : form.findChildren<QObject *>(name)) {
            if (qobject_cast<QDialog *>(o->parent()))
                continue;
            ++found;
            QVERIFY2(o->property("enabled").toBool() == controlsOn, qPrintable(name));
        }
    }
    QVERIFY(found >= 14);  // the information and locks pages and the menu at least
    QVERIFY(form.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->isEnabled());
    QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("Refresh_Shuzky"))->isEnabled());
    QVERIFY(!form.ProgresPanel()->isVisible());

    // Releasing the port.
    form.findChild<QAction *>(QStringLiteral("UvolnitPort1"))->trigger();
    QCOMPARE(form.panelText(2), QStringLiteral("uvolněn"));
    QVERIFY(!form.ComPort1->Connected());
    QCOMPARE(userPages.count(), 0);
}

void TestShell::defaultReceiveHandler()
{
    // Answers to commands sent without a synchronous read reach the handler
    // installed at creation, which gathers them up to the "OK" line.
    SimProcess sim;
    QVERIFY(sim.start());
    Fixture f;
    f.write(QStringLiteral("torvane.ini"), "[ComPort1]\nPort=" + sim.modemPath().toLocal8Bit() + "\n");
    TForm1 &form = f.startUp();
    QByteArrayList replies;
    form.replies().onReplyComplete = [&](const QByteArray &reply) { replies << reply; };

    QVERIFY(form.SetModemPortOpen(true));
    form.ComPort1->SendText("AT+CBC\r");
    QTRY_COMPARE(replies.size(), 1);
    QCOMPARE(replies[0], QByteArray("AT+CBC\r\r+CBC: 0,80\r\r"));
    QVERIFY(form.replies().ReplyBuffer.isEmpty());
}

void TestShell::portFailureDuringRefresh()
{
    // The handset goes away while the port is open: the next presence check
    // must end in a message that says so, not in a crash, a hang or the
    // port layer's own text.
    auto sim = std::make_unique<SimProcess>();
    QVERIFY(sim->start());
    Fixture f;
    f.write(QStringLiteral("torvane.ini"), "[ComPort1]\nPort=" + sim->modemPath().toLocal8Bit() + "\n");
    TForm1 &form = f.startUp();
    QVERIFY(f.dialogs.messages().isEmpty());
    sim.reset();

    form.infoPage()->refresh()->click();
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Warning);
    QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Spojení s telefonem bylo přerušeno.")),
             qPrintable(boxes[0].text));
    QCOMPARE(form.panelText(2), QStringLiteral("uvolněn"));
    QVERIFY(!form.infoPage()->SynchrCas()->isEnabled());
    QVERIFY(form.ProgresPanel()->isHidden());
}

void TestShell::userChangesRaiseSignals()
{
    // What the user does on the pages is announced (and only that).
    Fixture f;
    TForm1 &form = f.create();
    form.show();
    InfoPage *page = form.infoPage();
    form.EnablePhoneControls(true);
    QSignalSpy ring(page, &InfoPage::ringVolumePicked);
    QSignalSpy option(page, &InfoPage::optionToggled);
    QSignalSpy lock(form.locksPage(), &LocksPage::lockToggled);

    page->Hlasitost_zvoneni()->setCurrentIndex(0);
    page->Hlasitost_zvoneni()->setFocus();
    QTest::keyClick(page->Hlasitost_zvoneni(), Qt::Key_Down);
    QCOMPARE(ring.count(), 1);
    QCOMPARE(ring.at(0).at(0).toInt(), 1);

    // A check toggled in the list, as the view does on a click.
    page->OstatniBox()->item(3)->setCheckState(Qt::Checked);
    page->OstatniBox()->item(3)->setText(QStringLiteral("hands-free"));
    page->setOption(3, false);
    QCOMPARE(option.count(), 1);
    QCOMPARE(option.at(0), (QVariantList{3, true}));

    form.locksPage()->Blokovani()->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(lock.count(), 1);
    QCOMPARE(lock.at(0), (QVariantList{1, true}));
}

void TestShell::startSettings_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("infoMenu");
    QTest::addColumn<bool>("smsFirst");

    const QStringList files{"en.lng", "cs.lng", "sk.CZ.lng", "notes.txt"};
    const QStringList names{"cs", "en", "sk"};
    QTest::newRow("no configuration file") << files << QByteArray() << names << 0 << false << false;
    QTest::newRow("second language") << files << QByteArray("[info]\njazyk=1\n") << names << 1 << false << false;
    QTest::newRow("index past the list") << files << QByteArray("[Info]\nJazyk=3\n") << names << -1 << false << false;
    QTest::newRow("no language files") << QStringList{} << QByteArray() << QStringList{} << -1 << false << false;
    QTest::newRow("options on") << files << QByteArray("[Info]\nAktivni=1\n[SMS]\nAktivni=2\n")
                                << names << 0 << true << true;
    QTest::newRow("options off") << files << QByteArray("[Info]\nAktivni=0\n[SMS]\nAktivni=0\n")
                                 << names << 0 << false << false;
}

void TestShell::startSettings()
{
    QFETCH(QStringList, files);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, languages);
    QFETCH(int, chosen);
    QFETCH(bool, infoMenu);
    QFETCH(bool, smsFirst);

    Fixture f;
    for (const QString &file : files)
        f.write(file, "[menu]\n");
    if (!settings.isEmpty())
        f.write(QStringLiteral("torvane.ini"), settings);
    TForm1 &form = f.create();
    form.BuildLanguageList();
    form.ReadStartSettings();

    QComboBox *box = form.nastaveni()->cbJazyk();
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
    QCOMPARE(shown, languages);
    QCOMPARE(box->currentIndex(), chosen);
    QCOMPARE(form.InfoMenu()->isChecked(), infoMenu);
    QCOMPARE(form.AktivniSMS()->isChecked(), smsFirst);
}

void TestShell::checkItemsWriteAtOnce_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("switchesPage");

    QTest::newRow("InfoMenu") << "InfoMenu" << QByteArray("Info") << false;
    QTest::newRow("AktivniSMS") << "AktivniSMS" << QByteArray("SMS") << true;
}

void TestShell::checkItemsWriteAtOnce()
{
    QFETCH(QString, item);
    QFETCH(QByteArray, section);
    QFETCH(bool, switchesPage);

    Fixture f;
    TForm1 &form = f.create();
    QSignalSpy userPages(&form, &TForm1::pageChangedByUser);
    QAction *action = form.findChild<QAction *>(item);
    QVERIFY(action);

    action->trigger();
    QCOMPARE(f.ini(section, "Aktivni"), QStringLiteral("1"));
    QCOMPARE(form.HlavniPanel()->currentIndex(), switchesPage ? 4 : 0);
    action->trigger();
    QCOMPARE(f.ini(section, "Aktivni"), QStringLiteral("0"));
    QCOMPARE(form.HlavniPanel()->currentIndex(), 0);
    QCOMPARE(userPages.count(), 0);
}

void TestShell::portSettingsDialog_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("iniIsFolder");
    QTest::addColumn<QString>("storedPort");
    QTest::addColumn<QString>("error");

    QTest::newRow("OK") << int(QDialog::Accepted) << false << "/dev/ttyZenk0" << "";
    QTest::newRow("closed otherwise") << int(QDialog::Rejected) << false << "<none>" << "";
    QTest::newRow("configuration not writable") << int(QDialog::Accepted) << true << "<none>"
                                                << "Failed to store settings";
}

void TestShell::portSettingsDialog()
{
    QFETCH(int, result);
    QFETCH(bool, iniIsFolder);
    QFETCH(QString, storedPort);
    QFETCH(QString, error);

    Fixture f;
    if (iniIsFolder)
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("torvane.ini")));
    TForm1 &form = f.create();
    f.dialogs.dialogActions.push_back([&](QDialog *dialog) {
        [&] { QCOMPARE(dialog, static_cast<QDialog *>(form.nastaveni())); }();
        form.ComPort1->setPort(QStringLiteral("/dev/ttyZenk0"));
        return result;
    });

    form.findChild<QAction *>(QStringLiteral("Komunikanport1"))->trigger();

    QCOMPARE(f.dialogs.requests.first().dialogName, QStringLiteral("TFrmNastaveni"));
    QCOMPARE(f.ini("ComPort1", "Port"), storedPort);
    if (!storedPort.startsWith(QLatin1Char('<'))) {
        QCOMPARE(f.ini("ComPort2", "Port"), QStringLiteral("COM1"));
        QCOMPARE(f.ini("GPSPort", "FlowControl"), QStringLiteral("Hardware"));
    }
    const QStringList boxes = messageTexts(f.dialogs);
    QCOMPARE(boxes.size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QVERIFY2(boxes[0].startsWith(error), qPrintable(boxes[0]));
}

void TestShell::aboutBox_data()
{
    QTest::addColumn<QByteArray>("left");   // Windows-1250, empty: no file
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<QString>("leftShown");
    QTest::addColumn<QString>("rightShown");

    QTest::newRow("both texts") << QByteArray("P\xF8\xEDli\x9A \x9Elu\x9D" "ou\xE8k\xFD k\xF9\xF2\n")
                                << QByteArray("druh\xFD\n")
                                << QStringLiteral("Příliš žluťoučký kůň") << QStringLiteral("druhý");
    QTest::newRow("no files") << QByteArray() << QByteArray() << QString() << QString();
    QTest::newRow("right only") << QByteArray() << QByteArray("R") << QString() << QStringLiteral("R");
}

void TestShell::aboutBox()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(QString, leftShown);
    QFETCH(QString, rightShown);

    Fixture f;
    if (!left.isEmpty())
        f.write(QStringLiteral("oprgl.txt"), left);
    if (!right.isEmpty())
        f.write(QStringLiteral("oprgr.txt"), right);
    TForm1 &form = f.startUp();
    TFrmAbout *about = form.about();

    about->show();
    QCOMPARE(about->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Torvane komunikátor v. 1.2.377"));
    QCOMPARE(about->findChild<QTextEdit *>(QStringLiteral("RichEdit1"))->toPlainText().trimmed(), leftShown);
    QCOMPARE(about->findChild<QTextEdit *>(QStringLiteral("RichEdit2"))->toPlainText().trimmed(), rightShown);
    QCOMPARE(about->size(), QSize(600, 360));
    about->hide();

    // Read again at every showing.
    f.write(QStringLiteral("oprgl.txt"), "nov\xFD");
    about->show();
    QCOMPARE(about->findChild<QTextEdit *>(QStringLiteral("RichEdit1"))->toPlainText(), QStringLiteral("nový"));
    about->hide();
    // The port box of the start-up is the only message.
    QCOMPARE(f.dialogs.messages().size(), 1);
}

void TestShell::aboutLinks()
{
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    Fixture f;
    TForm1 &form = f.create();
    for (const char *name : {"Label2", "Label3"})
        emit form.about()->findChild<QLabel *>(QString::fromLatin1(name))->linkActivated(QStringLiteral("#"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(m_openedUrls.size(), 2);
    QCOMPARE(m_openedUrls[0], QUrl(QStringLiteral("mailto:") + TFrmAbout::MailAddress));
    QCOMPARE(m_openedUrls[1], QUrl(TFrmAbout::WebAddress));
}

void TestShell::trayClickTogglesWindow()
{
    Fixture f;
    TForm1 &form = f.create();
    form.show();
    form.TrayIcon1Click();
    QVERIFY(!form.isVisible());
    form.TrayIcon1Click();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isMinimized());
}

void TestShell::clock_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");

    QTest::newRow("single digits") << QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))
                                   << "08:12:2006" << "09:05:07";
    QTest::newRow("afternoon") << QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59))
                               << "31:01:2026" << "23:59:59";
    QTest::newRow("midnight") << QDateTime(QDate(2000, 2, 29), QTime(0, 0, 0))
                              << "29:02:2000" << "00:00:00";
}

void TestShell::clock()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, date);
    QFETCH(QString, time);

    Fixture f;
    TForm1 &form = f.create();
    f.clock.set(now);
    // The running clock timer takes the new time within a second.
    QTRY_COMPARE(form.infoPage()->Datum_PC_R()->text(), date);
    QCOMPARE(form.infoPage()->Cas_PC_R()->text(), time);
}

void TestShell::startsOssik_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("present") << true;
    QTest::newRow("missing") << false;
}

void TestShell::startsOssik()
{
    QFETCH(bool, present);

    Fixture f;
    const QString marker = f.path(QStringLiteral("ossik-ran"));
    if (present) {
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("explorer")));
        f.write(QStringLiteral("explorer/ossik"),
                "#!/bin/sh\necho \"$#\" > '" + marker.toLocal8Bit() + ".new' && mv '"
                    + marker.toLocal8Bit() + ".new' '" + marker.toLocal8Bit() + "'\n");
        QFile::setPermissions(f.path(QStringLiteral("explorer/ossik")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    TForm1 &form = f.create();
    form.infoPage()->BitBtn1()->click();

    if (present) {
        QTRY_VERIFY(QFile::exists(marker));
        QFile m(marker);
        QVERIFY(m.open(QIODevice::ReadOnly));
        QCOMPARE(m.readAll(), QByteArray("0\n"));  // no arguments
    }
    QVERIFY(f.dialogs.messages().isEmpty());
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
