#include "smspage.h"
#include "ui_smspage.h"

#include "atvalues.h"
#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "programfolder.h"
#include "radiogroup.h"
#include "smsarchive.h"
#include "smsjoin.h"
#include "smslisting.h"
#include "ulozsms.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QTextOption>

#include <stdexcept>

namespace {

enum Column { IndexColumn = 0, NumberColumn, NameColumn, TimeColumn, TextColumn };

// Role of the number's status kept with each row.
constexpr int StatusRole = Qt::UserRole;
// Role of the PDU line kept with each row, for joining concatenated parts.
constexpr int PduRole = Qt::UserRole + 1;

QString u(const QByteArray &cp1250)
{
    return Cp1250::toUnicode(cp1250);
}

QByteArray b(const QString &text)
{
    return Cp1250::fromUnicode(text);
}

} // namespace

SmsPage::SmsPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::SmsPage)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_ui->setupUi(this);

    // The text column is wide so that a whole message reads on one line.
    const int widths[] = {27, 87, 100, 125, 1000};
    for (int column = 0; column < 5; ++column)
        m_ui->ListSMS->header()->resizeSection(column, widths[column]);
    m_ui->ListSMS->header()->setStretchLastSection(false);

    buildPopupMenu();
    m_ulozSms = new TUlozSMS(this);
    m_ui->ListSMS->installEventFilter(this);
    m_ui->ListSMS->viewport()->installEventFilter(this);
}

SmsPage::~SmsPage()
{
    // The main window takes its handler off the port before the port and
    // the pages go.
    delete m_ui;
}

void SmsPage::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenuSMS"));
    const auto addItem = [this](const char *name, const QString &caption) {
        QAction *action = m_popup->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false); // enabled once a row is selected
        return action;
    };
    m_novSms = addItem("NovSMS1", QStringLiteral("Nová SMS"));
    m_upravSms = addItem("UpravSMS1", QStringLiteral("Odpovědět"));
    m_popup->addSeparator();
    m_smazatSms = addItem("SmazatSMS1", QStringLiteral("Smazat SMS"));

    connect(m_ui->ListSMS, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popup->popup(m_ui->ListSMS->viewport()->mapToGlobal(pos));
    });
}

void SmsPage::attach(const SmsPageLink &link)
{
    m_link = link;
    delete m_listing;
    m_listing = new SmsListing(m_link.port, this);
    connect(m_listing, &SmsListing::listed, this, [this](const QList<SmsEntry> &entries) {
        run([this, entries] { showEntries(entries); });
    });
    connect(m_listing, &SmsListing::failed, this, &SmsPage::onFailed);
    connect(m_listing, &SmsListing::timedOut, this, &SmsPage::onTimedOut);
    connect(m_listing, &SmsListing::done, this, &SmsPage::onDone);
    connectHandlers();
}

void SmsPage::connectHandlers()
{
    connect(m_ui->Nacist_SMS, &RadioGroup::clicked, this, [this] { run([this] { Nacist_SMSClick(); }); });
    connect(m_ui->Typ_SMS, &RadioGroup::clicked, this, [this] { run([this] { ListMessages(); }); });
    connect(m_ui->AktualizujSMS, &QPushButton::clicked, this, [this] { run([this] { ListMessages(); }); });
    connect(m_ui->Smazat_SMS, &QPushButton::clicked, this, [this] { run([this] { Smazat_SMSClick(); }); });
    connect(m_smazatSms, &QAction::triggered, this, [this] { run([this] { Smazat_SMSClick(); }); });
    connect(m_ui->Tisk_SMS, &QPushButton::clicked, this, [this] { run([this] { Tisk_SMSClick(); }); });
    connect(m_ui->UlozitSMS, &QPushButton::clicked, this, [this] { run([this] { UlozitSMSClick(); }); });
}

void SmsPage::run(const std::function<void()> &handler)
{
    if (m_link.guard)
        m_link.guard(handler);
    else
        handler();
}

