// The main window of the phone manager (unit Hlavni): its pages, menus,
// status bar and progress panel, and the modem-link operations that every
// feature shares (SetModemPortOpen, the presence check and readout,
// EnablePhoneControls, FinishReadout, the default receive handler).
// Errors: a port that cannot be opened is reported in a warning box by
// SetModemPortOpen and the caller stops; any other exception that leaves a
// user action is shown in an error box by runGuarded and the program goes on;
// a handset that does not answer ends a readout as offline, never in a hang.

#include "hlavni.h"
#include "ui_hlavni.h"

#include "about.h"
#include "backupmenu.h"
#include "clock.h"
#include "comport.h"
#include "cp1250.h"
#include "errorguard.h"
#include "infopage.h"
#include "inifile.h"
#include "language.h"
#include "languagefile.h"
#include "lockspage.h"
#include "nastaveni.h"
#include "phoneinfo.h"
#include "phonebookreader.h"
#include "programfolder.h"
#include "qttranslation.h"

#include "addressbookpage.h"
#include "devicesettings.h"
#include "explorer.h"
#include "gpspage.h"
#include "heslo.h"
#include "phonebookpage.h"
#include "smscompose.h"
#include "smspage.h"
#include "zavolatseznam.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

const QString TForm1::ApplicationTitle = QStringLiteral("Torvane komunikátor");

namespace {

const QByteArray MakerWord("TORVANE");
constexpr int ProgressSteps = 23;
constexpr std::array<int, 4> PanelWidths{340, 80, 70, 146};

QString captionFor(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QStringLiteral("Informace");
    case Dialogs::Icon::Warning: return QStringLiteral("Upozornění");
    case Dialogs::Icon::Error: return QStringLiteral("Chyba");
    case Dialogs::Icon::Question: return QStringLiteral("Dotaz");
    }
    return TForm1::ApplicationTitle;
}

// Controls of the main window proper: the dialogs are children of the
// window too, but their controls are not the window's.
bool insideDialog(const QObject *object, const QObject *window)
{
    for (const QObject *o = object->parent(); o && o != window; o = o->parent())
        if (qobject_cast<const QDialog *>(o))
            return true;
    return false;
}

void putIntoPage(QWidget *page, QWidget *content)
{
    page->layout()->addWidget(content);
}

} // namespace

