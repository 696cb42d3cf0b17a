// Tests of the error log and message lookup: the entry format of ERR_LogError
// (severity classes, type texts, type E, module paths, blank and full-width
// fields), message texts with inserts, help panels, severities, start-up.
#include "qmtest.h"

#include <cstring>
#include <regex>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using qmtest::Env;
using qmtest::parseLog;

namespace {

ERR_RECORD makeRecord(long number, uint32_t severity, char type) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(number);
    r.ulSeverity = severity;
    r.ulErrorType = static_cast<uint32_t>(static_cast<unsigned char>(type));
    std::strcpy(r.szErrorText, "text");
    std::strcpy(r.szErrorData, "data");
    std::strcpy(r.szModule, "qmtest");
    std::strcpy(r.szProcedure, "proc()");
    std::strcpy(r.szSource, "source");
    std::strcpy(r.szApplication, "MyApp");
    r.ulLineNumber = 42;
    return r;
}

// The single entry (after the start-up entry) of the log.
qmtest::Entry lastEntry(const Env &env) {
    auto entries = parseLog(env.log());
    if (entries.empty())
        return qmtest::Entry();
    return entries.back();
}

} // namespace

TEST(NullTerminate, TrimsWithinTheWidth) {
    struct Case {
        const char *field;
        int width;
        const char *expect;
        int length;
    } cases[] = {
        {"AB  ", 4, "AB", 2},        {"    ", 4, "", 0},     {"ABCD", 4, "ABC", 3},
        {"A\0 B", 4, "A", 1},        {"AB\0\0", 4, "AB", 2}, {"X", 1, "", 0},
        {"A B C   ", 8, "A B C", 5},
    };
    for (const Case &c : cases) {
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        std::memcpy(buf, c.field, static_cast<std::size_t>(c.width));
        EXPECT_EQ(UTL_NullTerminate(buf, c.width), c.length) << c.field;
        EXPECT_STREQ(buf, c.expect);
        EXPECT_EQ(buf[c.width], '#') << "wrote past the width";
    }
    char untouched[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(UTL_NullTerminate(untouched, 0), 0);
    EXPECT_EQ(UTL_NullTerminate(untouched, -3), 0);
    EXPECT_EQ(std::memcmp(untouched, "abcd", 4), 0);
    EXPECT_EQ(UTL_NullTerminate(nullptr, 4), 0);
}

TEST(LogError, WritesTheFullEntryFormat) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    ERR_RECORD r = makeRecord(-1234, 5, 'Z');
    std::strcpy(r.szErrorText, "Something failed");
    std::strcpy(r.szErrorData, "value=7");
    ASSERT_EQ(ERR_LogError(&r), 0);

    std::string log = env.log();
    std::size_t start = log.rfind("\n************* Warning *************\n");
    ASSERT_NE(start, std::string::npos) << log;
    std::string entry = log.substr(start);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(entry, m, std::regex("Timestamp: ([^\n]*)\n")));
    std::string stamp = m[1];
    EXPECT_TRUE(std::regex_match(
        stamp, std::regex("[01][0-9]/[0-3][0-9]/[0-9]{4} - [0-2][0-9]:[0-5][0-9]:[0-6][0-9] "
                          "(AM|PM)( .*)?")))
        << stamp;
    EXPECT_EQ(entry, "\n************* Warning *************\n"
                     "Application: MyApp\n"
                     "Timestamp: " +
                         stamp +
                         "\n"
                         "Error: -1234\n"
                         "Severity: 5\n"
                         "Error Type: Type Z\n"
                         "Error Text: Something failed\n"
                         "Error Data: value=7\n"
                         "Module: qmtest\n"
                         "Procedure: proc()\n"
                         "Source: source\n"
                         "Line: 42\n");
    EXPECT_EQ(ERR_GetLastError(), -1234);
}

TEST(LogError, SeverityClassesAndTypeTexts) {
    Env env;
    struct Case {
        uint32_t severity;
        char type;
        const char *cls;
        const char *typeText;
        const char *severityText;
    } cases[] = {
        {0, 'V', "Information", "V - VB Runtime", "0"},
        {3, 'I', "Information", "I - Informational", "3"},
        {4, 'A', "Warning", "A - Service Application", "4"},
        {7, 'D', "Warning", "D - DB2", "7"},
        {8, 'S', "Error", "S - Sybase", "8"},
        {15, 'C', "Error", "C - CICS", "15"},
        {16, 'U', "Fatal Error", "U - Unknown", "16"},
        {200, 'O', "Fatal Error", "O - UNIX Operating System", "200"},
        {0xFFFFFFFFu, 'e', "Information", "Type e", "4294967295"},
        {5, 'Z', "Warning", "Type Z", "5"},
    };
    for (const Case &c : cases) {
        ERR_RECORD r = makeRecord(1, c.severity, c.type);
        ASSERT_EQ(ERR_LogError(&r), 0);
        qmtest::Entry e = lastEntry(env);
        EXPECT_EQ(e.severityClass, c.cls) << c.type;
        EXPECT_EQ(e.get("Error Type"), c.typeText);
        EXPECT_EQ(e.get("Severity"), c.severityText);
        EXPECT_EQ(e.get("Application"), "MyApp") << "only type E changes the application";
    }
}

