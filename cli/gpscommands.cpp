// torvane-cli gps watch: the fixes and satellites of the GPS port, through
// the same NMEA reader as the GPS page.

#include "clicommand.h"

#include "comport.h"
#include "nmea.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <memory>

namespace {

std::atomic<bool> g_stop{false};

extern "C" void onStopSignal(int)
{
    g_stop = true;
}

QString jsonNumber(const QByteArray &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? QString::number(value) : QStringLiteral("null");
}

QString coordinateJson(const std::optional<Nmea::Coordinate> &c)
{
    return c ? QString::number(c->decimalDegrees(), 'f', 7) : QStringLiteral("null");
}

QString fixJson(const Nmea::GgaFix &fix, const QList<Nmea::Satellite> &satellites)
{
    QStringList sats;
    for (const Nmea::Satellite &s : satellites) {
        sats.append(QStringLiteral("{\"id\": %1, \"constellation\": %2, \"elevation\": %3, "
                                   "\"azimuth\": %4, \"snr\": %5}")
                        .arg(s.number)
                        .arg(jsonString(QString::fromLatin1(Nmea::constellationName(s.constellation))),
                             jsonNumber(s.elevation), jsonNumber(s.azimuth), jsonNumber(s.snr)));
    }
    return QStringLiteral("{\"time\": %1, \"fix\": %7, \"lat\": %2, \"lon\": %3, \"alt\": %4, \"used\": %5, "
                          "\"satellites\": [%6]}\n")
        .arg(jsonString(fix.time->toString(QStringLiteral("HH:mm:ss"))), coordinateJson(fix.latitude),
             coordinateJson(fix.longitude),
             fix.altitude ? QString::number(*fix.altitude, 'f', 1) : QStringLiteral("null"),
             fix.usedPresent ? jsonNumber(fix.used) : QStringLiteral("null"), sats.join(QStringLiteral(", ")),
             fix.hasFix() ? QStringLiteral("true") : QStringLiteral("false"));
}

QString fixText(const Nmea::GgaFix &fix, const QList<Nmea::Satellite> &satellites)
{
    QString text = fix.time->toString(QStringLiteral("HH:mm:ss"));
    if (fix.hasFix()) {
        text += QStringLiteral("  lat ") + fix.latitude->display();
        text += QStringLiteral("  lon ") + fix.longitude->display();
    } else {
        text += QStringLiteral("  no fix");
    }
    text += QStringLiteral("  alt ")
            + (fix.altitude ? QString::number(*fix.altitude, 'f', 1) + QStringLiteral(" m") : QStringLiteral("-"));
    text += QStringLiteral("  used ") + (fix.usedPresent ? QString::fromLatin1(fix.used) : QStringLiteral("-"));
    text += QLatin1Char('\n');
    for (const Nmea::Satellite &s : satellites) {
        text += QStringLiteral("  %1  %2  elevation %3  azimuth %4  snr %5\n")
                    .arg(s.caption(), QString::fromLatin1(Nmea::constellationName(s.constellation)),
                         s.elevation.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(s.elevation),
                         s.azimuth.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(s.azimuth),
                         s.snr.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(s.snr));
    }
    return text;
}

int runGpsWatch(const QStringList &arguments)
{
    const char *name = "gps watch";
    QStringList args = arguments;
    bool missing = false;
    const QString portOption = takeOption(args, QStringLiteral("--port"), &missing);
    if (missing)
        return cliFail(name, QStringLiteral("--port needs a device"), CliUsage);
    const QString countText = takeOption(args, QStringLiteral("--count"), &missing);
    if (missing)
        return cliFail(name, QStringLiteral("--count needs a number"), CliUsage);
    const bool json = takeFlag(args, QStringLiteral("--json"));
    args.removeAll(QStringLiteral("--"));
    if (!args.isEmpty())
        return cliFail(name, QStringLiteral("unexpected argument \"%1\"").arg(args.first()), CliUsage);
    int count = 0;
    if (!countText.isEmpty()) {
        bool ok = false;
        count = countText.toInt(&ok);
        if (!ok || count < 1)
            return cliFail(name, QStringLiteral("--count wants a whole number of fixes, 1 or more"), CliUsage);
    }
    const QString device = cliPortName(portOption, "GPSPort");
    if (device.isEmpty())
        return cliNoPort(name, "GPS");

    std::unique_ptr<TComPort> port(cliPort(device, "GPSPort"));
    try {
        port->OpenPort();
    } catch (const EComPort &e) {
        return cliFail(name, QStringLiteral("%1: %2").arg(device, e.text()));
    }

    // A receiver sends the GGA first and the satellites after it: a fix is
    // printed once its second's burst of sentences is over (or the next GGA
    // arrives), with the satellites in view by then.
    NmeaReceiver receiver;
    std::optional<Nmea::GgaFix> pending;
    int printed = 0;
    int status = CliOk;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(300);
    // Several fixes may arrive in one read: once N are printed the rest of
    // that read is not.
    auto flush = [&] {
        if (!pending || (count > 0 && printed >= count))
            return;
        cliOut(json ? fixJson(*pending, receiver.satellites()) : fixText(*pending, receiver.satellites()));
        pending.reset();
        if (count > 0 && ++printed >= count)
            QCoreApplication::exit(0);
    };
    QObject::connect(&receiver, &NmeaReceiver::fixReceived, [&](const Nmea::GgaFix &fix) {
        flush();
        pending = fix;
    });
    QObject::connect(&receiver, &NmeaReceiver::lineReceived, [&] { quiet.start(); });
    QObject::connect(&quiet, &QTimer::timeout, flush);
    port->OnRxChar = [&](int n) {
        try {
            receiver.feed(port->ReceiveBytes(n));
        } catch (const EComPort &) {
        }
    };
    const QMetaObject::Connection lost = QObject::connect(port.get(), &TComPort::openChanged, [&](bool open) {
        if (!open) {
            status = cliFail(name, QStringLiteral("%1: the port was closed").arg(device));
            QCoreApplication::exit(0);
        }
    });

    g_stop = false;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (g_stop)
            QCoreApplication::exit(0);
    });
    stopCheck.start(100);

    QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (g_stop)
        flush();
    port->OnRxChar = nullptr;
    QObject::disconnect(lost);
    try {
        port->ClosePort();
    } catch (const EComPort &) {
    }
    return status;
}

const CliRegistration gpsCommands{
    {"gps watch", "[--port DEVICE] [--count N] [--json]",
     "print the fixes and satellites in view from the GPS port as they arrive",
     "DEVICE   the GPS port (default: \"Port\" of section GPSPort in torvane.ini).\n"
     "Each fix (GGA sentence) is printed with the satellites of the latest complete\n"
     "GSV cycle: time (UTC), latitude and longitude (degrees, minutes, seconds and\n"
     "hemisphere), altitude, satellites used, then one line per satellite in view.\n"
     "Sentences with a wrong checksum are ignored.\n"
     "  --count N   stop after N fixes (default: run until Ctrl-C).\n"
     "Without a fix (quality 0 or no position) the line says \"no fix\".\n"
     "  --json      one object per fix: \"time\", \"fix\" (false: no position),\n"
     "              \"lat\" and \"lon\" (signed decimal degrees, south and west negative;\n"
     "              null without a fix), \"alt\", \"used\" and \"satellites\"\n"
     "              (objects with \"id\", \"constellation\", \"elevation\", \"azimuth\", \"snr\";\n"
     "              null where the receiver gave no value).\n"
     "Exit status 1 when the port cannot be opened or goes away.\n",
     runGpsWatch},
};

} // namespace
