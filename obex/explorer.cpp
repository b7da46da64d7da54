#include "explorer.h"

#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "inifile.h"
#include "obexpath.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileSystemModel>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString ErrorCaption = QStringLiteral("Chyba");

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString stepText(const QString &step)
{
    if (step == QLatin1String("switch"))
        return QStringLiteral("přepnutí do režimu OBEX");
    if (step == QLatin1String("connect"))
        return QStringLiteral("spojení");
    if (step == QLatin1String("setpath"))
        return QStringLiteral("vstup do složky");
    if (step == QLatin1String("listing"))
        return QStringLiteral("výpis složky");
    if (step == QLatin1String("delete"))
        return QStringLiteral("mazání");
    if (step == QLatin1String("put"))
        return QStringLiteral("kopírování do telefonu");
    if (step == QLatin1String("get"))
        return QStringLiteral("kopírování do PC");
    return step;
}

} // namespace

TFrmExplorer::TFrmExplorer(TComPort *port, const QString &iniPath, QWidget *parent)
    : QDialog(parent)
    , m_port(port)
    , m_iniPath(iniPath)
    , m_exchange(new ObexExchange(port, this))
{
    setObjectName(QStringLiteral("FrmExplorer"));
    setWindowTitle(QStringLiteral("Zenk Explorer"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildWindow();
    setFixedSize(792, 523);

    m_exchange->restoreReceiveHandler = [this] {
        if (restoreDefaultRxHandler)
            restoreDefaultRxHandler();
        else
            m_port->OnRxChar = nullptr;
    };
    connect(m_exchange, &ObexExchange::listingReceived, this, &TFrmExplorer::onListing);
    connect(m_exchange, &ObexExchange::finished, this, &TFrmExplorer::onFinished);
    connect(m_exchange, &ObexExchange::pendingChanged, this,
            [this](const QStringList &pending, int done, int total) {
                m_currentItem = pending.value(0);
                showPending(pending);
                m_progressBarCelkem->setMaximum(qMax(total, 1));
                m_progressBarCelkem->setValue(done);
            });
    connect(m_exchange, &ObexExchange::stepProgress, this, [this](int value, int maximum) {
        if (m_operation == ExplorerOperation::CopyToPc || m_operation == ExplorerOperation::CopyToHandset)
            return;  // the bytes of the file are shown instead
        m_progressBar->setMaximum(qMax(maximum, 1));
        m_progressBar->setValue(value);
    });
    connect(m_exchange, &ObexExchange::transferProgress, this, [this](qint64 done, qint64 total) {
        if (total < 0)  // the handset gave no Length: the size it listed
            total = m_listedSizes.value(m_currentItem, -1);
        if (total < 0) {
            m_progressBar->setRange(0, 0);  // busy, of unknown length
            return;
        }
        // A bar counts in int: large files in KiB.
        const int shift = total > (qint64(1) << 30) ? 10 : 0;
        m_progressBar->setRange(0, int(qMax<qint64>(total >> shift, 1)));
        m_progressBar->setValue(int(qMin(done, total) >> shift));
    });
}

TFrmExplorer::~TFrmExplorer() = default;

void TFrmExplorer::buildWindow()
{
    auto *top = new QVBoxLayout(this);
    auto *panes = new QHBoxLayout;
    top->addLayout(panes, 1);

    // PC pane: the folder picker over the folder's list.
    auto *pcSide = new QVBoxLayout;
    m_shellCombo = new QComboBox(this);
    m_shellCombo->setObjectName(QStringLiteral("ShellComboBox1"));
    m_shellCombo->setEditable(true);
    m_shellCombo->setMaxVisibleItems(16);
    m_shellCombo->setInsertPolicy(QComboBox::NoInsert);
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives())
        m_shellCombo->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
#else
    m_shellCombo->addItem(QStringLiteral("/"));
#endif
    m_shellCombo->addItem(QDir::toNativeSeparators(QDir::homePath()));
    pcSide->addWidget(m_shellCombo);

    m_pcModel = new QFileSystemModel(this);
    m_pcModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot | QDir::Drives | QDir::Hidden);
    m_pcModel->setRootPath(QString());
    m_pcList = new QTreeView(this);
    m_pcList->setObjectName(QStringLiteral("PCList"));
    m_pcList->setModel(m_pcModel);
    m_pcList->setRootIsDecorated(false);
    m_pcList->setItemsExpandable(false);
    m_pcList->setSortingEnabled(true);
    m_pcList->sortByColumn(0, Qt::AscendingOrder);
    m_pcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pcList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pcList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pcList->header()->resizeSection(0, 180);
    m_pcList->installEventFilter(this);
    pcSide->addWidget(m_pcList, 1);
    panes->addLayout(pcSide, 1);

    connect(m_shellCombo, &QComboBox::textActivated, this,
            [this](const QString &text) { setPcFolder(QDir::fromNativeSeparators(text)); });
    connect(m_pcList, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        const QModelIndex name = index.siblingAtColumn(0);
        if (m_pcModel->isDir(name))
            setPcFolder(QDir::cleanPath(m_pcModel->filePath(name)));
    });

    // Handset pane: the path label, the folder buttons, the list.
    auto *zenkSide = new QVBoxLayout;
    auto *nav = new QHBoxLayout;
    m_zenkCesta = new QLabel(QStringLiteral("\\"), this);
    m_zenkCesta->setObjectName(QStringLiteral("ZenkCesta"));
    nav->addWidget(m_zenkCesta, 1);
    struct Nav
    {
        const char *name;
        QString text;
    };
    const Nav navButtons[] = {
        {"btnZenkRoot", QStringLiteral("\\")}, {"btnAdrUp", QStringLiteral("..")},
        {"btnMMC", QStringLiteral("&MMC")},    {"btnUser", QStringLiteral("&User")},
        {"btnObrazky", QStringLiteral("&Obrázky")}, {"btnHudba", QStringLiteral("&Hudba")},
    };
    for (const Nav &n : navButtons) {
        QPushButton *b = makeButton(this, n.name, n.text);
        nav->addWidget(b);
        m_commands.append(b);
    }
    zenkSide->addLayout(nav);
    m_zenkList = new QTreeWidget(this);
    m_zenkList->setObjectName(QStringLiteral("ZenkList"));
    m_zenkList->setColumnCount(3);
    m_zenkList->setHeaderLabels({QStringLiteral("Název"), QStringLiteral("Velikost"), QStringLiteral("Datum")});
    m_zenkList->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_zenkList->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    m_zenkList->header()->resizeSection(0, 175);
    m_zenkList->header()->resizeSection(1, 70);
    m_zenkList->header()->resizeSection(2, 115);
    m_zenkList->setRootIsDecorated(false);
    m_zenkList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_zenkList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_zenkList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_zenkList->installEventFilter(this);
    zenkSide->addWidget(m_zenkList, 1);
    panes->addLayout(zenkSide, 1);
    connect(m_zenkList, &QTreeWidget::itemDoubleClicked, this, [this] { ZenkListDblClick(); });

    // The commands.
    auto *commands = new QHBoxLayout;
    struct Command
    {
        const char *name;
        QString text;
        QKeySequence key;
    };
    const Command commandButtons[] = {
        {"btnF3", QStringLiteral("F3   Zobrazit"), QKeySequence(Qt::Key_F3)},
        {"btnF4", QStringLiteral("F4   Editovat"), QKeySequence(Qt::Key_F4)},
        {"btnF5", QStringLiteral("F5   Kopírovat"), QKeySequence(Qt::Key_F5)},
        {"btnF6", QStringLiteral("F6   Přejmenovat"), QKeySequence(Qt::Key_F6)},
        {"btnF7", QStringLiteral("F7   Vytvořit Adr."), QKeySequence(Qt::Key_F7)},
        {"btnF8", QStringLiteral("F8   Smazat"), QKeySequence(Qt::Key_F8)},
        {"btnF4Konec", QStringLiteral("Alt+F4   Konec"), QKeySequence(Qt::ALT | Qt::Key_F4)},
    };
    for (const Command &c : commandButtons) {
        QPushButton *b = makeButton(this, c.name, c.text);
        b->setShortcut(c.key);
        commands->addWidget(b);
        if (QLatin1String(c.name) != QLatin1String("btnF4Konec"))
            m_commands.append(b);
    }
    top->addLayout(commands);

    // The information panel over the panes, for deletes and copies.
    m_panelInfo = new QFrame(this);
    m_panelInfo->setObjectName(QStringLiteral("PanelInfo"));
    m_panelInfo->setFrameShape(QFrame::Panel);
    m_panelInfo->setFrameShadow(QFrame::Raised);
    m_panelInfo->setAutoFillBackground(true);
    auto *info = new QVBoxLayout(m_panelInfo);
    m_progressBarCelkem = new QProgressBar(m_panelInfo);
    m_progressBarCelkem->setObjectName(QStringLiteral("ProgressBarCelkem"));
    m_memoInfo = new QPlainTextEdit(m_panelInfo);
    m_memoInfo->setObjectName(QStringLiteral("MemoInfo"));
    m_memoInfo->setReadOnly(true);
    m_memoInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_progressBar = new QProgressBar(m_panelInfo);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    info->addWidget(m_progressBarCelkem);
    info->addWidget(m_memoInfo, 1);
    info->addWidget(m_progressBar);
    m_panelInfo->setGeometry(246, 120, 300, 220);
    m_panelInfo->hide();

    connect(button("btnZenkRoot"), &QPushButton::clicked, this, [this] { btnZenkRootClick(); });
    connect(button("btnAdrUp"), &QPushButton::clicked, this, [this] { btnAdrUpClick(); });
    connect(button("btnMMC"), &QPushButton::clicked, this, [this] { shortcutClick(QStringLiteral("\\mmc")); });
    connect(button("btnUser"), &QPushButton::clicked, this, [this] { shortcutClick(QStringLiteral("\\user")); });
    connect(button("btnObrazky"), &QPushButton::clicked, this,
            [this] { shortcutClick(QStringLiteral("\\mmc\\pictures")); });
    connect(button("btnHudba"), &QPushButton::clicked, this,
            [this] { shortcutClick(QStringLiteral("\\mmc\\sounds")); });
    for (const char *beep : {"btnF3", "btnF4", "btnF6"})
        connect(button(QLatin1String(beep)), &QPushButton::clicked, this, [] { QApplication::beep(); });
    connect(button("btnF5"), &QPushButton::clicked, this, [this] {
        if (m_zenkPaneActive)
            copyToPc();
        else
            btnF5Click();
    });
    connect(button("btnF7"), &QPushButton::clicked, this, [this] { btnF7Click(); });
    connect(button("btnF8"), &QPushButton::clicked, this, [this] { btnF8Click(); });
    connect(button("btnF4Konec"), &QPushButton::clicked, this, &QDialog::reject);

    const QString stored = QString::fromLocal8Bit(IniFile(m_iniPath).readString("Explorer", "Cesta", ""));
    setPcFolder(!stored.isEmpty() && QDir(stored).exists() ? stored : QDir::homePath());
}

