// Tests of the running qmhost: each starts it as a child process on a free
// port, talks raw TCP to it in ASCII or mainframe mode, and stops only that child.
#include "ebcdic.h"
#include "qmhost_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using qmhost::HostProcess;
using qmhost::msSince;
using Clock = std::chrono::steady_clock;

int connectTo(int port, long timeoutMs = 10000) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Receives until the peer closes; timedOut is set when a receive times out.
std::string recvAll(int fd, bool *timedOut = nullptr) {
    std::string data;
    char buf[4096];
    for (;;) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            data.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (timedOut)
            *timedOut = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        return data;
    }
}

std::string lengthWord(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    return {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
}

int32_t readLengthWord(const std::string &s) {
    if (s.size() < 4)
        return 0;
    auto b = [&](int i) { return uint32_t(static_cast<unsigned char>(s[i])); };
    return static_cast<int32_t>((b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3));
}

std::string textField(const std::string &s, std::size_t count) {
    std::string f = s.substr(0, count);
    f.resize(count, '\x01');
    return f;
}

// The 124-character request header for a service: type, position 0, rows,
// 0, start, user id, password or user id, service, option 1, empty rest.
std::string header(char type, int service, const std::string &user, const std::string &second,
                   int rows = 0, int start = 0) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%c%+011d%+06d%+06d%+06d", type, 0, rows, 0, start);
    std::string h = buf + textField(user, 9) + textField(second, 9);
    std::snprintf(buf, sizeof buf, "%+06d%+06d", service, 1);
    h += buf;
    h += std::string(28, '\x01') + "+00000" + "+0000000000" + "+00000000000000000" + "\x01";
    return h;
}

// Message body after the length word: prefix, format, text.
std::string body(const std::string &fmt, const std::string &text) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "0100%03zu%05zu", fmt.size(), text.size());
    return prefix + fmt + text;
}

struct Reply {
    bool connected = false;
    bool timedOut = false;
    std::string ack;  // mainframe acknowledgement reply
    std::string raw;  // everything after the acknowledgement
    std::string body; // after the length word, converted to ASCII in mainframe mode
    int32_t announced = 0;
    // Parsed from the prefix of a well-formed answer.
    std::string format, text, status;
    bool parse() {
        if (body.size() < 12)
            return false;
        std::size_t f = std::strtoul(body.substr(4, 3).c_str(), nullptr, 10);
        std::size_t d = std::strtoul(body.substr(7, 5).c_str(), nullptr, 10);
        if (body.size() != 12 + f + d + 504)
            return false;
        format = body.substr(12, f);
        text = body.substr(12 + f, d);
        status = body.substr(12 + f + d);
        return true;
    }
    // Status fields at their places in the 504-character record.
    std::string number() const { return status.substr(137, 6); }
    std::string severity() const { return status.substr(492, 6); }
};

// One service call: acknowledgement (mainframe), request, whole answer.
Reply call(int port, bool mainframe, const std::string &fmt, const std::string &text,
           long timeoutMs = 10000) {
    Reply r;
    int fd = connectTo(port, timeoutMs);
    if (fd < 0)
        return r;
    r.connected = true;
    if (mainframe) {
        send(fd, "QM62", 5, MSG_NOSIGNAL);
        char buf[20];
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n > 0)
            r.ack.assign(buf, static_cast<std::size_t>(n));
    }
    std::string msg = body(fmt, text);
    if (mainframe)
        qmhost::asciiToEbcdic(msg);
    msg = lengthWord(static_cast<int32_t>(msg.size())) + msg;
    send(fd, msg.data(), msg.size(), MSG_NOSIGNAL);
    r.raw = recvAll(fd, &r.timedOut);
    close(fd);
    r.announced = readLengthWord(r.raw);
    r.body = r.raw.size() >= 4 ? r.raw.substr(4) : "";
    if (mainframe)
        qmhost::ebcdicToAscii(r.body);
    return r;
}

