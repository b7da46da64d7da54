// The window of ossik against the simulated handset: the first start without
// settings, the languages and texts, the exit writes, navigation, both copy
// directions through the keys, delete and make folder, the failure messages
// of transfers and cancelling with Esc. The registry key is the file
// ZenkExplorer.conf in a temporary $XDG_CONFIG_HOME.

#include "comport.h"
#include "diagfilesystem.h"
#include "ossikform.h"
#include "processlist.h"
#include "scripteddialogs.h"
#include "setupdialog.h"
#include "simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

namespace {

QTemporaryDir *g_config = nullptr;

QString configFile()
{
    return g_config->path() + QStringLiteral("/ZenkExplorer.conf");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList rows(QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

// A program folder with the shipped language files.
struct ProgramFolder
{
    QTemporaryDir dir;
    ProgramFolder()
    {
        for (const char *lng : {"cs.lng", "en.lng"})
            QFile::copy(QStringLiteral(TORVANE_BIN_DIR "/explorer/") + QLatin1String(lng), dir.filePath(lng));
    }
    QString path() const { return dir.path() + QLatin1Char('/'); }
};

// Settings of a known port in the registry key.
void storePort(const QString &device)
{
    QSettings key(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZenkExplorer"));
    key.clear();
    key.setValue(QStringLiteral("Cesta"), 1);
    key.setValue(QStringLiteral("Jazyk"), 0);
    key.setValue(QStringLiteral("ComPort1/Port"), device);
    key.setValue(QStringLiteral("ComPort1/BaudRate"), QStringLiteral("115200"));
}

// The window started against the simulated handset serving a temporary folder.
struct Session
{
    QTemporaryDir efs;
    SimProcess sim;
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    std::unique_ptr<TForm1> form;

    explicit Session(QStringList simArgs = {}) : sim(QStringList{QStringLiteral("--efs"), efs.path()} + simArgs) {}

    bool start()
    {
        if (!sim.start())
            return false;
        storePort(sim.diagPath());
        form = std::make_unique<TForm1>(folder.path());
        form->fileSystem()->setReplyTimeoutMs(2000);
        form->StartUp(processes, QCoreApplication::applicationFilePath());
        form->show();
        return waitIdle();
    }
    bool waitIdle(int ms = 15000)
    {
        QDeadlineTimer deadline(ms);
        while ((form->fileSystem()->busy() || !form->ZenkList()->isEnabled()) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !form->fileSystem()->busy() && form->ZenkList()->isEnabled();
    }
    bool set(const QByteArray &key, const QByteArray &value)
    {
        return sim.control("set " + key + " " + value).startsWith("OK");
    }
    void selectZenkRow(const QString &caption)
    {
        const auto found = form->ZenkList()->findItems(caption, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        form->ZenkList()->setCurrentItem(found.first());
    }
    void key(QWidget *w, Qt::Key k)
    {
        w->setFocus();
        QTest::keyClick(w, k);
        QCoreApplication::processEvents();  // what the key queued
    }
    // Shows the PC folder and selects one of its files.
    void selectPcFile(const QString &path)
    {
        form->setPcFolder(QFileInfo(path).absolutePath());
        auto *model = static_cast<QFileSystemModel *>(form->PCList()->model());
        QTRY_VERIFY_WITH_TIMEOUT(model->index(path).isValid(), 5000);
        form->PCList()->selectionModel()->select(model->index(path), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    QList<ScriptedDialogs::Request> messages() const { return dialogs.messages(); }
};

} // namespace

class TstOssik : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstStartAsksForThePort();
    void languages_data();
    void languages();
    void exitStoresFolderAndLanguage();
    void navigation();
    void copyBothWays();
    void deleteAndMakeFolder();
    void transferFailures_data();
    void transferFailures();
    void escapeCancelsTransfer();
    void installedBesideTorvane();
    void pcPathJoin();
    void guardAsksWithOwnTexts();
    void downloadAsksBeforeReplacing_data();
    void downloadAsksBeforeReplacing();
    void namesBeginningWithBracket();
    void handsetNamesBecomeSafePcNames_data();
    void handsetNamesBecomeSafePcNames();
    void refusedNames_data();
    void refusedNames();
    void refusedRemovalIsReported();
    void rootButtonReopensPort();
};

// The guard asks with texts 54 to 57 of the language file; No leaves the server running.
void TstOssik::guardAsksWithOwnTexts()
{
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(Dialogs::Answer::No);
    ScriptedProcessList processes;
    processes.entries->append({4242, QStringLiteral("QPSTSE~1.EXE")});
    TForm1 form(folder.path());
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    QVERIFY(!dialogs.messages().isEmpty());
    const auto question = dialogs.messages().first();
    QCOMPARE(question.caption, QString::fromUtf8("Upozornění"));
    QCOMPARE(question.icon, Dialogs::Icon::Question);
    QVERIFY(question.text.startsWith(QString::fromUtf8("Byl zjištěn běžící Quallcomm Server")));
    QVERIFY(question.text.contains(QString::fromUtf8("Chcete process ukončit")));
    QVERIFY(processes.terminated.isEmpty());
}

// A download lands in the PC pane's folder; a drive root gets no second separator.
void TstOssik::pcPathJoin()
{
    QCOMPARE(TForm1::JoinPcPath(QStringLiteral("/home/jana"), QStringLiteral("a.jpg")), QStringLiteral("/home/jana/a.jpg"));
    QCOMPARE(TForm1::JoinPcPath(QStringLiteral("C:\\"), QStringLiteral("a.jpg")), QStringLiteral("C:\\a.jpg"));
    QCOMPARE(TForm1::JoinPcPath(QStringLiteral("/"), QStringLiteral("a.jpg")), QStringLiteral("/a.jpg"));
}

void TstOssik::init()
{
    QFile::remove(configFile());
}

void TstOssik::firstStartAsksForThePort()
{
    QTemporaryDir efs;
    SimProcess sim({QStringLiteral("--efs"), efs.path()});
    QVERIFY(sim.start());
    QVERIFY(QDir(efs.path()).mkpath("mmc1"));
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    const QString device = sim.diagPath();
    dialogs.dialogActions.push_back([device](QDialog *d) {
        auto *setup = qobject_cast<TSetupDialog *>(d);
        if (!setup)
            return int(QDialog::Rejected);
        setup->portBox()->setCurrentText(device);
        setup->baudBox()->setCurrentText(QStringLiteral("115200"));
        return int(QDialog::Accepted);
    });
    TForm1 form(folder.path());
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests[0].dialogName, QStringLiteral("Setup"));
    QCOMPARE(form.setupDialog()->windowTitle(), QStringLiteral("Setup"));
    // Then the root is listed.
    QTRY_VERIFY_WITH_TIMEOUT(!form.fileSystem()->busy() && form.ZenkList()->isEnabled(), 10000);
    QCOMPARE(rows(form.ZenkList()), QStringList{"[mmc1]"});
    QCOMPARE(form.ZenkCesta1()->text(), QStringLiteral("/"));
    QVERIFY(form.EFSFree()->text().startsWith(QStringLiteral("Volno: ")));
    QCOMPARE(form.width(), 802);
    QCOMPARE(form.height(), 557);

    // The registry key: defaults written, port settings in ComPort1.
    QSettings stored(configFile(), QSettings::IniFormat);
    QCOMPARE(stored.value("Cesta").toInt(), 1);
    QCOMPARE(stored.value("Jazyk").toInt(), 0);
    QCOMPARE(stored.value("ComPort1/Port").toString(), device);
    QCOMPARE(stored.value("ComPort1/BaudRate").toString(), QStringLiteral("115200"));
    QCOMPARE(stored.value("ComPort1/Parity").toString(), QStringLiteral("Even"));
    QCOMPARE(stored.value("ComPort1/FlowControl").toString(), QStringLiteral("Hardware"));
    QVERIFY(!stored.contains("ComPort1/CustomBaudRate"));
}

void TstOssik::languages_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArray>("content");  // of the first file
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("quit");
    QTest::addColumn<QString>("settings");

    QTest::newRow("shipped") << QStringList{"cs.lng", "en.lng"} << QByteArray() << QStringList{"cs", "en"}
                             << "Alt+F4 Konec" << QString::fromUtf8("Nastavení");
    // Offered as "a", read from "a.lng": this one's texts are not used.
    QTest::newRow("name up to the first dot") << QStringList{"a.b.lng"} << QByteArray("[rec]\r\n1=Setup\r\n")
                                              << QStringList{"a"} << "Alt+F4 Konec" << QString::fromUtf8("Nastavení");
    QTest::newRow("own file") << QStringList{"de.lng"} << QByteArray("[rec]\r\n1=Einstellungen\r\n26=Ende\r\n")
                              << QStringList{"de"} << "Ende" << "Einstellungen";
    QTest::newRow("key 26 missing") << QStringList{"x.lng"} << QByteArray("[rec]\r\n25=F8 Pryc\r\n")
                                    << QStringList{"x"} << "Alt+F4 Konec" << QString::fromUtf8("Nastavení");
    QTest::newRow("none") << QStringList{} << QByteArray() << QStringList{} << "Alt+F4 Konec"
                          << QString::fromUtf8("Nastavení");
}

void TstOssik::languages()
{
    QFETCH(QStringList, files);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, offered);
    QFETCH(QString, quit);
    QFETCH(QString, settings);
    QTemporaryDir folder;
    for (const QString &f : files) {
        if (content.isEmpty())
            QVERIFY(QFile::copy(QStringLiteral(TORVANE_BIN_DIR "/explorer/") + f, folder.filePath(f)));
        else
            QVERIFY(writeFile(folder.filePath(f), content));
    }
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    TForm1 form(folder.path() + QLatin1Char('/'));
    form.StartUp(processes, QCoreApplication::applicationFilePath());
    QStringList got;
    for (int i = 0; i < form.cbJazyk()->count(); ++i)
        got << form.cbJazyk()->itemText(i);
    QCOMPARE(got, offered);
    QCOMPARE(form.button("btnAltF4")->text(), quit);
    QCOMPARE(form.button("btnNastaveni")->text(), settings);
    QCOMPARE(form.button("btnMMC")->text(), QStringLiteral("MMC"));  // the file's default, without "&"
    if (offered == QStringList{"cs", "en"}) {
        form.cbJazyk()->setCurrentIndex(1);
        QCOMPARE(form.button("btnNastaveni")->text(), QStringLiteral("Settings"));
        QCOMPARE(form.button("btnF8")->text(), QStringLiteral("F8   Delete"));
    }
}

void TstOssik::exitStoresFolderAndLanguage()
{
    Session s;
    QVERIFY(s.start());
    s.form->ShellComboBox1()->setCurrentIndex(0);
    s.form->cbJazyk()->setCurrentIndex(1);
    s.form->close();
    QSettings stored(configFile(), QSettings::IniFormat);
    QCOMPARE(stored.value("Cesta").toInt(), 0);
    QCOMPARE(stored.value("Jazyk").toInt(), 1);

    // The next start restores both.
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    TForm1 next(s.folder.path());
    next.StartUp(processes, QCoreApplication::applicationFilePath());
    QCOMPARE(next.ShellComboBox1()->currentIndex(), 0);
    QCOMPARE(next.cbJazyk()->currentText(), QStringLiteral("en"));
    QCOMPARE(next.button("btnAltF4")->text(), QStringLiteral("Alt+F4 Exit"));
}

void TstOssik::navigation()
{
    Session s;
    QVERIFY(QDir(s.efs.path()).mkpath("mmc1/pictures"));
    QVERIFY(QDir(s.efs.path()).mkpath("mmc1/sounds"));
    QVERIFY(writeFile(s.efs.path() + "/mmc1/pictures/a.jpg", QByteArray(2047, 'x')));
    QVERIFY(s.start());
    QCOMPARE(rows(s.form->ZenkList()), QStringList{"[mmc1]"});

    s.selectZenkRow("[mmc1]");
    s.key(s.form->ZenkList(), Qt::Key_Return);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/mmc1"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[..]", "[pictures]", "[sounds]"}));

