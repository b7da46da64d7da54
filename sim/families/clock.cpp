// The handset clock (AT+CCLK). It runs with the host clock, shifted by the
// offset that the last AT+CCLK= set, so a clock that was set is read back
// advanced by the time that has passed since.

#include "../family.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace {

// Host local time as seconds of a calendar without time zones.
long long hostNow()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return static_cast<long long>(timegm(&local));
}

bool daysInMonthOk(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day >= 1 && day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

// "yy/MM/dd,hh:mm:ss" with an optional "+zz"/"-zz" zone in quarter hours;
// every field of the time may have one digit.
bool parseClock(const std::string &text, long long &seconds, std::string &zone)
{
    int yy, mo, dd, hh, mi, ss, used = 0;
    if (std::sscanf(text.c_str(), "%2d/%2d/%2d,%2d:%2d:%2d%n", &yy, &mo, &dd, &hh, &mi, &ss, &used) != 6)
        return false;
    // The date has two digits per field.
    if (text.size() < 9 || text[2] != '/' || text[5] != '/' || text[8] != ',')
        return false;
    for (size_t i : {0, 1, 3, 4, 6, 7})
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    zone.clear();
    const std::string rest = text.substr(size_t(used));
    if (!rest.empty()) {
        int z;
        if ((rest[0] != '+' && rest[0] != '-') || rest.size() > 3 || std::sscanf(rest.c_str() + 1, "%2d", &z) != 1
            || rest.find_first_not_of("0123456789", 1) != std::string::npos || z > 96)
            return false;
        zone = rest;
    }
    if (mo < 1 || mo > 12 || hh > 23 || mi > 59 || ss > 59 || yy < 0 || hh < 0 || mi < 0 || ss < 0)
        return false;
    const int year = 2000 + yy;
    if (!daysInMonthOk(year, mo, dd))
        return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = dd;
    tm.tm_hour = hh;
    tm.tm_min = mi;
    tm.tm_sec = ss;
    seconds = static_cast<long long>(timegm(&tm));
    return true;
}

std::string formatClock(long long seconds, const std::string &zone)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d,%02d:%02d:%02d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf + zone;
}

AtResult cclk(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CCLK: \"" + formatClock(hostNow() + s.number("clock.offset"), s.value("clock.zone")) + "\"");
        return AtResult::ok();
    case AtType::Test:
        return AtResult::ok();
    case AtType::Set: {
        long long seconds;
        std::string zone;
        if (cmd.args.size() != 1 || !parseClock(cmd.arg(0), seconds, zone))
            return AtResult::cmeError(Cme::IncorrectParameters);
        s.set("clock.offset", std::to_string(seconds - hostNow()));
        if (!zone.empty())
            s.set("clock.zone", zone);
        s.set("clock.set", cmd.arg(0));
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

const Family family("clock", [](Registry &r) {
    r.key("clock.offset", "0", "handset clock minus host local time, in seconds (AT+CCLK)",
          ValueType::number());
    r.key("clock.zone", "+04", "time zone in quarter hours shown by AT+CCLK?");
    r.key("clock.set", "", "the text of the last AT+CCLK= that was accepted");
    r.at("+CCLK", cclk);
    r.control("clock", "clock: the handset clock as AT+CCLK? shows it", [](Simulator &sim, const std::string &) {
        return formatClock(hostNow() + sim.state().number("clock.offset"), sim.state().value("clock.zone")) + "\n";
    });
});

} // namespace
