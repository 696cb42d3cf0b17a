// Loopback tests of the service calls against the reference host qmhost: the
// request header, ASCII and mainframe (EBCDIC) exchanges, host errors with the
// debug levels, every injected fault, time-outs, test calls, nested calls, quit.
#include "qmdaa32.h"
#include "qmsocket.h"
#include "qmtest.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <cstdlib>
#else
#include "qmhost_process.h"
#endif

using qmtest::Env;
using qmtest::parseLog;

namespace {

// ---- the reference hosts --------------------------------------------------------

// The services both hosts serve beside their built-in ones
// (tests/arc/data/daa_services.txt): 10 echoes without text, 11 and 12 answer
// with host errors 23 and 27, 13 echoes after 400 ms, 14 answers four 9-byte
// rows "GL00001  "..., 15 closes without answering after 300 ms.

// One running host; on Windows (tests under wine) the host runs natively,
// started beforehand by scripts/test-all with the same services, and its port
// comes from the environment (QMHOST_PORT, QMHOST_MF_PORT, QMHOST_NOACK_PORT).
class Host {
  public:
    explicit Host(bool mainframe, bool noAck = false) {
#ifdef _WIN32
        const char *var =
            mainframe ? (noAck ? "QMHOST_NOACK_PORT" : "QMHOST_MF_PORT") : "QMHOST_PORT";
        const char *v = std::getenv(var);
        port_ = v ? std::atoi(v) : 0;
#else
        std::vector<std::string> args = {"-s", QM32_DAA_SERVICES};
        if (mainframe)
            args.push_back("-M");
        if (noAck)
            args.push_back("--no-ack");
        proc_.reset(new qmhost::HostProcess(QMHOST_BIN, args));
        port_ = proc_->port();
#endif
    }
    ~Host() {
#ifndef _WIN32
        proc_.reset();
#endif
    }
    int port() const {
        return port_;
    }

  private:
    int port_ = 0;
#ifndef _WIN32
    std::unique_ptr<qmhost::HostProcess> proc_;
#endif
};

Host *g_ascii = nullptr;
Host *g_mainframe = nullptr;

class HostsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        // The child that runs the fault test needs no host: hosts it started
        // would outlive its crash.
        if (std::getenv("QM32_DAA_CRASH_DIR"))
            return;
        g_ascii = new Host(false);
        g_mainframe = new Host(true);
    }
    void TearDown() override {
        delete g_ascii;
        delete g_mainframe;
    }
};
const auto *const g_hosts = ::testing::AddGlobalTestEnvironment(new HostsEnvironment);

// ---- configuration ----------------------------------------------------------------

std::string messages() {
    return "[ERR_Messages]\n"
           "30002=Could not locate section [%s], key %s\n"
           "30008=The logon did not succeed.\n"
           "30010=An architecture error occurred.\n"
           "30040=An error occurred in the application.\n";
}

// qm32.ini: the library's own section serves the ASCII host; "Svc" is the
// ASCII host too, "SvcMF" the mainframe host. `extraArch` goes into the
// library's own section, `extraSvc` into "Svc" ahead of its defaults (the
// first key of a name wins).
Env::Options options(int debugLevel = 0, const std::string &extraArch = "",
                     const std::string &extraSvc = "") {
    Env::Options o;
    o.debugLevel = debugLevel;
    o.messages = messages();
    std::string ascii = std::to_string(g_ascii->port());
    o.iniExtra = "SvcHost=127.0.0.1\nSvcPort=" + ascii + "\nSvcHostType=A\nDatabaseID=FINDB\n" +
                 extraArch + "\n[Svc]\n" + extraSvc + "SvcHost=127.0.0.1\nSvcPort=" + ascii +
                 "\nSvcHostType=A\nDatabaseID=FINDB\nSvcTimeout=5\n" +
                 "\n[SvcMF]\nSvcHost=127.0.0.1\nSvcPort=" + std::to_string(g_mainframe->port()) +
                 "\nSvcHostType=M\nSvcTimeout=5\nAckTimeout=2\n";
    return o;
}

// ---- records ----------------------------------------------------------------------

struct Record {
    DAA_REQUEST_HEADER h;
    char data[400];
};

DAA_SERVICE_BLOCK makeBlock(long service, const char *section, const char *format,
                            uint32_t type = 'S') {
    DAA_SERVICE_BLOCK b;
    std::memset(&b, 0, sizeof b);
    b.lService = static_cast<int32_t>(service);
    b.ulRequestType = type;
    // The block is zeroed: the last byte of each field stays its terminator.
    std::strncpy(b.szSection, section, sizeof b.szSection - 1);
    std::strncpy(b.szFormat, format, sizeof b.szFormat - 1);
    return b;
}

Record blankRecord(char fill = '\0') {
    Record r;
    std::memset(&r, fill, sizeof r);
    return r;
}

std::string field(const char *p, std::size_t n) {
    return std::string(p, strnlen(p, n));
}

