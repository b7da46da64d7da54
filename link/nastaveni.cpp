// The settings dialog "Nastavení" (unit nastaveni): binds the port combo
// boxes to the three port objects, applies a choice at once, stores the
// settings to torvane.ini only through the main window after OK (the
// language index here), and runs the automatic port test, which probes each
// listed device with a bounded synchronous read and leaves both probed ports
// closed. Errors: a device that cannot be opened or answers wrongly during
// the test is simply not the one (no message); a setting the open port
// refuses, a failure to list the ports and a failure to store the language
// are shown in an error box, and the dialog goes on.

#include "nastaveni.h"
#include "ui_nastaveni.h"

#include "attransport.h"
#include "comport.h"
#include "crc16_ossik.h"
#include "dialogs.h"
#include "inifile.h"

#include <QAbstractItemView>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QShowEvent>

namespace {

// The diagnostic frame of the free-space query (payload 59 0C), framed as
// ossik frames it, and the start of the handset's positive answer to it.
const QByteArray DiagProbeFrame = EncodeFrame(QByteArrayLiteral("\x59\x0C"));
const QByteArray DiagProbeAnswer("\x59\x0C\x00\x00", 4);
constexpr char DiagFrameFlag = '\x7E';

const QByteArray ModemProbeCommand("AT+CGMI\r");
const QByteArray ModemProbeAnswer("TORVANE");

// Both probes read at most this many bytes, within the bound of one
// ReceiveText of that size (3.55 s).
constexpr int ProbeReplyLimit = 255;

// The diagnostic answer. Like the AT replies, it may reach us in pieces a few
// milliseconds apart, so reading goes on until the answer frame's closing
// flag is in, within the bound of one 255-byte read.
QByteArray receiveDiagAnswer(TComPort &port)
{
    QByteArray text;
    QDeadlineTimer deadline(TComPort::readTotalTimeoutMs(ProbeReplyLimit));
    while (text.size() < ProbeReplyLimit) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        const QByteArray piece = port.ReceiveTextWithin(int(ProbeReplyLimit - text.size()), left);
        if (piece.isEmpty())
            break;
        text += piece;
        if (text.contains(DiagProbeAnswer) || text.contains(DiagFrameFlag))
            break;
    }
    return text;
}

void closeQuietly(TComPort *port)
{
    try {
        port->ClosePort();
    } catch (const std::exception &) {
    }
}

} // namespace

TFrmNastaveni::TFrmNastaveni(TComPort *comPort1, TComPort *comPort2, TComPort *gpsPort,
                             const QString &iniPath, QWidget *mainWindow, PortLister portLister)
    : QDialog(mainWindow)
    , ui(new Ui::TFrmNastaveni)
    , m_com1(comPort1)
    , m_com2(comPort2)
    , m_gps(gpsPort)
    , m_iniPath(iniPath)
    , m_mainWindow(mainWindow)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("TFrmNastaveni"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    FormCreate(portLister);

    connect(ui->cbJazyk, &QComboBox::activated, this, &TFrmNastaveni::cbJazykChange);
    connect(ui->btnOK, &QPushButton::clicked, this, &TFrmNastaveni::btnOKClick);
    connect(ui->btnTestPortu, &QPushButton::clicked, this, &TFrmNastaveni::btnTestPortuClick);

    fitSize();
}

void TFrmNastaveni::fitSize()
{
    // The design size, larger only where the fonts or the language file's
    // captions need more room.
    setFixedSize(QSize(354, 185).expandedTo(minimumSizeHint()));
    layout()->activate();
    const QRect box = ui->GroupBox1->geometry();
    ui->Panel1->setGeometry(box.x() + 20, box.center().y() - 18, box.width() - 40, 36);
    ui->Panel1->raise();
}

TFrmNastaveni::~TFrmNastaveni()
{
    delete ui;
}

QGroupBox *TFrmNastaveni::GroupBox1() const
{
    return ui->GroupBox1;
}

QLabel *TFrmNastaveni::Label1() const
{
    return ui->Label1;
}

QLabel *TFrmNastaveni::Label2() const
{
    return ui->Label2;
}

QComboBox *TFrmNastaveni::cbJazyk() const
{
    return ui->cbJazyk;
}

void TFrmNastaveni::FormCreate(const PortLister &portLister)
{
    QStringList names;
    try {
        names = portLister ? portLister() : SystemPortNames();
    } catch (const EComPort &e) {
        showPortError(e.text());
    }

    bindPortName(ui->ComComboBox1, m_com1, names);
    bindPortName(ui->ComComboBox2, m_com2, names);
    bindPortName(ui->ComComboBox7, m_gps, names);

    bindChoice(ui->ComComboBox3, TComPort::BaudTexts(), m_com1->BaudRateText());
    bindChoice(ui->ComComboBox4, TComPort::BaudTexts(), m_com2->BaudRateText());
    bindChoice(ui->ComComboBox5, TComPort::FlowControlTexts(), m_com1->FlowControlText());
    bindChoice(ui->ComComboBox6, TComPort::FlowControlTexts(), m_com2->FlowControlText());

    const auto onChoice = [this](QComboBox *box, std::function<void(const QString &)> apply) {
        connect(box, &QComboBox::activated, this, [this, box, apply](int index) {
            applySetting([&] { apply(box->itemText(index)); });
        });
    };
    onChoice(ui->ComComboBox3, [this](const QString &t) { m_com1->setBaudRateText(t); });
    onChoice(ui->ComComboBox4, [this](const QString &t) { m_com2->setBaudRateText(t); });
    onChoice(ui->ComComboBox5, [this](const QString &t) { m_com1->setFlowControlText(t); });
    onChoice(ui->ComComboBox6, [this](const QString &t) { m_com2->setFlowControlText(t); });
}

