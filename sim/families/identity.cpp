// Identification: maker, model, firmware, IMEI (27.007 and their V.250
// twins), ATI, the IMSI and the SIM card number.

#include "../family.h"

namespace {

// An action command answering one line made from state keys; "=?" gives OK.
AtHandler identityLine(std::string (*make)(AtContext &))
{
    return [make](AtContext &ctx, const AtCommand &cmd) {
        if (cmd.type == AtType::Test)
            return AtResult::ok();
        if (cmd.type != AtType::Action)
            return AtResult::error();
        ctx.line(make(ctx));
        return AtResult::ok();
    };
}

std::string maker(AtContext &ctx) { return ctx.state().value("maker"); }
std::string model(AtContext &ctx) { return ctx.state().value("model"); }
std::string revision(AtContext &ctx) { return ctx.state().value("revision"); }
std::string imei(AtContext &ctx) { return ctx.state().value("imei"); }

// A query of the SIM card's own data: refused without a SIM card.
AtResult simQuery(AtContext &ctx, const AtCommand &cmd, const std::string &prefix,
                  const char *key)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Action)
        return AtResult::error();
    if (ctx.state().value("sim.present") == "0")
        return AtResult::cmeError(10);
    ctx.line(prefix + ctx.state().value(key));
    return AtResult::ok();
}

AtResult cimi(AtContext &ctx, const AtCommand &cmd)
{
    return simQuery(ctx, cmd, "", "imsi");
}

AtResult scid(AtContext &ctx, const AtCommand &cmd)
{
    return simQuery(ctx, cmd, "^SCID: ", "iccid");
}

// ATI / ATI0: maker and model; ATI1: firmware; ATI2: IMEI; ATI3: model.
AtResult ati(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type != AtType::Action)
        return AtResult::error();
    const long n = cmd.raw.empty() ? 0 : cmd.number(0).value_or(-1);
    switch (n) {
    case 0:
        ctx.line(maker(ctx));
        ctx.line(model(ctx));
        ctx.line("REVISION " + revision(ctx));
        return AtResult::ok();
    case 1:
        ctx.line(revision(ctx));
        return AtResult::ok();
    case 2:
        ctx.line(imei(ctx));
        return AtResult::ok();
    case 3:
        ctx.line(model(ctx));
        return AtResult::ok();
    default:
        return AtResult::error();
    }
}

const Family family("identity", [](Registry &r) {
    r.key("maker", "TORVANE", "manufacturer (AT+CGMI; --maker replaces it)");
    r.key("model", "Zenk", "model (AT+CGMM)");
    r.key("revision", "ZK_V1.04.12 2006-11-20", "firmware text (AT+CGMR)");
    r.key("imei", "356938035643809", "15-digit IMEI (AT+CGSN)");
    r.key("imsi", "230012345678901", "15-digit IMSI (AT+CIMI)");
    r.key("iccid", "8942001234567890123", "SIM card number, 19 or 20 digits (AT^SCID)");
    r.key("sim.present", "1", "0 when no SIM card is inserted (+CME ERROR: 10 for SIM queries)",
          ValueType::flag());
    for (const char *name : {"+CGMI", "+GMI"})
        r.at(name, identityLine(maker));
    for (const char *name : {"+CGMM", "+GMM"})
        r.at(name, identityLine(model));
    for (const char *name : {"+CGMR", "+GMR"})
        r.at(name, identityLine(revision));
    for (const char *name : {"+CGSN", "+GSN"})
        r.at(name, identityLine(imei));
    r.at("+CIMI", cimi);
    r.at("^SCID", scid);
    r.at("I", ati);
});

} // namespace
