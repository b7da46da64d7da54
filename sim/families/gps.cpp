// The GPS receiver on the GPS port: NMEA 0183 once a second, as a receiver
// of the handset's kind sends it (GGA, GSA, the GSV cycle, RMC; CR LF; a
// checksum on every sentence), from the position, fix and satellites of the
// state. Written here from NMEA 0183 itself, sharing nothing with the
// program's reader.
//
// With --nmea FILE it plays a recorded log instead: one epoch (a GGA and the
// lines after it up to the next GGA) a second, from the top again at the end.
// Lines starting with "#" (the log's header) are not sent.
//
// Fault keys let tests show what the reader does with a corrupted sentence
// (gps.fault.checksum) and with a GSV cycle that lost a sentence
// (gps.fault.gsvdrop).

#include "../family.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

const FamilyOption nmeaOption("--nmea", "FILE",
                              "plays the NMEA log FILE on the GPS port (one epoch a second, looping) "
                              "instead of the sentences made from the state");

struct Sat
{
    int number = 0;
    int elevation = 0;
    int azimuth = 0;
    std::string snr;  // empty: not tracked
};

// "3:40:45:38,17:70:300:,22:10:200:25"; malformed entries are skipped.
std::vector<Sat> satellites(const std::string &text)
{
    std::vector<Sat> out;
    std::stringstream list(text);
    std::string entry;
    while (std::getline(list, entry, ',')) {
        entry = trim(entry);
        if (entry.empty())
            continue;
        std::vector<std::string> parts;
        std::stringstream fields(entry);
        std::string part;
        while (std::getline(fields, part, ':'))
            parts.push_back(trim(part));
        if (entry.back() == ':')
            parts.push_back("");
        long n, e, a, snr;
        if (parts.size() != 4 || !parseNumber(parts[0], n) || !parseNumber(parts[1], e)
            || !parseNumber(parts[2], a) || n < 1 || n > 999 || e < 0 || e > 90 || a < 0 || a > 359)
            continue;
        if (!parts[3].empty() && (!parseNumber(parts[3], snr) || snr < 0 || snr > 99))
            continue;
        out.push_back({int(n), int(e), int(a), parts[3]});
    }
    return out;
}

std::string checksum(const std::string &body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", sum);
    return buf;
}

// "4807.0380,N": degrees and decimal minutes.
std::string coordinate(double value, int degreeDigits, char positive, char negative)
{
    const char hemisphere = value < 0 ? negative : positive;
    value = std::fabs(value);
    int degrees = int(value);
    double minutes = (value - degrees) * 60.0;
    if (std::round(minutes * 10000.0) >= 600000.0) {
        minutes = 0;
        ++degrees;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d%07.4f,%c", degreeDigits, degrees, minutes, hemisphere);
    return buf;
}

double numberOr(const std::string &text, double fallback)
{
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end && end != text.c_str() && *end == '\0' && std::isfinite(v) ? v : fallback;
}

class Receiver
{
public:
    void tick(Simulator &sim);

private:
    void send(Simulator &sim, std::string &out, const std::string &body);
    void stepTrack(State &s);
    bool loadLog(const std::string &path);
    void playLog(Simulator &sim);

    long m_sentences = 0;
    size_t m_trackIndex = 0;
    std::string m_trackSeen;
    bool m_logLoaded = false;
    std::vector<std::vector<std::string>> m_epochs;
    size_t m_epoch = 0;

public:
    bool start(Simulator &sim, std::string &error)
    {
        if (!sim.options().has("--nmea"))
            return true;
        const std::string path = sim.options().value("--nmea");
        if (!loadLog(path)) {
            error = "cannot read the NMEA log " + path + " (or it has no sentences)";
            return false;
        }
        return true;
    }
};

Receiver &receiver()
{
    static Receiver r;
    return r;
}

void Receiver::send(Simulator &sim, std::string &out, const std::string &body)
{
    std::string sum = checksum(body);
    const long every = sim.state().number("gps.fault.checksum", 0);
    if (every > 0 && ++m_sentences % every == 0)
        sum = checksum(body + "X");  // any other value: the sentence reads as corrupted
    out += "$" + body + "*" + sum + "\r\n";
}

void Receiver::stepTrack(State &s)
{
    const std::string track = s.value("gps.track");
    if (track != m_trackSeen) {
        m_trackSeen = track;
        m_trackIndex = 0;
    }
    if (track.empty())
        return;
    std::vector<std::pair<std::string, std::string>> points;
    std::stringstream list(track);
    std::string point;
    while (std::getline(list, point, ';')) {
        const size_t comma = point.find(',');
        if (comma == std::string::npos)
            continue;
        points.push_back({trim(point.substr(0, comma)), trim(point.substr(comma + 1))});
    }
    if (points.empty())
        return;
    const auto &p = points[m_trackIndex % points.size()];
    s.set("gps.lat", p.first);
    s.set("gps.lon", p.second);
    m_trackIndex = (m_trackIndex + 1) % points.size();
}

bool Receiver::loadLog(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const bool gga = line.size() > 6 && line[0] == '$' && line.compare(3, 3, "GGA") == 0;
        if (gga || m_epochs.empty())
            m_epochs.emplace_back();
        m_epochs.back().push_back(line);
    }
    m_logLoaded = !m_epochs.empty();
    return m_logLoaded;
}