void drainQueue() {
    plat_msg_t m;
    while (plat_peek_message(m, 0, 0, true)) {
    }
}

long msSince(std::chrono::steady_clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t)
            .count());
}

// The entries of the log after the start-up entry.
std::vector<qmtest::Entry> entriesAfterStart(const Env &env) {
    auto all = parseLog(env.log());
    if (!all.empty())
        all.erase(all.begin());
    return all;
}

class Daa : public ::testing::Test {
  protected:
    void start(const Env::Options &o) {
        env_.reset(); // one started library at a time
        env_.reset(new Env(o));
        ASSERT_EQ(env_->startResult, 0);
        ASSERT_GT(g_ascii->port(), 0) << "no ASCII host (under wine: QMHOST_PORT)";
        ASSERT_GT(g_mainframe->port(), 0) << "no mainframe host (under wine: QMHOST_MF_PORT)";
        drainQueue();
    }
    void logOn(const char *user = "alice", const char *password = "secret1") {
        ASSERT_EQ(UTL_SetId(user, password), 0);
    }
    void TearDown() override {
        plat_set_thread_message_handler(nullptr, nullptr);
        drainQueue();
        env_.reset();
    }
    std::unique_ptr<Env> env_;
};

// ---- request header, echo, rows --------------------------------------------------

TEST_F(Daa, EchoFillsTheHeaderAndReturnsTheAnswer) {
    struct Case {
        const char *section;
        const char *password; // in the header's second user field
    } cases[] = {{"Svc", "ALICE"}, {"SvcMF", "SECRET1"}, {"", "ALICE"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.section);
        start(options());
        logOn();
        DAA_SERVICE_BLOCK b = makeBlock(1, c.section, "k88s20l", 0);
        b.lPosition = 77;
        b.lRows = 12;
        b.lStart = 3;
        Record req = blankRecord(), ans = blankRecord();
        std::strcpy(req.data, "Hello [World]|~^!");
        int32_t number = -123456;
        std::memcpy(req.data + 20, &number, sizeof number);
        ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);

        // The header the library filled into the request.
        EXPECT_EQ(req.h.cRequestType, 'S');
        EXPECT_EQ(b.ulRequestType, uint32_t('S'));
        EXPECT_EQ(b.lOption, 1);
        EXPECT_EQ(req.h.sOption, 1);
        EXPECT_EQ(req.h.sService, 1);
        EXPECT_EQ(req.h.lPosition, 77);
        EXPECT_EQ(req.h.sRows, 12);
        EXPECT_EQ(req.h.sStart, 3);
        EXPECT_EQ(field(req.h.szUserId, 9), "ALICE");
        EXPECT_EQ(field(req.h.szPassword, 9), c.password);
        EXPECT_EQ(field(req.h.szDatabaseId, 9), std::strcmp(c.section, "SvcMF") ? "FINDB" : "");

        // The echo: same fields back, the host's status clean.
        EXPECT_STREQ(ans.data, "Hello [World]|~^!");
        int32_t back = 0;
        std::memcpy(&back, ans.data + 20, sizeof back);
        EXPECT_EQ(back, number);
        EXPECT_EQ(b.lPosition, 77);
        EXPECT_EQ(b.lRows, 0);
        EXPECT_EQ(b.Error.lErrorNumber, 0);
        EXPECT_EQ(field(b.Error.szApplication, 32), c.section);
        EXPECT_TRUE(entriesAfterStart(*env_).empty()) << env_->log();
        env_.reset();
    }
}

TEST_F(Daa, RowsComeBackWithTheHostsRowCount) {
    start(options());
    logOn();
    struct Case {
        long wanted;
        int rows;
    } cases[] = {{0, 4}, {2, 2}};
    for (const Case &c : cases) {
        DAA_SERVICE_BLOCK b = makeBlock(14, "Svc", "k88");
        b.lRows = static_cast<int32_t>(c.wanted);
        Record req = blankRecord(), ans = blankRecord('#');
        ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
        EXPECT_EQ(b.lRows, c.rows);
        EXPECT_EQ(ans.h.sHostRows, c.rows);
        for (int i = 0; i < c.rows; ++i) {
            char expect[32];
            std::snprintf(expect, sizeof expect, "GL%05d  ", i + 1);
            EXPECT_EQ(std::string(ans.data + 9 * i, 9), expect);
        }
        EXPECT_EQ(ans.data[9 * c.rows], '#') << "wrote past the rows";
    }
}

TEST_F(Daa, AnswerWithoutTextLeavesTheRecordAndKeepsPosition) {
    start(options());
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(10, "Svc", "k88s5");
    b.lPosition = 42;
    b.lRows = 9;
    Record req = blankRecord(), ans = blankRecord('Z');
    std::strcpy(req.data, "abc");
    ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
    EXPECT_EQ(b.lRows, 0);
    EXPECT_EQ(b.lPosition, 42);
    Record untouched = blankRecord('Z');
    EXPECT_EQ(std::memcmp(&ans, &untouched, sizeof ans), 0);
}

