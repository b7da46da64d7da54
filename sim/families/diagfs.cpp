// The embedded file system on the diagnostic port (command 0x59) and the mode
// commands (0x29). The handset's file system is a real folder on the PC:
// "--efs DIR" serves DIR as the root; without it a demo tree is made in a
// temporary folder and removed at exit.
//
// Requests (payload) and replies, positions from 0, numbers little-endian:
//   59 00 L P 00          make folder     -> 59 00 00 | 59 00 01 (exists, no parent)
//   59 01 L P 00          remove folder   -> 59 01 00 | 59 01 03 (not empty) | 59 01 01 (missing)
//   59 04 00 L P 00       read, first     -> 59 04 00 00 00 | size (4) | b (2) | data
//   59 04 n               read, next      -> 59 04 n 00 00 | b (2) | data   (b = 0 past the end)
//   59 04 00              read, given up  -> 59 04 00
//   59 05 00 f1 f2 s0-s3 FF 00 01 | 00 L (big-endian) | P 00 | 00 01 | D
//                         write, first    -> 59 05 00, or 14 05 ... (full, no folder)
//   59 05 n 01 c0 c1 D    write, next     -> 59 05 00, or 15 05 ... (past the size)
//   59 06 L P 00          remove file     -> 59 06 00 | 59 06 01 (missing)
//   59 0A i 00 00 00 L P 00   folder i    -> entry | 59 0A 1C (no more) | 59 0A 08 (no folder)
//   59 0B i 00 00 00 L P 00   file i      -> entry | 59 0B 1C (no more)
//   59 0C                 free space      -> 59 0C 00 | free (4) | total (4) | 512 (4)
//   an error: 14 or 15 in place of the 59, then the rest of the request
//   29 01 00 / 29 02 00   off line / reset -> the request itself; after a reset
//                         nothing is answered for efs.resetms
// An entry: 59 0A|0B 00 i, zeros to byte 14, size (4) at 15, zeros to 23,
// name length k at 24 and the entry's path from the root (k bytes) at 25.
// Entries are in name order; a path may start with "/"; ".." is never found.
// Names are Windows-1250 on the handset's side and UTF-8 in the folder.
// A file is written only when all its bytes have arrived.

#include "../family.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const FamilyOption efsOption("--efs", "DIR", "serve DIR as the handset's file system (default: a temporary demo tree)");

struct Efs
{
    fs::path root;
    bool demo = false;

    // The read in progress.
    std::string readData;
    size_t readOffset = 0;
    bool reading = false;

    // The write in progress.
    bool writing = false;
    fs::path writePath;
    size_t writeSize = 0;
    std::string writeData;

    Clock::time_point silentUntil{};

    ~Efs()
    {
        if (demo && !root.empty()) {
            std::error_code ec;
            fs::remove_all(root, ec);
        }
    }
};

Efs &efs()
{
    static Efs instance;
    return instance;
}

std::string le32(uint32_t v)
{
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

std::string le16(uint32_t v)
{
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)};
}

uint8_t byteAt(const std::string &p, size_t i)
{
    return i < p.size() ? static_cast<unsigned char>(p[i]) : 0;
}

std::string bytes(std::initializer_list<int> list)
{
    std::string out;
    for (int b : list)
        out += char(b);
    return out;
}

// ---- names: the handset's Windows-1250 bytes, the PC's UTF-8 -------------------

// Unicode of the bytes 80-FF of Windows-1250 (undefined ones: the C1 control).
const uint16_t HighHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void appendUtf8(std::string &out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string toUtf8(const std::string &cp1250)
{
    std::string out;
    for (unsigned char c : cp1250)
        appendUtf8(out, c < 0x80 ? c : HighHalf[c - 0x80]);
    return out;
}

std::string toCp1250(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = utf8[i];
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xE0 && i + 2 < utf8.size()) {
            cp = (c & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            cp = (c & 0x1F) << 6 | (utf8[i + 1] & 0x3F);
            n = 2;
        }
        i += n;
        if (cp < 0x80) {
            out += char(cp);
            continue;
        }
        const uint16_t *found = std::find(std::begin(HighHalf), std::end(HighHalf), cp);
        out += found == std::end(HighHalf) ? '?' : char(0x80 + (found - HighHalf));
    }
    return out;
}

// The handset path P of a request (L at offset lengthAt, P after it), as a
// relative path below the root; nullopt for a malformed or escaping path.
std::optional<fs::path> pathAt(const std::string &payload, size_t lengthAt, size_t length)
{
    if (length == 0 || lengthAt + 1 + length > payload.size() + 0)
        return std::nullopt;
    std::string p = payload.substr(lengthAt + 1, length);
    if (p.back() != '\0')
        return std::nullopt;
    p.pop_back();
    fs::path out;
    std::stringstream parts(toUtf8(p));
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == ".")
            continue;
        if (part == ".." || part.find('\0') != std::string::npos)
            return std::nullopt;
        out /= part;
    }
    return out;
}

