// The embedded file system on the diagnostic port (command 0x59). For now it
// answers the free-space request 59 0C:
//   59 0C 00 | free bytes (4, little-endian) | total bytes (4) | block size (4)
// Free space is counted in whole 512-byte blocks.

#include "../family.h"

#include <algorithm>

namespace {

std::string le32(uint32_t v)
{
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

constexpr long BlockSize = 512;

std::optional<std::string> freeSpace(Simulator &sim, const std::string &)
{
    const State &s = sim.state();
    const long total = std::clamp<long>(s.number("fs.total", 8388608), 0, 0x7FFFFFFF);
    const long free = std::clamp<long>(s.number("fs.free", 3456000), 0, total);
    std::string reply("\x59\x0C\x00", 3);
    reply += le32(uint32_t(free / BlockSize * BlockSize));
    reply += le32(uint32_t(total));
    reply += le32(uint32_t(BlockSize));
    return reply;
}

const Family family("diagfs", [](Registry &r) {
    r.key("fs.free", "3456000", "free bytes of the handset's file system (diagnostic 59 0C)",
          ValueType::range(0, 0xFFFFFFFFL));
    r.key("fs.total", "8388608", "size of the handset's file system in bytes", ValueType::range(0, 0xFFFFFFFFL));
    r.diag(0x59, 0x0C, freeSpace);
});

} // namespace
