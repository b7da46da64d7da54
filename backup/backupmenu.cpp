#include "backupmenu.h"

#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

BackupMenu::BackupMenu(QWidget *window, QMenu *menu, QAction *before, BackupLinks links)
    : QObject(window), m_window(window), m_links(std::move(links))
{
    // Object names are what the language file's texts are put on.
    m_backupAction = new QAction(window);
    m_backupAction->setObjectName(QStringLiteral("ZalohovatTelefon"));
    m_backupAction->setText(QString::fromUtf8("Zálohovat telefon…"));
    m_restoreAction = new QAction(window);
    m_restoreAction->setObjectName(QStringLiteral("ObnovitZeZalohy"));
    m_restoreAction->setText(QString::fromUtf8("Obnovit ze zálohy…"));
    menu->insertAction(before, m_backupAction);
    menu->insertAction(before, m_restoreAction);
    connect(m_backupAction, &QAction::triggered, this, &BackupMenu::runBackup);
    connect(m_restoreAction, &QAction::triggered, this, &BackupMenu::runRestore);

    m_dialog = new QDialog(window);
    m_dialog->setObjectName(QStringLiteral("BackupProgress"));
    m_dialog->setWindowModality(Qt::WindowModal);
    // Closing it by the title bar or Esc is the same as "Zrušit".
    m_dialog->setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto *layout = new QVBoxLayout(m_dialog);
    m_part = new QLabel(m_dialog);
    m_part->setObjectName(QStringLiteral("lbCast"));
    m_item = new QLabel(m_dialog);
    m_item->setObjectName(QStringLiteral("lbPolozka"));
    m_item->setMinimumWidth(360);
    m_item->setTextFormat(Qt::PlainText);
    m_cancel = new QPushButton(m_dialog);
    m_cancel->setObjectName(QStringLiteral("btnZrusitZalohu"));
    m_cancel->setDefault(true);
    layout->addWidget(m_part);
    layout->addWidget(m_item);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, &m_backup, &HandsetBackup::cancel);
    connect(m_dialog, &QDialog::rejected, &m_backup, &HandsetBackup::cancel);
    connect(&m_backup, &HandsetBackup::progress, this, [this](const QString &part, const QString &item) {
        m_part->setText(partText(part));
        m_item->setText(item);
        m_item->setAccessibleName(item);
    });
}

QString BackupMenu::text(QByteArray MessageTexts::*which) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    return Cp1250::toUnicode(m_links.texts ? m_links.texts->*which : defaults.*which);
}

QString BackupMenu::partText(const QString &part) const
{
    if (part == QLatin1String("phonebook"))
        return text(&MessageTexts::backupPartPhonebook);
    if (part == QLatin1String("sms"))
        return text(&MessageTexts::backupPartSms);
    if (part == QLatin1String("obex"))
        return text(&MessageTexts::backupPartObex);
    return text(&MessageTexts::backupPartDiag);
}

QString BackupMenu::stopText(const HandsetBackup::Result &result) const
{
    using S = HandsetBackup::Stop;
    switch (result.stop) {
    case S::Cancelled: return text(&MessageTexts::backupCancelled);
    case S::NoHandset: return text(&MessageTexts::backupNoHandset);
    case S::Silent: return text(&MessageTexts::backupSilent);
    case S::Port: return text(&MessageTexts::backupPortError) + QStringLiteral(": ") + result.error;
    case S::File: return text(&MessageTexts::backupFileError) + QStringLiteral(": ") + result.error;
    case S::Folder: return text(&MessageTexts::backupFolderUnusable);
    case S::NotABackup: return text(&MessageTexts::backupNotABackup);
    case S::Damaged: return text(&MessageTexts::backupDamaged).replace(QStringLiteral("%1"), result.subject);
    case S::Incomplete: return text(&MessageTexts::backupIncomplete);
    case S::None:
    case S::Other: break;
    }
    return result.error;
}

void BackupMenu::cancelAndClose()
{
    m_closeAfter = true;
    m_backup.cancel();
}