// ---- host errors and debug levels -------------------------------------------------

TEST_F(Daa, HostErrorsAreCopiedAndLoggedByDebugLevel) {
    struct Case {
        int debug;
        long service;
        long number;
        bool logged;
        const char *section;
    } cases[] = {
        {0, 3, 100, false, "Svc"},   {1, 3, 100, true, "Svc"}, {1, 11, 23, false, "Svc"},
        {1, 12, 27, false, "Svc"},   {2, 11, 23, true, "Svc"}, {2, 12, 27, true, "Svc"},
        {0, 3, 100, false, "SvcMF"}, // the status record read back from EBCDIC
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("debug " + std::to_string(c.debug) + " service " + std::to_string(c.service) +
                     " " + c.section);
        start(options(c.debug));
        logOn();
        DAA_SERVICE_BLOCK b = makeBlock(c.service, c.section, "k88");
        std::strcpy(b.Error.szSource, "caller");
        Record req = blankRecord(), ans = blankRecord();
        ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
        EXPECT_EQ(b.Error.lErrorNumber, c.number);
        EXPECT_EQ(b.Error.ulErrorType, uint32_t('A'));
        EXPECT_EQ(field(b.Error.szModule, 32), "QMHOST");
        EXPECT_EQ(b.Error.ulLineNumber, 0u);
        if (c.number == 100) {
            EXPECT_EQ(b.Error.ulSeverity, 8u);
            EXPECT_EQ(field(b.Error.szProcedure, 32), "ERROR-SERVICE");
            EXPECT_EQ(field(b.Error.szErrorText, 255), "Simulated host error");
            EXPECT_EQ(field(b.Error.szErrorData, 256), "QMH0100E SIMULATED HOST ERROR");
        }
        auto entries = entriesAfterStart(*env_);
        std::string source =
            "DAA - Level " + std::to_string(c.debug) + " - Error = " + std::to_string(c.number);
        if (c.logged) {
            ASSERT_EQ(entries.size(), 1u) << env_->log();
            EXPECT_EQ(entries[0].get("Source"), source);
            EXPECT_EQ(entries[0].get("Error"), std::to_string(c.number));
            EXPECT_EQ(field(b.Error.szSource, 32), source);
        } else {
            EXPECT_TRUE(entries.empty()) << env_->log();
            EXPECT_EQ(field(b.Error.szSource, 32), "caller");
        }
        env_.reset();
    }
}

TEST_F(Daa, ServiceMessageIsLoggedWithoutChangingTheBlock) {
    start(options());
    qmtest::writeFile(qmtest::join(env_->dir, "svcmsg.ini"),
                      "[ERR_Messages]\n100=The host could not serve this request.\n");
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(3, "Svc", "k88");
    Record req = blankRecord(), ans = blankRecord();
    ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
    EXPECT_EQ(field(b.Error.szErrorText, 255), "Simulated host error");
    auto entries = entriesAfterStart(*env_);
    ASSERT_EQ(entries.size(), 1u) << env_->log();
    EXPECT_EQ(entries[0].get("Error Text"), "The host could not serve this request.");
    EXPECT_EQ(entries[0].get("Error Data"), "QMH0100E SIMULATED HOST ERROR");
}

TEST_F(Daa, DebugLevelThreeLogsEachCall) {
    start(options(3));
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(1, "Svc", "k88s8");
    Record req = blankRecord(), ans = blankRecord();
    std::strcpy(req.data, "PAYLOAD");
    ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
    auto entries = entriesAfterStart(*env_);
    ASSERT_EQ(entries.size(), 1u) << env_->log();
    EXPECT_EQ(entries[0].severityClass, "Information");
    EXPECT_EQ(entries[0].get("Error Text"), "DAA call initiated for service 1.");
    EXPECT_EQ(entries[0].get("Error Data"), "PAYLOAD\x01");
    EXPECT_EQ(entries[0].get("Procedure"), "DAA_InvokeService");
    EXPECT_EQ(entries[0].get("Source"), "DAA Service Logging");
    EXPECT_EQ(entries[0].get("Module"), "qmdaa32");
}

TEST_F(Daa, PerformanceDataIsWrittenPerService) {
    start(options(0, "PerfData=1\n"));
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(13, "Svc", "k88");
    Record req = blankRecord(), ans = blankRecord();
    ASSERT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
    std::string perf = qmtest::readFile(qmtest::join(env_->dir, "qmperf.ini"));
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(perf, m, std::regex("\\[Performance Data\\][\\s\\S]*\n13=([0-9.]+)")))
        << perf;
    double seconds = std::stod(m[1]);
    EXPECT_GE(seconds, 0.4);
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(std::regex_match(std::string(m[1]), std::regex("[0-9]+\\.[0-9]{4}")));
}

// ---- test calls and logon ------------------------------------------------------------

