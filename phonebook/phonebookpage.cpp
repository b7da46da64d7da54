#include "phonebookpage.h"
#include "ui_phonebookpage.h"

#include "attransport.h"
#include "atvalues.h"
#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "editseznam.h"
#include "heslo.h"
#include "labellededit.h"
#include "messagetexts.h"
#include "programfolder.h"
#include "radiogroup.h"
#include "zavolatseznam.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QShortcut>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

constexpr int Columns = 5;
// Number of fields a row had in its list file (rows read from the handset have all five).
constexpr int FieldCountRole = Qt::UserRole + 1;
// The memory (MemoryTable index) a row was read from; none for rows of a list file.
constexpr int OriginRole = Qt::UserRole + 2;

QString text(const QByteArray &cp1250)
{
    return Cp1250::toUnicode(cp1250);
}

QByteArray bytes(const QString &text)
{
    return Cp1250::fromUnicode(text);
}

const QString ListFilter = QStringLiteral("*.sez (*.sez)");

} // namespace

PhonebookPage::PhonebookPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::PhonebookPage)
{
    m_ui->setupUi(this);

    const int widths[] = {28, 40, 90, 80, 50};
    for (int column = 0; column < Columns; ++column)
        m_ui->Seznam->header()->resizeSection(column, widths[column]);

    buildPopupMenu();
}

PhonebookPage::~PhonebookPage()
{
    delete m_ui;
}

QTreeWidget *PhonebookPage::Seznam() const { return m_ui->Seznam; }
RadioGroup *PhonebookPage::vybertypu() const { return m_ui->vybertypu; }
QLabel *PhonebookPage::Panelinfo() const { return m_ui->Panelinfo; }
QLabel *PhonebookPage::Obsazeno() const { return m_ui->Obsazeno; }
QPushButton *PhonebookPage::RefresSeznam() const { return m_ui->RefresSeznam; }

void PhonebookPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuSeznam"));

    // The memory submenu; its items choose a memory of the radio group. The
    // last three choose the memory one above their own place, and
    // "??? čísla" none: so the handset's menu has always been.
    QMenu *memories = m_popup->addMenu(QStringLiteral("Aktualizuj"));
    memories->setObjectName(QStringLiteral("Aktualizuj1"));
    const struct {
        const char *name;
        const char *caption;
        int index;
    } items[] = {
        {"NatiSIM1", "Čísla SIM", 0},          {"Vtelefonu1", "V telefonu", 1},
        {"Vlastnsla1", "Vlastní čísla", 2},    {"Ztracenvolni1", "Ztracená volání", 3},
        {"Pijathovory1", "Přijaté hovory", 4}, {"Naposledyvolan81", "Naposledy volaná", 5},
        {"ChrnnPIN21", "Chráněná PIN2", 6},    {"Servisnsla1", "Servisní čísla", 7},
        {"Blokovansla1", "??? čísla", -1},     {"Emergenci1", "Emergenci", 8},
        {"MB1", "MB", 9},                      {"OV1", "OV", 10},
    };
    for (const auto &item : items) {
        QAction *action = addItem(memories, item.name, QString::fromUtf8(item.caption));
        if (item.index >= 0) {
            const int index = item.index;
            connect(action, &QAction::triggered, this, [this, index] { run([this, index] { chooseFromMenu(index); }); });
        }
    }

    m_popup->addSeparator();
    m_zavolat = addItem(m_popup, "Zavolat1", QStringLiteral("Zavolat"));
    m_zavesit = addItem(m_popup, "Zavsit1", QStringLiteral("Zavěsit"));
    m_editace = addItem(m_popup, "Editace1", QStringLiteral("Editace/Nový"));
    m_vymazat = addItem(m_popup, "Vymazat1", QStringLiteral("Vymazat"));
    m_popup->addSeparator();
    QAction *load = addItem(m_popup, "Nast1", QStringLiteral("Načíst seznam"));
    QAction *save = addItem(m_popup, "Uloit1", QStringLiteral("Uložit seznam"));

    connect(m_zavolat, &QAction::triggered, this, [this] { run([this] { Zavolat1Click(); }); });
    connect(m_zavesit, &QAction::triggered, this, [this] { run([this] { Zavsit1Click(); }); });
    connect(m_editace, &QAction::triggered, this, [this] { run([this] { SeznamClick(); }); });
    connect(m_vymazat, &QAction::triggered, this, [this] { run([this] { Vymazat1Click(); }); });
    connect(load, &QAction::triggered, this, [this] { run([this] { nactiClick(); }); });
    connect(save, &QAction::triggered, this, [this] { run([this] { UlozitClick(); }); });

    connect(m_ui->Seznam, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->Seznam->viewport()->mapToGlobal(pos));
    });
}

