#include "simulator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

// ---- families ------------------------------------------------------------

namespace {
std::vector<std::pair<const char *, Family::Setup>> &families()
{
    static std::vector<std::pair<const char *, Family::Setup>> list;
    return list;
}

constexpr size_t MaxLineLength = 4096;   // longer command lines get ERROR
constexpr size_t MaxDiagBuffer = 65536;  // bytes without a terminator are dropped beyond this

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '!' || c == '%' || c == '-'
        || c == '.' || c == '/' || c == ':' || c == '_';
}

std::string printable(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string hex(const std::string &bytes)
{
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
        out += buf;
    }
    return out;
}

// Splits the text after "=" at commas outside double quotes.
bool splitArgs(const std::string &raw, std::vector<AtArg> &args)
{
    args.clear();
    if (raw.empty())
        return true;
    AtArg current;
    bool inQuotes = false;
    bool afterQuote = false;
    for (char c : raw) {
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
                afterQuote = true;
            } else {
                current.text += c;
            }
        } else if (c == '"') {
            if (afterQuote || !current.text.empty())
                return false;
            inQuotes = true;
            current.quoted = true;
        } else if (c == ',') {
            args.push_back(current);
            current = AtArg();
            afterQuote = false;
        } else {
            if (afterQuote)
                return false;
            current.text += c;
        }
    }
    if (inQuotes)
        return false;
    args.push_back(current);
    return true;
}

// Removes blanks and upper-cases everything outside double quotes (V.250
// ignores both). Returns false for an unterminated quote.
bool normalize(const std::string &body, std::string &out)
{
    bool inQuotes = false;
    for (char c : body) {
        if (c == '"')
            inQuotes = !inQuotes;
        if (!inQuotes && c == ' ')
            continue;
        out += inQuotes ? c : char(std::toupper(static_cast<unsigned char>(c)));
    }
    return !inQuotes;
}

// Splits a normalized command line (without "AT") into commands.
bool parseCommands(const std::string &body, std::vector<AtCommand> &commands)
{
    size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        AtCommand cmd;
        if (c == ';') {
            ++i;
            continue;
        }
        if (c == '+' || c == '^' || c == '*' || c == '$' || c == '%' || c == '#') {
            size_t j = i + 1;
            while (j < body.size() && isNameChar(body[j]))
                ++j;
            if (j == i + 1)
                return false;
            cmd.name = body.substr(i, j - i);
            i = j;
            if (i < body.size() && body[i] == '=') {
                if (i + 1 < body.size() && body[i + 1] == '?') {
                    cmd.type = AtType::Test;
                    i += 2;
                } else {
                    cmd.type = AtType::Set;
                    size_t k = ++i;
                    bool inQuotes = false;
                    while (k < body.size() && (inQuotes || body[k] != ';')) {
                        if (body[k] == '"')
                            inQuotes = !inQuotes;
                        ++k;
                    }
                    cmd.raw = body.substr(i, k - i);
                    if (!splitArgs(cmd.raw, cmd.args))
                        return false;
                    i = k;
                }
            } else if (i < body.size() && body[i] == '?') {
                cmd.type = AtType::Read;
                ++i;
            }
            if (i < body.size() && body[i] != ';')
                return false;
        } else if (c == 'D') {
            // The dial string runs to the end of the line.
            cmd.name = "D";
            cmd.raw = body.substr(i + 1);
            cmd.args.push_back({cmd.raw, false});
            i = body.size();
        } else if (c == 'S' && i + 1 < body.size() && std::isdigit(static_cast<unsigned char>(body[i + 1]))) {
            size_t j = i + 1;
            while (j < body.size() && std::isdigit(static_cast<unsigned char>(body[j])))
                ++j;
            cmd.name = "S";
            cmd.raw = body.substr(i + 1, j - i - 1);
            i = j;
            if (i < body.size() && body[i] == '?') {
                cmd.type = AtType::Read;
                ++i;
            } else if (i < body.size() && body[i] == '=') {
                size_t k = ++i;
                while (k < body.size() && std::isdigit(static_cast<unsigned char>(body[k])))
                    ++k;
                cmd.type = AtType::Set;
                cmd.args.push_back({body.substr(i, k - i), false});
                i = k;
            } else {
                return false;
            }
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '&') {
            size_t j = i + 1;
            if (c == '&') {
                if (j >= body.size() || !std::isalpha(static_cast<unsigned char>(body[j])))
                    return false;
                ++j;
            }
            cmd.name = body.substr(i, j - i);
            size_t k = j;
            while (k < body.size() && std::isdigit(static_cast<unsigned char>(body[k])))
                ++k;
            cmd.raw = body.substr(j, k - j);
            if (!cmd.raw.empty())
                cmd.args.push_back({cmd.raw, false});
            i = k;
            if (i < body.size() && body[i] == '?') {
                cmd.type = AtType::Read;
                ++i;
            }
        } else {
            return false;
        }
        commands.push_back(std::move(cmd));
    }
    return true;
}