TForm1::TForm1(const QString &programFolder, const Clock &clock, QWidget *parent)
    : QMainWindow(parent)
    , ComPort1(new TComPort(QStringLiteral("ComPort1"), this))
    , ComPort2(new TComPort(QStringLiteral("ComPort2"), this))
    , GPSPort(new TComPort(QStringLiteral("GPSPort"), this))
    , ui(new Ui::TForm1)
    , m_programFolder(programFolder)
    , m_clock(clock)
{
    if (!m_programFolder.isEmpty() && !m_programFolder.endsWith(QLatin1Char('/'))
        && !m_programFolder.endsWith(QLatin1Char('\\')))
        m_programFolder += QLatin1Char('/');

    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    createPages();
    createStatusBar();

    // FormCreate: the stored port settings, then the window's own state.
    {
        const IniFile ini(iniPath());
        for (TComPort *port : {ComPort1, ComPort2, GPSPort}) {
            try {
                port->LoadPortSettings(ini);
            } catch (const EComPort &e) {
                showMessage(Dialogs::Icon::Error, e.text());
            }
        }
    }
    installDefaultRxHandler();
    // A port that closes itself (the cable pulled) is shown as released.
    connect(ComPort1, &TComPort::openChanged, this, [this](bool open) {
        if (!open)
            setPanelText(2, Cp1250::toUnicode(m_texts.statusReleased));
    });

    // A fixed-size window: the design's client area, or more where the
    // captions need more room with this platform's fonts.
    setFixedSize(QSize(633, 319).expandedTo(minimumSizeHint()));
    if (const QScreen *screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    createProgressPanel();

    // The other windows, created once and reused.
    m_heslo = new THesloForm(this);
    m_about = new TFrmAbout(dataFolder(m_programFolder), this);
    m_nastaveni = new TFrmNastaveni(ComPort1, ComPort2, GPSPort, iniPath(), this);
    m_nastaveni->onLanguageChanged = [this] { LoadLanguage(); };
    auto *explorer = new TFrmExplorer(ComPort1, iniPath(), this);
    explorer->openModemPort = [this] { return SetModemPortOpen(true); };
    explorer->restoreDefaultRxHandler = [this] { installDefaultRxHandler(); };
    explorer->texts = &m_texts;
    showObexExplorer = [explorer] { Dialogs::instance().execDialog(explorer); };
    // "Zálohovat telefon…" and "Obnovit ze zálohy…" after "Aktualizuj info".
    m_backupMenu = new BackupMenu(this, ui->Funkce1, ui->Funkce1->actions().value(1),
                                  {ComPort1, ComPort2, &m_texts, [this] { return SetModemPortOpen(true); },
                                   [this] { installDefaultRxHandler(); }});

    m_tray = new QSystemTrayIcon(QIcon(TFrmAbout::logo(32)), this);
    m_tray->setObjectName(QStringLiteral("TrayIcon1"));
    m_tray->setToolTip(ApplicationTitle);
    setWindowIcon(QIcon(TFrmAbout::logo(32)));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();

    m_hodiny = new QTimer(this);
    m_hodiny->setObjectName(QStringLiteral("Hodiny"));
    m_hodiny->setInterval(1000);

    m_deviceSettings = new DeviceSettings(m_infoPage, m_locksPage, ComPort1, m_heslo, m_clock,
                                          [this](bool open) { return SetModemPortOpen(open); }, this);
    m_deviceSettings->setGuard([this](const std::function<void()> &handler) { runGuarded(handler); });
    m_deviceSettings->setMessageTexts(&m_texts);
    m_zavolatSeznam = new TZavolatSeznam(this, ComPort1, [this](bool open) { return SetModemPortOpen(open); });
    m_zavolatSeznam->setGuard([this](const std::function<void()> &handler) { runGuarded(handler); });
    m_zavolatSeznam->setTexts(&m_texts);
    m_zavolatSeznam->setBeforeSend([this] { installDefaultRxHandler(); });
    m_addressBookPage->setLink({m_programFolder, ComPort1, [this](bool open) { return SetModemPortOpen(open); },
                                m_zavolatSeznam, &m_texts, [this] { return panelText(0); },
                                [this](const QString &text) { setPanelText(0, text); },
                                [this](const std::function<void()> &handler) { runGuarded(handler); }});

    // The phonebook read is driven by the replies of the default handler.
    PhonebookLink phonebook;
    phonebook.comPort1 = ComPort1;
    phonebook.replies = &m_replies;
    phonebook.heslo = m_heslo;
    phonebook.hlavniPanel = ui->HlavniPanel;
    phonebook.progresPanel = m_progresPanel;
    phonebook.progres = m_progres;
    phonebook.texts = &m_texts;
    phonebook.programFolder = m_programFolder;
    phonebook.setModemPortOpen = [this](bool open) { return SetModemPortOpen(open); };
    phonebook.installDefaultRxHandler = [this] { installDefaultRxHandler(); };
    phonebook.waitTicks = [this](int n) { WaitTicks(n); };
    phonebook.guard = [this](const std::function<void()> &handler) { runGuarded(handler); };
    m_phonebookPage->attach(phonebook);
    PhonebookReader *reader = m_phonebookPage->reader();
    m_replies.onReplyComplete = [reader](const QByteArray &reply) { reader->replyComplete(reply); };
    m_replies.onReplyFailed = [reader](const QByteArray &reply, const QByteArray &error) {
        reader->replyFailed(reply, error);
    };
    // The reader's signals mark the steps of its exchange; its state is
    // looked at once the signal has been handled.
    const auto later = [this] { QTimer::singleShot(0, this, [this] { updateModemActions(); }); };
    connect(reader, &PhonebookReader::memoryCounted, this, later);
    connect(reader, &PhonebookReader::progress, this, later);
    connect(reader, &PhonebookReader::finished, this, later);
    connect(reader, &PhonebookReader::failed, this, later);
    connect(reader, &PhonebookReader::entryWritten, this, later);
    connect(reader, &PhonebookReader::entryRefused, this, later);

    connectHandlers();
    attachSmsPage();
    m_novaSms = AttachSmsCompose(*this);
    EnablePhoneControls(false);
    HodinyTimer();
    m_hodiny->start();
}

TForm1::~TForm1()
{
    ComPort1->OnRxChar = nullptr;
    delete ui;
}

QString TForm1::iniPath() const
{
    return settingsFilePath(m_programFolder);
}

QTabWidget *TForm1::HlavniPanel() const
{
    return ui->HlavniPanel;
}

QAction *TForm1::InfoMenu() const
{
    return ui->InfoMenu;
}

QAction *TForm1::AktivniSMS() const
{
    return ui->AktivniSMS;
}

void TForm1::createPages()
{
    m_infoPage = new InfoPage(ui->Vyp_telefon);
    putIntoPage(ui->Vyp_telefon, m_infoPage);
    m_locksPage = new LocksPage(ui->TabSheet6);
    putIntoPage(ui->TabSheet6, m_locksPage);
    m_gpsPage = new GpsPage(GPSPort, m_locksPage->GpsMonitor());
    m_gpsPage->setTexts(&m_texts);
    m_locksPage->GpsMonitorLayout()->addWidget(m_gpsPage);
    m_phonebookPage = new PhonebookPage(ui->TabSheet2);
    putIntoPage(ui->TabSheet2, m_phonebookPage);
    m_addressBookPage = new AddressBookPage(ui->TabAdresar);
    putIntoPage(ui->TabAdresar, m_addressBookPage);
    m_smsPage = new SmsPage(ui->TabSMS);
    putIntoPage(ui->TabSMS, m_smsPage);
    ui->Kal_Seznam->header()->setStretchLastSection(true);
    ui->Kal_Seznam->setColumnWidth(0, 30);
}

void TForm1::createStatusBar()
{
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(ui->StatusBar1);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // Panel 1 grows with a long device name (Linux names are longer than
        // "COM1"); panel 0 gives up the room.
        if (i == 1)
            label->setMinimumWidth(PanelWidths[i]);
        else if (i == 0)
            label->setMinimumWidth(100);
        else
            label->setFixedWidth(PanelWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(i == 1 ? QFrame::Raised : QFrame::Sunken);
        label->setIndent(2);
        if (i == 1 || i == 2)
            label->setAlignment(Qt::AlignCenter);
        else if (i == 3)
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui->StatusBar1->addWidget(label, i == 0 ? 1 : 0);
        m_panels[i] = label;
    }
    setPanelText(3, QStringLiteral("Torvane Zenk "));
}

void TForm1::createProgressPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("ProgresPanel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 6, 8, 8);
    m_lbProgres = new QLabel(QStringLiteral("Čekejte prosím načítám data ..."), panel);
    m_lbProgres->setObjectName(QStringLiteral("lbProgres"));
    QFont bold = m_lbProgres->font();
    bold.setBold(true);
    bold.setItalic(true);
    m_lbProgres->setFont(bold);
    QPalette navy = m_lbProgres->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_lbProgres->setPalette(navy);
    m_lbProgres->setAlignment(Qt::AlignCenter);
    m_progres = new QProgressBar(panel);
    m_progres->setObjectName(QStringLiteral("Progres"));
    m_progres->setTextVisible(false);
    m_progres->setRange(0, ProgressSteps);
    m_progres->setValue(0);
    m_btnZrusit = new QPushButton(QStringLiteral("Zrušit"), panel);
    m_btnZrusit->setObjectName(QStringLiteral("btnZrusit"));
    connect(m_btnZrusit, &QPushButton::clicked, this, &TForm1::btnZrusitClick);
    auto *row = new QHBoxLayout;
    row->addWidget(m_progres, 1);
    row->addWidget(m_btnZrusit);
    layout->addWidget(m_lbProgres);
    layout->addLayout(row);
    const int w = qMax(305, panel->sizeHint().width());
    const int h = qMax(64, panel->sizeHint().height());
    panel->setGeometry(width() / 2 - w / 2, height() / 2 - h / 2 - 40, w, h);
    panel->hide();
    m_progresPanel = panel;
}

void TForm1::connectHandlers()
{
    // Menu
    connect(ui->Znovunatiinfo1, &QAction::triggered, m_infoPage->refresh(), &QPushButton::click);
    connect(ui->Vypnouttelefon1, &QAction::triggered, m_infoPage->Vyp_tel(), &QPushButton::click);
    connect(ui->Pruzkumnik, &QAction::triggered, this, guarded([this] { PruzkumnikClick(); }));
    connect(ui->UvolnitPort1, &QAction::triggered, this, guarded([this] { UvolnitPort1Click(); }));
    connect(ui->Komunikanport1, &QAction::triggered, this, guarded([this] { Komunikanport1Click(); }));
    connect(ui->InfoMenu, &QAction::triggered, this, guarded([this] { InfoMenuClick(); }));
    connect(ui->AktivniSMS, &QAction::triggered, this, guarded([this] { AktivniSMSClick(); }));
    connect(ui->Oprogramu1, &QAction::triggered, this, guarded([this] { Oprogramu1Click(); }));
    connect(ui->Konec1, &QAction::triggered, this, [this] { Konec1Click(); });

    // Information page buttons
    connect(m_infoPage->refresh(), &QPushButton::clicked, this, guarded([this] { refreshClick(); }));
    connect(m_infoPage->btnExplorer(), &QPushButton::clicked, this,
            guarded([this] { PruzkumnikClick(); }));
    connect(m_infoPage->BitBtn1(), &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));

    connect(ui->HlavniPanel, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_selectingPage)
            runGuarded([this, index] { HlavniPanelChange(index); });
    });
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            TrayIcon1Click();
    });
    connect(m_hodiny, &QTimer::timeout, this, &TForm1::HodinyTimer);
}

