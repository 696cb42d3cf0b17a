// qmhost: reference host for the qm32 library's service calls. Listens on
// 127.0.0.1, answers every connection on a thread of its own in ASCII or
// mainframe (EBCDIC, "QM62" acknowledgement) mode, and injects faults on request.
#include "ebcdic.h"
#include "services.h"
#include "wire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

using namespace qmhost;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    long port = 0;
    bool mainframe = false;
    bool noAck = false;
    bool noDefaults = false;
    bool verbose = false;
    long maxSeconds = 0;
    std::string script;
};

std::atomic<bool> g_stop{false};
std::atomic<int> g_active{0};
std::mutex g_logMutex;

constexpr int kMaxConnections = 256;
constexpr auto kRequestTimeout = std::chrono::seconds(30);
constexpr int kSliceMs = 50;

extern "C" void onSignal(int) {
    g_stop = true;
}

void logLine(const std::string &text) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    std::fprintf(stderr, "qmhost: %s\n", text.c_str());
}

// Waits until fd is ready for events; false on time-out, stop, or error.
bool waitReady(int fd, short events, Clock::time_point deadline) {
    while (!g_stop) {
        if (Clock::now() >= deadline)
            return false;
        pollfd p{fd, events, 0};
        int rc = poll(&p, 1, kSliceMs);
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool recvExact(int fd, char *buf, std::size_t n, Clock::time_point deadline) {
    std::size_t got = 0;
    while (got < n) {
        if (!waitReady(fd, POLLIN, deadline))
            return false;
        ssize_t rc = recv(fd, buf + got, n - got, 0);
        if (rc == 0 || (rc < 0 && errno != EINTR && errno != EAGAIN))
            return false;
        if (rc > 0)
            got += static_cast<std::size_t>(rc);
    }
    return true;
}

bool sendAll(int fd, const std::string &data) {
    std::size_t sent = 0;
    Clock::time_point deadline = Clock::now() + kRequestTimeout;
    while (sent < data.size()) {
        if (!waitReady(fd, POLLOUT, deadline))
            return false;
        ssize_t rc = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (rc < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (rc > 0)
            sent += static_cast<std::size_t>(rc);
    }
    return true;
}

void sleepMs(long ms) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    while (!g_stop && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(ms, kSliceMs)));
}

// Reads and discards until the client closes, the host stops, or the limit passes.
void drainUntilClosed(int fd, Clock::time_point deadline) {
    char buf[512];
    while (waitReady(fd, POLLIN, deadline)) {
        ssize_t rc = recv(fd, buf, sizeof buf, 0);
        if (rc == 0 || (rc < 0 && errno != EINTR && errno != EAGAIN))
            return;
    }
}

Answer malformedAnswer(const std::string &why) {
    Answer a;
    a.status.number = 9002;
    a.status.type = 'A';
    a.status.module = "QMHOST";
    a.status.procedure = "DISPATCH";
    a.status.text = "Malformed request";
    a.status.data = ("QMH9002E MALFORMED REQUEST: " + why).substr(0, 159);
    a.status.severity = 8;
    return a;
}

// One connection: acknowledgement (mainframe), request, answer or fault.
void serve(int fd, int id, Host &host, const Options &opt) {
    auto tag = "conn " + std::to_string(id) + ": ";
    Clock::time_point deadline = Clock::now() + kRequestTimeout;
    if (opt.mainframe) {
        char ack[5];
        if (!recvExact(fd, ack, sizeof ack, deadline)) {
            logLine(tag + "no acknowledgement request");
            return;
        }
        if (std::memcmp(ack, "QM62", 5) != 0) {
            logLine(tag + "acknowledgement request is not \"QM62\" and a NUL");
            return;
        }
        if (opt.noAck) {
            drainUntilClosed(fd, Clock::time_point::max());
            return;
        }
        if (!sendAll(fd, std::string("QM62", 5)))
            return;
    }
    unsigned char word[4];
    if (!recvExact(fd, reinterpret_cast<char *>(word), 4, deadline)) {
        logLine(tag + "no length word");
        return;
    }
    int32_t len = static_cast<int32_t>((uint32_t(word[0]) << 24) | (uint32_t(word[1]) << 16) |
                                       (uint32_t(word[2]) << 8) | uint32_t(word[3]));
    if (len < static_cast<int32_t>(kPrefixLen) || len > static_cast<int32_t>(kMaxMessage - 4)) {
        logLine(tag + "length word " + std::to_string(len) + " out of range");
        return;
    }
    std::string body(static_cast<std::size_t>(len), '\0');
    if (!recvExact(fd, &body[0], body.size(), deadline)) {
        logLine(tag + "request shorter than its length word " + std::to_string(len));
        return;
    }
    if (opt.mainframe)
        ebcdicToAscii(body);

    Request req;
    std::string why;
    Answer ans;
    const Service *svc = nullptr;
    if (parseRequest(body, req, why)) {
        svc = host.find(req.service);
        ans = host.answer(req, opt.mainframe);
    } else {
        ans = malformedAnswer(why);
    }
    Fault fault = svc ? svc->fault : Fault::None;
    if (opt.verbose || !why.empty())
        logLine(tag + "service " + std::to_string(req.service) + " type " +
                std::string(1, req.type ? req.type : '-') + " user " + req.userId + " -> status " +
                std::to_string(ans.status.number) +
                (fault != Fault::None ? std::string(" fault ") + faultName(fault) : "") +
                (why.empty() ? "" : " (" + why + ")"));
    if (svc)
        sleepMs(svc->delayMs);
    if (g_stop || fault == Fault::Close)
        return;
    if (fault == Fault::Hang) {
        drainUntilClosed(fd, Clock::time_point::max());
        return;
    }

    std::string out = buildAnswerBody(req.prefix, ans);
    if (out.size() + 4 > kMaxMessage)
        logLine(tag + "answer of " + std::to_string(out.size() + 4) + " bytes exceeds a client's " +
                std::to_string(kMaxMessage) + "-byte buffer");
    if (fault == Fault::Garbage)
        out.replace(0, kPrefixLen, "GARBAGE-PFX!");
    if (fault == Fault::PrefixLong) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%05zu",
                      std::min<std::size_t>(ans.text.size() + 1000, 99999));
        out.replace(7, 5, digits);
    }
    if (opt.mainframe)
        asciiToEbcdic(out);
    int32_t announced = static_cast<int32_t>(out.size());
    if (fault == Fault::Negative)
        announced = -announced;
    if (fault == Fault::TooLong)
        announced += 1000;
    uint32_t u = static_cast<uint32_t>(announced);
    std::string wire = {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
    wire += out;
    if (fault == Fault::Short)
        wire.resize(4 + out.size() / 2);
    if (sendAll(fd, wire)) {
        // Half-close, then let the client read everything and close first, so
        // that no reset can discard the end of the answer.
        shutdown(fd, SHUT_WR);
        drainUntilClosed(fd, Clock::now() + std::chrono::seconds(5));
    }
}

