// The phonebook memories of 3GPP TS 27.007 (+CPBS, +CPBR, +CPBW) and the
// maker's own (^SPBS for SD, DC, EN, MB, OW; ^SDLD clears the dialled
// calls).
//
// Entries live in the state as pb.MEM.N = number,type,name (the name is the
// rest of the value, UTF-8, commas allowed) and capacities as pb.MEM.size.
// Names are answered in the character set of AT+CSCS: UCS2 as hex, IRA as
// ASCII ("?" for the rest), GSM in the GSM 7-bit default alphabet with its
// extension table, where the Czech letters it lacks lose their accents, as on
// the handset's own screen.
// Names written with AT+CPBW are read in the same character set.
//
// MC, RC and LD are read-only lists (LD can be cleared). FD wants the PIN2:
// each selection of FD asks for it anew (AT+CPIN? shows SIM PIN2), reading or
// writing it before then is +CME ERROR: 17.

#include "../family.h"

#include <cstdio>
#include <cstdint>

namespace {

struct Memory
{
    const char *code;
    bool makerSpecific;
    bool writable;
    const char *size;
};

const Memory memories[] = {
    {"SM", false, true, "250"}, {"ME", false, true, "500"}, {"ON", false, true, "4"},
    {"MC", false, false, "30"}, {"RC", false, false, "30"}, {"LD", false, false, "30"},
    {"FD", false, true, "20"},  {"SD", true, false, "10"},  {"DC", true, false, "10"},
    {"EN", true, true, "5"},    {"MB", true, true, "2"},    {"OW", true, true, "5"},
};

constexpr size_t NumberLength = 20;
constexpr size_t NameLength = 14;
constexpr int InvalidCharacters = 25;
constexpr int DialStringTooLong = 26;

// The realistic phonebook seeded at start (unless pb.seed is 0): gaps between
// used locations, Czech names, VIP entries ("!").
const char *const seed[][2] = {
    {"pb.SM.1", "+420603123456,145,Jan Novák"},
    {"pb.SM.2", "+420724555111,145,Maminka!"},
    {"pb.SM.3", "+420602987001,145,Novak!"},
    {"pb.SM.5", "+420777888999,145,Petr Dvořák"},
    {"pb.SM.8", "+420732444555,145,Šárka Veselá"},
    {"pb.SM.9", "+420608111222,145,Jiří Černý!"},
    {"pb.SM.12", "800123456,129,Zákaznická"},
    {"pb.SM.20", "+420241000111,145,Kancelář"},
    {"pb.ME.1", "+420608765432,145,Lucie Horáková"},
    {"pb.ME.4", "+420731222333,145,Ordinace"},
    {"pb.ME.7", "+420222333444,145,Škola, ředitel"},
    {"pb.ON.1", "+420603987654,145,Moje číslo"},
    {"pb.MC.1", "+420603123456,145,Jan Novák"},
    {"pb.MC.2", "+420221000111,145,"},
    {"pb.RC.1", "+420724555111,145,Maminka"},
    {"pb.RC.2", "+420777888999,145,Petr Dvořák"},
    {"pb.LD.1", "+420777888999,145,Petr Dvořák"},
    {"pb.LD.2", "112,129,"},
    {"pb.FD.1", "+420603123456,145,Jan Novák"},
    {"pb.FD.2", "+420724555111,145,Maminka"},
    {"pb.SD.1", "603603603,129,Informace"},
    {"pb.SD.2", "4603,129,Zákaznická"},
    {"pb.EN.1", "112,129,SOS"},
    {"pb.EN.2", "150,129,Hasiči"},
    {"pb.EN.3", "155,129,Záchranka"},
    {"pb.EN.4", "158,129,Policie"},
    {"pb.MB.1", "+420603999999,145,Hlasová schr."},
};

const Memory *memory(const std::string &code)
{
    const std::string upper = toUpper(code);
    for (const Memory &m : memories)
        if (upper == m.code)
            return &m;
    return nullptr;
}

const Memory &selected(State &s)
{
    const Memory *m = memory(s.value("pb.selected"));
    return m ? *m : memories[0];
}

std::string key(const Memory &m, long location)
{
    return std::string("pb.") + m.code + "." + std::to_string(location);
}

long capacity(State &s, const Memory &m)
{
    return s.number(std::string("pb.") + m.code + ".size");
}

// ---- character sets --------------------------------------------------------

std::vector<uint32_t> decodeUtf8(const std::string &text)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        uint32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        bool ok = i + size_t(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + size_t(k)]);
            ok = (d & 0xC0) == 0x80;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok || (c >= 0x80 && extra == 0)) {
            out.push_back(c);
            ++i;
        } else {
            out.push_back(cp);
            i += size_t(extra) + 1;
        }
    }
    return out;
}