    s.selectZenkRow("[pictures]");
    s.key(s.form->ZenkList(), Qt::Key_Return);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/mmc1/pictures"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[..]", "a.jpg"}));
    QCOMPARE(s.form->ZenkList()->topLevelItem(1)->text(1), QStringLiteral("1 kB"));

    // Backspace goes to the parent, "[..]" too, and the root shows "/".
    s.key(s.form->ZenkList(), Qt::Key_Backspace);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/mmc1"));
    s.selectZenkRow("[..]");
    s.key(s.form->ZenkList(), Qt::Key_Return);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/"));

    // The shortcut buttons.
    s.form->button("btnHudba")->click();
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/mmc1/sounds"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList{"[..]"});
    // A missing folder: the window is usable again and says why.
    s.form->button("btnUser")->click();
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->statusBar()->currentMessage(), QString::fromUtf8("Složku nelze vypsat"));
    s.form->button("btnZenkRoot")->click();
    QVERIFY(s.waitIdle());
    QCOMPARE(rows(s.form->ZenkList()), QStringList{"[mmc1]"});
}

void TstOssik::copyBothWays()
{
    Session s;
    QVERIFY(QDir(s.efs.path()).mkpath("mmc1"));
    QVERIFY(s.start());
    QTemporaryDir pc;
    const QByteArray data = QByteArray("zenk ") .repeated(3000);
    QVERIFY(writeFile(pc.filePath("nahoru.txt"), data));
    s.selectZenkRow("[mmc1]");
    s.key(s.form->ZenkList(), Qt::Key_Return);
    QVERIFY(s.waitIdle());

    // F5 in the PC pane uploads into the handset's folder.
    s.selectPcFile(pc.filePath("nahoru.txt"));
    s.key(s.form->PCList(), Qt::Key_F5);
    QVERIFY(s.waitIdle());
    QVERIFY(!s.form->Progress()->isVisible());
    QCOMPARE(readFile(s.efs.path() + "/mmc1/nahoru.txt"), data);
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[..]", "nahoru.txt"}));

    // F5 in the handset pane downloads into the PC pane's folder.
    QVERIFY(QFile::remove(pc.filePath("nahoru.txt")));
    s.selectZenkRow("nahoru.txt");
    s.key(s.form->ZenkList(), Qt::Key_F5);
    QVERIFY(s.form->Progress()->isVisible());
    QVERIFY(!s.form->ZenkList()->isEnabled());  // no second transfer meanwhile
    QCOMPARE(s.form->findChild<QLabel *>("stZdroj")->text(), QStringLiteral("/mmc1/nahoru.txt"));
    QCOMPARE(s.form->findChild<QLabel *>("stCil")->text(), QDir::toNativeSeparators(pc.filePath("nahoru.txt")));
    QVERIFY(s.waitIdle());
    QVERIFY(!s.form->Progress()->isVisible());
    QCOMPARE(readFile(pc.filePath("nahoru.txt")), data);
    QCOMPARE(s.form->findChild<QLabel *>("lbVelikost")->text(), QStringLiteral("15000 B"));
    QCOMPARE(s.messages().size(), 0);
}