// Decodes UTF-8 into code points; bytes that are not UTF-8 stand for themselves.
std::vector<uint32_t> codePoints(const std::string &text)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        uint32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        bool ok = i + size_t(extra) < text.size() + (extra ? 0 : 1);
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
// While the SIM waits for its PIN or PUK (AT+CPIN? not READY), commands that
// read or write the SIM answer +CME ERROR: 11 or 12; their test forms and
// everything else still work, as 3GPP TS 27.007 has it.
int simLocked(const State &state, const AtCommand &cmd)
{
    static const char *const simCommands[] = {
        "+CIMI", "^SCID", "+CCID", "+CNUM", "+CPBS", "+CPBR", "+CPBW", "+CPBF", "^SPBS", "^SDLD",
        "+CSCA", "+CPMS", "+CMGL", "+CMGR", "+CMGS", "+CMGW", "+CMGD", "+CMSS", "+CPUC", "+CACM", "+CAMM"};
    if (cmd.type == AtType::Test)
        return 0;
    const std::string wanted = state.value("pin.wanted");
    const int code = wanted == "SIM PIN" ? Cme::SimPinRequired : wanted == "SIM PUK" ? Cme::SimPukRequired : 0;
    if (code == 0)
        return 0;
    for (const char *name : simCommands)
        if (cmd.name == name)
            return code;
    return 0;
}

} // namespace

Family::Family(const char *name, Setup setup)
{
    families().emplace_back(name, setup);
}

namespace {
std::vector<FamilyOption::Entry> &familyOptions()
{
    static std::vector<FamilyOption::Entry> list;
    return list;
}
} // namespace

FamilyOption::FamilyOption(const char *name, const char *valueName, const char *doc)
{
    familyOptions().push_back({name, valueName, doc});
}

const std::vector<FamilyOption::Entry> &FamilyOption::all()
{
    return familyOptions();
}

void Family::setupAll(Registry &registry)
{
    for (const auto &[name, setup] : families())
        setup(registry);
}

const AtHandler *Registry::findAt(const std::string &name) const
{
    const auto it = m_at.find(name);
    return it == m_at.end() ? nullptr : &it->second;
}

const DiagHandler *Registry::findDiag(uint8_t command, uint8_t subcommand) const
{
    auto it = m_diag.find({command, subcommand});
    if (it == m_diag.end())
        it = m_diag.find({command, -1});
    return it == m_diag.end() ? nullptr : &it->second;
}

std::optional<long> AtCommand::number(size_t i) const
{
    long v;
    if (i >= args.size() || !parseNumber(trim(args[i].text), v))
        return std::nullopt;
    return v;
}