TEST(LogError, TypeEForcesTheLibraryApplication) {
    Env env;
    ERR_RECORD r = makeRecord(30011, 8, 'E');
    std::strcpy(r.szApplication, "Payroll");
    ASSERT_EQ(ERR_LogError(&r), 0);
    qmtest::Entry e = lastEntry(env);
    EXPECT_EQ(e.get("Application"), "32-bit Architecture");
    EXPECT_EQ(e.get("Error Type"), "E - Architecture");
    EXPECT_STREQ(r.szApplication, "32-bit Architecture") << "the record changes in place";
}

TEST(LogError, ModuleIsLoggedByItsLastPathComponent) {
    Env env;
    const char *cases[][2] = {
        {"C:\\build\\arc\\qmcnv32.cpp", "qmcnv32.cpp"},
        {"/usr/src/arc/qmsocket.cpp", "qmsocket.cpp"},
        {"qmdaa32", "qmdaa32"},
        {"dir\\", ""},
    };
    for (auto &c : cases) {
        ERR_RECORD r = makeRecord(2, 0, 'I');
        std::strcpy(r.szModule, c[0]);
        ASSERT_EQ(ERR_LogError(&r), 0);
        EXPECT_EQ(lastEntry(env).get("Module"), c[1]) << c[0];
    }
}

TEST(LogError, BlankPaddedAndFullWidthFields) {
    Env env;
    ERR_RECORD r = makeRecord(3, 8, 'A');
    // Blank-padded to the full width: the blanks go, the text stays.
    std::memset(r.szErrorText, ' ', sizeof r.szErrorText);
    std::memcpy(r.szErrorText, "padded", 6);
    std::memset(r.szProcedure, ' ', sizeof r.szProcedure);
    // Filled to the full width without a NUL: the last character is lost, and
    // nothing beyond the field is read.
    std::memset(r.szErrorData, 'D', sizeof r.szErrorData);
    std::memset(r.szModule, 'M', sizeof r.szModule);
    std::memset(r.szSource, 'S', sizeof r.szSource);
    std::memset(r.szApplication, 'P', sizeof r.szApplication);
    r.cFiller = 'F';
    ASSERT_EQ(ERR_LogError(&r), 0);
    qmtest::Entry e = lastEntry(env);
    EXPECT_EQ(e.get("Error Text"), "padded");
    EXPECT_EQ(e.get("Procedure"), "");
    EXPECT_EQ(e.get("Error Data"), std::string(255, 'D'));
    EXPECT_EQ(e.get("Module"), std::string(31, 'M'));
    EXPECT_EQ(e.get("Source"), std::string(31, 'S'));
    EXPECT_EQ(e.get("Application"), std::string(31, 'P'));
    EXPECT_EQ(e.get("Line"), "42");
    EXPECT_STREQ(r.szErrorText, "padded") << "the record is normalised in place";

    ERR_RECORD full = makeRecord(4, 8, 'A');
    std::memset(full.szErrorText, 'T', sizeof full.szErrorText);
    ASSERT_EQ(ERR_LogError(&full), 0);
    EXPECT_EQ(lastEntry(env).get("Error Text"), std::string(254, 'T'));
}

TEST(LogError, FailureToWriteStillSetsTheLastError) {
    Env env;
    ERR_RECORD r = makeRecord(30099, 8, 'E');
    std::string missing = qmtest::join(env.dir, "no-such-folder");
    qmtest::setEnv("WINDIR", missing.c_str());
    EXPECT_NE(ERR_LogError(&r), 0);
    EXPECT_EQ(ERR_GetLastError(), 30099);
    qmtest::setEnv("WINDIR", env.dir.c_str());
    EXPECT_NE(ERR_LogError(nullptr), 0);
    EXPECT_EQ(ERR_GetLastError(), 30099);
}

