// The GPS page on a real pseudo-terminal through the serial layer: start and
// stop, the recorded logs of data/ (each with the state it must leave beside
// it), the log bound, and the sky view redrawn at each complete GSV cycle.

#include "comport.h"
#include "gpspage.h"
#include "pty.h"
#include "scripteddialogs.h"
#include "skyview.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString DataDir = QStringLiteral(GPS_DATA_DIR);

QByteArray sentence(const QByteArray &body)
{
    return '$' + body + '*' + Nmea::checksumOf(body) + "\r\n";
}

QString rowText(QTreeWidgetItem *item)
{
    QStringList cells;
    for (int c = 0; c < 4; ++c)
        cells.append(item->text(c));
    return cells.join(u'|');
}

struct Fixture
{
    ScriptedDialogs dialogs;
    PtyPair pty;
    TComPort port{QStringLiteral("GPSPort")};
    GpsPage page{&port};

    Fixture() { port.setPort(pty.slavePath()); }
};

} // namespace

class TestGpsPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia)); }
    void startAndStop();
    void failedOpen();
    void recordedLogs_data();
    void recordedLogs();
    void logKeepsTheMostRecentLines();
    void skyRedrawnPerCompleteCycle();
};

void TestGpsPage::startAndStop()
{
    Fixture f;
    QCOMPARE(f.page.PageControl1()->currentIndex(), 0);
    QCOMPARE(f.page.GPSPripoj()->text(), QStringLiteral("Start"));
    QCOMPARE(f.page.lvSatellits()->topLevelItemCount(), 0);
    QCOMPARE(f.page.lLatitude()->text(), QStringLiteral("00.00 00 00"));
    f.page.GPSPripoj()->click();
    QVERIFY(f.port.Connected());
    QCOMPARE(f.page.GPSPripoj()->text(), QStringLiteral("Stop"));
    QCOMPARE(f.page.lvSatellits()->topLevelItemCount(), GpsPage::SatelliteRows);
    QCOMPARE(rowText(f.page.lvSatellits()->topLevelItem(99)), QStringLiteral(" | | | "));
    f.page.GPSPripoj()->click();
    QVERIFY(!f.port.Connected());
    QCOMPARE(f.page.GPSPripoj()->text(), QStringLiteral("Start"));
    QVERIFY(!f.page.GPSPripoj()->isChecked());
    QVERIFY(f.dialogs.requests.isEmpty());
}

void TestGpsPage::failedOpen()
{
    Fixture f;
    f.port.setPort(QDir::tempPath() + QStringLiteral("/no-such-gps-device"));
    f.page.GPSPripoj()->click();
    QCOMPARE(f.dialogs.requests.size(), 1);
    QCOMPARE(f.dialogs.requests[0].icon, Dialogs::Icon::Error);
    QVERIFY2(f.dialogs.requests[0].text.startsWith(QStringLiteral("Unable to open com port")),
             qPrintable(f.dialogs.requests[0].text));
    QVERIFY(!f.page.GPSPripoj()->isChecked());
    QCOMPARE(f.page.GPSPripoj()->text(), QStringLiteral("Start"));
}

void TestGpsPage::recordedLogs_data()
{
    QTest::addColumn<QString>("name");
    const QStringList logs = QDir(DataDir).entryList({QStringLiteral("*.nmea")}, QDir::Files, QDir::Name);
    QVERIFY(!logs.isEmpty());
    for (const QString &log : logs)
        QTest::newRow(qPrintable(log)) << log.chopped(5);
}

