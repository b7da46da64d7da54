#pragma once

#include "nmea.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class TComPort;
struct MessageTexts;

// The sky view control GPSMapa: 200 by 200 logical pixels, drawn from the
// satellites in view at the screen's pixel density.
class SkyMap : public QWidget
{
    Q_OBJECT

public:
    explicit SkyMap(QWidget *parent = nullptr);
    void setSatellites(const QList<Nmea::Satellite> &satellites);
    const QList<Nmea::Satellite> &satellites() const { return m_satellites; }
    // The picture as it is shown now.
    QImage picture() const;
    // How often the picture was drawn anew (once per complete GSV cycle).
    int redrawCount() const { return m_redraws; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Nmea::Satellite> m_satellites;
    mutable QImage m_picture;
    int m_redraws = 0;
};

// The GPS monitor in the group box of the locks page: the page control
// PageControl1 with "Info" (start/stop, satellites, position), "Graphic"
// (the sky view) and "Monitor" (the received lines), on the port GPSPort.
// It is independent of the modem port and of the connection state.
class GpsPage : public QWidget
{
    Q_OBJECT

public:
    // The most recent lines kept in lbLOG; older ones are dropped.
    static constexpr int LogLimit = 5000;
    // Rows of lvSatellits.
    static constexpr int SatelliteRows = 100;

    explicit GpsPage(TComPort *gpsPort, QWidget *parent = nullptr);
    ~GpsPage() override;

    QTabWidget *PageControl1() const { return m_pageControl; }
    QPushButton *GPSPripoj() const { return m_pripoj; }
    QTreeWidget *lvSatellits() const { return m_satellits; }
    QListWidget *lbLOG() const { return m_log; }
    SkyMap *GPSMapa() const { return m_mapa; }
    QLabel *lLongitude() const { return m_longitude; }
    QLabel *lLatitude() const { return m_latitude; }
    QLabel *lAltitude() const { return m_altitude; }
    QLabel *lTime() const { return m_time; }
    QLabel *lSatelits() const { return m_satelits; }
    NmeaReceiver *receiver() const { return m_receiver; }
    // The window's localized texts (the built-in defaults until set).
    void setTexts(const MessageTexts *texts) { m_texts = texts; }

    // Button down: opens GPSPort ("Stop"); up: closes it ("Start"). A failed
    // open shows the port's error and puts the button back up.
    void GPSPripojClick(bool down);
    // Receive handler of GPSPort.
    void GPSPortRxChar(int count);
    // The time of every GGA; the position only with a fix, otherwise the
    // position labels say that there is none.
    void ShowGgaFix(const Nmea::GgaFix &fix);
    void ShowGsvSatellites(const QList<Nmea::Satellite> &satellites);

private:
    void addLogLine(const QByteArray &line);
    void setButton(bool down);
    void createRows();

    // The window may destroy its port before this page.
    QPointer<TComPort> m_port;
    const MessageTexts *m_texts = nullptr;
    NmeaReceiver *m_receiver;
    QTabWidget *m_pageControl;
    QPushButton *m_pripoj;
    QTreeWidget *m_satellits;
    QListWidget *m_log;
    SkyMap *m_mapa;
    QLabel *m_longitude, *m_latitude, *m_altitude, *m_time, *m_satelits;
};