const char *Cme::text(int code)
{
    switch (code) {
    case 0: return "phone failure";
    case 3: return "operation not allowed";
    case 4: return "operation not supported";
    case 5: return "PH-SIM PIN required";
    case 10: return "SIM not inserted";
    case 11: return "SIM PIN required";
    case 12: return "SIM PUK required";
    case 13: return "SIM failure";
    case 16: return "incorrect password";
    case 17: return "SIM PIN2 required";
    case 18: return "SIM PUK2 required";
    case 20: return "memory full";
    case 21: return "invalid index";
    case 22: return "not found";
    case 24: return "text string too long";
    case 25: return "invalid characters in text string";
    case 30: return "no network service";
    case 50: return "incorrect parameters";
    default: return "unknown";
    }
}

// ---- AtContext -----------------------------------------------------------

State &AtContext::state()
{
    return m_sim.state();
}

std::string AtContext::text(const std::string &value) const
{
    if (m_sim.state().value("at.charset") != "UCS2")
        return value;
    std::string out;
    char buf[8];
    for (uint32_t cp : codePoints(value)) {
        std::snprintf(buf, sizeof buf, "%04X", cp > 0xFFFF ? 0xFFFDu : cp);
        out += buf;
    }
    return out;
}

AtResult AtContext::setNumber(const AtCommand &cmd, size_t i, const std::string &key, long lo, long hi)
{
    const auto v = cmd.number(i);
    if (!v || *v < lo || *v > hi)
        return AtResult::cmeError(Cme::IncorrectParameters);
    state().setNumber(key, *v);
    return AtResult::ok();
}

void AtContext::divert(std::function<void(const std::string &)> handler)
{
    m_sim.m_divert = std::move(handler);
}

// ---- Simulator -----------------------------------------------------------