std::string encodeUtf8(uint32_t cp)
{
    std::string out;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
    return out;
}

// The GSM 7-bit default alphabet where it differs from ASCII (3GPP TS 23.038).
const std::pair<uint32_t, unsigned char> gsmLetters[] = {
    {'@', 0x00}, {0xA3, 0x01}, {'$', 0x02}, {0xA5, 0x03}, {0xE8, 0x04}, {0xE9, 0x05}, {0xF9, 0x06},
    {0xEC, 0x07}, {0xF2, 0x08}, {0xC7, 0x09}, {0xD8, 0x0B}, {0xF8, 0x0C}, {0xC5, 0x0E}, {0xE5, 0x0F},
    {'_', 0x11}, {0xC6, 0x1C}, {0xE6, 0x1D}, {0xDF, 0x1E}, {0xC9, 0x1F}, {0xA4, 0x24}, {0xA1, 0x40},
    {0xC4, 0x5B}, {0xD6, 0x5C}, {0xD1, 0x5D}, {0xDC, 0x5E}, {0xA7, 0x5F}, {0xBF, 0x60}, {0xE4, 0x7B},
    {0xF6, 0x7C}, {0xF1, 0x7D}, {0xFC, 0x7E}, {0xE0, 0x7F},
};

// The extension table behind the escape code 0x1B.
const std::pair<uint32_t, unsigned char> gsmExtension[] = {
    {'^', 0x14}, {'{', 0x28}, {'}', 0x29}, {'\\', 0x2F}, {'[', 0x3C},
    {'~', 0x3D}, {']', 0x3E}, {'|', 0x40}, {0x20AC, 0x65},
};

// Czech letters outside the GSM alphabet, shown without their accents.
const std::pair<uint32_t, char> plainLetters[] = {
    {0xE1, 'a'}, {0xC1, 'A'}, {0x10D, 'c'}, {0x10C, 'C'}, {0x10F, 'd'}, {0x10E, 'D'}, {0x11B, 'e'},
    {0x11A, 'E'}, {0xED, 'i'}, {0xCD, 'I'}, {0x148, 'n'}, {0x147, 'N'}, {0xF3, 'o'}, {0xD3, 'O'},
    {0x159, 'r'}, {0x158, 'R'}, {0x161, 's'}, {0x160, 'S'}, {0x165, 't'}, {0x164, 'T'}, {0xFA, 'u'},
    {0xDA, 'U'}, {0x16F, 'u'}, {0x16E, 'U'}, {0xFD, 'y'}, {0xDD, 'Y'}, {0x17E, 'z'}, {0x17D, 'Z'},
};

bool isGsmAscii(uint32_t cp)
{
    // ASCII characters the GSM alphabet holds at the same code (the rest
    // are in gsmLetters or in the extension table).
    return cp >= 0x20 && cp < 0x7F && cp != '@' && cp != '$' && cp != '_' && cp != '[' && cp != ']'
           && cp != '\\' && cp != '^' && cp != '`' && cp != '{' && cp != '}' && cp != '|' && cp != '~';
}

std::string toPhoneText(AtContext &ctx, const std::string &utf8)
{
    const std::string charset = ctx.state().value("at.charset");
    if (charset == "UCS2")
        return ctx.text(utf8);
    std::string out;
    for (uint32_t cp : decodeUtf8(utf8)) {
        if (charset == "IRA") {
            out += cp >= 0x20 && cp < 0x7F ? char(cp) : '?';
            continue;
        }
        if (isGsmAscii(cp)) {
            out += char(cp);
            continue;
        }
        char c = '?';
        for (const auto &[from, to] : gsmExtension)
            if (from == cp) {
                out += char(0x1B);
                c = char(to);
            }
        for (const auto &[from, to] : gsmLetters)
            if (from == cp)
                c = char(to);
        for (const auto &[from, to] : plainLetters)
            if (from == cp)
                c = to;
        out += c;
    }
    return out;
}

