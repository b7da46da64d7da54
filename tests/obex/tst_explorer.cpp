// The explorer window on the main window, against the simulated handset
// serving a temporary folder: browsing, deleting, making folders, copying
// both ways, a refused request, and the main window's own features working
// on the modem port afterwards.

#include "clock.h"
#include "comport.h"
#include "explorer.h"
#include "hlavni.h"
#include "infopage.h"
#include "inifile.h"
#include "processlist.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "startup.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

namespace {

struct Fixture
{
    QTemporaryDir program;
    QTemporaryDir tree;
    QTemporaryDir pc;
    SimProcess sim{{QStringLiteral("--obex"), tree.path()}};
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    std::unique_ptr<TForm1> form;
    TFrmExplorer *explorer = nullptr;

    bool start()
    {
        QDir t(tree.path());
        t.mkpath("mmc/pictures");
        t.mkpath("mmc/sounds/foto");
        t.mkpath("user");
        write(t.filePath("readme.txt"), "Torvane");
        write(t.filePath("mmc/pictures/a.jpg"), QByteArray(3000, 'j'));
        if (!sim.start())
            return false;
        sim.control("set obex.guard 50");
        write(program.filePath("torvane.ini"), "[ComPort1]\nPort=" + sim.modemPath().toLocal8Bit() + "\n");
        form = std::make_unique<TForm1>(program.path(), clock);
        form->show();
        StartUp(*form, processes, QCoreApplication::applicationFilePath());
        explorer = form->findChild<TFrmExplorer *>(QStringLiteral("FrmExplorer"));
        if (!explorer)
            return false;
        explorer->exchange()->setGuardTime(60);
        explorer->exchange()->setResponseTimeout(3000);
        explorer->setPcFolder(pc.path());
        return form->infoPage()->Vyrobce()->text() == QLatin1String("TORVANE");
    }

    static void write(const QString &path, const QByteArray &content)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }

    // Runs body while the explorer is on screen (opened from the main menu).
    void withExplorer(const std::function<void(TFrmExplorer &)> &body)
    {
        dialogs.dialogActions.push_back([this, body](QDialog *dialog) {
            dialog->show();
            body(*explorer);
            dialog->reject();
            return int(QDialog::Rejected);
        });
        form->PruzkumnikClick();
    }
};

QStringList rows(const TFrmExplorer &e)
{
    QStringList out;
    for (int i = 0; i < e.ZenkList()->topLevelItemCount(); ++i)
        out.append(e.ZenkList()->topLevelItem(i)->text(0));
    return out;
}

// Waits until the exchange that runs (or is about to) has ended.
bool settled(TFrmExplorer &e)
{
    QTest::qWait(20);
    return QTest::qWaitFor([&] { return !e.exchange()->busy(); }, 20000);
}

bool listed(TFrmExplorer &e, const QString &path, const QStringList &expected)
{
    if (!settled(e))
        return false;
    if (e.ZenkCesta()->text() != path || rows(e) != expected) {
        qWarning() << "shown" << e.ZenkCesta()->text() << rows(e);
        return false;
    }
    return true;
}

void select(TFrmExplorer &e, const QStringList &captions)
{
    e.ZenkList()->clearSelection();
    for (int i = 0; i < e.ZenkList()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = e.ZenkList()->topLevelItem(i);
        if (captions.contains(item->text(0))) {
            item->setSelected(true);
            e.ZenkList()->setCurrentItem(item, 0, QItemSelectionModel::Select);
        }
    }
}

void doubleClick(TFrmExplorer &e, const QString &caption)
{
    select(e, {caption});
    e.ZenkListDblClick();
}

} // namespace

class TestExplorer : public QObject
{
    Q_OBJECT

private slots:
    void browse();
    void deleteAndMakeFolder();
    void copyBothWays();
    void exactNames();
    void progressShowsBytes();
    void escapeNotConfirmedIsSaid();
    void refusalShownAndPortBack();
    void closedWhileWaiting();
    void commandWhileLeaving();
};

