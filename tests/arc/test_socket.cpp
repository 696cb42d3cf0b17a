// Blocking socket tests on loopback: a listener of the test's own on
// 127.0.0.1 with a free port; time-out, refused connection after the retry,
// whole writes over partial sends, close, and the exception's record.
#include "qmsocket.h"
#include "qmtest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

uint32_t loopback() {
    uint32_t addr = 0;
    CInetAddress::ParseDotted("127.0.0.1", &addr);
    return addr;
}

// A listening socket on 127.0.0.1 with a free port.
struct Listener {
    plat_socket_t s = 0;
    int port = -1;
    Listener() {
        s = plat_socket_create(PLAT_SOCK_STREAM);
        if (s != 0) {
            port = plat_socket_listen(s, loopback(), 0, 8);
        }
    }
    ~Listener() { Close(); }
    void Close() {
        if (s != 0) {
            plat_socket_close(s);
            s = 0;
        }
    }
};

class Socket : public ::testing::Test {
  protected:
    qmtest::Env env;
    void SetUp() override { ASSERT_EQ(env.startResult, 0); }
};

// Runs `body` and returns the exception it raised (nullptr when none).
template <typename F> CBlockingSocketException *raised(F body) {
    try {
        body();
    } catch (CBlockingSocketException *e) {
        return e;
    }
    return nullptr;
}

void expectRecord(const CBlockingSocketException *e, int number, const std::string &data,
                  const std::string &procedure) {
    ASSERT_NE(e, nullptr);
    const ERR_RECORD *r = e->GetErrorRecord();
    EXPECT_EQ(r->lErrorNumber, number);
    EXPECT_EQ(r->ulSeverity, 16u);
    EXPECT_EQ(r->ulErrorType, static_cast<uint32_t>('E'));
    EXPECT_STREQ(r->szErrorData, data.c_str());
    EXPECT_STREQ(r->szModule, "qmsocket");
    EXPECT_STREQ(r->szProcedure, procedure.c_str());
    EXPECT_STREQ(r->szSource, "Architecture exception.");
    EXPECT_STREQ(r->szApplication, "32-bit Architecture");
    EXPECT_GT(r->ulLineNumber, 0u);
}

TEST(SocketAddress, ParsesAndFormatsDottedAddresses) {
    struct Case {
        const char *text;
        bool ok;
    };
    const Case cases[] = {{"127.0.0.1", true},  {"10.20.30.40", true}, {"255.255.255.255", true},
                          {"256.1.1.1", false}, {"1.2.3", false},      {"1.2.3.4.5", false},
                          {"1.2.3.x", false},   {"", false},           {" 1.2.3.4", false},
                          {"1..2.3", false},    {"0001.2.3.4", false}};
    for (const Case &c : cases) {
        uint32_t addr = 0;
        EXPECT_EQ(CInetAddress::ParseDotted(c.text, &addr), c.ok) << c.text;
        if (c.ok) {
            CInetAddress a(c.text, 4711);
            char dotted[16];
            a.DottedText(dotted, sizeof dotted);
            EXPECT_STREQ(dotted, c.text);
            EXPECT_EQ(a.HostPort(), 4711);
        }
    }
    CInetAddress a("127.0.0.1", 0x1234);
    const unsigned char *port = reinterpret_cast<const unsigned char *>(&a.sin_port);
    EXPECT_EQ(port[0], 0x12); // network byte order
    EXPECT_EQ(port[1], 0x34);
    EXPECT_EQ(std::string(CBlockingSocket::GetRuntimeClassName()), "CBlockingSocket");
    EXPECT_EQ(std::string(CBlockingSocketException::GetRuntimeClassName()),
              "CBlockingSocketException");
}