// A directory of this test program's own under the temporary folder, made
// when the first script is written and removed with everything in it when
// the program ends.
class ScriptDir {
  public:
    const std::string &path() {
        if (path_.empty()) {
            const char *base = std::getenv("TMPDIR");
            std::string pattern =
                std::string(base && *base ? base : "/tmp") + "/qmhost_tests_XXXXXX";
            std::vector<char> name(pattern.begin(), pattern.end());
            name.push_back('\0');
            if (mkdtemp(name.data()))
                path_ = name.data();
        }
        return path_;
    }
    ~ScriptDir() {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
    }

  private:
    std::string path_;
};

ScriptDir g_scripts;

std::string writeScript(const std::string &name, const std::string &content) {
    std::string path = g_scripts.path() + "/" + name;
    std::ofstream(path) << content;
    return path;
}

} // namespace

TEST(QmhostLive, AsciiEchoAnswersWithCorrectLengthsAndEmptyStatus) {
    HostProcess host(QMHOST_BIN, {});
    ASSERT_GT(host.port(), 0) << host.firstLine();
    std::string text = header('S', 1, "ALICE", "ALICE") + "HELLO    ";
    Reply r = call(host.port(), false, "k88s9", text);
    ASSERT_TRUE(r.parse()) << r.body.size();
    // The length word counts exactly the bytes after it.
    EXPECT_EQ(r.announced, static_cast<int32_t>(r.raw.size() - 4));
    EXPECT_EQ(r.body.substr(0, 4), "0100");
    EXPECT_EQ(r.format, "k88s9");
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.number(), "+00000");
    EXPECT_EQ(r.status.substr(97, 8), std::string(8, '\x01'));
}

TEST(QmhostLive, MainframeModeSpeaksEbcdicAfterTheAcknowledgement) {
    HostProcess host(QMHOST_BIN, {"-M"});
    ASSERT_GT(host.port(), 0);
    std::string text = header('S', 2, "ALICE", "SECRET1", 2, 1);
    Reply r = call(host.port(), true, "K88", text);
    EXPECT_FALSE(r.ack.empty());
    EXPECT_LE(r.ack.size(), 20u);
    ASSERT_TRUE(r.parse()) << r.body.substr(0, 12);
    EXPECT_EQ(r.announced, static_cast<int32_t>(r.raw.size() - 4));
    // On the wire, the prefix digits are EBCDIC digits 0xF0 to 0xF9.
    for (int i = 4; i < 16; ++i)
        EXPECT_GE(static_cast<unsigned char>(r.raw[i]), 0xF0) << i;
    EXPECT_EQ(r.format, "K88R1.2S20");
    EXPECT_EQ(r.text.substr(18, 6), "+00002");
    EXPECT_EQ(r.text.substr(124, 20), "ROW00001            ");
    EXPECT_EQ(r.text.substr(144, 8), "ROW00002");
}

TEST(QmhostLive, MainframeModeRefusesAMissingAcknowledgement) {
    HostProcess host(QMHOST_BIN, {"-M"});
    ASSERT_GT(host.port(), 0);
    int fd = connectTo(host.port());
    ASSERT_GE(fd, 0);
    std::string msg = body("", header('S', 1, "A", "A"));
    msg = lengthWord(int32_t(msg.size())) + msg; // no "QM62" first
    send(fd, msg.data(), msg.size(), MSG_NOSIGNAL);
    bool timedOut = true;
    EXPECT_EQ(recvAll(fd, &timedOut), "");
    EXPECT_FALSE(timedOut);
    close(fd);
}

TEST(QmhostLive, NoAckOptionNeverAnswersTheAcknowledgement) {
    HostProcess host(QMHOST_BIN, {"-M", "--no-ack"});
    ASSERT_GT(host.port(), 0);
    int fd = connectTo(host.port(), 300);
    ASSERT_GE(fd, 0);
    send(fd, "QM62", 5, MSG_NOSIGNAL);
    bool timedOut = false;
    EXPECT_EQ(recvAll(fd, &timedOut), "");
    EXPECT_TRUE(timedOut);
    close(fd);
}

