// The feature pages carry every control that the language loader and the
// feature code look up by object name, with the built-in Czech captions and
// the enabled states a page has before any handset answers.

#include "addressbookpage.h"
#include "labellededit.h"
#include "languagefile.h"
#include "phonebookpage.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "smspage.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void labelledControls_data();
    void labelledControls();
    void controls_data();
    void controls();
    void addressTabsInOrder();
    void everythingClickable();

private:
    QWidget *page(const QString &name) const;

    std::unique_ptr<PhonebookPage> m_phonebook;
    std::unique_ptr<AddressBookPage> m_addressBook;
    std::unique_ptr<SmsPage> m_sms;
    ScriptedDialogs m_dialogs; // wired pages ask through the dialogs seam
};

QWidget *TestPages::page(const QString &name) const
{
    if (name == QLatin1String("seznam"))
        return m_phonebook.get();
    if (name == QLatin1String("adresar"))
        return m_addressBook.get();
    if (name == QLatin1String("sms"))
        return m_sms.get();
    return nullptr;
}

void TestPages::initTestCase()
{
    m_phonebook = std::make_unique<PhonebookPage>();
    m_addressBook = std::make_unique<AddressBookPage>();
    m_sms = std::make_unique<SmsPage>();
}

void TestPages::labelledControls_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    for (const LanguageText &entry : LanguageTexts) {
        if (!page(QLatin1String(entry.section)) || entry.target == Target::Message)
            continue;
        QTest::addRow("%s %d", entry.section, entry.key)
            << QString::fromLatin1(entry.section) << QString::fromLatin1(entry.control)
            << int(entry.target) << entry.index << QString::fromUtf8(entry.text);
    }
}

// Each text of the page's language section finds its control, of the kind
// the loader will treat it as, showing the Czech default before any load.
void TestPages::labelledControls()
{
    QFETCH(QString, section);
    QFETCH(QString, control);
    QFETCH(int, target);
    QFETCH(int, index);
    QFETCH(QString, text);

    const QList<QWidget *> found = page(section)->findChildren<QWidget *>(control);
    QCOMPARE(found.size(), 1);
    QWidget *widget = found.first();

    QString shown;
    switch (Target(target)) {
    case Target::Column: {
        auto tree = qobject_cast<QTreeWidget *>(widget);
        QVERIFY(tree);
        QVERIFY(index < tree->columnCount());
        shown = tree->headerItem()->text(index);
        break;
    }
    case Target::Title: {
        auto group = qobject_cast<QGroupBox *>(widget);
        QVERIFY(group);
        shown = group->title();
        break;
    }
    case Target::RadioItem: {
        auto group = qobject_cast<RadioGroup *>(widget);
        QVERIFY(group);
        QVERIFY(index < group->itemCount());
        shown = group->itemText(index);
        break;
    }
    case Target::Text:
        if (auto button = qobject_cast<QAbstractButton *>(widget))
            shown = button->text();
        else if (auto label = qobject_cast<QLabel *>(widget))
            shown = label->text();
        else
            QFAIL("neither a button nor a label");
        break;
    case Target::Caption: {
        auto edit = qobject_cast<LabelledEdit *>(widget);
        QVERIFY(edit);
        shown = edit->caption();
        break;
    }
    case Target::Tab: {
        auto tabs = qobject_cast<QTabWidget *>(widget);
        QVERIFY(tabs);
        QVERIFY(index < tabs->count());
        shown = tabs->tabText(index);
        break;
    }
    default:
        QFAIL("a kind of control none of these pages has");
    }
    QCOMPARE(shown, text);
}

