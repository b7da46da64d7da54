// Times a root listing over OBEX against the simulated handset (its default
// escape guard time of 1000 ms, the exchange's default bounds): from AT mode,
// and from an OBEX mode that another client left, its CONNECT answer still
// waiting on the port. The second needs one escape more, two guard times;
// it should not wait out an AT timeout besides.
//
// Prints rows: name <TAB> measured <TAB> unit <TAB> target.

#include "comport.h"
#include "obexexchange.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>

Q_DECLARE_METATYPE(ObexFailure)

namespace {

constexpr int Runs = 3;
constexpr int GuardMs = 1000;

// One root listing; the elapsed ms, or -1 on failure.
qint64 listOnce(TComPort &port)
{
    ObexExchange exchange(&port);
    exchange.restoreReceiveHandler = [&port] { port.OnRxChar = nullptr; };
    QSignalSpy finished(&exchange, &ObexExchange::finished);
    QElapsedTimer timer;
    timer.start();
    if (!exchange.start(ExplorerOperation::RootListing, QStringList{}) || !finished.wait(30000))
        return -1;
    const qint64 elapsed = timer.elapsed();
    return finished.first().first().value<ObexFailure>().failed() ? -1 : elapsed;
}

// Leaves the handset as another OBEX client would: in OBEX mode, its answer unread.
bool leaveInObexMode(TComPort &port, SimProcess &sim)
{
    port.SendText("AT+CPROT=0\r");
    if (!QTest::qWaitFor([&] { return sim.control("get obex.mode") == "obex\n"; }, 3000))
        return false;
    port.ReceiveTextWithin(200, 500);
    port.SendText(Obex::ConnectRequest(Obex::FolderBrowsingServiceId()));
    return QTest::qWaitFor([&] { return port.PendingCount() >= 31; }, 3000);
}

qint64 median(QList<qint64> times)
{
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SimProcess sim;
    if (!sim.start()) {
        std::fprintf(stderr, "zenksim did not start\n");
        return 1;
    }
    QList<qint64> fromAt, leftOver;
    try {
        TComPort port(QStringLiteral("ComPort1"));
        port.setPort(sim.modemPath());
        port.OpenPort();
        for (int i = 0; i < Runs; ++i) {
            const qint64 a = listOnce(port);
            if (a < 0 || !leaveInObexMode(port, sim))
                return 1;
            const qint64 b = listOnce(port);
            if (b < 0)
                return 1;
            fromAt.append(a);
            leftOver.append(b);
        }
    } catch (const EComPort &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    const qint64 at = median(fromAt);
    // One more escape: the guard before and after "+++", and a little.
    const qint64 target = at + 2 * (GuardMs + GuardMs / 10 + 20) + 300;
    std::printf("obex_root_listing_from_at_mode\t%lld\tms\t-\n", static_cast<long long>(at));
    std::printf("obex_root_listing_left_in_obex_mode\t%lld\tms\t<%lld\n", static_cast<long long>(median(leftOver)),
                static_cast<long long>(target));
    return 0;
}
