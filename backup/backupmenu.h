#pragma once

// The window's front end of the backup: the two items of "Funkce", the
// folder dialog, the progress dialog (part, item, "Zrušit") and the closing
// message. The work is HandsetBackup's; while it runs the progress dialog is
// modal to the window, so nothing else can start meanwhile.

#include "handsetbackup.h"

#include <QObject>

#include <functional>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;
class TComPort;
struct MessageTexts;

struct BackupLinks
{
    TComPort *modem = nullptr;
    TComPort *diag = nullptr;  // opened for the run when it has a port set
    const MessageTexts *texts = nullptr;
    // Opens the modem port (with the window's own messages); false when it cannot.
    std::function<bool()> openModemPort;
    // Puts the window's receive handler back on the modem port.
    std::function<void()> restoreDefaultRxHandler;
};

class BackupMenu : public QObject
{
    Q_OBJECT

public:
    // The items go into menu in front of `before` (at the end when null).
    BackupMenu(QWidget *window, QMenu *menu, QAction *before, BackupLinks links);

    QAction *backupAction() const { return m_backupAction; }
    QAction *restoreAction() const { return m_restoreAction; }
    // Shown while a run lasts (object name "BackupProgress").
    QDialog *progressDialog() const { return m_dialog; }
    // The handset's OBEX escape guard time (tests shorten it).
    void setObexGuardMs(int ms) { m_guardMs = ms; }

    void runBackup();
    void runRestore();

    bool running() const { return m_running; }
    // Cancels the running backup or restore and closes the window once it has ended.
    void cancelAndClose();

private:
    void run(bool restore, const QString &folder);
    QString text(QByteArray MessageTexts::*which) const;
    QString partText(const QString &part) const;
    QString stopText(const HandsetBackup::Result &result) const;

    QWidget *m_window;
    BackupLinks m_links;
    QAction *m_backupAction;
    QAction *m_restoreAction;
    QDialog *m_dialog;
    QLabel *m_part;
    QLabel *m_item;
    QPushButton *m_cancel;
    HandsetBackup m_backup;
    int m_guardMs = -1;
    QString m_lastFolder;
    bool m_running = false;
    bool m_closeAfter = false;
};