void TestExplorer::browse()
{
    Fixture f;
    QVERIFY(f.start());
    f.withExplorer([&](TFrmExplorer &e) {
        QCOMPARE(e.windowTitle(), QStringLiteral("Zenk Explorer"));
        QCOMPARE(e.size(), QSize(792, 523));
        // Opening lists the root: folders first, no "[..]".
        QVERIFY(listed(e, "\\", {"[mmc]", "[user]", "readme.txt"}));
        QCOMPARE(e.ZenkList()->currentItem()->text(0), QStringLiteral("[mmc]"));
        QCOMPARE(e.ZenkList()->topLevelItem(0)->text(1), QStringLiteral("<DIR>"));
        QCOMPARE(e.ZenkList()->topLevelItem(2)->text(1), QStringLiteral("7"));
        QVERIFY(!e.ZenkList()->topLevelItem(2)->text(2).isEmpty());

        doubleClick(e, "[mmc]");
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]"}));
        doubleClick(e, "[sounds]");
        QVERIFY(listed(e, "\\mmc\\sounds\\", {"[..]", "[foto]"}));
        doubleClick(e, "[foto]");
        QVERIFY(listed(e, "\\mmc\\sounds\\foto\\", {"[..]"}));
        doubleClick(e, "[..]");
        QVERIFY(listed(e, "\\mmc\\sounds\\", {"[..]", "[foto]"}));

        e.button("btnObrazky")->click();
        QVERIFY(listed(e, "\\mmc\\pictures\\", {"[..]", "a.jpg"}));
        // A file row opens nothing.
        doubleClick(e, "a.jpg");
        QVERIFY(!e.exchange()->busy());
        QCOMPARE(e.ZenkCesta()->text(), QStringLiteral("\\mmc\\pictures\\"));
        e.button("btnAdrUp")->click();
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]"}));
        e.button("btnUser")->click();
        QVERIFY(listed(e, "\\user\\", {"[..]"}));
        e.button("btnZenkRoot")->click();
        QVERIFY(listed(e, "\\", {"[mmc]", "[user]", "readme.txt"}));
        e.button("btnAdrUp")->click();
        QVERIFY(listed(e, "\\", {"[mmc]", "[user]", "readme.txt"}));
        e.button("btnHudba")->click();
        QVERIFY(listed(e, "\\mmc\\sounds\\", {"[..]", "[foto]"}));
    });
    QVERIFY(f.dialogs.messages().isEmpty());
    QCOMPARE(QDir::fromNativeSeparators(QString::fromLocal8Bit(
                 IniFile(f.program.filePath("torvane.ini")).readString("Explorer", "Cesta", ""))),
             f.pc.path());

    // The main window's own features work on the modem port again.
    f.form->infoPage()->refresh()->click();
    QCOMPARE(f.form->infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QVERIFY(f.dialogs.messages().isEmpty());
    QCOMPARE(f.sim.control("get obex.mode"), QByteArray("at\n"));
}

