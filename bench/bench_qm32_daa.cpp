// Service round trips per second through the library against the reference
// host qmhost on loopback, as a ratio to a raw TCP exchange of the same bytes
// (connect, send, receive the announced answer, close) measured in the same run.
#include "../tests/qmhost/qmhost_process.h"
#include "qm32int.h"
#include "qmdaa32.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Record {
    DAA_REQUEST_HEADER h;
    char data[64];
};

std::string hostBinary() {
    if (const char *env = std::getenv("QMHOST_BIN"))
        return env;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "qmhost";
    exe[n] = '\0';
    std::string dir(exe);
    dir = dir.substr(0, dir.rfind('/'));
    return dir + "/../tools/qmhost/qmhost";
}

// The request exactly as the library sends it for service 1 with "k88s20".
std::string requestBytes() {
    Record r;
    std::memset(&r, 0, sizeof r);
    r.h.cRequestType = 'S';
    std::memcpy(r.h.szUserId, "BENCH", 5);
    std::memcpy(r.h.szPassword, "BENCH", 5);
    std::memcpy(r.h.szDatabaseId, "FINDB", 5);
    r.h.sService = 1;
    r.h.sOption = 1;
    std::strcpy(r.data, "round trip payload");
    char text[256];
    CNV_EncodeStruct(&r, DAA_HEADER_FMT "k88s20", text);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "0000%03d%05d", 6, static_cast<int>(std::strlen(text)));
    std::string body = std::string(prefix) + "k88s20" + text;
    uint32_t n = htonl(static_cast<uint32_t>(body.size()));
    return std::string(reinterpret_cast<const char *>(&n), 4) + body;
}

bool rawExchange(int port, const std::string &request) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
              send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(request.size());
    std::vector<char> buf(DAA_BUFFER_SIZE);
    std::size_t got = 0, want = 4;
    while (ok && got < want) {
        ssize_t n = recv(fd, &buf[got], buf.size() - got, 0);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
        if (got >= 4 && want == 4) {
            uint32_t len;
            std::memcpy(&len, buf.data(), 4);
            want = 4 + ntohl(len);
        }
    }
    close(fd);
    return ok && got == want;
}

double perCallUs(Clock::time_point start, int calls) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

} // namespace

int main(int argc, char **argv) {
    int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (calls <= 0)
        calls = 2000;
    qmhost::HostProcess host(hostBinary(), {"--max-seconds", "600"});
    if (host.port() <= 0) {
        std::fprintf(stderr, "bench_qm32_daa: cannot start qmhost (%s); set QMHOST_BIN\n",
                     hostBinary().c_str());
        return 1;
    }

    char tmpl[] = "/tmp/bench_qm32_daa_XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    std::string dir = tmpl;
    std::ofstream(dir + "/qmmsg.ini") << "[ERR_Messages]\n30010=Architecture error\n";
    std::ofstream(dir + "/qm32.ini")
        << "[32-bit Architecture]\nMessageFile=" << dir
        << "/qmmsg.ini\nDebugLevel=0\nSvcHost=127.0.0.1\nSvcPort=" << host.port()
        << "\nSvcHostType=A\nDatabaseID=FINDB\n";
    setenv("WINDIR", dir.c_str(), 1);
    std::string section = "qm32_bench_" + std::to_string(getpid());
    _qm32SetSectionName(section.c_str());
    if (_qm32Startup() != 0 || UTL_SetId("bench", "bench") != 0) {
        std::fprintf(stderr, "bench_qm32_daa: the library did not start\n");
        return 1;
    }

    std::string request = requestBytes();
    Record req, ans;
    DAA_SERVICE_BLOCK block;
    auto library = [&](bool threaded) {
        std::memset(&block, 0, sizeof block);
        block.lService = 1;
        std::strcpy(block.szFormat, "k88s20");
        std::memset(&req, 0, sizeof req);
        std::strcpy(req.data, "round trip payload");
        return threaded ? DAA_InvokeService(&block, &req, &ans)
                        : DAA_InvokeService_NoThread(&block, &req, &ans);
    };

    // Warm up both paths, and check that they agree on the exchange.
    for (int i = 0; i < 50; ++i) {
        if (!rawExchange(host.port(), request) || library(true) != 0 ||
            block.Error.lErrorNumber != 0 || std::strcmp(ans.data, "round trip payload") != 0) {
            std::fprintf(stderr, "bench_qm32_daa: warm-up exchange failed\n");
            return 1;
        }
    }

    // Short batches of each kind in turn, so that a change of the machine's
    // load hits all three alike; the ratios are the medians over the batches.
    const int batches = 20;
    int perBatch = calls / batches > 0 ? calls / batches : 1;
    std::vector<double> raw, threaded, direct;
    for (int b = 0; b < batches; ++b) {
        Clock::time_point t = Clock::now();
        for (int i = 0; i < perBatch; ++i)
            rawExchange(host.port(), request);
        raw.push_back(perCallUs(t, perBatch));
        t = Clock::now();
        for (int i = 0; i < perBatch; ++i)
            library(true);
        threaded.push_back(perCallUs(t, perBatch));
        t = Clock::now();
        for (int i = 0; i < perBatch; ++i)
            library(false);
        direct.push_back(perCallUs(t, perBatch));
        plat_msg_t m;
        while (plat_peek_message(m, 0, 0, true)) {
        } // the no-thread calls' completion messages
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> threadedRatio, directRatio;
    for (int b = 0; b < batches; ++b) {
        threadedRatio.push_back(threaded[b] / raw[b]);
        directRatio.push_back(direct[b] / raw[b]);
    }
    double rt = median(threadedRatio);
    std::printf("service round trips, %d batches of %d calls, medians (loopback, qmhost)\n",
                batches, perBatch);
    std::printf("  raw TCP exchange           %8.0f calls/s  ratio 1.00 (baseline)\n",
                1e6 / median(raw));
    std::printf("  DAA_InvokeService          %8.0f calls/s  ratio %.2f (target <= 1.50)\n",
                1e6 / median(threaded), rt);
    std::printf("  DAA_InvokeService_NoThread %8.0f calls/s  ratio %.2f\n", 1e6 / median(direct),
                median(directRatio));
    _qm32Shutdown();
    std::string cleanup = "rm -rf '" + dir + "'";
    return std::system(cleanup.c_str()) == 0 && rt <= 1.5 ? 0 : 2;
}