// A text written by the client, back to UTF-8; false for a character the
// character set cannot hold.
bool fromPhoneText(AtContext &ctx, const std::string &text, std::string &utf8)
{
    const std::string charset = ctx.state().value("at.charset");
    utf8.clear();
    if (charset == "UCS2") {
        if (text.size() % 4 != 0)
            return false;
        for (size_t i = 0; i < text.size(); i += 4) {
            unsigned value = 0;
            if (std::sscanf(text.substr(i, 4).c_str(), "%4x", &value) != 1)
                return false;
            utf8 += encodeUtf8(value);
        }
        return true;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80)
            return false;
        if (charset == "GSM" && c == 0x1B) {
            if (++i >= text.size())
                return false;
            bool found = false;
            for (const auto &[from, to] : gsmExtension)
                if (to == static_cast<unsigned char>(text[i])) {
                    utf8 += encodeUtf8(from);
                    found = true;
                }
            if (!found)
                return false;
            continue;
        }
        if (charset == "GSM" && !isGsmAscii(c)) {
            bool found = false;
            for (const auto &[from, to] : gsmLetters) {
                if (to == c) {
                    utf8 += encodeUtf8(from);
                    found = true;
                    break;
                }
            }
            if (!found)
                return false;
            continue;
        }
        utf8 += char(c);
    }
    return true;
}

size_t textLength(const std::string &utf8)
{
    return decodeUtf8(utf8).size();
}

// ---- entries ---------------------------------------------------------------

struct Entry
{
    std::string number;
    std::string type;
    std::string name;
};

bool entry(State &s, const Memory &m, long location, Entry &out)
{
    const std::string value = s.value(key(m, location));
    if (value.empty())
        return false;
    const size_t c1 = value.find(',');
    const size_t c2 = c1 == std::string::npos ? std::string::npos : value.find(',', c1 + 1);
    out.number = value.substr(0, c1);
    out.type = c1 == std::string::npos ? std::string() : value.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    out.name = c2 == std::string::npos ? std::string() : value.substr(c2 + 1);
    if (out.type.empty())
        out.type = !out.number.empty() && out.number[0] == '+' ? "145" : "129";
    return true;
}

long usedCount(State &s, const Memory &m)
{
    long used = 0;
    Entry e;
    for (long i = 1; i <= capacity(s, m); ++i)
        used += entry(s, m, i, e) ? 1 : 0;
    return used;
}

// FD is open only once this selection's PIN2 has been given.
AtResult access(State &s, const Memory &m)
{
    if (std::string(m.code) != "FD" || s.flag("pin2.verified"))
        return AtResult::ok();
    return AtResult::cmeError(s.number("pin2.attempts") <= 0 ? Cme::SimPuk2Required : Cme::SimPin2Required);
}

void select(State &s, const Memory &m)
{
    s.set("pb.selected", m.code);
    const std::string wanted = s.value("pin.wanted");
    if (std::string(m.code) == "FD") {
        s.set("pin2.verified", "0");
        if (wanted == "READY" || wanted == "SIM PIN2" || wanted == "SIM PUK2")
            s.set("pin.wanted", s.number("pin2.attempts") <= 0 ? "SIM PUK2" : "SIM PIN2");
    } else if (wanted == "SIM PIN2" || wanted == "SIM PUK2") {
        s.set("pin.wanted", "READY");
    }
}

