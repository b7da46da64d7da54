#pragma once

#include "port.h"
#include "state.h"

#include <deque>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

class Simulator;

// ---- AT commands ---------------------------------------------------------

enum class AtType { Action, Read, Test, Set };

struct AtArg
{
    std::string text;   // without the quotes
    bool quoted = false;
};

// One command of a command line, as V.250 splits it.
struct AtCommand
{
    std::string name;       // upper case: "+CGMI", "^SLCK", "E", "&F", "D", "S"
    AtType type = AtType::Action;
    std::string raw;        // text after "=" (Set), the digits of a basic command, the dial string
    std::vector<AtArg> args;  // raw split at commas outside quotes

    bool hasArg(size_t i) const { return i < args.size() && (!args[i].text.empty() || args[i].quoted); }
    std::string arg(size_t i) const { return i < args.size() ? args[i].text : std::string(); }
    // The argument as a whole number; nullopt when missing or not a number.
    std::optional<long> number(size_t i) const;
};

struct AtResult
{
    enum Kind { Ok, Error, CmeError, CmsError, Deferred, NoCarrier } kind = Ok;
    int cme = 0;  // the error number of CmeError and CmsError

    static AtResult ok() { return {Ok, 0}; }
    static AtResult error() { return {Error, 0}; }
    static AtResult cmeError(int code) { return {CmeError, code}; }
    // "+CMS ERROR: n" of the message service (3GPP TS 27.005), numeric
    // whenever AT+CMEE is not 0.
    static AtResult cmsError(int code) { return {CmsError, code}; }
    // The handler has taken over the input (see AtContext::divert); it
    // finishes the command later with Simulator::finishAt().
    static AtResult deferred() { return {Deferred, 0}; }
    // The final result "NO CARRIER" (V.250 code 3): no call to answer or keep.
    static AtResult noCarrier() { return {NoCarrier, 0}; }
    bool failed() const { return kind == Error || kind == CmeError || kind == CmsError || kind == NoCarrier; }
};

// Error numbers of 3GPP TS 27.007 used by the handset.
namespace Cme {
constexpr int OperationNotAllowed = 3;
constexpr int OperationNotSupported = 4;
constexpr int SimPinRequired = 11;
constexpr int SimPukRequired = 12;
constexpr int IncorrectPassword = 16;
constexpr int SimPin2Required = 17;
constexpr int SimPuk2Required = 18;
constexpr int InvalidIndex = 21;
constexpr int NotFound = 22;
constexpr int TextTooLong = 24;
constexpr int IncorrectParameters = 50;
constexpr int Unknown = 100;
const char *text(int code);
} // namespace Cme

class AtContext
{
public:
    AtContext(Simulator &sim) : m_sim(sim) {}
    Simulator &sim() { return m_sim; }
    State &state();

    // An information line of the answer (without CR LF).
    void line(const std::string &text) { m_lines.push_back(text); }
    const std::vector<std::string> &lines() const { return m_lines; }
    void clearLines() { m_lines.clear(); }

    // A text value in the character set chosen with AT+CSCS ("UCS2": hex).
    std::string text(const std::string &value) const;

    // Sets a numeric key from argument i when it is a number in [lo, hi];
    // +CME ERROR: 50 otherwise.
    AtResult setNumber(const AtCommand &cmd, size_t i, const std::string &key, long lo, long hi);

    // Sends every further byte of the modem port to handler instead of the
    // command parser, until Simulator::finishAt() is called.
    void divert(std::function<void(const std::string &bytes)> handler);

private:
    Simulator &m_sim;
    std::vector<std::string> m_lines;
};

using AtHandler = std::function<AtResult(AtContext &, const AtCommand &)>;
using ControlHandler = std::function<std::string(Simulator &, const std::string &args)>;
// Gets the payload of a good frame; returns the reply payload, or nothing for no reply.
using DiagHandler = std::function<std::optional<std::string>(Simulator &, const std::string &payload)>;

// What the families register. Filled once at start-up.
class Registry
{
public:
    explicit Registry(State &state) : m_state(state) {}