void PhonebookPage::attach(const PhonebookLink &link)
{
    m_link = link;
    m_reader = new PhonebookReader(link.comPort1, this);
    m_edit = new TEditSeznamForm(window());
    m_edit->onOK = [this] { run([this] { editConfirmed(); }); };
    connectControls();
}

void PhonebookPage::connectControls()
{
    connect(m_ui->vybertypu, &RadioGroup::clicked, this, [this](int index) { run([this, index] { vybertypuClick(index); }); });
    connect(m_ui->RefresSeznam, &QPushButton::clicked, this, [this] { run([this] { RefresSeznamClick(); }); });
    connect(m_ui->Ulozit, &QPushButton::clicked, this, [this] { run([this] { UlozitClick(); }); });
    connect(m_ui->nacti, &QPushButton::clicked, this, [this] { run([this] { nactiClick(); }); });
    connect(m_ui->Seznam, &QTreeWidget::itemDoubleClicked, this, [this] { run([this] { SeznamClick(); }); });
    // "Vymazat" is offered only for a row read from the chosen memory.
    connect(m_ui->Seznam, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        const int memory = m_ui->vybertypu->itemIndex();
        m_vymazat->setEnabled(memory >= 0 && memory < MemoryCount && MemoryTable[memory].erasable
                              && originOf(item) == memory);
    });
    // Enter on a row opens it for editing, as a double click does.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(QKeySequence(key), m_ui->Seznam, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] { run([this] { SeznamClick(); }); });
    }

    connect(m_reader, &PhonebookReader::memoryCounted, this, [this](int used, int capacity) {
        m_ui->Obsazeno->setText(text(UsedCountText(used)));
        m_capacity = capacity;
    });
    connect(m_reader, &PhonebookReader::progress, this, [this](int index, int capacity) {
        if (m_link.progres) {
            m_link.progres->setRange(0, capacity);
            m_link.progres->setValue(index);
        }
        if (m_link.progresPanel) {
            m_link.progresPanel->show();
            m_link.progresPanel->raise();
            m_link.progresPanel->repaint();
        }
        m_ui->Panelinfo->setText(QStringLiteral("%1 z %2").arg(index).arg(capacity));
    });
    connect(m_reader, &PhonebookReader::rowRead, this, &PhonebookPage::appendRow);
    connect(m_reader, &PhonebookReader::finished, this, &PhonebookPage::readEnded);
    connect(m_reader, &PhonebookReader::failed, this, &PhonebookPage::readFailed);
    connect(m_reader, &PhonebookReader::entryWritten, this, [this] {
        if (m_link.replies)
            m_link.replies->keepEveryByte = false;
        m_writtenRow = nullptr;
        m_rowBefore.clear();
    });
    connect(m_reader, &PhonebookReader::entryRefused, this, &PhonebookPage::writeRefused);
    connect(m_reader, &PhonebookReader::nameRefused, this, [this](const QString &characters, const QByteArray &set) {
        writeRefused({});
        message(int(Dialogs::Icon::Warning), messageString(&MessageTexts::pbNameUnencodable, QString::fromLatin1(set), characters));
    });
    connect(m_reader, &PhonebookReader::shortfall, this, [this](int read, int counted) {
        message(int(Dialogs::Icon::Warning),
                messageText(&MessageTexts::pbShortfall, QByteArray::number(read), QByteArray::number(counted)));
    });
}

void PhonebookPage::run(const std::function<void()> &handler)
{
    if (!m_reader)
        return;  // not attached to a main window: the controls only
    if (m_link.guard)
        m_link.guard(handler);
    else
        handler();
}

bool PhonebookPage::openPort()
{
    return m_link.setModemPortOpen && m_link.setModemPortOpen(true);
}