Simulator::Simulator(const Options &options)
    : m_options(options)
    , m_registry(m_state)
{
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(std::string &error)
{
    m_registry.key("power", "on", "on or off; AT^SMSO turns it off, the control command \"power on\" back on",
                   ValueType::oneOf({"on", "off"}));
    m_registry.key("at.echo", "1", "command echo, 0 or 1 (ATE)", ValueType::flag());
    m_registry.key("at.verbose", "1", "verbose result codes, 0 or 1 (ATV)", ValueType::flag());
    m_registry.key("at.quiet", "0", "no result codes, 0 or 1 (ATQ)", ValueType::flag());
    m_registry.key("at.cmee", "1", "error reporting: 0 ERROR, 1 +CME ERROR: n, 2 +CME ERROR: text (AT+CMEE)",
                   ValueType::range(0, 2));
    m_registry.key("at.charset", "GSM", "character set of texts: GSM, IRA or UCS2 (AT+CSCS)",
                   ValueType::oneOf({"GSM", "IRA", "UCS2"}));
    // The line's faults, changeable while the handset runs; the options give
    // their starting values.
    m_registry.key("latency", std::to_string(m_options.pacing.latencyMs),
                   "ms every reply (not the echo) waits after its request, on every port (--latency)",
                   ValueType::range(0, 600000));
    m_registry.key("split", std::to_string(m_options.pacing.splitBytes),
                   "replies go out in pieces of at most this many bytes, 0 whole (--split)",
                   ValueType::range(0, 1 << 20));
    m_registry.key("gap", std::to_string(m_options.pacing.gapMs), "ms of pause after each piece of a reply (--gap)",
                   ValueType::range(0, 600000));
    m_registry.key("junk", "0",
                   "chance in 1000 that an answer on the modem port (AT mode) comes after a random line "
                   "that is no answer",
                   ValueType::range(0, 1000));
    m_registry.key("junk.seed", "1", "seed of the junk lines; setting it starts their sequence again",
                   ValueType::number());

    m_registry.control("get", "get KEY: the key's value", [](Simulator &sim, const std::string &args) {
        const std::string key = trim(args);
        if (!sim.state().known(key))
            return "ERROR unknown key " + key + "\n";
        return sim.state().value(key) + "\n";
    });
    m_registry.control("set", "set KEY VALUE: changes a key (VALUE may be quoted as in a state file)",
                       [](Simulator &sim, const std::string &args) {
        const std::string t = trim(args);
        const size_t sp = t.find_first_of(" \t");
        const std::string key = t.substr(0, sp);
        std::string value;
        if (!State::unquote(sp == std::string::npos ? std::string() : trim(t.substr(sp)), value))
            return std::string("ERROR badly quoted value\n");
        if (key.empty() || !sim.state().known(key))
            return "ERROR unknown key " + key + "\n";
        const std::string wrong = sim.state().checkValue(key, value);
        if (!wrong.empty())
            return "ERROR bad value for " + key + ": " + wrong + "\n";
        sim.state().set(key, value);
        return std::string("OK\n");
    });
    m_registry.control("dump", "dump: every key as a state file", [](Simulator &sim, const std::string &) {
        return sim.state().dump();
    });
    m_registry.control("keys", "keys: every key with its meaning", [](Simulator &sim, const std::string &) {
        std::string out;
        for (const auto &[key, doc] : sim.state().docs())
            out += key + ": " + doc + "\n";
        return out;
    });
    m_registry.control("power", "power on|off: switches the handset", [](Simulator &sim, const std::string &args) {
        const std::string a = trim(args);
        if (a == "on")
            sim.powerOn();
        else if (a == "off")
            sim.powerOff();
        else
            return std::string("ERROR expected power on or power off\n");
        return std::string("OK\n");
    });
    m_registry.control("log", "log [clear]: the AT command lines received, one a line",
                       [](Simulator &sim, const std::string &args) {
        if (trim(args) == "clear") {
            sim.clearAtLog();
            return std::string("OK\n");
        }
        std::string out;
        for (const std::string &l : sim.atLog())
            out += l + "\n";
        return out;
    });
    m_registry.control("diaglog", "diaglog [clear]: the diagnostic frames received, payload in hex",
                       [](Simulator &sim, const std::string &args) {
        if (trim(args) == "clear") {
            sim.clearDiagLog();
            return std::string("OK\n");
        }
        std::string out;
        for (const std::string &l : sim.diagLog())
            out += l + "\n";
        return out;
    });
    m_registry.control("help", "help: this list", [](Simulator &sim, const std::string &) {
        std::string out;
        for (const auto &[word, c] : sim.registry().controls())
            out += c.help + "\n";
        return out;
    });

    Family::setupAll(m_registry);

    if (!m_options.stateFile.empty() && !m_state.loadFile(m_options.stateFile, error))
        return false;
    if (m_options.noEcho)
        m_state.set("at.echo", "0");
    if (!m_options.maker.empty())
        m_state.set("maker", m_options.maker);
    for (const auto &[key, value] : m_state.all())
        if (key.compare(0, 3, "at.") == 0)
            m_profile[key] = value;

    applyLineFaults();
    PtyPort *ports[] = {&m_modem, &m_diag, &m_gps};
    const char *names[] = {"modem", "diag", "gps"};
    for (int i = 0; i < 3; ++i) {
        ports[i]->setInputPaced(ports[i] == &m_diag);
        if (!ports[i]->open(m_options.dir + "/" + names[i], error))
            return false;
    }
    for (const auto &fn : m_registry.starts())
        if (!fn(*this, error))
            return false;
    for (const auto &fn : m_registry.powerOns())
        fn(*this);
    const Clock::time_point now = Clock::now();
    for (const Registry::Tick &t : m_registry.ticks())
        m_tickDue.push_back(now + std::chrono::milliseconds(t.intervalMs));
    return true;
}

Clock::time_point Simulator::nextTick() const
{
    Clock::time_point next = Clock::time_point::max();
    for (const Clock::time_point &due : m_tickDue)
        next = std::min(next, due);
    return next;
}

void Simulator::runTicks(Clock::time_point now)
{
    const auto &ticks = m_registry.ticks();
    for (size_t i = 0; i < ticks.size() && i < m_tickDue.size(); ++i) {
        if (now < m_tickDue[i])
            continue;
        // The next run keeps its own rhythm, but never piles up after a stall.
        const auto interval = std::chrono::milliseconds(ticks[i].intervalMs);
        m_tickDue[i] += interval;
        if (m_tickDue[i] <= now)
            m_tickDue[i] = now + interval;
        ticks[i].fn(*this);
    }
}

void Simulator::gpsInput(const std::string &bytes)
{
    if (m_registry.gpsInput())
        m_registry.gpsInput()(*this, bytes);
}

void Simulator::stop()
{
    m_modem.close();
    m_diag.close();
    m_gps.close();
}

void Simulator::powerOff()
{
    m_state.set("power", "off");
    m_divert = nullptr;
    m_line.clear();
}

void Simulator::powerOn()
{
    if (powered())
        return;
    m_state.set("power", "on");
    resetSession();
    for (const auto &fn : m_registry.powerOns())
        fn(*this);
}

void Simulator::resetSession()
{
    for (const auto &[key, value] : m_profile)
        m_state.set(key, value);
    for (const auto &fn : m_registry.resets())
        fn(*this);
}

void Simulator::remember(std::deque<std::string> &log, const std::string &entry)
{
    // A long fuzzing run must not fill the memory: old lines go first, and a
    // huge line keeps its start.
    while (log.size() >= MaxLogLines)
        log.pop_front();
    if (entry.size() <= MaxLogEntryBytes)
        log.push_back(entry);
    else
        log.push_back(entry.substr(0, MaxLogEntryBytes) + "... (" + std::to_string(entry.size())
                      + " bytes)");
}

void Simulator::modemInput(const std::string &bytes)
{
    if (!powered())
        return;
    const bool silent = m_options.silent;
    std::string echo;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (m_divert) {
            if (!silent)
                m_modem.sendEcho(echo);
            echo.clear();
            m_divert(bytes.substr(i));
            return;
        }
        const char c = bytes[i];
        echo += c;
        // S3 ends a command line (CR), S5 takes back a character (BS).
        if (c == char(m_state.number("at.s3", 13))) {
            if (m_state.flag("at.echo") && !silent)
                m_modem.sendEcho(echo);
            echo.clear();
            const std::string line = m_line;
            m_line.clear();
            executeLine(line);
            if (!powered())
                return;
        } else if (c == char(m_state.number("at.s5", 8))) {
            if (!m_line.empty())
                m_line.pop_back();
        } else if (c != '\n') {
            if (m_line.size() <= MaxLineLength)
                m_line += c;
            // "A/" repeats the last command line at once, without CR.
            const size_t n = m_line.size();
            if (n >= 2 && m_line[n - 1] == '/' && (m_line[n - 2] == 'A' || m_line[n - 2] == 'a')) {
                if (m_state.flag("at.echo") && !silent)
                    m_modem.sendEcho(echo);
                echo.clear();
                m_line.clear();
                if (!m_lastLine.empty())
                    executeLine(m_lastLine);
            }
        }
    }
    if (m_state.flag("at.echo") && !silent)
        m_modem.sendEcho(echo);
}

