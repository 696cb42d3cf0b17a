// Tests of the shared section's life across processes: one section for all
// running processes, the first one creates it (and writes the start-up
// entry), it is gone with the last one, even after a crash, and a section
// left uninitialised stops the start-up.
#include "qmtest.h"

#include <cstring>
#include <memory>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using qmtest::Env;

namespace {

// A child that joins the section `name` and checks what it finds there.
struct ChildPlan {
    std::string expectCreated = ""; // "1" / "0" / "" (do not check)
    std::string expectUser = "-";   // "-": do not check
    std::string setUser = "";       // set after start-up when not empty
    long expectStart = 0;
    bool crash = false; // end without shut-down
};

int runChild(const std::string &name, const ChildPlan &plan) {
    qmtest::Child child("SectionChild.Join",
                        {{"QMTEST_SECTION", name},
                         {"QMTEST_EXPECT_CREATED", plan.expectCreated},
                         {"QMTEST_EXPECT_USER", plan.expectUser},
                         {"QMTEST_SET_USER", plan.setUser},
                         {"QMTEST_EXPECT_START", std::to_string(plan.expectStart)},
                         {"QMTEST_CRASH", plan.crash ? "1" : ""}});
    return child.wait();
}

int startUpEntries(const Env &env) {
    int n = 0;
    for (const auto &e : qmtest::parseLog(env.log()))
        n += e.get("Procedure") == "InitErrorLog()";
    return n;
}

Env::Options debugOne(bool start = true) {
    Env::Options o;
    o.debugLevel = 1; // keep the log, so every start-up entry can be counted
    o.start = start;
    return o;
}

std::string sharedUser() {
    QM32_SHARED *s = _qm32Shared();
    return s ? std::string(s->szUserId, strnlen(s->szUserId, sizeof s->szUserId)) : "<not started>";
}

} // namespace

TEST(SectionChild, Join) {
    std::string name = qmtest::getEnv("QMTEST_SECTION");
    if (name.empty())
        GTEST_SKIP() << "runs as a child of the Section tests";
    _qm32SetSectionName(name.c_str());
    _qm32SetMessageBoxHook(qmtest::captureBox);
    long rc = _qm32Startup();
    ASSERT_EQ(rc, std::atol(qmtest::getEnv("QMTEST_EXPECT_START").c_str()));
    if (rc != 0)
        return;
    std::string created = qmtest::getEnv("QMTEST_EXPECT_CREATED");
    if (!created.empty()) {
        EXPECT_EQ(_qm32SectionCreated(), created == "1");
    }
    std::string user = qmtest::getEnv("QMTEST_EXPECT_USER");
    if (user != "-") {
        EXPECT_EQ(sharedUser(), user);
    }
    std::string set = qmtest::getEnv("QMTEST_SET_USER");
    if (!set.empty()) {
        EXPECT_EQ(UTL_SetId(set.c_str(), "pw"), 0);
    }
    if (!qmtest::getEnv("QMTEST_CRASH").empty() && !::testing::Test::HasFailure())
        qmtest::crash();
    _qm32Shutdown();
}

// Joins and leaves the section many times; every join must find it usable.
TEST(SectionChild, Churn) {
    std::string name = qmtest::getEnv("QMTEST_CHURN_SECTION");
    if (name.empty())
        GTEST_SKIP() << "runs as a child of Section.JoinAndLeaveAtOnce";
    _qm32SetSectionName(name.c_str());
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(_qm32Startup(), 0) << "round " << i;
        ASSERT_EQ(_qm32Shared()->lInitialised, 1);
        ASSERT_EQ(UTL_SetId("churn", "pw"), 0);
        _qm32Shutdown();
    }
}

TEST(Section, JoinAndLeaveAtOnce) {
    Env env(debugOne(false));
    {
        std::vector<std::unique_ptr<qmtest::Child>> children;
        for (int k = 0; k < 6; ++k)
            children.emplace_back(new qmtest::Child("SectionChild.Churn",
                                                    {{"QMTEST_CHURN_SECTION", env.sectionName}}));
        for (auto &c : children)
            EXPECT_EQ(c->wait(), 0);
    }
    // Everyone has left: the next process starts with an empty section.
    ASSERT_EQ(_qm32Startup(), 0);
    EXPECT_TRUE(_qm32SectionCreated());
    EXPECT_EQ(sharedUser(), "");
}

