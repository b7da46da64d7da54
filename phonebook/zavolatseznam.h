#pragma once

#include <QDialog>

#include <functional>

class RadioGroup;
class TComPort;
struct MessageTexts;

// The number-choice dialog (unit "ZavolatSeznam"): the radio group `cislo`
// ("Číslo") holds the numbers its caller has added; clicking one of the first
// four dials it as a voice call ("ATD" + number + ";" CR) on the main
// window's modem port, and any click closes the dialog.
//
// Callers fill cislo()'s items, show the dialog through Dialogs::execDialog
// and clear the items when it returns. The dialog is created once and reused.
// Each time it is shown it is centred on the main window given at creation.
//
// The port is opened through setModemPortOpen before dialling, when given;
// it reports its own failure, and then nothing is sent. A port error while
// writing (EComPort) leaves cisloClick; clicks from the radio group go
// through the guard when one is set (the main window's shows the error).
class TZavolatSeznam : public QDialog
{
    Q_OBJECT

public:
    using Guard = std::function<void(const std::function<void()> &handler)>;

    TZavolatSeznam(QWidget *mainWindow, TComPort *comPort1,
                   std::function<bool(bool)> setModemPortOpen = {});

    RadioGroup *cislo() const { return m_cislo; }

    // Runs every click of cislo through guard (the main window shows port
    // errors in an error box).
    void setGuard(Guard guard) { m_guard = std::move(guard); }
    // The texts of its messages (the built-in Czech ones without).
    void setTexts(const MessageTexts *texts) { m_texts = texts; }
    // Runs before the dial command is sent (the main window installs its
    // default receive handler there).
    void setBeforeSend(std::function<void()> beforeSend) { m_beforeSend = std::move(beforeSend); }

    // The click of cislo: dials item 0..3, then closes the dialog. A number
    // that is no dial string is refused with a message, nothing sent.
    void cisloClick();

    // The command that dials a number as a voice call.
    static QByteArray DialCommand(const QByteArray &number);

    static constexpr int DesignWidth = 185;
    static constexpr int DesignHeight = 135;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_mainWindow;
    TComPort *m_comPort1;
    std::function<bool(bool)> m_setModemPortOpen;
    RadioGroup *m_cislo;
    Guard m_guard;
    const MessageTexts *m_texts = nullptr;
    std::function<void()> m_beforeSend;
};