void TstOssik::deleteAndMakeFolder()
{
    Session s;
    QVERIFY(QDir(s.efs.path()).mkpath("plna"));
    QVERIFY(writeFile(s.efs.path() + "/plna/x", "x"));
    QVERIFY(writeFile(s.efs.path() + "/smaz.txt", "y"));
    QVERIFY(s.start());
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[plna]", "smaz.txt"}));

    // The question names the row as shown; No keeps everything.
    s.selectZenkRow("[plna]");
    s.dialogs.answers.push_back(Dialogs::Answer::No);
    s.key(s.form->ZenkList(), Qt::Key_Delete);
    QCOMPARE(s.messages().last().text, QStringLiteral("Opravdu smazat [plna] ?"));
    QCOMPARE(s.messages().last().caption, QStringLiteral("Smazat"));
    QVERIFY(s.form->ZenkList()->isEnabled());

    // Yes on a folder that is not empty: the handset refuses, the message, the relisting.
    s.dialogs.answers.push_back(Dialogs::Answer::Yes);
    s.key(s.form->ZenkList(), Qt::Key_F8);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.messages().last().text, QString::fromUtf8("Adresář nelze smazat !"));
    QCOMPARE(s.messages().last().caption, QStringLiteral("Chyba"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[plna]", "smaz.txt"}));

    s.selectZenkRow("smaz.txt");
    s.dialogs.answers.push_back(Dialogs::Answer::Yes);
    s.key(s.form->ZenkList(), Qt::Key_Delete);
    QVERIFY(s.waitIdle());
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[plna]"}));
    QVERIFY(!QFile::exists(s.efs.path() + "/smaz.txt"));

    // F7 asks for the name; an empty answer changes nothing.
    s.dialogs.inputs.push_back(QString());
    s.key(s.form->ZenkList(), Qt::Key_F7);
    QVERIFY(s.form->ZenkList()->isEnabled());
    s.dialogs.inputs.push_back(QString::fromUtf8("nový"));
    s.key(s.form->ZenkList(), Qt::Key_F7);
    QVERIFY(s.waitIdle());
    QCOMPARE(rows(s.form->ZenkList()), QStringList({QString::fromUtf8("[nový]"), "[plna]"}));
    QVERIFY(QFileInfo(s.efs.path() + QString::fromUtf8("/nový")).isDir());
}

// Every transfer failure ends with the window usable, the right message and no
// file on the PC.
void TstOssik::transferFailures_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QByteArray>("match");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("message");

    QTest::newRow("corrupt block") << QByteArray("corrupt") << QByteArray("590401") << true
                                   << QString::fromUtf8("Chyba při kopírování dat z telefonu\nPoškozený rámec od telefonu byl zahozen");
    QTest::newRow("read failure") << QByteArray("error") << QByteArray("590402") << true
                                  << QString::fromUtf8("Chyba při kopírování dat z telefonu");
    QTest::newRow("no reply") << QByteArray("drop") << QByteArray("590401") << true
                              << QString::fromUtf8("Chyba při kopírování dat z telefonu\nTelefon neodpověděl");
    QTest::newRow("write failure") << QByteArray("error") << QByteArray("590501") << false
                                   << QString::fromUtf8("Chyba při kopírování dat do telefonu");
}

