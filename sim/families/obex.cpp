// OBEX on the modem port, after the switch with AT^SQWE (the handset's own
// command; IrDA OBEX 1.2 and the folder-browsing service of OBEX FTP for
// what follows).
//
//   AT^SQWE?    -> ^SQWE: 0           AT^SQWE=0 -> OK
//   AT^SQWE=3   -> OK, then the port speaks OBEX
//
// In OBEX mode every byte goes to this family (AtContext::divert). Requests
// are cut by their length field; a byte that cannot start a request is
// dropped. "+++" between packets, with the guard time of silence before and
// after it (key obex.guard), returns the port to AT commands with "OK", as
// the Hayes escape does; bytes within the guard after it cancel the escape.
//
// The file tree is a real folder: --obex DIR, or a temporary demo tree. The
// server knows CONNECT (the handset's file-browsing service and the standard
// folder-browsing service; without a Target the default service), DISCONNECT,
// SETPATH (root, child, parent; flag 02 "don't create" gives Not found for a
// missing folder, without it the folder is made), GET of
// "x-obex/folder-listing" and of a file by name, PUT of a file, PUT with a
// name and no body as delete, ABORT. Responses longer than the client's
// packet size go as Continue packets, one for each GET.

#include "../family.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const FamilyOption obexOption("--obex", "DIR",
                              "serves DIR as the handset's files over OBEX (default: a temporary demo tree)");

const std::string HandsetService("\x6B\x01\xCB\x31\x41\x06\x11\xD4\x9A\x77\x00\x50\xDA\x3F\x47\x1F", 16);
const std::string FolderBrowsing("\xF9\xEC\x7B\xC4\x95\x3C\x11\xD2\x98\x4E\x52\x54\x00\xDC\x9E\x09", 16);

constexpr unsigned char Continue = 0x90, Success = 0xA0, BadRequest = 0xC0, Forbidden = 0xC3,
                        NotFound = 0xC4, NotImplemented = 0xD1, ServiceUnavailable = 0xD3;

struct Header
{
    unsigned char id;
    std::string value;
};

struct Session
{
    bool obexMode = false;
    bool connected = false;
    bool usesConnectionId = false;
    uint32_t connectionId = 0;
    size_t clientMax = 255;
    std::vector<std::string> folder;  // below the root
    std::string input;
    Clock::time_point lastInput{};
    bool plusAfterQuiet = false;
    bool escapePending = false;
    Clock::time_point escapeAt{};
    // The rest of a GET answer, sent one packet per further GET.
    std::string getBody;
    bool getActive = false;
    // A PUT under way.
    bool putActive = false;
    std::string putName;
    std::string putData;
    bool putHasBody = false;
    std::vector<Header> getHeaders;  // headers of a GET that spans packets
    // Pieces of responses written apart (obex.split).
    std::deque<std::string> pieces;
};

Session g;
Simulator *g_sim = nullptr;
bool g_diverted = false;  // the modem port's bytes come to obexInput
fs::path g_root;
std::vector<std::string> g_log;

std::string be16(size_t v)
{
    return std::string{char((v >> 8) & 0xFF), char(v & 0xFF)};
}

