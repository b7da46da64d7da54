#include "ossikform.h"

#include "accessiblenames.h"
#include "qttranslation.h"
#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "guard.h"
#include "localfilename.h"
#include "programfolder.h"
#include "setupdialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString UpRow = QStringLiteral("[..]");

// A handset row keeps the entry's exact name and its kind; the caption only
// decorates ("[name]" for a folder), so a file called "[a]" stays a file.
enum RowKind { UpKind = 0, FolderKind = 1, FileKind = 2 };
constexpr int NameRole = Qt::UserRole;
constexpr int KindRole = Qt::UserRole + 1;

QTreeWidgetItem *makeRow(const QStringList &texts, const QByteArray &name, RowKind kind)
{
    auto *item = new QTreeWidgetItem(texts);
    item->setData(0, NameRole, name);
    item->setData(0, KindRole, int(kind));
    return item;
}

QTreeWidgetItem *upRow()
{
    return makeRow({UpRow}, QByteArray(), UpKind);
}

RowKind kindOf(const QTreeWidgetItem *row)
{
    return RowKind(row->data(0, KindRole).toInt());
}

QByteArray nameOf(const QTreeWidgetItem *row)
{
    return row->data(0, NameRole).toByteArray();
}

QSettings registryKey()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, TForm1::SettingsOrganization());
}

QString fromHandset(const QByteArray &bytes)
{
    return Cp1250::toUnicode(bytes);
}

QByteArray toHandset(const QString &text)
{
    return Cp1250::fromUnicode(text);
}

} // namespace

TForm1::TForm1(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_programFolder(programFolder),
      m_port(new TComPort(QStringLiteral("ComPort1"), this))
{
    setObjectName(QStringLiteral("Form1"));
    // The port before any settings are loaded.
    m_port->setPort(QStringLiteral("COM1"));
    m_port->setBaudRateText(QStringLiteral("19200"));
    m_port->setDataBitsText(QStringLiteral("8"));
    m_port->setParityText(QStringLiteral("Even"));
    m_port->setStopBitsText(QStringLiteral("1"));
    m_port->setFlowControlText(QStringLiteral("Hardware"));
    m_fs = new DiagFileSystem(m_port, this);
    m_setup = new TSetupDialog(this);
    buildWindow();
    wireFileSystem();
    applyTexts();

    // The F-key buttons look at the pane the user came from.
    m_focusHook = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() != this)
            return;
        m_previousControl = m_currentControl;
        m_currentControl = now;
    });
}

TForm1::~TForm1()
{
    // The children are deleted after the members; focus moves while they go.
    disconnect(m_focusHook);
    try {
        m_port->ClosePort();
    } catch (const EComPort &) {
    }
}

QPushButton *TForm1::button(const QString &objectName) const
{
    return findChild<QPushButton *>(objectName);
}

// ---- the window ------------------------------------------------------------

void TForm1::buildWindow()
{
    setWindowTitle(QStringLiteral("Zenk explorer"));
    setFixedSize(802, 557);
    auto *central = new QWidget(this);
    setCentralWidget(central);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);

    auto makeButton = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::StrongFocus);
        return b;
    };

    // The top row: PC folder picker, handset path, shortcuts, settings, language.
    auto *panes = new QGridLayout;
    layout->addLayout(panes, 1);
    m_shellCombo = new QComboBox(this);
    m_shellCombo->setObjectName(QStringLiteral("ShellComboBox1"));
    m_shellCombo->setMaxVisibleItems(16);
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives())
        m_shellCombo->addItem(QDir::toNativeSeparators(drive.absolutePath()), drive.absolutePath());
#else
    m_shellCombo->addItem(QStringLiteral("/"), QStringLiteral("/"));