void TstOssik::transferFailures()
{
    QFETCH(QByteArray, fault);
    QFETCH(QByteArray, match);
    QFETCH(bool, download);
    QFETCH(QString, message);
    Session s;
    QVERIFY(writeFile(s.efs.path() + "/f.bin", QByteArray(3000, 'f')));
    QVERIFY(s.start());
    QTemporaryDir pc;
    QVERIFY(writeFile(pc.filePath("g.bin"), QByteArray(3000, 'g')));
    s.form->setPcFolder(pc.path());
    QVERIFY(s.set("efs.fault.match", match));
    QVERIFY(s.set("efs.fault", fault));
    if (download) {
        s.selectZenkRow("f.bin");
        s.key(s.form->ZenkList(), Qt::Key_F5);
    } else {
        s.selectPcFile(pc.filePath("g.bin"));
        s.key(s.form->PCList(), Qt::Key_F5);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!s.messages().isEmpty(), 10000);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.messages().last().text, message);
    QVERIFY(!s.form->Progress()->isVisible());
    QVERIFY(s.form->button("btnF5")->isEnabled());
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"g.bin"});
}

void TstOssik::escapeCancelsTransfer()
{
    // A slow line keeps the transfer running while Esc is pressed.
    Session s({QStringLiteral("--baud"), QStringLiteral("9600")});
    QVERIFY(writeFile(s.efs.path() + "/velky.bin", QByteArray(60000, 'v')));
    QVERIFY(s.start());
    QTemporaryDir pc;
    s.form->setPcFolder(pc.path());
    s.selectZenkRow("velky.bin");
    s.key(s.form->ZenkList(), Qt::Key_F5);
    QVERIFY(s.form->Progress()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(s.form->findChild<QLabel *>("lbPrijato")->text() != "0 B", 10000);
    QTest::keyClick(s.form.get(), Qt::Key_Escape);
    QVERIFY(!s.form->Progress()->isVisible());
    QVERIFY(s.form->ZenkList()->isEnabled());
    QVERIFY(!s.form->fileSystem()->busy());
    const int requests = s.sim.control("diaglog").count('\n');
    // Nothing more is asked, and no file is left behind.
    QSignalSpy none(s.form->fileSystem(), &DiagFileSystem::failed);
    QVERIFY(!none.wait(1500));
    QCOMPARE(s.sim.control("diaglog").count('\n'), requests);
    QVERIFY(QDir(pc.path()).isEmpty());
}

// torvane starts bin/explorer/ossik; its language files are beside it.
void TstOssik::installedBesideTorvane()
{
    QVERIFY(QFileInfo(QStringLiteral(TORVANE_BIN_DIR "/explorer/ossik")).isExecutable());
    QVERIFY(QFile::exists(QStringLiteral(TORVANE_BIN_DIR "/explorer/cs.lng")));
    QVERIFY(QFile::exists(QStringLiteral(TORVANE_BIN_DIR "/explorer/en.lng")));
    // Started from another folder, it finds its settings and the port and lists the root.
    SimProcess sim;
    QVERIFY(sim.start());
    storePort(sim.diagPath());
    QProcess ossik;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", g_config->path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    ossik.setProcessEnvironment(env);
    ossik.setWorkingDirectory(QDir::tempPath());
    ossik.start(QStringLiteral(TORVANE_BIN_DIR "/explorer/ossik"), {});
    QVERIFY(ossik.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim.control("diaglog").contains("59 0B 00"), 15000);
    ossik.kill();
    ossik.waitForFinished();
}

// A download never replaces a PC file without the user's yes.
void TstOssik::downloadAsksBeforeReplacing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the PC file") << "readme.txt" << false;
    QTest::newRow("Yes replaces it") << "readme.txt" << true;
    QTest::newRow("a dot file") << ".bashrc" << false;
}

