// Stress tests of the error log: many processes and threads log at the same
// moment, and every entry must arrive whole, in its own lines, exactly once.
#include "qmtest.h"

#include <cstring>
#include <set>
#include <thread>

using qmtest::Env;

namespace {

const int kProcesses = 8;
const int kProcessEntries = 500;
const int kThreads = 8;
const int kThreadEntries = 200;

// Logs `count` entries tagged "<writer>/<i>", with long data so that an
// interleaved write would be visible.
void logEntries(const std::string &writer, int count) {
    for (int i = 0; i < count; ++i) {
        ERR_RECORD r;
        std::memset(&r, 0, sizeof r);
        r.lErrorNumber = i;
        r.ulSeverity = 8;
        r.ulErrorType = 'A';
        std::snprintf(r.szErrorText, sizeof r.szErrorText, "%s/%d", writer.c_str(), i);
        std::memset(r.szErrorData, 'd', 200);
        std::strcpy(r.szModule, "stress");
        std::strcpy(r.szProcedure, writer.c_str());
        std::strcpy(r.szSource, "src");
        std::strcpy(r.szApplication, "Stress");
        r.ulLineNumber = static_cast<uint32_t>(i);
        ASSERT_EQ(ERR_LogError(&r), 0);
    }
}

// Checks that the log holds every "<writer>/<i>" entry exactly once, each
// with all its lines, in order, and nothing else but start-up entries.
void checkLog(const std::string &log, const std::vector<std::string> &writers, int count) {
    std::vector<std::string> stray;
    auto entries = qmtest::parseLog(log, &stray);
    EXPECT_TRUE(stray.empty()) << stray.size() << " stray lines, first: " << stray.front();
    const std::vector<std::string> labels = {"Application", "Timestamp",  "Error",      "Severity",
                                             "Error Type",  "Error Text", "Error Data", "Module",
                                             "Procedure",   "Source",     "Line"};
    std::set<std::string> seen;
    int bad = 0;
    for (const auto &e : entries) {
        if (e.get("Procedure") == "InitErrorLog()")
            continue;
        std::vector<std::string> got;
        for (const auto &f : e.fields)
            got.push_back(f.first);
        std::string text = e.get("Error Text");
        std::size_t slash = text.rfind('/');
        bool whole = got == labels && e.severityClass == "Error" &&
                     e.get("Application") == "Stress" && slash != std::string::npos &&
                     e.get("Error") == text.substr(slash + 1) &&
                     e.get("Line") == text.substr(slash + 1) &&
                     e.get("Procedure") == text.substr(0, slash) &&
                     e.get("Error Data") == std::string(200, 'd');
        if (!whole && ++bad <= 3)
            ADD_FAILURE() << "damaged entry: " << text;
        EXPECT_TRUE(seen.insert(text).second) << "entry twice: " << text;
    }
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(seen.size(), writers.size() * static_cast<std::size_t>(count));
    for (const auto &w : writers)
        for (int i = 0; i < count; i += count - 1)
            EXPECT_TRUE(seen.count(w + "/" + std::to_string(i))) << w << "/" << i;
}

} // namespace

TEST(StressChild, Log) {
    std::string writer = qmtest::getEnv("QMTEST_WRITER");
    if (writer.empty())
        GTEST_SKIP() << "runs as a child of ErrorLogStress.ProcessesNeverInterleave";
    _qm32SetSectionName(qmtest::getEnv("QMTEST_SECTION").c_str());
    ASSERT_EQ(_qm32Startup(), 0);
    logEntries(writer, kProcessEntries);
    _qm32Shutdown();
}

TEST(ErrorLogStress, ProcessesNeverInterleave) {
    Env::Options o;
    o.debugLevel = 1;
    Env env(o);
    ASSERT_EQ(env.startResult, 0);
    std::vector<std::string> writers;
    std::vector<std::unique_ptr<qmtest::Child>> children;
    for (int k = 0; k < kProcesses; ++k) {
        writers.push_back("process" + std::to_string(k));
        children.emplace_back(
            new qmtest::Child("StressChild.Log", {{"QMTEST_WRITER", writers.back()},
                                                  {"QMTEST_SECTION", env.sectionName}}));
    }
    for (auto &c : children)
        EXPECT_EQ(c->wait(), 0);
    checkLog(env.log(), writers, kProcessEntries);
}

TEST(ErrorLogStress, ThreadsNeverInterleave) {
    Env env;
    std::vector<std::string> writers;
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k)
        writers.push_back("thread" + std::to_string(k));
    for (int k = 0; k < kThreads; ++k)
        threads.emplace_back(logEntries, writers[static_cast<std::size_t>(k)], kThreadEntries);
    for (auto &t : threads)
        t.join();
    checkLog(env.log(), writers, kThreadEntries);
}
