#include "addressbookpage.h"
#include "ui_addressbookpage.h"

#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "programfolder.h"
#include "radiogroup.h"
#include "vcard.h"
#include "zavolatseznam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>

namespace {

const QString GroupFileName = QStringLiteral("GrpDList ver 01.db");
const QString DatabaseFileName = QStringLiteral("pbm_master_v_20.dat");
const QString VCardFileName = QStringLiteral("adresar.vcf");

// Page Up, Page Down, End, Home, Up and Down move the choice like a click.
bool isMoveKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

QString withoutAccelerator(QString caption)
{
    return caption.remove(QLatin1Char('&'));
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

AddressBookPage::AddressBookPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::AddressBookPage)
{
    m_ui->setupUi(this);
    m_ui->lvAdresar->header()->resizeSection(0, 36);
    m_adresarList.resize(AdresarCapacity + 1);
    m_skupinyList = ParseSkupinyList({}).entries;
    buildPopupMenu();
    connectHandlers();
}

AddressBookPage::~AddressBookPage()
{
    delete m_ui;
}

void AddressBookPage::setLink(Link link)
{
    m_link = std::move(link);
}

int AddressBookPage::AdresarCount() const
{
    return m_ui->lvAdresar->topLevelItemCount();
}

QList<TAdresar> AddressBookPage::loadedContacts() const
{
    return m_adresarList.mid(1, AdresarCount());
}

QTreeWidget *AddressBookPage::lvAdresar() const
{
    return m_ui->lvAdresar;
}

void AddressBookPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuAdresar"));
    const auto addItem = [this](const char *name, const QString &caption) {
        QAction *action = m_popup->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false);
        return action;
    };
    addItem("PAdrAktualizuj", QStringLiteral("Aktualizuj"));
    m_popup->addSeparator();
    addItem("PAdrSmazat", QStringLiteral("Smazat"));
    m_popup->addSeparator();
    QAction *smazat = m_popup->findChild<QAction *>(QStringLiteral("PAdrSmazat"));
    connect(smazat, &QAction::triggered, this, [this] { run([this] { SmazatAdrClick(); }); });
    QAction *zavolat = addItem("PAdrZavolat", QStringLiteral("Zavolat"));
    QAction *zavesit = addItem("PAdrZavesit", QStringLiteral("Zavěsit"));
    connect(zavolat, &QAction::triggered, this, [this] { run([this] { PAdrZavolatClick(); }); });
    connect(zavesit, &QAction::triggered, this, [this] { run([this] { PAdrZavesitClick(); }); });

    connect(m_ui->lvAdresar, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->lvAdresar->viewport()->mapToGlobal(pos));
    });
}

void AddressBookPage::connectHandlers()
{
#define ADRESAR_CONNECT_CHANGE(edit, field) \
    connect(m_ui->edit, &LabelledEdit::textChanged, this, &AddressBookPage::edit##Change);
    ADRESAR_EDITS(ADRESAR_CONNECT_CHANGE)
#undef ADRESAR_CONNECT_CHANGE

    connect(m_ui->NactiADR, &QPushButton::clicked, this, [this] { run([this] { NactiADRClick(); }); });
    connect(m_ui->UlozADR, &QPushButton::clicked, this, [this] { run([this] { UlozADRClick(); }); });
    connect(m_ui->SmazatAdr, &QPushButton::clicked, this, [this] { run([this] { SmazatAdrClick(); }); });
    // The buttons beside the list do what the menu items of the same name do.
    connect(m_ui->ZavolatADR, &QPushButton::clicked, this, [this] { run([this] { PAdrZavolatClick(); }); });
    connect(m_ui->ZavesitADR, &QPushButton::clicked, this, [this] { run([this] { PAdrZavesitClick(); }); });
    connect(m_ui->LVSkupiny, &QTreeWidget::itemClicked, this, [this] { LVSkupinyClick(); });

    m_ui->lvAdresar->viewport()->installEventFilter(this);
    m_ui->lvAdresar->installEventFilter(this);
    m_ui->LVSkupiny->installEventFilter(this);
}

bool AddressBookPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->lvAdresar->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            // A click on empty space leaves no contact chosen.
            if (!m_ui->lvAdresar->itemAt(mouse->position().toPoint()))
                m_ui->lvAdresar->clearSelection();
            lvAdresarClick();
        }
    } else if (event->type() == QEvent::KeyRelease
               && isMoveKey(static_cast<QKeyEvent *>(event)->key())) {
        if (watched == m_ui->lvAdresar)
            lvAdresarClick(); // lvAdresarKeyUp
        else if (watched == m_ui->LVSkupiny)
            LVSkupinyClick(); // LVSkupinyKeyUp
    }
    return QWidget::eventFilter(watched, event);
}