void TForm1::attachSmsPage()
{
    SmsPageLink link;
    link.port = ComPort1;
    link.clock = &m_clock;
    link.texts = &m_texts;
    link.programFolder = m_programFolder;
    link.setModemPortOpen = [this](bool open) { return SetModemPortOpen(open); };
    link.waitTicks = [this](int ticks) { return WaitTicks(ticks); };
    link.maker = [this] { return m_infoPage->Vyrobce()->text(); };
    link.model = [this] { return m_infoPage->model()->text(); };
    link.setPanelText = [this](int panel, const QString &text) { setPanelText(panel, text); };
    link.progresPanel = m_progresPanel;
    link.progres = m_progres;
    // The phonebook page's own list (a dialog may have a list of that name too).
    link.seznam = [this] { return ui->TabSheet2->findChild<QTreeWidget *>(QStringLiteral("Seznam")); };
    link.guard = [this](const std::function<void()> &handler) { runGuarded(handler); };
    // A phonebook read that a listing interrupts must not resume on the listing's "OK".
    link.clearPhonebookState = [this] { m_phonebookPage->reader()->cancel(); };
    m_smsPage->attach(link);
    connect(this, &TForm1::pageChangedByUser, m_smsPage, [this](int index) {
        if (index == SmsPageIndex)
            runGuarded([this] { m_smsPage->FirstVisit(); });
    });
}