TEST_F(Daa, TestCallSleepsAndSimulatesAHostError) {
    start(options());
    for (long option : {1L, 0L}) {
        DAA_SERVICE_BLOCK b = makeBlock(50, "Nowhere", "k88", 'T');
        b.lOption = static_cast<int32_t>(option);
        std::strcpy(b.Error.szErrorData, "before");
        char request[16] = "hello";
        char answer[64];
        auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(DAA_InvokeService(&b, request, answer), 0) << "no logon, no host needed";
        EXPECT_GE(msSince(t0), 50);
        EXPECT_STREQ(answer, "Test Output - hello");
        if (option) {
            EXPECT_EQ(b.Error.lErrorNumber, -1096);
            EXPECT_EQ(b.Error.ulSeverity, 8u);
            EXPECT_EQ(b.Error.ulErrorType, uint32_t('A'));
            EXPECT_EQ(field(b.Error.szErrorText, 255), "");
            EXPECT_EQ(field(b.Error.szErrorData, 256),
                      " DSNT404I SQLCODE = 100, NOT FOUND:  ROW NOT FOUND FOR FETCH, UPDATE, OR "
                      "DELETE, OR THE RESULT OF A QUERY IS AN EMPTY TABLE");
            EXPECT_EQ(field(b.Error.szModule, 32), "QMS01302");
            EXPECT_EQ(field(b.Error.szProcedure, 32), "S9810-CALL-SERVICE");
        } else {
            EXPECT_EQ(b.Error.lErrorNumber, 0);
            EXPECT_EQ(field(b.Error.szErrorData, 256), "before");
        }
    }
    EXPECT_FALSE(plat_file_exists(qmtest::join(env_->dir, "qmperf.ini")));
}

TEST_F(Daa, CallWithoutLogonIsRefusedWith30008) {
    start(options());
    for (auto invoke : {DAA_InvokeService, DAA_InvokeService_NoThread}) {
        DAA_SERVICE_BLOCK b = makeBlock(1, "Svc", "k88");
        Record req = blankRecord(), ans = blankRecord();
        EXPECT_EQ(invoke(&b, &req, &ans), 30008);
        EXPECT_EQ(b.Error.lErrorNumber, 30008);
        EXPECT_EQ(b.Error.ulSeverity, 8u);
        EXPECT_EQ(b.Error.ulErrorType, uint32_t('E'));
        EXPECT_EQ(field(b.Error.szErrorText, 255), "The logon did not succeed.");
        EXPECT_EQ(field(b.Error.szErrorData, 256), "Login from DAA_InvokeService failed");
        EXPECT_EQ(field(b.Error.szProcedure, 32), "DAA_InvokeService");
        EXPECT_EQ(field(b.Error.szSource, 32), "QM32.DLL");
        EXPECT_EQ(req.h.sService, 0) << "no request was built";
    }
    plat_msg_t m;
    EXPECT_FALSE(plat_peek_message(m, 0, 0, false)) << "no worker ran";
}

TEST(SecGetUserString, KindsSizesAndNobodyLoggedOn) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(SEC_GetUserString(1, buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '#') << "untouched before any logon";
    ASSERT_EQ(UTL_SetId("alice", "PASSWORD"), 0);
    struct Case {
        int kind, size, length;
        const char *text;
    } cases[] = {{1, 16, 5, "alice"}, {2, 4, 3, "PAS"}, {2, 16, 8, "PASSWORD"},
                 {3, 16, 1, "E"},     {1, 1, 0, ""},    {4, 16, 0, nullptr}};
    for (const Case &c : cases) {
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(SEC_GetUserString(c.kind, buf, c.size), c.length) << c.kind;
        if (c.text) {
            EXPECT_STREQ(buf, c.text);
            EXPECT_EQ(buf[c.size - 1], '\0');
            if (c.size < 16) {
                EXPECT_EQ(buf[c.size], '#') << "wrote past size";
            }
        } else {
            EXPECT_EQ(buf[0], '#');
        }
    }
}

// ---- library failures ------------------------------------------------------------------

struct Failure {
    const char *name;
    long service;
    const char *section;
    std::string extraSvc;
    long number;
    std::string data; // regular expression for the logged data text
};

void expectTrapped(const DAA_SERVICE_BLOCK &b, long number) {
    EXPECT_EQ(b.Error.lErrorNumber, number);
    EXPECT_EQ(b.Error.ulSeverity, 8u);
    EXPECT_EQ(b.Error.ulErrorType, uint32_t('E'));
    EXPECT_EQ(field(b.Error.szErrorData, 256), "Check previous log entry for specifics.");
    EXPECT_EQ(field(b.Error.szModule, 32), "qmdaa32");
    EXPECT_EQ(field(b.Error.szProcedure, 32), "DAA_MessageThread");
    EXPECT_EQ(field(b.Error.szSource, 32), "Error Trap");
}

