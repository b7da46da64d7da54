// Battery, signal, operator, registration and the SMS service centre.

#include "../family.h"

namespace {

AtResult cbc(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test) {
        ctx.line("+CBC: (0-3),(0-100)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Action)
        return AtResult::error();
    ctx.line("+CBC: " + ctx.state().value("battery.status") + "," + ctx.state().value("battery.charge"));
    return AtResult::ok();
}

AtResult csq(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test) {
        ctx.line("+CSQ: (0-31,99),(0-7,99)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Action)
        return AtResult::error();
    ctx.line("+CSQ: " + ctx.state().value("signal.rssi") + "," + ctx.state().value("signal.ber"));
    return AtResult::ok();
}

// +COPS: <mode>[,<format>,<oper>]; the operator only while registered.
AtResult cops(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Read: {
        const std::string name = s.value("operator.name");
        const long format = s.number("operator.format");
        if (name.empty() || s.number("network.reg") != 1) {
            ctx.line("+COPS: " + s.value("operator.mode"));
            return AtResult::ok();
        }
        const std::string oper = format == 2 ? s.value("operator.numeric") : ctx.text(name);
        ctx.line("+COPS: " + s.value("operator.mode") + "," + std::to_string(format) + ",\"" + oper + "\"");
        return AtResult::ok();
    }
    case AtType::Test:
        ctx.line("+COPS: (2,\"" + ctx.text(s.value("operator.name")) + "\",\"" + ctx.text(s.value("operator.short"))
                 + "\",\"" + s.value("operator.numeric") + "\"),,(0-4),(0-2)");
        return AtResult::ok();
    case AtType::Set: {
        const auto mode = cmd.number(0);
        if (!mode || *mode < 0 || *mode > 4)
            return AtResult::cmeError(Cme::IncorrectParameters);
        if (cmd.hasArg(1)) {
            const auto format = cmd.number(1);
            if (!format || *format < 0 || *format > 2)
                return AtResult::cmeError(Cme::IncorrectParameters);
            s.setNumber("operator.format", *format);
        }
        if (*mode != 3)  // 3 only sets the format
            s.setNumber("operator.mode", *mode);
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

// +CREG and +CGREG: n,stat and, with n = 2, the location area and cell.
AtHandler registration(const std::string &prefix, const std::string &modeKey, const std::string &statKey)
{
    return [prefix, modeKey, statKey](AtContext &ctx, const AtCommand &cmd) {
        State &s = ctx.state();
        switch (cmd.type) {
        case AtType::Read: {
            const long mode = s.number(modeKey);
            const long stat = s.number(statKey);
            std::string line = prefix + ": " + std::to_string(mode) + "," + std::to_string(stat);
            if (mode == 2 && (stat == 1 || stat == 5))
                line += ",\"" + s.value("network.lac") + "\",\"" + s.value("network.ci") + "\"";
            ctx.line(line);
            return AtResult::ok();
        }
        case AtType::Test:
            ctx.line(prefix + ": (0-2)");
            return AtResult::ok();
        case AtType::Set:
            return ctx.setNumber(cmd, 0, modeKey, 0, 2);
        default:
            return AtResult::error();
        }
    };
}

AtResult cgatt(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CGATT: " + ctx.state().value("network.attached"));
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+CGATT: (0,1)");
        return AtResult::ok();
    case AtType::Set: {
        const AtResult r = ctx.setNumber(cmd, 0, "network.attached", 0, 1);
        if (!r.failed())
            ctx.state().setNumber("network.greg", ctx.state().number("network.attached") ? ctx.state().number("network.reg") : 0);
        return r;
    }
    default:
        return AtResult::error();
    }
}

AtResult csca(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CSCA: \"" + ctx.text(s.value("smsc.number")) + "\"," + s.value("smsc.type"));
        return AtResult::ok();
    case AtType::Test:
        return AtResult::ok();
    case AtType::Set: {
        const std::string number = cmd.arg(0);
        if (number.empty() || number.size() > 20
            || number.find_first_not_of("+0123456789*#") != std::string::npos)
            return AtResult::cmeError(Cme::IncorrectParameters);
        long type = number[0] == '+' ? 145 : 129;
        if (cmd.hasArg(1)) {
            const auto t = cmd.number(1);
            if (!t || *t < 128 || *t > 255)
                return AtResult::cmeError(Cme::IncorrectParameters);
            type = *t;
        }
        s.set("smsc.number", number);
        s.setNumber("smsc.type", type);
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

const Family family("network", [](Registry &r) {
    r.key("battery.status", "0", "0 on battery, 1 connected, 2 no battery, 3 power fault (AT+CBC)",
          ValueType::range(0, 3));
    r.key("battery.charge", "80", "battery charge in percent (AT+CBC)", ValueType::range(0, 100));
    r.key("signal.rssi", "21", "received signal 0..31, 99 unknown (AT+CSQ)", ValueType::range(0, 31, {"99"}));
    r.key("signal.ber", "99", "bit error rate 0..7, 99 unknown (AT+CSQ)", ValueType::range(0, 7, {"99"}));
    r.key("network.reg", "1", "registration: 0 none, 1 home, 2 searching, 3 denied, 5 roaming (AT+CREG?)",
          ValueType::oneOf({"0", "1", "2", "3", "5"}));
    r.key("network.creg", "0", "registration report mode 0..2; 2 adds location area and cell (AT+CREG=)",
          ValueType::range(0, 2));
    r.key("network.lac", "0B5A", "location area code, 4 hex digits (AT+CREG / AT+CGREG with mode 2)");
    r.key("network.ci", "2F13", "cell identity, 4 hex digits (AT+CREG / AT+CGREG with mode 2)");
    r.key("network.greg", "1", "GPRS registration, values as network.reg (AT+CGREG?)",
          ValueType::oneOf({"0", "1", "2", "3", "5"}));
    r.key("network.cgreg", "0", "GPRS registration report mode 0..2 (AT+CGREG=)", ValueType::range(0, 2));
    r.key("network.attached", "1", "GPRS attached 0 or 1 (AT+CGATT)", ValueType::flag());
    r.key("operator.name", "T-Mobile CZ", "operator, long name; empty while searching (AT+COPS?)");
    r.key("operator.short", "TMO CZ", "operator, short name (AT+COPS=?)");
    r.key("operator.numeric", "23001", "operator, MCC and MNC (AT+COPS with format 2)");
    r.key("operator.mode", "0", "selection mode 0 automatic .. 4 (AT+COPS)", ValueType::range(0, 4));
    r.key("operator.format", "0", "name format 0 long, 1 short, 2 numeric (AT+COPS=3,n)", ValueType::range(0, 2));
    r.key("smsc.number", "+420603052000", "SMS service centre (AT+CSCA)");
    r.key("smsc.type", "145", "type of the centre's number, 145 international (AT+CSCA)",
          ValueType::range(128, 255));
    r.at("+CBC", cbc);
    r.at("+CSQ", csq);
    r.at("+COPS", cops);
    r.at("+CREG", registration("+CREG", "network.creg", "network.reg"));
    r.at("+CGREG", registration("+CGREG", "network.cgreg", "network.greg"));
    r.at("+CGATT", cgatt);
    r.at("+CSCA", csca);
});

} // namespace