// +CPBS / ^SPBS: the standard memories with the one, the maker's with the other.
AtHandler storageCommand(bool makerSpecific)
{
    const std::string prefix = makerSpecific ? "^SPBS" : "+CPBS";
    return [makerSpecific, prefix](AtContext &ctx, const AtCommand &cmd) {
        State &s = ctx.state();
        switch (cmd.type) {
        case AtType::Test: {
            std::string list;
            for (const Memory &m : memories)
                if (m.makerSpecific == makerSpecific)
                    list += std::string(list.empty() ? "" : ",") + "\"" + m.code + "\"";
            ctx.line(prefix + ": (" + list + ")");
            return AtResult::ok();
        }
        case AtType::Read: {
            const Memory &m = selected(s);
            if (m.makerSpecific != makerSpecific)
                return AtResult::cmeError(Cme::OperationNotAllowed);
            ctx.line(prefix + ": \"" + m.code + "\"," + std::to_string(usedCount(s, m)) + ","
                     + std::to_string(capacity(s, m)));
            return AtResult::ok();
        }
        case AtType::Set: {
            const Memory *m = memory(cmd.arg(0));
            if (!m || m->makerSpecific != makerSpecific)
                return AtResult::cmeError(Cme::OperationNotSupported);
            select(s, *m);
            return AtResult::ok();
        }
        default:
            return AtResult::error();
        }
    };
}

void entryLine(AtContext &ctx, long location, const Entry &e)
{
    ctx.line("+CPBR: " + std::to_string(location) + ",\"" + e.number + "\"," + e.type + ",\""
             + toPhoneText(ctx, e.name) + "\"");
}

AtResult cpbr(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    const Memory &m = selected(s);
    if (cmd.type == AtType::Test) {
        ctx.line("+CPBR: (1-" + std::to_string(capacity(s, m)) + ")," + std::to_string(NumberLength) + ","
                 + std::to_string(NameLength));
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set)
        return AtResult::error();
    const AtResult open = access(s, m);
    if (open.failed())
        return open;
    const auto first = cmd.number(0);
    const auto last = cmd.hasArg(1) ? cmd.number(1) : first;
    if (!first || !last || cmd.args.size() > 2)
        return AtResult::cmeError(Cme::IncorrectParameters);
    if (*first < 1 || *last > capacity(s, m) || *last < *first)
        return AtResult::cmeError(Cme::InvalidIndex);
    Entry e;
    for (long i = *first; i <= *last; ++i)
        if (entry(s, m, i, e))
            entryLine(ctx, i, e);
    if (ctx.lines().empty() && s.flag("pb.empty_error"))
        return AtResult::cmeError(Cme::NotFound);
    return AtResult::ok();
}

bool validNumber(const std::string &number)
{
    return number.find_first_not_of("+0123456789*#pPwW") == std::string::npos
           && number.find('+', 1) == std::string::npos;
}

// AT+CPBW=[index][,number[,type[,text]]]: index alone erases; without index
// the entry goes to the first free location.
AtResult cpbw(AtContext &ctx, const AtCommand &cmd)
{
    State &s = ctx.state();
    const Memory &m = selected(s);
    if (cmd.type == AtType::Test) {
        ctx.line("+CPBW: (1-" + std::to_string(capacity(s, m)) + ")," + std::to_string(NumberLength)
                 + ",(129,145)," + std::to_string(NameLength));
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set || cmd.args.empty() || cmd.args.size() > 4)
        return AtResult::cmeError(Cme::IncorrectParameters);
    if (!m.writable)
        return AtResult::cmeError(Cme::OperationNotAllowed);
    const AtResult open = access(s, m);
    if (open.failed())
        return open;
    long location = 0;
    if (cmd.hasArg(0)) {
        const auto index = cmd.number(0);
        if (!index)
            return AtResult::cmeError(Cme::IncorrectParameters);
        location = *index;
    } else {
        Entry e;
        for (long i = 1; i <= capacity(s, m) && location == 0; ++i)
            if (!entry(s, m, i, e))
                location = i;
        if (location == 0)
            return AtResult::cmeError(20);  // memory full
    }
    if (location < 1 || location > capacity(s, m))
        return AtResult::cmeError(Cme::InvalidIndex);
    if (cmd.args.size() == 1) {
        s.remove(key(m, location));
        return AtResult::ok();
    }
    const std::string number = cmd.arg(1);
    if (number.empty() || !validNumber(number))
        return AtResult::cmeError(Cme::IncorrectParameters);
    if (number.size() > NumberLength)
        return AtResult::cmeError(DialStringTooLong);
    std::string type = number[0] == '+' ? "145" : "129";
    if (cmd.hasArg(2)) {
        const auto t = cmd.number(2);
        if (!t || *t < 128 || *t > 255)
            return AtResult::cmeError(Cme::IncorrectParameters);
        type = std::to_string(*t);
    }
    std::string name;
    if (!fromPhoneText(ctx, cmd.arg(3), name))
        return AtResult::cmeError(InvalidCharacters);
    if (textLength(name) > NameLength)
        return AtResult::cmeError(Cme::TextTooLong);
    s.set(key(m, location), number + "," + type + "," + name);
    return AtResult::ok();
}

