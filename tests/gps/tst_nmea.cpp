// The NMEA reader without a port: lines, checksums, fields, the fix and its
// display texts, GSV cycles and the satellites in view.

#include "nmea.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace Nmea;

Q_DECLARE_METATYPE(Nmea::Checksum)

namespace {

// The sentence with its correct checksum appended.
QByteArray sentence(const QByteArray &body)
{
    return '$' + body + '*' + checksumOf(body);
}

QStringList captions(const QList<Satellite> &sats)
{
    QStringList out;
    for (const Satellite &s : sats)
        out.append(s.caption());
    return out;
}

} // namespace

class TestNmea : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia)); }
    void lines_data();
    void lines();
    void checksums_data();
    void checksums();
    void fields();
    void gga_data();
    void gga();
    void displayTexts_data();
    void displayTexts();
    void gsvCycles_data();
    void gsvCycles();
    void receiverSkipsCorruptedSentences();
};

void TestNmea::lines_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("left");
    QTest::newRow("CR LF") << QList<QByteArray>{"$GPGSA,A*1E\r\n"} << QList<QByteArray>{"$GPGSA,A*1E"} << QByteArray();
    QTest::newRow("LF alone") << QList<QByteArray>{"$GPGSA,A*1E\n"} << QList<QByteArray>{"$GPGSA,A*1E"} << QByteArray();
    QTest::newRow("split anywhere") << QList<QByteArray>{"$GP", "GSA,A*1E\r", "\n$GPR", "MC"}
                                    << QList<QByteArray>{"$GPGSA,A*1E"} << QByteArray("$GPRMC");
    QTest::newRow("empty lines are lines") << QList<QByteArray>{"\r\n\n"} << QList<QByteArray>{"", ""} << QByteArray();
    QTest::newRow("CR inside dropped") << QList<QByteArray>{"$GP\rGGA\n"} << QList<QByteArray>{"$GPGGA"} << QByteArray();
    QTest::newRow("a line of the buffer's length is kept")
        << QList<QByteArray>{QByteArray(MaxLineLength, 'x') + "\n"}
        << QList<QByteArray>{QByteArray(MaxLineLength, 'x')} << QByteArray();
    // Cut at the buffer's length, this one would read as a GGA without a
    // checksum: the whole line goes, the next one is whole again.
    const QByteArray longGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"
                               + QByteArray(2 * MaxLineLength, ',') + "*00";
    QTest::newRow("an overlong line is dropped whole")
        << QList<QByteArray>{longGga.first(700), longGga.sliced(700) + "\r\n$GPGSA,A*1E\r\n"}
        << QList<QByteArray>{"$GPGSA,A*1E"} << QByteArray();
    QTest::newRow("endless junk stays bounded")
        << QList<QByteArray>{QByteArray(3 * MaxLineLength, 'x'), QByteArray(3 * MaxLineLength, 'x')}
        << QList<QByteArray>{} << QByteArray();
}

void TestNmea::lines()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, left);
    LineAssembler a;
    QList<QByteArray> got;
    for (const QByteArray &p : pieces)
        got += a.feed(p);
    QCOMPARE(got, lines);
    QCOMPARE(a.GpsLineBuffer, left);
    QVERIFY(a.GpsLineBuffer.size() <= MaxLineLength);
}

void TestNmea::checksums_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Checksum>("result");
    const QByteArray gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    QTest::newRow("good") << gga + "*47" << Checksum::Good;
    QTest::newRow("lower-case digits") << QByteArray("$GPGSV,1,1,00*79").toLower().replace("$gpgsv", "$GPGSV")
                                       << Checksum::Good;
    QTest::newRow("wrong") << gga + "*46" << Checksum::Bad;
    QTest::newRow("changed digit") << QByteArray(gga).replace("4807", "4817") + "*47" << Checksum::Bad;
    QTest::newRow("one digit") << gga + "*4" << Checksum::Bad;
    QTest::newRow("not hex") << gga + "*4G" << Checksum::Bad;
    QTest::newRow("absent") << gga << Checksum::Absent;
    QTest::newRow("no dollar") << QByteArray("GPGGA*47") << Checksum::Bad;
}

void TestNmea::checksums()
{
    QFETCH(QByteArray, line);
    QFETCH(Checksum, result);
    QCOMPARE(checkSum(line), result);
}

void TestNmea::fields()
{
    const QList<QByteArray> f = SplitNmeaFields("$GPGGA,123519,4807.038,N,,*47");
    QCOMPARE(f.size(), FieldCount);
    QCOMPARE(f.mid(0, 6), (QList<QByteArray>{"123519", "4807.038", "N", "", "", "47"}));
    QVERIFY(SplitNmeaFields("$GPGGA,").join().isEmpty());
    // Past the last entry characters are dropped, not written anywhere.
    const QList<QByteArray> many = SplitNmeaFields("$GPXXX," + QByteArray(200, ','));
    QCOMPARE(many.size(), FieldCount);
}