void Simulator::executeLine(const std::string &line)
{
    size_t at = std::string::npos;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if ((line[i] == 'A' || line[i] == 'a') && (line[i + 1] == 'T' || line[i + 1] == 't')) {
            at = i;
            break;
        }
    }
    if (at == std::string::npos)
        return;  // not a command line: a modem ignores it
    const std::string text = line.substr(at);
    remember(m_atLog, printable(text));
    if (m_options.silent)
        return;
    m_lastLine = text;

    std::string body;
    std::vector<AtCommand> commands;
    sendJunk();
    if (text.size() > MaxLineLength || !normalize(text.substr(2), body) || !parseCommands(body, commands)) {
        sendFinal(AtResult::error());
        return;
    }
    for (const AtCommand &cmd : commands) {
        const AtHandler *handler = m_registry.findAt(cmd.name);
        if (!handler) {
            sendFinal(AtResult::error());
            return;
        }
        if (const int locked = simLocked(m_state, cmd)) {
            sendFinal(AtResult::cmeError(locked));
            return;
        }
        AtContext ctx(*this);
        const AtResult result = (*handler)(ctx, cmd);
        if (result.kind == AtResult::Deferred) {
            sendLines(ctx.lines());
            return;
        }
        if (result.failed()) {
            sendFinal(result);
            return;
        }
        sendLines(ctx.lines());
    }
    sendFinal(AtResult::ok());
}

