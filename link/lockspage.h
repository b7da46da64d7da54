#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace Ui {
class LocksPage;
}

// The page "TabSheet6" ("Blokování / Ostatní"): the PIN and SIM-binding
// locks, the code changes, DTMF tones and their duration, and the area that
// holds the GPS monitor. Its captions are fixed (not from the language file).
//
// Lock checks set by the program (the readout) raise no signal; lockToggled
// fires only when the user toggles an item.
class LocksPage : public QWidget
{
    Q_OBJECT

public:
    explicit LocksPage(QWidget *parent = nullptr);
    ~LocksPage() override;

    QListWidget *Blokovani() const;
    QPushButton *ZmenitPIN() const;
    QPushButton *ZmenitPIN2() const;
    QPushButton *ZmenitKOD() const;
    QLineEdit *DTMF() const;
    QPushButton *Poslat_DTMF() const;
    QSpinBox *DTMF_D() const;
    QPushButton *ZmenitDTMF() const;

    // The empty group "GpsMonitor" with its layout, for the GPS monitor.
    QGroupBox *GpsMonitor() const;
    QVBoxLayout *GpsMonitorLayout() const;

    // The tones of DTMF (Windows-1250, as typed) and the duration of DTMF_D.
    QByteArray dtmfTones() const;
    int dtmfDuration() const;

    // Item 0 "Použít PIN", item 1 "Vazba na SIM"; no signal.
    void setLock(int item, bool checked);
    bool lock(int item) const;

signals:
    void lockToggled(int item, bool checked);
    // "Poslat" and "Změnit" of the DTMF groups.
    void dtmfSendRequested();
    void dtmfDurationRequested();

private:
    Ui::LocksPage *ui;
};
