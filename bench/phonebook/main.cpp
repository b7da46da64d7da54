// Times reading all 250 locations of memory SM from the simulated handset,
// which answers every request after a fixed latency. Each AT+CPBR must go out
// as soon as the previous reply has ended, with no pause of its own, so the
// locations should take little more than the handset's own time (250 x
// latency).
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "attransport.h"
#include "comport.h"
#include "phonebookreader.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryFile>

#include <cstdio>

namespace {

constexpr int LatencyMs = 20;
constexpr int Locations = 250;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    // A full SIM phonebook of 250 locations, every fifth one empty.
    QTemporaryFile state;
    if (!state.open())
        return 1;
    state.write("pb.seed = 0\npb.SM.size = " + QByteArray::number(Locations) + "\n");
    for (int i = 1; i <= Locations; ++i)
        if (i % 5 != 0)
            state.write("pb.SM." + QByteArray::number(i) + " = +420603" + QByteArray::number(100000 + i)
                        + ",145,Kontakt " + QByteArray::number(i) + "\n");
    state.flush();

    SimProcess sim({QStringLiteral("--latency"), QString::number(LatencyMs), QStringLiteral("--state"),
                    state.fileName()});
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return 1;
    }

    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    ReplyAssembler replies;
    PhonebookReader reader(&port);
    replies.onReplyComplete = [&](const QByteArray &reply) { reader.replyComplete(reply); };
    replies.onReplyFailed = [&](const QByteArray &reply, const QByteArray &error) { reader.replyFailed(reply, error); };
    port.OnRxChar = [&](int count) { replies.feed(port.ReceiveBytes(count)); };

    QElapsedTimer whole;
    QElapsedTimer locations;
    int rows = 0;
    bool ok = false;
    QEventLoop loop;
    QObject::connect(&reader, &PhonebookReader::progress, &loop, [&](int index, int) {
        if (index == 1)
            locations.start();
    });
    QObject::connect(&reader, &PhonebookReader::rowRead, &loop, [&] { ++rows; });
    QObject::connect(&reader, &PhonebookReader::finished, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&reader, &PhonebookReader::failed, &loop, [&] { loop.quit(); });
    try {
        port.OpenPort();
        if (!CheckPresence(port)) {
            std::fprintf(stderr, "no handset\n");
            return 1;
        }
        whole.start();
        reader.start(0);
        loop.exec();
    } catch (const EComPort &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    const qint64 readMs = locations.elapsed();
    const qint64 wholeMs = whole.elapsed();
    if (!ok || rows != Locations) {
        std::fprintf(stderr, "read ended early after %d rows\n", rows);
        return 1;
    }
    const int handsetMs = Locations * LatencyMs;
    // Whole milliseconds: "at most 1.1 x" is "below 1.1 x + 1".
    std::printf("phonebook_handset_time_250x%dms\t%d\tms\t-\n", LatencyMs, handsetMs);
    std::printf("phonebook_read_250_locations\t%lld\tms\t<%d\n", static_cast<long long>(readMs),
                handsetMs * 11 / 10 + 1);
    std::printf("phonebook_read_with_selection_and_count\t%lld\tms\t-\n", static_cast<long long>(wholeMs));
    return 0;
}