void TestPages::controls_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("inside");
    QTest::addColumn<bool>("enabled");

    const auto row = [](const char *section, const char *control, const char *className,
                        const char *inside, bool enabled) {
        QTest::addRow("%s %s", section, control)
            << QString::fromLatin1(section) << QString::fromLatin1(control)
            << QString::fromLatin1(className) << QString::fromLatin1(inside) << enabled;
    };

    // Phonebook: the memory choice and re-reading wait for a handset; the
    // list files and the context menu work without one.
    row("seznam", "Seznam", "QTreeWidget", "", true);
    row("seznam", "vybertypu", "RadioGroup", "", false);
    row("seznam", "RefresSeznam", "QPushButton", "", false);
    row("seznam", "nacti", "QPushButton", "", true);
    row("seznam", "Ulozit", "QPushButton", "", true);
    row("seznam", "Panelinfo", "QLabel", "GroupBox1", true);
    row("seznam", "Obsazeno", "QLabel", "GroupBox2", true);
    row("seznam", "PopupMenuSeznam", "QMenu", "", true);
    row("seznam", "Aktualizuj1", "QMenu", "PopupMenuSeznam", true);
    for (const char *item : {"NatiSIM1", "Vtelefonu1", "Vlastnsla1", "Ztracenvolni1",
                             "Pijathovory1", "Naposledyvolan81", "ChrnnPIN21", "Servisnsla1",
                             "Blokovansla1", "Emergenci1", "MB1", "OV1"})
        row("seznam", item, "QAction", "Aktualizuj1", true);
    for (const char *item : {"Zavolat1", "Zavsit1", "Editace1", "Vymazat1", "Nast1", "Uloit1"})
        row("seznam", item, "QAction", "PopupMenuSeznam", true);

    // SMS: nothing works before a handset answers and a row is chosen.
    row("sms", "ListSMS", "QTreeWidget", "", true);
    row("sms", "SMSText", "QPlainTextEdit", "NahledSMS", true);
    row("sms", "Nacist_SMS", "RadioGroup", "", false);
    row("sms", "Typ_SMS", "RadioGroup", "", false);
    for (const char *button : {"Nova_SMS", "Odpoved_SMS", "AktualizujSMS", "Tisk_SMS",
                               "UlozitSMS", "Smazat_SMS"})
        row("sms", button, "QPushButton", "", false);
    row("sms", "PopupMenuSMS", "QMenu", "", true);
    for (const char *item : {"NovSMS1", "UpravSMS1", "SmazatSMS1"})
        row("sms", item, "QAction", "PopupMenuSMS", false);

    // Address book: loading works at once; the contact actions wait for a
    // chosen contact, the group buttons for a chosen group.
    row("adresar", "lvAdresar", "QTreeWidget", "", true);
    row("adresar", "RefreshAdr", "QPushButton", "", false);
    row("adresar", "SmazatAdr", "QPushButton", "", false);
    row("adresar", "ZavolatADR", "QPushButton", "", false);
    row("adresar", "ZavesitADR", "QPushButton", "", false);
    row("adresar", "NactiADR", "QPushButton", "", true);
    row("adresar", "UlozADR", "QPushButton", "", true);
    for (const char *field : {"adrZobrjmeno", "adrjmeno", "adrPrijmeni", "adrSouktel",
                              "adrObchTel", "adrSoukMobil", "adrObchMobil"})
        row("adresar", field, "LabelledEdit", "TabSheet1", true);
    for (const char *field : {"adrSEmail1", "adrSEmail2", "adrSWWW", "adrSfax", "adrSUlice",
                              "adrSmesto", "adrSPSC", "adrSZeme1", "adrSZeme2", "adrSDodatek",
                              "adrSpoznamka"})
        row("adresar", field, "LabelledEdit", "TabSheet3", true);
    for (const char *field : {"adrOEmail1", "adrOEmail2", "adrOWWW", "adrOfax", "adrOFirma",
                              "adrOpozice", "adrOulice", "adrOmesto", "adrOPSC", "adrOzeme1",
                              "adrOzeme2", "adrODodatek", "adrOpoznamka"})
        row("adresar", field, "LabelledEdit", "TabSheet5", true);
    for (const char *field : {"adrOZvuk", "adrOobrazek", "adrOnarozky"})
        row("adresar", field, "LabelledEdit", "TabSheet8", true);
    row("adresar", "LadrOskupina", "QLabel", "TabSheet8", true);
    row("adresar", "adrOskupina", "QComboBox", "TabSheet8", true);
    row("adresar", "LVSkupiny", "QTreeWidget", "TabSheet4", true);
    row("adresar", "edSkupiny", "QLineEdit", "TabSheet4", true);
    row("adresar", "btnUprav", "QPushButton", "TabSheet4", false);
    row("adresar", "btnPridat", "QPushButton", "TabSheet4", true);
    row("adresar", "BtnSmazat", "QPushButton", "TabSheet4", false);
    row("adresar", "PopupMenuAdresar", "QMenu", "", true);
    for (const char *item : {"PAdrAktualizuj", "PAdrSmazat", "PAdrZavolat", "PAdrZavesit"})
        row("adresar", item, "QAction", "PopupMenuAdresar", false);
}

void TestPages::controls()
{
    QFETCH(QString, section);
    QFETCH(QString, control);
    QFETCH(QString, className);
    QFETCH(QString, inside);
    QFETCH(bool, enabled);

    const QList<QObject *> found = page(section)->findChildren<QObject *>(control);
    QCOMPARE(found.size(), 1);
    QObject *object = found.first();
    QVERIFY2(object->inherits(className.toLatin1()), object->metaObject()->className());

    if (!inside.isEmpty()) {
        QObject *ancestor = object->parent();
        while (ancestor && ancestor->objectName() != inside)
            ancestor = ancestor->parent();
        QVERIFY2(ancestor, qPrintable(inside));
    }

    if (auto action = qobject_cast<QAction *>(object))
        QCOMPARE(action->isEnabled(), enabled);
    else
        QCOMPARE(qobject_cast<QWidget *>(object)->isEnabled(), enabled);
}

void TestPages::addressTabsInOrder()
{
    auto tabs = m_addressBook->findChild<QTabWidget *>(QStringLiteral("pgAdresar"));
    QVERIFY(tabs);
    QStringList names;
    for (int i = 0; i < tabs->count(); ++i)
        names << tabs->widget(i)->objectName();
    QCOMPARE(names, QStringList({"TabSheet1", "TabSheet3", "TabSheet5", "TabSheet8", "TabSheet4"}));

    for (const char *name : {"adrOZvuk", "adrOobrazek"})
        QVERIFY(m_addressBook->findChild<LabelledEdit *>(QLatin1String(name))->isReadOnly());
    QCOMPARE(m_addressBook->findChild<QLineEdit *>(QStringLiteral("edSkupiny"))->maxLength(), 25);
}

// Any click or menu choice must be harmless, also on a page not linked to a main window.
void TestPages::everythingClickable()
{
    for (QWidget *page : {static_cast<QWidget *>(m_phonebook.get()),
                          static_cast<QWidget *>(m_addressBook.get()),
                          static_cast<QWidget *>(m_sms.get())}) {
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        for (QWidget *widget : page->findChildren<QWidget *>())
            widget->setEnabled(true);
        for (QAbstractButton *button : page->findChildren<QAbstractButton *>())
            button->click();
        for (QAction *action : page->findChildren<QAction *>()) {
            action->setEnabled(true);
            action->trigger();
        }
        for (QTreeWidget *tree : page->findChildren<QTreeWidget *>()) {
            emit tree->customContextMenuRequested(QPoint(5, 5));
            for (QMenu *menu : page->findChildren<QMenu *>())
                menu->close();
        }
        page->hide();
    }
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
