// The window's backup and restore against the simulated handset: the items
// of "Funkce", the folder dialog, the progress dialog that keeps the rest of
// the window from taking input, "Zrušit", and the closing message.

#include "backupmenu.h"
#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "scripteddialogs.h"
#include "simprocess.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

struct Fixture
{
    QTemporaryDir folder;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TForm1> form;

    bool start(const QByteArray &state, const QStringList &simArgs = {})
    {
        QFile stateFile(folder.filePath(QStringLiteral("state")));
        if (!stateFile.open(QIODevice::WriteOnly))
            return false;
        stateFile.write("obex.guard = 30\n" + state);
        stateFile.close();
        QDir().mkpath(folder.filePath(QStringLiteral("obex")));
        QDir().mkpath(folder.filePath(QStringLiteral("efs")));
        sim = std::make_unique<SimProcess>(QStringList{"--state", stateFile.fileName(), "--obex",
                                                       folder.filePath(QStringLiteral("obex")), "--efs",
                                                       folder.filePath(QStringLiteral("efs"))} + simArgs);
        if (!sim->start())
            return false;
        QFile ini(folder.filePath(QStringLiteral("torvane.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[ComPort1]\nPort=" + sim->modemPath().toLocal8Bit() + "\n[ComPort2]\nPort="
                  + sim->diagPath().toLocal8Bit() + "\n");
        ini.close();
        form = std::make_unique<TForm1>(folder.path(), clock);
        form->backupMenu()->setObexGuardMs(30);
        form->show();
        return true;
    }
    QAction *action(const char *name) const { return form->findChild<QAction *>(QLatin1String(name)); }
    QDialog *progress() const { return form->backupMenu()->progressDialog(); }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Calls step every 10 ms while the progress dialog is up.
struct WhileRunning
{
    WhileRunning(QDialog *dialog, std::function<void()> step)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, dialog, step] {
            if (!dialog->isVisible())
                return;
            ++ticks;
            modal = modal && QApplication::activeModalWidget() == dialog;
            step();
        });
        timer.start(10);
    }
    QTimer timer;
    int ticks = 0;
    bool modal = true;
};

} // namespace

class TestBackupWindow : public QObject
{
    Q_OBJECT

private slots:
    void menuItems();
    void backupAndRestore();
    void cancelEndsCleanly();
    void closingWaitsForTheEnd();
};

void TestBackupWindow::menuItems()
{
    Fixture f;
    QVERIFY(f.start({}));
    QMenu *funkce = f.form->findChild<QMenu *>(QStringLiteral("Funkce1"));
    QVERIFY(funkce);
    QCOMPARE(funkce->actions().value(1), f.action("ZalohovatTelefon"));
    QCOMPARE(funkce->actions().value(2), f.action("ObnovitZeZalohy"));
    QCOMPARE(f.action("ZalohovatTelefon")->text(), QString::fromUtf8("Zálohovat telefon…"));
    // A cancelled folder dialog starts nothing.
    f.action("ZalohovatTelefon")->trigger();
    QCOMPARE(f.dialogs.requests.size(), 1);
    QCOMPARE(f.dialogs.requests.first().kind, ScriptedDialogs::Request::Kind::Folder);
    QVERIFY(f.sim->control("log").isEmpty());
}

