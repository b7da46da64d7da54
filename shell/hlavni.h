#pragma once

#include "attransport.h"
#include "dialogs.h"
#include "messagetexts.h"

#include <QMainWindow>

#include <array>
#include <functional>

class AddressBookPage;
class BackupMenu;
class Clock;
class DeviceSettings;
class GpsPage;
class InfoPage;
class LocksPage;
class PhonebookPage;
class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class SmsPage;
class TNovaSMSDlg;
class TComPort;
class TFrmAbout;
class TFrmNastaveni;
class THesloForm;
class TZavolatSeznam;

namespace Ui {
class TForm1;
}

// The main window of the phone manager (unit "Hlavni"): six pages in
// HlavniPanel, the main menu, the status bar with four panels, the progress
// panel, the PC clock, the tray icon, and the three serial ports with the
// modem-link operations every feature shares.
//
// The window is built for a program folder (torvane.ini, the *.lng files and
// the about texts live there) and a clock, so tests can give it their own.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    TForm1(const QString &programFolder, const Clock &clock, QWidget *parent = nullptr);
    ~TForm1() override;

    // Page indexes of HlavniPanel.
    enum Page { InfoPageIndex = 0, PhonebookPageIndex = 1, AddressBookPageIndex = 2,
                AppointmentsPageIndex = 3, SmsPageIndex = 4, LocksPageIndex = 5 };

    // The application title (message boxes, tray icon).
    static const QString ApplicationTitle;

    TComPort *const ComPort1;  // modem port
    TComPort *const ComPort2;  // diagnostic port (configured and probed only)
    TComPort *const GPSPort;

    QString programFolder() const { return m_programFolder; }
    QString iniPath() const;

    // The localized message texts (Windows-1250).
    MessageTexts &messageTexts() { return m_texts; }
    // The default receive handler's line assembly: LineBuffer and ReplyBuffer,
    // and the hook that a complete reply ("OK") is handed to.
    ReplyAssembler &replies() { return m_replies; }

    QTabWidget *HlavniPanel() const;
    InfoPage *infoPage() const { return m_infoPage; }
    LocksPage *locksPage() const { return m_locksPage; }
    // The GPS monitor in the locks page.
    GpsPage *gpsPage() const { return m_gpsPage; }
    SmsPage *smsPage() const { return m_smsPage; }
    // The compose dialog "Nová SMS", opened from the SMS page.
    TNovaSMSDlg *novaSms() const { return m_novaSms; }
    PhonebookPage *phonebookPage() const { return m_phonebookPage; }
    TFrmNastaveni *nastaveni() const { return m_nastaveni; }
    BackupMenu *backupMenu() const { return m_backupMenu; }
    // The code-entry dialog, shared by the device settings and phonebook reading.
    THesloForm *heslo() const { return m_heslo; }
    DeviceSettings *deviceSettings() const { return m_deviceSettings; }
    // The number-choice dialog: dials one of up to four numbers on ComPort1.
    TZavolatSeznam *zavolatSeznam() const { return m_zavolatSeznam; }
    TFrmAbout *about() const { return m_about; }
    // The address-book page: the loaded contacts (AdresarList) with the user's edits.
    AddressBookPage *addressBookPage() const { return m_addressBookPage; }
    QWidget *ProgresPanel() const { return m_progresPanel; }
    QLabel *lbProgres() const { return m_lbProgres; }
    QProgressBar *Progres() const { return m_progres; }
    // The progress panel's cancel button "Zrušit".
    QPushButton *btnZrusit() const { return m_btnZrusit; }
    QSystemTrayIcon *TrayIcon1() const { return m_tray; }
    QTimer *Hodiny() const { return m_hodiny; }
    QAction *InfoMenu() const;
    QAction *AktivniSMS() const;

    // Status bar panels 0..3.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

    // The version text of the program file, shown in the caption and the about box.
    QString versionText() const { return m_versionText; }
    void setVersionText(const QString &version);

    // Shows a page as the program's choice (HlavniPanelChange does not run).
    void selectPage(int index);

    // --- The modem link -------------------------------------------------

    // open: opens ComPort1 (an open port stays as it is) and shows "Port: "
    // with its name and "obsazen"; on failure a warning, "nelze otevřít" and
    // false. !open: closes ComPort1 and shows "uvolněn"; on failure an error box.
    bool SetModemPortOpen(bool open);
    // Enables or disables every control that needs a handset, on whichever
    // page it lives (found by object name). With on it also hides the progress
    // panel. RefreshAdr and Refresh_Shuzky stay disabled either way.
    void EnablePhoneControls(bool on);
    // End of a readout or failed presence check: the phone controls go on only
    // when the maker panel holds "TORVANE".
    void FinishReadout();
    // The presence check and information readout (button "refresh"). While
    // it waits for the handset the window goes on painting; only the progress
    // panel's "Zrušit" takes input, which ends the readout at the next query.
    // Two queries in a row without any answer end it as for a silent handset.
    void refreshClick();
    // "Zrušit" of the progress panel.
    void btnZrusitClick();
    // True while the presence check or the readout runs.
    bool readoutRunning() const { return m_readoutRunning; }
    // True while an exchange runs on the modem port (the readout, a phonebook
    // read or write): every other action that would use the port waits.
    bool modemExchangeRunning() const;
    // Lets the window and the receive handlers run n + 1 times, 1 ms apart.
    bool WaitTicks(int n);
    // The default receive handler of ComPort1, installed at creation.
    void ComPort1RxChar(int count);
    // Puts ComPort1RxChar back as the receive handler of ComPort1.
    void installDefaultRxHandler();

    // Object names of the controls that need a handset.
    static const QStringList &PhoneControlNames();

    // --- Menu and window handlers -----------------------------------------

    void Komunikanport1Click();
    void UvolnitPort1Click();
    void InfoMenuClick();
    void AktivniSMSClick();
    void BitBtn1Click();
    void Oprogramu1Click();
    void Konec1Click();
    void PruzkumnikClick();
    void TrayIcon1Click();
    void HodinyTimer();
    void HlavniPanelChange(int index);
    void FormClose();

    // --- Start-up steps ----------------------------------------------------

    // The entries of cbJazyk: the names of the "*.lng" files of the program
    // folder (up to the first "."), sorted by file name.
    void BuildLanguageList();
    // Reads "SMS"/"Aktivni", "Info"/"Aktivni" and "Info"/"Jazyk".
    void ReadStartSettings();
    // Puts the texts of the chosen language file in place.
    void LoadLanguage();

    // --- Messages and errors --------------------------------------------------

    // A message box through the dialogs seam; text in Windows-1250.
    Dialogs::Answer showMessage(Dialogs::Icon icon, const QByteArray &text,
                                Dialogs::Buttons buttons = Dialogs::Buttons::Ok);
    Dialogs::Answer showMessage(Dialogs::Icon icon, const QString &text,
                                Dialogs::Buttons buttons = Dialogs::Buttons::Ok);
    // Runs the handler of a user action. A port error (or any other exception)
    // that escapes it is shown in an error box; the program goes on.
    void runGuarded(const std::function<void()> &handler);
    // Wraps a handler with runGuarded, for connect().
    template<typename F>
    auto guarded(F handler)
    {
        return [this, handler](auto &&...) { runGuarded(handler); };
    }

    // Called by PruzkumnikClick and btnExplorer: shows the OBEX explorer.
    std::function<void()> showObexExplorer;