std::optional<fs::path> shortPath(const std::string &payload, size_t lengthAt)
{
    return pathAt(payload, lengthAt, byteAt(payload, lengthAt));
}

uint64_t storedBytes()
{
    uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(efs().root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::error_code e2;
        if (it->is_regular_file(e2))
            total += (it->file_size(e2) + 511) / 512 * 512;
    }
    return total;
}

// The size and free-space fields are unsigned 32-bit: every value up to
// 2^32 - 1 is reported as it is.
constexpr long MaxField = 0xFFFFFFFFL;

long totalBytes(Simulator &sim)
{
    return std::clamp<long>(sim.state().number("fs.total", 8388608), 0, MaxField);
}

long freeBytes(Simulator &sim)
{
    const State &s = sim.state();
    if (!s.value("fs.free").empty())
        return std::clamp<long>(s.number("fs.free", 0), 0, MaxField) / 512 * 512;
    const long total = totalBytes(sim);
    return std::max<long>(0, total - long(std::min<uint64_t>(storedBytes(), uint64_t(total)))) / 512 * 512;
}

// The file system's error frame: the error code (14 bad parameter, 15 bad
// length) in place of the command byte, then the rest of the request.
std::string fsError(int code, const std::string &request)
{
    return char(code) + request.substr(1, 15);
}

// ---- faults ----------------------------------------------------------------

std::string hexOf(const std::string &b)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : b) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string normalisedHex(std::string text)
{
    std::string out;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            out += char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The frame of a payload with its check value spoilt (both bytes flipped).
std::string corruptFrame(const std::string &payload)
{
    const uint16_t check = uint16_t(DiagFrame::crc(payload) ^ 0xFFFF);
    std::string raw = payload + char(check & 0xFF) + char(check >> 8);
    std::string out;
    for (char c : raw) {
        if (c == 0x7D || c == 0x7E) {
            out += char(0x7D);
            out += char(c ^ 0x20);
        } else {
            out += c;
        }
    }
    return out + char(0x7E);
}

// Every reply of this file goes through here: after a reset the handset is
// silent, and the fault keys spoil one reply of a matching request.
std::optional<std::string> answer(Simulator &sim, const std::string &request, std::optional<std::string> reply)
{
    if (Clock::now() < efs().silentUntil)
        return std::nullopt;
    State &s = sim.state();
    const std::string fault = s.value("efs.fault");
    if (fault.empty() || !reply)
        return reply;
    const std::string match = normalisedHex(s.value("efs.fault.match"));
    if (hexOf(request).compare(0, match.size(), match) != 0)
        return reply;
    s.set("efs.fault", "");
    if (fault == "drop")
        return std::nullopt;
    if (fault == "corrupt") {
        sim.diagPort().sendReply(corruptFrame(*reply));
        return std::nullopt;
    }
    if (fault == "error")
        return fsError(0x14, request);
    return reply;
}

// ---- listing ---------------------------------------------------------------

std::optional<std::string> list(Simulator &sim, const std::string &p)
{
    const bool files = byteAt(p, 1) == 0x0B;
    const uint8_t index = byteAt(p, 2);
    const auto rel = shortPath(p, 6);
    std::error_code ec;
    const fs::path dir = rel ? efs().root / *rel : fs::path();
    if (!rel || !fs::is_directory(dir, ec))
        return answer(sim, p, files ? bytes({0x59, 0x0B, 0x1C}) : bytes({0x59, 0x0A, 0x08}));
    std::vector<fs::directory_entry> entries;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code e2;
        if (files ? it->is_regular_file(e2) : it->is_directory(e2))
            entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().filename() < b.path().filename(); });
    if (index >= entries.size())
        return answer(sim, p, bytes({0x59, files ? 0x0B : 0x0A, 0x1C}));
    const fs::directory_entry &e = entries[index];
    std::string name = toCp1250((*rel / e.path().filename()).generic_string());
    if (name.size() > 200)
        name = toCp1250(e.path().filename().string()).substr(0, 200);
    std::string reply = bytes({0x59, files ? 0x0B : 0x0A, 0x00, index});
    reply += std::string(11, '\0');
    std::error_code e2;
    reply += le32(files ? uint32_t(std::min<uintmax_t>(e.file_size(e2), uintmax_t(MaxField))) : 0);
    reply += std::string(5, '\0');
    reply += char(name.size());
    reply += name;
    return answer(sim, p, reply);
}

// ---- reading ---------------------------------------------------------------