void TFrmNastaveni::bindPortName(QComboBox *box, TComPort *port, const QStringList &names)
{
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // Long device paths must not widen the dialog; the open list shows them whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(11);
    box->addItems(names);
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 8);

    const int index = box->findText(port->Port());
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(port->Port());

    connect(box, &QComboBox::activated, this, [this, box, port](int index) {
        applyPortName(port, box->itemText(index));
    });
    connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, box, port] {
        const QString typed = box->currentText().trimmed();
        if (!typed.isEmpty())
            applyPortName(port, typed);
    });
}

void TFrmNastaveni::bindChoice(QComboBox *box, const QStringList &choices, const QString &current)
{
    box->addItems(choices);
    box->setCurrentIndex(box->findText(current));
}

void TFrmNastaveni::applyPortName(TComPort *port, const QString &name)
{
    if (name == port->Port())
        return;
    try {
        port->setPort(name);
    } catch (const EComPort &e) {
        closeQuietly(port);
        showPortError(e.text());
    }
}

void TFrmNastaveni::applySetting(const std::function<void()> &apply)
{
    try {
        apply();
    } catch (const EComPort &e) {
        showPortError(e.text());
    }
}

void TFrmNastaveni::showPortError(const QString &text)
{
    Dialogs::instance().message(this, Dialogs::Icon::Error, QGuiApplication::applicationDisplayName(),
                                text, Dialogs::Buttons::Ok);
}

void TFrmNastaveni::setProgress(const QString &text)
{
    ui->Panel1->setText(text);
    ui->Panel1->repaint();
}

void TFrmNastaveni::cbJazykChange()
{
    if (onLanguageChanged)
        onLanguageChanged();
}

void TFrmNastaveni::btnOKClick()
{
    IniFile ini(m_iniPath);
    if (!ini.writeInteger("Info", "Jazyk", ui->cbJazyk->currentIndex()))
        showPortError(EComPort(QStringLiteral("Failed to store settings")).text());
    accept();
}

void TFrmNastaveni::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    fitSize();
    if (!m_mainWindow)
        return;
    const QRect main = m_mainWindow->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2,
         main.top() + main.height() / 2 - own.height() / 2);
}

void TFrmNastaveni::btnTestPortuClick()
{
    // The probes block the window thread; a click that a port layer lets
    // through meanwhile must not start a second run over the first.
    if (m_testRunning)
        return;
    m_testRunning = true;

    closeQuietly(m_com1);
    closeQuietly(m_com2);

    const QString testBaud = QStringLiteral("115200");
    ui->ComComboBox3->setCurrentIndex(ui->ComComboBox3->findText(testBaud));
    ui->ComComboBox4->setCurrentIndex(ui->ComComboBox4->findText(testBaud));
    ui->ComComboBox1->setCurrentIndex(-1);
    ui->ComComboBox2->setCurrentIndex(-1);
    applySetting([&] {
        m_com1->setBaudRateText(testBaud);
        m_com2->setBaudRateText(testBaud);
    });

    ui->Panel1->show();

    // When no candidate answers, entry 0 is shown and also put in force, so
    // that what OK stores is what the box shows.
    const auto fallBackToFirst = [](QComboBox *box, TComPort *port) {
        if (box->count() == 0)
            return;
        box->setCurrentIndex(0);
        port->setPort(box->itemText(0));  // the port is closed: nothing is opened here
    };

    bool found = false;
    for (int i = 0; i < ui->ComComboBox2->count() && !found; ++i)
        found = TestDiagnosticPort(i);
    if (!found)
        fallBackToFirst(ui->ComComboBox2, m_com2);

    found = false;
    for (int i = 0, n = ui->ComComboBox1->count(); i < n && !found; ++i)
        found = TestNextModemPort();
    if (!found)
        fallBackToFirst(ui->ComComboBox1, m_com1);

    ui->Panel1->hide();
    m_testRunning = false;
}

// One probe of a candidate: open it, send the request, look for the answer,
// close it again. Any error counts as "not found", without a message.
static bool probePort(TComPort *port, const QString &name, const QByteArray &request,
                      const std::function<bool(TComPort &)> &answered)
{
    closeQuietly(port);
    bool ok = false;
    try {
        port->setPort(name);
        port->OpenPort();
        port->SendText(request);
        ok = answered(*port);
    } catch (const std::exception &) {
        ok = false;
    }
    closeQuietly(port);
    return ok;
}

bool TFrmNastaveni::TestDiagnosticPort(int index)
{
    closeQuietly(m_com2);
    ui->ComComboBox2->setCurrentIndex(index);
    const QString name = ui->ComComboBox2->itemText(index);
    setProgress(QStringLiteral("Diagnost. port: ") + name + QStringLiteral(" / ")
                + ui->ComComboBox4->currentText());
    return probePort(m_com2, name, DiagProbeFrame, [](TComPort &port) {
        return receiveDiagAnswer(port).contains(DiagProbeAnswer);
    });
}

bool TFrmNastaveni::TestNextModemPort()
{
    closeQuietly(m_com1);
    const int index = ui->ComComboBox1->currentIndex() + 1;
    ui->ComComboBox1->setCurrentIndex(index);
    const QString name = ui->ComComboBox1->itemText(index);
    setProgress(QStringLiteral("Port modem: ") + name + QStringLiteral(" / ")
                + ui->ComComboBox3->currentText());
    return probePort(m_com1, name, ModemProbeCommand, [](TComPort &port) {
        return ReceiveReply(port, ProbeReplyLimit).contains(ModemProbeAnswer);
    });
}