TEST_F(Socket, SendsReceivesAndSeesThePeerClose) {
    Listener l;
    ASSERT_GT(l.port, 0);
    std::string received;
    std::thread server([&] {
        plat_socket_t c = plat_socket_accept(l.s);
        char buf[256];
        int n;
        while ((n = plat_socket_recv(c, buf, sizeof buf)) > 0) {
            received.append(buf, static_cast<size_t>(n));
            if (received.size() >= 11) {
                break;
            }
        }
        plat_socket_send(c, "answer", 6);
        plat_socket_shutdown_send(c);
        plat_socket_close(c);
    });
    CBlockingSocket s;
    CBlockingSocketException *e = raised([&] {
        s.Create(SOCK_STREAM_QM, 12);
        EXPECT_NE(s.GetHandle(), 0u);
        s.Connect(CInetAddress("127.0.0.1", l.port));
        s.SetTimeout(5);
        EXPECT_EQ(s.Write("hello world", 11), 11);
        char buf[64];
        std::string answer;
        int n;
        while ((n = s.Receive(buf, sizeof buf)) > 0) {
            answer.append(buf, static_cast<size_t>(n));
        }
        EXPECT_EQ(n, 0); // the host closed: not an error
        EXPECT_EQ(answer, "answer");
        s.Close();
    });
    server.join();
    EXPECT_EQ(e, nullptr);
    delete e;
    EXPECT_EQ(received, "hello world");
    EXPECT_EQ(s.GetHandle(), 0u);
    EXPECT_EQ(s.GetTimeout(), 5);
    EXPECT_EQ(s.GetService(), 12);
}

TEST_F(Socket, ReceiveTimeOutNamesServiceAndSeconds) {
    Listener l;
    ASSERT_GT(l.port, 0);
    CBlockingSocket s;
    auto start = std::chrono::steady_clock::now();
    CBlockingSocketException *e = raised([&] {
        s.Create(SOCK_STREAM_QM, 429);
        s.Connect(CInetAddress("127.0.0.1", l.port)); // queued by the listener, never answered
        s.SetTimeout(1);
        char buf[16];
        s.Receive(buf, sizeof buf);
    });
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    expectRecord(e, 10060, "Time-out from service 429, waited 1 seconds", "Receive()");
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 10.0);
    // The error text is the message of the number for "32-bit Architecture".
    char text[255];
    ERR_GetMessageText(nullptr, 10060, text, sizeof text, nullptr, nullptr);
    EXPECT_STREQ(e->GetErrorRecord()->szErrorText, text);
    EXPECT_NE(text[0], '\0');

    e->LogError();
    qmtest::Entry entry = qmtest::parseLog(env.log()).back();
    EXPECT_EQ(entry.severityClass, "Fatal Error");
    EXPECT_EQ(entry.get("Error"), "10060");
    EXPECT_EQ(entry.get("Error Data"), "Time-out from service 429, waited 1 seconds");
    EXPECT_EQ(entry.get("Procedure"), "Receive()");
    EXPECT_EQ(ERR_GetLastError(), 10060);

    e->DisplayMessage();
    std::vector<qmtest::Box> boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Time-out from service 429, waited 1 seconds");
    EXPECT_EQ(boxes[0].caption, "QM32.DLL");
    delete e;
    s.Close();
}

TEST_F(Socket, RefusedConnectionRaisesOnceAfterTheWait) {
    int port;
    {
        Listener l; // a port that was free a moment ago and is closed now
        port = l.port;
    }
    ASSERT_GT(port, 0);
    CBlockingSocket s;
    s.Create(SOCK_STREAM_QM, 1);
    auto start = std::chrono::steady_clock::now();
    CBlockingSocketException *e = raised([&] { s.Connect(CInetAddress("127.0.0.1", port)); });
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    expectRecord(e, 10061,
                 "Error connecting to IP address 127.0.0.1 port " + std::to_string(port) + ".",
                 "Connect()");
    EXPECT_GE(waited, 0.95); // the one-second wait before the refusal is raised
    EXPECT_LT(waited, 5.0);  // and no second attempt after a refusal
    delete e;
    s.Close();
}

// A socket whose sends accept a scripted number of bytes each.
class ScriptedSocket : public CBlockingSocket {
  public:
    std::vector<int> accept;
    std::vector<std::pair<int, std::string>> calls; // offset, bytes offered
    const char *base = nullptr;
    int Send(const char *pBuffer, int nLength) override {
        calls.emplace_back(static_cast<int>(pBuffer - base), std::string(pBuffer, nLength));
        int n = accept.empty() ? nLength : accept.front();
        if (!accept.empty()) {
            accept.erase(accept.begin());
        }
        return n < nLength ? n : nLength;
    }
};

