#include "language.h"

#include "accessiblenames.h"
#include "cp1250.h"
#include "infopage.h"
#include "inifile.h"
#include "labellededit.h"
#include "nastaveni.h"
#include "radiogroup.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

InfoPage *infoPageOf(QObject *control)
{
    for (QObject *o = control; o; o = o->parent()) {
        if (auto page = qobject_cast<InfoPage *>(o))
            return page;
    }
    return nullptr;
}

class Loader
{
public:
    explicit Loader(MessageTexts &texts)
        : m_texts(texts)
    {}

    void apply(const LanguageText &entry, QWidget *scope, const QByteArray &bytes);

private:
    void setItems(QObject *control, const LanguageText &entry, const QString &text);

    MessageTexts &m_texts;
    // The items of this load put so far into each check list and combo box
    // (none before item 0): InfoPage replaces such a list as a whole, without
    // raising its user signals.
    QHash<QObject *, QStringList> m_items;
};

void Loader::apply(const LanguageText &entry, QWidget *scope, const QByteArray &bytes)
{
    if (entry.target == Target::Message) {
        m_texts.*entry.message = bytes;
        return;
    }
    if (!scope)
        return;
    QObject *control = scope->findChild<QObject *>(QLatin1String(entry.control));
    if (!control)
        return;
    const QString text = Cp1250::toUnicode(bytes);

    switch (entry.target) {
    case Target::Message:
        break;
    case Target::Menu:
        if (auto menu = qobject_cast<QMenu *>(control))
            menu->setTitle(text);
        else if (auto action = qobject_cast<QAction *>(control))
            action->setText(text);
        break;
    case Target::Title:
        if (auto group = qobject_cast<QGroupBox *>(control))
            group->setTitle(text);
        break;
    case Target::Text:
        if (auto button = qobject_cast<QAbstractButton *>(control))
            button->setText(text);
        else if (auto label = qobject_cast<QLabel *>(control))
            label->setText(text);
        break;
    case Target::AccessibleName:
        if (auto widget = qobject_cast<QWidget *>(control))
            widget->setAccessibleName(text);
        break;
    case Target::Caption:
        if (auto edit = qobject_cast<LabelledEdit *>(control))
            edit->setCaption(text);
        break;
    case Target::Tab:
        if (auto tabs = qobject_cast<QTabWidget *>(control); tabs && entry.index < tabs->count())
            tabs->setTabText(entry.index, text);
        break;
    case Target::Column:
        if (auto tree = qobject_cast<QTreeWidget *>(control))
            tree->headerItem()->setText(entry.index, text);
        break;
    case Target::RadioItem:
        if (auto group = qobject_cast<RadioGroup *>(control)) {
            if (entry.index == 0)
                group->clearItems();
            group->addItem(text);
        }
        break;
    case Target::OptionItem:
    case Target::ComboItem:
        setItems(control, entry, text);
        break;
    }
}

void Loader::setItems(QObject *control, const LanguageText &entry, const QString &text)
{
    InfoPage *page = infoPageOf(control);
    if (!page)
        return;
    QStringList &items = m_items[control];
    items << text;

    if (entry.target == Target::OptionItem) {
        if (qobject_cast<QListWidget *>(control))
            page->setOptionItems(items);
        return;
    }
    auto box = qobject_cast<QComboBox *>(control);
    if (!box)
        return;
    page->setComboItems(box, items);
    if (entry.copyItemsTo) {
        if (auto copy = page->findChild<QComboBox *>(QLatin1String(entry.copyItemsTo)))
            page->setComboItems(copy, items);
    }
}

} // namespace

void LoadLanguage(const QString &fileName, QWidget *mainWindow, TFrmNastaveni *settings,
                  MessageTexts &texts)
{
    const IniFile file(fileName);
    Loader loader(texts);
    for (const LanguageSection &section : LanguageSections) {
        QWidget *scope = nullptr;
        if (qstrcmp(section.scope, SettingsScope) == 0)
            scope = settings;
        else if (!*section.scope)
            scope = mainWindow;
        else if (mainWindow)
            scope = mainWindow->findChild<QWidget *>(QLatin1String(section.scope));

        for (const LanguageText &entry : LanguageTexts) {
            if (qstrcmp(entry.section, section.name) == 0)
                loader.apply(entry, scope, ReadLanguageText(file, entry));
        }
    }
    // The lists and edits are named after the new texts beside them.
    if (mainWindow)
        NameUnlabelledControls(mainWindow);
    QCoreApplication::processEvents();
}