TEST_F(Daa, EveryFailureHasItsNumberAndText) {
    const std::string svc = "SvcHost=127.0.0.1\nSvcPort=" + std::to_string(g_ascii->port());
    Failure cases[] = {
        {"close", 901, "Svc", "", 30010, "Service 901 closed the connection without answering"},
        {"short", 902, "Svc", "", 30010,
         "Answer from service 902 ended after [0-9]+ of [0-9]+ "
         "announced bytes"},
        {"garbage", 903, "Svc", "", 30010,
         "Answer prefix \"GARBAGE-PFX!\" from service 903 does not hold its lengths"},
        {"negative", 904, "Svc", "", 30010, "Answer length -[0-9]+ from service 904 is negative"},
        {"toolong", 905, "Svc", "", 30010,
         "Answer from service 905 ended after [0-9]+ of [0-9]+ "
         "announced bytes"},
        {"prefixlong", 906, "Svc", "", 30010,
         "Answer prefix from service 906 announces [0-9]+ format and [0-9]+ text characters, "
         "only [0-9]+ arrived"},
        {"hang", 907, "Svc", "SvcTimeout=1\n", 10060,
         "Time-out from service 907, waited 1 seconds"},
        {"no port", 1, "NoPort", "", 30002, "Could not locate section \\[NoPort\\], key SvcPort"},
        {"no host", 1, "NoHost", "", 30002, "Could not locate section \\[NoHost\\], key SvcHost"},
        {"port out of range", 1, "BigPort", "", 30002,
         "Could not locate section \\[BigPort\\], key SvcPort"},
        {"no type", 1, "NoType", "", 30002,
         "Could not locate section \\[NoType\\], key SvcHostType"},
        {"no database", 1, "NoDb", "", 30002,
         "Could not locate section \\[NoDb\\], key DatabaseID"},
        {"refused", 1, "Closed", "", 10061, "Error connecting to IP address 127.0.0.1 port 1\\."},
        {"bad format", 1, "Svc", "", 30012, "Encoding string clv6.*k88s4A"},
    };
    std::string sections =
        "\n[NoPort]\nSvcHost=127.0.0.1\nSvcHostType=A\nDatabaseID=X\n"
        "[NoHost]\nSvcPort=5\nSvcHostType=A\nDatabaseID=X\n"
        "[BigPort]\nSvcHost=127.0.0.1\nSvcPort=70000\nSvcHostType=A\nDatabaseID=X\n"
        "[NoType]\n" +
        svc + "\nDatabaseID=X\n[NoDb]\n" + svc +
        "\nSvcHostType=A\n"
        "[Closed]\nSvcHost=127.0.0.1\nSvcPort=1\nSvcHostType=A\nDatabaseID=X\n";
    for (const Failure &c : cases) {
        SCOPED_TRACE(c.name);
        Env::Options o = options(0, "", c.extraSvc);
        o.iniExtra += sections;
        start(o);
        logOn();
        DAA_SERVICE_BLOCK b =
            makeBlock(c.service, c.section, std::strcmp(c.name, "bad format") ? "k88s4" : "k88s4A");
        Record req = blankRecord(), ans = blankRecord('Q');
        std::strcpy(req.data, "ping");
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(DAA_InvokeService(&b, &req, &ans), c.number);
        if (c.number == 10060) {
            EXPECT_GE(msSince(t0), 900);
        }
        expectTrapped(b, c.number);
        EXPECT_EQ(ans.data[0], 'Q') << "the answer record is not written";
        bool found = false;
        for (const auto &e : entriesAfterStart(*env_))
            if (e.get("Error") == std::to_string(c.number) &&
                std::regex_match(e.get("Error Data"), std::regex(c.data)))
                found = true;
        EXPECT_TRUE(found) << env_->log();
        env_.reset();
    }
}

// Answer checks that fail the way a callee can fail other than with the
// library's own exception.
bool throwsOutOfMemory(const char *, int) {
    throw std::bad_alloc();
}
bool throwsRuntimeError(const char *, int) {
    throw std::runtime_error("codec fault");
}
bool throwsInteger(const char *, int) {
    throw 42;
}