QPushButton *TFrmExplorer::button(const QString &objectName) const
{
    return findChild<QPushButton *>(objectName);
}

QString TFrmExplorer::pcFolder() const
{
    return m_pcModel->filePath(m_pcList->rootIndex());
}

void TFrmExplorer::setPcFolder(const QString &folder)
{
    if (!QDir(folder).exists())
        return;
    const QModelIndex index = m_pcModel->index(folder);
    m_pcList->setRootIndex(index);
    m_shellCombo->setEditText(QDir::toNativeSeparators(folder));
}

void TFrmExplorer::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *main = parentWidget()) {
        const QRect g = main->frameGeometry();
        move(g.left() + g.width() / 2 - width() / 2, g.top() + g.height() / 2 - height() / 2);
    }
    m_panelInfo->hide();
    // Shown after its own exec() has started, so the listing runs inside it.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            OpenRootFolder();
    });
}

void TFrmExplorer::done(int result)
{
    // A running exchange is ended first: the port goes back to AT mode and
    // the main window's receive handler is back before the window is gone.
    m_startWhenIdle = false;
    if (m_exchange->busy()) {
        QEventLoop wait;
        connect(m_exchange, &ObexExchange::finished, &wait, &QEventLoop::quit);
        QTimer::singleShot(m_exchange->guardTime() + 15000, &wait, &QEventLoop::quit);
        m_exchange->cancel();
        if (m_exchange->busy())
            wait.exec();
    } else if (m_port->Connected()) {
        try {
            m_port->SendText("+++\r");
        } catch (const EComPort &) {
        }
    }
    IniFile(m_iniPath).writeString("Explorer", "Cesta", QDir::toNativeSeparators(pcFolder()).toLocal8Bit());
    QDialog::done(result);
}