std::string be32(uint32_t v)
{
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

size_t u16(const std::string &s, size_t at)
{
    return (size_t(static_cast<unsigned char>(s[at])) << 8) | static_cast<unsigned char>(s[at + 1]);
}

std::string hexByte(unsigned char c)
{
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", c);
    return buf;
}

bool parseHeaders(const std::string &p, size_t at, std::vector<Header> &out)
{
    while (at < p.size()) {
        const unsigned char id = static_cast<unsigned char>(p[at]);
        size_t size;
        switch (id >> 6) {
        case 0:
        case 1:
            if (at + 3 > p.size())
                return false;
            size = u16(p, at + 1);
            if (size < 3 || at + size > p.size())
                return false;
            out.push_back({id, p.substr(at + 3, size - 3)});
            break;
        case 2:
            size = 2;
            if (at + size > p.size())
                return false;
            out.push_back({id, p.substr(at + 1, 1)});
            break;
        default:
            size = 5;
            if (at + size > p.size())
                return false;
            out.push_back({id, p.substr(at + 1, 4)});
            break;
        }
        at += size;
    }
    return true;
}

const Header *find(const std::vector<Header> &headers, unsigned char id)
{
    for (const Header &h : headers)
        if (h.id == id)
            return &h;
    return nullptr;
}

// UTF-16BE (with or without its final 00 00) to UTF-8.
std::string utf8FromName(const std::string &field)
{
    std::string out;
    for (size_t i = 0; i + 1 < field.size(); i += 2) {
        uint32_t c = uint32_t(u16(field, i));
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < field.size()) {
            const uint32_t low = uint32_t(u16(field, i + 2));
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string xmlEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// A name that stays inside its folder.
bool safeName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

fs::path currentFolder()
{
    fs::path p = g_root;
    for (const std::string &c : g.folder)
        p /= c;
    return p;
}

std::string modifiedText(const fs::path &p)
{
    struct stat st;
    if (::stat(p.c_str(), &st) != 0)
        return {};
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%S", &tm);
    return buf;
}

std::string listingOf(const fs::path &folder, bool atRoot)
{
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(folder, ec))
        entries.push_back(e);
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().filename() < b.path().filename(); });
    std::string doc = "<?xml version=\"1.0\"?>\r\n"
                      "<!DOCTYPE folder-listing SYSTEM \"obex-folder-listing.dtd\">\r\n"
                      "<folder-listing version=\"1.0\">\r\n";
    if (!atRoot)
        doc += "  <parent-folder/>\r\n";
    for (const fs::directory_entry &e : entries) {
        const bool dir = e.is_directory(ec);
        const std::string name = xmlEscape(e.path().filename().string());
        const uintmax_t size = dir ? 0 : e.file_size(ec);
        doc += std::string("  <") + (dir ? "folder" : "file") + " name=\"" + name + "\" size=\""
            + std::to_string(ec ? 0 : size) + "\" modified=\"" + modifiedText(e.path()) + "\"/>\r\n";
    }
    doc += "</folder-listing>\r\n";
    return doc;
}

void send(Simulator &sim, const std::string &bytes)
{
    const long split = sim.state().number("obex.split", 0);
    if (split <= 0) {
        sim.modem().sendReply(bytes);
        return;
    }
    for (size_t at = 0; at < bytes.size(); at += size_t(split))
        g.pieces.push_back(bytes.substr(at, size_t(split)));
}

std::string connectionHeader()
{
    return g.usesConnectionId ? std::string(1, char(0xCB)) + be32(g.connectionId) : std::string();
}

void respond(Simulator &sim, unsigned char code, const std::string &headers = {})
{
    const std::string body = headers;
    send(sim, std::string(1, char(code)) + be16(body.size() + 3) + body);
}

// Success and Not found carry the Connection ID, as the handset's do.
void respondWithId(Simulator &sim, unsigned char code)
{
    respond(sim, code, connectionHeader());
}

// The next packet of a GET answer: Continue while more is left.
void sendGetPacket(Simulator &sim)
{
    const std::string cid = connectionHeader();
    const long sendMax = g_sim->state().number("obex.send_max", 0);
    const size_t most = sendMax >= 255 ? std::min(g.clientMax, size_t(sendMax)) : g.clientMax;
    const size_t room = most > 3 + cid.size() + 3 ? most - 3 - cid.size() - 3 : 0;
    if (g.getBody.size() <= room) {
        respond(sim, Success, cid + char(0x49) + be16(g.getBody.size() + 3) + g.getBody);
        g.getBody.clear();
        g.getActive = false;
        return;
    }
    const std::string piece = g.getBody.substr(0, room);
    g.getBody.erase(0, room);
    respond(sim, Continue, cid + char(0x48) + be16(piece.size() + 3) + piece);
}

void log(const std::string &entry)
{
    if (g_log.size() > 10000)
        g_log.erase(g_log.begin(), g_log.begin() + 1000);
    g_log.push_back(entry);
}

