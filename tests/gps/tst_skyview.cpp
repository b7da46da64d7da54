// The sky view: the grid, and satellites placed on the rings they belong to.

#include "skyview.h"

#include <QGuiApplication>
#include <QTest>

namespace {

bool isRed(QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; }
bool isDim(QRgb p) { return qRed(p) > 60 && qRed(p) < 170 && qGreen(p) < 60; }

// Pixels matching within radius of a logical point.
int countNear(const QImage &image, QPointF at, int radius, bool (*match)(QRgb))
{
    const qreal dpr = image.devicePixelRatio();
    int n = 0;
    for (int y = int((at.y() - radius) * dpr); y <= int((at.y() + radius) * dpr); ++y)
        for (int x = int((at.x() - radius) * dpr); x <= int((at.x() + radius) * dpr); ++x)
            if (image.valid(x, y) && match(image.pixel(x, y)))
                ++n;
    return n;
}

Nmea::Satellite sat(const char *id, const char *el, const char *az, const char *snr)
{
    Nmea::Satellite s;
    s.id = id;
    s.number = QByteArray(id).toInt();
    s.elevation = el;
    s.azimuth = az;
    s.snr = snr;
    return s;
}

} // namespace

class TestSkyView : public QObject
{
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void grid();
    void marks();
    void highDensity();
};

void TestSkyView::placement_data()
{
    QTest::addColumn<int>("elevation");
    QTest::addColumn<int>("azimuth");
    QTest::addColumn<QPointF>("at");
    // 40° elevation is 50 pixels from the centre (between the 45° and 30° rings).
    QTest::newRow("40 at 45 (north-east)") << 40 << 45 << QPointF(135.355, 64.645);
    QTest::newRow("40 at 135 (south-east)") << 40 << 135 << QPointF(135.355, 135.355);
    QTest::newRow("40 at 200 (south-south-west)") << 40 << 200 << QPointF(82.899, 146.985);
    QTest::newRow("40 at 300 (west-north-west)") << 40 << 300 << QPointF(56.699, 75.0);
    QTest::newRow("zenith is the centre") << 90 << 123 << QPointF(100, 100);
    QTest::newRow("horizon east on the outer ring") << 0 << 90 << QPointF(190, 100);
    QTest::newRow("15 north on the 15 ring") << 15 << 0 << QPointF(100, 25);
}

void TestSkyView::placement()
{
    QFETCH(int, elevation);
    QFETCH(int, azimuth);
    QFETCH(QPointF, at);
    const QPointF got = SkyView::skyPosition(elevation, azimuth);
    QVERIFY2(qAbs(got.x() - at.x()) < 0.01 && qAbs(got.y() - at.y()) < 0.01,
             qPrintable(QStringLiteral("(%1, %2)").arg(got.x()).arg(got.y())));
}

void TestSkyView::grid()
{
    const QImage image = SkyView::GPSMapa({});
    QCOMPARE(image.size(), QSize(200, 200));
    QCOMPARE(image.pixel(5, 5), SkyView::Background.rgb());
    QCOMPARE(image.pixel(150, 20), SkyView::Background.rgb());
    // The axes, and each ring where it crosses the horizontal axis's neighbourhood off the labels.
    QCOMPARE(image.pixel(100, 30), SkyView::Grid.rgb());
    QCOMPARE(image.pixel(170, 100), SkyView::Grid.rgb());
    auto green = [](QRgb p) { return p == SkyView::Grid.rgb(); };
    for (int r : {90, 75, 60, 45, 30, 15}) {
        const QPointF onRing(100 + r * 0.7071, 100 - r * 0.7071);
        QVERIFY2(countNear(image, onRing, 1, green) > 0, qPrintable(QString::number(r)));
    }
    // White labels: north at the top, the elevations down and to the left.
    auto white = [](QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200; };
    QVERIFY(countNear(image, QPointF(101, 6), 4, white) > 0);
    QVERIFY(countNear(image, QPointF(36, 160), 5, white) > 0);
    QCOMPARE(countNear(image, QPointF(100, 100), 100, isRed), 0);
}

void TestSkyView::marks()
{
    const QList<Nmea::Satellite> sats{sat("03", "40", "045", "38"), sat("17", "70", "300", ""),
                                      sat("22", "10", "200", "25"), sat("31", "", "100", "20")};
    const QImage image = SkyView::GPSMapa(sats);
    QVERIFY(countNear(image, SkyView::skyPosition(40, 45), 6, isRed) > 3);
    QVERIFY(countNear(image, SkyView::skyPosition(10, 200), 6, isRed) > 3);
    // Without a signal-to-noise value: drawn, but dim.
    QVERIFY(countNear(image, SkyView::skyPosition(70, 300), 6, isDim) > 3);
    QCOMPARE(countNear(image, SkyView::skyPosition(70, 300), 6, isRed), 0);
    // Nothing anywhere else: in particular not where the old placement put 03 (135, 40).
    QCOMPARE(countNear(image, QPointF(140, 45), 4, isRed), 0);
    int red = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            red += isRed(image.pixel(x, y));
    QCOMPARE(red, countNear(image, SkyView::skyPosition(40, 45), 12, isRed)
                      + countNear(image, SkyView::skyPosition(10, 200), 12, isRed));
}

void TestSkyView::highDensity()
{
    const QImage image = SkyView::GPSMapa({sat("03", "40", "045", "38")}, 2.0);
    QCOMPARE(image.size(), QSize(400, 400));
    QCOMPARE(image.devicePixelRatio(), 2.0);
    QVERIFY(countNear(image, SkyView::skyPosition(40, 45), 6, isRed) > 12);
}

QTEST_MAIN(TestSkyView)
#include "tst_skyview.moc"
