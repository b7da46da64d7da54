#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// Everything modal that asks the user or tells the user something goes
// through this seam: message boxes, question boxes, the input box, file
// dialogs, the printer set-up, and the program's own modal dialogs. Users get
// QtDialogs; tests install ScriptedDialogs, which records every request and
// answers from a queue, so no test ever blocks on a modal window.
class Dialogs
{
public:
    enum class Icon { Information, Warning, Error, Question };
    enum class Buttons { Ok, Cancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer message(QWidget *parent, Icon icon, const QString &caption, const QString &text,
                           Buttons buttons) = 0;
    // A one-line input box; no value when the user cancels.
    virtual std::optional<QString> inputBox(QWidget *parent, const QString &caption,
                                            const QString &prompt, const QString &value) = 0;
    // Empty when the user cancels.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
    // A folder (an existing one, or one the dialog made); empty when cancelled.
    virtual QString folderName(QWidget *parent, const QString &caption, const QString &folder) = 0;
    // The printer set-up for printer: the user's choice goes into it (it
    // keeps it for the next time); false when cancelled.
    virtual bool printerSetup(QWidget *parent, QPrinter *printer) = 0;
    // Shows one of the program's own dialogs modally; returns QDialog's result code.
    virtual int execDialog(QDialog *dialog) = 0;

    // The dialogs in force for the whole program; QtDialogs unless a test replaced it.
    static Dialogs &instance();
    static void setInstance(Dialogs *dialogs);
};

class QtDialogs final : public Dialogs
{
public:
    Answer message(QWidget *parent, Icon icon, const QString &caption, const QString &text,
                   Buttons buttons) override;
    std::optional<QString> inputBox(QWidget *parent, const QString &caption, const QString &prompt,
                                    const QString &value) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &folder,
                         const QString &filter) override;
    QString folderName(QWidget *parent, const QString &caption, const QString &folder) override;
    bool printerSetup(QWidget *parent, QPrinter *printer) override;
    int execDialog(QDialog *dialog) override;
};