TEST(QmhostLive, ScriptedErrorStatusAndSignonAndAccess) {
    std::string script =
        writeScript("qmhost_errors.txt", "service 60 error number=-1096 type=A module=QMS01302 "
                                         "procedure=S9810-CALL-SERVICE text=\"Row not found\" "
                                         "data=\" DSNT404I SQLCODE = 100\" severity=8\n"
                                         "user ERIN PW1\n"
                                         "access ERIN XX0001 110\n");
    HostProcess host(QMHOST_BIN, {"-M", "-s", script});
    ASSERT_GT(host.port(), 0);
    Reply r = call(host.port(), true, "", header('S', 60, "ERIN", "PW1"));
    ASSERT_TRUE(r.parse());
    EXPECT_EQ(r.text.size(), 124u);
    EXPECT_EQ(r.number(), "-01096");
    EXPECT_EQ(r.status[106], 'A');
    EXPECT_EQ(r.status.substr(97, 8), "QMS01302");
    EXPECT_EQ(r.status.substr(107, 18), "S9810-CALL-SERVICE");
    EXPECT_EQ(r.status.substr(143, 14), "Row not found\x01");
    EXPECT_EQ(r.status.substr(333, 24), " DSNT404I SQLCODE = 100\x01");
    EXPECT_EQ(r.severity(), "+00008");

    Reply good = call(host.port(), true, "K88S9", header('S', 429, "ERIN", "PW1"));
    ASSERT_TRUE(good.parse());
    EXPECT_EQ(good.number(), "+00000");
    Reply bad = call(host.port(), true, "K88S9", header('S', 429, "ERIN", "NOPE"));
    ASSERT_TRUE(bad.parse());
    EXPECT_EQ(bad.number(), "+00012");
    EXPECT_EQ(bad.status.substr(333, 8), "ACF01012");

    Reply acc = call(host.port(), true, "K88S9",
                     header('S', 3135, "ERIN", "PW1", 1000, 1) + textField("ERIN", 9));
    ASSERT_TRUE(acc.parse());
    EXPECT_EQ(acc.number(), "+00000");
    EXPECT_EQ(acc.text.substr(124), "XX0001110");
    EXPECT_EQ(acc.text.substr(18, 6), "+00001");
}

TEST(QmhostLive, SlowAnswerAndConcurrentClients) {
    std::string script = writeScript("qmhost_slow.txt", "service 70 echo delay=400\n");
    HostProcess host(QMHOST_BIN, {"-s", script});
    ASSERT_GT(host.port(), 0);
    Clock::time_point start = Clock::now();
    Reply one = call(host.port(), false, "", header('S', 70, "A", "A"));
    EXPECT_GE(msSince(start), 400);
    ASSERT_TRUE(one.parse());

    // Eight slow calls at once finish in about one delay, not eight.
    constexpr int kClients = 8;
    std::vector<Reply> replies(kClients);
    std::vector<std::thread> threads;
    start = Clock::now();
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back([&, i] {
            replies[i] = call(host.port(), false, "k88s9",
                              header('S', 70, "A", "A") + textField(std::to_string(i), 9));
        });
    for (auto &t : threads)
        t.join();
    EXPECT_LT(msSince(start), 400 * kClients / 2);
    for (int i = 0; i < kClients; ++i) {
        ASSERT_TRUE(replies[i].parse()) << i;
        EXPECT_EQ(replies[i].text.substr(124, 1), std::to_string(i));
    }
}

TEST(QmhostLive, ManySequentialConnections) {
    HostProcess host(QMHOST_BIN, {});
    ASSERT_GT(host.port(), 0);
    for (int i = 0; i < 60; ++i) {
        Reply r = call(host.port(), false, "", header('S', 1, "A", "A", i));
        ASSERT_TRUE(r.parse()) << i;
        ASSERT_EQ(r.text.substr(12, 6), header('S', 1, "A", "A", i).substr(12, 6));
    }
}

