// zenksim: a simulated Torvane Zenk handset on pseudo-terminals.
//
//   zenksim --dir DIR [--state FILE] [--latency MS] [--baud N] [--split BYTES]
//           [--gap MS] [--silent] [--no-echo] [--maker TEXT]
//
// Creates DIR/modem, DIR/diag and DIR/gps (links to the slave devices of its
// pseudo-terminals) and the control socket DIR/control, prints "ready" and
// answers until SIGTERM or SIGINT; then it removes the links and the socket.
// One thread, one poll() loop: replies that wait (latency, gaps, line rate)
// are timers of that loop. See README.md for the state file, the control
// commands and how to add a command family.

#include "simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void usage(std::FILE *out = stderr)
{
    std::fprintf(out,
                 "usage: zenksim --dir DIR [--state FILE] [--latency MS] [--baud N]\n"
                 "               [--split BYTES] [--gap MS] [--silent] [--no-echo] [--maker TEXT]\n");
    for (const FamilyOption::Entry &o : FamilyOption::all())
        std::fprintf(out, "       %s%s%s  %s\n", o.name, o.valueName ? " " : "",
                     o.valueName ? o.valueName : "", o.doc);
}

// A family's option: its value (or "" for a flag) goes into Options::extra.
bool familyOption(int argc, char **argv, int &i, Options &o, bool &known)
{
    const std::string a = argv[i];
    for (const FamilyOption::Entry &e : FamilyOption::all()) {
        if (a != e.name)
            continue;
        known = true;
        if (!e.valueName) {
            o.extra[a] = "";
            return true;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "zenksim: %s needs a value\n", a.c_str());
            return false;
        }
        o.extra[a] = argv[++i];
        return true;
    }
    known = false;
    return true;
}

bool parseArgs(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zenksim: %s needs a value\n", a.c_str());
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](int &out, int lo, int hi) {
            std::string text;
            long v;
            if (!value(text))
                return false;
            if (!parseNumber(text, v) || v < lo || v > hi) {
                std::fprintf(stderr, "zenksim: %s wants a number from %d to %d, not \"%s\"\n",
                             a.c_str(), lo, hi, text.c_str());
                return false;
            }
            out = int(v);
            return true;
        };
        bool ok = true;
        if (a == "--help" || a == "-h") {
            std::printf(
                "Usage: zenksim --dir DIR [OPTION]...\n"
                "A simulated Torvane Zenk handset on pseudo-terminals: DIR/modem (AT commands),\n"
                "DIR/diag (diagnostic frames), DIR/gps (NMEA) and the control socket\n"
                "DIR/control. It prints \"ready\" when they exist and runs until SIGTERM or\n"
                "SIGINT, then removes them.\n\n"
                "Options:\n"
                "  --dir DIR        folder of the port links and the control socket (required)\n"
                "  --state FILE     seed the state from FILE (lines \"key = value\")\n"
                "  --latency MS     write every reply MS after its request\n"
                "  --baud N         pace the output at N baud\n"
                "  --split BYTES    write replies in pieces of at most BYTES\n"
                "  --gap MS         pause MS after each piece\n"
                "  --silent         never answer on any port\n"
                "  --no-echo        start with command echo off\n"
                "  --maker TEXT     answer AT+CGMI with TEXT\n");
            for (const FamilyOption::Entry &e : FamilyOption::all()) {
                std::string left = std::string(e.name) + (e.valueName ? std::string(" ") + e.valueName : "");
                std::printf("  %-16s %s\n", left.c_str(), e.doc);
            }
            std::printf("  --help           show this text\n\n"
                        "The control socket takes one command a connection (get, set, dump, keys,\n"
                        "power, log, ...; \"help\" lists them).\n");
            std::exit(0);
        }
        if (a == "--dir")
            ok = value(o.dir);
        else if (a == "--state")
            ok = value(o.stateFile);
        else if (a == "--latency")
            ok = number(o.pacing.latencyMs, 0, 600000);
        else if (a == "--baud")
            ok = number(o.pacing.baud, 0, 100000000);
        else if (a == "--split")
            ok = number(o.pacing.splitBytes, 0, 1 << 20);
        else if (a == "--gap")
            ok = number(o.pacing.gapMs, 0, 600000);
        else if (a == "--silent")
            o.silent = true;
        else if (a == "--no-echo")
            o.noEcho = true;
        else if (a == "--maker")
            ok = value(o.maker);
        else {
            bool known = false;
            ok = familyOption(argc, argv, i, o, known);
            if (ok && !known) {
                std::fprintf(stderr, "zenksim: unknown option %s\n", a.c_str());
                ok = false;
            }
        }
        if (!ok)
            return false;
    }
    if (o.dir.empty()) {
        std::fprintf(stderr, "zenksim: --dir is required\n");
        return false;
    }
    return true;
}

// The control socket: one command line per connection, answered, then
// closed. Replies are written without blocking the loop, as the client
// takes them; a client that takes nothing for ControlStallLimit is dropped
// (and the drop reported on stderr), so it never stalls the ports.
struct ControlConnection
{
    int fd;
    std::string input;
    Clock::time_point deadline;
    bool answered = false;
    std::string output;
    size_t sent = 0;
};

constexpr size_t MaxControlLine = 1 << 20;
constexpr auto ControlIdleLimit = std::chrono::seconds(10);
constexpr auto ControlStallLimit = std::chrono::seconds(5);