QTreeWidget *SmsPage::ListSMS() const { return m_ui->ListSMS; }
RadioGroup *SmsPage::Nacist_SMS() const { return m_ui->Nacist_SMS; }
RadioGroup *SmsPage::Typ_SMS() const { return m_ui->Typ_SMS; }
QPlainTextEdit *SmsPage::SMSText() const { return m_ui->SMSText; }
QPushButton *SmsPage::Nova_SMS() const { return m_ui->Nova_SMS; }
QPushButton *SmsPage::Odpoved_SMS() const { return m_ui->Odpoved_SMS; }
QPushButton *SmsPage::AktualizujSMS() const { return m_ui->AktualizujSMS; }
QPushButton *SmsPage::Tisk_SMS() const { return m_ui->Tisk_SMS; }
QPushButton *SmsPage::UlozitSMS() const { return m_ui->UlozitSMS; }
QPushButton *SmsPage::Smazat_SMS() const { return m_ui->Smazat_SMS; }

QByteArray SmsPage::text(QByteArray MessageTexts::*member) const
{
    if (m_link.texts)
        return m_link.texts->*member;
    return MessageTexts::defaults().*member;
}

bool SmsPage::phoneIdentified() const
{
    return m_link.maker && !m_link.maker().isEmpty() && m_link.port && m_link.setModemPortOpen
           && m_link.setModemPortOpen(true);
}

void SmsPage::installRxHandler()
{
    m_link.port->OnRxChar = [this](int count) { run([this, count] { SmsRxChar(count); }); };
}

void SmsPage::startProgress(int maximum)
{
    if (m_link.progres) {
        m_link.progres->setRange(0, maximum);
        m_link.progres->setValue(1);
    }
    if (m_link.progresPanel) {
        m_link.progresPanel->show();
        m_link.progresPanel->raise();
        m_link.progresPanel->repaint();
    }
}

void SmsPage::endListing()
{
    if (m_link.progresPanel)
        m_link.progresPanel->hide();
    if (m_link.progres)
        m_link.progres->setValue(0);
    m_ui->Nacist_SMS->setEnabled(true);
    m_ui->Typ_SMS->setEnabled(true);
}

// --- Listing ---------------------------------------------------------------------

void SmsPage::Nacist_SMSClick()
{
    const QByteArray memory = SmsMemoryName(m_ui->Nacist_SMS->itemIndex());
    if (memory.isEmpty() || !phoneIdentified())
        return;
    if (m_ui->Typ_SMS->itemIndex() >= 0) {
        ListMessages(); // selects the memory first
        return;
    }
    startProgress(600);
    installRxHandler();
    m_ui->Nacist_SMS->setEnabled(false);
    m_ui->Typ_SMS->setEnabled(false);
    m_ui->ListSMS->clear();
    try {
        m_listing->selectMemory(memory);
    } catch (...) {
        endListing();
        throw;
    }
    m_link.waitTicks(40);
    if (!m_listing->waiting())
        endListing();
}

void SmsPage::ListMessages()
{
    listMessages(false);
}

void SmsPage::listMessages(bool keepRows)
{
    const QByteArray memory = SmsMemoryName(m_ui->Nacist_SMS->itemIndex());
    const int status = m_ui->Typ_SMS->itemIndex();
    if (memory.isEmpty() || status < 0 || !phoneIdentified())
        return;
    installRxHandler();
    m_ui->Nacist_SMS->setEnabled(false);
    m_ui->Typ_SMS->setEnabled(false);
    if (!keepRows) {
        m_ui->ListSMS->clear();
        m_ui->ListSMS->repaint();
    }
    startProgress(500);
    try {
        // Every listing selects its memory: the handset forgets the choice
        // when it restarts, and "Vše" must not quietly become the SIM card.
        m_listing->selectMemory(memory);
        m_listing->list(status);
    } catch (...) {
        endListing();
        throw;
    }
    m_link.waitTicks(40);
}

void SmsPage::SmsRxChar(int count)
{
    const QByteArray chunk = m_link.port->ReceiveBytes(count);
    if (m_link.progres && m_link.progres->value() < m_link.progres->maximum())
        m_link.progres->setValue(m_link.progres->value() + 1);
    m_listing->feed(chunk);
}

QList<PhonebookNumber> SmsPage::phonebookNumbers() const
{
    QList<PhonebookNumber> numbers;
    QTreeWidget *seznam = m_link.seznam ? m_link.seznam() : nullptr;
    if (!seznam)
        return numbers;
    // Cells after the caption: location, name, number, group.
    for (int i = 0; i < seznam->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = seznam->topLevelItem(i);
        numbers.append({row->text(2), b(row->text(3))});
    }
    return numbers;
}

