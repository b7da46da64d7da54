#pragma once

#include <QDialog>

#include <functional>

class LabelledEdit;
class QCheckBox;
class QComboBox;
class QPushButton;

// The entry dialog (unit "EditSeznam", caption "Seznam"): location, name,
// number and group of one row of the phonebook list, and whether to write it
// into the handset too. OK runs OKClick (the phonebook page's onOK) and
// closes the dialog; "Zrušit" only closes it.
//
// Created once and reused; it keeps its contents between uses. Each time it
// is shown it is centred on the main window given at creation.
class TEditSeznamForm : public QDialog
{
    Q_OBJECT

public:
    explicit TEditSeznamForm(QWidget *mainWindow = nullptr);

    LabelledEdit *Cislo() const { return m_cislo; }
    LabelledEdit *Jmeno() const { return m_jmeno; }
    LabelledEdit *Telefon() const { return m_telefon; }
    QComboBox *Skupina() const { return m_skupina; }
    QCheckBox *Ulozit() const { return m_ulozit; }
    QPushButton *OK() const { return m_ok; }
    QPushButton *Zrusit() const { return m_zrusit; }

    // What OK does before the dialog closes.
    std::function<void()> onOK;
    void OKClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_mainWindow;
    LabelledEdit *m_cislo;
    LabelledEdit *m_jmeno;
    LabelledEdit *m_telefon;
    QComboBox *m_skupina;
    QCheckBox *m_ulozit;
    QPushButton *m_ok;
    QPushButton *m_zrusit;
};