void Simulator::finishAt(AtResult result, const std::vector<std::string> &lines)
{
    m_divert = nullptr;
    if (!result.failed())
        sendLines(lines);
    sendFinal(result);
}

// The line framing of V.250: S3 ends a line (CR) and S4 follows it (LF).
std::string Simulator::lineEnd() const
{
    return std::string(1, char(m_state.number("at.s3", 13))) + char(m_state.number("at.s4", 10));
}

void Simulator::sendLines(const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    const bool verbose = m_state.flag("at.verbose");
    const std::string end = lineEnd();
    std::string out = verbose ? end : "";
    for (const std::string &l : lines)
        out += l + end;
    m_modem.sendReply(out);
}

void Simulator::sendFinal(const AtResult &result)
{
    if (m_state.flag("at.quiet"))
        return;
    std::string text;
    int code = 0;
    switch (result.kind) {
    case AtResult::Ok:
    case AtResult::Deferred:
        text = "OK";
        break;
    case AtResult::Error:
        text = "ERROR";
        code = 4;
        break;
    case AtResult::NoCarrier:
        text = "NO CARRIER";
        code = 3;
        break;
    case AtResult::CmeError: {
        const long mode = m_state.number("at.cmee", 1);
        if (mode == 1)
            text = "+CME ERROR: " + std::to_string(result.cme);
        else if (mode == 2)
            text = std::string("+CME ERROR: ") + Cme::text(result.cme);
        else
            text = "ERROR";
        code = text == "ERROR" ? 4 : -1;
        break;
    }
    case AtResult::CmsError:
        text = m_state.number("at.cmee", 1) == 0 ? std::string("ERROR") : "+CMS ERROR: " + std::to_string(result.cme);
        code = text == "ERROR" ? 4 : -1;
        break;
    }
    // Numeric mode (ATV0): the V.250 code and S3; +CME ERROR has no code of
    // its own and keeps its text, ended like an information line.
    const std::string end = lineEnd();
    if (m_state.flag("at.verbose"))
        m_modem.sendReply(end + text + end);
    else if (code >= 0)
        m_modem.sendReply(std::to_string(code) + end.substr(0, 1));
    else
        m_modem.sendReply(text + end);
}

// ---- diagnostic port -----------------------------------------------------

uint16_t DiagFrame::crc(const std::string &bytes)
{
    // CRC-16/X.25: reflected polynomial 0x1021, preset and final XOR 0xFFFF.
    uint16_t acc = 0xFFFF;
    for (unsigned char b : bytes) {
        acc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            acc = (acc & 1) ? uint16_t((acc >> 1) ^ 0x8408) : uint16_t(acc >> 1);
    }
    return uint16_t(acc ^ 0xFFFF);
}

std::string DiagFrame::encode(const std::string &payload)
{
    const uint16_t check = crc(payload);
    std::string raw = payload;
    raw += char(check & 0xFF);
    raw += char(check >> 8);
    std::string out;
    for (char c : raw) {
        if (c == 0x7D || c == 0x7E) {
            out += char(0x7D);
            out += char(c ^ 0x20);
        } else {
            out += c;
        }
    }
    out += char(0x7E);
    return out;
}

void Simulator::diagInput(const std::string &bytes)
{
    for (char c : bytes) {
        if (c != 0x7E) {
            if (m_diagBuffer.size() >= MaxDiagBuffer)
                m_diagBuffer.clear();
            m_diagBuffer += c;
            continue;
        }
        std::string frame;
        for (size_t i = 0; i < m_diagBuffer.size(); ++i) {
            if (m_diagBuffer[i] == 0x7D && i + 1 < m_diagBuffer.size())
                frame += char(m_diagBuffer[++i] ^ 0x20);
            else
                frame += m_diagBuffer[i];
        }
        m_diagBuffer.clear();
        if (!frame.empty())  // a lone terminator is a harmless separator
            handleFrame(frame);
    }
}