void SmsPage::showEntries(const QList<SmsEntry> &entries)
{
    if (m_link.clearPhonebookState)
        m_link.clearPhonebookState();
    m_deletion = Deletion::None;
    // A listing that came whole ends the failure shown before it.
    if (m_statusShown)
        setStatus({});
    QTreeWidget *list = m_ui->ListSMS;
    list->clear();
    if (entries.isEmpty()) {
        const SmsRow row = EmptyStoreRow(u(text(&MessageTexts::noMessages)));
        auto *item = new QTreeWidgetItem(list);
        item->setText(TextColumn, row.text);
        endListing();
        emit listingShown();
        return;
    }
    const SystemClock systemClock;
    const QList<SmsRow> rows = DecodeSmsEntries(entries, m_link.clock ? *m_link.clock : systemClock);
    const QList<PhonebookNumber> phonebook = phonebookNumbers();
    if (m_link.progres)
        m_link.progres->setMaximum(int(rows.size()));
    list->setUpdatesEnabled(false);
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const SmsRow &row = rows[k];
        auto *item = new QTreeWidgetItem;
        item->setText(IndexColumn, u(row.index));
        item->setText(NumberColumn, u(row.number));
        item->setText(NameColumn, NameForNumber(row.fullNumber(), phonebook));
        item->setText(TimeColumn, u(row.time));
        item->setText(TextColumn, row.text);
        item->setData(IndexColumn, StatusRole, row.status);
        item->setData(IndexColumn, PduRole, entries[k].pdu);
        items.append(item);
        if (m_link.progres)
            m_link.progres->setValue(int(k + 1));
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
    endListing();
    emit listingShown();
}

void SmsPage::setStatus(const QByteArray &text)
{
    if (m_link.setPanelText)
        m_link.setPanelText(0, u(text));
    m_statusShown = !text.isEmpty();
}

void SmsPage::showFailure(const QByteArray &errorLine, bool listingEnded)
{
    setStatus(errorLine.isEmpty() ? text(&MessageTexts::smsNoAnswer)
                                  : text(&MessageTexts::smsHandsetError) + ' ' + errorLine);
    if (!m_listing->waiting())
        endListing();
    if (listingEnded)
        emit listingFailed(errorLine);
}

void SmsPage::removeRow(int index)
{
    const QString caption = QString::number(index);
    for (int i = m_ui->ListSMS->topLevelItemCount() - 1; i >= 0; --i) {
        if (m_ui->ListSMS->topLevelItem(i)->text(IndexColumn) == caption)
            delete m_ui->ListSMS->takeTopLevelItem(i);
    }
}

void SmsPage::onDone(SmsListing::Command command)
{
    if (command == SmsListing::Command::Delete && m_deletion == Deletion::Sent) {
        // Known done: the row goes now, whatever becomes of the listing after it.
        m_deletion = Deletion::Done;
        removeRow(m_deletedIndex);
    }
    if (!m_listing->waiting())
        endListing();
}

void SmsPage::onFailed(SmsListing::Command command, const QByteArray &errorLine)
{
    if (command == SmsListing::Command::Delete)
        m_deletion = Deletion::None; // the handset refused it; the rows stay as they are
    showFailure(errorLine, command == SmsListing::Command::List);
}

void SmsPage::onTimedOut(SmsListing::Command command)
{
    const Deletion deletion = m_deletion;
    m_deletion = Deletion::None;
    if (deletion == Deletion::Sent && command == SmsListing::Command::Delete) {
        // The rows stay: whether the message is gone is not known.
        setStatus(text(&MessageTexts::smsDeleteUnconfirmed));
        endListing();
        emit listingFailed({});
        return;
    }
    if (deletion == Deletion::Done) {
        setStatus(text(&MessageTexts::smsDeletedListingStopped));
        endListing();
        emit listingFailed({});
        return;
    }
    showFailure({}, true);
}

// --- Showing a row ------------------------------------------------------------------

