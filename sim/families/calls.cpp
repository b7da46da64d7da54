// Call-related settings: DTMF tones and their duration, advice of charge.

#include "../family.h"

namespace {

AtResult vts(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test) {
        ctx.line("+VTS: (0-9,#,*,A-D),(0-255)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set || cmd.args.empty() || cmd.args.size() > 2)
        return AtResult::cmeError(Cme::IncorrectParameters);
    const std::string tones = toUpper(cmd.arg(0));
    if (tones.empty() || tones.find_first_not_of("0123456789#*ABCD") != std::string::npos)
        return AtResult::cmeError(Cme::IncorrectParameters);
    if (cmd.args.size() == 2) {
        const auto d = cmd.number(1);
        if (!d || *d < 0 || *d > 255)
            return AtResult::cmeError(Cme::IncorrectParameters);
    }
    State &s = ctx.state();
    s.set("dtmf.last", tones);
    s.set("dtmf.sent", s.value("dtmf.sent") + tones);
    return AtResult::ok();
}

AtResult vtd(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+VTD: " + ctx.state().value("dtmf.duration"));
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+VTD: (0-255)");
        return AtResult::ok();
    case AtType::Set:
        return ctx.setNumber(cmd, 0, "dtmf.duration", 0, 255);
    default:
        return AtResult::error();
    }
}

// +CPUC: "<currency>","<price per unit>"; setting it needs PIN2.
AtResult cpuc(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CPUC: \"" + ctx.text(s.value("charges.currency")) + "\",\"" + ctx.text(s.value("charges.price"))
                 + "\"");
        return AtResult::ok();
    case AtType::Test:
        return AtResult::ok();
    case AtType::Set: {
        const std::string currency = cmd.arg(0);
        const std::string price = cmd.arg(1);
        if (cmd.args.size() < 2 || currency.empty() || currency.size() > 3 || price.empty()
            || price.find_first_not_of("0123456789.") != std::string::npos)
            return AtResult::cmeError(Cme::IncorrectParameters);
        if (!cmd.hasArg(2))
            return AtResult::cmeError(Cme::SimPin2Required);
        if (s.number("pin2.attempts") <= 0)
            return AtResult::cmeError(Cme::SimPuk2Required);
        if (cmd.arg(2) != s.value("code.pin2")) {
            s.setNumber("pin2.attempts", s.number("pin2.attempts") - 1);
            return AtResult::cmeError(Cme::IncorrectPassword);
        }
        s.set("pin2.attempts", "3");
        s.set("charges.currency", currency);
        s.set("charges.price", price);
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

// No call is ever in progress yet, so hanging up always succeeds.
AtResult hangUp(AtContext &, const AtCommand &cmd)
{
    return cmd.type == AtType::Read ? AtResult::error() : AtResult::ok();
}

const Family family("calls", [](Registry &r) {
    r.key("dtmf.last", "", "tones of the last AT+VTS");
    r.key("dtmf.sent", "", "all tones sent with AT+VTS, in order (set it to \"\" to start over)");
    r.key("dtmf.duration", "1", "tone duration 0..255 in 1/10 s (AT+VTD)", ValueType::range(0, 255));
    r.key("charges.currency", "CZK", "currency of the advice of charge (AT+CPUC)");
    r.key("charges.price", "2.50", "price per unit (AT+CPUC)");
    r.at("+VTS", vts);
    r.at("+VTD", vtd);
    r.at("+CPUC", cpuc);
    r.at("+CHUP", hangUp);
    r.at("H", hangUp);
});

} // namespace