QString TForm1::panelText(int panel) const
{
    return panel >= 0 && panel < 4 ? m_panels[panel]->text() : QString();
}

void TForm1::setPanelText(int panel, const QString &text)
{
    if (panel >= 0 && panel < 4)
        m_panels[panel]->setText(text);
}

void TForm1::setVersionText(const QString &version)
{
    m_versionText = version;
    m_about->setVersionText(version);
}

void TForm1::selectPage(int index)
{
    m_selectingPage = true;
    ui->HlavniPanel->setCurrentIndex(index);
    m_selectingPage = false;
}

// --- The modem link ---------------------------------------------------------

bool TForm1::SetModemPortOpen(bool open)
{
    if (open) {
        const bool wasOpen = ComPort1->Connected();
        try {
            ComPort1->OpenPort();
        } catch (const EComPort &e) {
            // The port's own error text is not shown; the user gets the hint:
            // a device that is not there is no application's fault.
            if (e.deviceMissing()) {
                QByteArray text = m_texts.portMissing;
                text.replace("%s", Cp1250::fromUnicode(ComPort1->Port()));
                showMessage(Dialogs::Icon::Warning, text + '\n' + m_texts.portMissingHint);
            } else {
                showMessage(Dialogs::Icon::Warning, m_texts.portBusy + '\n' + m_texts.portBusyHint);
            }
            m_progresPanel->hide();
            setPanelText(2, Cp1250::toUnicode(m_texts.statusCannotOpen));
            return false;
        } catch (const std::exception &) {
            showMessage(Dialogs::Icon::Warning, m_texts.portBusy + '\n' + m_texts.portBusyHint);
            m_progresPanel->hide();
            setPanelText(2, Cp1250::toUnicode(m_texts.statusCannotOpen));
            return false;
        }
        if (!wasOpen) {
            // What the handset sent before the port was released (the rest of
            // a reply) belongs to no exchange of the new opening.
            try {
                ComPort1->PurgeInput();
            } catch (const EComPort &) {
            }
            m_replies.LineBuffer.clear();
            m_replies.ReplyBuffer.clear();
        }
        setPanelText(1, QStringLiteral("Port: ") + ComPort1->Port());
        setPanelText(2, QStringLiteral("obsazen"));
        ui->StatusBar1->repaint();
        return true;
    }
    try {
        ComPort1->ClosePort();
    } catch (const std::exception &) {
        showMessage(Dialogs::Icon::Error, m_texts.closeError, Dialogs::Buttons::Cancel);
        return false;
    }
    setPanelText(2, Cp1250::toUnicode(m_texts.statusReleased));
    return true;
}

