#include "dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QtDialogs g_qtDialogs;
Dialogs *g_current = &g_qtDialogs;
} // namespace

Dialogs &Dialogs::instance()
{
    return *g_current;
}

void Dialogs::setInstance(Dialogs *dialogs)
{
    g_current = dialogs ? dialogs : &g_qtDialogs;
}

Dialogs::Answer QtDialogs::message(QWidget *parent, Icon icon, const QString &caption,
                                   const QString &text, Buttons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::Cancel: box.setStandardButtons(QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

std::optional<QString> QtDialogs::inputBox(QWidget *parent, const QString &caption,
                                           const QString &prompt, const QString &value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtDialogs::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

QString QtDialogs::folderName(QWidget *parent, const QString &caption, const QString &folder)
{
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

bool QtDialogs::printerSetup(QWidget *parent, QPrinter *printer)
{
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::execDialog(QDialog *dialog)
{
    return dialog->exec();
}