void AddressBookPage::run(const std::function<void()> &handler)
{
    if (m_link.guard)
        m_link.guard(handler);
    else
        handler();
}

QString AddressBookPage::message(QByteArray MessageTexts::*text) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    return Cp1250::toUnicode((m_link.texts ? *m_link.texts : defaults).*text);
}

void AddressBookPage::showMessageBox(bool error, const QString &text)
{
    Dialogs::instance().message(window(), error ? Dialogs::Icon::Error : Dialogs::Icon::Warning,
                                error ? QStringLiteral("Chyba") : QStringLiteral("Upozornění"), text,
                                Dialogs::Buttons::Ok);
}

QString AddressBookPage::dataFolder() const
{
    return m_link.programFolder.isEmpty() ? QString()
                                          : userFilesFolder(m_link.programFolder, QStringLiteral("DATA"));
}

QString AddressBookPage::groupFilePath() const
{
    return dataFolder() + GroupFileName;
}

// --- Loading ---------------------------------------------------------------

void AddressBookPage::NactiADRClick()
{
    m_ui->LVSkupiny->clear();

    // The contacts are what the user came for: without a group file they
    // are read without groups, and the user is told once.
    QByteArray groups;
    QFile groupFile(groupFilePath());
    if (groupFile.open(QIODevice::ReadOnly)) {
        groups = groupFile.readAll();
        if (groupFile.error() != QFileDevice::NoError)
            groups.clear();
    }
    if (!groupFile.isOpen() || groupFile.error() != QFileDevice::NoError)
        showMessageBox(false, message(&MessageTexts::adrGroupsUnreadable)
                                  .arg(nativePath(QFileInfo(groupFile).absoluteFilePath())));
    groupFile.close();
    showGroups(groups);

    const QString path = Dialogs::instance().openFileName(
        window(), withoutAccelerator(m_ui->NactiADR->text()), dataFolder() + DatabaseFileName,
        QStringLiteral("*.dat (*.dat)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        showMessageBox(true, message(&MessageTexts::adrFileUnreadable).arg(nativePath(path))
                                 + u'\n' + file.errorString());
        return;
    }
    showContacts(bytes);
}

void AddressBookPage::showGroups(const QByteArray &file)
{
    const SkupinyTable table = ParseSkupinyList(file);
    m_skupinyList = table.entries;
    m_ui->adrOskupina->clear();
    m_ui->adrOskupina->addItem(QString());
    m_ui->LVSkupiny->clear();
    for (int i = 1; i <= table.count; ++i) {
        const QString name = Cp1250::toUnicode(m_skupinyList[i].NazevSkupiny);
        m_ui->adrOskupina->addItem(name);
        new QTreeWidgetItem(m_ui->LVSkupiny, QStringList{name});
    }
}

