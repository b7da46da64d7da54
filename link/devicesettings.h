#pragma once

#include <QByteArray>
#include <QObject>

#include <initializer_list>

#include <functional>

class Clock;
class InfoPage;
class LocksPage;
class QDateTime;
class TComPort;
class THesloForm;

// The controls that change the handset: ring volume, speaker volume and
// alert mode, the four options, the handset clock and power off on the
// information page; the SIM-PIN and phone locks, the code changes and DTMF
// on the locks page.
//
// Every handler first asks setModemPortOpen(true) for the modem port and does
// nothing more when it gives false; otherwise it writes one AT command to
// comPort1 and returns. No answer is read here: the answers go to whatever
// receive handler the port has at that moment (normally the main window's
// default handler, which discards them), and nothing is read back after a
// change; the next readout shows what the handset has.
//
// The constructor connects the handlers to the pages' user signals and
// buttons; changes the program makes itself (the readout) raise no signal and
// so send nothing. The handlers are public so that a menu item can perform a
// click (Vypnouttelefon1 performs Vyp_telClick).
//
// A port error (EComPort) from writing a command leaves a handler. Handlers
// run from the pages' signals go through guard(), which by default shows the
// error in an error box; the main window installs its own guard.
class DeviceSettings : public QObject
{
    Q_OBJECT

public:
    using Guard = std::function<void(const std::function<void()> &handler)>;

    DeviceSettings(InfoPage *infoPage, LocksPage *locksPage, TComPort *comPort1, THesloForm *heslo,
                   const Clock &clock, std::function<bool(bool)> setModemPortOpen,
                   QObject *parent = nullptr);

    void setGuard(Guard guard);
    // The texts of the messages shown here (the built-in ones until set);
    // the object is the caller's and outlives this one.
    void setMessageTexts(const struct MessageTexts *texts);

    // --- Information page ---------------------------------------------------

    // "AT+CRSL=" + (index + 1): the ring level is one above the entry's index.
    void Hlasitost_zvoneniChange(int index);
    // "AT+CLVL=" + index.
    void Hlasitost_reproChange(int index);
    // "AT+CALM=" + index.
    void UmlceniChange(int index);
    // Option item 0..3 of OstatniBox, now checked or not: the keypad lock,
    // vibration, and the handset's own commands for items 2 and 3 (AT+CLIR
    // and AT+CMUT). Any other item sends nothing.
    void OstatniBoxClickCheck(int item, bool checked);
    // Sets the handset clock from the PC clock (see ClockCommand).
    void SynchrCasClick();
    // Switches the handset off ("AT^SMSO"), without asking.
    void Vyp_telClick();

    // --- Locks page -----------------------------------------------------------

    // The user changed lock item 0 ("Použít PIN", facility SC) or 1 ("Vazba
    // na SIM", PS): asks for the code with only PuvodniHeslo enabled; with a
    // code, sends "at^slck=" with the new state and the code; with none
    // (cancelled), puts the check back and sends nothing. The dialog's edits
    // are emptied afterwards in every case. When the port cannot be opened the
    // check stays as the user set it.
    void BlokovaniClickCheck(int item, bool checked);
    // Code changes: both edits enabled; "AT+CPWD=" with the facility ("SC",
    // "P2", "PS"), the old and the new code only when both were typed, after
    // which both edits are emptied.
    void ZmenitPINClick();
    void ZmenitPIN2Click();
    void ZmenitKODClick();
    // "AT+VTS=" + the text of DTMF.
    void Poslat_DTMFClick();
    // "AT+VTD=" + the value of DTMF_D.
    void ZmenitDTMFClick();

    // The clock command for a moment: AT+CCLK="yy/MM/dd,h:mm:ss" and CR. The
    // date is built from the day, month and year themselves (two-digit year,
    // day and month padded to two digits), never from a locale's date text;
    // the time has unpadded hours, two-digit minutes and seconds and ":".
    // Empty for an invalid moment.
    static QByteArray ClockCommand(const QDateTime &now);

private:
    void run(const std::function<void()> &handler);
    void send(const QByteArray &command);
    void changeCode(const QString &caption, const char *facility);

    InfoPage *m_infoPage;
    LocksPage *m_locksPage;
    TComPort *m_comPort1;
    THesloForm *m_heslo;
    const struct MessageTexts *m_texts = nullptr;
    // True when every code is 4 to 8 digits; otherwise says so and nothing is sent.
    bool codesValid(std::initializer_list<QByteArray> codes);
    const Clock &m_clock;
    std::function<bool(bool)> m_setModemPortOpen;
    Guard m_guard;
};
