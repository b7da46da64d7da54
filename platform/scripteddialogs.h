#pragma once

#include "dialogs.h"

#include <QList>

#include <deque>
#include <functional>

// Dialogs for tests: every request is recorded, answers come from queues
// filled by the test. An empty queue gives a harmless answer (OK, No,
// cancel, empty name, the dialog rejected), so a test never blocks.
class ScriptedDialogs final : public Dialogs
{
public:
    struct Request
    {
        enum class Kind { Message, Input, OpenFile, SaveFile, PrinterSetup, Dialog, Folder } kind;
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        QString caption;
        QString text;
        QString dialogName;  // objectName of a dialog shown through execDialog
    };

    ScriptedDialogs() { Dialogs::setInstance(this); }
    ~ScriptedDialogs() override { Dialogs::setInstance(nullptr); }

    QList<Request> requests;
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> inputs;
    std::deque<QString> fileNames;  // also the answers of folderName
    std::deque<bool> printerAnswers;
    // Called with the dialog while it would be on screen: fill its fields,
    // then return the result code (QDialog::Accepted or Rejected).
    std::deque<std::function<int(QDialog *)>> dialogActions;

    QList<Request> messages() const;

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