std::optional<std::string> read(Simulator &sim, const std::string &p)
{
    Efs &e = efs();
    const size_t block = size_t(std::clamp<long>(sim.state().number("efs.block", 512), 1, 4096));
    const uint8_t n = byteAt(p, 2);
    if (p.size() == 3 && n == 0) {
        e.reading = false;
        e.readData.clear();
        return answer(sim, p, bytes({0x59, 0x04, 0x00}));
    }
    const std::string failure = fsError(0x14, p);
    if (n == 0) {
        e.reading = false;
        const auto rel = shortPath(p, 3);
        std::error_code ec;
        if (!rel || rel->empty() || !fs::is_regular_file(e.root / *rel, ec))
            return answer(sim, p, failure);
        std::ifstream in(e.root / *rel, std::ios::binary);
        std::ostringstream data;
        data << in.rdbuf();
        if (!in && !in.eof())
            return answer(sim, p, failure);
        e.readData = data.str();
        e.readOffset = 0;
        e.reading = true;
        const std::string chunk = e.readData.substr(0, block);
        e.readOffset = chunk.size();
        return answer(sim, p, bytes({0x59, 0x04, 0x00, 0x00, 0x00}) + le32(uint32_t(e.readData.size()))
                                  + le16(uint32_t(chunk.size())) + chunk);
    }
    if (!e.reading)
        return answer(sim, p, failure);
    const std::string chunk = e.readData.substr(std::min(e.readOffset, e.readData.size()), block);
    e.readOffset += chunk.size();
    return answer(sim, p, bytes({0x59, 0x04, n, 0x00, 0x00}) + le16(uint32_t(chunk.size())) + chunk);
}

// ---- writing ---------------------------------------------------------------

bool commitWrite(Efs &e)
{
    const fs::path part = e.writePath.string() + ".zenksim-part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(e.writeData.data(), std::streamsize(e.writeData.size()));
        if (!out)
            return false;
    }
    std::error_code ec;
    fs::rename(part, e.writePath, ec);
    e.writing = false;
    e.writeData.clear();
    return !ec;
}

std::optional<std::string> write(Simulator &sim, const std::string &p)
{
    Efs &e = efs();
    const std::string ack = bytes({0x59, 0x05, 0x00});
    const uint8_t n = byteAt(p, 2);
    if (n == 0) {
        e.writing = false;
        e.writeData.clear();
        const std::string failure = fsError(0x14, p);
        if (p.size() < 14)
            return answer(sim, p, failure);
        const size_t size = size_t(byteAt(p, 5)) | size_t(byteAt(p, 6)) << 8 | size_t(byteAt(p, 7)) << 16
                            | size_t(byteAt(p, 8)) << 24;
        const size_t length = size_t(byteAt(p, 12)) << 8 | byteAt(p, 13);
        const auto rel = pathAt(p, 13, length);
        const size_t dataAt = 14 + length + 2;
        std::error_code ec;
        if (!rel || rel->empty() || dataAt > p.size() || !fs::is_directory((e.root / *rel).parent_path(), ec)
            || fs::is_directory(e.root / *rel, ec))
            return answer(sim, p, failure);
        if (long(size) > freeBytes(sim))
            return answer(sim, p, failure);  // full
        e.writing = true;
        e.writePath = e.root / *rel;
        e.writeSize = size;
        e.writeData = p.substr(dataAt);
    } else {
        const std::string failure = fsError(0x15, p);
        if (!e.writing && !(e.writeData.empty() && p.size() == 6))
            return answer(sim, p, failure);
        const size_t c = size_t(byteAt(p, 4)) | size_t(byteAt(p, 5)) << 8;
        if (p.size() < 6 || p.size() - 6 != c)
            return answer(sim, p, failure);
        if (!e.writing)
            return answer(sim, p, ack);  // the empty block after a file that was already complete
        e.writeData += p.substr(6);
    }
    if (e.writeData.size() > e.writeSize) {
        e.writing = false;
        e.writeData.clear();
        return answer(sim, p, fsError(0x15, p));
    }
    if (e.writeData.size() == e.writeSize && !commitWrite(e))
        return answer(sim, p, fsError(0x14, p));
    return answer(sim, p, ack);
}

// ---- folders and files -----------------------------------------------------

std::optional<std::string> makeFolder(Simulator &sim, const std::string &p)
{
    const auto rel = shortPath(p, 2);
    std::error_code ec;
    if (!rel || rel->empty() || fs::exists(efs().root / *rel, ec)
        || !fs::is_directory((efs().root / *rel).parent_path(), ec) || !fs::create_directory(efs().root / *rel, ec))
        return answer(sim, p, bytes({0x59, 0x00, 0x01}));
    return answer(sim, p, bytes({0x59, 0x00, 0x00}));
}