// Sends what the socket takes now; false when the connection is finished
// (everything sent, or the client went away).
bool sendSome(ControlConnection &c, Clock::time_point now)
{
    while (c.sent < c.output.size()) {
        const ssize_t n = ::send(c.fd, c.output.data() + c.sent, c.output.size() - c.sent,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.sent += size_t(n);
            c.deadline = now + ControlStallLimit;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            return false;
        }
    }
    return false;
}

int openControlSocket(const std::string &path, std::string &error)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        error = path + ": path too long for a socket";
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        error = path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    if (::mkdir(options.dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "zenksim: %s: %s\n", options.dir.c_str(), std::strerror(errno));
        return 2;
    }

    if (::pipe2(g_signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        std::perror("zenksim: pipe");
        return 2;
    }
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator sim(options);
    std::string error;
    if (!sim.start(error)) {
        std::fprintf(stderr, "zenksim: %s\n", error.c_str());
        return 2;
    }
    const std::string controlPath = options.dir + "/control";
    const int listenFd = openControlSocket(controlPath, error);
    if (listenFd < 0) {
        std::fprintf(stderr, "zenksim: %s\n", error.c_str());
        return 2;
    }

    std::printf("ready\n");
    std::fflush(stdout);

    std::vector<ControlConnection> connections;
    PtyPort *ports[] = {&sim.modem(), &sim.diagPort(), &sim.gps()};
    bool running = true;
    while (running) {
        const Clock::time_point now = Clock::now();
        std::vector<pollfd> fds;
        fds.push_back({g_signalPipe[0], POLLIN, 0});
        fds.push_back({listenFd, POLLIN, 0});
        Clock::time_point wake = sim.nextTick();
        for (PtyPort *p : ports) {
            short events = POLLIN;
            if (p->wantsWrite(now))
                events |= POLLOUT;
            else if (p->hasPending())
                wake = std::min(wake, p->nextDue());
            fds.push_back({p->fd(), events, 0});
        }
        for (const ControlConnection &c : connections) {
            fds.push_back({c.fd, short(c.answered ? POLLOUT : POLLIN), 0});
            wake = std::min(wake, c.deadline);
        }
        // To the microsecond: paced lines wake many times per millisecond.
        timespec timeout{};
        timespec *bound = nullptr;
        if (wake != Clock::time_point::max()) {
            const auto us = std::clamp<long long>(
                std::chrono::ceil<std::chrono::microseconds>(wake - now).count(), 0, 60000000LL);
            timeout.tv_sec = time_t(us / 1000000);
            timeout.tv_nsec = long(us % 1000000) * 1000;
            bound = &timeout;
        }
        if (::ppoll(fds.data(), fds.size(), bound, nullptr) < 0 && errno != EINTR) {
            std::perror("zenksim: poll");
            break;
        }

        if (fds[0].revents & POLLIN)
            running = false;

        for (size_t i = 0; i < 3; ++i) {
            const pollfd &f = fds[2 + i];
            if (f.revents & POLLIN) {
                const std::string bytes = ports[i]->readAvailable();
                if (i == 0)
                    sim.modemInput(bytes);
                else if (i == 1)
                    sim.diagInput(bytes);
                else
                    sim.gpsInput(bytes);
            }
        }
        sim.runTicks(Clock::now());
        const Clock::time_point after = Clock::now();
        for (PtyPort *p : ports)
            if (p->wantsWrite(after))
                p->onWritable(after);

        // Control connections: answer each complete line, send the reply as
        // the client takes it, then close.
        for (size_t i = 0; i < connections.size(); ++i) {
            ControlConnection &c = connections[i];
            const pollfd &f = fds[5 + i];
            bool done = false;
            if (c.answered) {
                if (f.revents & (POLLOUT | POLLHUP | POLLERR))
                    done = !sendSome(c, after);
                if (!done && after >= c.deadline) {
                    std::fprintf(stderr, "zenksim: control client dropped: %zu of %zu reply bytes not read\n",
                                 c.output.size() - c.sent, c.output.size());
                    done = true;
                }
            } else {
                done = after >= c.deadline;
                if (f.revents & (POLLIN | POLLHUP | POLLERR)) {
                    char buf[4096];
                    const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                    if (n > 0)
                        c.input.append(buf, size_t(n));
                    const size_t nl = c.input.find('\n');
                    if (nl != std::string::npos || (n == 0 && !c.input.empty())) {
                        std::string line = c.input.substr(0, nl);
                        if (!line.empty() && line.back() == '\r')
                            line.pop_back();
                        c.answered = true;
                        c.output = sim.control(line);
                        c.deadline = after + ControlStallLimit;
                        done = !sendSome(c, after);
                    } else if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)
                               || c.input.size() > MaxControlLine) {
                        done = true;
                    }
                }
            }
            if (done) {
                ::close(c.fd);
                c.fd = -1;
            }
        }
        connections.erase(std::remove_if(connections.begin(), connections.end(),
                                         [](const ControlConnection &c) { return c.fd < 0; }),
                          connections.end());
        if (fds[1].revents & POLLIN) {
            for (;;) {
                const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0)
                    break;
                ControlConnection c;
                c.fd = fd;
                c.deadline = Clock::now() + ControlIdleLimit;
                connections.push_back(std::move(c));
            }
        }
    }

    for (const ControlConnection &c : connections)
        ::close(c.fd);
    ::close(listenFd);
    ::unlink(controlPath.c_str());
    sim.stop();
    return 0;
}
