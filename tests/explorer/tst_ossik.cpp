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