void AddressBookPage::showContacts(const QByteArray &file)
{
    const AdresarFile read = ReadAdresarFile(file);
    QTreeWidget *list = m_ui->lvAdresar;
    list->setUpdatesEnabled(false);
    list->clear();
    std::fill(m_adresarList.begin(), m_adresarList.end(), TAdresar());
    for (qsizetype k = 0; k < read.contacts.size(); ++k) {
        m_adresarList[k + 1] = read.contacts[k];
        new QTreeWidgetItem(list, QStringList{QStringLiteral("%1").arg(k + 1, 3, 10, QLatin1Char('0')),
                                              read.contacts[k].ZobrJmeno});
    }
    list->setUpdatesEnabled(true);

    // The edits showed a contact of the old list: typing must not change
    // whichever contact of the new list has the same number.
    m_adresarIndex = 0;
    clearEdits();

    if (m_link.setStatusText) {
        if (read.notShown() > 0) {
            const QString current = m_link.statusText ? m_link.statusText() : QString();
            if (m_ownStatus.isEmpty() || current != m_ownStatus)
                m_statusBefore = current;
            m_ownStatus = message(&MessageTexts::adrNotShown)
                              .arg(read.contacts.size())
                              .arg(read.total)
                              .arg(read.notShown());
            m_link.setStatusText(m_ownStatus);
        } else if (!m_ownStatus.isEmpty()) {
            if (m_link.statusText && m_link.statusText() == m_ownStatus)
                m_link.setStatusText(m_statusBefore);
            m_ownStatus.clear();
        }
    }
}

void AddressBookPage::clearEdits()
{
    m_filling = true;
#define ADRESAR_CLEAR(edit, field) m_ui->edit->setText(QString());
    ADRESAR_EDITS(ADRESAR_CLEAR)
#undef ADRESAR_CLEAR
    m_ui->adrOskupina->setCurrentIndex(0);
    m_filling = false;
}

// --- Choosing and editing ---------------------------------------------------

void AddressBookPage::setContactControlsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui->SmazatAdr), static_cast<QWidget *>(m_ui->ZavolatADR),
                       static_cast<QWidget *>(m_ui->ZavesitADR)})
        w->setEnabled(enabled);
    for (const char *name : {"PAdrSmazat", "PAdrZavolat", "PAdrZavesit"})
        if (QAction *a = m_popup->findChild<QAction *>(QLatin1String(name)))
            a->setEnabled(enabled);
}

void AddressBookPage::lvAdresarClick()
{
    QTreeWidgetItem *item = m_ui->lvAdresar->currentItem();
    if (!item || !item->isSelected()) {
        setContactControlsEnabled(false);
        return;
    }
    m_adresarIndex = m_ui->lvAdresar->indexOfTopLevelItem(item) + 1;
    const TAdresar &c = m_adresarList[m_adresarIndex];

    // The edits take the record's own texts; storing them back would only
    // repeat them.
    m_filling = true;
#define ADRESAR_FILL(edit, field) m_ui->edit->setText(c.field);
    ADRESAR_EDITS(ADRESAR_FILL)
#undef ADRESAR_FILL
    m_ui->adrOskupina->setCurrentIndex(GroupEntryFor(m_skupinyList, c.SkupinaCislo));
    m_filling = false;

    setContactControlsEnabled(true);
}

void AddressBookPage::store(QString TAdresar::*field, const QString &text)
{
    if (m_filling || m_adresarIndex < 1 || m_adresarIndex > AdresarCapacity)
        return;
    m_adresarList[m_adresarIndex].*field = text;
}

// The list follows the display name.
void AddressBookPage::displayNameTyped(const QString &text)
{
    if (m_filling || m_adresarIndex < 1)
        return;
    if (QTreeWidgetItem *row = m_ui->lvAdresar->topLevelItem(m_adresarIndex - 1))
        row->setText(1, text);
}

#define ADRESAR_DEFINE_CHANGE(edit, field)                      \
    void AddressBookPage::edit##Change(const QString &text)     \
    {                                                           \
        store(&TAdresar::field, text);                          \
        if (&TAdresar::field == &TAdresar::ZobrJmeno)           \
            displayNameTyped(text);                             \
    }
