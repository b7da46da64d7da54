#pragma once

#include "smsentries.h"
#include "smslisting.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class SmsPage;
}
class Clock;
class QAction;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class RadioGroup;
class TComPort;
class TUlozSMS;
struct MessageTexts;

// What the SMS page uses of the main window: the modem port and the shared
// link operations, the progress panel, the status bar, the information
// page's maker and model, and the phonebook list Seznam for names.
struct SmsPageLink
{
    TComPort *port = nullptr;
    const Clock *clock = nullptr;
    const MessageTexts *texts = nullptr;
    QString programFolder;
    std::function<bool(bool open)> setModemPortOpen;
    std::function<bool(int ticks)> waitTicks;
    std::function<QString()> maker;  // the information page's Vyrobce
    std::function<QString()> model;  // the information page's model
    std::function<void(int panel, const QString &text)> setPanelText;
    QWidget *progresPanel = nullptr;
    QProgressBar *progres = nullptr;
    // The phonebook list view Seznam (caption = read position; cells
    // location, name, number, group), or null while there is none.
    std::function<QTreeWidget *()> seznam;
    // Empties the phonebook's read state, so that a read interrupted by a
    // listing does not resume.
    std::function<void()> clearPhonebookState;
    // Runs a user action; a port error escaping it is shown.
    std::function<void(const std::function<void()> &handler)> guard;
};

// The message store page (tab "TabSMS" of the main window): lists the
// handset's messages by memory and status (Nacist_SMS, Typ_SMS,
// AktualizujSMS), shows the selected one in SMSText, deletes it
// (Smazat_SMS, SmazatSMS1), prints it (Tisk_SMS) and saves it or the whole
// list (UlozitSMS with the dialog TUlozSMS).
//
// Controls (object names):
//   ListSMS       QTreeWidget, columns # / číslo / od koho / daum a čas / text,
//                 context menu PopupMenuSMS
//   Nacist_SMS    RadioGroup, 3 memories; Typ_SMS  RadioGroup, 5 statuses
//   NahledSMS     QGroupBox "Náhled SMS" holding SMSText (QPlainTextEdit)
//   Nova_SMS, Odpoved_SMS, AktualizujSMS, Tisk_SMS, UlozitSMS, Smazat_SMS
//                 QPushButton
//   PopupMenuSMS  QMenu with the QActions NovSMS1, UpravSMS1, SmazatSMS1
// Every button, both radio groups and the three menu items start disabled.
//
// Until attach() the page is controls only. Nova_SMS, Odpoved_SMS, NovSMS1
// and UpravSMS1 are enabled here with a selected row; what they open is
// connected by the compose dialog's code (selectedRow() gives the row).
class SmsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SmsPage(QWidget *parent = nullptr);
    ~SmsPage() override;

    void attach(const SmsPageLink &link);

    // --- Controls --------------------------------------------------------
    QTreeWidget *ListSMS() const;
    RadioGroup *Nacist_SMS() const;
    RadioGroup *Typ_SMS() const;
    QPlainTextEdit *SMSText() const;
    QPushButton *Nova_SMS() const;
    QPushButton *Odpoved_SMS() const;
    QPushButton *AktualizujSMS() const;
    QPushButton *Tisk_SMS() const;
    QPushButton *UlozitSMS() const;
    QPushButton *Smazat_SMS() const;
    QMenu *PopupMenuSMS() const { return m_popup; }
    QAction *NovSMS1() const { return m_novSms; }
    QAction *UpravSMS1() const { return m_upravSms; }
    QAction *SmazatSMS1() const { return m_smazatSms; }
    TUlozSMS *UlozSMS() const { return m_ulozSms; }
    // The printer the print-outs go to; the printer set-up changes it.
    QPrinter *printer() const { return m_printer.get(); }
    SmsListing *listing() const { return m_listing; }

    // The listed rows in list order, and the selected one (none: nullopt).
    QList<SmsRow> rows() const;
    std::optional<SmsRow> selectedRow() const;

    // --- Handlers ----------------------------------------------------------
    // A memory chosen: selects it and, when a status is chosen, lists.
    void Nacist_SMSClick();
    // Typ_SMS chosen, AktualizujSMS, and after a deletion: selects the
    // current memory and lists with the current status.
    void ListMessages();
    // The modem port's receive handler while the page lists.
    void SmsRxChar(int count);
    // ListSMS click or one of the keys Page Up/Down, End, Home, Up, Down:
    // shows the selected row and sets the actions' enabled states.
    void ShowSelectedRow();
    void Smazat_SMSClick();
    void Tisk_SMSClick();
    void UlozitSMSClick();
    // The main window changed to this page: on the first visit (no memory
    // chosen) chooses "Vše" and then status 0, as if the user had.
    void FirstVisit();

    // Draws the print-out of a row (three lines, long texts wrapped within
    // the page) on printer.
    static void PrintRow(QPrinter &printer, const QString &model, const SmsRow &row);

signals:
    // A listing has filled the list (the empty-store row included).
    void listingShown();
    // A listing ended without rows: the handset's error line, or empty
    // when it stopped answering. (A failed memory choice or deletion only
    // shows its error.)
    void listingFailed(const QByteArray &errorLine);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPopupMenu();
    void connectHandlers();
    bool phoneIdentified() const;
    void installRxHandler();
    void startProgress(int maximum);
    void endListing();
    void showEntries(const QList<SmsEntry> &entries);
    // The handset's error (empty: no answer) in status panel 0; the page is
    // usable again once nothing waits for an answer.
    void showFailure(const QByteArray &errorLine, bool listingEnded);
    // Status panel 0; an empty text clears what the page showed there.
    void setStatus(const QByteArray &text);
    void listMessages(bool keepRows);
    void removeRow(int index);
    void onDone(SmsListing::Command command);
    void onFailed(SmsListing::Command command, const QByteArray &errorLine);
    void onTimedOut(SmsListing::Command command);
    void setRowActionsEnabled(bool on);
    QList<PhonebookNumber> phonebookNumbers() const;
    QByteArray text(QByteArray MessageTexts::*member) const;
    void run(const std::function<void()> &handler);
    // Asks first when the file cannot hold every character (lost lists them).
    void saveFile(const QString &extension, const QString &proposedName, const QByteArray &bytes,
                  const QString &lost);

    Ui::SmsPage *m_ui;
    QMenu *m_popup = nullptr;
    QAction *m_novSms = nullptr;
    QAction *m_upravSms = nullptr;
    QAction *m_smazatSms = nullptr;
    TUlozSMS *m_ulozSms = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    SmsListing *m_listing = nullptr;
    SmsPageLink m_link;
    // A deletion in progress: written (Sent), answered OK (Done).
    enum class Deletion { None, Sent, Done };
    Deletion m_deletion = Deletion::None;
    int m_deletedIndex = 0;
    bool m_statusShown = false; // status panel 0 holds a failure of this page
};
