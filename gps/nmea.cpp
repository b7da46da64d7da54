#include "nmea.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace Nmea {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool allDigits(QByteArrayView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number of at most six digits; nothing for anything else.
std::optional<int> wholeNumber(QByteArrayView text)
{
    if (!allDigits(text) || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// A decimal number with "." as the separator and an optional sign.
std::optional<double> decimalNumber(QByteArrayView text)
{
    static const QRegularExpression form(QStringLiteral("^[-+]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    const QString s = QString::fromLatin1(text);
    if (text.size() > 32 || !form.match(s).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = s.toDouble(&ok);  // QString::toDouble is locale-independent
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// The sentence up to its checksum, without "$": what the fields are cut from.
QByteArrayView bodyOf(QByteArrayView line)
{
    if (line.isEmpty() || line.front() != '$')
        return {};
    line = line.sliced(1);
    const qsizetype star = line.lastIndexOf('*');
    return star >= 0 ? line.first(star) : line;
}

// The fields after the address field, cut at commas: as many as the sentence
// has, so that a trailing field is not mistaken for the start of a group.
QList<QByteArrayView> bodyFields(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    const QByteArrayView body = bodyOf(line);
    const qsizetype comma = body.indexOf(',');
    if (comma < 0)
        return fields;
    QByteArrayView rest = body.sliced(comma + 1);
    for (;;) {
        const qsizetype next = rest.indexOf(',');
        if (next < 0) {
            fields.append(rest);
            break;
        }
        fields.append(rest.first(next));
        rest = rest.sliced(next + 1);
    }
    return fields;
}

QByteArrayView field(const QList<QByteArrayView> &fields, int i)
{
    return i < fields.size() ? fields[i] : QByteArrayView();
}

QByteArray talkerOf(QByteArrayView line)
{
    return line.size() >= 3 ? line.sliced(1, 2).toByteArray() : QByteArray();
}

bool satelliteTalker(QByteArrayView talker)
{
    static const QByteArrayView talkers[] = {"GP", "GN", "GL", "GA", "GB", "BD", "GQ"};
    return std::find(std::begin(talkers), std::end(talkers), talker) != std::end(talkers);
}

// ddmm.mmmm (latitude, degreeDigits 2) or dddmm.mmmm (longitude, 3); a
// receiver may leave out leading zeros of the degrees.
std::optional<Coordinate> coordinate(QByteArrayView value, QByteArrayView hemisphere, int maxDegrees,
                                     QByteArrayView hemispheres)
{
    if (hemisphere.size() != 1 || !hemispheres.contains(hemisphere.front()))
        return std::nullopt;
    const qsizetype point = value.indexOf('.');
    const QByteArrayView whole = point >= 0 ? value.first(point) : value;
    const QByteArrayView decimals = point >= 0 ? value.sliced(point + 1) : QByteArrayView();
    if (whole.size() < 3 || whole.size() > 5 || !allDigits(whole)
        || (!decimals.isEmpty() && (!allDigits(decimals) || decimals.size() > 9)))
        return std::nullopt;
    Coordinate c;
    c.degrees = *wholeNumber(whole.first(whole.size() - 2));
    c.minutes = *wholeNumber(whole.last(2));
    double fraction = 0;
    double scale = 0.1;
    for (char d : decimals) {
        fraction += (d - '0') * scale;
        scale /= 10;
    }
    c.fraction = fraction;
    c.hemisphere = hemisphere.front();
    if (c.minutes > 59 || c.degrees > maxDegrees || (c.degrees == maxDegrees && (c.minutes || fraction > 0)))
        return std::nullopt;
    return c;
}

std::optional<QTime> utcTime(QByteArrayView f)
{
    if (f.size() < 6 || !allDigits(f.first(6)))
        return std::nullopt;
    if (f.size() > 6 && (f[6] != '.' || (f.size() > 7 && !allDigits(f.sliced(7)))))
        return std::nullopt;
    const int h = *wholeNumber(f.first(2));
    const int m = *wholeNumber(f.sliced(2, 2));
    const int s = *wholeNumber(f.sliced(4, 2));
    // A leap second (60) is shown as the last second of its minute.
    const QTime t(h, m, std::min(s, 59));
    if (!t.isValid() || s > 60)
        return std::nullopt;
    return t;
}

} // namespace

Checksum checkSum(QByteArrayView line)
{
    const qsizetype star = line.lastIndexOf('*');
    if (star < 0)
        return Checksum::Absent;
    if (line.isEmpty() || line.front() != '$')
        return Checksum::Bad;
    QByteArrayView digits = line.sliced(star + 1);
    while (!digits.isEmpty() && (digits.back() == ' ' || digits.back() == '\t'))
        digits.chop(1);
    if (digits.size() != 2 || hexValue(digits[0]) < 0 || hexValue(digits[1]) < 0)
        return Checksum::Bad;
    const QByteArray expected = checksumOf(line.sliced(1, star - 1));
    return expected.compare(digits.toByteArray(), Qt::CaseInsensitive) == 0 ? Checksum::Good
                                                                             : Checksum::Bad;
}

QByteArray checksumOf(QByteArrayView body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return QByteArray::number(sum, 16).toUpper().rightJustified(2, '0');
}

QList<QByteArray> SplitNmeaFields(QByteArrayView line)
{
    QList<QByteArray> fields(FieldCount);
    int entry = 0;
    for (qsizetype i = 7; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ',' || c == '*') {
            if (++entry >= FieldCount)
                break;
        } else {
            fields[entry].append(c);
        }
    }
    return fields;
}

QByteArray constellationName(Constellation c)
{
    switch (c) {
    case Constellation::Gps: return "GPS";
    case Constellation::Glonass: return "GLONASS";
    case Constellation::Galileo: return "Galileo";
    case Constellation::BeiDou: return "BeiDou";
    case Constellation::Qzss: return "QZSS";
    case Constellation::Sbas: return "SBAS";
    case Constellation::Unknown: break;
    }
    return "unknown";
}

char constellationLetter(Constellation c)
{
    switch (c) {
    case Constellation::Gps: return 'G';
    case Constellation::Glonass: return 'R';
    case Constellation::Galileo: return 'E';
    case Constellation::BeiDou: return 'C';
    case Constellation::Qzss: return 'J';
    case Constellation::Sbas: return 'S';
    case Constellation::Unknown: break;
    }
    return '?';
}

Constellation constellationOf(QByteArrayView talker, int n)
{
    if (talker == "GP")
        return Constellation::Gps;
    if (talker == "GL")
        return Constellation::Glonass;
    if (talker == "GA")
        return Constellation::Galileo;
    if (talker == "GB" || talker == "BD")
        return Constellation::BeiDou;
    if (talker == "GQ")
        return Constellation::Qzss;
    if (talker == "GN") {
        if (n >= 1 && n <= 32)
            return Constellation::Gps;
        if (n >= 33 && n <= 64)
            return Constellation::Sbas;
        if (n >= 65 && n <= 96)
            return Constellation::Glonass;
    }
    return Constellation::Unknown;
}

QString Satellite::caption() const
{
    return QLatin1Char(constellationLetter(constellation)) + QString::fromLatin1(id);
}

std::optional<int> Satellite::elevationValue() const
{
    const auto v = wholeNumber(elevation);
    return v && *v <= 90 ? v : std::nullopt;
}

std::optional<int> Satellite::azimuthValue() const
{
    const auto v = wholeNumber(azimuth);
    return v && *v <= 360 ? std::optional<int>(*v % 360) : std::nullopt;
}

std::optional<int> Satellite::snrValue() const
{
    const auto v = wholeNumber(snr);
    return v && *v <= 99 ? v : std::nullopt;
}

bool satelliteBefore(const Satellite &a, const Satellite &b)
{
    if (a.constellation != b.constellation)
        return a.constellation < b.constellation;
    return a.number < b.number;
}

double Coordinate::decimalDegrees() const
{
    const double value = degrees + (minutes + fraction) / 60.0;
    return hemisphere == 'S' || hemisphere == 'W' ? -value : value;
}

QString Coordinate::display() const
{
    // Whole hundredths of a second; rounding may carry into the minutes.
    long long hundredths = std::llround(fraction * 6000.0);
    int min = minutes;
    int deg = degrees;
    if (hundredths >= 6000) {
        hundredths -= 6000;
        if (++min == 60) {
            min = 0;
            ++deg;
        }
    }
    return QStringLiteral("%1.%2 %3 %4 %5")
        .arg(deg)
        .arg(min, 2, 10, QLatin1Char('0'))
        .arg(int(hundredths / 100), 2, 10, QLatin1Char('0'))
        .arg(int(hundredths % 100), 2, 10, QLatin1Char('0'))
        .arg(QLatin1Char(hemisphere));
}

SentenceKind kindOf(QByteArrayView line)
{
    if (line.size() < 6 || line.front() != '$' || !satelliteTalker(line.sliced(1, 2)))
        return SentenceKind::None;
    const QByteArrayView type = line.sliced(3, 3);
    if (type.startsWith("GG"))
        return SentenceKind::Gga;
    if (type == "GSV")
        return SentenceKind::Gsv;
    if (type == "GSA")
        return SentenceKind::Gsa;
    if (type.front() == 'R')
        return SentenceKind::Rmc;
    return SentenceKind::Other;
}

std::optional<GgaFix> parseGga(QByteArrayView line)
{
    if (kindOf(line) != SentenceKind::Gga || checkSum(line) == Checksum::Bad)
        return std::nullopt;
    const QList<QByteArrayView> f = bodyFields(line);
    GgaFix fix;
    fix.talker = talkerOf(line);
    fix.time = utcTime(field(f, 0));
    if (!fix.time)
        return std::nullopt;
    fix.quality = wholeNumber(field(f, 5));
    fix.used = field(f, 6).toByteArray();
    fix.usedPresent = !fix.used.isEmpty() && fix.used.size() <= 3 && allDigits(fix.used);
    if (!fix.usedPresent)
        fix.used.clear();
    if (!fix.quality || *fix.quality == 0)
        return fix;
    const auto latitude = coordinate(field(f, 1), field(f, 2), 90, "NS");
    const auto longitude = coordinate(field(f, 3), field(f, 4), 180, "EW");
    if (!latitude || !longitude)
        return fix;
    fix.latitude = latitude;
    fix.longitude = longitude;
    fix.altitude = decimalNumber(field(f, 8));
    return fix;
}

std::optional<GsvSentence> parseGsv(QByteArrayView line)
{
    if (kindOf(line) != SentenceKind::Gsv || checkSum(line) == Checksum::Bad)
        return std::nullopt;
    const QList<QByteArrayView> f = bodyFields(line);
    const auto count = wholeNumber(field(f, 0));
    const auto index = wholeNumber(field(f, 1));
    const auto inView = wholeNumber(field(f, 2));
    if (!count || !index || !inView || *count < 1 || *count > 99 || *index < 1 || *index > *count)
        return std::nullopt;
    GsvSentence gsv;
    gsv.talker = talkerOf(line);
    gsv.count = *count;
    gsv.index = *index;
    gsv.inView = *inView;
    // Whole groups of four only: NMEA 4.10 puts a signal identifier after
    // the last group, which must not read as one more satellite.
    const qsizetype groups = std::min<qsizetype>(4, (f.size() - 3) / 4);
    for (qsizetype g = 0; g < groups; ++g) {
        const qsizetype at = 3 + 4 * g;
        const auto number = wholeNumber(f[at]);
        if (!number)
            break;
        if (*number > 999)
            continue;
        Satellite s;
        s.number = *number;
        s.constellation = constellationOf(gsv.talker, *number);
        s.id = f[at].toByteArray();
        s.elevation = f[at + 1].toByteArray();
        s.azimuth = f[at + 2].toByteArray();
        s.snr = f[at + 3].toByteArray();
        gsv.satellites.append(s);
    }
    return gsv;
}

QString timeText(const QTime &time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    // The receiver's time is UTC and is shown as it came: no zone name.
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    format = format.trimmed();
    if (format.isEmpty())
        format = QStringLiteral("HH:mm:ss");
    return QLocale().toString(time, format);
}

QString altitudeText(double metres)
{
    const QLocale locale;
    const QString group = locale.groupSeparator();
    const bool grouping = group != QLatin1String(".") && !locale.numberOptions().testFlag(QLocale::OmitGroupSeparator);
    const double rounded = std::round(metres * 10.0) / 10.0;
    const long long tenths = std::llabs(std::llround(rounded * 10.0));
    QString whole = QString::number(tenths / 10);
    if (grouping) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, group);
    }
    const QString sign = rounded < 0 ? QStringLiteral("-") : QString();
    return sign + whole + QLatin1Char('.') + QString::number(tenths % 10);
}

QList<QByteArray> LineAssembler::feed(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    for (char c : bytes) {
        if (c == '\n') {
            if (m_tooLong)
                ++m_overlong;
            else
                lines.append(GpsLineBuffer);
            GpsLineBuffer.clear();
            m_tooLong = false;
        } else if (c == '\r' || m_tooLong) {
            continue;
        } else if (GpsLineBuffer.size() < MaxLineLength) {
            GpsLineBuffer.append(c);
        } else {
            m_tooLong = true;
            GpsLineBuffer.clear();
        }
    }
    return lines;
}

bool SatelliteTable::take(const GsvSentence &gsv)
{
    auto it = std::find_if(m_cycles.begin(), m_cycles.end(),
                           [&](const Cycle &c) { return c.talker == gsv.talker; });
    if (it == m_cycles.end()) {
        m_cycles.append(Cycle{gsv.talker, {}, {}, 0, 0, 0});
        it = m_cycles.end() - 1;
    }
    Cycle &c = *it;
    if (gsv.index == 1) {
        c.pending.clear();
        c.count = gsv.count;
        c.inView = gsv.inView;
        c.expected = 1;
    }
    // Sentences of two reports do not make one.
    if (c.expected != gsv.index || c.count != gsv.count || c.inView != gsv.inView) {
        // A sentence was lost: this report is incomplete.
        c.pending.clear();
        c.expected = 0;
        return false;
    }
    for (const Satellite &s : gsv.satellites) {
        const auto same = std::find_if(c.pending.begin(), c.pending.end(), [&](const Satellite &p) {
            return p.constellation == s.constellation && p.number == s.number;
        });
        if (same != c.pending.end())
            *same = s;
        else
            c.pending.append(s);
    }
    if (gsv.index < gsv.count) {
        ++c.expected;
        return false;
    }
    c.complete = c.pending;
    c.pending.clear();
    c.expected = 0;
    return true;
}

QList<Satellite> SatelliteTable::SatellitsList() const
{
    QList<Satellite> all;
    for (const Cycle &c : m_cycles) {
        for (const Satellite &s : c.complete) {
            // Two talkers may report the same satellite (GN and GP): keep one.
            const bool seen = std::any_of(all.begin(), all.end(), [&](const Satellite &a) {
                return a.constellation == s.constellation && a.number == s.number;
            });
            if (!seen)
                all.append(s);
        }
    }
    std::stable_sort(all.begin(), all.end(), satelliteBefore);
    return all;
}

void SatelliteTable::clear()
{
    m_cycles.clear();
}

} // namespace Nmea

NmeaReceiver::NmeaReceiver(QObject *parent)
    : QObject(parent)
{
}

void NmeaReceiver::feed(QByteArrayView bytes)
{
    for (const QByteArray &line : m_lines.feed(bytes))
        ParseNmeaSentence(line);
}

void NmeaReceiver::ParseNmeaSentence(const QByteArray &line)
{
    const Nmea::Checksum sum = Nmea::checkSum(line);
    emit lineReceived(line, sum);
    if (line.isEmpty() || sum == Nmea::Checksum::Bad)
        return;
    switch (Nmea::kindOf(line)) {
    case Nmea::SentenceKind::Gga:
        if (const auto fix = Nmea::parseGga(line))
            emit fixReceived(*fix);
        break;
    case Nmea::SentenceKind::Gsv:
        if (const auto gsv = Nmea::parseGsv(line); gsv && m_table.take(*gsv))
            emit satellitesChanged(m_table.SatellitsList());
        break;
    default:
        break;
    }
}