void TestExplorer::deleteAndMakeFolder()
{
    Fixture f;
    QVERIFY(f.start());
    QDir tree(f.tree.path());
    for (const char *name : {"user/a.txt", "user/b.txt", "user/c.txt"})
        Fixture::write(tree.filePath(name), "x");
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        e.button("btnUser")->click();
        QVERIFY(listed(e, "\\user\\", {"[..]", "a.txt", "b.txt", "c.txt"}));

        // No: nothing is deleted and the panel goes away.
        select(e, {"a.txt", "c.txt"});
        f.dialogs.answers.push_back(Dialogs::Answer::No);
        e.button("btnF8")->click();
        QVERIFY(e.PanelInfo()->isHidden());
        QVERIFY(tree.exists("user/a.txt"));

        f.sim.control("obexlog clear");
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.button("btnF8")->click();
        QCOMPARE(f.dialogs.messages().last().text, QStringLiteral("Opravdu smazat ?"));
        QCOMPARE(f.dialogs.messages().last().caption, QStringLiteral("Smazat"));
        QVERIFY(listed(e, "\\user\\", {"[..]", "b.txt"}));
        QVERIFY(e.PanelInfo()->isHidden());
        QCOMPARE(e.ProgressBarCelkem()->value(), 2);
        QVERIFY(!tree.exists("user/a.txt") && !tree.exists("user/c.txt"));
        QCOMPARE(f.sim.control("obexlog").count("DELETE"), 2);

        f.dialogs.inputs.push_back(QStringLiteral("Fotky z výletu"));
        e.button("btnF7")->click();
        QVERIFY(listed(e, QStringLiteral("\\user\\Fotky z výletu\\"), {"[..]"}));
        QVERIFY(tree.exists(QStringLiteral("user/Fotky z výletu")));
    });
    QCOMPARE(f.dialogs.messages().size(), 2);
}

void TestExplorer::copyBothWays()
{
    Fixture f;
    QVERIFY(f.start());
    QDir pc(f.pc.path());
    Fixture::write(pc.filePath("to-handset.bin"), QByteArray(20000, 'p'));
    Fixture::write(pc.filePath("a.jpg"), "the good old file");
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        e.button("btnObrazky")->click();
        QVERIFY(listed(e, "\\mmc\\pictures\\", {"[..]", "a.jpg"}));

        // PC pane to handset.
        QFileSystemModel *model = e.pcModel();
        QModelIndex source;
        QVERIFY(QTest::qWaitFor([&] {
            source = model->index(pc.filePath("to-handset.bin"));
            return source.isValid();
        }));
        e.PCList()->setFocus();
        e.PCList()->selectionModel()->select(source, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.btnF5Click();
        QVERIFY(listed(e, "\\mmc\\pictures\\", {"[..]", "a.jpg", "to-handset.bin"}));
        QFile sent(QDir(f.tree.path()).filePath("mmc/pictures/to-handset.bin"));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(sent.readAll(), QByteArray(20000, 'p'));

        // Handset pane to PC: an existing file is kept when the user says No.
        select(e, {"a.jpg", "to-handset.bin"});
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);  // copy?
        f.dialogs.answers.push_back(Dialogs::Answer::No);   // replace a.jpg?
        f.dialogs.answers.push_back(Dialogs::Answer::No);   // replace to-handset.bin?
        e.copyToPc();
        QVERIFY(settled(e));
        QFile kept(pc.filePath("a.jpg"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("the good old file"));

        // Now say Yes: F5 with the handset pane active copies it over.
        QFile::remove(pc.filePath("to-handset.bin"));
        select(e, {"a.jpg"});
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.ZenkList()->setFocus();
        e.button("btnF5")->click();
        QVERIFY(settled(e));
        QVERIFY(kept.seek(0));
        kept.close();
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(3000, 'j'));
    });
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 6);
    for (const auto &box : boxes)
        QCOMPARE(box.icon, Dialogs::Icon::Question);
    QCOMPARE(boxes[1].text, QStringLiteral("Kopírovat soubor(y) ?"));
    QVERIFY(boxes[2].text.contains("a.jpg"));
    QVERIFY(boxes[3].text.contains("to-handset.bin"));
}

