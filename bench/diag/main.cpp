// Copies a 200 kB file from and to the simulated handset, whose diagnostic
// port runs at 115200 baud in both directions. The exchange is stop-and-wait
// (one block, one reply), so the best any program can do is the file's size
// over the line time of every request and reply frame; the program itself
// should add almost nothing to that.
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "comport.h"
#include "crc16_ossik.h"
#include "diagfilesystem.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Baud = 115200;
constexpr int FileSize = 200 * 1024;
constexpr int ReadBlock = 512;  // the simulated handset's default

double lineSeconds(qint64 bytes)
{
    return double(bytes) * 10.0 / Baud;
}

QByteArray le(quint32 v, int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += char(v >> (8 * i));
    return out;
}

// Bytes on the line for reading data as "/f.bin" at the root.
qint64 downloadLineBytes(const QByteArray &data)
{
    const QByteArray path = DiagFileSystem::OperationPath("/", "f.bin");
    qint64 total = EncodeFrame(DiagFileSystem::ReadFirstRequest(path)).size();
    quint8 n = 0;
    for (qsizetype at = 0; at <= data.size(); at += ReadBlock) {
        const QByteArray block = data.mid(at, ReadBlock);
        QByteArray reply = QByteArray::fromHex("5904") + char(n) + QByteArray(2, '\0');
        if (at == 0)
            reply += le(quint32(data.size()), 4);
        reply += le(quint32(block.size()), 2) + block;
        total += EncodeFrame(reply).size();
        n = DiagFileSystem::nextSequence(n);
        if (at + ReadBlock <= data.size() || at == 0)
            total += EncodeFrame(DiagFileSystem::ReadNextRequest(n)).size();
    }
    return total;
}

qint64 uploadLineBytes(const QByteArray &data)
{
    const QByteArray path = DiagFileSystem::OperationPath("/", "g.bin");
    QByteArray first;
    qint64 total = EncodeFrame(DiagFileSystem::WriteFirstRequest(path, data, &first)).size();
    const qint64 ack = EncodeFrame(QByteArray::fromHex("590500")).size();
    total += ack;
    quint8 n = 0;
    for (qsizetype at = first.size(); at < data.size() || (at == data.size() && first.size() == data.size()); at += 256) {
        n = DiagFileSystem::nextSequence(n);
        total += EncodeFrame(DiagFileSystem::WriteNextRequest(n, data.mid(at, 256))).size() + ack;
        if (at >= data.size())
            break;
    }
    return total;
}

// Runs one transfer; the elapsed ms, or -1.
qint64 transfer(DiagFileSystem &fs, bool download, const QByteArray &data, const QString &target)
{
    bool done = false, failed = false;
    const auto c1 = QObject::connect(&fs, &DiagFileSystem::transferFinished, [&] { done = true; });
    const auto c2 = QObject::connect(&fs, &DiagFileSystem::failed, [&] { failed = true; });
    QElapsedTimer timer;
    timer.start();
    if (download)
        fs.startDownload("f.bin", target);
    else
        fs.startUpload(data, "g.bin");
    QDeadlineTimer deadline(120000);
    while (!done && !failed && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 elapsed = timer.elapsed();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    fs.cancel();  // not the listing that follows an upload
    return done ? elapsed : -1;
}

void row(const char *name, double value, const char *unit, const char *target)
{
    std::printf("%s\t%.1f\t%s\t%s\n", name, value, unit, target);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir efs;
    QTemporaryDir pc;
    QByteArray data(FileSize, '\0');
    QRandomGenerator gen(42);
    for (char &c : data)
        c = char(gen.bounded(256));
    {
        QFile f(efs.filePath("f.bin"));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return 1;
    }
    SimProcess sim({QStringLiteral("--efs"), efs.path(), QStringLiteral("--baud"), QString::number(Baud)});
    if (!sim.start()) {
        std::fprintf(stderr, "bench_diag: zenksim did not start\n");
        return 1;
    }
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.diagPath());
    port.setBaudRateText(QString::number(Baud));
    port.OpenPort();
    DiagFileSystem fs(&port);

    const qint64 downMs = transfer(fs, true, data, pc.filePath("f.bin"));
    QFile got(pc.filePath("f.bin"));
    if (downMs < 0 || !got.open(QIODevice::ReadOnly) || got.readAll() != data) {
        std::fprintf(stderr, "bench_diag: the download failed\n");
        return 1;
    }
    const qint64 upMs = transfer(fs, false, data, QString());
    if (upMs < 0) {
        std::fprintf(stderr, "bench_diag: the upload failed\n");
        return 1;
    }

    const double lineCeiling = Baud / 10.0;
    const double downCeiling = FileSize / lineSeconds(downloadLineBytes(data));
    const double upCeiling = FileSize / lineSeconds(uploadLineBytes(data));
    const double down = FileSize * 1000.0 / double(qMax<qint64>(downMs, 1));
    const double up = FileSize * 1000.0 / double(qMax<qint64>(upMs, 1));
    row("diag line ceiling at 115200 baud", lineCeiling, "B/s", "-");
    row("diag download 200 kB", down, "B/s", "-");
    row("diag download protocol ceiling", downCeiling, "B/s", "-");
    row("diag download of protocol ceiling", 100.0 * down / downCeiling, "%", ">95");
    row("diag upload 200 kB", up, "B/s", "-");
    row("diag upload protocol ceiling", upCeiling, "B/s", "-");
    row("diag upload of protocol ceiling", 100.0 * up / upCeiling, "%", ">95");
    return 0;
}