// obex.refuse "KIND CODE" answers CODE to the next request of KIND once;
// obex.stall "KIND" leaves every request of KIND unanswered.
bool faultFor(Simulator &sim, const std::string &kind)
{
    State &s = sim.state();
    const std::string stall = toUpper(trim(s.value("obex.stall")));
    if (!stall.empty() && (stall == kind || stall == "ANY"))
        return true;
    std::istringstream refuse(s.value("obex.refuse"));
    std::string what, code;
    refuse >> what >> code;
    what = toUpper(what);
    if (!what.empty() && (what == kind || what == "ANY")) {
        s.set("obex.refuse", "");
        const unsigned long c = std::strtoul(code.c_str(), nullptr, 16);
        respond(sim, (unsigned char)(c ? c : Forbidden));
        return true;
    }
    return false;
}

void handleConnect(Simulator &sim, const std::string &p)
{
    std::vector<Header> headers;
    if (p.size() < 7 || !parseHeaders(p, 7, headers)) {
        respond(sim, BadRequest);
        return;
    }
    if (faultFor(sim, "CONNECT"))
        return;
    const Header *target = find(headers, 0x46);
    if (target && target->value != HandsetService && target->value != FolderBrowsing) {
        respond(sim, ServiceUnavailable);
        return;
    }
    g.clientMax = std::clamp<size_t>(u16(p, 5), 255, 65535);
    g.connected = true;
    g.folder.clear();
    g.getActive = false;
    g.putActive = false;
    g.usesConnectionId = target != nullptr;
    g.connectionId = uint32_t(std::strtoul(sim.state().value("obex.connection_id").c_str(), nullptr, 16));
    const long ours = std::clamp<long>(sim.state().number("obex.max_packet", 4266), 255, 65535);
    std::string content = std::string("\x10\x00", 2) + be16(size_t(ours));
    if (target)
        content += connectionHeader() + char(0x4A) + be16(target->value.size() + 3) + target->value;
    respond(sim, Success, content);
}

void handleSetPath(Simulator &sim, const std::string &p)
{
    std::vector<Header> headers;
    if (p.size() < 5 || !parseHeaders(p, 5, headers)) {
        respond(sim, BadRequest);
        return;
    }
    const unsigned char flags = static_cast<unsigned char>(p[3]);
    const Header *nameHeader = find(headers, 0x01);
    const std::string name = nameHeader ? utf8FromName(nameHeader->value) : std::string();
    log("SETPATH " + hexByte(flags) + " " + name);
    if (faultFor(sim, "SETPATH"))
        return;
    std::vector<std::string> folder = g.folder;
    if (flags & 0x01) {
        if (folder.empty()) {
            respondWithId(sim, NotFound);
            return;
        }
        folder.pop_back();
    } else if (name.empty()) {
        folder.clear();
    }
    if (!name.empty()) {
        if (!safeName(name)) {
            respond(sim, BadRequest);
            return;
        }
        fs::path target = g_root;
        for (const std::string &c : folder)
            target /= c;
        target /= name;
        std::error_code ec;
        if (!fs::is_directory(target, ec)) {
            if ((flags & 0x02) || fs::exists(target, ec) || !fs::create_directory(target, ec)) {
                respondWithId(sim, NotFound);
                return;
            }
        }
        folder.push_back(name);
    }
    g.folder = folder;
    respondWithId(sim, Success);
}