const QStringList &TForm1::PhoneControlNames()
{
    static const QStringList names{
        QStringLiteral("SynchrCas"),     QStringLiteral("Vyp_tel"),
        QStringLiteral("Hlasitost_zvoneni"), QStringLiteral("Hlasitost_repro"),
        QStringLiteral("Umlceni"),       QStringLiteral("OstatniBox"),
        QStringLiteral("RefresSeznam"),  QStringLiteral("vybertypu"),
        QStringLiteral("AktualizujSMS"), QStringLiteral("Nacist_SMS"),
        QStringLiteral("Typ_SMS"),       QStringLiteral("Nova_SMS"),
        QStringLiteral("Blokovani"),     QStringLiteral("ZmenitPIN"),
        QStringLiteral("ZmenitPIN2"),    QStringLiteral("ZmenitKOD"),
        QStringLiteral("Poslat_DTMF"),   QStringLiteral("ZmenitDTMF"),
        QStringLiteral("btnExplorer"),   QStringLiteral("Vypnouttelefon1"),
        QStringLiteral("PAdrAktualizuj"),
    };
    return names;
}

void TForm1::EnablePhoneControls(bool on)
{
    // Widgets and menu actions alike have the "enabled" property; controls of
    // pages that are not built (yet) are simply not found.
    auto setEnabled = [this](const QString &name, bool enabled) {
        for (QObject *o : findChildren<QObject *>(name))
            if (!insideDialog(o, this))
                o->setProperty("enabled", enabled);
    };
    for (const QString &name : PhoneControlNames())
        setEnabled(name, on);
    m_phoneControlsOn = on;
    setEnabled(QStringLiteral("RefreshAdr"), false);
    setEnabled(QStringLiteral("Refresh_Shuzky"), false);
    if (on) {
        m_progresPanel->hide();
        m_progres->setValue(0);
    }
}

bool TForm1::modemExchangeRunning() const
{
    return m_readoutRunning || m_phonebookPage->reader()->busy();
}

