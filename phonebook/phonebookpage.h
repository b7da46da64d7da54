#pragma once

#include "phonebookmemory.h"
#include "phonebookreader.h"
#include "seznamfile.h"

#include <QWidget>

#include <functional>

namespace Ui {
class PhonebookPage;
}
class QMenu;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QLabel;
class QPushButton;
class RadioGroup;
class ReplyAssembler;
class TComPort;
class TEditSeznamForm;
class THesloForm;
struct MessageTexts;

// What the phonebook page uses of the main window.
struct PhonebookLink
{
    TComPort *comPort1 = nullptr;
    ReplyAssembler *replies = nullptr;      // emptied when a read starts
    THesloForm *heslo = nullptr;            // the PIN2 prompt
    QWidget *hlavniPanel = nullptr;         // disabled while a read runs
    QWidget *progresPanel = nullptr;
    QProgressBar *progres = nullptr;
    const MessageTexts *texts = nullptr;
    QString programFolder;
    std::function<bool(bool)> setModemPortOpen;
    std::function<void()> installDefaultRxHandler;
    std::function<void(int)> waitTicks;
    // Runs a user action; the main window shows a port error that escapes it.
    std::function<void(const std::function<void()> &)> guard;
};

// The phonebook page (tab "TabSheet2" of the main window):
//   Seznam        QTreeWidget, columns # / číslo / jméno / tel. číslo / skupina
//                 (caption = read position; sub-items location, name,
//                 number, group), context menu PopupMenuSeznam
//   vybertypu     RadioGroup, the twelve memories (starts disabled)
//   GroupBox1     QGroupBox "Načteno" holding the QLabel Panelinfo (" 0 z 0")
//   GroupBox2     QGroupBox "Obsazeno" holding the QLabel Obsazeno (" 0 ")
//   RefresSeznam  QPushButton (starts disabled); nacti, Ulozit  QPushButton
//   PopupMenuSeznam  QMenu: submenu Aktualizuj1 (NatiSIM1 ... OV1), Zavolat1,
//                 Zavsit1, Editace1, Vymazat1, Nast1, Uloit1 (QActions)
//
// Once attach()ed to the main window, the page reads memories through its
// PhonebookReader (the main window hands the reader every reply of its
// default receive handler), edits, dials and erases rows, and saves and
// loads list files. Without attach() the controls are there but do nothing.
class PhonebookPage : public QWidget
{
    Q_OBJECT

public:
    explicit PhonebookPage(QWidget *parent = nullptr);
    ~PhonebookPage() override;

    void attach(const PhonebookLink &link);

    PhonebookReader *reader() const { return m_reader; }
    TEditSeznamForm *editForm() const { return m_edit; }
    QTreeWidget *Seznam() const;
    RadioGroup *vybertypu() const;
    QLabel *Panelinfo() const;
    QLabel *Obsazeno() const;
    QPushButton *RefresSeznam() const;
    QMenu *PopupMenuSeznam() const { return m_popup; }

    // The rows as the list file holds them (caption first, then the sub-items).
    QList<SeznamRow> rows() const;
    void setRows(const QList<SeznamRow> &rows);

    // --- Reading (the memory table's index) -------------------------------
    void vybertypuClick(int index);
    void RefresSeznamClick();
    // The "Aktualizuj" submenu items: they choose a memory of the radio group.
    void chooseFromMenu(int index);

    // --- Editing, dialling, erasing --------------------------------------------
    void SeznamClick();
    void editConfirmed();   // TEditSeznamForm::OKClick
    void Zavolat1Click();
    void Zavsit1Click();
    void Vymazat1Click();

    // --- List files -------------------------------------------------------------
    void UlozitClick();
    void nactiClick();

private:
    void buildPopupMenu();
    void connectControls();
    void run(const std::function<void()> &handler);
    void readEnded();
    void readFailed(PhonebookReader::Failure failure, const QByteArray &detail);
    void appendRow(const PhonebookRow &row);
    void writeRefused(const QByteArray &detail);
    void message(int icon, const QByteArray &text);
    void message(int icon, const QString &text);
    QString messageString(QByteArray MessageTexts::*text, const QString &first, const QString &second) const;
    QByteArray messageText(QByteArray MessageTexts::*text, const QByteArray &first,
                           const QByteArray &second) const;
    bool openPort();
    void send(const QByteArray &command);
    QString dataFolder() const;
    int originOf(const QTreeWidgetItem *item) const;

    Ui::PhonebookPage *m_ui;
    QMenu *m_popup = nullptr;
    QAction *m_editace = nullptr;
    QAction *m_vymazat = nullptr;
    QAction *m_zavolat = nullptr;
    QAction *m_zavesit = nullptr;
    PhonebookReader *m_reader = nullptr;
    TEditSeznamForm *m_edit = nullptr;
    PhonebookLink m_link;
    // The row an unconfirmed AT+CPBW changed, and what it held before.
    QTreeWidgetItem *m_writtenRow = nullptr;
    QStringList m_rowBefore;
    // The capacity the last read's count gave (0 before one).
    int m_capacity = 0;
};
