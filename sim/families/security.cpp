// Locks and security codes: the SIM PIN lock ("SC"), the phone lock ("PS"),
// the keypad lock ("CS") through +CLCK and ^SLCK, code changes through
// +CPWD, the PIN state and the PIN attempts left.
//
// A wrong code gives +CME ERROR: 16 and changes nothing. Wrong SIM codes (PIN
// for "SC", PIN2 for "P2") use up the SIM's attempts; with none left the SIM
// asks for its PUK (+CME ERROR: 12 or 18) until the control socket sets the
// attempts back.
//
// AT+CPIN follows 3GPP TS 27.007: with the PIN lock on, the handset starts
// (and restarts after "power on") wanting its PIN; three wrong ones make it
// want the PUK. PIN2 is wanted while FD is selected (the phonebook family).

#include "../family.h"

namespace {

struct Facility
{
    const char *name;
    const char *lockKey;    // nullptr: not a lock
    const char *codeKey;    // nullptr: no code needed
    const char *attemptsKey;  // nullptr: no limit
    int blockedError;
};

const Facility facilities[] = {
    {"SC", "lock.sc", "code.pin", "pin.attempts", Cme::SimPukRequired},
    {"PS", "lock.ps", "code.phone", nullptr, 0},
    {"CS", "lock.cs", nullptr, nullptr, 0},
    {"P2", nullptr, "code.pin2", "pin2.attempts", Cme::SimPuk2Required},
};

const Facility *facility(const std::string &name)
{
    const std::string upper = toUpper(name);
    for (const Facility &f : facilities)
        if (upper == f.name)
            return &f;
    return nullptr;
}

// Checks a code; counts the attempts of SIM codes.
AtResult checkCode(State &s, const Facility &f, const std::string &code)
{
    if (!f.codeKey)
        return AtResult::ok();
    if (f.attemptsKey && s.number(f.attemptsKey) <= 0)
        return AtResult::cmeError(f.blockedError);
    if (code != s.value(f.codeKey)) {
        if (f.attemptsKey)
            s.setNumber(f.attemptsKey, s.number(f.attemptsKey) - 1);
        return AtResult::cmeError(Cme::IncorrectPassword);
    }
    if (f.attemptsKey)
        s.setNumber(f.attemptsKey, 3);
    return AtResult::ok();
}

bool validCode(const std::string &code)
{
    return code.size() >= 4 && code.size() <= 8 && code.find_first_not_of("0123456789") == std::string::npos;
}

// +CLCK and ^SLCK share their syntax: fac,mode[,passwd[,class]]; mode 2 asks.
AtHandler lockCommand(const std::string &prefix)
{
    return [prefix](AtContext &ctx, const AtCommand &cmd) {
        State &s = ctx.state();
        if (cmd.type == AtType::Test) {
            ctx.line(prefix + ": (\"CS\",\"PS\",\"SC\")");
            return AtResult::ok();
        }
        if (cmd.type != AtType::Set)
            return AtResult::error();
        const Facility *f = facility(cmd.arg(0));
        const auto mode = cmd.number(1);
        if (!f || !f->lockKey || !mode || *mode < 0 || *mode > 2)
            return AtResult::cmeError(Cme::IncorrectParameters);
        if (std::string(f->name) == "SC" && s.value("sim.present") == "0")
            return AtResult::cmeError(10);
        if (*mode == 2) {
            // This firmware prints the phone lock's state in a field two
            // columns wide ("^SLCK:  1"); the other facilities in one.
            const bool wide = prefix == "^SLCK" && std::string(f->name) == "PS";
            ctx.line(prefix + (wide ? ":  " : ": ") + s.value(f->lockKey));
            return AtResult::ok();
        }
        const AtResult check = checkCode(s, *f, cmd.arg(2));
        if (check.failed())
            return check;
        s.setNumber(f->lockKey, *mode);
        return AtResult::ok();
    };
}

AtResult cpwd(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (cmd.type == AtType::Test) {
        ctx.line("+CPWD: (\"SC\",8),(\"P2\",8),(\"PS\",8)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set)
        return AtResult::error();
    const Facility *f = facility(cmd.arg(0));
    if (!f || !f->codeKey || cmd.args.size() != 3)
        return AtResult::cmeError(Cme::IncorrectParameters);
    const AtResult check = checkCode(s, *f, cmd.arg(1));
    if (check.failed())
        return check;
    if (!validCode(cmd.arg(2)))
        return AtResult::cmeError(Cme::IncorrectParameters);
    s.set(f->codeKey, cmd.arg(2));
    return AtResult::ok();
}

// What the SIM wants at power-on: its PIN while the PIN lock is on (its PUK
// once the attempts are used up), nothing otherwise.
void powerOnWanted(State &s)
{
    if (s.number("pin.attempts") <= 0)
        s.set("pin.wanted", "SIM PUK");
    else
        s.set("pin.wanted", s.flag("lock.sc") ? "SIM PIN" : "READY");
}

// The PUK and a new PIN unblock the SIM; the PUK's own attempts are not counted.
AtResult unblock(State &s, const AtCommand &cmd, const char *pukKey, const char *pinKey, const char *attemptsKey)
{
    if (cmd.args.size() != 2 || !validCode(cmd.arg(1)))
        return AtResult::cmeError(Cme::IncorrectParameters);
    if (cmd.arg(0) != s.value(pukKey))
        return AtResult::cmeError(Cme::IncorrectPassword);
    s.set(pinKey, cmd.arg(1));
    s.set(attemptsKey, "3");
    return AtResult::ok();
}

// AT+CPIN as 3GPP TS 27.007 has it: the read form tells what the SIM waits
// for; the set form answers that wait and is an error while nothing waits
// (no attempt is used then).
AtResult cpin(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    if (s.value("sim.present") == "0")
        return AtResult::cmeError(10);
    std::string wanted = s.value("pin.wanted");
    if (s.number("pin.attempts") <= 0 && wanted != "SIM PUK") {
        wanted = "SIM PUK";  // the PIN was used up elsewhere (AT^SLCK, AT+CPWD)
        s.set("pin.wanted", wanted);
    }
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CPIN: " + wanted);
        return AtResult::ok();
    case AtType::Test:
        return AtResult::ok();
    case AtType::Set:
        break;
    default:
        return AtResult::error();
    }
    if (wanted == "SIM PIN" || wanted == "SIM PIN2") {
        const bool pin2 = wanted == "SIM PIN2";
        const AtResult check = checkCode(s, facilities[pin2 ? 3 : 0], cmd.arg(0));
        if (check.failed()) {
            if (s.number(pin2 ? "pin2.attempts" : "pin.attempts") <= 0)
                s.set("pin.wanted", pin2 ? "SIM PUK2" : "SIM PUK");
            return check;
        }
        s.set("pin.wanted", "READY");
        if (pin2)
            s.set("pin2.verified", "1");
        return AtResult::ok();
    }
    if (wanted == "SIM PUK" || wanted == "SIM PUK2") {
        const bool puk2 = wanted == "SIM PUK2";
        const AtResult done = puk2 ? unblock(s, cmd, "code.puk2", "code.pin2", "pin2.attempts")
                                   : unblock(s, cmd, "code.puk", "code.pin", "pin.attempts");
        if (done.failed())
            return done;
        s.set("pin.wanted", "READY");
        if (puk2)
            s.set("pin2.verified", "1");
        return AtResult::ok();
    }
    return AtResult::cmeError(Cme::OperationNotAllowed);
}

AtResult spic(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Action && cmd.type != AtType::Read)
        return AtResult::error();
    ctx.line("^SPIC: " + ctx.state().value("pin.attempts"));
    return AtResult::ok();
}

const Family family("security", [](Registry &r) {
    r.key("code.pin", "1234", "SIM PIN (facility SC)");
    r.key("code.pin2", "5678", "SIM PIN2 (facility P2)");
    r.key("code.phone", "0000", "phone code (facility PS)");
    r.key("pin.attempts", "3", "PIN attempts left; 0 blocks the SIM (AT^SPIC)", ValueType::range(0, 3));
    r.key("pin2.attempts", "3", "PIN2 attempts left; 0 blocks PIN2", ValueType::range(0, 3));
    r.key("code.puk", "12345678", "SIM PUK: AT+CPIN=\"PUK\",\"new PIN\" while the SIM wants it");
    r.key("code.puk2", "87654321", "SIM PUK2: AT+CPIN=\"PUK2\",\"new PIN2\" while the SIM wants it");
    r.key("pin.wanted", "READY",
          "what AT+CPIN? shows: READY, SIM PIN, SIM PUK, SIM PIN2, SIM PUK2; at power-on SIM PIN while lock.sc is 1",
          ValueType::oneOf({"READY", "SIM PIN", "SIM PUK", "SIM PIN2", "SIM PUK2"}));
    r.key("lock.sc", "0", "SIM PIN lock 0 or 1 (AT^SLCK=\"SC\", AT+CLCK=\"SC\")", ValueType::flag());
    r.key("lock.ps", "0", "phone lock 0 or 1 (AT^SLCK=\"PS\", AT+CLCK=\"PS\")", ValueType::flag());
    r.key("lock.cs", "0", "keypad lock 0 or 1 (AT+CLCK=\"CS\")", ValueType::flag());
    r.at("+CLCK", lockCommand("+CLCK"));
    r.at("^SLCK", lockCommand("^SLCK"));
    r.at("+CPWD", cpwd);
    r.at("+CPIN", cpin);
    r.at("^SPIC", spic);
    r.onPowerOn([](Simulator &sim) { powerOnWanted(sim.state()); });
});

} // namespace