void TForm1::updateModemActions()
{
    const bool free = !modemExchangeRunning();
    for (QAction *action : {ui->UvolnitPort1, ui->Pruzkumnik, ui->Komunikanport1, ui->Znovunatiinfo1})
        action->setEnabled(free);
    m_infoPage->refresh()->setEnabled(free);
    ui->Vypnouttelefon1->setEnabled(free && m_phoneControlsOn);
    m_infoPage->btnExplorer()->setEnabled(free && m_phoneControlsOn);
}

void TForm1::FinishReadout()
{
    if (Cp1250::fromUnicode(m_infoPage->Vyrobce()->text()).contains(MakerWord))
        EnablePhoneControls(true);
    endReadoutDisplay();
}

void TForm1::endReadoutDisplay()
{
    m_replies.ReplyBuffer.clear();
    m_progresPanel->hide();
    m_progres->setValue(0);
}

// While the presence check and the readout run, the window keeps painting
// (the modem port processes events while it waits), but takes no input
// except on the progress panel, so no other feature can start in the middle
// of the readout. Closing the window waits for the readout to end.
class TForm1::ReadoutSession : public QObject
{
public:
    explicit ReadoutSession(TForm1 *form)
        : m_form(form)
    {
        form->m_readoutRunning = true;
        form->m_cancelRequested = false;
        form->m_btnZrusit->setEnabled(true);
        if (QWidget *central = form->centralWidget())
            central->setEnabled(false);
        form->menuBar()->setEnabled(false);
        qApp->installEventFilter(this);
        form->ComPort1->setWaitInEventLoop(true);
    }
    ~ReadoutSession() override
    {
        m_form->ComPort1->setWaitInEventLoop(false);
        qApp->removeEventFilter(this);
        m_form->menuBar()->setEnabled(true);
        if (QWidget *central = m_form->centralWidget())
            central->setEnabled(true);
        m_form->m_readoutRunning = false;
        if (m_form->m_closeAfterReadout)
            QTimer::singleShot(0, m_form, &QWidget::close);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
            break;
        default:
            return false;
        }
        if (auto *widget = qobject_cast<QWidget *>(watched)) {
            // Another window (a message box that something shows meanwhile)
            // takes its input as usual.
            if (widget->window() != m_form)
                return false;
            return widget != m_form->m_progresPanel && !m_form->m_progresPanel->isAncestorOf(widget);
        }
        // Menu shortcuts reach their actions.
        return event->type() == QEvent::Shortcut && !QApplication::activeModalWidget();
    }

private:
    TForm1 *m_form;
};

void TForm1::btnZrusitClick()
{
    // A phonebook read ends at its next reply, keeping the rows read.
    if (m_phonebookPage && m_phonebookPage->reader() && m_phonebookPage->reader()->busy()) {
        m_phonebookPage->reader()->stop();
        m_btnZrusit->setEnabled(false);
        return;
    }
    if (!m_readoutRunning)
        return;
    m_cancelRequested = true;
    m_btnZrusit->setEnabled(false);
}