std::optional<std::string> removeFolder(Simulator &sim, const std::string &p)
{
    const auto rel = shortPath(p, 2);
    std::error_code ec;
    if (!rel || rel->empty() || !fs::is_directory(efs().root / *rel, ec))
        return answer(sim, p, bytes({0x59, 0x01, 0x01}));
    if (!fs::is_empty(efs().root / *rel, ec))
        return answer(sim, p, bytes({0x59, 0x01, 0x03}));
    fs::remove(efs().root / *rel, ec);
    return answer(sim, p, bytes({0x59, 0x01, ec ? 0x01 : 0x00}));
}

std::optional<std::string> removeFile(Simulator &sim, const std::string &p)
{
    const auto rel = shortPath(p, 2);
    std::error_code ec;
    if (!rel || rel->empty() || !fs::is_regular_file(efs().root / *rel, ec) || !fs::remove(efs().root / *rel, ec))
        return answer(sim, p, bytes({0x59, 0x06, 0x01}));
    return answer(sim, p, bytes({0x59, 0x06, 0x00}));
}

std::optional<std::string> freeSpace(Simulator &sim, const std::string &p)
{
    std::string reply("\x59\x0C\x00", 3);
    reply += le32(uint32_t(freeBytes(sim)));
    reply += le32(uint32_t(totalBytes(sim)));
    reply += le32(512);
    return answer(sim, p, reply);
}

std::optional<std::string> mode(Simulator &sim, const std::string &p)
{
    auto reply = answer(sim, p, p.substr(0, 3));
    if (byteAt(p, 1) == 0x02 && reply) {
        const long ms = std::clamp<long>(sim.state().number("efs.resetms", 1500), 0, 60000);
        efs().reading = efs().writing = false;
        // The reply goes out first; then the handset restarts.
        sim.diagPort().sendReply(DiagFrame::encode(*reply));
        efs().silentUntil = Clock::now() + std::chrono::milliseconds(ms);
        return std::nullopt;
    }
    return reply;
}

// ---- the demo tree ---------------------------------------------------------

bool writeFile(const fs::path &path, const std::string &data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out);
}

bool makeDemoTree(const fs::path &root)
{
    std::error_code ec;
    for (const char *dir : {"mmc1/pictures", "mmc1/sounds", "ossik/user"})
        fs::create_directories(root / dir, ec);
    if (ec)
        return false;
    std::string picture;
    uint32_t x = 12345;
    for (int i = 0; i < 120000; ++i) {
        x = x * 1103515245 + 12345;
        picture += char(x >> 16);
    }
    return writeFile(root / "mmc1/pictures/zenk.jpg", picture)
           && writeFile(root / "mmc1/sounds/zvonek.mid", std::string(2100, '\x90'))
           && writeFile(root / "ossik/user/poznamky.txt", "Torvane Zenk\r\n")
           && writeFile(root / "readme.txt", "Demo file system of the simulated handset.\r\n");
}

bool start(Simulator &sim, std::string &error)
{
    Efs &e = efs();
    if (sim.options().has("--efs")) {
        e.root = sim.options().value("--efs");
        std::error_code ec;
        if (!fs::is_directory(e.root, ec)) {
            error = "--efs: " + e.root.string() + " is not a folder";
            return false;
        }
        return true;
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zenksim-efs-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error = "cannot make the demo file system in " + pattern;
        return false;
    }
    e.root = pattern;
    e.demo = true;
    if (!makeDemoTree(e.root)) {
        error = "cannot fill the demo file system in " + pattern;
        return false;
    }
    return true;
}

const Family family("diagfs", [](Registry &r) {
    r.key("fs.free", "", "free bytes of the handset's file system (59 0C); empty: fs.total less what is stored",
          ValueType::range(0, 0xFFFFFFFFL, {""}));
    r.key("fs.total", "8388608", "size of the handset's file system in bytes", ValueType::range(0, 0xFFFFFFFFL));
    r.key("efs.block", "512", "data bytes per read reply (1..4096)", ValueType::range(1, 4096));
    r.key("efs.fault", "", "spoils the reply to the next matching request once: corrupt (wrong check value), drop (no reply), error (14 error frame)",
          ValueType::oneOf({"", "corrupt", "drop", "error"}));
    r.key("efs.fault.match", "", "hex start of the request payload that efs.fault waits for (empty: any request)");
    r.key("efs.resetms", "1500", "milliseconds of silence after the reset 29 02 00",
          ValueType::range(0, 600000));
    r.onStart(start);
    r.diag(0x59, 0x00, makeFolder);
    r.diag(0x59, 0x01, removeFolder);
    r.diag(0x59, 0x04, read);
    r.diag(0x59, 0x05, write);
    r.diag(0x59, 0x06, removeFile);
    r.diag(0x59, 0x0A, list);
    r.diag(0x59, 0x0B, list);
    r.diag(0x59, 0x0C, freeSpace);
    r.diag(0x29, -1, mode);
});

} // namespace