#endif
    m_shellCombo->addItem(QDir::toNativeSeparators(QDir::homePath()), QDir::homePath());
    m_pcPath = new QLabel(this);
    m_pcPath->setObjectName(QStringLiteral("PCCesta"));
    m_pcModel = new QFileSystemModel(this);
    m_pcModel->setFilter(QDir::AllEntries | QDir::NoDot | QDir::AllDirs | QDir::System);
    m_pcModel->setRootPath(QString());
    m_pcList = new QTreeView(this);
    m_pcList->setObjectName(QStringLiteral("PCList"));
    m_pcList->setModel(m_pcModel);
    m_pcList->setRootIsDecorated(false);
    m_pcList->setItemsExpandable(false);
    m_pcList->setSortingEnabled(true);
    m_pcList->sortByColumn(0, Qt::AscendingOrder);
    m_pcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pcList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pcList->header()->resizeSection(0, 180);
    connect(m_shellCombo, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (row >= 0)
            setPcFolder(m_shellCombo->itemData(row).toString());
    });
    connect(m_pcList, &QTreeView::activated, this, [this](const QModelIndex &index) {
        const QString path = m_pcModel->filePath(index);
        if (m_pcModel->fileName(index) == QLatin1String(".."))
            setPcFolder(QFileInfo(m_pcFolder).dir().absolutePath());
        else if (m_pcModel->isDir(index))
            setPcFolder(path);
    });

    m_zenkCesta = new QLabel(QStringLiteral("/"), this);
    m_zenkCesta->setObjectName(QStringLiteral("ZenkCesta1"));
    m_efsFree = new QLabel(QStringLiteral("Volno:"), this);
    m_efsFree->setObjectName(QStringLiteral("EFSFree"));
    m_zenkList = new QTreeWidget(this);
    m_zenkList->setObjectName(QStringLiteral("ZenkList"));
    m_zenkList->setColumnCount(3);
    m_zenkList->setHeaderLabels({QStringLiteral("Název"), QStringLiteral("Velikost"), QStringLiteral("Datum")});
    m_zenkList->header()->resizeSection(0, 175);
    m_zenkList->header()->resizeSection(1, 70);
    m_zenkList->header()->resizeSection(2, 115);
    m_zenkList->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_zenkList->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    m_zenkList->setRootIsDecorated(false);
    m_zenkList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_zenkList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_zenkList->setContextMenuPolicy(Qt::CustomContextMenu);
    // Queued: the listing empties the pane, which must not happen while the
    // view is still inside its own signal about one of the rows.
    connect(m_zenkList, &QTreeWidget::itemActivated, this, [this] { openZenkRow(); }, Qt::QueuedConnection);

    auto *pcTop = new QHBoxLayout;
    pcTop->addWidget(m_shellCombo, 1);
    panes->addLayout(pcTop, 0, 0);
    panes->addWidget(m_pcPath, 1, 0);
    panes->addWidget(m_pcList, 2, 0);

    auto *zenkTop = new QHBoxLayout;
    QPushButton *mmc = makeButton("btnMMC", QStringLiteral("&MMC"));
    QPushButton *obrazky = makeButton("btnObrazky", QStringLiteral("&Obrázky"));
    QPushButton *hudba = makeButton("btnHudba", QStringLiteral("&Hudba"));
    QPushButton *user = makeButton("btnUser", QStringLiteral("&User"));
    QPushButton *root = makeButton("btnZenkRoot", QStringLiteral("\\"));
    QPushButton *zpet = makeButton("btnZpet", QStringLiteral(".."));
    QPushButton *nastaveni = makeButton("btnNastaveni", QStringLiteral("Nastavení"));
    m_cbJazyk = new QComboBox(this);
    m_cbJazyk->setObjectName(QStringLiteral("cbJazyk"));
    for (QPushButton *b : {root, zpet, mmc, obrazky, hudba, user})
        zenkTop->addWidget(b);
    zenkTop->addStretch();
    zenkTop->addWidget(nastaveni);
    zenkTop->addWidget(m_cbJazyk);
    panes->addLayout(zenkTop, 0, 1);
    auto *zenkPath = new QHBoxLayout;
    zenkPath->addWidget(m_zenkCesta, 1);
    zenkPath->addWidget(m_efsFree);
    panes->addLayout(zenkPath, 1, 1);
    panes->addWidget(m_zenkList, 2, 1);

    connect(root, &QPushButton::clicked, this, &TForm1::refreshClick);
    connect(zpet, &QPushButton::clicked, this, &TForm1::btnZpetClick);
    const QList<QPair<QPushButton *, QByteArray>> shortcuts = {
        {mmc, "mmc1"}, {obrazky, "mmc1/pictures"}, {hudba, "mmc1/sounds"}, {user, "ossik/user"}};
    for (const auto &[b, path] : shortcuts) {
        const QByteArray p = path;
        connect(b, &QPushButton::clicked, this, [this, p] {
            SetControlsEnabled(false);
            m_fs->openFolder(p);
        });
    }
    connect(nastaveni, &QPushButton::clicked, this, &TForm1::btnNastaveniClick);
    connect(m_cbJazyk, &QComboBox::currentIndexChanged, this, [this] { LoadExplorerTexts(); });

    // The command buttons.
    auto *commands = new QHBoxLayout;
    layout->addLayout(commands);
    QPushButton *f3 = makeButton("btnF3", QStringLiteral("F3   Zobrazit"));
    QPushButton *f4 = makeButton("btnF4", QStringLiteral("F4   Editovat"));
    QPushButton *f5 = makeButton("btnF5", QStringLiteral("F5   Kopírovat"));
    QPushButton *f6 = makeButton("btnF6", QStringLiteral("F6   Přejmenovat"));
    QPushButton *f7 = makeButton("btnF7", QStringLiteral("F7   Vytvořit Adr."));
    QPushButton *f8 = makeButton("btnF8", QStringLiteral("F8   Smazat"));
    QPushButton *altF4 = makeButton("btnAltF4", QStringLiteral("Alt+F4   Konec"));
    for (QPushButton *b : {f3, f4, f5, f6, f7, f8, altF4})
        commands->addWidget(b);
    for (QPushButton *b : {f3, f4, f6})
        connect(b, &QPushButton::clicked, this, &TForm1::beepClick);
    connect(f5, &QPushButton::clicked, this, &TForm1::btnF5Click);
    connect(f7, &QPushButton::clicked, this, &TForm1::btnF7Click);
    connect(f8, &QPushButton::clicked, this, &TForm1::btnF8Click);
    connect(altF4, &QPushButton::clicked, this, &QWidget::close);

    // The progress panel.
    m_progress = new QFrame(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setFrameShape(QFrame::StyledPanel);
    auto *pg = new QGridLayout(m_progress);
    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    m_labels[0] = label("lbPrijatoCaption", QStringLiteral("Přijato:"));
    m_labels[1] = label("lbVelikostCaption", QStringLiteral("Velikost:"));
    m_labels[2] = label("stZdrojCaption", QStringLiteral("Kopíruji soubor:"));
    m_labels[3] = label("stCilCaption", QStringLiteral("Do složky:"));
    m_stZdroj = label("stZdroj", QString());
    m_stCil = label("stCil", QString());
    m_lbVelikost = label("lbVelikost", QStringLiteral("0 B"));
    m_lbPrijato = label("lbPrijato", QStringLiteral("0 B"));
    m_lbrychlost = label("lbrychlost", QStringLiteral("0 KB/s"));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_zavriProgress = makeButton("ZavriProgress", QStringLiteral("&Zrušit"));
    pg->addWidget(m_labels[2], 0, 0);
    pg->addWidget(m_stZdroj, 0, 1, 1, 3);
    pg->addWidget(m_labels[3], 1, 0);
    pg->addWidget(m_stCil, 1, 1, 1, 3);
    pg->addWidget(m_labels[1], 2, 0);
    pg->addWidget(m_lbVelikost, 2, 1);
    pg->addWidget(m_labels[0], 2, 2);
    pg->addWidget(m_lbPrijato, 2, 3);
    pg->addWidget(m_progressBar, 3, 0, 1, 3);
    pg->addWidget(m_lbrychlost, 3, 3);
    pg->addWidget(m_zavriProgress, 4, 3);
    layout->addWidget(m_progress);
    m_progress->hide();
    connect(m_zavriProgress, &QPushButton::clicked, this, &TForm1::ZavriProgressClick);
    // The panel's cancel button is the window's cancel button.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (m_progress->isVisible())
            m_zavriProgress->click();
    });

    // The popup menu of the handset pane.
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("ZenkPopup"));
    QAction *copy = m_popup->addAction(QStringLiteral("Kopíruj do PC"));
    QAction *del = m_popup->addAction(QStringLiteral("Smazat"));
    QAction *mkdir = m_popup->addAction(QStringLiteral("Nový adresář"));
    m_popup->addSeparator();
    QAction *restart = m_popup->addAction(QStringLiteral("Restart telefonu"));
    QAction *offline = m_popup->addAction(QStringLiteral("OffLine mód"));
    m_popupActions = {copy, del, mkdir, restart, offline};
    connect(copy, &QAction::triggered, f5, &QPushButton::click);
    connect(del, &QAction::triggered, this, &TForm1::DeleteSelected);
    connect(mkdir, &QAction::triggered, f7, &QPushButton::click);
    connect(restart, &QAction::triggered, this, [this] { offlineClick(true); });
    connect(offline, &QAction::triggered, this, [this] { offlineClick(false); });
    connect(m_zenkList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup->popup(m_zenkList->viewport()->mapToGlobal(pos)); });

    m_busyControls = {mmc, obrazky, hudba, user, root, zpet, m_shellCombo, m_pcList, m_zenkList, f3, f4, f5, f6, f7, f8, altF4};

    m_rychlostTimer.setInterval(1000);
    connect(&m_rychlostTimer, &QTimer::timeout, this, &TForm1::RychlostTimerTimer);

    m_zenkList->installEventFilter(this);
    m_pcList->installEventFilter(this);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm1::wireFileSystem()
{
    connect(m_fs, &DiagFileSystem::pathLabelChanged, this,
            [this](const QByteArray &label) { m_zenkCesta->setText(fromHandset(label)); });
    connect(m_fs, &DiagFileSystem::listingStarted, m_zenkList, &QTreeWidget::clear);
    connect(m_fs, &DiagFileSystem::folderEntry, this, &TForm1::AddFolderItem);
    connect(m_fs, &DiagFileSystem::fileEntry, this, [this](const QByteArray &name, qint64 size) {
        AddFileItem(name, DiagFileSystem::SizeText(size), QString());
    });
    connect(m_fs, &DiagFileSystem::listingFinished, this, &TForm1::onListingFinished);
    connect(m_fs, &DiagFileSystem::freeSpace, this,
            [this](qint64 bytes) { m_efsFree->setText(DiagFileSystem::FreeSpaceText(bytes)); });
    connect(m_fs, &DiagFileSystem::busyChanged, this, [this](bool busy) { SetControlsEnabled(!busy); });
    connect(m_fs, &DiagFileSystem::downloadSizeKnown, this, [this](qint64 size) {
        m_lbVelikost->setText(QStringLiteral("%1 B").arg(size));
        m_progressBar->setMaximum(int(qMin<qint64>(size, INT_MAX)));
    });
    connect(m_fs, &DiagFileSystem::progress, this, [this](qint64 done, qint64 total) {
        m_progressBar->setMaximum(int(qMin<qint64>(total, INT_MAX)));
        m_progressBar->setValue(int(qMin<qint64>(done, INT_MAX)));
        m_lbPrijato->setText(QStringLiteral("%1 B").arg(done));
    });
    connect(m_fs, &DiagFileSystem::transferFinished, this, [this] {
        m_transfer = Transfer::None;
        m_progress->hide();
        status(QString());
    });
    connect(m_fs, &DiagFileSystem::failed, this, &TForm1::onFailed);
    connect(m_fs, &DiagFileSystem::frameDropped, this, [this] { status(m_texts.text("63")); });
}