void TestNmea::gga_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("latitude");   // display text, empty: none
    QTest::addColumn<QString>("longitude");
    QTest::addColumn<double>("lat");         // signed decimal degrees (when longitude present)
    QTest::addColumn<double>("lon");
    QTest::addColumn<QString>("used");
    QTest::addColumn<bool>("fix");

    QTest::newRow("worked example")
        << QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47") << true << "12:35:19"
        << "48.07 02 28 N" << "11.31 00 00 E" << 48.1173 << 11.516666667 << "08" << true;
    QTest::newRow("south and west") << sentence("GNGGA,201502.25,3436.5210,S,05822.9170,W,1,07,1.1,25.0,M,,M,,")
                                    << true << "20:15:02" << "34.36 31 26 S" << "58.22 55 02 W" << -34.608683
                                    << -58.38195 << "07" << true;
    QTest::newRow("seconds round up into the next degree")
        << sentence("GPGGA,000000,4759.99999,N,00000.0000,E,1,04,,1.0,M,,M,,") << true << "0:00:00" << "48.00 00 00 N"
        << "0.00 00 00 E" << 47.9999998 << 0.0 << "04" << true;
    QTest::newRow("no time: nothing") << sentence("GPGGA,,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") << false
                                      << "" << "" << "" << 0.0 << 0.0 << "" << false;
    QTest::newRow("no position yet: the time only") << sentence("GPGGA,235959.00,,,,,0,00,99.99,,,,,,") << true
                                                    << "23:59:59" << "" << "" << 0.0 << 0.0 << "00" << false;
    QTest::newRow("hemisphere missing: no position") << sentence("GPGGA,123519,4807.038,,01131.000,E,1,08,,1,M,,M,,")
                                                    << true << "12:35:19" << "" << "" << 0.0 << 0.0 << "08" << false;
    QTest::newRow("minutes 60 are not a latitude") << sentence("GPGGA,123519,4860.000,N,01131.000,E,1,08,,1,M,,M,,")
                                                   << true << "12:35:19" << "" << "" << 0.0 << 0.0 << "08" << false;
    // Latitude and longitude come as a pair: a good latitude beside a bad
    // longitude is no position either.
    QTest::newRow("bad longitude takes the latitude along")
        << sentence("GPGGA,123519,4807.038,N,01131.000,X,1,08,0.9,545.4,M,,M,,") << true << "12:35:19" << "" << ""
        << 0.0 << 0.0 << "08" << false;
    // A receiver that lost its fix repeats its last position with quality 0.
    QTest::newRow("quality 0: the old position is not current")
        << sentence("GPGGA,123520,4807.038,N,01131.000,E,0,00,99.99,545.4,M,46.9,M,,") << true << "12:35:20" << ""
        << "" << 0.0 << 0.0 << "00" << false;
    QTest::newRow("no quality: no fix")
        << sentence("GPGGA,123520,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,") << true << "12:35:20" << ""
        << "" << 0.0 << 0.0 << "08" << false;
    QTest::newRow("differential fix") << sentence("GPGGA,123521,4807.038,N,01131.000,E,2,09,0.9,545.4,M,46.9,M,,")
                                      << true << "12:35:21" << "48.07 02 28 N" << "11.31 00 00 E" << 48.1173
                                      << 11.516666667 << "09" << true;
    QTest::newRow("hour 25 is no time") << sentence("GPGGA,253519,4807.038,N,01131.000,E,1,08,,1,M,,M,,") << false
                                        << "" << "" << "" << 0.0 << 0.0 << "" << false;
    QTest::newRow("bad checksum") << QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48")
                                  << false << "" << "" << "" << 0.0 << 0.0 << "" << false;
}

void TestNmea::gga()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, parsed);
    const auto fix = parseGga(line);
    QCOMPARE(fix.has_value(), parsed);
    if (!fix)
        return;
    QFETCH(QString, time);
    QFETCH(QString, latitude);
    QFETCH(QString, longitude);
    QCOMPARE(timeText(*fix->time), time);
    QCOMPARE(fix->latitude ? fix->latitude->display() : QString(), latitude);
    QCOMPARE(fix->longitude ? fix->longitude->display() : QString(), longitude);
    if (fix->longitude) {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QVERIFY2(qAbs(fix->latitude->decimalDegrees() - lat) < 1e-6, qPrintable(QString::number(fix->latitude->decimalDegrees(), 'f', 8)));
        QVERIFY(qAbs(fix->longitude->decimalDegrees() - lon) < 1e-6);
    }
    QFETCH(QString, used);
    QCOMPARE(QString::fromLatin1(fix->used), used);
    QTEST(fix->hasFix(), "fix");
    // The altitude comes with the position only.
    QCOMPARE(fix->altitude.has_value(), fix->hasFix());
}

