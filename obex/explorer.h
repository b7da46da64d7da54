#pragma once

#include "messagetexts.h"
#include "obexexchange.h"

#include <QDialog>
#include <QHash>

#include <functional>

class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class QTreeWidget;
class TComPort;

// The OBEX explorer (unit "Explorer"): the PC's folders on the left, the
// handset's on the right, reached over the modem port. Every action runs one
// ObexExchange; while it runs the commands wait. The window's texts are
// fixed Czech, as the handset's own tools have them.
class TFrmExplorer : public QDialog
{
    Q_OBJECT

public:
    // iniPath: torvane.ini, where the PC folder is stored on closing.
    TFrmExplorer(TComPort *port, const QString &iniPath, QWidget *parent = nullptr);
    ~TFrmExplorer() override;

    // SetModemPortOpen(true) of the main window: opens the port or says why not.
    std::function<bool()> openModemPort;
    // Puts the main window's default receive handler back on the modem port.
    std::function<void()> restoreDefaultRxHandler;
    // The texts of the language chosen (OBEX response names); the built-in
    // Czech ones when not set.
    const MessageTexts *texts = nullptr;

    ObexExchange *exchange() const { return m_exchange; }

    QTreeWidget *ZenkList() const { return m_zenkList; }
    QTreeView *PCList() const { return m_pcList; }
    QFileSystemModel *pcModel() const { return m_pcModel; }
    QComboBox *ShellComboBox1() const { return m_shellCombo; }
    QLabel *ZenkCesta() const { return m_zenkCesta; }
    QFrame *PanelInfo() const { return m_panelInfo; }
    QProgressBar *ProgressBar() const { return m_progressBar; }
    QProgressBar *ProgressBarCelkem() const { return m_progressBarCelkem; }
    QPlainTextEdit *MemoInfo() const { return m_memoInfo; }
    QPushButton *button(const QString &objectName) const;

    // The PC pane's folder.
    QString pcFolder() const;
    void setPcFolder(const QString &folder);

    // ExplorerOperation of the exchange last started.
    ExplorerOperation operation() const { return m_operation; }

    // A row's entry: the handset's exact name and whether it is a folder
    // (the caption's brackets are for the eye only).
    static constexpr int NameRole = Qt::UserRole;
    static constexpr int FolderRole = Qt::UserRole + 1;
    static constexpr int ParentRole = Qt::UserRole + 2;

    // The handset folder shown, by its names from the root.
    const QStringList &zenkFolder() const { return m_folder; }

    // The actions of the window (buttons, keys and double-clicks lead here).
    void OpenRootFolder();
    // Into the child folder of that exact name (empty: stay), or up.
    void ChangeFolder(const QString &name, bool up);
    void StartObexExchange();
    void btnZenkRootClick();
    void btnAdrUpClick();
    void shortcutClick(const QString &folder);
    void ZenkListDblClick();
    void btnF5Click();
    void copyToPc();
    void btnF7Click();
    void btnF8Click();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void onListing(const FolderListing &listing);
    void onFinished(const ObexFailure &failure);
    void showPending(const QStringList &items);
    QString failureText(const ObexFailure &failure) const;
    QString responseName(quint8 code) const;
    void setCommandsEnabled(bool on);
    QStringList selectedZenkNames(bool filesOnly) const;
    void showRows(const FolderListing &listing, bool belowRoot);
    void setFolder(const QStringList &folder);

    TComPort *m_port;
    QString m_iniPath;
    ObexExchange *m_exchange;
    ExplorerOperation m_operation = ExplorerOperation::RootListing;
    QStringList m_pendingItems;
    QStringList m_folder;
    QStringList m_listedFolder;
    FolderListing m_listed;
    QHash<QString, qint64> m_listedSizes;  // files of the listing shown
    QString m_currentItem;                 // the item being copied
    bool m_zenkPaneActive = true;
    bool m_startWhenIdle = false;

    QTreeWidget *m_zenkList = nullptr;
    QTreeView *m_pcList = nullptr;
    QFileSystemModel *m_pcModel = nullptr;
    QComboBox *m_shellCombo = nullptr;
    QLabel *m_zenkCesta = nullptr;
    QFrame *m_panelInfo = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QProgressBar *m_progressBarCelkem = nullptr;
    QPlainTextEdit *m_memoInfo = nullptr;
    QList<QPushButton *> m_commands;
};