void TForm1::applyTexts()
{
    const auto setText = [this](const char *name, const char *key) {
        if (QPushButton *b = button(QLatin1String(name)))
            b->setText(m_texts.text(key));
    };
    setText("btnNastaveni", "1");
    setText("btnMMC", "2");
    setText("btnObrazky", "3");
    setText("btnHudba", "4");
    setText("btnUser", "5");
    // The free-space label keeps a free-space answer it already shows.
    if (!m_efsFree->text().startsWith(QLatin1String("Volno: ")))
        m_efsFree->setText(m_texts.text("6"));
    m_labels[0]->setText(m_texts.text("10"));
    m_labels[1]->setText(m_texts.text("11"));
    m_labels[2]->setText(m_texts.text("12"));
    m_labels[3]->setText(m_texts.text("13"));
    setText("ZavriProgress", "14");
    setText("btnF3", "20");
    setText("btnF4", "21");
    setText("btnF5", "22");
    setText("btnF6", "23");
    setText("btnF7", "24");
    setText("btnF8", "25");
    setText("btnAltF4", "26");
    m_zenkList->setHeaderLabels({m_texts.text("30"), m_texts.text("31"), m_texts.text("32")});
    // The two panes have no caption of their own for a screen reader.
    m_pcList->setAccessibleName(m_texts.text("1500"));
    m_zenkList->setAccessibleName(m_texts.text("1501"));
    NameUnlabelledControls(this);
}

