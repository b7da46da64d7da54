// Times torvane-cli backup of the phonebook and the message store (250
// locations of SM, 100 messages) on the simulated handset answering every
// request after 20 ms, beside gammu's getallmemory SM plus getallsms on the
// same handset (when gammu is installed). The other phonebook memories are
// made one location each, so the row is about the 250 locations.
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int LatencyMs = 20;
constexpr int Locations = 250;

// Runs a program to its end; its time in ms, or -1 when it failed.
qint64 timed(const QString &program, const QStringList &args, int timeoutMs = 300000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardOutput().right(300).constData());
        return -1;
    }
    return t.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    QFile state(work.filePath(QStringLiteral("state")));
    if (!state.open(QIODevice::WriteOnly))
        return 1;
    state.write("pb.seed = 0\nsms.preset = empty\npb.SM.size = " + QByteArray::number(Locations) + "\n");
    for (const char *m : {"ME", "ON", "MC", "RC", "LD", "FD", "SD", "DC", "EN", "MB", "OW"})
        state.write(QByteArray("pb.") + m + ".size = 1\n");
    for (int i = 1; i <= Locations; ++i)
        state.write("pb.SM." + QByteArray::number(i) + " = +420603" + QByteArray::number(100000 + i) + ",145,Kontakt "
                    + QByteArray::number(i) + "\n");
    // 20 messages on the SIM, 80 in the phone: a received 7-bit one.
    const QByteArray pdu = "1,0791246030500200040C912460302143650000622180812401401841F45BCD02E9D37479186407C560A03A689D76877F";
    for (int i = 1; i <= 20; ++i)
        state.write("sms.SM." + QByteArray::number(i) + " = " + pdu + "\n");
    for (int i = 1; i <= 80; ++i)
        state.write("sms.ME." + QByteArray::number(i) + " = " + pdu + "\n");
    state.close();

    SimProcess sim({QStringLiteral("--latency"), QString::number(LatencyMs), QStringLiteral("--state"), state.fileName()});
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return 1;
    }
    const qint64 backupMs = timed(QStringLiteral(TORVANE_CLI),
                                  {"backup", work.filePath(QStringLiteral("zaloha")), "--only", "phonebook,sms", "--port",
                                   sim.modemPath()});
    if (backupMs < 0)
        return 1;
    std::printf("backup_250_locations_100_sms_%dms\t%lld\tms\t-\n", LatencyMs, static_cast<long long>(backupMs));

    const QString gammu = QStandardPaths::findExecutable(QStringLiteral("gammu"));
    if (gammu.isEmpty()) {
        std::printf("gammu_getallmemory_getallsms_%dms\t-\tms\t-\n", LatencyMs);
        return 0;
    }
    QFile rc(work.filePath(QStringLiteral("gammurc")));
    if (!rc.open(QIODevice::WriteOnly))
        return 1;
    rc.write("[gammu]\ndevice = " + sim.modemPath().toLocal8Bit() + "\nconnection = at\n");
    rc.close();
    const qint64 memoryMs = timed(gammu, {"-c", rc.fileName(), "getallmemory", "SM"});
    const qint64 smsMs = memoryMs < 0 ? -1 : timed(gammu, {"-c", rc.fileName(), "getallsms"});
    if (smsMs < 0)
        std::printf("gammu_getallmemory_getallsms_%dms\t-\tms\t-\n", LatencyMs);
    else
        std::printf("gammu_getallmemory_getallsms_%dms\t%lld\tms\t-\n", LatencyMs,
                    static_cast<long long>(memoryMs + smsMs));
    return 0;
}