TEST_F(Daa, AnyOtherExceptionFailsTheCallWithItsOwnNumber) {
    struct Case {
        const char *name;
        DAA_ANSWER_CHECK check;
        const char *what;
    } cases[] = {
        {"bad_alloc", throwsOutOfMemory, "std::bad_alloc"},
        {"runtime_error", throwsRuntimeError, "codec fault"},
        {"not a std::exception", throwsInteger, "exception of an unknown type"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        start(options());
        DAA_SERVICE_BLOCK b = makeBlock(1, "Svc", "k88s4", 0);
        Record req = blankRecord(), ans = blankRecord('Q');
        std::strcpy(req.data, "ping");
        EXPECT_EQ(_daaInvokeAs(&b, &req, &ans, "alice", "secret1", c.check), 30055);
        expectTrapped(b, 30055);
        EXPECT_EQ(ans.data[0], 'Q') << "the answer record is not written";
        bool found = false;
        for (const auto &e : entriesAfterStart(*env_))
            if (e.get("Error") == "30055" &&
                e.get("Error Data") == std::string("Unexpected exception in service 1 at step "
                                                   "\"DAA_MessageThread - Socket Closed\": ") +
                                           c.what)
                found = true;
        EXPECT_TRUE(found) << env_->log();
        env_.reset();
    }
}

TEST_F(Daa, RequestLargerThanTheBufferIsRefused) {
    start(options());
    logOn();
    struct Case {
        const char *format;
        long result;
    } cases[] = {{"k88s32600", 0}, {"k88s32700", 30010}, {"k88r1.3000s11", 30010}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format);
        DAA_SERVICE_BLOCK b = makeBlock(10, "Svc", c.format);
        std::vector<char> req(40000, 'x'), ans(40000, 'Q');
        EXPECT_EQ(DAA_InvokeService(&b, req.data(), ans.data()), c.result);
        if (c.result) {
            expectTrapped(b, c.result);
            auto entries = entriesAfterStart(*env_);
            ASSERT_FALSE(entries.empty());
            EXPECT_TRUE(std::regex_match(entries.back().get("Error Data"),
                                         std::regex("Request of [0-9]+ bytes for service 10 "
                                                    "exceeds the 32771-byte message buffer")))
                << entries.back().get("Error Data");
        }
    }
}

TEST_F(Daa, MainframeAcknowledgementTimeOut) {
    Host noAck(true, true);
    ASSERT_GT(noAck.port(), 0) << "no silent mainframe host (under wine: QMHOST_NOACK_PORT)";
    Env::Options o = options();
    o.iniExtra += "\n[NoAck]\nSvcHost=127.0.0.1\nSvcPort=" + std::to_string(noAck.port()) +
                  "\nSvcHostType=M\nAckTimeout=1\nSvcTimeout=30\n";
    start(o);
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(429, "NoAck", "k88");
    Record req = blankRecord(), ans = blankRecord();
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(DAA_InvokeService(&b, &req, &ans), 10060);
    EXPECT_LT(msSince(t0), 10000);
    auto entries = entriesAfterStart(*env_);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].get("Error Data"), "Time-out from service 429, waited 1 seconds");
}

// The host describes the caller's answer record: a description reaching
// beyond MaxAnswerRecord (default 1,048,576 bytes) is refused with 30010 and
// nothing is written into the record; within it, the answer is decoded.
TEST_F(Daa, AnswerFormatBeyondMaxAnswerRecordIsRefused) {
    struct Case {
        const char *extraArch;
        long expect;
    } cases[] = {{"MaxAnswerRecord=100000\n", 30010}, {"", 0}, {"MaxAnswerRecord=0\n", 0}};
    const std::size_t size = 150004;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.extraArch);
        start(options(0, c.extraArch));
        logOn();
        // The echo host answers with the request's own format: a field at 150,000.
        DAA_SERVICE_BLOCK b = makeBlock(1, "Svc", "k150000s4", 0);
        std::vector<char> req(size, '\0'), ans(size, '#');
        std::memcpy(&req[150000], "FAR", 4);
        EXPECT_EQ(DAA_InvokeService(&b, req.data(), ans.data()), c.expect);
        if (c.expect != 0) {
            EXPECT_EQ(std::count(ans.begin(), ans.end(), '#'), static_cast<long>(size))
                << "the answer record was written";
            auto entries = entriesAfterStart(*env_);
            ASSERT_FALSE(entries.empty());
            EXPECT_EQ(entries[0].get("Error Data"),
                      "Answer format of service 1 describes a record of more than 100000 bytes "
                      "(MaxAnswerRecord): k150000s4");
        } else {
            EXPECT_STREQ(&ans[150000], "FAR");
        }
    }
}

// ---- answer parsing without a host -------------------------------------------------------

TEST(DaaSplitAnswer, PrefixLengthsMustBeDigitsWithinTheAnswer) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    struct Case {
        std::string body;
        bool ok;
        int format, text, status;
    } cases[] = {
        {"000000300004abcWXYZ", true, 3, 4, 0},
        {"000000000000" + std::string(600, 'S'), true, 0, 0, 504},
        {"00000030000", false, 0, 0, 0},         // shorter than the prefix
        {"0000 0300004abcWXYZ", false, 0, 0, 0}, // blank in the lengths
        {"000000-00004abcWXYZ", false, 0, 0, 0}, // sign in the lengths
        {"000000300005abcWXYZ", false, 0, 0, 0}, // text beyond the answer
        {"000099900000abc", false, 0, 0, 0},     // format beyond the answer
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body.substr(0, 20));
        DAA_ANSWER_PARTS parts;
        try {
            _daaSplitAnswer(c.body.data(), static_cast<int>(c.body.size()), 7, parts);
            ASSERT_TRUE(c.ok);
            EXPECT_EQ(parts.formatLength, c.format);
            EXPECT_EQ(parts.textLength, c.text);
            EXPECT_EQ(parts.statusLength, c.status);
        } catch (CBlockingSocketException *e) {
            EXPECT_FALSE(c.ok) << e->GetErrorRecord()->szErrorData;
            EXPECT_EQ(e->GetErrorNumber(), 30010);
            delete e;
        }
    }
}