void TForm1::LoadExplorerTexts()
{
    UseQtTranslation(m_cbJazyk->currentText());
    m_texts.load(dataFolder(m_programFolder, QStringLiteral("explorer")) + m_cbJazyk->currentText() + QStringLiteral(".lng"));
    applyTexts();
}

void TForm1::setPcFolder(const QString &folder)
{
    m_pcFolder = QDir::cleanPath(folder);
    m_pcPath->setText(QDir::toNativeSeparators(m_pcFolder));
    m_pcList->setRootIndex(m_pcModel->setRootPath(m_pcFolder));
}

// ---- start-up and exit -----------------------------------------------------

void TForm1::StartUp(ProcessList &processes, const QString &programFile)
{
    const QString version = GetVersionText(programFile);
    setWindowTitle(QStringLiteral("Zenk explorer") + QStringLiteral("  v. ") + version);

    m_cbJazyk->blockSignals(true);
    m_cbJazyk->addItems(ExplorerLanguages(dataFolder(m_programFolder, QStringLiteral("explorer"))));
    QSettings key = registryKey();
    if (!key.contains(QStringLiteral("Cesta")))
        key.setValue(QStringLiteral("Cesta"), 1);
    if (!key.contains(QStringLiteral("Jazyk")))
        key.setValue(QStringLiteral("Jazyk"), 0);
    key.sync();
    const int cesta = key.value(QStringLiteral("Cesta")).toInt();
    const int jazyk = key.value(QStringLiteral("Jazyk")).toInt();
    m_shellCombo->setCurrentIndex(cesta >= 0 && cesta < m_shellCombo->count() ? cesta : -1);
    if (m_shellCombo->currentIndex() < 0)
        setPcFolder(QDir::homePath());
    m_cbJazyk->setCurrentIndex(jazyk >= 0 && jazyk < m_cbJazyk->count() ? jazyk : -1);
    m_cbJazyk->blockSignals(false);
    LoadExplorerTexts();

    GuardTexts guardTexts;
    guardTexts.caption = Cp1250::fromUnicode(m_texts.text("57"));
    guardTexts.line1 = Cp1250::fromUnicode(m_texts.text("54"));
    guardTexts.line2 = Cp1250::fromUnicode(m_texts.text("55"));
    guardTexts.question = Cp1250::fromUnicode(m_texts.text("56"));
    CheckConflictingProcess({processes, Dialogs::instance(), guardTexts, this, std::chrono::milliseconds(2000)});

    bool ok = true;
    try {
        loadPortSettings();
    } catch (const EComPort &) {
        ok = false;
    }
    if (!ok || !openPortAndRoot())
        btnNastaveniClick();
}