void BackupMenu::runBackup()
{
    const QString folder = Dialogs::instance().folderName(m_window, text(&MessageTexts::backupFolderCaption),
                                                          m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    if (folder.isEmpty())
        return;
    QString why;
    if (!HandsetBackup::FolderUsable(folder, &why)) {
        Dialogs::instance().message(m_window, Dialogs::Icon::Warning, text(&MessageTexts::backupProgressCaption),
                                    text(&MessageTexts::backupStopped).replace(QStringLiteral("%1"), QDir::toNativeSeparators(folder)).replace(QStringLiteral("%2"), text(&MessageTexts::backupFolderUnusable)),
                                    Dialogs::Buttons::Ok);
        return;
    }
    m_lastFolder = folder;
    run(false, folder);
}

void BackupMenu::runRestore()
{
    const QString folder = Dialogs::instance().folderName(m_window, text(&MessageTexts::restoreFolderCaption),
                                                          m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    if (folder.isEmpty())
        return;
    m_lastFolder = folder;
    if (Dialogs::instance().message(m_window, Dialogs::Icon::Question, text(&MessageTexts::restoreProgressCaption),
                                    text(&MessageTexts::restoreQuestion).replace(QStringLiteral("%1"), QDir::toNativeSeparators(folder)),
                                    Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes)
        return;
    run(true, folder);
}

void BackupMenu::run(bool restore, const QString &folder)
{
    const QString caption = text(restore ? &MessageTexts::restoreProgressCaption : &MessageTexts::backupProgressCaption);
    if (m_links.openModemPort && !m_links.openModemPort())
        return;  // the window has said why
    HandsetBackup::Options o;
    o.folder = folder;
    o.modem = m_links.modem;
    o.obexGuardMs = m_guardMs;
    QStringList notes;
    bool diagOpened = false;
    if (m_links.diag && !m_links.diag->Port().isEmpty()) {
        try {
            if (!m_links.diag->Connected()) {
                m_links.diag->OpenPort();
                diagOpened = true;
            }
            o.diag = m_links.diag;
        } catch (const EComPort &) {
        }
    }
    if (!o.diag) {
        o.parts &= ~HandsetBackup::Diag;
        notes.append(text(&MessageTexts::backupNoDiag));
    }

    QStringList reports;
    auto collect = connect(&m_backup, &HandsetBackup::report, this, [&reports](const QString &line) {
        if (reports.size() < 12)
            reports.append(line);
    });
    m_dialog->setWindowTitle(caption);
    m_cancel->setText(text(&MessageTexts::backupCancel));
    m_part->clear();
    m_item->clear();
    m_dialog->show();
    m_running = true;
    const HandsetBackup::Result result = restore ? m_backup.restore(o) : m_backup.backup(o);
    m_running = false;
    m_dialog->hide();
    disconnect(collect);
    if (diagOpened) {
        try {
            m_links.diag->ClosePort();
        } catch (const EComPort &) {
        }
    }
    if (m_links.restoreDefaultRxHandler)
        m_links.restoreDefaultRxHandler();

    const QString shown = QDir::toNativeSeparators(folder);
    QString message;
    const QString why = result.cancelled ? text(&MessageTexts::backupCancelled) : stopText(result);
    if (!restore)
        message = result.error.isEmpty() ? text(&MessageTexts::backupDone).replace(QStringLiteral("%1"), shown)
                                         : text(&MessageTexts::backupStopped).replace(QStringLiteral("%1"), shown).replace(QStringLiteral("%2"), why);
    else if (!result.error.isEmpty())
        message = text(&MessageTexts::restoreStopped).replace(QStringLiteral("%1"), why);
    else
        message = text(result.ok ? &MessageTexts::restoreDone : &MessageTexts::restoreNotAll);
    message += u'\n';
    for (const HandsetBackup::PartResult &p : result.parts) {
        const QString name = partText(HandsetBackup::PartName(p.part));
        message += u'\n'
                   + (restore ? text(&MessageTexts::restoreSummaryLine)
                                    .replace(QStringLiteral("%1"), name)
                                    .replace(QStringLiteral("%2"), QString::number(p.written))
                                    .replace(QStringLiteral("%3"), QString::number(p.skipped))
                                    .replace(QStringLiteral("%4"), QString::number(p.refused))
                              : text(&MessageTexts::backupSummaryLine)
                                    .replace(QStringLiteral("%1"), name)
                                    .replace(QStringLiteral("%2"), QString::number(p.written))
                                    .replace(QStringLiteral("%3"), QString::number(p.refused)));
    }
    for (const QString &n : notes)
        message += QStringLiteral("\n\n") + n;
    if (!reports.isEmpty())
        message += QStringLiteral("\n\n") + reports.join(u'\n');
    if (m_closeAfter) {
        // The user closed the window: no message, the window goes.
        m_closeAfter = false;
        QTimer::singleShot(0, m_window, &QWidget::close);
        return;
    }
    const bool fine = result.ok && result.error.isEmpty();
    Dialogs::instance().message(m_window, fine ? Dialogs::Icon::Information : Dialogs::Icon::Warning, caption, message,
                                Dialogs::Buttons::Ok);
}