    // A key with a type (ValueType::range, flag, oneOf) refuses other values in `set`.
    void key(const std::string &key, const std::string &defaultValue, const std::string &doc,
             ValueType type = {})
    {
        m_state.declare(key, defaultValue, doc, std::move(type));
    }
    void keyPrefix(const std::string &prefix, const std::string &doc) { m_state.declarePrefix(prefix, doc); }
    void at(const std::string &name, AtHandler handler) { m_at[name] = std::move(handler); }
    void control(const std::string &word, const std::string &help, ControlHandler handler)
    {
        m_control[word] = {help, std::move(handler)};
    }
    // subcommand -1: every frame of that command without a handler of its own.
    void diag(uint8_t command, int subcommand, DiagHandler handler)
    {
        m_diag[{command, subcommand}] = std::move(handler);
    }
    // Runs on power-on and ATZ after the session values are reset.
    void onReset(std::function<void(Simulator &)> fn) { m_resets.push_back(std::move(fn)); }
    // Runs when the handset is switched on: once at the start (after the
    // onStart runs) and on each "power on" after the session reset.
    void onPowerOn(std::function<void(Simulator &)> fn) { m_powerOns.push_back(std::move(fn)); }
    // Runs once after the state is loaded and the ports are open (a family
    // that serves a folder makes it here); false with error stops the start.
    void onStart(std::function<bool(Simulator &, std::string &error)> fn) { m_starts.push_back(std::move(fn)); }
    // Runs every intervalMs from the main loop (the GPS port's once-a-second
    // sentences, guard times); the first run is intervalMs after the start.
    void every(int intervalMs, std::function<void(Simulator &)> fn)
    {
        m_ticks.push_back({intervalMs, std::move(fn)});
    }
    // Gets the bytes that arrive on the GPS port (ignored without one).
    void onGpsInput(std::function<void(Simulator &, const std::string &)> fn) { m_gpsInput = std::move(fn); }

    const AtHandler *findAt(const std::string &name) const;
    const DiagHandler *findDiag(uint8_t command, uint8_t subcommand) const;
    struct Control
    {
        std::string help;
        ControlHandler handler;
    };
    const std::map<std::string, Control> &controls() const { return m_control; }
    const std::vector<std::function<void(Simulator &)>> &resets() const { return m_resets; }
    const std::vector<std::function<bool(Simulator &, std::string &)>> &starts() const { return m_starts; }
    const std::vector<std::function<void(Simulator &)>> &powerOns() const { return m_powerOns; }
    struct Tick
    {
        int intervalMs;
        std::function<void(Simulator &)> fn;
    };
    const std::vector<Tick> &ticks() const { return m_ticks; }
    const std::function<void(Simulator &, const std::string &)> &gpsInput() const { return m_gpsInput; }

private:
    State &m_state;
    std::map<std::string, AtHandler> m_at;
    std::map<std::string, Control> m_control;
    std::map<std::pair<uint8_t, int>, DiagHandler> m_diag;
    std::vector<std::function<void(Simulator &)>> m_resets;
    std::vector<std::function<bool(Simulator &, std::string &)>> m_starts;
    std::vector<std::function<void(Simulator &)>> m_powerOns;
    std::vector<Tick> m_ticks;
    std::function<void(Simulator &, const std::string &)> m_gpsInput;
};

// A command family registers itself by defining one static Family object.
class Family
{
public:
    using Setup = void (*)(Registry &);
    Family(const char *name, Setup setup);
    static void setupAll(Registry &registry);
};

// A command-line option of a family ("--efs DIR"), declared by one static
// object beside the family. Its value is in Options::extra under its name
// ("" for a flag); the usage text lists every one.
class FamilyOption
{
public:
    // valueName: the value's name in the usage text ("DIR"), or nullptr for a flag.
    FamilyOption(const char *name, const char *valueName, const char *doc);
    struct Entry
    {
        const char *name;
        const char *valueName;
        const char *doc;
    };
    static const std::vector<Entry> &all();
};