TEST(StartUp, FirstProcessWritesTheStartUpEntry) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    EXPECT_TRUE(_qm32SectionCreated());
    auto entries = parseLog(env.log());
    ASSERT_EQ(entries.size(), 1u) << env.log();
    const qmtest::Entry &e = entries[0];
    EXPECT_EQ(e.severityClass, "Information");
    EXPECT_EQ(e.get("Application"), "32-bit Architecture");
    EXPECT_EQ(e.get("Error"), "0");
    EXPECT_EQ(e.get("Severity"), "0");
    EXPECT_EQ(e.get("Error Type"), "I - Informational");
    EXPECT_EQ(e.get("Error Text"), "Workstation: " + plat_computer_name().substr(0, 63) +
                                       ", LAN-ID: " + plat_user_name().substr(0, 63));
    std::string data = e.get("Error Data");
    const std::string build = " - Brightmoor Build: not found.";
    ASSERT_GE(data.size(), build.size());
    EXPECT_EQ(data.substr(data.size() - build.size()), build) << data;
    EXPECT_EQ(e.get("Module"), "qm32");
    EXPECT_EQ(e.get("Procedure"), "InitErrorLog()");
    EXPECT_EQ(e.get("Source"), "QM32.DLL");
    EXPECT_EQ(e.get("Line"), "258");
    // The section starts zeroed apart from its first field.
    QM32_SHARED *s = _qm32Shared();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->lInitialised, 1);
    EXPECT_EQ(s->szUserId[0], '\0');
    EXPECT_EQ(s->lAccessCount, 0);
}

TEST(StartUp, DebugLevelZeroRestartsTheLog) {
    for (int level : {0, 1}) {
        Env::Options o;
        o.debugLevel = level;
        o.start = false;
        Env env(o);
        qmtest::writeFile(env.logPath, "\n************* Error *************\nApplication: old\n");
        ASSERT_EQ(_qm32Startup(), 0);
        auto entries = parseLog(env.log());
        ASSERT_EQ(entries.size(), level == 0 ? 1u : 2u) << "DebugLevel " << level;
        EXPECT_EQ(entries.back().get("Procedure"), "InitErrorLog()");
        EXPECT_EQ(ERR_GetDebugLevel(), level);
    }
}

TEST(StartUp, MissingMessageFileFailsWithItsBox) {
    Env::Options o;
    o.messageFileKey = false;
    Env env(o);
    EXPECT_EQ(env.startResult, QM32_ERR_NO_MESSAGEFILE);
    auto boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fatal Error!\r\nCould not locate a required section in QM32.INI");
    EXPECT_EQ(boxes[0].caption, "32-bit Architecture");
    EXPECT_EQ(boxes[0].style, PLAT_MB_ICONERROR);
    EXPECT_EQ(_qm32Shared(), nullptr);
    EXPECT_EQ(_qm32StartupError(), QM32_ERR_NO_MESSAGEFILE);
    // Exports that need the started library answer with the error number.
    EXPECT_EQ(UTL_SetId("user", "pw"), QM32_ERR_NO_MESSAGEFILE);
    char id[8] = "keep";
    EXPECT_EQ(UTL_GetId(id, sizeof id), 0);
    // The log still works, and once the configuration is mended the library starts.
    ERR_RECORD r = makeRecord(5, 0, 'I');
    EXPECT_EQ(ERR_LogError(&r), 0);
    qmtest::writeFile(env.iniPath,
                      "[32-bit architecture]\nmessagefile = " + env.messagePath + "\n");
    EXPECT_EQ(_qm32Startup(), 0);
    EXPECT_EQ(_qm32StartupError(), 0);
}