void TestNmea::displayTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("metres");
    QTest::addColumn<QString>("altitude");
    QTest::addColumn<QString>("time");  // of 12:35:19
    QTest::newRow("cs") << "cs_CZ" << 545.44 << "545.4" << "12:35:19";
    QTest::newRow("cs thousands") << "cs_CZ" << 1234.56 << QStringLiteral("1\u00a0234.6") << "12:35:19";
    QTest::newRow("en thousands") << "en_US" << 1234.5 << "1,234.5" << "12:35:19 PM";
    QTest::newRow("de groups with a point: none") << "de_DE" << 1234.5 << "1234.5" << "12:35:19";
    QTest::newRow("below sea level") << "cs_CZ" << -0.04 << "0.0" << "12:35:19";
    QTest::newRow("Dead Sea") << "cs_CZ" << -430.0 << "-430.0" << "12:35:19";
}

void TestNmea::displayTexts()
{
    QFETCH(QString, locale);
    QFETCH(double, metres);
    QLocale::setDefault(QLocale(locale));
    const QString alt = altitudeText(metres);
    const QString time = timeText(QTime(12, 35, 19));
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    QTEST(alt, "altitude");
    QTEST(time, "time");
}

void TestNmea::gsvCycles_data()
{
    QTest::addColumn<QList<QByteArray>>("bodies");  // sentences without "$" and checksum
    QTest::addColumn<int>("cycles");                // complete cycles among them
    QTest::addColumn<QStringList>("inView");

    const QByteArray two = "GPGSV,2,1,05,03,40,045,38,17,70,300,,22,10,200,25,28,03,330,";
    QTest::newRow("number order, not arrival order")
        << QList<QByteArray>{"GPGSV,1,1,03,22,10,200,25,03,40,045,38,17,70,300,"} << 1
        << QStringList{"G03", "G17", "G22"};
    QTest::newRow("two groups and two empty ones")
        << QList<QByteArray>{"GPGSV,1,1,02,03,40,045,38,17,70,300,,,,,,,,,"} << 1 << QStringList{"G03", "G17"};
    QTest::newRow("no satellites in view empties the list")
        << QList<QByteArray>{"GPGSV,1,1,01,03,40,045,38", "GPGSV,1,1,00"} << 2 << QStringList{};
    QTest::newRow("a satellite leaves")
        << QList<QByteArray>{two, "GPGSV,2,2,05,30,05,010,", QByteArray(two).replace("05,03", "04,03").replace(",28,03,330,", ""), "GPGSV,2,2,04"}
        << 2 << QStringList{"G03", "G17", "G22"};
    QTest::newRow("a lost sentence keeps the last complete cycle")
        << QList<QByteArray>{"GPGSV,1,1,01,03,40,045,38", "GPGSV,2,1,05,07,12,090,20", "GPGSV,3,3,05,09,30,140,31",
                             "GPGSV,2,2,05,09,30,140,31"}
        << 1 << QStringList{"G03"};
    QTest::newRow("numeric checksum is no satellite")  // "*47" would read as satellite 47
        << QList<QByteArray>{"GPGSV,1,1,01,03,40,045,38"} << 1 << QStringList{"G03"};
    QTest::newRow("signal ID after the groups") << QList<QByteArray>{"GPGSV,1,1,02,03,40,045,38,17,70,300,41,1"} << 1
                                                << QStringList{"G03", "G17"};
    QTest::newRow("constellations kept apart")
        << QList<QByteArray>{"GPGSV,1,1,01,03,40,045,38", "GAGSV,1,1,01,03,64,130,40", "GLGSV,1,1,01,65,52,080,35"}
        << 3 << QStringList{"G03", "R65", "E03"};
    QTest::newRow("GN talker by number range")
        << QList<QByteArray>{"GNGSV,1,1,03,70,20,100,30,05,10,010,20,40,30,200,"} << 1
        << QStringList{"G05", "R70", "S40"};
    QTest::newRow("counts that make no sense")
        << QList<QByteArray>{"GPGSV,0,1,01,03,40,045,38", "GPGSV,1,2,01,03,40,045,38", "GPGSV,x,1,01,03,40,045,38"}
        << 0 << QStringList{};
}

void TestNmea::gsvCycles()
{
    QFETCH(QList<QByteArray>, bodies);
    NmeaReceiver receiver;
    QSignalSpy changed(&receiver, &NmeaReceiver::satellitesChanged);
    for (const QByteArray &b : bodies)
        receiver.ParseNmeaSentence(sentence(b));
    QTEST(int(changed.count()), "cycles");
    QTEST(captions(receiver.satellites()), "inView");
}

void TestNmea::receiverSkipsCorruptedSentences()
{
    NmeaReceiver receiver;
    QSignalSpy lines(&receiver, &NmeaReceiver::lineReceived);
    QSignalSpy fixes(&receiver, &NmeaReceiver::fixReceived);
    receiver.feed("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                  "$GPGGA,123520,4817.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                  "$GPGSV,1,1,01,03,40,045,38*00\r\n\r\n");
    QCOMPARE(lines.count(), 4);
    QCOMPARE(lines.at(1).at(1).value<Checksum>(), Checksum::Bad);
    QCOMPARE(fixes.count(), 1);
    QVERIFY(receiver.satellites().isEmpty());
}

QTEST_GUILESS_MAIN(TestNmea)
#include "tst_nmea.moc"