void PhonebookPage::send(const QByteArray &command)
{
    m_link.comPort1->SendText(command);
}

QString PhonebookPage::dataFolder() const
{
    return userFilesFolder(m_link.programFolder, QStringLiteral("DATA"));
}

QList<SeznamRow> PhonebookPage::rows() const
{
    QList<SeznamRow> out;
    for (int i = 0; i < m_ui->Seznam->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_ui->Seznam->topLevelItem(i);
        const QVariant count = item->data(0, FieldCountRole);
        const int fields = count.isValid() ? count.toInt() : Columns;
        SeznamRow row;
        for (int column = 0; column < fields; ++column)
            row.append(bytes(item->text(column)));
        out.append(row);
    }
    return out;
}

void PhonebookPage::setRows(const QList<SeznamRow> &rows)
{
    m_writtenRow = nullptr;
    m_ui->Seznam->clear();
    QList<QTreeWidgetItem *> items;
    for (const SeznamRow &row : rows) {
        auto *item = new QTreeWidgetItem;
        for (int column = 0; column < row.size(); ++column)
            item->setText(column, text(row.at(column)));
        item->setData(0, FieldCountRole, int(row.size()));
        items.append(item);
    }
    m_ui->Seznam->addTopLevelItems(items);
}

// --- Reading -------------------------------------------------------------------

void PhonebookPage::vybertypuClick(int index)
{
    if (!m_reader || index < 0 || index >= MemoryCount)
        return;
    if (m_link.installDefaultRxHandler)
        m_link.installDefaultRxHandler();
    if (m_link.replies) {
        m_link.replies->ReplyBuffer.clear();
        m_link.replies->keepEveryByte = true;  // names in the GSM alphabet
    }
    m_reader->cancel();
    if (!openPort())
        return;
    if (m_link.hlavniPanel)
        m_link.hlavniPanel->setEnabled(false);
    m_writtenRow = nullptr;
    m_ui->Seznam->clear();
    if (m_link.progres)
        m_link.progres->setValue(0);

    QByteArray pin2;
    if (index == Pin2MemoryIndex && m_link.heslo) {
        m_link.heslo->prepare(QStringLiteral("Zadejte PIN2"), true, false);
        Dialogs::instance().execDialog(m_link.heslo);
        pin2 = m_link.heslo->oldCode();
        if (pin2.isEmpty()) {
            readEnded();
            return;
        }
        if (!IsSecurityCode(QString::fromLatin1(pin2))) {
            readEnded();
            message(int(Dialogs::Icon::Warning), messageText(&MessageTexts::pbBadPin2, {}, {}));
            return;
        }
    }
    const PhonebookMemory &memory = MemoryTable[index];
    m_editace->setEnabled(memory.editable);
    m_vymazat->setEnabled(memory.erasable);
    m_zavolat->setEnabled(true);
    m_zavesit->setEnabled(true);
    m_capacity = 0;
    // "Zrušit" of the progress panel ends the read (the main window asks the reader).
    if (m_link.progresPanel)
        if (auto *zrusit = m_link.progresPanel->findChild<QPushButton *>(QStringLiteral("btnZrusit")))
            zrusit->setEnabled(true);
    m_reader->start(index, pin2);
}

void PhonebookPage::RefresSeznamClick()
{
    const int index = m_ui->vybertypu->itemIndex();
    if (!openPort() || index < 0)
        return;
    m_ui->RefresSeznam->setEnabled(false);
    vybertypuClick(index);
}

void PhonebookPage::chooseFromMenu(int index)
{
    m_ui->vybertypu->setItemIndex(index);
    if (m_ui->vybertypu->isEnabled())
        vybertypuClick(index);
}

void PhonebookPage::appendRow(const PhonebookRow &row)
{
    // One row per location: a location read again replaces its row.
    QTreeWidgetItem *item = nullptr;
    const QString caption = text(row.caption);
    for (int i = m_ui->Seznam->topLevelItemCount() - 1; i >= 0 && !item; --i)
        if (m_ui->Seznam->topLevelItem(i)->text(0) == caption)
            item = m_ui->Seznam->topLevelItem(i);
    if (!item) {
        item = new QTreeWidgetItem;
        m_ui->Seznam->addTopLevelItem(item);
    }
    item->setText(0, caption);
    item->setText(1, text(row.location));
    item->setText(2, row.name);
    item->setText(3, text(row.number));
    item->setText(4, text(row.group));
    item->setData(0, OriginRole, m_reader->memoryIndex());
}

