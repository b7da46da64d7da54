// The phone manager driven as a screen reader drives it, against the
// simulated handset: every radio item and checkable button does its work
// when activated through the accessibility interface (whose "toggle" changes
// the state without a click), every list and edit has a name, Enter opens a
// phonebook row, and no menu or dialog has one mnemonic for two controls.

#include "clock.h"
#include "comport.h"
#include "hlavni.h"
#include "inifile.h"
#include "nastaveni.h"
#include "processlist.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "simprocess.h"
#include "startup.h"
#include "zavolatseznam.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMultiMap>
#include <QTabBar>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTest>

namespace {

QString writeState(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("pb.SM.size = 3\npb.SM.2 = +420603123456,145,Novak\npb.ME.size = 3\n");
    return path;
}

// The window on a program folder of its own, started against the simulator
// with its modem and GPS ports.
struct Fixture
{
    QTemporaryDir folder;
    // Small memories, so that a phonebook read ends within a row.
    QString statePath = writeState(folder.path() + QStringLiteral("/state.txt"));
    SimProcess sim{{QStringLiteral("--state"), statePath}};
    FixedClock clock{QDateTime(QDate(2006, 12, 8), QTime(9, 5, 7))};
    ScriptedDialogs dialogs;
    ScriptedProcessList processes;
    std::unique_ptr<TForm1> form;

    QString iniPath() const { return folder.path() + QStringLiteral("/torvane.ini"); }

    bool start()
    {
        if (!sim.start())
            return false;
        QFile ini(iniPath());
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[ComPort1]\nPort=" + sim.modemPath().toLocal8Bit() + "\n[GPSPort]\nPort="
                  + sim.gpsPath().toLocal8Bit() + "\n");
        ini.close();
        form = std::make_unique<TForm1>(folder.path(), clock);
        form->show();
        StartUp(*form, processes, QCoreApplication::applicationFilePath());
        return form->ComPort1->Connected();
    }
};

// The accessible object that a screen reader gets for a control: a widget
// by object name, "menu/Action" for an item of a menu, "list/row" for an item
// of a list widget.
QAccessibleInterface *accessibleControl(QWidget *window, const QString &path)
{
    const QStringList parts = path.split(u'/');
    if (parts.size() == 1) {
        QWidget *widget = window->findChild<QWidget *>(path);
        return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    }
    if (auto *menu = window->findChild<QMenu *>(parts[0])) {
        QAccessibleInterface *menuInterface = QAccessible::queryAccessibleInterface(menu);
        const QList<QAction *> actions = menu->actions();
        for (int i = 0; i < actions.size(); ++i)
            if (actions[i]->objectName() == parts[1])
                return menuInterface->child(i);
        return nullptr;
    }
    if (auto *list = window->findChild<QListWidget *>(parts[0])) {
        QAccessibleInterface *listInterface = QAccessible::queryAccessibleInterface(list);
        return listInterface->child(parts[1].toInt());
    }
    return nullptr;
}

QByteArray simLog(const SimProcess &sim)
{
    return sim.control("log");
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_f.reset(); }
    void controlActions_data();
    void controlActions();
    void everyControlNamed();
    void enterOpensPhonebookRow();
    void mnemonicsUnique_data();
    void mnemonicsUnique();

private:
    std::unique_ptr<Fixture> m_f;
};

// Each case gets a window and a handset of its own.
void TestAccessibility::init()
{
    m_f = std::make_unique<Fixture>();
    QVERIFY(m_f->start());
    QVERIFY(m_f->form->findChild<QWidget *>(QStringLiteral("vybertypu"))->isEnabled());
}

void TestAccessibility::controlActions_data()
{
    QTest::addColumn<int>("page");       // page of HlavniPanel shown first, -1 for a dialog
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("effect");  // "at", "ini", "gps data", "gps closed"
    QTest::addColumn<QString>("expected");

    const QString toggle = QAccessibleActionInterface::toggleAction();
    const QString press = QAccessibleActionInterface::pressAction();

    QTest::newRow("GPS Start") << int(TForm1::LocksPageIndex) << "GPSPripoj" << toggle
                               << "gps data" << QString();
    // Toggled twice: "Start", then "Stop".
    QTest::newRow("GPS Stop") << int(TForm1::LocksPageIndex) << "GPSPripoj" << toggle
                              << "gps closed" << QString();
    QTest::newRow("phonebook Jen ze SIM") << int(TForm1::PhonebookPageIndex) << "vybertypu_0" << toggle
                                          << "at" << "AT+CPBS=\"SM\"";
    QTest::newRow("SMS memory") << int(TForm1::SmsPageIndex) << "Nacist_SMS_1" << toggle << "at"
                                << "AT+CPMS=\"ME\"";
    QTest::newRow("SMS status") << int(TForm1::SmsPageIndex) << "Typ_SMS_4" << toggle << "at"
                                << "AT+CMGL=4";
    QTest::newRow("number choice") << -1 << "cislo_0" << toggle << "at" << "ATD+420608123456;";
    QTest::newRow("menu Nenačítat Info") << int(TForm1::InfoPageIndex) << "Posputn1/InfoMenu" << press
                                         << "ini" << "Info/Aktivni=1";
    QTest::newRow("menu Aktivní panel SMS") << int(TForm1::InfoPageIndex) << "Posputn1/AktivniSMS" << press
                                            << "ini" << "SMS/Aktivni=1";
    QTest::newRow("phonebook Uložena v telefonu") << int(TForm1::PhonebookPageIndex) << "vybertypu_1"
                                                  << toggle << "at" << "AT+CPBS=\"ME\"";
}