QList<SmsRow> SmsPage::rows() const
{
    QList<SmsRow> out;
    for (int i = 0; i < m_ui->ListSMS->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_ui->ListSMS->topLevelItem(i);
        SmsRow row;
        row.index = b(item->text(IndexColumn));
        row.status = item->data(IndexColumn, StatusRole).isValid() ? item->data(IndexColumn, StatusRole).toInt() : -1;
        row.number = b(item->text(NumberColumn));
        row.name = item->text(NameColumn);
        row.time = b(item->text(TimeColumn));
        row.text = item->text(TextColumn);
        row.outgoing = row.status == 2 || row.status == 3;
        out.append(row);
    }
    return out;
}

std::optional<SmsRow> SmsPage::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_ui->ListSMS->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const int i = m_ui->ListSMS->indexOfTopLevelItem(selected.first());
    const QList<SmsRow> all = rows();
    return i >= 0 && i < all.size() ? std::optional<SmsRow>(all[i]) : std::nullopt;
}

void SmsPage::setRowActionsEnabled(bool on)
{
    for (QPushButton *button : {m_ui->Nova_SMS, m_ui->Odpoved_SMS, m_ui->Tisk_SMS, m_ui->UlozitSMS,
                                m_ui->Smazat_SMS})
        button->setEnabled(on);
    for (QAction *action : {m_novSms, m_upravSms, m_smazatSms})
        action->setEnabled(on);
}

void SmsPage::ShowSelectedRow()
{
    const QList<QTreeWidgetItem *> selected = m_ui->ListSMS->selectedItems();
    if (selected.isEmpty()) {
        setRowActionsEnabled(false);
        return;
    }
    setRowActionsEnabled(true);
    // A part of a concatenated message shows the whole message when the
    // listing holds all its parts, else its own part and what is missing.
    QTreeWidget *list = m_ui->ListSMS;
    const int row = list->indexOfTopLevelItem(selected.first());
    const QByteArray pdu = selected.first()->data(IndexColumn, PduRole).toByteArray();
    const SystemClock clock;
    if (pdu.isEmpty() || !PduToText(pdu, clock).isConcatenated()) {
        m_ui->SMSText->setPlainText(selected.first()->text(TextColumn));
        return;
    }
    QList<DecodedPdu> listed;
    listed.reserve(list->topLevelItemCount());
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        listed.append(PduToText(list->topLevelItem(i)->data(IndexColumn, PduRole).toByteArray(), clock));
    m_ui->SMSText->setPlainText(ConcatenatedPreview(listed, row, u(text(&MessageTexts::smsMissingParts))));
}

bool SmsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->ListSMS->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A click below the last row selects nothing.
        if (!m_ui->ListSMS->itemAt(mouse->position().toPoint())) {
            m_ui->ListSMS->clearSelection();
            m_ui->ListSMS->setCurrentItem(nullptr);
        }
        ShowSelectedRow();
    } else if (watched == m_ui->ListSMS && event->type() == QEvent::KeyRelease) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Up:
        case Qt::Key_Down:
            ShowSelectedRow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SmsPage::FirstVisit()
{
    if (m_ui->Nacist_SMS->itemIndex() >= 0)
        return;
    m_ui->Nacist_SMS->setItemIndex(2);
    Nacist_SMSClick();
    m_ui->Typ_SMS->setItemIndex(0);
    ListMessages();
}

// --- Deleting, printing, saving ----------------------------------------------------------

