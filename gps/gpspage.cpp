#include "gpspage.h"

#include "comport.h"
#include "cp1250.h"
#include "dialogs.h"
#include "messagetexts.h"
#include "skyview.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Blank = QStringLiteral(" ");

QLabel *valueLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

// --- SkyMap -------------------------------------------------------------------

SkyMap::SkyMap(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("GPSMapa"));
    setFixedSize(SkyView::Size, SkyView::Size);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkyMap::setSatellites(const QList<Nmea::Satellite> &satellites)
{
    m_satellites = satellites;
    m_picture = QImage();
    ++m_redraws;
    update();
}

QImage SkyMap::picture() const
{
    const qreal dpr = devicePixelRatioF();
    if (m_picture.isNull() || m_picture.devicePixelRatio() != dpr)
        m_picture = SkyView::GPSMapa(m_satellites, dpr);
    return m_picture;
}

QSize SkyMap::sizeHint() const
{
    return {SkyView::Size, SkyView::Size};
}

void SkyMap::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), picture());
}

// --- GpsPage ------------------------------------------------------------------

GpsPage::GpsPage(TComPort *gpsPort, QWidget *parent)
    : QWidget(parent)
    , m_port(gpsPort)
    , m_receiver(new NmeaReceiver(this))
{
    setObjectName(QStringLiteral("GpsPage"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControl1"));
    outer->addWidget(m_pageControl);

    // "Info": position, start/stop, satellites.
    auto *info = new QWidget;
    info->setObjectName(QStringLiteral("TabSheet9"));
    auto *infoLayout = new QVBoxLayout(info);
    infoLayout->setContentsMargins(3, 3, 3, 3);
    infoLayout->setSpacing(2);

    auto *top = new QHBoxLayout;
    auto *position = new QGroupBox(QStringLiteral(" Position - GGA "), info);
    position->setObjectName(QStringLiteral("gbPosition"));
    auto *grid = new QGridLayout(position);
    grid->setContentsMargins(4, 0, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    m_longitude = valueLabel(QStringLiteral("lLongitude"), QStringLiteral("00.00 00 00"), position);
    m_latitude = valueLabel(QStringLiteral("lLatitude"), QStringLiteral("00.00 00 00"), position);
    m_altitude = valueLabel(QStringLiteral("lAltitude"), QStringLiteral("0.0"), position);
    m_time = valueLabel(QStringLiteral("lTime"), QStringLiteral("00:00:00"), position);
    m_satelits = valueLabel(QStringLiteral("lSatelits"), QStringLiteral("00"), position);
    const std::pair<const char *, QLabel *> rows[] = {
        {"Longitude :", m_longitude}, {"Latitude :", m_latitude}, {"Altitude :", m_altitude},
        {"Time :", m_time}, {"Satelits :", m_satelits},
    };
    int row = 0;
    for (const auto &[caption, value] : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(caption), position), row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    top->addWidget(position, 1);

    m_pripoj = new QPushButton(QStringLiteral("Start"), info);
    m_pripoj->setObjectName(QStringLiteral("GPSPripoj"));
    m_pripoj->setCheckable(true);
    m_pripoj->setMinimumWidth(52);
    auto *buttonColumn = new QVBoxLayout;
    buttonColumn->addSpacing(8);
    buttonColumn->addWidget(m_pripoj);
    buttonColumn->addStretch(1);
    top->addLayout(buttonColumn);
    infoLayout->addLayout(top);

    auto *direction = new QGroupBox(QStringLiteral(" Satelits "), info);
    direction->setObjectName(QStringLiteral("gbDirection"));
    auto *directionLayout = new QVBoxLayout(direction);
    directionLayout->setContentsMargins(2, 0, 2, 2);
    m_satellits = new QTreeWidget(direction);
    m_satellits->setObjectName(QStringLiteral("lvSatellits"));
    m_satellits->setColumnCount(4);
    m_satellits->setHeaderLabels({QStringLiteral("Nr."), QStringLiteral("Elevation"),
                                  QStringLiteral("Azimuth"), QStringLiteral("dB")});
    m_satellits->setRootIsDecorated(false);
    m_satellits->setUniformRowHeights(true);
    m_satellits->setAllColumnsShowFocus(true);
    m_satellits->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_satellits->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid #d0d0d0;"
                                              " border-bottom: 1px solid #d0d0d0; }"));
    m_satellits->header()->setStretchLastSection(false);
    // "Nr." carries the constellation letter too (G03, R65).
    m_satellits->setColumnWidth(0, 40);
    m_satellits->setColumnWidth(1, 58);
    m_satellits->setColumnWidth(2, 54);
    m_satellits->setColumnWidth(3, 30);
    directionLayout->addWidget(m_satellits);
    infoLayout->addWidget(direction, 1);
    m_pageControl->addTab(info, QStringLiteral("Info"));

    // "Graphic": the sky view.
    auto *graphic = new QWidget;
    graphic->setObjectName(QStringLiteral("TabSheet10"));
    auto *graphicLayout = new QHBoxLayout(graphic);
    graphicLayout->setContentsMargins(2, 2, 2, 2);
    m_mapa = new SkyMap(graphic);
    graphicLayout->addStretch(1);
    graphicLayout->addWidget(m_mapa, 0, Qt::AlignCenter);
    graphicLayout->addStretch(1);
    m_pageControl->addTab(graphic, QStringLiteral("Graphic"));

    // "Monitor": every received line.
    auto *monitor = new QWidget;
    monitor->setObjectName(QStringLiteral("TabSheet11"));
    auto *monitorLayout = new QVBoxLayout(monitor);
    monitorLayout->setContentsMargins(2, 2, 2, 2);
    m_log = new QListWidget(monitor);
    m_log->setObjectName(QStringLiteral("lbLOG"));
    m_log->setUniformItemSizes(true);
    monitorLayout->addWidget(m_log);
    m_pageControl->addTab(monitor, QStringLiteral("Monitor"));

    m_pageControl->setCurrentIndex(0);

    // The state change, not the click: a screen reader's "toggle" and the
    // keyboard change the state without a click; setButton blocks the signal.
    connect(m_pripoj, &QPushButton::toggled, this, [this](bool down) { GPSPripojClick(down); });
    connect(m_receiver, &NmeaReceiver::lineReceived, this,
            [this](const QByteArray &line) { addLogLine(line); });
    connect(m_receiver, &NmeaReceiver::fixReceived, this, &GpsPage::ShowGgaFix);
    connect(m_receiver, &NmeaReceiver::satellitesChanged, this, &GpsPage::ShowGsvSatellites);
    // A receiver unplugged while running: the port closes itself.
    connect(m_port, &TComPort::openChanged, this, [this](bool open) {
        if (!open)
            setButton(false);
    });
    m_port->OnRxChar = [this](int count) { GPSPortRxChar(count); };
}

GpsPage::~GpsPage()
{
    if (m_port)
        m_port->OnRxChar = nullptr;
}

void GpsPage::setButton(bool down)
{
    const QSignalBlocker block(m_pripoj);
    m_pripoj->setChecked(down);
    m_pripoj->setText(down ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void GpsPage::createRows()
{
    if (m_satellits->topLevelItemCount() > 0)
        return;
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < SatelliteRows; ++i)
        items.append(new QTreeWidgetItem(QStringList{Blank, Blank, Blank, Blank}));
    m_satellits->addTopLevelItems(items);
}

void GpsPage::GPSPripojClick(bool down)
{
    if (!down) {
        try {
            m_port->ClosePort();
        } catch (const EComPort &) {
            // Closing cannot be refused; the port is closed either way.
        }
        m_receiver->resetLine();
        setButton(false);
        return;
    }
    createRows();
    try {
        m_port->OpenPort();
    } catch (const EComPort &e) {
        setButton(false);
        Dialogs::instance().message(window(), Dialogs::Icon::Error, QStringLiteral("Chyba"), e.text(),
                                    Dialogs::Buttons::Ok);
        return;
    }
    m_receiver->resetLine();
    setButton(true);
}

void GpsPage::GPSPortRxChar(int count)
{
    QByteArray bytes;
    try {
        bytes = m_port->ReceiveBytes(count);
    } catch (const EComPort &) {
        // The port went away under us; it reports its closing itself.
        return;
    }
    m_receiver->feed(bytes);
}

void GpsPage::addLogLine(const QByteArray &line)
{
    // A monitor left running for days keeps the most recent lines only.
    while (m_log->count() >= LogLimit)
        delete m_log->takeItem(0);
    m_log->addItem(Cp1250::toUnicode(line));
    m_log->setCurrentRow(m_log->count() - 1);
}

void GpsPage::ShowGgaFix(const Nmea::GgaFix &fix)
{
    if (!fix.time)
        return;
    m_time->setText(Nmea::timeText(*fix.time));
    if (fix.usedPresent)
        m_satelits->setText(QString::fromLatin1(fix.used));
    if (!fix.hasFix()) {
        // The last position shown is not where the receiver is now.
        static const MessageTexts defaults = MessageTexts::defaults();
        const QString noFix = Cp1250::toUnicode((m_texts ? *m_texts : defaults).gpsNoFix);
        m_latitude->setText(noFix);
        m_longitude->setText(noFix);
        m_altitude->setText(QStringLiteral("-"));
        return;
    }
    m_latitude->setText(fix.latitude->display());
    m_longitude->setText(fix.longitude->display());
    m_altitude->setText(fix.altitude ? Nmea::altitudeText(*fix.altitude) : QStringLiteral("-"));
}

void GpsPage::ShowGsvSatellites(const QList<Nmea::Satellite> &satellites)
{
    createRows();
    const int rows = m_satellits->topLevelItemCount();
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem *item = m_satellits->topLevelItem(i);
        if (i < satellites.size()) {
            const Nmea::Satellite &s = satellites[i];
            item->setText(0, s.caption());
            item->setText(1, QString::fromLatin1(s.elevation));
            item->setText(2, QString::fromLatin1(s.azimuth));
            item->setText(3, QString::fromLatin1(s.snr));
        } else {
            for (int c = 0; c < 4; ++c)
                item->setText(c, Blank);
        }
    }
    m_mapa->setSatellites(satellites);
}