// ---- the handset ---------------------------------------------------------

struct Options
{
    std::string dir;
    std::string stateFile;
    Pacing pacing;
    bool silent = false;
    bool noEcho = false;
    std::string maker;  // empty: the state's default
    std::map<std::string, std::string> extra;  // family options given, by name ("--efs")

    bool has(const std::string &option) const { return extra.count(option) != 0; }
    std::string value(const std::string &option) const
    {
        const auto it = extra.find(option);
        return it == extra.end() ? std::string() : it->second;
    }
};

class Simulator
{
public:
    explicit Simulator(const Options &options);
    ~Simulator();

    // Declares the keys, loads the state file and opens the ports.
    bool start(std::string &error);
    void stop();

    State &state() { return m_state; }
    const Registry &registry() const { return m_registry; }
    const Options &options() const { return m_options; }
    PtyPort &modem() { return m_modem; }
    PtyPort &diagPort() { return m_diag; }
    PtyPort &gps() { return m_gps; }

    // Bytes that arrived on each port.
    void modemInput(const std::string &bytes);
    void diagInput(const std::string &bytes);
    void gpsInput(const std::string &bytes);

    // The periodic runs (Registry::every): when the next one is due, and
    // running those that are due at now.
    Clock::time_point nextTick() const;
    void runTicks(Clock::time_point now);

    // Power: off stops all answers on the modem port until powerOn().
    bool powered() const { return m_state.value("power") != "off"; }
    void powerOff();
    void powerOn();
    // Back to the session defaults (echo, verbose, error mode, ...), as ATZ does.
    void resetSession();

    // Finishes a deferred command (see AtResult::deferred).
    void finishAt(AtResult result, const std::vector<std::string> &lines);
    // Gives the modem port's bytes to handler from now on (nullptr: back to
    // the command parser), with no result sent: a mode changed by the
    // control socket rather than by a command.
    void divertModem(std::function<void(const std::string &bytes)> handler) { m_divert = std::move(handler); }

    // The control socket's command line.
    std::string control(const std::string &line);
    // Puts the keys latency, split and gap into the ports' pacing and
    // reseeds the junk lines when junk.seed changed (after every control
    // command, so that "set" takes effect at once).
    void applyLineFaults();

    // The most recent MaxLogLines entries of each log; longer entries are
    // cut to MaxLogEntryBytes and say so.
    static constexpr size_t MaxLogLines = 10000;
    static constexpr size_t MaxLogEntryBytes = 2048;
    const std::deque<std::string> &atLog() const { return m_atLog; }
    const std::deque<std::string> &diagLog() const { return m_diagLog; }
    void clearAtLog() { m_atLog.clear(); }
    void clearDiagLog() { m_diagLog.clear(); }

private:
    friend class AtContext;
    void executeLine(const std::string &line);
    void sendFinal(const AtResult &result);
    std::string lineEnd() const;
    void sendLines(const std::vector<std::string> &lines);
    void handleFrame(const std::string &frame);
    void sendFrame(const std::string &payload);
    void remember(std::deque<std::string> &log, const std::string &entry);
    // Now and then (key "junk") a random line before an answer.
    void sendJunk();

    Options m_options;
    State m_state;
    Registry m_registry;
    PtyPort m_modem, m_diag, m_gps;
    std::map<std::string, std::string> m_profile;  // session keys ("at.*") as started

    std::string m_line;       // command line being received
    std::string m_lastLine;   // for "A/"
    std::function<void(const std::string &)> m_divert;
    std::string m_diagBuffer;
    std::deque<std::string> m_atLog, m_diagLog;
    std::vector<Clock::time_point> m_tickDue;
    std::mt19937 m_junkRandom{1};
    std::string m_junkSeed;
};

// Frame helpers of the diagnostic port (CRC-16/X.25, 7D/7E escaping).
namespace DiagFrame {
uint16_t crc(const std::string &bytes);
std::string encode(const std::string &payload);
} // namespace DiagFrame