void TForm1::refreshClick()
{
    if (modemExchangeRunning())
        return;
    const bool makerAndModelOnly = ui->InfoMenu->isChecked();
    if (!makerAndModelOnly) {
        m_progres->setRange(0, ProgressSteps);
        m_progres->setValue(0);
        m_progresPanel->show();
        m_progresPanel->raise();
        m_progresPanel->repaint();
        QCoreApplication::processEvents();
    }
    m_infoPage->clearReadout();
    EnablePhoneControls(false);
    if (!SetModemPortOpen(true))
        return;

    bool present = false;
    bool lost = false;
    PhoneInfo info;
    info.end = ReadoutEnd::Complete;
    {
        const ReadoutSession session(this);
        try {
            present = CheckPresence(*ComPort1);
        } catch (const EComPort &) {
            lost = true;  // the readout below reports a failing port itself
        }
        if (present && !m_cancelRequested) {
            ReadoutControl control;
            control.progress = [this](int position) {
                m_progres->setValue(position);
                QCoreApplication::processEvents();
            };
            control.cancelled = [this] { return m_cancelRequested; };
            info = ReadPhoneInfo(*ComPort1, makerAndModelOnly, control);
            lost = info.end == ReadoutEnd::ConnectionLost;
            m_infoPage->showReadout(info);
            // No answer is no operator: "searching" would be a guess.
            if (info.end != ReadoutEnd::MakerAndModel && !info.answered("AT+COPS?"))
                m_infoPage->Operator()->setText(Cp1250::toUnicode(m_texts.operatorUnknown));
            if (info.complete) {
                if (info.pinLock)
                    m_locksPage->setLock(0, *info.pinLock);
                if (info.simBinding)
                    m_locksPage->setLock(1, *info.simBinding);
            }
        }
    }
    if (lost) {
        // A pulled cable: what was read stays on the page, the port is
        // closed and shown as such, and the phone controls stay off.
        endReadoutDisplay();
        try {
            ComPort1->ClosePort();
        } catch (const std::exception &) {
        }
        setPanelText(2, Cp1250::toUnicode(m_texts.statusReleased));
        showReadoutStatus(Cp1250::toUnicode(m_texts.connectionLost));
        if (!m_closeAfterReadout)
            showMessage(Dialogs::Icon::Warning, m_texts.connectionLost);
        return;
    }
    if (present && info.end == ReadoutEnd::Silent) {
        // The handset stopped answering: what it said stays on the page, but
        // without a handset the phone controls stay off.
        endReadoutDisplay();
        present = false;
    } else {
        FinishReadout();
        if (present)
            disableUnreadControls(info);
    }
    if (present) {
        if (!info.unanswered.isEmpty())
            showReadoutStatus(Cp1250::toUnicode(m_texts.readoutIncomplete));
        else if (info.end != ReadoutEnd::Cancelled)
            showReadoutStatus(QString());  // a success clears the failure it replaces
        return;
    }
    // A window that is closing says nothing more.
    if (m_closeAfterReadout)
        return;
    showReadoutStatus(QStringLiteral("Práce Offline - Nenalezen telefon !"));
    showMessage(Dialogs::Icon::Information, m_texts.noHandset);
}

void TForm1::showReadoutStatus(const QString &text)
{
    if (text.isEmpty() && panelText(0) != m_readoutStatus)
        return;  // another feature's text since
    setPanelText(0, text);
    m_readoutStatus = text;
}

void TForm1::disableUnreadControls(const PhoneInfo &info)
{
    m_infoPage->disableUnread(info);
    const bool stopped = info.end != ReadoutEnd::Complete && info.end != ReadoutEnd::MakerAndModel;
    const auto unread = [&](const std::optional<bool> &value, const QByteArray &command) {
        return !value && (stopped || !info.answered(command));
    };
    QListWidget *locks = m_locksPage->Blokovani();
    const bool lockUnread[] = {unread(info.pinLock, "AT^SLCK=\"SC\",2"),
                               unread(info.simBinding, "AT^SLCK=\"PS\",2")};
    for (int i = 0; i < 2 && i < locks->count(); ++i) {
        QListWidgetItem *item = locks->item(i);
        item->setFlags(lockUnread[i] ? item->flags() & ~Qt::ItemIsEnabled
                                     : item->flags() | Qt::ItemIsEnabled);
    }
}