TEST(DaaEncodeBound, MatchesTheCodecAndStopsAtBrokenGroups) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    for (const char *fmt : {DAA_HEADER_FMT, DAA_HEADER_FMT "k88s9", "r2.3cl", "k88", "s5A"})
        EXPECT_EQ(_daaEncodeBound(fmt), CNV_GetEncodeStringLen(fmt)) << fmt;
    EXPECT_EQ(_daaEncodeBound("s100r3.2c"), -1);
    EXPECT_EQ(_daaEncodeBound(DAA_HEADER_FMT), 124);
}

// ---- threading ----------------------------------------------------------------------------

const unsigned kKick = PLAT_WM_USER + 100; // the test's own message

// A handler that starts call B when kicked, and records what it saw.
struct Nest {
    DAA_SERVICE_BLOCK blockB;
    Record reqB, ansB;
    long resultB = -1;
    bool quitInstead = false;
    std::vector<std::string> order;
    std::vector<unsigned> completionsSeen; // completion messages that reached the handler
};

void nestHandler(const plat_msg_t &msg, void *context) {
    auto *n = static_cast<Nest *>(context);
    if (msg.message >= DAA_COMPLETION_BASE && msg.message < DAA_COMPLETION_BASE + 16)
        n->completionsSeen.push_back(msg.message);
    if (msg.message != kKick)
        return;
    if (n->quitInstead) {
        plat_post_quit_message(7);
        return;
    }
    n->resultB = DAA_InvokeService(&n->blockB, &n->reqB, &n->ansB);
    n->order.push_back("B");
}

TEST_F(Daa, NestedCallsCompleteLastInFirstOut) {
    struct Case {
        const char *name;
        long serviceA, serviceB; // 13 answers after 400 ms, 1 at once
    } cases[] = {{"A answers first", 1, 13}, {"B answers first", 13, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        start(options());
        logOn();
        Nest n;
        n.blockB = makeBlock(c.serviceB, "Svc", "k88s8");
        n.reqB = blankRecord();
        n.ansB = blankRecord();
        std::strcpy(n.reqB.data, "inner");
        plat_set_thread_message_handler(nestHandler, &n);
        ASSERT_TRUE(plat_post_thread_message(plat_thread_current_id(), kKick, 0, 0));

        DAA_SERVICE_BLOCK a = makeBlock(c.serviceA, "Svc", "k88s8");
        Record reqA = blankRecord(), ansA = blankRecord();
        std::strcpy(reqA.data, "outer");
        auto t0 = std::chrono::steady_clock::now();
        long resultA = DAA_InvokeService(&a, &reqA, &ansA);
        n.order.push_back("A");
        EXPECT_GE(msSince(t0), 400);

        EXPECT_EQ(resultA, 0);
        EXPECT_EQ(n.resultB, 0);
        EXPECT_STREQ(ansA.data, "outer");
        EXPECT_STREQ(n.ansB.data, "inner");
        EXPECT_EQ(n.order, (std::vector<std::string>{"B", "A"}));
        // B's completion is always taken by B's own loop. A's worker posts only
        // after B has returned, unless it had its answer before the kick
        // started B (a loaded machine): B's loop then dispatches that one
        // post, and A's worker posts again until A's loop has taken it.
        if (c.serviceA == 1 && !n.completionsSeen.empty())
            EXPECT_EQ(n.completionsSeen, std::vector<unsigned>{DAA_COMPLETION_BASE + 1});
        else
            EXPECT_TRUE(n.completionsSeen.empty());
        plat_msg_t m;
        EXPECT_FALSE(plat_peek_message(m, 0, 0, false)) << "message " << m.message << " left";
        plat_set_thread_message_handler(nullptr, nullptr);
        env_.reset();
    }
}

TEST_F(Daa, CallsOfSeveralThreadsRunAtOnce) {
    start(options());
    logOn();
    // Each thread has its own list of calls: three slow calls at once take
    // about as long as one.
    long results[3] = {-1, -1, -1};
    std::string answers[3];
    auto t0 = std::chrono::steady_clock::now();
    std::vector<plat_thread_t> threads;
    for (int i = 0; i < 3; ++i)
        threads.push_back(plat_thread_start([i, &results, &answers] {
            DAA_SERVICE_BLOCK b = makeBlock(13, "Svc", "k88s8");
            Record req = blankRecord(), ans = blankRecord();
            std::snprintf(req.data, 8, "call %d", i);
            results[i] = DAA_InvokeService(&b, &req, &ans);
            answers[i] = ans.data;
        }));
    for (plat_thread_t t : threads)
        plat_thread_join(t);
    EXPECT_LT(msSince(t0), 1100);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(results[i], 0);
        EXPECT_EQ(answers[i], "call " + std::to_string(i));
    }
}

