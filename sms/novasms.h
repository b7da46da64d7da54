#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QTreeWidget;
class SmsSender;
class TComPort;
struct MessageTexts;

namespace Ui {
class TNovaSMSDlg;
}

// What the compose dialog uses of the main window. Whoever creates the
// dialog fills it in; an empty entry is simply not used.
struct NovaSmsLinks
{
    QWidget *mainWindow = nullptr;    // the dialog is centred over it
    TComPort *port = nullptr;         // the modem port ComPort1
    QTreeWidget *Seznam = nullptr;    // phonebook rows: caption, location, name, number, group
    QTreeWidget *lvAdresar = nullptr; // address-book rows: caption, display name
    QLabel *strediskoSMS = nullptr;   // the service centre read from the handset
    QWidget *ProgresPanel = nullptr;
    QLabel *lbProgres = nullptr;
    QProgressBar *Progres = nullptr;
    // SetModemPortOpen(true) of the main window (it reports its own failure).
    std::function<bool()> openModemPort;
    // Puts ComPort1RxChar back as the port's receive handler.
    std::function<void()> installDefaultRxHandler;
    // Text of status panel 0.
    std::function<void(const QString &)> setStatusText;
    // The private number (SoukTel) of address-book record i (from 1), or
    // nothing when there is no such record.
    std::function<std::optional<QString>(int record)> privateNumber;
    QString programFolder;            // "SMS" below it holds the "*.sms" files
    // The texts of the loaded language; the built-in Czech ones without it.
    const MessageTexts *texts = nullptr;
};

// The compose dialog "Nová SMS" (unit novasms): one message, typed or loaded
// from a file, to a number typed or picked from the phonebook or the address
// book, sent through SmsSender. Created once; it keeps its text, number and
// options between openings. Its controls' texts are fixed Czech; its messages
// (errors, the result in status panel 0, the counter of a longer text) come
// from the loaded language.
//
// Sending waits for the handset; the dialog closes only once every part is
// confirmed. A failure is shown with the handset's error and the dialog
// stays open with what the user typed.
class TNovaSMSDlg : public QDialog
{
    Q_OBJECT

public:
    // The default service centre offered when the information page has none.
    static const QString DefaultCentre;

    explicit TNovaSMSDlg(const NovaSmsLinks &links, QWidget *parent = nullptr);
    ~TNovaSMSDlg() override;

    // The three ways of opening it. New message: as it was left.
    void NewMessage();
    // Reply and double-click: the selected row's number (column 1 of
    // ListSMS) and the preview text; without a selected row the number and
    // the text are emptied and the dialog is not shown.
    void Reply(QTreeWidget *ListSMS, QPlainTextEdit *SMSText);

    // Entry i of each list stands for row i of its source.
    void FillRecipientLists();

    // The counter: "%0.3d / %0.3d max" for one message, with the number of
    // parts for a longer one ("200 / 306 max (2 SMS)" in Czech).
    QString CounterText(const QByteArray &text) const;
    // The text as it will be sent (Windows-1250, line breaks as LF).
    QByteArray messageText() const;

    QTextEdit *SMS() const;
    QLabel *Znaku() const;
    QLineEdit *CisloPrijemce() const;
    QComboBox *SMSSeznam() const;
    QComboBox *SMSAdresar() const;
    QCheckBox *cbPotvrzeni() const;
    QSpinBox *Platnost() const;
    QComboBox *ComboPlatnost() const;
    QPushButton *PoslatSMS() const;
    QPushButton *SMS_zrus() const;
    QPushButton *SmazatSMS() const;
    QPushButton *NactiText() const;
    SmsSender *sender() const { return m_sender; }
    // The dialog's own view of a sending (shown only while it runs).
    QLabel *lbOdesilani() const { return m_sendingStatus; }
    QProgressBar *ProgresOdesilani() const { return m_sendingProgress; }
    bool isSending() const;

    // Handlers.
    void SMSChange();
    void SmazatSMSClick();
    void NactiTextClick();
    void SMSSeznamSelect(int index);
    void SMSAdresarSelect(int index);
    void PoslatSMSClick();

signals:
    // The exchange is over (sent or failed), for whoever waits for it.
    void sendingFinished(bool ok);

protected:
    void showEvent(QShowEvent *event) override;
    // Escape and "Zrušit" while sending stop the sending instead of closing.
    void reject() override;

private:
    void updateLimit();
    void sendingDone(bool ok);
    void setEditable(bool on);
    void showError(const QString &text);
    // The centre to write with AT+CSCA: empty when the information page has
    // the handset's own (nothing is written); else asked for (*asked), and
    // nothing when the user cancels.
    std::optional<QString> serviceCentre(bool *asked);
    QString message(QByteArray MessageTexts::*text) const;

    Ui::TNovaSMSDlg *ui;
    NovaSmsLinks m_links;
    SmsSender *m_sender = nullptr;
    QLabel *m_sendingStatus = nullptr;      // lbOdesilani: the step being sent
    QProgressBar *m_sendingProgress = nullptr; // ProgresOdesilani
    QString m_acceptedText; // the last text within the limit, for typing beyond it
    bool m_loading = false; // a loaded file may be longer than the limit
    bool m_updating = false;
};