void handleGet(Simulator &sim, const std::string &p, bool final)
{
    if (g.getActive) {
        log("GET (continued)");
        if (faultFor(sim, "CONTINUE") || faultFor(sim, "GET"))
            return;
        sendGetPacket(sim);
        return;
    }
    std::vector<Header> headers;
    if (!parseHeaders(p, 3, headers)) {
        respond(sim, BadRequest);
        return;
    }
    g.getHeaders.insert(g.getHeaders.end(), headers.begin(), headers.end());
    if (!final) {
        respond(sim, Continue);
        return;
    }
    headers.swap(g.getHeaders);
    g.getHeaders.clear();
    const Header *type = find(headers, 0x42);
    const Header *nameHeader = find(headers, 0x01);
    const std::string name = nameHeader ? utf8FromName(nameHeader->value) : std::string();
    const std::string typeText = type ? std::string(type->value.c_str()) : std::string();
    log("GET " + (typeText.empty() ? name : typeText + (name.empty() ? "" : " " + name)));
    if (faultFor(sim, "GET"))
        return;
    std::error_code ec;
    if (typeText == "x-obex/folder-listing") {
        fs::path folder = currentFolder();
        if (!name.empty()) {
            if (!safeName(name) || !fs::is_directory(folder / name, ec)) {
                respondWithId(sim, NotFound);
                return;
            }
            folder /= name;
        }
        g.getBody = listingOf(folder, g.folder.empty() && name.empty());
    } else {
        const fs::path file = currentFolder() / name;
        if (!safeName(name) || !fs::is_regular_file(file, ec)) {
            respondWithId(sim, NotFound);
            return;
        }
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        g.getBody = content.str();
    }
    g.getActive = true;
    sendGetPacket(sim);
}

void handlePut(Simulator &sim, const std::string &p, bool final)
{
    std::vector<Header> headers;
    if (!parseHeaders(p, 3, headers)) {
        respond(sim, BadRequest);
        g.putActive = false;
        return;
    }
    if (!g.putActive) {
        g.putActive = true;
        g.putName.clear();
        g.putData.clear();
        g.putHasBody = false;
    }
    for (const Header &h : headers) {
        if (h.id == 0x01)
            g.putName = utf8FromName(h.value);
        if (h.id == 0x48 || h.id == 0x49) {
            g.putData += h.value;
            g.putHasBody = true;
        }
    }
    if (!final) {
        if (faultFor(sim, "PUT")) {
            g.putActive = false;
            return;
        }
        respond(sim, Continue);
        return;
    }
    g.putActive = false;
    const std::string kind = g.putHasBody ? "PUT" : "DELETE";
    log(kind + " " + g.putName + (g.putHasBody ? " " + std::to_string(g.putData.size()) : ""));
    if (faultFor(sim, kind))
        return;
    if (!safeName(g.putName)) {
        respond(sim, BadRequest);
        return;
    }
    const fs::path target = currentFolder() / g.putName;
    std::error_code ec;
    if (!g.putHasBody) {
        if (!fs::exists(target, ec)) {
            respondWithId(sim, NotFound);
            return;
        }
        if (fs::is_directory(target, ec) && !fs::is_empty(target, ec)) {
            respondWithId(sim, Forbidden);
            return;
        }
        fs::remove(target, ec);
        respondWithId(sim, ec ? Forbidden : Success);
        return;
    }
    if (fs::is_directory(target, ec)) {
        respondWithId(sim, Forbidden);
        return;
    }
    // Written beside and renamed, so a failure leaves the old file.
    const fs::path temporary = currentFolder() / ("." + g.putName + ".part");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(g.putData.data(), std::streamsize(g.putData.size()));
        if (!out) {
            fs::remove(temporary, ec);
            respondWithId(sim, Forbidden);
            return;
        }
    }
    fs::rename(temporary, target, ec);
    respondWithId(sim, ec ? Forbidden : Success);
}

void handlePacket(Simulator &sim, const std::string &p)
{
    const unsigned char op = static_cast<unsigned char>(p[0]);
    const bool final = op & 0x80;
    switch (op & 0x7F) {
    case 0x00:
        log("CONNECT");
        handleConnect(sim, p);
        return;
    case 0x01:
        log("DISCONNECT");
        if (faultFor(sim, "DISCONNECT"))
            return;
        g.connected = false;
        respond(sim, Success);
        return;
    case 0x02:
        handlePut(sim, p, final);
        return;
    case 0x03:
        handleGet(sim, p, final);
        return;
    case 0x05:
        handleSetPath(sim, p);
        return;
    case 0x7F:
        log("ABORT");
        g.getActive = false;
        g.putActive = false;
        g.getHeaders.clear();
        respond(sim, Success);
        return;
    default:
        log("OTHER " + hexByte(op));
        respond(sim, NotImplemented);
        return;
    }
}