void usage(FILE *to) {
    std::fprintf(to, "usage: qmhost [-M] [-p PORT] [-s SCRIPT] [--no-defaults] [--no-ack]\n"
                     "              [--max-seconds N] [-v]\n"
                     "  -M, --mainframe    mainframe host: \"QM62\" acknowledgement, EBCDIC\n"
                     "  -p, --port PORT    port on 127.0.0.1 (0, the default: any free port)\n"
                     "  -s, --script FILE  services, users and access entries to add\n"
                     "  --no-defaults      start without the built-in services and users\n"
                     "  --no-ack           mainframe mode: never answer the acknowledgement\n"
                     "  --max-seconds N    stop after N seconds\n"
                     "  -v, --verbose      log every request on standard error\n");
}

bool parseArgs(int argc, char **argv, Options &opt) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](long lo, long hi, long &out) {
            if (i + 1 >= argc)
                return false;
            char *end = nullptr;
            long v = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || end == argv[i] || v < lo || v > hi)
                return false;
            out = v;
            return true;
        };
        if (a == "-M" || a == "--mainframe")
            opt.mainframe = true;
        else if (a == "--no-ack")
            opt.noAck = true;
        else if (a == "--no-defaults")
            opt.noDefaults = true;
        else if (a == "-v" || a == "--verbose")
            opt.verbose = true;
        else if ((a == "-p" || a == "--port") && value(0, 65535, opt.port))
            continue;
        else if (a == "--max-seconds" && value(1, 86400 * 365, opt.maxSeconds))
            continue;
        else if ((a == "-s" || a == "--script") && i + 1 < argc)
            opt.script = argv[++i];
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    static Options opt; // outlives every connection thread
    if (!parseArgs(argc, argv, opt)) {
        usage(stderr);
        return 2;
    }
    static Host host; // outlives every connection thread
    if (!opt.noDefaults)
        host.loadDefaults();
    if (!opt.script.empty()) {
        std::ifstream in(opt.script);
        std::string err;
        if (!in) {
            std::fprintf(stderr, "qmhost: cannot open script %s\n", opt.script.c_str());
            return 1;
        }
        if (!host.loadScript(in, err)) {
            std::fprintf(stderr, "qmhost: %s: %s\n", opt.script.c_str(), err.c_str());
            return 1;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    int lfd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(lfd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(opt.port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t alen = sizeof addr;
    if (lfd < 0 || bind(lfd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        listen(lfd, 64) != 0 || getsockname(lfd, reinterpret_cast<sockaddr *>(&addr), &alen) != 0) {
        std::fprintf(stderr, "qmhost: cannot listen on 127.0.0.1:%ld: %s\n", opt.port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("qmhost listening on 127.0.0.1:%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);
    if (opt.verbose)
        logLine(std::string(opt.mainframe ? "mainframe" : "ASCII") + " mode, " +
                std::to_string(host.serviceCount()) + " services");

    Clock::time_point end = opt.maxSeconds > 0 ? Clock::now() + std::chrono::seconds(opt.maxSeconds)
                                               : Clock::time_point::max();
    int nextId = 0;
    while (!g_stop && Clock::now() < end) {
        pollfd p{lfd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        int fd = accept(lfd, nullptr, nullptr);
        if (fd < 0)
            continue;
        if (g_active >= kMaxConnections) {
            logLine("too many connections, refusing one");
            close(fd);
            continue;
        }
        int id = ++nextId;
        ++g_active;
        try {
            std::thread([fd, id] {
                serve(fd, id, host, opt);
                close(fd);
                --g_active;
            }).detach();
        } catch (const std::exception &e) {
            logLine(std::string("cannot start a thread: ") + e.what());
            close(fd);
            --g_active;
        }
    }
    g_stop = true;
    close(lfd);
    // Connection threads see the stop within one poll slice.
    Clock::time_point grace = Clock::now() + std::chrono::seconds(3);
    while (g_active > 0 && Clock::now() < grace)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (g_active > 0)
        std::_Exit(0);
    return 0;
}