void Simulator::handleFrame(const std::string &frame)
{
    const bool respond = !m_options.silent && powered();
    if (frame.size() < 3) {
        remember(m_diagLog, hex(frame) + " (too short)");
        if (respond)
            sendFrame(std::string(1, char(0x13)) + frame);
        return;
    }
    const std::string payload = frame.substr(0, frame.size() - 2);
    const uint16_t got = uint16_t(static_cast<unsigned char>(frame[frame.size() - 2])
                                  | static_cast<unsigned char>(frame[frame.size() - 1]) << 8);
    if (got != DiagFrame::crc(payload)) {
        remember(m_diagLog, hex(payload) + " (bad check value)");
        if (respond)
            sendFrame(std::string(1, char(0x13)) + frame.substr(0, 16));
        return;
    }
    remember(m_diagLog, hex(payload));
    if (!respond)
        return;
    const uint8_t command = static_cast<unsigned char>(payload[0]);
    const uint8_t sub = payload.size() > 1 ? static_cast<unsigned char>(payload[1]) : 0xFF;
    const DiagHandler *handler = m_registry.findDiag(command, sub);
    if (!handler) {
        // Unknown command: the chipset's "bad command" reply with the request.
        sendFrame(std::string(1, char(0x13)) + payload.substr(0, 16));
        return;
    }
    if (const auto reply = (*handler)(*this, payload))
        sendFrame(*reply);
}

void Simulator::sendFrame(const std::string &payload)
{
    m_diag.sendReply(DiagFrame::encode(payload));
}

// ---- control -------------------------------------------------------------

std::string Simulator::control(const std::string &line)
{
    std::string t = trim(line);
    const size_t sp = t.find_first_of(" \t");
    const std::string word = t.substr(0, sp);
    const std::string args = sp == std::string::npos ? std::string() : t.substr(sp + 1);
    const auto &controls = m_registry.controls();
    const auto it = controls.find(word);
    if (word.empty())
        return "ERROR empty command\n";
    if (it == controls.end())
        return "ERROR unknown command " + word + " (try help)\n";
    const std::string reply = it->second.handler(*this, args);
    applyLineFaults();
    return reply;
}

void Simulator::applyLineFaults()
{
    Pacing pacing = m_options.pacing;
    pacing.latencyMs = int(m_state.number("latency", pacing.latencyMs));
    pacing.splitBytes = int(m_state.number("split", pacing.splitBytes));
    pacing.gapMs = int(m_state.number("gap", pacing.gapMs));
    for (PtyPort *port : {&m_modem, &m_diag, &m_gps})
        port->setPacing(pacing);
    const std::string seed = m_state.value("junk.seed");
    if (seed != m_junkSeed) {
        m_junkSeed = seed;
        m_junkRandom.seed(std::uint32_t(m_state.number("junk.seed", 1)));
    }
}

void Simulator::sendJunk()
{
    const long rate = m_state.number("junk", 0);
    if (rate <= 0 || long(m_junkRandom() % 1000) >= rate)
        return;
    // Letters, digits and blanks, never a result code: noise, not an answer
    // the program could recognise as one.
    static const char chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789  ";
    static const char *const results[] = {"OK", "ERROR", "RING", "CONNECT", "BUSY", "NO CARRIER", "NO ANSWER",
                                          "NO DIALTONE"};
    std::string junk;
    for (;;) {
        junk.clear();
        const size_t length = 2 + m_junkRandom() % 23;
        for (size_t i = 0; i < length; ++i)
            junk += chars[m_junkRandom() % (sizeof chars - 1)];
        junk = trim(junk);
        if (!junk.empty()
            && std::none_of(std::begin(results), std::end(results), [&](const char *r) { return junk == r; }))
            break;
    }
    const std::string end = lineEnd();
    m_modem.sendReply(end + junk + end);
}
