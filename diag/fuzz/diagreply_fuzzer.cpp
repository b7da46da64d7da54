// libFuzzer entry point: whatever the handset sends, in whatever pieces, the
// frame assembler and the reply decoding of every flow (listing, download,
// upload, make, remove, mode) must neither crash nor read outside a frame,
// and a flow that ends leaves the object idle.
//
// Input: byte 0 picks the flow, byte 1 the piece size; the rest is what the
// handset sends.

#include "comport.h"
#include "diagfilesystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

int g_master = -1;
TComPort *g_port = nullptr;
DiagFileSystem *g_fs = nullptr;
QTemporaryDir *g_dir = nullptr;

void drain()
{
    char buf[4096];
    while (::read(g_master, buf, sizeof buf) > 0) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    int slave = -1;
    char name[256] = {};
    if (::openpty(&g_master, &slave, name, nullptr, nullptr) != 0)
        return 0;
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(g_master, F_SETFL, ::fcntl(g_master, F_GETFL) | O_NONBLOCK);
    g_dir = new QTemporaryDir;
    g_port = new TComPort(QStringLiteral("ComPort1"));
    g_port->setPort(QString::fromLocal8Bit(name));
    try {
        g_port->OpenPort();
    } catch (const EComPort &) {
    }
    g_fs = new DiagFileSystem(g_port);
    g_fs->setReplyTimeoutMs(600000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!g_fs || size < 2)
        return 0;
    g_fs->cancel();
    g_fs->setCurrentPath("mmc1");
    switch (data[0] % 8) {
    case 0: g_fs->openFolder("mmc1"); break;
    case 1: g_fs->startDownload("f.bin", g_dir->filePath(QStringLiteral("f.bin"))); break;
    case 2: g_fs->startUpload(QByteArray(300, 'u'), "u.bin"); break;
    case 3: g_fs->startUpload(QByteArray(), "e.bin"); break;
    case 4: g_fs->makeFolder("nova"); break;
    case 5: g_fs->removeFolder("stara"); break;
    case 6: g_fs->removeFile("f.bin"); break;
    default: g_fs->goOffline(true); break;
    }
    const std::size_t piece = std::size_t(data[1] % 64) + 1;
    for (std::size_t at = 2; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        // An exact-size copy, so that any read past the piece is caught.
        g_fs->receiveBytes(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(n)));
        drain();
    }
    if (g_fs->operation() == DiagFileSystem::Operation::None && g_fs->busy())
        __builtin_trap();
    g_fs->cancel();
    QFile::remove(g_dir->filePath(QStringLiteral("f.bin")));
    return 0;
}