TEST_F(Socket, WriteSendsUntilEverythingIsSent) {
    std::string data(100, 'x');
    for (int i = 0; i < 100; ++i) {
        data[i] = static_cast<char>('A' + i % 26);
    }
    ScriptedSocket s;
    s.base = data.data();
    s.accept = {60, 40};
    EXPECT_EQ(s.Write(data.data(), 100), 100);
    ASSERT_EQ(s.calls.size(), 2u);
    EXPECT_EQ(s.calls[0].first, 0);
    EXPECT_EQ(s.calls[0].second, data);
    EXPECT_EQ(s.calls[1].first, 60);
    EXPECT_EQ(s.calls[1].second, data.substr(60));

    ScriptedSocket one;
    one.base = data.data();
    one.accept = {1, 1, 98};
    EXPECT_EQ(one.Write(data.data(), 100), 100);
    EXPECT_EQ(one.calls.size(), 3u);

    // A send that takes nothing would loop for ever: it is a failure.
    ScriptedSocket stuck;
    stuck.base = data.data();
    stuck.accept = {30, 0};
    CBlockingSocketException *e = raised([&] { stuck.Write(data.data(), 100); });
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->GetErrorRecord()->szErrorData, "Error sending");
    delete e;

    ScriptedSocket empty;
    EXPECT_EQ(empty.Write(data.data(), 0), 0);
    EXPECT_TRUE(empty.calls.empty());
}

TEST_F(Socket, SendingToAClosedPeerRaisesInsteadOfEndingTheProcess) {
    Listener l;
    ASSERT_GT(l.port, 0);
    std::thread server([&] {
        plat_socket_t c = plat_socket_accept(l.s);
        plat_socket_close(c);
    });
    CBlockingSocket s;
    s.Create(SOCK_STREAM_QM, 5);
    s.Connect(CInetAddress("127.0.0.1", l.port));
    server.join();
    std::string block(64 * 1024, 'x');
    CBlockingSocketException *e = raised([&] {
        for (int i = 0; i < 200; ++i) {
            s.Write(block.data(), static_cast<int>(block.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->GetErrorRecord()->szErrorData, "Error sending");
    EXPECT_STREQ(e->GetErrorRecord()->szProcedure, "Send()");
    int n = e->GetErrorNumber();
    EXPECT_TRUE(n == 10053 || n == 10054) << n;
    delete e;
    s.Close();
}

TEST_F(Socket, FailuresOfUnopenedSockets) {
    CBlockingSocket s;
    CBlockingSocketException *e = raised([&] { s.SetTimeout(3); });
    expectRecord(e, 10038, "SetTimeout()", "SetTimeout()");
    delete e;
    EXPECT_EQ(s.GetTimeout(), 3);

    e = raised([&] {
        char b = 0;
        s.Send(&b, 1);
    });
    expectRecord(e, 10038, "Error sending", "Send()");
    delete e;

    e = raised([&] {
        char b[4];
        s.Receive(b, 4);
    });
    expectRecord(e, 10038, "Error receiving data from service 0.", "Receive()");
    delete e;

    e = raised([&] { s.Close(); });
    expectRecord(e, 10038, "Close()", "Close()");
    delete e;
}

TEST_F(Socket, ExceptionNumberFallsBackToSocketErrorThen30010) {
    // After a successful socket call the socket layer's error is 0.
    plat_socket_t ok = plat_socket_create(PLAT_SOCK_STREAM);
    ASSERT_NE(ok, 0u);
    CBlockingSocketException fresh(0, "data", "qmsocket", "Test()", 7);
    EXPECT_EQ(fresh.GetErrorNumber(), 30010);
    EXPECT_EQ(fresh.GetErrorRecord()->ulLineNumber, 7u);
    plat_socket_close(ok);

    // After a failed call, a number of 0 takes that call's error.
    EXPECT_NE(plat_socket_close(0), 0);
    CBlockingSocketException failed(0, "data", "qmsocket", "Test()", 8);
    EXPECT_EQ(failed.GetErrorNumber(), 10038);

    // A number given wins; long texts are cut to their fields.
    std::string longData(400, 'd');
    CBlockingSocketException given(30034, longData.c_str(), "qmcnv32", "_cnvEncodeElement()", 9);
    EXPECT_EQ(given.GetErrorNumber(), 30034);
    EXPECT_EQ(std::strlen(given.GetErrorRecord()->szErrorData), 255u);
}

} // namespace
