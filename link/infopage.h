#pragma once

#include "checklist.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QComboBox;
class QDateTime;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
struct PhoneInfo;

namespace Ui {
class InfoPage;
}

// The information page "Vyp_telefon" of the main window: the ten information
// rows, the call charges, the PC clock, the ring, alert and speaker settings,
// the four options and the buttons of the page.
//
// Everything the program itself puts into the controls (the readout, the
// clock, the language texts) goes through the setters below and never raises
// the user signals; those fire only when the user picks an entry or toggles
// an option, so a readout never sends anything back to the handset.
class InfoPage : public QWidget
{
    Q_OBJECT

public:
    explicit InfoPage(QWidget *parent = nullptr);
    ~InfoPage() override;

    // The ten value panels, top to bottom as on the page.
    QLabel *Vyrobce() const;
    QLabel *model() const;
    QLabel *VerzeGSM() const;
    QLabel *Operator() const;
    QLabel *Baterie() const;
    QLabel *Signal() const;
    QLabel *IMEI() const;
    QLabel *IMSI() const;
    QLabel *cisloSIM() const;
    QLabel *strediskoSMS() const;
    QLabel *Poplatky() const;
    QLabel *Datum_PC_R() const;
    QLabel *Cas_PC_R() const;

    QComboBox *Hlasitost_zvoneni() const;
    QComboBox *Umlceni() const;
    QComboBox *Hlasitost_repro() const;
    QListWidget *OstatniBox() const;

    QPushButton *refresh() const;
    QPushButton *btnExplorer() const;
    QPushButton *Vyp_tel() const;
    QPushButton *BitBtn1() const;
    QPushButton *SynchrCas() const;

    // Start of a presence check: the ten panels empty, the charges "???".
    void clearReadout();
    // Puts a readout's results in place. Fields without a value keep what
    // their control showed; a combo index outside the list selects nothing.
    // Only the maker and model are touched when the readout stopped after
    // them as asked; a cancelled or cut-off readout shows what it read.
    // (The locks of the readout belong to the locks page.)
    void showReadout(const PhoneInfo &info);
    // After the phone controls have gone on: a combo box or option whose
    // value the readout did not get (it was cancelled or ended early before
    // the query, or the query got no answer in time) stays off, since what it
    // shows is not the handset's; the others go on.
    void disableUnread(const PhoneInfo &info);
    // The PC clock: date "dd:mm:yyyy" and time "hh:mm:ss".
    void showClock(const QDateTime &now);

    // Programmatic changes; they raise none of the user signals.
    void setOption(int item, bool checked);
    bool option(int item) const;
    // Replaces the option items (all unchecked) and the combo box lists
    // (nothing selected afterwards), as a language load does.
    void setOptionItems(const QStringList &texts);
    void setComboItems(QComboBox *box, const QStringList &texts);

signals:
    // The user picked an entry of the ring volume, speaker volume or alert mode.
    void ringVolumePicked(int index);
    void speakerVolumePicked(int index);
    void alertModePicked(int index);
    // The user toggled option item (0..3) of OstatniBox.
    void optionToggled(int item, bool checked);
    // "Nastavit" of the handset clock and "Restart telefonu" were clicked.
    void clockSetRequested();
    void powerOffRequested();

private:
    void onOptionItemChanged(QListWidgetItem *item);

    Ui::InfoPage *ui;
};

