// Calls (ATD...; voice calls, ATA, ATH, AT+CHUP) and call-related settings:
// DTMF tones and their duration, advice of charge.

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

void logCall(State &s, const std::string &entry)
{
    const std::string log = s.value("call.log");
    s.set("call.log", log.empty() ? entry : log + ";" + entry);
}

// The newest dialled number goes to the top of the dialled calls (LD).
void rememberDialled(State &s, const std::string &number)
{
    const long size = s.number("pb.LD.size");
    for (long i = size; i > 1; --i) {
        const std::string above = "pb.LD." + std::to_string(i - 1);
        if (s.has(above))
            s.set("pb.LD." + std::to_string(i), s.value(above));
        else
            s.remove("pb.LD." + std::to_string(i));
    }
    if (size >= 1)
        s.set("pb.LD.1", number + "," + (number[0] == '+' ? "145" : "129") + ",");
}

// ATD<number>; is a voice call, which the network connects at once; without
// the ";" it is a data call, which this handset has no service for.
AtResult dial(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    std::string number;
    // T and P (tone and pulse dialling) are modifiers, not digits.
    for (char c : cmd.raw)
        if (c != 'T' && c != 'P')
            number += c;
    const bool voice = !number.empty() && number.back() == ';';
    if (voice)
        number.pop_back();
    if (number.empty() || number.find_first_not_of("+0123456789*#W,") != std::string::npos
        || number.find('+', 1) != std::string::npos)
        return AtResult::error();
    if (!voice)
        return AtResult::noCarrier();
    if (s.value("call.state") != "idle")
        return AtResult::cmeError(Cme::OperationNotAllowed);
    if (s.number("network.reg") != 1 && s.number("network.reg") != 5)
        return AtResult::noCarrier();
    s.set("call.state", "active");
    s.set("call.number", number);
    logCall(s, "dial " + number);
    rememberDialled(s, number);
    return AtResult::ok();
}

// ATA answers a ringing call ("call.state = ringing" set through the control socket).
AtResult answer(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (cmd.type != AtType::Action)
        return AtResult::error();
    if (s.value("call.state") != "ringing")
        return AtResult::noCarrier();
    s.set("call.state", "active");
    logCall(s, "answer " + s.value("call.number"));
    return AtResult::ok();
}

// Hanging up with no call in progress still succeeds.
AtResult hangUp(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Read)
        return AtResult::error();
    State &s = ctx.state();
    if (s.value("call.state") != "idle") {
        logCall(s, "hangup " + s.value("call.number"));
        s.set("call.state", "idle");
    }
    return AtResult::ok();
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
    r.key("call.state", "idle", "idle, ringing (ATA answers it) or active (after ATD...;)");
    r.key("call.number", "", "number of the call in progress or last made");
    r.key("call.log", "", "calls made, answered and hung up, as \"dial N;hangup N;...\"");
    r.at("+CHUP", hangUp);
    r.at("H", hangUp);
    r.at("D", dial);
    r.at("A", answer);
});

} // namespace