// AT^SDLD: clears the dialled calls.
AtResult sdld(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Action)
        return AtResult::error();
    State &s = ctx.state();
    const Memory &ld = *memory("LD");
    for (long i = 1; i <= capacity(s, ld); ++i)
        s.remove(key(ld, i));
    return AtResult::ok();
}

// AT+CPINR[=code]: the tries left of the SIM's codes (3GPP TS 27.007),
// "+CPINR: SIM PIN2,2,3"; the PUKs' tries are not counted, so not listed.
AtResult cpinr(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test)
        return AtResult::ok();
    if (cmd.type != AtType::Set && cmd.type != AtType::Action)
        return AtResult::error();
    const std::string wanted = cmd.type == AtType::Set ? toUpper(cmd.arg(0)) : std::string();
    State &s = ctx.state();
    for (const auto &[code, key] : {std::pair<const char *, const char *>{"SIM PIN", "pin.attempts"},
                                    std::pair<const char *, const char *>{"SIM PIN2", "pin2.attempts"}})
        if (wanted.empty() || wanted == code)
            ctx.line(std::string("+CPINR: ") + code + "," + std::to_string(s.number(key)) + ",3");
    return AtResult::ok();
}

std::string listMemory(Simulator &sim, const std::string &args)
{
    const Memory *m = memory(trim(args));
    if (!m)
        return "ERROR expected pb MEM (SM, ME, ON, MC, RC, LD, FD, SD, DC, EN, MB, OW)\n";
    std::string out;
    Entry e;
    for (long i = 1; i <= capacity(sim.state(), *m); ++i)
        if (entry(sim.state(), *m, i, e))
            out += std::to_string(i) + " " + e.number + "," + e.type + "," + e.name + "\n";
    return out;
}

const Family family("phonebook", [](Registry &r) {
    r.keyPrefix("pb.", "phonebook: pb.MEM.size capacity of memory MEM, pb.MEM.N location N as number,type,name");
    for (const Memory &m : memories)
        r.key(std::string("pb.") + m.code + ".size", m.size,
              std::string("capacity of memory ") + m.code + " (" + (m.makerSpecific ? "AT^SPBS" : "AT+CPBS") + ")");
    r.key("pb.seed", "1", "1: the default phonebook fills the locations the state file leaves out; 0: only the file's entries");
    r.key("pb.selected", "SM", "memory selected with AT+CPBS or AT^SPBS");
    r.key("pb.empty_error", "0", "1: an empty location answers +CME ERROR: 22 instead of OK (AT+CPBR)");
    r.key("pin2.verified", "0", "1 once the PIN2 of this selection of FD has been given");
    r.at("+CPBS", storageCommand(false));
    r.at("^SPBS", storageCommand(true));
    r.at("+CPBR", cpbr);
    r.at("+CPBW", cpbw);
    r.at("^SDLD", sdld);
    r.at("+CPINR", cpinr);
    r.control("pb", "pb MEM: the used locations of memory MEM as \"N number,type,name\" lines", listMemory);
    r.onStart([](Simulator &sim, std::string &) {
        State &s = sim.state();
        if (s.flag("pb.seed"))
            for (const auto &[k, v] : seed)
                if (!s.has(k))
                    s.set(k, v);
        return true;
    });
    r.onReset([](Simulator &sim) {
        sim.state().set("pb.selected", "SM");
        sim.state().set("pin2.verified", "0");
    });
});

} // namespace