void TestAccessibility::controlActions()
{
    QFETCH(int, page);
    QFETCH(QString, control);
    QFETCH(QString, action);
    QFETCH(QString, effect);
    QFETCH(QString, expected);

    TForm1 &form = *m_f->form;
    QWidget *window = &form;
    if (page >= 0) {
        form.HlavniPanel()->setCurrentIndex(page);
    } else {
        TZavolatSeznam *choice = form.zavolatSeznam();
        choice->cislo()->setItems({QStringLiteral("+420608123456")});
        choice->show();
        window = choice;
    }
    QVERIFY(m_f->sim.control("log clear").startsWith("OK"));

    QAccessibleInterface *target = accessibleControl(window, control);
    QVERIFY2(target, qPrintable(control));
    // A read started by an earlier row keeps the pages disabled until it ends.
    QAccessibleActionInterface *actions = target->actionInterface();
    QVERIFY(actions);
    QVERIFY2(actions->actionNames().contains(action), qPrintable(actions->actionNames().join(u',')));
    if (effect == u"gps closed") {
        actions->doAction(action);
        QTRY_VERIFY(form.GPSPort->Connected());
    }
    actions->doAction(action);

    if (effect == u"at") {
        QTRY_VERIFY2_WITH_TIMEOUT(simLog(m_f->sim).contains(expected.toLatin1()),
                                  simLog(m_f->sim).constData(), 10000);
    } else if (effect == u"ini") {
        const QStringList keyValue = expected.split(u'=');
        const QStringList sectionKey = keyValue[0].split(u'/');
        QCOMPARE(QString::fromLatin1(IniFile(m_f->iniPath())
                                         .readString(sectionKey[0].toLatin1(), sectionKey[1].toLatin1(), "")),
                 keyValue[1]);
    } else if (effect == u"gps data") {
        auto *log = form.findChild<QListWidget *>(QStringLiteral("lbLOG"));
        QTRY_VERIFY_WITH_TIMEOUT(log->count() > 0, 10000);
        QVERIFY(log->item(0)->text().startsWith(u'$'));
        QVERIFY(form.GPSPort->Connected());
    } else if (effect == u"gps closed") {
        QTRY_VERIFY(!form.GPSPort->Connected());
    } else {
        QFAIL("unknown effect");
    }
    QStringList messages;
    for (const auto &m : m_f->dialogs.messages())
        messages << m.text;
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'\n')));
}

// Every list, table and edit that the user can reach on each page, and in
// the dialogs, tells a screen reader what it is.
void TestAccessibility::everyControlNamed()
{
    TForm1 &form = *m_f->form;
    QStringList unnamed;
    const auto walk = [&unnamed](QWidget *window, const QString &where) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus || !w->accessibleName().isEmpty())
                continue;
            // The edit inside a combo or spin box is named with it.
            const bool inner = qobject_cast<QComboBox *>(w->parentWidget())
                               || qobject_cast<QAbstractSpinBox *>(w->parentWidget());
            const bool edit = (qobject_cast<QLineEdit *>(w) && !inner) || qobject_cast<QAbstractSpinBox *>(w)
                              || qobject_cast<QTextEdit *>(w) || qobject_cast<QPlainTextEdit *>(w)
                              || (qobject_cast<QComboBox *>(w) && static_cast<QComboBox *>(w)->isEditable());
            if (edit || qobject_cast<QAbstractItemView *>(w))
                unnamed << where + u'/' + w->objectName() + u'(' + QString::fromLatin1(w->metaObject()->className()) + u')';
        }
    };
    for (int page = 0; page < form.HlavniPanel()->count(); ++page) {
        form.HlavniPanel()->setCurrentIndex(page);
        walk(&form, form.HlavniPanel()->widget(page)->objectName());
    }
    for (QDialog *dialog : form.findChildren<QDialog *>()) {
        dialog->show();
        walk(dialog, dialog->objectName());
        dialog->hide();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));

    // The OBEX explorer's two panes, side by side, are told apart.
    QWidget *explorer = form.findChild<QDialog *>(QStringLiteral("FrmExplorer"));
    QVERIFY(explorer);
    QCOMPARE((QStringList{explorer->findChild<QWidget *>(QStringLiteral("PCList"))->accessibleName(),
                          explorer->findChild<QWidget *>(QStringLiteral("ZenkList"))->accessibleName()}),
             (QStringList{"Soubory v PC", "Soubory v telefonu"}));
}