TEST(QmhostLive, EachFaultInBothModes) {
    for (bool mainframe : {false, true}) {
        SCOPED_TRACE(mainframe ? "mainframe" : "ASCII");
        HostProcess host(QMHOST_BIN,
                         mainframe ? std::vector<std::string>{"-M"} : std::vector<std::string>{});
        ASSERT_GT(host.port(), 0);
        auto faulty = [&](int service) {
            return call(host.port(), mainframe, "k88s9",
                        header('S', service, "A", "A") + "ABCDEFGHI", 1000);
        };
        Reply full = faulty(1); // the proper answer, for comparison
        ASSERT_TRUE(full.parse());
        std::size_t fullSize = full.raw.size() - 4;

        Reply closed = faulty(901);
        EXPECT_EQ(closed.raw, "");
        EXPECT_FALSE(closed.timedOut);

        Reply shortAns = faulty(902);
        EXPECT_EQ(shortAns.announced, static_cast<int32_t>(fullSize));
        EXPECT_EQ(shortAns.raw.size() - 4, fullSize / 2);

        Reply garbage = faulty(903);
        EXPECT_EQ(garbage.body.substr(0, 12), "GARBAGE-PFX!");
        EXPECT_EQ(garbage.announced, static_cast<int32_t>(fullSize));

        Reply negative = faulty(904);
        EXPECT_EQ(negative.announced, -static_cast<int32_t>(fullSize));
        EXPECT_EQ(negative.raw.size() - 4, fullSize);

        Reply tooLong = faulty(905);
        EXPECT_EQ(tooLong.announced, static_cast<int32_t>(fullSize) + 1000);
        EXPECT_EQ(tooLong.raw.size() - 4, fullSize);

        Reply prefixLong = faulty(906);
        EXPECT_EQ(prefixLong.body.substr(7, 5), "01133"); // 133 characters sent
        EXPECT_EQ(prefixLong.raw.size() - 4, fullSize);

        Clock::time_point start = Clock::now();
        Reply hang = faulty(907);
        EXPECT_TRUE(hang.timedOut);
        EXPECT_EQ(hang.raw, "");
        EXPECT_GE(msSince(start), 900);
    }
}

TEST(QmhostLive, MalformedRequests) {
    HostProcess host(QMHOST_BIN, {});
    ASSERT_GT(host.port(), 0);
    // Prefix lengths that do not match what follows: an error status 9002.
    int fd = connectTo(host.port());
    ASSERT_GE(fd, 0);
    std::string msg = "000000500999k88s9" + header('S', 1, "A", "A");
    msg = lengthWord(int32_t(msg.size())) + msg;
    send(fd, msg.data(), msg.size(), MSG_NOSIGNAL);
    Reply r;
    r.raw = recvAll(fd);
    close(fd);
    r.body = r.raw.substr(std::min<std::size_t>(4, r.raw.size()));
    ASSERT_TRUE(r.parse());
    EXPECT_EQ(r.number(), "+09002");
    EXPECT_EQ(r.text, "");
    // Length words that are negative, too small or too large: closed at once.
    for (int32_t len : {-5, 3, 40000}) {
        int c = connectTo(host.port());
        ASSERT_GE(c, 0);
        std::string w = lengthWord(len) + "000000000000";
        send(c, w.data(), w.size(), MSG_NOSIGNAL);
        bool timedOut = true;
        EXPECT_EQ(recvAll(c, &timedOut), "") << len;
        EXPECT_FALSE(timedOut) << len;
        close(c);
    }
}

TEST(QmhostLive, StopsOnSigtermAndAfterMaxSeconds) {
    HostProcess host(QMHOST_BIN, {});
    ASSERT_GT(host.port(), 0);
    // A hanging connection must not keep the host alive.
    int fd = connectTo(host.port());
    std::string msg = body("", header('S', 907, "A", "A"));
    msg = lengthWord(int32_t(msg.size())) + msg;
    send(fd, msg.data(), msg.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(host.pid(), SIGTERM);
    EXPECT_EQ(host.waitFor(3000), 0);
    close(fd);

    HostProcess timed(QMHOST_BIN, {"--max-seconds", "1"});
    ASSERT_GT(timed.port(), 0);
    EXPECT_EQ(timed.waitFor(4000), 0);
}

TEST(QmhostLive, BadCommandLineAndScript) {
    std::string script = writeScript("qmhost_bad.txt", "service 1 bogus\n");
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--port", "x"}, std::vector<std::string>{"-s", script},
          std::vector<std::string>{"-s", "/nonexistent/qmhost.txt"}}) {
        HostProcess host(QMHOST_BIN, args);
        EXPECT_EQ(host.port(), 0);
        EXPECT_GT(host.waitFor(3000), 0);
    }
}