void TestExplorer::exactNames()
{
    // Rows of names a caption cannot give back: each action works on the
    // entry listed, and a PC file is replaced only under its real name.
    Fixture f;
    QVERIFY(f.start());
    QDir tree(f.tree.path());
    Fixture::write(tree.filePath("mmc/notes"), "plain");
    Fixture::write(tree.filePath("mmc/[notes]"), "bracketed");
    Fixture::write(tree.filePath("mmc/\\evil.txt"), "from the handset");
    tree.mkpath("mmc/x\\y");
    Fixture::write(tree.filePath("mmc/x\\y/inner.txt"), "in");
    QDir pc(f.pc.path());
    Fixture::write(pc.filePath("evil.txt"), "keep");
    Fixture::write(pc.filePath("_evil.txt"), "old");
    auto content = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        e.button("btnMMC")->click();
        const QStringList shown{"[..]", "[pictures]", "[sounds]", "[x\\y]", "[notes]", "\\evil.txt", "notes"};
        QVERIFY(listed(e, "\\mmc\\", shown));

        select(e, {"[notes]"});
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.button("btnF8")->click();
        QVERIFY(settled(e));
        QVERIFY(!tree.exists("mmc/[notes]"));
        QCOMPARE(content(tree.filePath("mmc/notes")), QByteArray("plain"));

        select(e, {"\\evil.txt"});
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);  // copy?
        f.dialogs.answers.push_back(Dialogs::Answer::No);   // replace _evil.txt?
        e.copyToPc();
        QVERIFY(settled(e));
        QVERIFY(f.dialogs.messages().last().text.contains("_evil.txt"));
        QCOMPARE(content(pc.filePath("_evil.txt")), QByteArray("old"));
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.copyToPc();
        QVERIFY(settled(e));
        QCOMPARE(content(pc.filePath("_evil.txt")), QByteArray("from the handset"));
        QCOMPARE(content(pc.filePath("evil.txt")), QByteArray("keep"));

        doubleClick(e, "[x\\y]");
        QVERIFY(listed(e, "\\mmc\\x\\y\\", {"[..]", "inner.txt"}));
        doubleClick(e, "[..]");
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]", "[x\\y]", "\\evil.txt", "notes"}));
    });
    for (const auto &box : f.dialogs.messages())
        QCOMPARE(box.icon, Dialogs::Icon::Question);
}

void TestExplorer::progressShowsBytes()
{
    // A 2 MB copy each way: the file's bar counts its bytes as they go.
    static constexpr int Size = 2 * 1024 * 1024;
    Fixture f;
    QVERIFY(f.start());
    Fixture::write(QDir(f.tree.path()).filePath("mmc/big.bin"), QByteArray(Size, 'h'));
    Fixture::write(QDir(f.pc.path()).filePath("up.bin"), QByteArray(Size, 'p'));
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        e.button("btnMMC")->click();
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]", "big.bin"}));
        QList<int> seen;
        QObject::connect(e.ProgressBar(), &QProgressBar::valueChanged, [&](int v) {
            if (e.ProgressBar()->maximum() == Size)
                seen.append(v);
        });
        select(e, {"big.bin"});
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.copyToPc();
        QVERIFY(settled(e));
        QVERIFY(QFileInfo(QDir(f.pc.path()).filePath("big.bin")).size() == Size);
        QVERIFY2(std::any_of(seen.begin(), seen.end(), [](int v) { return v > 0 && v < Size; }),
                 qPrintable(QString::number(seen.size())));
        QCOMPARE(seen.last(), Size);

        seen.clear();
        QModelIndex source;
        QVERIFY(QTest::qWaitFor([&] {
            source = e.pcModel()->index(QDir(f.pc.path()).filePath("up.bin"));
            return source.isValid();
        }));
        e.PCList()->setFocus();
        e.PCList()->selectionModel()->select(source, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        f.dialogs.answers.push_back(Dialogs::Answer::Yes);
        e.btnF5Click();
        QVERIFY(settled(e));
        QCOMPARE(QFileInfo(QDir(f.tree.path()).filePath("mmc/up.bin")).size(), qint64(Size));
        QVERIFY(std::any_of(seen.begin(), seen.end(), [](int v) { return v > 0 && v < Size; }));
        QCOMPARE(seen.last(), Size);
    });
}