#ifndef _WIN32
// Without a message file the start-up says on standard error which file it
// read, whether it exists, with an overlong path cut from the front (Windows
// sends it to the debugger output instead).
TEST(StartUp, MissingMessageFileNamesTheFileItRead) {
    struct Case {
        const char *name;
        bool iniExists;
        int depth; // nested folders of 60 characters under the Windows directory
    } cases[] = {{"no key", true, 0}, {"no file", false, 0}, {"long path", false, 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Env::Options o;
        o.messageFileKey = false;
        o.start = false;
        Env env(o);
        std::string windir = env.dir;
        for (int i = 0; i < c.depth; ++i)
            windir = qmtest::join(windir, std::string(60, 'a' + i));
        std::filesystem::create_directories(windir);
        if (!c.iniExists)
            std::filesystem::remove(env.iniPath);
        qmtest::setEnv("WINDIR", windir.c_str());
        testing::internal::CaptureStderr();
        EXPECT_EQ(_qm32Startup(), QM32_ERR_NO_MESSAGEFILE);
        std::string err = testing::internal::GetCapturedStderr();
        qmtest::setEnv("WINDIR", env.dir.c_str());
        std::string ini = qmtest::join(windir, "qm32.ini");
        std::string shown = ini.size() <= 160 ? ini : "..." + ini.substr(ini.size() - 157);
        EXPECT_NE(err.find("no MessageFile in section [32-bit Architecture] of " + shown),
                  std::string::npos)
            << err;
        EXPECT_EQ(err.find("(the file does not exist)") != std::string::npos, !c.iniExists) << err;
        EXPECT_EQ(c.depth > 0, ini.size() > 160);
        qmtest::takeBoxes();
    }
}

// The log is created for the user alone, and a lock that someone else holds
// on it delays an entry by the bound at most: the entry is written all the same.
TEST(LogError, NewLogIsPrivateAndAHeldLockDelaysByTheBoundAtMost) {
    Env env;
    ASSERT_EQ(env.startResult, 0);
    struct stat st;
    ASSERT_EQ(stat(env.logPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    int holder = open(env.logPath.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    ERR_RECORD r = makeRecord(30040, 8, 'E');
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, "while the log is held");
    testing::internal::CaptureStderr();
    long long t0 = plat_clock_ms();
    EXPECT_EQ(ERR_LogError(&r), 0);
    long long took = plat_clock_ms() - t0;
    std::string err = testing::internal::GetCapturedStderr();
    close(holder);
    EXPECT_GE(took, PLAT_LOG_LOCK_WAIT_MS - 50);
    EXPECT_LT(took, PLAT_LOG_LOCK_WAIT_MS + 2000);
    EXPECT_NE(err.find("the error log " + env.logPath + " stayed locked"), std::string::npos)
        << err;
    EXPECT_EQ(ERR_GetLastError(), 30040);
    auto entries = parseLog(env.log());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().get("Error Text"), "while the log is held");
}
#endif

TEST(Identity, SetIdAndGetIdStayWithinTheirWidths) {
    Env env;
    EXPECT_EQ(UTL_SetId("alice", "secret"), 0);
    char buf[64];
    EXPECT_EQ(UTL_GetId(buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "alice");
    EXPECT_STREQ(_qm32Shared()->szPassword, "secret");

    std::string longId(60, 'u');
    EXPECT_EQ(UTL_SetId(longId.c_str(), nullptr), 0);
    EXPECT_EQ(UTL_GetId(buf, sizeof buf), 50);
    EXPECT_EQ(std::string(buf), std::string(50, 'u'));
    EXPECT_EQ(_qm32Shared()->szPassword[0], '\0');

    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(UTL_GetId(buf, 3), 2);
    EXPECT_STREQ(buf, "uu");
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(UTL_GetId(buf, 0), 0);
    EXPECT_EQ(buf[0], '#');
}

// ---- message lookup ----

namespace {

Env::Options withMessages(const std::string &messages, const std::string &iniExtra = "") {
    Env::Options o;
    o.messages = "[ERR_Messages]\n" + messages;
    o.iniExtra = iniExtra;
    return o;
}

std::string text(const char *app, long number, const char *i1 = nullptr, const char *i2 = nullptr,
                 int size = 2048, int *length = nullptr) {
    std::vector<char> buf(2048 + 16, '#');
    int n = ERR_GetMessageText(app, number, buf.data(), size, i1, i2);
    if (length)
        *length = n;
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

} // namespace

TEST(MessageText, InsertsArePlainTextAndOnlyPercentSIsSubstituted) {
    Env env(withMessages("1=Section [%s], key %s\n"
                         "2=100%% sure: %d %x %n %5s %\n"
                         "3=%s-%s-%s\n"
                         "4=Value %s.\n"));
    EXPECT_EQ(text(nullptr, 1, "Main", "SvcPort"), "Section [Main], key SvcPort");
    EXPECT_EQ(text(nullptr, 2, "a", "b"), "100% sure: %d %x %n %5s %");
    EXPECT_EQ(text(nullptr, 3, "a", "b"), "a-b-%s") << "at most two inserts";
    EXPECT_EQ(text(nullptr, 3), "--%s") << "missing inserts are empty";
    EXPECT_EQ(text(nullptr, 4, "%s %n %x"), "Value %s %n %x.") << "inserts are never formats";
    EXPECT_TRUE(qmtest::takeBoxes().empty());
}

TEST(MessageText, BackslashRBecomesACarriageReturn) {
    Env env(withMessages("7=First line\\rSecond line\\r\\rend\n8=ends with backslash\\\n"));
    int n = 0;
    EXPECT_EQ(text(nullptr, 7, nullptr, nullptr, 2048, &n), "First line\rSecond line\r\rend");
    EXPECT_EQ(n, 27);
    EXPECT_EQ(text(nullptr, 8), "ends with backslash\\");
}

TEST(MessageText, UnknownNumbersAndBufferLimits) {
    Env env(withMessages("9=" + std::string(1500, 'L') + "\n10=0123456789\n"));
    EXPECT_EQ(text(nullptr, 12345),
              "Unknown message number 12345, please update the messages to include this number!");
    EXPECT_EQ(text("32-bit Architecture", -7),
              "Unknown message number -7, please update the messages to include this number!");
    EXPECT_EQ(text(nullptr, 9), std::string(1023, 'L')) << "texts are at most 1023 characters";

    struct Case {
        int size;
        const char *expect;
    } cases[] = {{11, "0123456789"}, {5, "0123"}, {1, ""}};
    for (const Case &c : cases) {
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(ERR_GetMessageText(nullptr, 10, buf, c.size, nullptr, nullptr),
                  static_cast<int>(std::strlen(c.expect)));
        EXPECT_STREQ(buf, c.expect);
        EXPECT_EQ(buf[c.size], '#') << "wrote past the buffer of size " << c.size;
    }
    for (int size : {0, -1}) {
        char buf[4] = {'#', '#', '#', '#'};
        EXPECT_EQ(ERR_GetMessageText(nullptr, 10, buf, size, nullptr, nullptr), 0);
        EXPECT_EQ(buf[0], '#');
        EXPECT_EQ(ERR_GetMessageText(nullptr, 12345, buf, size, nullptr, nullptr), 0);
        EXPECT_EQ(buf[0], '#');
    }
    EXPECT_EQ(ERR_GetMessageText(nullptr, 10, nullptr, 100, nullptr, nullptr), 0);
}

TEST(MessageText, ApplicationSectionsAndMissingFiles) {
    Env env(withMessages("1=from the library\n"));
    std::string appMessages = qmtest::join(env.dir, "payroll.msg");
    qmtest::writeFile(appMessages, "[err_messages]\n1 = from payroll \n");
    std::string ini = qmtest::readFile(env.iniPath);
    ini += "[Payroll]\nMessageFile=" + appMessages + "\n";
    ini += "[Relative]\nMessageFile=payroll.msg\n";
    ini += "[Missing]\nMessageFile=" + qmtest::join(env.dir, "gone.msg") + "\n";
    qmtest::writeFile(env.iniPath, ini);

    EXPECT_EQ(text(nullptr, 1), "from the library");
    EXPECT_EQ(text("PAYROLL", 1), "from payroll");
    EXPECT_EQ(text("Relative", 1), "from payroll") << "relative to the Windows directory";
    EXPECT_TRUE(qmtest::takeBoxes().empty());

    EXPECT_EQ(text("Unconfigured", 1), "");
    auto boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Cannot locate the message file name in QM32.INI for application: Unconfigured");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, PLAT_MB_ICONERROR);

    EXPECT_EQ(text("Missing", 1), "");
    boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Could not locate " + qmtest::join(env.dir, "gone.msg") + " to look-up error text.");
    EXPECT_EQ(boxes[0].caption, "Error");
}

TEST(MessageText, HelpPanelsAndSeverities) {
    Env env;
    EXPECT_EQ(ERR_GetPanelId(nullptr, 30002), 1002);
    EXPECT_EQ(ERR_GetSeverity("32-bit Architecture", 30002), 16);
    EXPECT_EQ(ERR_GetPanelId(nullptr, 30003), 0);
    EXPECT_EQ(ERR_GetSeverity(nullptr, 30003), 0);
    EXPECT_TRUE(qmtest::takeBoxes().empty());
    EXPECT_EQ(ERR_GetPanelId("Nowhere", 30002), 0);
    EXPECT_EQ(ERR_GetSeverity("Nowhere", 30002), 0);
    auto boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text,
              "Cannot locate the message file name in QM32.INI for application: Nowhere");
}

TEST(DebugLevel, IsReadOnEveryCall) {
    Env env;
    EXPECT_EQ(ERR_GetDebugLevel(), 0);
    qmtest::writeFile(env.iniPath, "[32-bit Architecture]\nMessageFile=" + env.messagePath +
                                       "\nDebugLevel= 3 \n");
    EXPECT_EQ(ERR_GetDebugLevel(), 3);
}