bool isOpcode(unsigned char c)
{
    const unsigned char op = c & 0x7F;
    return c == 0xFF || op <= 0x07;
}

void leaveObex(Simulator &sim)
{
    g = Session();
    g_diverted = false;
    sim.state().set("obex.mode", "at");
    sim.finishAt(AtResult::ok(), {});
}

void obexInput(Simulator &sim, const std::string &bytes)
{
    const Clock::time_point now = Clock::now();
    const auto guard = std::chrono::milliseconds(std::max<long>(0, sim.state().number("obex.guard", 1000)));
    const bool quietBefore = now - g.lastInput >= guard;
    g.lastInput = now;
    if (g.escapePending) {
        // Bytes within the guard after "+++": no escape after all.
        g.escapePending = false;
        g.input = "+++";
    }
    if (g.input.empty() && !bytes.empty() && bytes[0] == '+')
        g.plusAfterQuiet = quietBefore;
    g.input += bytes;
    if (g.input == "+" || g.input == "++")
        return;  // perhaps an escape arriving a byte at a time
    if (g.plusAfterQuiet && g.input == "+++") {
        g.escapePending = true;
        g.escapeAt = now;
        g.input.clear();
        return;
    }
    for (;;) {
        // Noise (and a cancelled escape) between packets is dropped.
        size_t skip = 0;
        while (skip < g.input.size() && !isOpcode(static_cast<unsigned char>(g.input[skip])))
            ++skip;
        g.input.erase(0, skip);
        if (g.input.size() < 3)
            return;
        const size_t length = u16(g.input, 1);
        if (length < 3) {
            g.input.erase(0, 1);
            continue;
        }
        if (g.input.size() < length)
            return;
        const std::string packet = g.input.substr(0, length);
        g.input.erase(0, length);
        handlePacket(sim, packet);
    }
}

void enterObex(Simulator &sim)
{
    g = Session();
    g.obexMode = true;
    g.lastInput = Clock::now();
    sim.state().set("obex.mode", "obex");
}

void tick(Simulator &sim)
{
    if (!sim.powered()) {
        // A handset switched off comes back in AT mode.
        g = Session();
        if (g_diverted)
            sim.divertModem(nullptr);
        g_diverted = false;
        if (sim.state().value("obex.mode") != "at")
            sim.state().set("obex.mode", "at");
        return;
    }
    // obex.mode says what the port speaks: a value set through the control
    // socket switches the port itself, silently.
    const std::string mode = sim.state().value("obex.mode");
    if ((g.obexMode || g_diverted) && mode == "at") {
        g = Session();
        if (g_diverted)
            sim.divertModem(nullptr);
        g_diverted = false;
    } else if (!g.obexMode && mode == "obex") {
        enterObex(sim);
        g_diverted = true;
        sim.divertModem([&sim](const std::string &bytes) { obexInput(sim, bytes); });
    }
    if (!g.pieces.empty()) {
        sim.modem().sendReply(g.pieces.front());
        g.pieces.pop_front();
    }
    if (!g.obexMode || !g.escapePending)
        return;
    const auto guard = std::chrono::milliseconds(std::max<long>(0, sim.state().number("obex.guard", 1000)));
    if (Clock::now() - g.escapeAt >= guard)
        leaveObex(sim);
}

AtResult sqwe(AtContext &ctx, const AtCommand &cmd)
{
    switch (cmd.type) {
    case AtType::Read:
        ctx.line("^SQWE: 0");
        return AtResult::ok();
    case AtType::Test:
        ctx.line("^SQWE: (0,3)");
        return AtResult::ok();
    case AtType::Set: {
        const auto mode = cmd.number(0);
        if (mode == 0)
            return AtResult::ok();
        if (mode != 3)
            return AtResult::cmeError(Cme::IncorrectParameters);
        Simulator &sim = ctx.sim();
        enterObex(sim);
        g_diverted = true;
        ctx.divert([&sim](const std::string &bytes) { obexInput(sim, bytes); });
        return AtResult::ok();
    }
    default:
        return AtResult::error();
    }
}