TEST(Section, RunningProcessesShareOneSection) {
    Env env(debugOne());
    ASSERT_EQ(env.startResult, 0);
    EXPECT_TRUE(_qm32SectionCreated());
    ASSERT_EQ(UTL_SetId("parent", "pw"), 0);

    ChildPlan plan;
    plan.expectCreated = "0";
    plan.expectUser = "parent";
    plan.setUser = "child";
    EXPECT_EQ(runChild(env.sectionName, plan), 0);
    EXPECT_EQ(sharedUser(), "child") << "the child wrote into the same section";
    EXPECT_EQ(startUpEntries(env), 1) << "only the first process writes the start-up entry";
}

TEST(Section, LastProcessTakesTheSectionAlong) {
    Env env(debugOne());
    ASSERT_EQ(UTL_SetId("parent", "pw"), 0);
    _qm32Shutdown();

    ChildPlan plan;
    plan.expectCreated = "1";
    plan.expectUser = "";
    plan.setUser = "first child";
    EXPECT_EQ(runChild(env.sectionName, plan), 0);
    plan.setUser = "";
    EXPECT_EQ(runChild(env.sectionName, plan), 0);
    EXPECT_EQ(startUpEntries(env), 3);
}

TEST(Section, CrashedProcessLeavesNothingBehind) {
    Env env(debugOne(false));
    ChildPlan crashing;
    crashing.expectCreated = "1";
    crashing.setUser = "crashed";
    crashing.crash = true;
    EXPECT_EQ(runChild(env.sectionName, crashing), 3);

    ChildPlan after;
    after.expectCreated = "1";
    after.expectUser = "";
    EXPECT_EQ(runChild(env.sectionName, after), 0);
}

TEST(Section, CrashWhileOthersRunKeepsTheSection) {
    Env env(debugOne());
    ChildPlan crashing;
    crashing.expectCreated = "0";
    crashing.setUser = "crashed";
    crashing.crash = true;
    EXPECT_EQ(runChild(env.sectionName, crashing), 3);
    EXPECT_EQ(sharedUser(), "crashed");

    ChildPlan after;
    after.expectCreated = "0";
    after.expectUser = "crashed";
    EXPECT_EQ(runChild(env.sectionName, after), 0);
    EXPECT_EQ(startUpEntries(env), 1);
}

TEST(Section, UninitialisedSectionStopsTheStartUp) {
    Env env(debugOne());
    _qm32Shared()->lInitialised = 0;
    ChildPlan plan;
    plan.expectStart = QM32_ERR_SECTION;
    EXPECT_EQ(runChild(env.sectionName, plan), 0);
    _qm32Shared()->lInitialised = 1;
    plan.expectStart = 0;
    plan.expectCreated = "0";
    EXPECT_EQ(runChild(env.sectionName, plan), 0);
}

TEST(Section, RestartInOneProcessStartsEmpty) {
    Env env(debugOne());
    ASSERT_EQ(UTL_SetId("someone", "pw"), 0);
    _qm32Shutdown();
    ASSERT_EQ(_qm32Startup(), 0);
    EXPECT_TRUE(_qm32SectionCreated());
    EXPECT_EQ(sharedUser(), "");
    EXPECT_EQ(_qm32Startup(), 0) << "a second start-up while started does nothing";
    EXPECT_EQ(startUpEntries(env), 2);
}

#ifndef _WIN32
TEST(Section, PosixObjectIsPrivateToTheUser) {
    Env env;
    std::string path = "/dev/shm/" + env.sectionName + "." + std::to_string(geteuid());
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_uid, geteuid());
    EXPECT_EQ(static_cast<std::size_t>(st.st_size), sizeof(QM32_SHARED));
    std::string runtime = qmtest::getEnv("XDG_RUNTIME_DIR");
    std::string lock = (runtime.empty() ? std::string("/tmp") : runtime) + "/" + env.sectionName +
                       "." + std::to_string(geteuid()) + ".lock";
    ASSERT_EQ(stat(lock.c_str(), &st), 0) << lock;
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    _qm32Shutdown();
    EXPECT_NE(stat(path.c_str(), &st), 0) << "removed with the last process";
    EXPECT_NE(stat(lock.c_str(), &st), 0) << "lock file removed with the last process";
}
#endif