bool TForm1::openPortAndRoot()
{
    try {
        m_port->OpenPort();
    } catch (const EComPort &) {
        return false;
    }
    if (!m_port->Connected())
        return false;
    btnZenkRootClick();
    return true;
}

void TForm1::loadPortSettings()
{
    QSettings key = registryKey();
    key.beginGroup(m_port->name());
    const auto text = [&](const char *name) { return key.value(QLatin1String(name)).toString(); };
    // A first run has no port: opening fails and the setup dialog comes.
    m_port->setPort(text("Port"));
    if (key.contains(QStringLiteral("BaudRate")))
        m_port->setBaudRateText(text("BaudRate"));
    if (key.contains(QStringLiteral("CustomBaudRate")))
        m_port->setCustomBaudRate(key.value(QStringLiteral("CustomBaudRate")).toInt());
    if (key.contains(QStringLiteral("StopBits")))
        m_port->setStopBitsText(text("StopBits"));
    if (key.contains(QStringLiteral("DataBits")))
        m_port->setDataBitsText(text("DataBits"));
    if (key.contains(QStringLiteral("Parity")))
        m_port->setParityText(text("Parity"));
    if (key.contains(QStringLiteral("FlowControl")))
        m_port->setFlowControlText(text("FlowControl"));
}

void TForm1::storePortSettings()
{
    QSettings key = registryKey();
    key.beginGroup(m_port->name());
    key.setValue(QStringLiteral("Port"), m_port->Port());
    key.setValue(QStringLiteral("BaudRate"), m_port->BaudRateText());
    key.setValue(QStringLiteral("StopBits"), m_port->StopBitsText());
    key.setValue(QStringLiteral("DataBits"), m_port->DataBitsText());
    key.setValue(QStringLiteral("Parity"), m_port->ParityText());
    key.setValue(QStringLiteral("FlowControl"), m_port->FlowControlText());
    if (m_port->BaudRateText() == QLatin1String("Custom"))
        key.setValue(QStringLiteral("CustomBaudRate"), m_port->CustomBaudRate());
    else
        key.remove(QStringLiteral("CustomBaudRate"));
}

void TForm1::btnNastaveniClick()
{
    // Every failure on the way is swallowed: the window stays usable and the
    // button can be pressed again.
    try {
        m_setup->showSettings(*m_port);
        const bool accepted = Dialogs::instance().execDialog(m_setup) == QDialog::Accepted;
        m_fs->cancel();
        m_port->ClosePort();
        if (accepted)
            m_setup->applySettings(*m_port);
        storePortSettings();
    } catch (const EComPort &) {
    }
    openPortAndRoot();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    {
        QSettings key = registryKey();
        key.setValue(QStringLiteral("Cesta"), m_shellCombo->currentIndex());
        key.setValue(QStringLiteral("Jazyk"), m_cbJazyk->currentIndex());
    }
    m_fs->cancel();
    try {
        m_port->ClosePort();
    } catch (const EComPort &) {
    }
    event->accept();
}

// ---- the handset pane ------------------------------------------------------

void TForm1::SetControlsEnabled(bool flag)
{
    for (QWidget *w : std::as_const(m_busyControls))
        w->setEnabled(flag);
    for (QAction *a : std::as_const(m_popupActions))
        a->setEnabled(flag);
    m_speedSample = 0;
    if (flag)
        m_rychlostTimer.stop();
    else
        m_rychlostTimer.start();
}