void TestGpsPage::recordedLogs()
{
    QFETCH(QString, name);
    QFile log(DataDir + u'/' + name + QStringLiteral(".nmea"));
    QFile expectedFile(DataDir + u'/' + name + QStringLiteral(".expected"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY2(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text), "each log has its .expected");
    QByteArray stream;
    for (const QByteArray &line : log.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            stream += line + '\n';
    QStringList rows;
    QMap<QString, QString> labels;
    int lines = -1;
    for (const QByteArray &raw : expectedFile.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == QLatin1String("row"))
            rows.append(value);
        else if (key == QLatin1String("log"))
            lines = value.toInt();
        else
            labels[key] = value;
    }

    Fixture f;
    f.page.GPSPripoj()->click();
    QVERIFY(f.port.Connected());
    // In uneven pieces, as a USB link delivers them.
    for (qsizetype at = 0, step = 7; at < stream.size(); at += step, step = step * 3 % 61 + 1)
        QVERIFY(f.pty.write(stream.mid(at, step)));
    QTRY_COMPARE_WITH_TIMEOUT(f.page.lbLOG()->count(), lines, 10000);
    QCOMPARE(f.page.lbLOG()->currentRow(), lines - 1);

    for (auto it = labels.cbegin(); it != labels.cend(); ++it) {
        auto *label = f.page.findChild<QLabel *>(it.key());
        QVERIFY2(label, qPrintable(it.key()));
        QCOMPARE(label->text(), it.value());
    }
    QTreeWidget *list = f.page.lvSatellits();
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        QCOMPARE(rowText(list->topLevelItem(r)), r < rows.size() ? rows[r] : QStringLiteral(" | | | "));
    QCOMPARE(f.page.GPSMapa()->satellites().size(), rows.size());
}

void TestGpsPage::logKeepsTheMostRecentLines()
{
    Fixture f;
    QByteArray burst;
    for (int i = 0; i < GpsPage::LogLimit + 25; ++i)
        burst += "$GPTXT,01,01,02,line " + QByteArray::number(i) + "\n";
    f.page.receiver()->feed(burst);
    QCOMPARE(f.page.lbLOG()->count(), GpsPage::LogLimit);
    QCOMPARE(f.page.lbLOG()->item(0)->text(), QStringLiteral("$GPTXT,01,01,02,line 25"));
    QCOMPARE(f.page.lbLOG()->currentItem()->text(),
             QStringLiteral("$GPTXT,01,01,02,line %1").arg(GpsPage::LogLimit + 24));
}

void TestGpsPage::skyRedrawnPerCompleteCycle()
{
    Fixture f;
    SkyMap *map = f.page.GPSMapa();
    const int before = map->redrawCount();
    auto red = [](const QImage &image, QPointF at) {
        int n = 0;
        for (int y = int(at.y()) - 6; y <= int(at.y()) + 6; ++y)
            for (int x = int(at.x()) - 8; x <= int(at.x()) + 8; ++x)
                n += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80;
        return n;
    };
    f.page.receiver()->feed(sentence("GPGSV,2,1,05,03,40,045,38,17,70,300,,22,10,200,25,19,55,170,41")
                            + sentence("GPGSV,2,2,05,28,20,330,29"));
    QCOMPARE(map->redrawCount(), before + 1);
    QVERIFY(red(map->picture(), SkyView::skyPosition(20, 330)) > 3);
    // The next second: 28 has gone; the first sentence alone redraws nothing.
    f.page.receiver()->feed(sentence("GPGSV,1,1,04,03,40,045,38,17,70,300,,22,10,200,25,19,55,170,41"));
    QCOMPARE(map->redrawCount(), before + 2);
    QCOMPARE(red(map->picture(), SkyView::skyPosition(20, 330)), 0);
    QVERIFY(red(map->picture(), SkyView::skyPosition(40, 45)) > 3);
    QCOMPARE(f.page.lvSatellits()->topLevelItem(4)->text(0), QStringLiteral(" "));
    f.page.receiver()->feed(sentence("GPGSV,2,1,05,03,40,045,38,17,70,300,,22,10,200,25,19,55,170,41"));
    QCOMPARE(map->redrawCount(), before + 2);
}

QTEST_MAIN(TestGpsPage)
#include "tst_gpspage.moc"