TEST_F(Daa, NoThreadLeavesOneCompletionMessage) {
    start(options());
    logOn();
    DAA_SERVICE_BLOCK b = makeBlock(1, "Svc", "k88s4");
    Record req = blankRecord(), ans = blankRecord();
    std::strcpy(req.data, "same");
    ASSERT_EQ(DAA_InvokeService_NoThread(&b, &req, &ans), 0);
    EXPECT_STREQ(ans.data, "same");
    std::vector<plat_msg_t> left;
    plat_msg_t m;
    while (plat_peek_message(m, 0, 0, true))
        left.push_back(m);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].message, 0x405u);
    EXPECT_EQ(left[0].wparam, 0u);
}

TEST_F(Daa, QuitDuringTheWaitReturnsTheRealResultAndKeepsTheQuit) {
    struct Case {
        long service;
        long result;
    } cases[] = {{13, 0}, {15, 30010}}; // 15 closes without answering after 300 ms
    for (const Case &c : cases) {
        SCOPED_TRACE(c.service);
        start(options());
        logOn();
        Nest n;
        n.quitInstead = true;
        plat_set_thread_message_handler(nestHandler, &n);
        ASSERT_TRUE(plat_post_thread_message(plat_thread_current_id(), kKick, 0, 0));
        DAA_SERVICE_BLOCK b = makeBlock(c.service, "Svc", "k88s4");
        Record req = blankRecord(), ans = blankRecord();
        std::strcpy(req.data, "quit");
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(DAA_InvokeService(&b, &req, &ans), c.result);
        EXPECT_GE(msSince(t0), 300) << "the call waited for its worker";
        if (c.result == 0)
            EXPECT_STREQ(ans.data, "quit");
        else
            expectTrapped(b, c.result);
        plat_msg_t m;
        EXPECT_EQ(plat_get_message(m), 0) << "the quit request is back in the queue";
        EXPECT_EQ(m.wparam, 7u);
        EXPECT_FALSE(plat_peek_message(m, 0, 0, false)) << "message " << m.message << " left";
        plat_set_thread_message_handler(nullptr, nullptr);
        env_.reset();
    }
}

#ifdef _WIN32
// The child's last resort for the fault it provokes: the process ends with the
// fault's code, without a debugger or error box that nobody would close.
LONG WINAPI endOnUnhandledFault(EXCEPTION_POINTERS *) {
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

// Child: a fault on a worker (a test call whose request is no valid address).
TEST(DaaChild, FaultOnAWorker) {
    const char *dir = std::getenv("QM32_DAA_CRASH_DIR");
    if (!dir)
        GTEST_SKIP() << "runs as a child of FaultOnAWorkerIsReported";
#ifdef _WIN32
    SetUnhandledExceptionFilter(endOnUnhandledFault);
#endif
    qmtest::setEnv("WINDIR", dir);
    _qm32SetSectionName(std::getenv("QM32_DAA_CRASH_SECTION"));
    // The fault report shows the error window: nobody is there to close it.
    _qm32SetDialogHook(qmtest::noWindow);
    _qm32SetMessageBoxHook(qmtest::captureBox);
    ASSERT_EQ(_qm32Startup(), 0);
    DAA_SERVICE_BLOCK b = makeBlock(0, "", "", 'T');
    char answer[64];
    DAA_InvokeService(&b, reinterpret_cast<void *>(uintptr_t(16)), answer);
    std::_Exit(0); // not reached: the fault ends the process
}

TEST(DaaFault, FaultOnAWorkerIsReportedAndEndsTheProcess) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    qmtest::Child child("DaaChild.FaultOnAWorker", {{"QM32_DAA_CRASH_DIR", env.dir},
                                                    {"QM32_DAA_CRASH_SECTION", env.sectionName},
                                                    {"ASAN_OPTIONS", "handle_segv=1"}});
#ifdef _WIN32
    const char *data = "Code = 0xC0000005, Address = 0x[0-9A-F]+"; // the faulting instruction
#else
    const char *data = "Code = 0xB, Address = 0x10"; // the signal and the faulting address
#endif
    EXPECT_NE(child.wait(), 0);
    auto entries = entriesAfterStart(env);
    ASSERT_FALSE(entries.empty()) << env.log();
    const qmtest::Entry &e = entries.back();
    EXPECT_EQ(e.severityClass, "Fatal Error");
    EXPECT_EQ(e.get("Error"), "0");
    EXPECT_EQ(e.get("Error Text"), "DAA_MessageThread - Test");
    EXPECT_TRUE(std::regex_match(e.get("Error Data"), std::regex(data))) << e.get("Error Data");
    EXPECT_EQ(e.get("Procedure"), "DAA_ExceptionHandler");
    EXPECT_EQ(e.get("Source"), "QM32.DLL");
    EXPECT_EQ(e.get("Application"), "32-bit Architecture");
}

} // namespace