bool TFrmExplorer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_zenkList)
            m_zenkPaneActive = true;
        else if (watched == m_pcList)
            m_zenkPaneActive = false;
    }
    if (watched == m_zenkList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        switch (key) {
        case Qt::Key_Delete:
            button("btnF8")->click();
            return true;
        case Qt::Key_Backspace:
            if (button("btnAdrUp")->isEnabled())
                btnAdrUpClick();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ZenkListDblClick();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmExplorer::setCommandsEnabled(bool on)
{
    for (QPushButton *b : m_commands)
        b->setEnabled(on);
}

void TFrmExplorer::setFolder(const QStringList &folder)
{
    m_folder = folder;
    // The label is for the eye: a name holding a backslash shows as it is.
    m_zenkCesta->setText(folder.isEmpty() ? QStringLiteral("\\")
                                          : u'\\' + folder.join(u'\\') + u'\\');
}

void TFrmExplorer::OpenRootFolder()
{
    setFolder({});
    m_operation = ExplorerOperation::RootListing;
    StartObexExchange();
}

void TFrmExplorer::ChangeFolder(const QString &name, bool up)
{
    QStringList folder = m_folder;
    if (up) {
        if (!folder.isEmpty())
            folder.removeLast();
    } else if (!name.isEmpty()) {
        folder.append(name);
    }
    setFolder(folder);
}

void TFrmExplorer::StartObexExchange()
{
    m_zenkList->clear();
    if (m_exchange->busy()) {
        // The last exchange is still taking the handset back to AT mode
        // (the rows are already shown): this one follows when it has.
        m_startWhenIdle = true;
        setCommandsEnabled(false);
        return;
    }
    if (openModemPort && !openModemPort())
        return;
    if (!m_port->Connected())
        return;
    QStringList items;
    QString local;
    if (m_operation == ExplorerOperation::Delete || m_operation == ExplorerOperation::CopyToHandset
        || m_operation == ExplorerOperation::CopyToPc)
        items = m_pendingItems;
    if (m_operation == ExplorerOperation::CopyToPc)
        local = pcFolder();
    setCommandsEnabled(false);
    if (!m_exchange->start(m_operation, m_folder, items, local))
        setCommandsEnabled(true);
}

void TFrmExplorer::btnZenkRootClick()
{
    OpenRootFolder();
}

void TFrmExplorer::btnAdrUpClick()
{
    m_operation = ExplorerOperation::FolderListing;
    ChangeFolder(QString(), true);
    StartObexExchange();
}

void TFrmExplorer::shortcutClick(const QString &folder)
{
    m_operation = ExplorerOperation::FolderListing;
    setFolder(PathComponents(folder));
    StartObexExchange();
}

void TFrmExplorer::ZenkListDblClick()
{
    const QTreeWidgetItem *item = m_zenkList->currentItem();
    if (!item || !item->isSelected())
        return;
    if (item->data(0, ParentRole).toBool()) {
        btnAdrUpClick();
        return;
    }
    if (!item->data(0, FolderRole).toBool())
        return;  // a file: nothing to open
    m_operation = ExplorerOperation::FolderListing;
    ChangeFolder(item->data(0, NameRole).toString(), false);
    StartObexExchange();
}

QStringList TFrmExplorer::selectedZenkNames(bool filesOnly) const
{
    QStringList out;
    for (int i = 0; i < m_zenkList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_zenkList->topLevelItem(i);
        if (!item->isSelected() || item->data(0, ParentRole).toBool())
            continue;
        if (filesOnly && item->data(0, FolderRole).toBool())
            continue;
        out.append(item->data(0, NameRole).toString());
    }
    return out;
}

void TFrmExplorer::showPending(const QStringList &items)
{
    m_memoInfo->setPlainText(items.join(u'\n'));
}

void TFrmExplorer::btnF5Click()
{
    // Copy to the handset: the PC pane's selected files, in list order.
    QStringList paths;
    QModelIndexList rows = m_pcList->selectionModel() ? m_pcList->selectionModel()->selectedRows(0)
                                                      : QModelIndexList();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &row : rows)
        if (!m_pcModel->isDir(row))
            paths.append(m_pcModel->filePath(row));
    if (paths.isEmpty())
        return;
    m_pendingItems = paths;
    showPending(paths);
    m_progressBar->setValue(0);
    m_progressBarCelkem->setMaximum(int(paths.size()));
    m_progressBarCelkem->setValue(0);
    m_panelInfo->show();
    m_panelInfo->raise();
    if (Dialogs::instance().message(this, Dialogs::Icon::Question, QStringLiteral("Kopírovat"),
                                    QStringLiteral("Kopírovat soubor(y) ?"), Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes) {
        m_panelInfo->hide();
        return;
    }
    m_operation = ExplorerOperation::CopyToHandset;
    ChangeFolder(QString(), false);
    StartObexExchange();
}

void TFrmExplorer::copyToPc()
{
    // Copy to the PC: the handset pane's selected files into the PC folder.
    QStringList names = selectedZenkNames(true);
    if (names.isEmpty())
        return;
    const QString folder = pcFolder();
    m_pendingItems = names;
    showPending(names);
    m_progressBar->setValue(0);
    m_progressBarCelkem->setMaximum(int(names.size()));
    m_progressBarCelkem->setValue(0);
    m_panelInfo->show();
    m_panelInfo->raise();
    if (Dialogs::instance().message(this, Dialogs::Icon::Question, QStringLiteral("Kopírovat"),
                                    QStringLiteral("Kopírovat soubor(y) ?"), Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes) {
        m_panelInfo->hide();
        return;
    }
    // A good file on the PC is replaced only when the user says so.
    QStringList approved;
    for (const QString &name : names) {
        const QString local = ObexExchange::LocalFileName(name);
        if (!local.isEmpty() && QFileInfo::exists(QDir(folder).filePath(local))
            && Dialogs::instance().message(this, Dialogs::Icon::Question, QStringLiteral("Kopírovat"),
                                           QStringLiteral("Soubor %1 už v PC existuje. Přepsat ?").arg(local),
                                           Dialogs::Buttons::YesNo)
                   != Dialogs::Answer::Yes)
            continue;
        approved.append(name);
    }
    if (approved.isEmpty()) {
        m_panelInfo->hide();
        return;
    }
    m_pendingItems = approved;
    showPending(approved);
    m_progressBarCelkem->setMaximum(int(approved.size()));
    m_operation = ExplorerOperation::CopyToPc;
    ChangeFolder(QString(), false);
    StartObexExchange();
}

void TFrmExplorer::btnF7Click()
{
    const std::optional<QString> answer = Dialogs::instance().inputBox(
        this, QStringLiteral("Nový adresář"), QStringLiteral("Jméno:"), QString());
    if (!answer || answer->trimmed().isEmpty())
        return;
    const QString name = answer->trimmed();
    if (name.contains(u'\\') || name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String("..")) {
        Dialogs::instance().message(this, Dialogs::Icon::Error, ErrorCaption,
                                    QStringLiteral("Jméno adresáře nesmí obsahovat \\ ani /."),
                                    Dialogs::Buttons::Ok);
        return;
    }
    m_operation = ExplorerOperation::MakeFolder;
    ChangeFolder(name, false);
    StartObexExchange();
}

void TFrmExplorer::btnF8Click()
{
    const QStringList captions = selectedZenkNames(false);
    if (captions.isEmpty())
        return;
    m_pendingItems = captions;
    showPending(captions);
    m_progressBar->setMaximum(2);
    m_progressBar->setValue(0);
    m_progressBarCelkem->setMaximum(int(captions.size()));
    m_progressBarCelkem->setValue(0);
    m_panelInfo->show();
    m_panelInfo->raise();
    if (Dialogs::instance().message(this, Dialogs::Icon::Question, QStringLiteral("Smazat"),
                                    QStringLiteral("Opravdu smazat ?"), Dialogs::Buttons::YesNo)
        != Dialogs::Answer::Yes) {
        m_panelInfo->hide();
        return;
    }
    m_operation = ExplorerOperation::Delete;
    ChangeFolder(QString(), false);
    StartObexExchange();
}

void TFrmExplorer::showRows(const FolderListing &listing, bool belowRoot)
{
    m_zenkList->clear();
    // ShowListing's order: "[..]", the folders, the files.
    QList<const ListingEntry *> entries;
    for (const ListingEntry &e : listing.entries)
        if (e.folder)
            entries.append(&e);
    for (const ListingEntry &e : listing.entries)
        if (!e.folder)
            entries.append(&e);
    const QList<ListingRow> rows = ShowListing(listing, belowRoot);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const ListingRow &row = rows[i];
        auto *item = new QTreeWidgetItem(m_zenkList, {row.caption, row.size, row.date});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        const qsizetype entry = belowRoot ? i - 1 : i;
        if (entry < 0) {
            item->setData(0, ParentRole, true);
            continue;
        }
        item->setData(0, NameRole, entries[entry]->name);
        item->setData(0, FolderRole, entries[entry]->folder);
    }
    if (QTreeWidgetItem *first = m_zenkList->topLevelItem(0)) {
        m_zenkList->setCurrentItem(first);
        first->setSelected(true);
    }
}

void TFrmExplorer::onListing(const FolderListing &listing)
{
    m_listedFolder = m_folder;
    m_listed = listing;
    m_listedSizes.clear();
    for (const ListingEntry &e : listing.entries)
        if (!e.folder && e.size)
            m_listedSizes.insert(e.name, *e.size);
    showRows(m_listed, !m_listedFolder.isEmpty());
    // The handset is still being taken back to AT mode; the next command
    // may be given already.
    setCommandsEnabled(true);
    m_panelInfo->hide();
    m_zenkList->setFocus();
    m_zenkPaneActive = true;
    if (!listing.error.isEmpty())
        Dialogs::instance().message(this, Dialogs::Icon::Warning, QStringLiteral("Upozornění"),
                                    QStringLiteral("Výpis složky z telefonu je poškozený, zobrazeno je jen to, "
                                                   "co šlo přečíst (%1).").arg(listing.error),
                                    Dialogs::Buttons::Ok);
}

QString TFrmExplorer::responseName(quint8 code) const
{
    static const MessageTexts defaults = MessageTexts::defaults();
    const QString text = Cp1250::toUnicode((texts ? *texts : defaults).obexResponse(code));
    return text.isEmpty() ? QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper() : text;
}

QString TFrmExplorer::failureText(const ObexFailure &f) const
{
    const QString code = QStringLiteral("%1").arg(f.code, 2, 16, QLatin1Char('0')).toUpper();
    switch (f.kind) {
    case ObexFailure::NotFound:
        return QStringLiteral("Chyba přenosu dat !");
    case ObexFailure::Refused:
        return QStringLiteral("Telefon odmítl požadavek (%1: %2, kód %3).")
            .arg(stepText(f.step), responseName(f.code), code);
    case ObexFailure::ConnectRefused:
        return QStringLiteral("Telefon odmítl spojení OBEX (%1, kód %2).").arg(responseName(f.code), code);
    case ObexFailure::SwitchRefused:
        return QStringLiteral("Telefon nepřešel do režimu OBEX (odpověď %1).").arg(f.detail);
    case ObexFailure::NoAnswer:
        return QStringLiteral("Telefon neodpověděl (%1). Port je opět v režimu AT příkazů.").arg(stepText(f.step));
    case ObexFailure::BadResponse:
        return QStringLiteral("Telefon poslal nečitelnou odpověď (%1).").arg(stepText(f.step));
    case ObexFailure::LocalFile:
        return QStringLiteral("Soubor %1 nelze přečíst nebo zapsat.").arg(QDir::toNativeSeparators(f.detail));
    case ObexFailure::UnsafeName:
        return QStringLiteral("Název \"%1\" nelze v PC použít jako název souboru.").arg(f.detail);
    case ObexFailure::NameTooLong:
        return QStringLiteral("Název \"%1\" je pro telefon příliš dlouhý.").arg(f.detail);
    case ObexFailure::BadName:
        return QStringLiteral("Název \"%1\" nelze telefonu poslat.").arg(f.detail);
    case ObexFailure::PortError:
        return f.detail;
    case ObexFailure::Cancelled:
    case ObexFailure::None:
        break;
    }
    return {};
}

void TFrmExplorer::onFinished(const ObexFailure &failure)
{
    setCommandsEnabled(true);
    if (m_startWhenIdle) {
        m_startWhenIdle = false;
        if (!failure.failed() || failure.kind == ObexFailure::Cancelled) {
            StartObexExchange();
            return;
        }
    }
    if (failure.escapeUnconfirmed)
        Dialogs::instance().message(this, Dialogs::Icon::Warning, QStringLiteral("Upozornění"),
                                    QStringLiteral("Telefon nepotvrdil návrat do režimu AT příkazů; "
                                                   "port může být stále v režimu OBEX."),
                                    Dialogs::Buttons::Ok);
    if (!failure.failed()) {
        m_panelInfo->hide();
        return;
    }
    // The folder shown before stays shown, with its path.
    m_panelInfo->hide();
    setFolder(m_listedFolder);
    showRows(m_listed, !m_listedFolder.isEmpty());
    const QString text = failureText(failure);
    if (!text.isEmpty())
        Dialogs::instance().message(this, Dialogs::Icon::Error, ErrorCaption, text, Dialogs::Buttons::Ok);
}
