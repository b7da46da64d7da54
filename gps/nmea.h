#pragma once

// NMEA 0183 as the handset's GPS receiver sends it on GPSPort.
//
// The stream is cut into lines at LF; CR is dropped wherever it appears, so
// CR LF and LF alone end a line alike. A line may arrive in any number of
// pieces. A line longer than MaxLineLength characters (a real sentence has
// at most 82) is dropped whole when its line feed comes: its start alone
// could pass for a sentence, and junk without line feeds cannot grow memory.
//
// A sentence is "$" + talker (two letters) + type + "," fields [ "*hh" ].
// A checksum that is present must match (XOR of the characters between "$"
// and "*"); a sentence whose checksum does not match is logged but never
// parsed, so a corrupted line cannot move the shown position. A sentence
// without a checksum is parsed, as NMEA allows.
//
// GGA (the fix) and GSV (satellites in view) are understood with any talker
// of a satellite receiver (GP, GN, GL, GA, GB, BD, GQ); GSA and RMC are
// recognised and not used. Satellites are kept apart by constellation: a
// GLONASS and a GPS satellite may share a number.
//
// The satellites in view are those of the latest complete GSV cycle (the
// sentences 1 to N of one report, in order, all with the same counts) of
// each talker. A cycle with a
// sentence missing or out of order is dropped, and the previous one stays.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTime>

#include <optional>

namespace Nmea {

constexpr int MaxLineLength = 1024;
// Entries of SplitNmeaFields, as the display code indexes them.
constexpr int FieldCount = 99;

enum class Checksum { Absent, Good, Bad };
// Whether line (without CR LF) carries a checksum and whether it matches.
// A "*" not followed by exactly two hexadecimal digits counts as bad.
Checksum checkSum(QByteArrayView line);
// The two upper-case hex digits of the checksum of body (the text between
// "$" and "*").
QByteArray checksumOf(QByteArrayView body);

// The fields of a sentence: FieldCount entries, all empty at first. The first
// seven characters ("$GPGGA,") are skipped; from then on "," and "*" start
// the next entry, so the checksum becomes the entry after the last field.
// Characters beyond the last entry are dropped.
QList<QByteArray> SplitNmeaFields(QByteArrayView line);

enum class Constellation { Gps, Glonass, Galileo, BeiDou, Qzss, Sbas, Unknown };
// "GPS", "GLONASS", "Galileo", "BeiDou", "QZSS", "SBAS", "unknown".
QByteArray constellationName(Constellation c);
// The one-letter prefix of a satellite number in lists: G R E C J S ?.
char constellationLetter(Constellation c);
// The constellation of a talker ("GP" -> Gps, "GL" -> Glonass, ...); for the
// combined talker "GN" by the satellite number's NMEA range (1-32 GPS,
// 33-64 SBAS, 65-96 GLONASS).
Constellation constellationOf(QByteArrayView talker, int satelliteNumber);

// One satellite of a GSV sentence; the texts as received.
struct Satellite
{
    Constellation constellation = Constellation::Gps;
    int number = 0;
    QByteArray id;         // number text, e.g. "03"
    QByteArray elevation;  // degrees 0..90, may be empty
    QByteArray azimuth;    // degrees 0..359, may be empty
    QByteArray snr;        // dB, empty when the satellite is not tracked

    // The list caption: constellation letter and the number as received ("G03").
    QString caption() const;
    std::optional<int> elevationValue() const;
    std::optional<int> azimuthValue() const;
    std::optional<int> snrValue() const;
    bool operator==(const Satellite &) const = default;
};
// The order of lists: by constellation, then by number.
bool satelliteBefore(const Satellite &a, const Satellite &b);

// One coordinate of a GGA sentence.
struct Coordinate
{
    int degrees = 0;
    int minutes = 0;       // whole minutes
    double fraction = 0;   // fraction of a minute, 0 <= fraction < 1
    char hemisphere = 'N'; // N, S, E or W

