#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStyle;

namespace Ui {
class THesloForm;
}

// The code-entry dialog (unit "Heslo"): the old code in PuvodniHeslo over the
// new code in NoveHeslo, each at most 8 characters and shown as "*".
//
// The dialog is created once and reused; it keeps its caption, texts and the
// enabled state of its edits between uses, so every caller sets what it needs
// (prepare()) before showing it through Dialogs::execDialog. Callers look only
// at the edits' texts afterwards, never at the result: an empty text means the
// user cancelled. Heslo_OK accepts; Heslo_zrus, the close box and Escape
// empty both edits and reject, so a code typed before dismissing the dialog
// is never taken for an answer.
//
// Each time it is shown it is centred on the main window given at creation.
class THesloForm : public QDialog
{
    Q_OBJECT

public:
    explicit THesloForm(QWidget *mainWindow = nullptr);
    ~THesloForm() override;

    QLabel *Label1() const;
    QLabel *Label2() const;
    QLineEdit *PuvodniHeslo() const;
    QLineEdit *NoveHeslo() const;
    QPushButton *Heslo_OK() const;
    QPushButton *Heslo_zrus() const;

    // Sets the caption and which edits take input; the texts stay as they are.
    void prepare(const QString &caption, bool oldEnabled, bool newEnabled);
    // Empties both edits.
    void clearCodes();

    // The codes as typed, in Windows-1250.
    QByteArray oldCode() const;
    QByteArray newCode() const;

    // Design size of the dialog; it grows only where the fonts need more room.
    static constexpr int DesignWidth = 178;
    static constexpr int DesignHeight = 91;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    Ui::THesloForm *ui;
    QWidget *m_mainWindow;
    QStyle *m_echoStyle;
};
