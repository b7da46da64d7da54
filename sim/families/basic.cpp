// V.250 basics and the 27.007 session commands: echo, result code format,
// reset, error reporting, character set, capabilities, functionality, power off.

#include "../family.h"

namespace {

// A basic on/off command such as E or V: no digit means 0.
AtHandler flagCommand(const std::string &key)
{
    return [key](AtContext &ctx, const AtCommand &cmd) {
        if (cmd.type != AtType::Action)
            return AtResult::error();
        const long v = cmd.raw.empty() ? 0 : cmd.number(0).value_or(-1);
        if (v != 0 && v != 1)
            return AtResult::error();
        ctx.state().setNumber(key, v);
        return AtResult::ok();
    };
}

AtResult reset(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type != AtType::Action || (!cmd.raw.empty() && cmd.raw != "0"))
        return AtResult::error();
    ctx.sim().resetSession();
    return AtResult::ok();
}

// Accepted and ignored: X (call progress), &C, &D, &K, &W and the like.
AtResult accept(AtContext &, const AtCommand &cmd)
{
    return cmd.type == AtType::Action ? AtResult::ok() : AtResult::error();
}

AtResult sRegister(AtContext &ctx, const AtCommand &cmd)
{
    const std::string key = "at.s" + cmd.raw;
    long reg;
    if (!parseNumber(cmd.raw, reg) || reg < 0 || reg > 12)
        return AtResult::error();
    if (cmd.type == AtType::Read) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%03ld", ctx.state().number(key));
        ctx.line(buf);
        return AtResult::ok();
    }
    const auto v = cmd.number(0);
    if (!v || *v < 0 || *v > 255)
        return AtResult::error();
    ctx.state().setNumber(key, *v);
    return AtResult::ok();
}

AtResult cmee(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CMEE: " + ctx.state().value("at.cmee"));
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+CMEE: (0-2)");
        return AtResult::ok();
    case AtType::Set:
        if (!cmd.hasArg(0)) {
            ctx.state().set("at.cmee", "0");
            return AtResult::ok();
        }
        return ctx.setNumber(cmd, 0, "at.cmee", 0, 2);
    default:
        return AtResult::error();
    }
}

AtResult cscs(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CSCS: \"" + ctx.state().value("at.charset") + "\"");
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+CSCS: (\"GSM\",\"IRA\",\"UCS2\")");
        return AtResult::ok();
    case AtType::Set: {
        // The name itself is given in the current character set.
        const std::string name = toUpper(cmd.arg(0));
        const std::string ucs2 = ctx.state().value("at.charset") == "UCS2" ? name : std::string();
        for (const char *set : {"GSM", "IRA", "UCS2"}) {
            if (name == set || (!ucs2.empty() && ucs2 == toUpper(ctx.text(set)))) {
                ctx.state().set("at.charset", set);
                return AtResult::ok();
            }
        }
        return AtResult::cmeError(Cme::OperationNotSupported);
    }
    default:
        return AtResult::error();
    }
}

AtResult gcap(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type != AtType::Action)
        return cmd.type == AtType::Test ? AtResult::ok() : AtResult::error();
    ctx.line("+GCAP: +CGSM");
    return AtResult::ok();
}

AtResult cfun(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CFUN: " + ctx.state().value("fun"));
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+CFUN: (0,1,4),(0-1)");
        return AtResult::ok();
    case AtType::Set: {
        const auto v = cmd.number(0);
        if (!v || (*v != 0 && *v != 1 && *v != 4))
            return AtResult::cmeError(Cme::IncorrectParameters);
        ctx.state().setNumber("fun", *v);
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

// AT^SMSO switches the handset off: it still says OK, then is silent until
// the control command "power on".
AtResult smso(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Action)
        return AtResult::error();
    ctx.sim().powerOff();
    return AtResult::ok();
}

const Family family("basic", [](Registry &r) {
    for (int i = 0; i <= 12; ++i) {
        static const char *defaults[] = {"0", "0", "43", "13", "10", "8", "2", "50", "2", "6", "14", "95", "50"};
        r.key("at.s" + std::to_string(i), defaults[i], "S-register " + std::to_string(i) + " (ATS)");
    }
    r.key("fun", "1", "phone functionality 0, 1 or 4 (AT+CFUN)", ValueType::oneOf({"0", "1", "4"}));
    r.at("E", flagCommand("at.echo"));
    r.at("V", flagCommand("at.verbose"));
    r.at("Q", flagCommand("at.quiet"));
    r.at("Z", reset);
    r.at("&F", reset);
    for (const char *name : {"X", "&C", "&D", "&K", "&W", "L", "M"})
        r.at(name, accept);
    r.at("S", sRegister);
    r.at("+CMEE", cmee);
    r.at("+CSCS", cscs);
    r.at("+GCAP", gcap);
    r.at("+CFUN", cfun);
    r.at("^SMSO", smso);
});

} // namespace
