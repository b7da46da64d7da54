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
class TFrmNastaveni : public QDialog
{
    Q_OBJECT

public:
    TFrmNastaveni(TComPort *comPort1, TComPort *comPort2, TComPort *gpsPort,
                  const QString &iniPath, QWidget *mainWindow);
    ~TFrmNastaveni() override;

    // Controls whose captions come from the language file, and the language list.
    QGroupBox *GroupBox1() const;
    QLabel *Label1() const;
    QLabel *Label2() const;
    QComboBox *cbJazyk() const;

    // Called when the user picks another language (cbJazykChange).
    std::function<void()> onLanguageChanged;

    // The automatic port test (btnTestPortuClick).
    void btnTestPortuClick();

protected:
    void showEvent(QShowEvent *event) override;  // centres itself on the main window

private:
    void FormCreate();
    void btnOKClick();

    Ui::TFrmNastaveni *ui;
    TComPort *m_com1;
    TComPort *m_com2;
    TComPort *m_gps;
    QString m_iniPath;
    QWidget *m_mainWindow;
};