// With the keyboard alone: Space chooses the memory, Enter on a row opens it
// for editing.
void TestAccessibility::enterOpensPhonebookRow()
{
    TForm1 &form = *m_f->form;
    form.activateWindow();
    form.HlavniPanel()->setCurrentIndex(TForm1::PhonebookPageIndex);
    auto *sim = form.findChild<QAbstractButton *>(QStringLiteral("vybertypu_0"));
    sim->setFocus();
    QTest::keyClick(sim, Qt::Key_Space);
    auto *list = form.findChild<QTreeWidget *>(QStringLiteral("Seznam"));
    QTRY_VERIFY_WITH_TIMEOUT(list->topLevelItemCount() == 3 && form.HlavniPanel()->isEnabled(), 15000);
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return);
    QStringList shown;
    for (const auto &request : m_f->dialogs.requests)
        shown << request.dialogName;
    QVERIFY2(shown.contains(QStringLiteral("TEditSeznamForm")), qPrintable(shown.join(u',')));
}

namespace {

// The letter after a single "&", lower case; none for "&&" or no "&".
QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return {};
}

// Alt+letter reaches what a window shows: clashes among the mnemonics of
// the visible buttons, buddy labels and tabs of one window, and its menu bar.
QStringList clashes(QWidget *window, const QString &where)
{
    QMultiMap<QChar, QString> owners;
    const auto add = [&owners](const QString &text) {
        if (const QChar c = mnemonicOf(text); !c.isNull())
            owners.insert(c, QString(text).remove(u'&'));
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisible() || w->window() != window)
            continue;
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            add(button->text());
        else if (auto *label = qobject_cast<QLabel *>(w); label && label->buddy())
            add(label->text());
        else if (auto *tabs = qobject_cast<QTabBar *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
        else if (auto *bar = qobject_cast<QMenuBar *>(w))
            for (QAction *a : bar->actions())
                add(a->text());
    }
    QStringList out;
    for (const QChar c : owners.uniqueKeys())
        if (owners.count(c) > 1)
            out << where + QStringLiteral(" Alt+") + c + QStringLiteral(": ")
                       + QStringList(owners.values(c)).join(QStringLiteral(" | "));
    return out;
}

QStringList menuClashes(QMenu *menu)
{
    QMultiMap<QChar, QString> owners;
    for (QAction *a : menu->actions())
        if (const QChar c = mnemonicOf(a->text()); !c.isNull() && a->isVisible())
            owners.insert(c, a->text());
    QStringList out;
    for (const QChar c : owners.uniqueKeys())
        if (owners.count(c) > 1)
            out << menu->objectName() + u' ' + c + QStringLiteral(": ")
                       + QStringList(owners.values(c)).join(QStringLiteral(" | "));
    return out;
}

} // namespace

void TestAccessibility::mnemonicsUnique_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("cs") << "cs";
    QTest::newRow("en") << "en";
}

// No Alt+letter in one dialog or in one menu reaches two controls.
void TestAccessibility::mnemonicsUnique()
{
    QFETCH(QString, language);

    TForm1 &form = *m_f->form;
    for (const char *name : {"cs", "en"})
        QVERIFY(QFile::copy(QStringLiteral(LANGUAGE_DIR "/%1.lng").arg(QLatin1String(name)),
                            m_f->folder.filePath(QStringLiteral("%1.lng").arg(QLatin1String(name)))));
    form.BuildLanguageList();
    QComboBox *languages = form.nastaveni()->cbJazyk();
    languages->setCurrentIndex(languages->findText(language));
    form.LoadLanguage();

    QStringList found;
    for (QMenu *menu : form.findChildren<QMenu *>())
        found << menuClashes(menu);
    for (QDialog *dialog : form.findChildren<QDialog *>()) {
        dialog->show();
        found << clashes(dialog, dialog->objectName());
        dialog->hide();
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
