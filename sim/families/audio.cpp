// Ring, speaker and alert settings and the on/off options: vibration, caller
// id restriction, microphone mute and hands-free.

#include "../family.h"

namespace {

// A setting read as "<prefix>: <value>" and set with "=<n>" in [lo, hi].
AtHandler levelCommand(const std::string &prefix, const std::string &key, long lo, long hi)
{
    return [=](AtContext &ctx, const AtCommand &cmd) {
        switch (cmd.type) {
        case AtType::Read:
            ctx.line(prefix + ": " + ctx.state().value(key));
            return AtResult::ok();
        case AtType::Test:
            ctx.line(prefix + ": (" + std::to_string(lo) + "-" + std::to_string(hi) + ")");
            return AtResult::ok();
        case AtType::Set:
            return ctx.setNumber(cmd, 0, key, lo, hi);
        default:
            return AtResult::error();
        }
    };
}

// +CLIR: <n>,<m>: n is the setting, m what the network provides.
AtResult clir(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("+CLIR: " + ctx.state().value("clir.mode") + "," + ctx.state().value("clir.network"));
        return AtResult::ok();
    case AtType::Test:
        ctx.line("+CLIR: (0-2)");
        return AtResult::ok();
    case AtType::Set:
        return ctx.setNumber(cmd, 0, "clir.mode", 0, 2);
    default:
        return AtResult::error();
    }
}

const Family family("audio", [](Registry &r) {
    r.key("ring.level", "3", "ring level 1..5 (AT+CRSL)", ValueType::range(1, 5));
    r.key("speaker.level", "2", "speaker level 0..4 (AT+CLVL)", ValueType::range(0, 4));
    r.key("alert.mode", "0", "alert mode 0 normal, 1 silent, 2 beep (AT+CALM)", ValueType::range(0, 2));
    r.key("vibration", "1", "vibration alert 0 or 1 (AT+CVIB)", ValueType::flag());
    r.key("mute", "0", "microphone mute 0 or 1 (AT+CMUT)", ValueType::flag());
    r.key("handsfree", "0", "hands-free mode 0 or 1 (AT^SNFS)", ValueType::flag());
    r.key("clir.mode", "0", "caller id restriction 0 default, 1 invoke, 2 suppress (AT+CLIR)",
          ValueType::range(0, 2));
    r.key("clir.network", "4", "caller id restriction as the network has it, 0..4 (AT+CLIR?)",
          ValueType::range(0, 4));
    r.at("+CRSL", levelCommand("+CRSL", "ring.level", 1, 5));
    r.at("+CLVL", levelCommand("+CLVL", "speaker.level", 0, 4));
    r.at("+CALM", levelCommand("+CALM", "alert.mode", 0, 2));
    r.at("+CVIB", levelCommand("+CVIB", "vibration", 0, 1));
    r.at("+CMUT", levelCommand("+CMUT", "mute", 0, 1));
    r.at("^SNFS", levelCommand("^SNFS", "handsfree", 0, 1));
    r.at("+CLIR", clir);
});

} // namespace