void PhonebookPage::readEnded()
{
    if (m_link.replies)
        m_link.replies->keepEveryByte = false;
    if (m_link.hlavniPanel)
        m_link.hlavniPanel->setEnabled(true);
    if (m_link.progresPanel)
        m_link.progresPanel->hide();
    if (m_link.progres)
        m_link.progres->setValue(0);
    // The PIN2 is forgotten: the prompt opens empty next time.
    if (m_link.heslo)
        m_link.heslo->PuvodniHeslo()->clear();
    m_ui->RefresSeznam->setEnabled(true);
}

void PhonebookPage::readFailed(PhonebookReader::Failure failure, const QByteArray &detail)
{
    readEnded();
    const int index = m_reader->memoryIndex();
    const QByteArray memory = index >= 0 ? QByteArray(MemoryTable[index].code) : QByteArray();
    QByteArray MessageTexts::*which = &MessageTexts::pbMemoryRefused;
    switch (failure) {
    case PhonebookReader::Failure::PortError: which = &MessageTexts::pbPortError; break;
    case PhonebookReader::Failure::MemoryRefused: which = &MessageTexts::pbMemoryRefused; break;
    case PhonebookReader::Failure::BadCount: which = &MessageTexts::pbBadCount; break;
    case PhonebookReader::Failure::Pin2Refused: which = &MessageTexts::pbPin2Refused; break;
    case PhonebookReader::Failure::NoAnswer: which = &MessageTexts::pbNoAnswer; break;
    }
    QString t = text(messageText(which, memory, detail.trimmed()));
    if (failure == PhonebookReader::Failure::Pin2Refused) {
        if (m_reader->pin2AttemptsLeft() >= 0)
            t += QLatin1Char(' ') + messageString(&MessageTexts::pbPin2Attempts, QString::number(m_reader->pin2AttemptsLeft()), {});
        if (m_reader->puk2Wanted())
            t += QLatin1Char(' ') + messageString(&MessageTexts::pbPuk2Needed, {}, {});
    }
    message(int(Dialogs::Icon::Warning), t);
}

QByteArray PhonebookPage::messageText(QByteArray MessageTexts::*which, const QByteArray &first,
                                      const QByteArray &second) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    QByteArray t = m_link.texts ? m_link.texts->*which : defaults.*which;
    t.replace("%1", first);
    t.replace("%2", second);
    return t;
}

QString PhonebookPage::messageString(QByteArray MessageTexts::*which, const QString &first,
                                     const QString &second) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    QString t = text(m_link.texts ? m_link.texts->*which : defaults.*which);
    t.replace(QLatin1String("%1"), first);
    t.replace(QLatin1String("%2"), second);
    return t;
}

void PhonebookPage::message(int icon, const QByteArray &cp1250)
{
    message(icon, text(cp1250));
}

void PhonebookPage::message(int icon, const QString &unicode)
{
    const auto i = Dialogs::Icon(icon);
    const QString caption = i == Dialogs::Icon::Error ? QStringLiteral("Chyba")
                            : i == Dialogs::Icon::Warning ? QStringLiteral("Upozornění")
                                                          : QStringLiteral("Informace");
    Dialogs::instance().message(window(), i, caption, unicode, Dialogs::Buttons::Ok);
}

// --- Editing, dialling, erasing --------------------------------------------------

void PhonebookPage::SeznamClick()
{
    QTreeWidgetItem *item = m_ui->Seznam->currentItem();
    if (!item || !m_edit)
        return;
    const int index = m_ui->vybertypu->itemIndex();
    if (index >= 3)
        return;
    // A row loaded from a short line has no sub-items to edit.
    const QVariant count = item->data(0, FieldCountRole);
    if (count.isValid() && count.toInt() < 4)
        return;
    m_edit->Cislo()->setText(item->text(1));
    m_edit->Jmeno()->setText(item->text(2));
    m_edit->Telefon()->setText(item->text(3));
    m_edit->Skupina()->setCurrentIndex(item->text(4) == QLatin1String("VIP") ? 0 : 1);
    Dialogs::instance().execDialog(m_edit);
}