void TestBackupWindow::backupAndRestore()
{
    Fixture source;
    QVERIFY(source.start("pb.seed = 0\npb.SM.1 = +420603123456,145,Novak!\nsms.preset = demo\n"));
    QFile file(source.folder.filePath(QStringLiteral("obex/pozdrav.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Ahoj");
    file.close();
    QTemporaryDir work;
    const QString backup = work.filePath(QStringLiteral("zaloha"));
    source.dialogs.fileNames.push_back(backup);
    QSet<QString> parts;
    WhileRunning watch(source.progress(), [&] {
        parts.insert(source.progress()->findChild<QLabel *>(QStringLiteral("lbCast"))->text());
        // The rest of the window takes no input meanwhile.
        QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == source.progress());
    });
    source.action("ZalohovatTelefon")->trigger();
    QVERIFY(watch.ticks > 0);
    QVERIFY(watch.modal);
    // The SMS part may be over between two samples; the slower parts are seen.
    QVERIFY2(parts.contains(QStringLiteral("Telefonní seznam")) && parts.contains(QStringLiteral("Soubory (OBEX)")),
             qPrintable(QStringList(parts.values()).join(u',')));
    const auto done = source.dialogs.messages().last();
    QCOMPARE(done.icon, Dialogs::Icon::Information);
    QVERIFY2(done.text.startsWith(QStringLiteral("Záloha je uložena ve složce")), qPrintable(done.text));
    QVERIFY(done.text.contains(QStringLiteral("SMS: uloženo 7, odmítnuto 0")));
    QVERIFY(QFile::exists(backup + QStringLiteral("/manifest.json")));
    QVERIFY(source.form->ComPort1->OnRxChar);  // the window's own handler is back

    Fixture target;
    QVERIFY(target.start("pb.seed = 0\nsms.preset = empty\n"));
    target.dialogs.fileNames.push_back(backup);
    target.dialogs.answers.push_back(Dialogs::Answer::Yes);
    target.action("ObnovitZeZalohy")->trigger();
    const auto restored = target.dialogs.messages().last();
    QVERIFY2(restored.text.startsWith(QStringLiteral("Obnova ze zálohy skončila, vše je v telefonu.")), qPrintable(restored.text));
    QCOMPARE(target.sim->control("pb SM"), QByteArray("1 +420603123456,145,Novak!\n"));
    QVERIFY(target.sim->control("get sms.ME.4").startsWith("3,"));
    QCOMPARE(readAll(target.folder.filePath(QStringLiteral("obex/pozdrav.txt"))), QByteArray("Ahoj"));

    // A damaged backup is refused in the window's language, naming the file.
    QFile pdu(backup + QStringLiteral("/sms/ME.pdu"));
    QVERIFY(pdu.open(QIODevice::Append));
    pdu.write("5,1,00\r\n");
    pdu.close();
    target.dialogs.fileNames.push_back(backup);
    target.dialogs.answers.push_back(Dialogs::Answer::Yes);
    target.action("ObnovitZeZalohy")->trigger();
    const auto refused = target.dialogs.messages().last();
    QCOMPARE(refused.icon, Dialogs::Icon::Warning);
    QVERIFY2(refused.text.startsWith(QStringLiteral("Obnova ze zálohy nebyla dokončena (záloha je poškozená, soubor sms/ME.pdu neodpovídá).")),
             qPrintable(refused.text));
}

void TestBackupWindow::cancelEndsCleanly()
{
    QByteArray many = "pb.seed = 0\n";
    for (int i = 1; i <= 250; ++i)
        many += "pb.SM." + QByteArray::number(i) + " = 60312" + QByteArray::number(1000 + i) + ",129,Jmeno\n";
    Fixture f;
    QVERIFY(f.start(many, {"--latency", "20"}));
    QTemporaryDir work;
    const QString backup = work.filePath(QStringLiteral("zaloha"));
    f.dialogs.fileNames.push_back(backup);
    bool clicked = false;
    WhileRunning watch(f.progress(), [&] {
        if (!clicked && f.progress()->findChild<QLabel *>(QStringLiteral("lbPolozka"))->text().startsWith(QStringLiteral("SM "))) {
            QTest::mouseClick(f.progress()->findChild<QPushButton *>(QStringLiteral("btnZrusitZalohu")), Qt::LeftButton);
            clicked = true;
        }
    });
    f.action("ZalohovatTelefon")->trigger();
    QVERIFY(clicked);
    QVERIFY(!f.progress()->isVisible());
    const auto message = f.dialogs.messages().last();
    QCOMPARE(message.icon, Dialogs::Icon::Warning);
    QVERIFY2(message.text.contains(QStringLiteral("přerušeno uživatelem")), qPrintable(message.text));
    QFile manifest(backup + QStringLiteral("/manifest.json"));
    QVERIFY(!manifest.exists() || (manifest.open(QIODevice::ReadOnly)
                                   && QJsonDocument::fromJson(manifest.readAll()).object().value("incomplete").toBool()));
    // Ended at once: the rest of the memory was not read.
    QVERIFY(!f.sim->control("log").contains("AT+CPBR=100"));
}

void TestBackupWindow::closingWaitsForTheEnd()
{
    QByteArray many = "pb.seed = 0\n";
    for (int i = 1; i <= 250; ++i)
        many += "pb.SM." + QByteArray::number(i) + " = 60312" + QByteArray::number(1000 + i) + ",129,Jmeno\n";
    Fixture f;
    QVERIFY(f.start(many, {"--latency", "20"}));
    QTemporaryDir work;
    f.dialogs.fileNames.push_back(work.filePath(QStringLiteral("zaloha")));
    bool closed = false;
    WhileRunning watch(f.progress(), [&] {
        if (!closed && f.sim->control("log").contains("AT+CPBR=5")) {
            closed = true;
            // Refused while the run lasts; the run ends at its next step.
            QVERIFY(!f.form->close());
            QVERIFY(f.form->isVisible());
        }
    });
    f.action("ZalohovatTelefon")->trigger();
    QVERIFY(closed);
    QTRY_VERIFY(!f.form->isVisible());
    QVERIFY(!f.sim->control("log").contains("AT+CPBR=100"));
}

QTEST_MAIN(TestBackupWindow)
#include "tst_backup_window.moc"