ADRESAR_EDITS(ADRESAR_DEFINE_CHANGE)
#undef ADRESAR_DEFINE_CHANGE

void AddressBookPage::LVSkupinyClick()
{
    QTreeWidgetItem *item = m_ui->LVSkupiny->currentItem();
    if (!item || !item->isSelected())
        return;
    const int row = m_ui->LVSkupiny->indexOfTopLevelItem(item);
    // The first four groups are the handset's own and cannot be changed.
    const bool own = row <= 3;
    m_ui->btnUprav->setEnabled(!own);
    m_ui->BtnSmazat->setEnabled(!own);
    m_ui->edSkupiny->setText(own ? QString() : item->text(0));
}

void AddressBookPage::SmazatAdrClick()
{
    QTreeWidget *list = m_ui->lvAdresar;
    QTreeWidgetItem *item = list->currentItem();
    if (!item || !item->isSelected())
        return;
    const int row = list->indexOfTopLevelItem(item);
    const Dialogs::Answer answer = Dialogs::instance().message(
        window(), Dialogs::Icon::Question, QStringLiteral("Dotaz"),
        message(&MessageTexts::adrDeleteQuestion).arg(item->text(1)), Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes)
        return;

    m_adresarList.removeAt(row + 1);
    m_adresarList.append(TAdresar());
    delete list->takeTopLevelItem(row);
    for (int r = row; r < list->topLevelItemCount(); ++r)
        list->topLevelItem(r)->setText(0, QStringLiteral("%1").arg(r + 1, 3, 10, QLatin1Char('0')));
    // No contact is chosen afterwards; the edits showed the one removed or
    // one whose number has changed.
    list->clearSelection();
    m_adresarIndex = 0;
    clearEdits();
    setContactControlsEnabled(false);
}

// --- Dialling ---------------------------------------------------------------

void AddressBookPage::PAdrZavolatClick()
{
    if (!m_link.setModemPortOpen || !m_link.zavolatSeznam || !m_link.setModemPortOpen(true))
        return;
    QTreeWidgetItem *item = m_ui->lvAdresar->currentItem();
    if (!item || !item->isSelected())
        return;
    const TAdresar &c = m_adresarList[m_ui->lvAdresar->indexOfTopLevelItem(item) + 1];
    RadioGroup *cislo = m_link.zavolatSeznam->cislo();
    for (const QString *number : {&c.SoukTel, &c.ObchTel, &c.SoukMobil, &c.ObchMobil})
        cislo->addItem(*number);
    Dialogs::instance().execDialog(m_link.zavolatSeznam);
    cislo->clearItems();
}

void AddressBookPage::PAdrZavesitClick()
{
    if (!m_link.setModemPortOpen || !m_link.comPort1 || !m_link.setModemPortOpen(true))
        return;
    m_link.comPort1->SendText("ATH\r");
}

// --- Saving as vCard ----------------------------------------------------------

void AddressBookPage::UlozADRClick()
{
    const QList<TAdresar> contacts = loadedContacts();
    if (contacts.isEmpty()) {
        Dialogs::instance().message(window(), Dialogs::Icon::Information, QStringLiteral("Informace"),
                                    message(&MessageTexts::adrNothingToSave), Dialogs::Buttons::Ok);
        return;
    }
    QString path = Dialogs::instance().saveFileName(window(), withoutAccelerator(m_ui->UlozADR->text()),
                                                    dataFolder() + VCardFileName,
                                                    QStringLiteral("vCard (*.vcf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".vcf");

    // Written beside the old file and put in its place only when complete.
    const QByteArray vcard = AdresarToVCard(contacts, m_skupinyList);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(vcard) != vcard.size() || !file.commit()) {
        showMessageBox(true, message(&MessageTexts::adrSaveFailed).arg(nativePath(path)) + u'\n'
                                 + file.errorString());
        return;
    }
    if (m_link.setStatusText)
        m_link.setStatusText(message(&MessageTexts::adrSaved).arg(nativePath(path)));
}
