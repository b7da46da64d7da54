#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class TComPort;
class QComboBox;
class QGroupBox;
class QLabel;

namespace Ui {
class TFrmNastaveni;
}

// The settings dialog "Nastavení": port name, baud rate and flow control of
// the modem and diagnostic ports, the GPS port name, the language choice,
// and the automatic port test.
//
// Every combo box is bound to its port object: it offers its choices, shows
// the port's current value, and a choice made by the user is applied to the
// port at once (a new name on an open port reopens it). The caller shows the
// dialog through Dialogs::execDialog and stores the three ports' settings
// when it ends with QDialog::Accepted; the dialog itself writes only the
// language index ("Info"/"Jazyk") when OK is pressed.
//
// The port-name boxes are editable, because on Linux a handset may sit on a
// device that the system's list does not offer (a by-id link, a
// pseudo-terminal): a typed name is applied when editing finishes. A port
// whose current name is not in the list shows that name with no entry
// selected.
class TFrmNastaveni : public QDialog
{
    Q_OBJECT

public:
    // Supplies the names offered in the three port-name boxes. It may throw
    // EComPort; the dialog then reports the error and offers no names.
    using PortLister = std::function<QStringList()>;

    // The port list is built once, here, by portLister (by default the
    // system's serial devices).
    TFrmNastaveni(TComPort *comPort1, TComPort *comPort2, TComPort *gpsPort,
                  const QString &iniPath, QWidget *mainWindow,
                  PortLister portLister = {});
    ~TFrmNastaveni() override;

    // Controls whose captions come from the language file, and the language list.
    QGroupBox *GroupBox1() const;
    QLabel *Label1() const;
    QLabel *Label2() const;
    QComboBox *cbJazyk() const;

    // Called when the user picks another language (cbJazykChange).
    std::function<void()> onLanguageChanged;

    // The automatic port test (btnTestPortuClick): finds the diagnostic port
    // and then the modem port among the entries of their boxes, at 115200
    // baud, and leaves both ports closed with the found names (or entry 0
    // when nothing answered) selected and set. GPSPort is never touched.
    // Each silent candidate costs the bound of one 255-byte read (3.55 s).
    void btnTestPortuClick();

protected:
    // Fits the captions in force (they may come from a language file) and
    // centres the dialog on the main window.
    void showEvent(QShowEvent *event) override;

private:
    // The probes of the automatic test; true when the candidate answered.
    bool TestDiagnosticPort(int index);
    bool TestNextModemPort();

    void FormCreate(const PortLister &portLister);
    void fitSize();
    void bindPortName(QComboBox *box, TComPort *port, const QStringList &names);
    void bindChoice(QComboBox *box, const QStringList &choices, const QString &current);
    void applyPortName(TComPort *port, const QString &name);
    void applySetting(const std::function<void()> &apply);
    void showPortError(const QString &text);
    void setProgress(const QString &text);
    void cbJazykChange();
    void btnOKClick();

    Ui::TFrmNastaveni *ui;
    TComPort *m_com1;
    TComPort *m_com2;
    TComPort *m_gps;
    QString m_iniPath;
    QWidget *m_mainWindow;
    bool m_testRunning = false;
};