signals:
    // The user switched to another page.
    void pageChangedByUser(int index);
    // The main window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Status panel 0 after a readout: text (empty for none) replaces the
    // readout's own earlier text; another feature's text stays unless text
    // is a failure of its own.
    void showReadoutStatus(const QString &text);
    // After a readout that found the handset: controls whose value it did
    // not get stay off (see InfoPage::disableUnread), the locks likewise.
    void disableUnreadControls(const struct PhoneInfo &info);
    // Menu actions and buttons that use the modem port go off while an
    // exchange runs on it and back on afterwards.
    void updateModemActions();
    void createPages();
    void createStatusBar();
    void createProgressPanel();
    void endReadoutDisplay();
    class ReadoutSession;
    void connectHandlers();
    void attachSmsPage();

    Ui::TForm1 *ui;
    QString m_programFolder;
    const Clock &m_clock;
    MessageTexts m_texts = MessageTexts::defaults();
    ReplyAssembler m_replies;
    InfoPage *m_infoPage = nullptr;
    LocksPage *m_locksPage = nullptr;
    GpsPage *m_gpsPage = nullptr;
    SmsPage *m_smsPage = nullptr;
    TNovaSMSDlg *m_novaSms = nullptr;
    PhonebookPage *m_phonebookPage = nullptr;
    TFrmNastaveni *m_nastaveni = nullptr;
    BackupMenu *m_backupMenu = nullptr;
    THesloForm *m_heslo = nullptr;
    TZavolatSeznam *m_zavolatSeznam = nullptr;
    AddressBookPage *m_addressBookPage = nullptr;
    DeviceSettings *m_deviceSettings = nullptr;
    TFrmAbout *m_about = nullptr;
    QWidget *m_progresPanel = nullptr;
    QLabel *m_lbProgres = nullptr;
    QProgressBar *m_progres = nullptr;
    QPushButton *m_btnZrusit = nullptr;
    bool m_readoutRunning = false;
    bool m_cancelRequested = false;
    bool m_closeAfterReadout = false;
    QString m_readoutStatus;
    bool m_phoneControlsOn = false;  // what the readout last put in status panel 0
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_hodiny = nullptr;
    std::array<QLabel *, 4> m_panels{};
    QString m_versionText;
    bool m_selectingPage = false;
    bool m_closed = false;
};
