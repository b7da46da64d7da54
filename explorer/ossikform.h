#pragma once

#include "diagfilesystem.h"
#include "explorertexts.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class ProcessList;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TComPort;
class TSetupDialog;

// The main window of ossik: the PC's folders on the left, the handset's file
// system on the right, the command buttons below and the progress panel of
// transfers. The flows themselves are DiagFileSystem's; the window wires
// its widgets to them.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // programFolder: the folder of the program (with its separator), where the
    // language files are.
    explicit TForm1(const QString &programFolder, QWidget *parent = nullptr);
    ~TForm1() override;

    // Start-up steps after the window exists: caption, languages, settings,
    // texts, the guard, the port and the root listing (or the setup dialog).
    void StartUp(ProcessList &processes, const QString &programFile);

    // The settings of the registry key (HKEY_CURRENT_USER\Software\ZenkExplorer).
    static QString SettingsOrganization() { return QStringLiteral("ZenkExplorer"); }

    // ---- the window's parts, for the start-up and for tests
    TComPort *ComPort1() const { return m_port; }
    DiagFileSystem *fileSystem() const { return m_fs; }
    QComboBox *ShellComboBox1() const { return m_shellCombo; }
    QTreeView *PCList() const { return m_pcList; }
    QTreeWidget *ZenkList() const { return m_zenkList; }
    QLabel *ZenkCesta1() const { return m_zenkCesta; }
    QLabel *EFSFree() const { return m_efsFree; }
    QComboBox *cbJazyk() const { return m_cbJazyk; }
    QFrame *Progress() const { return m_progress; }
    QMenu *ZenkPopup() const { return m_popup; }
    TSetupDialog *setupDialog() const { return m_setup; }
    QPushButton *button(const QString &objectName) const;
    QWidget *PreviousControl() const { return m_previousControl; }
    QString pcFolder() const { return m_pcFolder; }
    void setPcFolder(const QString &folder);

    void LoadExplorerTexts();
    void SetControlsEnabled(bool flag);
    void AddFolderItem(const QByteArray &name);
    void AddFileItem(const QByteArray &name, const QString &sizeText, const QString &dateText);

    void btnZenkRootClick();
    // The root button "\\": reopens the port, then lists the root.
    void refreshClick();
    void btnZpetClick();
    void btnNastaveniClick();
    void openZenkRow();
    void StartUpload();
    void StartDownload();
    void DeleteSelected();
    void CreateFolder();
    void ZavriProgressClick();
    void offlineClick(bool restart);
    // The F-key buttons act on the pane the user came from.
    void btnF5Click();
    void btnF7Click();
    void btnF8Click();
    void beepClick();

    // "a" + name joined as the PC pane joins folder and file.
    static QString JoinPcPath(const QString &folder, const QString &name);
    // The delete question: message 51, the row caption, " ?".
    QString deleteQuestion(const QString &caption) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void wireFileSystem();
    void applyTexts();
    void loadPortSettings();
    void storePortSettings();
    bool openPortAndRoot();
    void onFailed(DiagFileSystem::Failure failure, const QString &detail);
    QString failureText(DiagFileSystem::Failure failure) const;
    // The message for a name that cannot be sent (text 1303 or 1304).
    void refuseName(const QString &name, DiagFileSystem::NameProblem problem = DiagFileSystem::NameProblem::Control);
    // A name in quotes, its control characters as \xHH.
    static QString shownName(const QString &name);
    void onListingFinished(bool truncated);
    void RychlostTimerTimer();
    void status(const QString &text);
    QTreeWidgetItem *selectedZenkRow() const;

    QString m_programFolder;
    TComPort *m_port;
    DiagFileSystem *m_fs;
    ExplorerTexts m_texts;
    TSetupDialog *m_setup;

    QComboBox *m_shellCombo;
    QFileSystemModel *m_pcModel;
    QTreeView *m_pcList;
    QLabel *m_pcPath;
    QString m_pcFolder;
    QTreeWidget *m_zenkList;
    QLabel *m_zenkCesta;
    QLabel *m_efsFree;
    QComboBox *m_cbJazyk;
    QMenu *m_popup;
    QList<QAction *> m_popupActions;
    QList<QWidget *> m_busyControls;

    QFrame *m_progress;
    QLabel *m_stZdroj, *m_stCil, *m_lbVelikost, *m_lbPrijato, *m_lbrychlost;
    QLabel *m_labels[4];  // received, size, source, target captions
    QProgressBar *m_progressBar;
    QPushButton *m_zavriProgress;
    QTimer m_rychlostTimer;
    qint64 m_speedSample = 0;
    enum class Transfer { None, Upload, Download } m_transfer = Transfer::None;

    QPointer<QWidget> m_previousControl, m_currentControl;
    QMetaObject::Connection m_focusHook;
};