void TestExplorer::escapeNotConfirmedIsSaid()
{
    // The handset's guard time is far longer than the window keeps: no "OK"
    // comes to the escape. The listing is shown, with a warning.
    Fixture f;
    QVERIFY(f.start());
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        f.sim.control("set obex.guard 5000");
        e.button("btnMMC")->click();
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]"}));
        f.sim.control("set obex.guard 50");
    });
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Warning);
    QVERIFY2(boxes[0].text.contains(QStringLiteral("nepotvrdil návrat")), qPrintable(boxes[0].text));
}

void TestExplorer::refusalShownAndPortBack()
{
    Fixture f;
    QVERIFY(f.start());
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        e.button("btnMMC")->click();
        QVERIFY(listed(e, "\\mmc\\", {"[..]", "[pictures]", "[sounds]"}));
        f.sim.control("set obex.refuse \"GET C3\"");
        e.button("btnObrazky")->click();
        QVERIFY(settled(e));
        // The folder shown before stays, with its path.
        QCOMPARE(e.ZenkCesta()->text(), QStringLiteral("\\mmc\\"));
        QCOMPARE(rows(e), (QStringList{"[..]", "[pictures]", "[sounds]"}));

        // A folder that is not there: the handset's Not found.
        f.dialogs.inputs.push_back(QStringLiteral("nic"));
        f.sim.control("set obex.refuse \"SETPATH C4\"");
        e.button("btnF7")->click();
        QVERIFY(settled(e));
    });
    const auto boxes = f.dialogs.messages();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].icon, Dialogs::Icon::Error);
    QCOMPARE(boxes[0].caption, QStringLiteral("Chyba"));
    // The response's name in the window's language, not OBEX's English.
    QVERIFY2(boxes[0].text.contains(QStringLiteral("Zakázáno")) && boxes[0].text.contains("C3"),
             qPrintable(boxes[0].text));
    QCOMPARE(boxes[1].text, QStringLiteral("Chyba přenosu dat !"));

    f.form->infoPage()->refresh()->click();
    QCOMPARE(f.form->infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QCOMPARE(f.dialogs.messages().size(), 2);
}

void TestExplorer::closedWhileWaiting()
{
    // The handset stops answering and the user closes the window: the
    // window waits for the exchange to end, and the port works afterwards.
    Fixture f;
    QVERIFY(f.start());
    f.withExplorer([&](TFrmExplorer &e) {
        QVERIFY(settled(e));
        f.sim.control("set obex.stall GET");
        e.button("btnMMC")->click();
        QVERIFY(QTest::qWaitFor([&] { return f.sim.control("obexlog").contains("GET x-obex"); }, 10000));
        QVERIFY(e.exchange()->busy());
    });
    QVERIFY(!f.explorer->exchange()->busy());
    QVERIFY(f.explorer->isHidden());
    QCOMPARE(f.sim.control("get obex.mode"), QByteArray("at\n"));
    f.form->infoPage()->refresh()->click();
    QCOMPARE(f.form->infoPage()->Vyrobce()->text(), QStringLiteral("TORVANE"));
    QVERIFY(f.dialogs.messages().isEmpty());
}

void TestExplorer::commandWhileLeaving()
{
    // The rows are shown while the handset is still being taken back to AT
    // mode; a folder chosen then is listed as soon as it is.
    Fixture f;
    QVERIFY(f.start());
    f.sim.control("set obex.guard 300");
    f.explorer->exchange()->setGuardTime(320);
    f.withExplorer([&](TFrmExplorer &e) {
        QSignalSpy listings(e.exchange(), &ObexExchange::listingReceived);
        QVERIFY(listings.wait(10000));
        QVERIFY(e.exchange()->busy());
        QVERIFY(e.button("btnUser")->isEnabled());
        e.button("btnUser")->click();
        QVERIFY(listed(e, "\\user\\", {"[..]"}));
    });
    QVERIFY(f.dialogs.messages().isEmpty());
}

QTEST_MAIN(TestExplorer)
#include "tst_explorer.moc"