// AT+CPROT=0 (3GPP TS 27.007 "enter protocol mode", 0 is OBEX): the
// standard way in, which OBEX clients for other handsets use. The handset
// answers CONNECT and speaks OBEX; "+++" returns with OK as after AT^SQWE=3.
AtResult cprot(AtContext &ctx, const AtCommand &cmd)
{
    if (cmd.type == AtType::Test) {
        ctx.line("+CPROT: (0)");
        return AtResult::ok();
    }
    if (cmd.type != AtType::Set || cmd.number(0) != 0)
        return AtResult::cmeError(Cme::OperationNotSupported);
    Simulator &sim = ctx.sim();
    enterObex(sim);
    g_diverted = true;
    ctx.divert([&sim](const std::string &bytes) { obexInput(sim, bytes); });
    ctx.line("CONNECT");
    return AtResult::deferred();
}

void removeDemoTree()
{
    std::error_code ec;
    if (!g_root.empty())
        fs::remove_all(g_root, ec);
}

bool makeDemoTree(std::string &error)
{
    char pattern[] = "/tmp/zenksim-obex-XXXXXX";
    if (!::mkdtemp(pattern)) {
        error = std::string("cannot make the demo file tree: ") + std::strerror(errno);
        return false;
    }
    g_root = pattern;
    std::error_code ec;
    for (const char *dir : {"mmc/pictures", "mmc/sounds", "user"})
        fs::create_directories(g_root / dir, ec);
    const std::pair<const char *, std::string> files[] = {
        {"mmc/pictures/dovolena.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(2048, 'J')},
        {"mmc/sounds/zvonek.mid", "MThd" + std::string(600, 'M')},
        {"user/poznamky.txt", "Nakoupit: chleba, mléko.\r\n"},
        {"readme.txt", "Torvane Zenk\r\n"},
    };
    for (const auto &[name, content] : files) {
        std::ofstream out(g_root / name, std::ios::binary);
        out << content;
    }
    std::atexit(removeDemoTree);
    return true;
}

const Family family("obex", [](Registry &r) {
    r.key("obex.mode", "at", "at or obex: what the modem port speaks now (AT^SQWE=3 switches, \"+++\" returns)");
    r.key("obex.guard", "1000", "escape guard time in ms: silence needed before and after \"+++\" in OBEX mode");
    r.key("obex.connection_id", "024E804C", "Connection ID (hex) given in the answer to CONNECT");
    r.key("obex.max_packet", "4266", "the handset's maximum OBEX packet length given in the answer to CONNECT");
    r.key("obex.send_max", "0", "largest OBEX response packet the handset sends (255 or more; 0: the client's maximum "
                                "from CONNECT)");
    r.key("obex.split", "0", "OBEX responses go out in pieces of this many bytes, 2 ms apart (0: whole)");
    r.key("obex.refuse", "", "\"KIND CODE\": answers the hex response CODE to the next request of KIND once "
                             "(CONNECT, SETPATH, GET, CONTINUE: a GET after a Continue, PUT, DELETE, DISCONNECT or ANY)");
    r.key("obex.stall", "", "KIND: requests of that kind (or ANY) get no answer at all");
    r.at("^SQWE", sqwe);
    r.at("+CPROT", cprot);
    r.every(2, tick);
    r.onReset([](Simulator &sim) {
        g = Session();
        sim.state().set("obex.mode", "at");
    });
    r.onStart([](Simulator &sim, std::string &error) {
        g_sim = &sim;
        if (!sim.options().has("--obex"))
            return makeDemoTree(error);
        g_root = sim.options().value("--obex");
        std::error_code ec;
        if (!fs::is_directory(g_root, ec)) {
            error = "--obex " + g_root.string() + ": not a folder";
            return false;
        }
        return true;
    });
    r.control("obexlog", "obexlog [clear]: the OBEX requests received, one a line",
              [](Simulator &, const std::string &args) {
        if (trim(args) == "clear") {
            g_log.clear();
            return std::string("OK\n");
        }
        std::string out;
        for (const std::string &l : g_log)
            out += l + "\n";
        return out;
    });
});

} // namespace