void PhonebookPage::editConfirmed()
{
    QTreeWidgetItem *item = m_ui->Seznam->currentItem();
    const QString cislo = m_edit->Cislo()->text();
    const QString jmeno = m_edit->Jmeno()->text();
    const QString telefon = m_edit->Telefon()->text();
    if (!item || cislo.isEmpty() || jmeno.isEmpty() || telefon.isEmpty())
        return;
    const bool vip = m_edit->Skupina()->currentText() == QLatin1String("VIP");
    const bool toHandset = m_edit->Ulozit()->isChecked();
    if (toHandset) {
        // The set of the last read; the exchange checks again in the set it chooses.
        QString refused;
        const int capacity = originOf(item) == m_ui->vybertypu->itemIndex() ? m_capacity : 0;
        // Before any exchange the set is not known: the name is checked once it is.
        const PhonebookCharset set = m_reader->charsetKnown() ? m_reader->charset() : PhonebookCharset::Ucs2;
        if (!EntryWriteCommand(cislo, telefon, jmeno, vip, set, capacity, &refused)) {
            if (!refused.isEmpty())
                message(int(Dialogs::Icon::Warning),
                        messageString(&MessageTexts::pbNameUnencodable, QString::fromLatin1(CharsetName(set)),
                                      refused));
            else
                message(int(Dialogs::Icon::Warning), messageText(&MessageTexts::pbBadEntry, {}, {}));
            return;
        }
    }
    QStringList before;
    for (int column = 1; column < Columns; ++column)
        before.append(item->text(column));
    item->setText(1, cislo);
    item->setText(2, jmeno);
    item->setText(3, telefon);
    item->setText(4, vip ? QStringLiteral("VIP") : QString());
    if (item->data(0, FieldCountRole).toInt() < Columns && item->data(0, FieldCountRole).isValid())
        item->setData(0, FieldCountRole, Columns);
    if (!toHandset)
        return;
    m_writtenRow = item;
    m_rowBefore = before;
    if (!openPort()) {
        writeRefused({});
        return;
    }
    // Whatever listing handler another page left installed, the reply comes here.
    if (m_link.installDefaultRxHandler)
        m_link.installDefaultRxHandler();
    if (m_link.replies)
        m_link.replies->keepEveryByte = true;
    if (!m_reader->writeEntry(cislo, telefon, jmeno, vip))
        writeRefused({});
}

int PhonebookPage::originOf(const QTreeWidgetItem *item) const
{
    const QVariant origin = item ? item->data(0, OriginRole) : QVariant();
    return origin.isValid() ? origin.toInt() : -1;
}

void PhonebookPage::writeRefused(const QByteArray &detail)
{
    if (m_link.replies)
        m_link.replies->keepEveryByte = false;
    QTreeWidgetItem *item = m_writtenRow;
    m_writtenRow = nullptr;
    if (item && m_ui->Seznam->indexOfTopLevelItem(item) >= 0)
        for (int column = 1; column < Columns && column - 1 < m_rowBefore.size(); ++column)
            item->setText(column, m_rowBefore.at(column - 1));
    m_rowBefore.clear();
    // A port that would not open has shown its own message already.
    if (!detail.isEmpty())
        message(int(Dialogs::Icon::Warning), messageText(&MessageTexts::pbWriteRefused, {}, detail.trimmed()));
}

void PhonebookPage::Zavolat1Click()
{
    const QTreeWidgetItem *item = m_ui->Seznam->currentItem();
    if (!item || item->text(3).trimmed().isEmpty())
        return;
    // Blanks around the number are dropped; any other character makes it no dial string.
    QString number = item->text(3);
    while (number.startsWith(QLatin1Char(' ')))
        number.remove(0, 1);
    while (number.endsWith(QLatin1Char(' ')))
        number.chop(1);
    if (!IsDialString(number)) {
        message(int(Dialogs::Icon::Warning), messageString(&MessageTexts::pbBadDialString, number, {}));
        return;
    }
    if (!openPort())
        return;
    if (m_link.installDefaultRxHandler)
        m_link.installDefaultRxHandler();
    send(TZavolatSeznam::DialCommand(number.toLatin1()));
}