void TstOssik::downloadAsksBeforeReplacing()
{
    QFETCH(QString, name);
    QFETCH(bool, yes);
    Session s;
    QVERIFY(writeFile(s.efs.filePath(name), "from the handset"));
    QVERIFY(s.start());
    QTemporaryDir pc;
    QVERIFY(writeFile(pc.filePath(name), "the user's own"));
    s.form->setPcFolder(pc.path());
    s.selectZenkRow(name);
    s.dialogs.answers.push_back(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    s.key(s.form->ZenkList(), Qt::Key_F5);
    QCOMPARE(s.messages().size(), 1);
    QCOMPARE(s.messages().last().icon, Dialogs::Icon::Question);
    QCOMPARE(s.messages().last().text,
             QString::fromUtf8("Soubor %1 už v PC existuje. Přepsat ?").arg(QDir::toNativeSeparators(pc.filePath(name))));
    QVERIFY(s.waitIdle());
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->Progress()->isVisible(), 5000);
    QCOMPARE(readFile(pc.filePath(name)), yes ? QByteArray("from the handset") : QByteArray("the user's own"));
    QCOMPARE(s.sim.control("diaglog").contains("59 04 00"), yes);
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

// The row keeps the entry's exact name and kind: a file whose name begins
// with "[" is a file, and a folder "a" beside a file "[a]" stays apart.
void TstOssik::namesBeginningWithBracket()
{
    Session s;
    QVERIFY(QDir(s.efs.path()).mkpath("a"));
    QVERIFY(writeFile(s.efs.filePath("a/uvnitr.txt"), "i"));
    QVERIFY(writeFile(s.efs.filePath("[a]"), "file a"));
    QVERIFY(writeFile(s.efs.filePath("[backup] notes.txt"), "notes"));
    QVERIFY(s.start());
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[a]", "[a]", "[backup] notes.txt"}));
    QTemporaryDir pc;
    s.form->setPcFolder(pc.path());

    // F5 on "[backup] notes.txt" copies it.
    s.form->ZenkList()->setCurrentItem(s.form->ZenkList()->topLevelItem(2));
    s.key(s.form->ZenkList(), Qt::Key_F5);
    QVERIFY(s.waitIdle());
    QTRY_COMPARE_WITH_TIMEOUT(readFile(pc.filePath("[backup] notes.txt")), QByteArray("notes"), 5000);

    // Deleting the file "[a]" removes that file, not the folder "a".
    s.form->ZenkList()->setCurrentItem(s.form->ZenkList()->topLevelItem(1));
    s.dialogs.answers.push_back(Dialogs::Answer::Yes);
    s.key(s.form->ZenkList(), Qt::Key_Delete);
    QCOMPARE(s.messages().last().text, QStringLiteral("Opravdu smazat [a] ?"));
    QVERIFY(s.waitIdle());
    QVERIFY(!QFile::exists(s.efs.filePath("[a]")));
    QVERIFY(QFile::exists(s.efs.filePath("a/uvnitr.txt")));
    QVERIFY(s.sim.control("diaglog").contains("59 06 05 2F 5B 61 5D 00"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[a]", "[backup] notes.txt"}));

    // The folder row opens the folder.
    s.form->ZenkList()->setCurrentItem(s.form->ZenkList()->topLevelItem(0));
    s.key(s.form->ZenkList(), Qt::Key_Return);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.form->ZenkCesta1()->text(), QStringLiteral("/a"));
    QCOMPARE(rows(s.form->ZenkList()), QStringList({"[..]", "uvnitr.txt"}));
}

// Handset names become PC names only cleaned: separators that would leave
// the folder and control characters become "_".
void TstOssik::handsetNamesBecomeSafePcNames_data()
{
    QTest::addColumn<QString>("handsetName");
    QTest::addColumn<QString>("pcName");  // "" for refused
    QTest::newRow("backslashes") << "..\\..\\x.bat" << ".._.._x.bat";
    QTest::newRow("escape") << "a\x1b[2Jb" << "a_[2Jb";
    QTest::newRow("Windows characters") << "a:b?.txt" << "a_b_.txt";
}

void TstOssik::handsetNamesBecomeSafePcNames()
{
    QFETCH(QString, handsetName);
    QFETCH(QString, pcName);
    Session s;
    QVERIFY(writeFile(s.efs.filePath(handsetName), "data"));
    QVERIFY(s.start());
    QTemporaryDir pc;
    const QString inner = pc.filePath("in/side");
    QVERIFY(QDir().mkpath(inner));
    s.form->setPcFolder(inner);
    s.selectZenkRow(handsetName);
    s.key(s.form->ZenkList(), Qt::Key_F5);
    QVERIFY(s.waitIdle());
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->Progress()->isVisible(), 5000);
    QCOMPARE(s.messages().size(), 0);
    QCOMPARE(QDir(pc.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(inner).entryList(QDir::Files | QDir::Hidden), QStringList{pcName});
    QCOMPARE(readFile(QDir(inner).filePath(pcName)), QByteArray("data"));
}

// Names from the PC that the handset cannot take as one entry are refused
// with a message, and nothing is sent.
void TstOssik::refusedNames_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString notCp1250 = QString::fromUtf8("Název „%1“ obsahuje znak, který telefon neumí uložit");
    const QString notEntry = QString::fromUtf8("Název „%1“ nelze v telefonu použít (\"/\", řídicí znaky, \".\" a \"..\" nejsou dovoleny)");
    QTest::newRow("upload, Japanese") << true << QString::fromUtf8("日本.jpg") << notCp1250.arg(QString::fromUtf8("日本.jpg"));
    QTest::newRow("upload, emoji") << true << QString::fromUtf8("😀.jpg") << notCp1250.arg(QString::fromUtf8("😀.jpg"));
    QTest::newRow("upload, line feed") << true << "a\nb.txt" << notEntry.arg("a\\x0ab.txt");
    QTest::newRow("folder, slash") << false << "a/b" << notEntry.arg("a/b");
    QTest::newRow("folder, dots") << false << ".." << notEntry.arg("..");
    QTest::newRow("folder, escape") << false << "x\x1by" << notEntry.arg("x\\x1by");
    QTest::newRow("folder, Japanese") << false << QString::fromUtf8("日本") << notCp1250.arg(QString::fromUtf8("日本"));
}

void TstOssik::refusedNames()
{
    QFETCH(bool, upload);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Session s;
    QVERIFY(s.start());
    QVERIFY(s.sim.control("diaglog clear").startsWith("OK"));
    QTemporaryDir pc;
    if (upload) {
        QVERIFY(writeFile(pc.filePath(name), "x"));
        s.selectPcFile(pc.filePath(name));
        s.key(s.form->PCList(), Qt::Key_F5);
    } else {
        s.dialogs.inputs.push_back(name);
        s.key(s.form->ZenkList(), Qt::Key_F7);
    }
    QCOMPARE(s.messages().size(), 1);
    QCOMPARE(s.messages().last().text, message);
    QCOMPARE(s.messages().last().icon, Dialogs::Icon::Error);
    QVERIFY(s.form->ZenkList()->isEnabled());
    QVERIFY(!s.form->Progress()->isVisible());
    QCOMPARE(s.sim.control("diaglog"), QByteArray());
}

// A file the handset does not remove is reported, and the pane shows what is there.
void TstOssik::refusedRemovalIsReported()
{
    Session s;
    QVERIFY(writeFile(s.efs.filePath("zmizi.txt"), "z"));
    QVERIFY(writeFile(s.efs.filePath("zustane.txt"), "z"));
    QVERIFY(s.start());
    QVERIFY(QFile::remove(s.efs.filePath("zmizi.txt")));  // gone behind the window's back
    s.selectZenkRow("zmizi.txt");
    s.dialogs.answers.push_back(Dialogs::Answer::Yes);
    s.key(s.form->ZenkList(), Qt::Key_Delete);
    QVERIFY(s.waitIdle());
    QCOMPARE(s.messages().size(), 2);
    QCOMPARE(s.messages().last().text, QString::fromUtf8("Položku nelze smazat"));
    QCOMPARE(s.messages().last().icon, Dialogs::Icon::Error);
    QCOMPARE(rows(s.form->ZenkList()), QStringList{"zustane.txt"});
}

// The handset goes away (its line is lost) and comes back: the root button
// opens the port again, no settings dialog needed.
void TstOssik::rootButtonReopensPort()
{
    Session s;
    QVERIFY(writeFile(s.efs.filePath("a.txt"), "a"));
    QVERIFY(s.start());
    s.sim.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!s.form->ComPort1()->Connected(), 5000);
    QVERIFY(s.sim.start());
    s.form->button("btnZenkRoot")->click();
    QVERIFY(s.waitIdle());
    QVERIFY(s.form->ComPort1()->Connected());
    QCOMPARE(rows(s.form->ZenkList()), QStringList{"a.txt"});
    QVERIFY(s.form->EFSFree()->text().startsWith(QStringLiteral("Volno: ")));
    QCOMPARE(s.dialogs.requests.size(), 0);
}

int main(int argc, char **argv)
{
    QTemporaryDir config;
    g_config = &config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    TstOssik test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ossik.moc"
