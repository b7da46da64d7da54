#include "scripteddialogs.h"

#include <QDialog>

namespace {
template<typename T>
T take(std::deque<T> &queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T v = std::move(queue.front());
    queue.pop_front();
    return v;
}
} // namespace

QList<ScriptedDialogs::Request> ScriptedDialogs::messages() const
{
    QList<Request> out;
    for (const Request &r : requests)
        if (r.kind == Request::Kind::Message)
            out.append(r);
    return out;
}

Dialogs::Answer ScriptedDialogs::message(QWidget *, Icon icon, const QString &caption,
                                         const QString &text, Buttons buttons)
{
    requests.append({Request::Kind::Message, icon, buttons, caption, text, {}});
    const Answer fallback = buttons == Buttons::YesNo ? Answer::No
                            : buttons == Buttons::Cancel ? Answer::Cancel
                                                         : Answer::Ok;
    return take(answers, fallback);
}

std::optional<QString> ScriptedDialogs::inputBox(QWidget *, const QString &caption,
                                                 const QString &prompt, const QString &)
{
    requests.append({Request::Kind::Input, Icon::Question, Buttons::Ok, caption, prompt, {}});
    return take(inputs, std::optional<QString>());
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &caption, const QString &, const QString &)
{
    requests.append({Request::Kind::OpenFile, Icon::Question, Buttons::Ok, caption, {}, {}});
    return take(fileNames, QString());
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &caption, const QString &, const QString &)
{
    requests.append({Request::Kind::SaveFile, Icon::Question, Buttons::Ok, caption, {}, {}});
    return take(fileNames, QString());
}

QString ScriptedDialogs::folderName(QWidget *, const QString &caption, const QString &)
{
    requests.append({Request::Kind::Folder, Icon::Question, Buttons::Ok, caption, {}, {}});
    return take(fileNames, QString());
}

bool ScriptedDialogs::printerSetup(QWidget *, QPrinter *)
{
    requests.append({Request::Kind::PrinterSetup, Icon::Question, Buttons::Ok, {}, {}, {}});
    return take(printerAnswers, false);
}

int ScriptedDialogs::execDialog(QDialog *dialog)
{
    requests.append({Request::Kind::Dialog, Icon::Question, Buttons::Ok, dialog->windowTitle(), {},
                     dialog->objectName()});
    auto action = take(dialogActions, std::function<int(QDialog *)>());
    const int result = action ? action(dialog) : int(QDialog::Rejected);
    dialog->setResult(result);
    return result;
}
