// Times reading memory SM (250 locations) from the simulated handset, which
// answers every request after a fixed latency:
//   - one location a command, as handsets without ranges are read: each
//     AT+CPBR must go out as soon as the previous reply has ended, so the
//     locations take little more than the handset's own time (250 x latency);
//   - the whole exchange in ranges (error mode, selection, count, character
//     set, bounds, the ranges, the handset put back), with all 250 locations
//     used and with 9 of them used.
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
#include <functional>

namespace {

constexpr int LatencyMs = 20;
constexpr int Locations = 250;

struct Timing
{
    bool ok = false;
    int rows = 0;
    qint64 locationsMs = 0;  // from the first read command to the end
    qint64 wholeMs = 0;      // the whole exchange
};

// Reads SM once from a handset whose used locations are those `used` picks.
Timing readOnce(const std::function<bool(int)> &used, int rangeSize)
{
    Timing t;
    QTemporaryFile state;
    if (!state.open())
        return t;
    state.write("pb.seed = 0\npb.SM.size = " + QByteArray::number(Locations) + "\n");
    for (int i = 1; i <= Locations; ++i)
        if (used(i))
            state.write("pb.SM." + QByteArray::number(i) + " = +420603" + QByteArray::number(100000 + i)
                        + ",145,Kontakt " + QByteArray::number(i) + "\n");
    state.flush();

    SimProcess sim({QStringLiteral("--latency"), QString::number(LatencyMs), QStringLiteral("--state"),
                    state.fileName()});
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return t;
    }
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(sim.modemPath());
    ReplyAssembler replies;
    PhonebookReader reader(&port);
    reader.setRangeSize(rangeSize);
    replies.onReplyComplete = [&](const QByteArray &reply) { reader.replyComplete(reply); };
    replies.onReplyFailed = [&](const QByteArray &reply, const QByteArray &error) { reader.replyFailed(reply, error); };
    port.OnRxChar = [&](int count) { replies.feed(port.ReceiveBytes(count)); };

    QElapsedTimer whole;
    QElapsedTimer locations;
    QEventLoop loop;
    QObject::connect(&reader, &PhonebookReader::progress, &loop, [&](int index, int) {
        if (index == 0)
            locations.start();
    });
    QObject::connect(&reader, &PhonebookReader::rowRead, &loop, [&] { ++t.rows; });
    QObject::connect(&reader, &PhonebookReader::finished, &loop, [&] {
        t.ok = true;
        loop.quit();
    });
    QObject::connect(&reader, &PhonebookReader::failed, &loop, [&] { loop.quit(); });
    try {
        port.OpenPort();
        if (!CheckPresence(port)) {
            std::fprintf(stderr, "no handset\n");
            return t;
        }
        whole.start();
        reader.start(0);
        loop.exec();
    } catch (const EComPort &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return t;
    }
    t.locationsMs = locations.elapsed();
    t.wholeMs = whole.elapsed();
    port.OnRxChar = nullptr;
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    // Every fifth location empty, one location a command.
    const Timing single = readOnce([](int i) { return i % 5 != 0; }, 1);
    const Timing full = readOnce([](int) { return true; }, PhonebookReader(nullptr).rangeSize());
    const Timing sparse = readOnce([](int i) { return i % 28 == 1; }, PhonebookReader(nullptr).rangeSize());
    for (const Timing *t : {&single, &full, &sparse}) {
        if (!t->ok || t->rows != Locations) {
            std::fprintf(stderr, "read ended early after %d rows\n", t->rows);
            return 1;
        }
    }
    const int handsetMs = Locations * LatencyMs;
    // Whole milliseconds: "at most 1.1 x" is "below 1.1 x + 1".
    std::printf("phonebook_handset_time_250x%dms\t%d\tms\t-\n", LatencyMs, handsetMs);
    std::printf("phonebook_read_250_locations\t%lld\tms\t<%d\n", static_cast<long long>(single.locationsMs),
                handsetMs * 11 / 10 + 1);
    std::printf("phonebook_read_with_selection_and_count\t%lld\tms\t-\n", static_cast<long long>(single.wholeMs));
    std::printf("phonebook_read_ranges_250_used_of_250\t%lld\tms\t<600\n", static_cast<long long>(full.wholeMs));
    std::printf("phonebook_read_ranges_9_used_of_250\t%lld\tms\t<600\n", static_cast<long long>(sparse.wholeMs));
    return 0;
}