    // Signed decimal degrees (south and west negative).
    double decimalDegrees() const;
    // Degrees, point, whole minutes, seconds in two pairs (hundredths of a
    // second), hemisphere letter: 4807.038 N -> "48.07 02 28 N".
    QString display() const;
};

// What a GGA sentence gave. No time means nothing at all. Latitude and
// longitude come as a pair or not at all, and only with a fix (a quality of
// 1 or more): a receiver that lost its fix may repeat its last position
// with quality 0, which is not where it is now. The altitude comes only
// with the position. The satellites used are taken whenever they are valid.
struct GgaFix
{
    QByteArray talker;
    std::optional<QTime> time;
    std::optional<int> quality;      // 0 no fix, 1 GPS, 2 differential, ...
    std::optional<Coordinate> latitude;
    std::optional<Coordinate> longitude;
    std::optional<double> altitude;  // metres above mean sea level
    QByteArray used;                 // satellites used, as received ("08")
    bool usedPresent = false;

    // A current position: the receiver has a fix and sent where it is.
    bool hasFix() const { return latitude.has_value(); }
};

// One GSV sentence.
struct GsvSentence
{
    QByteArray talker;
    int count = 0;    // sentences in the cycle
    int index = 0;    // this sentence, 1..count
    int inView = 0;   // satellites in view
    QList<Satellite> satellites;  // up to four
};

enum class SentenceKind { None, Gga, Gsv, Gsa, Rmc, Other };

// Classifies a line: "$" and a two-letter talker, then the type.
SentenceKind kindOf(QByteArrayView line);
std::optional<GgaFix> parseGga(QByteArrayView line);
// Nothing for a sentence whose counts are not numbers or not consistent.
std::optional<GsvSentence> parseGsv(QByteArrayView line);

// Display texts of the fix, "." as the decimal separator whatever the locale.
// Time in the default locale's long time format without a time zone (no zone
// conversion is made, so none is named).
QString timeText(const QTime &time);
// One decimal, the locale's digit grouping (none where the locale groups
// with a point, which would read as a decimal point here).
QString altitudeText(double metres);

// Cuts the byte stream into lines (GpsLineBuffer holds the line being received).
class LineAssembler
{
public:
    // Appends bytes; returns the lines completed by them, without CR and LF.
    QList<QByteArray> feed(QByteArrayView bytes);
    QByteArray GpsLineBuffer;
    // Lines dropped because they were longer than MaxLineLength.
    int overlongLines() const { return m_overlong; }

private:
    bool m_tooLong = false;  // the line being received is past MaxLineLength
    int m_overlong = 0;
};

// The satellites in view from the GSV cycles of every talker.
class SatelliteTable
{
public:
    // Takes one GSV sentence; true when it completed a cycle and the
    // satellites in view changed as a whole (even to the same set).
    bool take(const GsvSentence &gsv);
    // The satellites of the latest complete cycle of each talker, sorted.
    QList<Satellite> SatellitsList() const;
    void clear();

private:
    struct Cycle
    {
        QByteArray talker;
        QList<Satellite> complete;
        QList<Satellite> pending;
        int expected = 0;  // next sentence index of the pending cycle, 0: none
        int count = 0;
        int inView = 0;
    };
    QList<Cycle> m_cycles;
};

} // namespace Nmea

// The receiver's state machine, fed with the bytes of the GPS port.
class NmeaReceiver : public QObject
{
    Q_OBJECT

public:
    explicit NmeaReceiver(QObject *parent = nullptr);

    // Bytes as they arrived; may end anywhere.
    void feed(QByteArrayView bytes);
    // One complete line (without CR LF): logged, then parsed (ParseNmeaSentence).
    void ParseNmeaSentence(const QByteArray &line);

    QList<Nmea::Satellite> satellites() const { return m_table.SatellitsList(); }
    const Nmea::LineAssembler &lines() const { return m_lines; }
    // Forgets the partial line (after the port was closed).
    void resetLine() { m_lines = Nmea::LineAssembler(); }

signals:
    // Every line, the empty and the corrupted ones included.
    void lineReceived(const QByteArray &line, Nmea::Checksum checksum);
    // A GGA sentence with a time.
    void fixReceived(const Nmea::GgaFix &fix);
    // A GSV cycle completed: the satellites now in view.
    void satellitesChanged(const QList<Nmea::Satellite> &satellites);

private:
    Nmea::LineAssembler m_lines;
    Nmea::SatelliteTable m_table;
};