void TForm1::AddFolderItem(const QByteArray &name)
{
    if (!m_fs->CurrentPath().isEmpty() && m_zenkList->topLevelItemCount() == 0)
        m_zenkList->addTopLevelItem(upRow());
    const QByteArray shown = name.mid(name.lastIndexOf('/') + 1);
    auto *item = makeRow({QStringLiteral("[") + fromHandset(shown) + QStringLiteral("]")}, shown, FolderKind);
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    m_zenkList->addTopLevelItem(item);
}

void TForm1::AddFileItem(const QByteArray &name, const QString &sizeText, const QString &dateText)
{
    if (!m_fs->CurrentPath().isEmpty() && m_zenkList->topLevelItemCount() == 0)
        m_zenkList->addTopLevelItem(upRow());
    const QByteArray shown = name.mid(name.lastIndexOf('/') + 1);
    auto *item = makeRow({fromHandset(shown), sizeText, dateText}, shown, FileKind);
    item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    m_zenkList->addTopLevelItem(item);
}

void TForm1::onListingFinished(bool truncated)
{
    if (m_zenkList->topLevelItemCount() == 0)
        m_zenkList->addTopLevelItem(upRow());
    SetControlsEnabled(true);
    m_zenkList->setFocus();
    m_zenkList->setCurrentItem(m_zenkList->topLevelItem(0));
    status(truncated ? m_texts.text("66") : QString());
}