void Receiver::playLog(Simulator &sim)
{
    std::string out;
    for (const std::string &line : m_epochs[m_epoch])
        out += line + "\r\n";
    m_epoch = (m_epoch + 1) % m_epochs.size();
    sim.gps().sendReply(out);
}

void Receiver::tick(Simulator &sim)
{
    // Nobody reading: a receiver's bytes are simply lost, not stored up. A
    // client reads each second's sentences within moments; what is still in
    // the line a second later has no reader, and a client that opens the
    // port later must not get minutes-old positions.
    if (sim.gps().hasPending())
        sim.gps().discardOutput();
    sim.gps().dropUnread();
    if (!sim.powered())
        return;
    if (m_logLoaded) {
        playLog(sim);
        return;
    }
    State &s = sim.state();
    stepTrack(s);

    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char hms[32], dmy[32];
    std::snprintf(hms, sizeof hms, "%02d%02d%02d.00", utc.tm_hour, utc.tm_min, utc.tm_sec);
    std::snprintf(dmy, sizeof dmy, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);

    std::string talker = toUpper(s.value("gps.talker"));
    if (talker.size() != 2)
        talker = "GP";
    const long quality = s.number("gps.fix", 1);
    const bool fix = quality > 0;
    const std::vector<Sat> sats = satellites(s.value("gps.sats"));
    std::vector<int> used;
    for (const Sat &sat : sats)
        if (!sat.snr.empty() && used.size() < 12)
            used.push_back(sat.number);

    const double lat = numberOr(s.value("gps.lat"), 0);
    const double lon = numberOr(s.value("gps.lon"), 0);
    const double alt = numberOr(s.value("gps.alt"), 0);
    const std::string position = fix ? coordinate(lat, 2, 'N', 'S') + "," + coordinate(lon, 3, 'E', 'W') : ",,,";
    char buf[160];

    char altitude[32] = "";
    if (fix)
        std::snprintf(altitude, sizeof altitude, "%.1f", alt);
    std::string out;
    std::snprintf(buf, sizeof buf, "%sGGA,%s,%s,%ld,%02zu,%s,%s,M,%s,M,,", talker.c_str(), hms,
                  position.c_str(), fix ? quality : 0L, fix ? used.size() : size_t(0),
                  fix ? "0.9" : "99.99", altitude, fix ? "45.2" : "");
    send(sim, out, buf);

    std::string gsa = talker + "GSA,A," + (fix ? "3" : "1");
    for (size_t i = 0; i < 12; ++i) {
        gsa += ",";
        if (fix && i < used.size()) {
            std::snprintf(buf, sizeof buf, "%02d", used[i]);
            gsa += buf;
        }
    }
    gsa += fix ? ",1.8,0.9,1.5" : ",99.99,99.99,99.99";
    send(sim, out, gsa);

    const size_t count = sats.empty() ? 1 : (sats.size() + 3) / 4;
    const long drop = s.number("gps.fault.gsvdrop", 0);
    for (size_t k = 1; k <= count; ++k) {
        std::snprintf(buf, sizeof buf, "GPGSV,%zu,%zu,%02zu", count, k, sats.size());
        std::string gsv = buf;
        for (size_t i = (k - 1) * 4; i < sats.size() && i < k * 4; ++i) {
            std::snprintf(buf, sizeof buf, ",%02d,%02d,%03d,%s", sats[i].number, sats[i].elevation, sats[i].azimuth,
                          sats[i].snr.c_str());
            gsv += buf;
        }
        if (drop > 0 && size_t(drop) == k)
            continue;
        send(sim, out, gsv);
    }

    std::snprintf(buf, sizeof buf, "%sRMC,%s,%c,%s,0.0,0.0,%s,,,%c", talker.c_str(), hms, fix ? 'A' : 'V',
                  position.c_str(), dmy, fix ? 'A' : 'N');
    send(sim, out, buf);
    sim.gps().sendReply(out);
}

const Family family("gps", [](Registry &r) {
    r.key("gps.lat", "50.087451", "latitude of the GPS position, signed decimal degrees (south negative)");
    r.key("gps.lon", "14.420671", "longitude of the GPS position, signed decimal degrees (west negative)");
    r.key("gps.alt", "235.0", "altitude above mean sea level in metres (GGA)");
    r.key("gps.fix", "1", "GGA fix quality: 0 no fix (no position sent), 1 GPS fix, 2 differential");
    r.key("gps.sats", "3:40:45:38,6:22:120:33,17:70:300:,19:55:170:41,22:10:200:25,28:15:330:29",
          "satellites in view, number:elevation:azimuth:snr separated by commas (empty snr: not tracked)");
    r.key("gps.track", "",
          "lat,lon;lat,lon;... : the position moves to the next point every second, looping (sets gps.lat/gps.lon)");
    r.key("gps.talker", "GP", "talker of GGA, GSA and RMC (GP, GN, ...); GSV is always GP");
    r.key("gps.fault.checksum", "0", "every Nth sentence is sent with a wrong checksum (0: none)");
    r.key("gps.fault.gsvdrop", "0", "sentence K of every GSV cycle is left out (0: none)");
    r.onStart([](Simulator &sim, std::string &error) { return receiver().start(sim, error); });
    r.every(1000, [](Simulator &sim) { receiver().tick(sim); });
});

} // namespace