bool TForm1::WaitTicks(int n)
{
    for (int i = 0; i <= n; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

void TForm1::ComPort1RxChar(int count)
{
    m_replies.feed(ComPort1->ReceiveBytes(count));
}

void TForm1::installDefaultRxHandler()
{
    ComPort1->OnRxChar = [this](int count) { runGuarded([this, count] { ComPort1RxChar(count); }); };
}

// --- Menu and window handlers ---------------------------------------------------

void TForm1::Komunikanport1Click()
{
    if (modemExchangeRunning())
        return;
    if (Dialogs::instance().execDialog(m_nastaveni) != QDialog::Accepted)
        return;
    try {
        IniFile ini(iniPath());
        for (TComPort *port : {ComPort1, ComPort2, GPSPort})
            port->StorePortSettings(ini);
    } catch (const EComPort &e) {
        showMessage(Dialogs::Icon::Error, e.text());
    }
}

void TForm1::UvolnitPort1Click()
{
    if (modemExchangeRunning())
        return;
    SetModemPortOpen(false);
}

void TForm1::InfoMenuClick()
{
    // The action toggles its own check mark before this runs.
    IniFile(iniPath()).writeBool("Info", "Aktivni", ui->InfoMenu->isChecked());
}

void TForm1::AktivniSMSClick()
{
    IniFile(iniPath()).writeBool("SMS", "Aktivni", ui->AktivniSMS->isChecked());
    selectPage(ui->AktivniSMS->isChecked() ? SmsPageIndex : InfoPageIndex);
}

void TForm1::BitBtn1Click()
{
    const QString ossik = companionProgramPath(m_programFolder);
    // Nothing passes between the programs, and a missing program is not reported.
    QProcess::startDetached(ossik, {}, QString());
}

void TForm1::Oprogramu1Click()
{
    Dialogs::instance().execDialog(m_about);
}

void TForm1::Konec1Click()
{
    close();
}

void TForm1::PruzkumnikClick()
{
    if (modemExchangeRunning())
        return;
    if (showObexExplorer)
        showObexExplorer();
}

void TForm1::TrayIcon1Click()
{
    if (isVisible()) {
        hide();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void TForm1::HodinyTimer()
{
    m_infoPage->showClock(m_clock.now());
}

void TForm1::HlavniPanelChange(int index)
{
    // The address book shows its first inner page and the SMS page starts its
    // first listing; those pages listen for this.
    emit pageChangedByUser(index);
}

void TForm1::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    m_hodiny->stop();
    SetModemPortOpen(false);
    for (TComPort *port : {ComPort2, GPSPort}) {
        try {
            port->ClosePort();
        } catch (const std::exception &) {
        }
    }
    m_tray->hide();
}

// --- Start-up steps ----------------------------------------------------------------

void TForm1::BuildLanguageList()
{
    QComboBox *box = m_nastaveni->cbJazyk();
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(LanguageList(m_programFolder));
}

void TForm1::ReadStartSettings()
{
    const IniFile ini(iniPath());
    ui->AktivniSMS->setChecked(ini.readBool("SMS", "Aktivni", false));
    ui->InfoMenu->setChecked(ini.readBool("Info", "Aktivni", false));
    QComboBox *box = m_nastaveni->cbJazyk();
    const int index = ini.readInteger("Info", "Jazyk", 0);
    const QSignalBlocker block(box);
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void TForm1::LoadLanguage()
{
    UseQtTranslation(m_nastaveni->cbJazyk()->currentText());
    ::LoadLanguage(LanguageFileName(m_programFolder, m_nastaveni->cbJazyk()->currentText()), this,
                   m_nastaveni, m_texts);
}

// --- Messages and errors ------------------------------------------------------------

Dialogs::Answer TForm1::showMessage(Dialogs::Icon icon, const QByteArray &text,
                                    Dialogs::Buttons buttons)
{
    return showMessage(icon, Cp1250::toUnicode(text), buttons);
}

Dialogs::Answer TForm1::showMessage(Dialogs::Icon icon, const QString &text,
                                    Dialogs::Buttons buttons)
{
    return Dialogs::instance().message(this, icon, captionFor(icon), text, buttons);
}

void TForm1::runGuarded(const std::function<void()> &handler)
{
    RunShowingErrors(this, captionFor(Dialogs::Icon::Error), handler);
}

// --- Window events -------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_readoutRunning) {
        // The port is in the middle of a read: end the readout first.
        m_cancelRequested = true;
        m_closeAfterReadout = true;
        event->ignore();
        return;
    }
    if (m_backupMenu && m_backupMenu->running()) {
        // A backup or restore ends at its next step, then the window closes.
        m_backupMenu->cancelAndClose();
        event->ignore();
        return;
    }
    m_closeAfterReadout = false;
    FormClose();
    event->accept();
    emit closed();
}

void TForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Minimizing sends the window to the tray, where there is one to bring it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized()
        && QSystemTrayIcon::isSystemTrayAvailable())
        QTimer::singleShot(0, this, &QWidget::hide);
}