void PhonebookPage::Zavsit1Click()
{
    if (!openPort())
        return;
    if (m_link.installDefaultRxHandler)
        m_link.installDefaultRxHandler();
    send("ATH\r");
}

void PhonebookPage::Vymazat1Click()
{
    const QTreeWidgetItem *item = m_ui->Seznam->currentItem();
    // Without a location there is nothing to erase: "AT+CPBW=" alone is no
    // erase command.
    if (!item || item->text(1).trimmed().isEmpty())
        return;
    const int memory = m_ui->vybertypu->itemIndex();
    if (memory < 0 || memory >= MemoryCount || !MemoryTable[memory].erasable)
        return;
    // Only a row read from the handset, in the memory it came from: a row of
    // a list file may stand for any memory, and what the radio group shows
    // is not where it was read.
    if (originOf(item) != memory) {
        message(int(Dialogs::Icon::Warning), messageText(&MessageTexts::pbNotFromMemory, MemoryTable[memory].code, {}));
        return;
    }
    // The handset writes a blank in front of a location; nothing else is dropped.
    QString location = item->text(1);
    while (location.startsWith(QLatin1Char(' ')))
        location.remove(0, 1);
    if (!IsLocationValue(location, m_capacity)) {
        message(int(Dialogs::Icon::Warning),
                messageString(&MessageTexts::pbBadLocation, location,
                              QString::fromLatin1(MemoryTable[memory].code)));
        return;
    }
    if (!openPort())
        return;
    if (m_link.installDefaultRxHandler)
        m_link.installDefaultRxHandler();
    const QByteArray erase = "AT+CPBW=" + location.toLatin1() + '\r';
    auto pause = [this] {
        if (m_link.waitTicks)
            m_link.waitTicks(10);
    };
    switch (m_ui->vybertypu->itemIndex()) {
    case 0:
    case 1:
    case 2:
        send(MemoryTable[m_ui->vybertypu->itemIndex()].selectCommand());
        pause();
        send(erase);
        break;
    case 3:
    case 4:
        pause();
        send(erase);
        break;
    case 5:
        send("AT+CPBS=\"LD\"\r");
        pause();
        send("AT^SDLD\r");
        break;
    case 8:
        send("AT^SPBS=\"BL\"\r");
        pause();
        send(erase);
        break;
    default:
        break;
    }
}

// --- List files -----------------------------------------------------------------

void PhonebookPage::UlozitClick()
{
    QString path = Dialogs::instance().saveFileName(window(), QStringLiteral("Uložit seznam"),
                                                    dataFolder() + QStringLiteral("seznam.sez"), ListFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".sez");
    // The file is Windows-1250: a character it cannot hold is named, and
    // nothing is written.
    QString lacking;
    for (int i = 0; i < m_ui->Seznam->topLevelItemCount(); ++i)
        for (int column = 0; column < Columns; ++column)
            for (QChar c : m_ui->Seznam->topLevelItem(i)->text(column))
                if (!Cp1250::canEncode(QString(c)) && !lacking.contains(c))
                    lacking += c;
    if (!lacking.isEmpty()) {
        message(int(Dialogs::Icon::Error),
                messageString(&MessageTexts::pbFileUnencodable, QDir::toNativeSeparators(path), lacking));
        return;
    }
    QString error;
    if (!WriteSeznamFile(path, rows(), &error))
        message(int(Dialogs::Icon::Error),
                messageText(&MessageTexts::pbFileWriteError, bytes(QDir::toNativeSeparators(path)), bytes(error)));
}

void PhonebookPage::nactiClick()
{
    const QString path = Dialogs::instance().openFileName(window(), QStringLiteral("Načíst seznam"), dataFolder(),
                                                          ListFilter);
    if (path.isEmpty())
        return;
    QString error;
    const auto loaded = ReadSeznamFile(path, &error);
    if (!loaded) {
        message(int(Dialogs::Icon::Error),
                messageText(&MessageTexts::pbFileReadError, bytes(QDir::toNativeSeparators(path)), bytes(error)));
        return;
    }
    setRows(*loaded);
}