void SmsPage::Smazat_SMSClick()
{
    if (!m_link.port || !m_link.setModemPortOpen || !m_link.setModemPortOpen(true))
        return;
    const std::optional<SmsRow> row = selectedRow();
    // The index goes into AT+CMGD: digits of a location, nothing else (the
    // empty-store row has none).
    if (!row || !IsLocationValue(QString::fromLatin1(row->index), 65535))
        return;
    const int index = row->index.toInt();
    const QString who = row->name.isEmpty() ? u(row->number) : row->name;
    if (Dialogs::instance().message(window(), Dialogs::Icon::Question, QStringLiteral("Smazat SMS"),
                                    u(text(&MessageTexts::smsDeleteQuestion)).arg(index).arg(who),
                                    Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes)
        return;
    m_ui->Smazat_SMS->setEnabled(false);
    // The answer must come to this page's handler, whoever had the port last.
    installRxHandler();
    try {
        m_deletion = Deletion::Sent;
        m_deletedIndex = index;
        m_listing->deleteMessage(index);
        // Listed again once the handset has answered the deletion; the rows
        // stay until the new listing replaces them.
        listMessages(true);
    } catch (...) {
        m_deletion = Deletion::None;
        m_ui->Smazat_SMS->setEnabled(true);
        throw;
    }
    m_ui->Smazat_SMS->setEnabled(true);
}

void SmsPage::PrintRow(QPrinter &printer, const QString &model, const SmsRow &row)
{
    const QStringList lines{
        QStringLiteral("Telefon: Torvane ") + model,
        QStringLiteral("Odesilatel: ") + u(row.number) + QStringLiteral("  ") + row.name
            + QStringLiteral(" Datum a čas: ") + u(row.time),
        QStringLiteral("Text: ") + row.text,
    };
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("printer");
    QFont font(QStringLiteral("Arial"), 11);
    font.setStyleHint(QFont::SansSerif);
    painter.setFont(font);
    const QRect page = painter.viewport();
    const int gap = painter.fontMetrics().lineSpacing() / 2;
    int top = 0;
    for (const QString &line : lines) {
        // Each line wraps at word boundaries (anywhere in a word longer
        // than the page) and keeps the message's own line breaks.
        const QRectF area(0, top, page.width(), qMax(0, page.height() - top));
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        const QRectF used = painter.boundingRect(area, line, option);
        painter.drawText(area, line, option);
        top += int(used.height()) + gap;
    }
    painter.end();
}

void SmsPage::Tisk_SMSClick()
{
    if (m_ui->SMSText->toPlainText().isEmpty())
        return;
    if (!Dialogs::instance().printerSetup(window(), m_printer.get()))
        return;
    const std::optional<SmsRow> row = selectedRow();
    if (!row)
        return;
    try {
        PrintRow(*m_printer, m_link.model ? m_link.model() : QString(), *row);
    } catch (const std::runtime_error &) {
        Dialogs::instance().message(window(), Dialogs::Icon::Error, QStringLiteral("Chyba"),
                                    u(text(&MessageTexts::smsPrintFailed)), Dialogs::Buttons::Ok);
    }
}

void SmsPage::saveFile(const QString &extension, const QString &proposedName, const QByteArray &bytes,
                       const QString &lost)
{
    const QString folder = userFilesFolder(m_link.programFolder, QStringLiteral("SMS"));
    QString name = Dialogs::instance().saveFileName(window(), QStringLiteral("Uložit"),
                                                    folder + proposedName + QLatin1Char('.') + extension,
                                                    QStringLiteral("*.") + extension);
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + extension;
    QString reason;
    if (!lost.isEmpty()
        && Dialogs::instance().message(window(), Dialogs::Icon::Warning, QStringLiteral("Uložit"),
                                       u(text(&MessageTexts::smsUnencodableInFile)).arg(lost),
                                       Dialogs::Buttons::YesNo)
               != Dialogs::Answer::Yes)
        return;
    if (!WriteSmsFile(name, bytes, &reason))
        Dialogs::instance().message(window(), Dialogs::Icon::Error, QStringLiteral("Chyba"),
                                    u(text(&MessageTexts::smsSaveFailed)) + QLatin1Char(' ') + name + QLatin1Char('\n') + reason,
                                    Dialogs::Buttons::Ok);
}

void SmsPage::UlozitSMSClick()
{
    m_ulozSms->prepareChoice();
    m_ulozSms->centreOver(window());
    if (Dialogs::instance().execDialog(m_ulozSms) != QDialog::Accepted)
        return;
    QString lost;
    if (m_ulozSms->choice() == TUlozSMS::CurrentText) {
        const QByteArray bytes = SmsTextFile(m_ui->SMSText->toPlainText(), &lost);
        saveFile(QStringLiteral("txt"), QStringLiteral("txt"), bytes, lost);
    } else if (m_ulozSms->choice() == TUlozSMS::WholeList) {
        const QByteArray bytes = SmsCsv(rows(), &lost);
        saveFile(QStringLiteral("csv"), QStringLiteral("archivsms"), bytes, lost);
    }
}