QTreeWidgetItem *TForm1::selectedZenkRow() const
{
    const QList<QTreeWidgetItem *> rows = m_zenkList->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

void TForm1::btnZenkRootClick()
{
    SetControlsEnabled(false);
    m_fs->openRoot();
}

void TForm1::refreshClick()
{
    // A handset that was unplugged and is back has a new line behind the
    // same port name: the port is opened again with the settings in use, so
    // the root button is all the user needs, not the settings dialog.
    m_fs->cancel();
    try {
        m_port->ClosePort();
        m_port->OpenPort();
    } catch (const EComPort &e) {
        status(m_texts.text("67") + QStringLiteral(": ") + e.text());
        SetControlsEnabled(true);
        return;
    }
    btnZenkRootClick();
}

void TForm1::btnZpetClick()
{
    SetControlsEnabled(false);
    m_fs->openFolder(DiagFileSystem::ParentFolder(m_fs->pathLabel()));
}

void TForm1::openZenkRow()
{
    QTreeWidgetItem *row = selectedZenkRow();
    if (!row)
        return;
    if (kindOf(row) == UpKind) {
        btnZpetClick();
        return;
    }
    if (kindOf(row) != FolderKind)
        return;  // a file
    const QByteArray name = nameOf(row);
    if (!DiagFileSystem::SendableName(name)) {
        refuseName(fromHandset(name));
        return;
    }
    SetControlsEnabled(false);
    m_fs->openFolder(DiagFileSystem::ChildFolder(m_fs->pathLabel(), name));
}

void TForm1::refuseName(const QString &name, DiagFileSystem::NameProblem problem)
{
    const char *key = problem == DiagFileSystem::NameProblem::NotCp1250 ? "1303" : "1304";
    Dialogs::instance().message(this, Dialogs::Icon::Error, m_texts.text("52"), m_texts.text(key).arg(shownName(name)),
                                Dialogs::Buttons::Ok);
}

QString TForm1::shownName(const QString &name)
{
    // Control characters are shown as their code, so the message shows what is there.
    QString out;
    for (QChar c : name)
        out += c.unicode() < 0x20 || c.unicode() == 0x7F ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                           : QString(c);
    return QStringLiteral("\u201E") + out + QStringLiteral("\u201C");
}

// ---- commands --------------------------------------------------------------

QString TForm1::JoinPcPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString TForm1::deleteQuestion(const QString &caption) const
{
    return m_texts.text("51") + QLatin1Char(' ') + caption + QStringLiteral(" ?");
}

void TForm1::StartUpload()
{
    SetControlsEnabled(false);
    const QModelIndexList rows = m_pcList->selectionModel()->selectedRows();
    QString path;
    for (const QModelIndex &row : rows) {
        if (!m_pcModel->isDir(row)) {
            path = m_pcModel->filePath(row);
            break;
        }
    }
    if (path.isEmpty()) {
        SetControlsEnabled(true);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs::instance().message(this, Dialogs::Icon::Error, m_texts.text("52"),
                                    m_texts.text("70") + QStringLiteral("\n") + QDir::toNativeSeparators(path)
                                        + QStringLiteral("\n") + file.errorString(),
                                    Dialogs::Buttons::Ok);
        SetControlsEnabled(true);
        return;
    }
    // The handset keeps Windows-1250 names: a name it cannot hold would
    // arrive as "?" and could replace another file.
    const QString localName = QFileInfo(path).fileName();
    if (const auto problem = DiagFileSystem::CheckName(localName); problem != DiagFileSystem::NameProblem::None) {
        refuseName(localName, problem);
        SetControlsEnabled(true);
        return;
    }
    const QByteArray data = file.readAll();
    m_stZdroj->setText(QDir::toNativeSeparators(path));
    m_stCil->setText(m_zenkCesta->text());
    m_progressBar->setMaximum(int(qMin<qint64>(data.size(), INT_MAX)));
    m_progressBar->setValue(0);
    m_lbVelikost->setText(QStringLiteral("%1 B").arg(data.size()));
    m_lbPrijato->setText(QStringLiteral("0 B"));
    m_speedSample = 0;
    m_progress->show();
    m_transfer = Transfer::Upload;
    m_fs->startUpload(data, toHandset(localName));
    if (!m_fs->busy()) {  // refused before anything was sent
        m_transfer = Transfer::None;
        m_progress->hide();
        SetControlsEnabled(true);
    }
}

void TForm1::StartDownload()
{
    QTreeWidgetItem *row = selectedZenkRow();
    // Folders are not copied; the panel would only wait for a cancel.
    if (!row || kindOf(row) != FileKind)
        return;
    const QByteArray name = nameOf(row);
    if (!DiagFileSystem::SendableName(name)) {
        refuseName(fromHandset(name));
        return;
    }
    // The handset's name becomes a PC name only cleaned, and never replaces
    // a PC file without the user's yes.
    const QString local = LocalFileName(fromHandset(name));
    if (local.isEmpty()) {
        Dialogs::instance().message(this, Dialogs::Icon::Error, m_texts.text("52"),
                                    m_texts.text("1300").arg(shownName(fromHandset(name))), Dialogs::Buttons::Ok);
        return;
    }
    const QString target = JoinPcPath(m_pcFolder, local);
    if (QFileInfo::exists(target)
        && Dialogs::instance().message(this, Dialogs::Icon::Question, m_texts.text("1302"),
                                       m_texts.text("1301").arg(QDir::toNativeSeparators(target)),
                                       Dialogs::Buttons::YesNo)
               != Dialogs::Answer::Yes)
        return;
    const QByteArray op = DiagFileSystem::OperationPath(m_fs->pathLabel(), name);
    m_stZdroj->setText(QStringLiteral("/") + fromHandset(op.left(op.size() - 1)));
    m_stCil->setText(QDir::toNativeSeparators(target));
    m_progressBar->setMaximum(1);
    m_progressBar->setValue(0);
    m_lbVelikost->setText(QStringLiteral("0 B"));
    m_lbPrijato->setText(QStringLiteral("0 B"));
    m_progress->show();
    m_transfer = Transfer::Download;
    m_fs->startDownload(name, target);
    if (!m_fs->busy()) {
        m_transfer = Transfer::None;
        m_progress->hide();
    }
}

void TForm1::DeleteSelected()
{
    QTreeWidgetItem *row = selectedZenkRow();
    if (!row || kindOf(row) == UpKind)
        return;
    const QString caption = row->text(0);
    const QByteArray name = nameOf(row);
    const bool folder = kindOf(row) == FolderKind;
    if (!DiagFileSystem::SendableName(name)) {
        refuseName(fromHandset(name));
        return;
    }
    SetControlsEnabled(false);
    const auto answer = Dialogs::instance().message(this, Dialogs::Icon::Question, m_texts.text("50"),
                                                    deleteQuestion(caption), Dialogs::Buttons::YesNo);
    if (answer != Dialogs::Answer::Yes) {
        SetControlsEnabled(true);
        return;
    }
    m_zenkList->clear();
    if (folder)
        m_fs->removeFolder(name);
    else
        m_fs->removeFile(name);
    if (!m_fs->busy())
        SetControlsEnabled(true);
}

void TForm1::CreateFolder()
{
    SetControlsEnabled(false);
    const auto answer = Dialogs::instance().inputBox(this, QStringLiteral("Nový adresář"), QStringLiteral("Jméno:"), QString());
    if (!answer || answer->trimmed().isEmpty()) {
        SetControlsEnabled(true);
        return;
    }
    if (const auto problem = DiagFileSystem::CheckName(answer->trimmed()); problem != DiagFileSystem::NameProblem::None) {
        refuseName(answer->trimmed(), problem);
        SetControlsEnabled(true);
        return;
    }
    m_zenkList->clear();
    m_fs->makeFolder(toHandset(answer->trimmed()));
    if (!m_fs->busy())
        SetControlsEnabled(true);
}

void TForm1::ZavriProgressClick()
{
    m_fs->cancel();
    m_transfer = Transfer::None;
    m_progress->hide();
    SetControlsEnabled(true);
}

void TForm1::offlineClick(bool restart)
{
    m_fs->goOffline(restart);
}

void TForm1::btnF5Click()
{
    if (m_previousControl == m_pcList)
        StartUpload();
    else if (m_previousControl == m_zenkList)
        StartDownload();
}

void TForm1::btnF7Click()
{
    if (m_previousControl == m_zenkList)
        CreateFolder();
}

void TForm1::btnF8Click()
{
    if (m_previousControl == m_zenkList)
        DeleteSelected();
}

void TForm1::beepClick()
{
    if (m_previousControl == m_zenkList)
        QApplication::beep();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == m_zenkList) {
        switch (key) {
        case Qt::Key_F3:
        case Qt::Key_F4:
        case Qt::Key_F6:
            QApplication::beep();
            return true;
        case Qt::Key_F5:
            StartDownload();
            return true;
        case Qt::Key_F7:
            CreateFolder();
            return true;
        case Qt::Key_F8:
        case Qt::Key_Delete:
            DeleteSelected();
            return true;
        case Qt::Key_Backspace:
            btnZpetClick();
            return true;
        default:
            break;
        }
    } else if (watched == m_pcList) {
        if (key == Qt::Key_F5) {
            StartUpload();
            return true;
        }
        if (key == Qt::Key_Backspace) {
            setPcFolder(QFileInfo(m_pcFolder).dir().absolutePath());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- progress and failures -------------------------------------------------

void TForm1::RychlostTimerTimer()
{
    const qint64 position = m_progressBar->value();
    const qint64 speed = (position - m_speedSample) / 1024;
    m_lbrychlost->setText(QStringLiteral("%1 KB/s").arg(speed));
    m_speedSample = position;
}

void TForm1::status(const QString &text)
{
    statusBar()->showMessage(text);
}

QString TForm1::failureText(DiagFileSystem::Failure failure) const
{
    using F = DiagFileSystem::Failure;
    switch (failure) {
    case F::NoReply: return m_texts.text("60");
    case F::ErrorReply: return m_texts.text("61");
    case F::UnknownReply: return m_texts.text("62");
    case F::BadFrame: return m_texts.text("63");
    case F::FolderNotListed: return m_texts.text("64");
    case F::FolderNotRemovable: return m_texts.text("53");
    case F::MakeFailed: return m_texts.text("65");
    case F::RemoveFailed: return m_texts.text("74");
    case F::ReadFailed: return QString();
    case F::TooMuchData: return m_texts.text("69");
    case F::WriteFailed: return QString();
    case F::SaveFailed: return m_texts.text("68");
    case F::PathTooLong: return m_texts.text("71");
    case F::FileTooLarge: return m_texts.text("72");
    case F::PortFailed: return m_texts.text("67");
    case F::PortLost: return m_texts.text("73");
    case F::BadName: return m_texts.text("1304");
    }
    return QString();
}

void TForm1::onFailed(DiagFileSystem::Failure failure, const QString &detail)
{
    const Transfer transfer = m_transfer;
    m_transfer = Transfer::None;
    QString reason = failureText(failure);
    if (failure == DiagFileSystem::Failure::SaveFailed && !detail.isEmpty())
        reason = detail;
    if (failure == DiagFileSystem::Failure::BadName)
        reason = reason.arg(shownName(detail));
    if (transfer != Transfer::None) {
        m_progress->hide();
        const QString text = transfer == Transfer::Download ? QStringLiteral("Chyba při kopírování dat z telefonu")
                                                            : m_texts.text("58");
        Dialogs::instance().message(this, Dialogs::Icon::Error, QString(),
                                    reason.isEmpty() ? text : text + QStringLiteral("\n") + reason,
                                    Dialogs::Buttons::Ok);
        status(reason.isEmpty() ? text : reason);
    } else if (failure == DiagFileSystem::Failure::FolderNotRemovable
               || failure == DiagFileSystem::Failure::RemoveFailed || failure == DiagFileSystem::Failure::BadName) {
        // What the user asked for did not happen: a message, not only the status bar.
        Dialogs::instance().message(this, Dialogs::Icon::Error, m_texts.text("52"), reason, Dialogs::Buttons::Ok);
        status(reason);
    } else {
        status(reason);
    }
    if (!m_fs->busy())
        SetControlsEnabled(true);
}
