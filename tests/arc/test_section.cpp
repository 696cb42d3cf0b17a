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
namespace {

// XDG_RUNTIME_DIR for the life of a test (nullptr: unset).
struct RuntimeDir {
    explicit RuntimeDir(const char *value) {
        had = std::getenv("XDG_RUNTIME_DIR") != nullptr;
        old = qmtest::getEnv("XDG_RUNTIME_DIR");
        qmtest::setEnv("XDG_RUNTIME_DIR", value);
    }
    ~RuntimeDir() { qmtest::setEnv("XDG_RUNTIME_DIR", had ? old.c_str() : nullptr); }
    bool had;
    std::string old;
};

mode_t modeOf(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

// The section is a file of the user with mode 0600 in the runtime directory
// when there is a private one, else in the Windows directory, beside its lock
// file; both go with the last process, and the last one clears the section.
TEST(Section, PosixFileIsPrivateToTheUser) {
    std::string runtime = qmtest::makeTempDir("qm32run");
    chmod(runtime.c_str(), 0700);
    std::string shared = qmtest::makeTempDir("qm32shared");
    chmod(shared.c_str(), 0777);
    struct Case {
        const char *name;
        const char *runtimeDir; // nullptr: unset
        bool inRuntime;         // else in the Windows directory
    } cases[] = {{"runtime directory", runtime.c_str(), true},
                 {"no runtime directory", nullptr, false},
                 {"runtime directory writable by others", shared.c_str(), false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeDir rd(c.runtimeDir);
        Env env;
        ASSERT_EQ(env.startResult, 0);
        std::string path = qmtest::join(c.inRuntime ? runtime : env.dir, env.sectionName);
        std::string lock = path + ".lock";
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_uid, geteuid());
        EXPECT_EQ(static_cast<std::size_t>(st.st_size), sizeof(QM32_SHARED));
        EXPECT_EQ(modeOf(lock), 0600u) << lock;
        ASSERT_EQ(UTL_SetId("someone", "secret"), 0);
        EXPECT_NE(qmtest::readFile(path).find("secret"), std::string::npos);
        _qm32Shutdown();
        EXPECT_NE(stat(path.c_str(), &st), 0) << "removed with the last process";
        EXPECT_NE(stat(lock.c_str(), &st), 0) << "lock file removed with the last process";
    }
    std::error_code ec;
    std::filesystem::remove_all(runtime, ec);
    std::filesystem::remove_all(shared, ec);
}

// A section or lock file that is not the user's own with mode 0600 (another
// owner, another mode, a link) is never used: the first process reports and
// replaces it, so it cannot lock the user out; a process joining a running
// section refuses a planted section file with a message naming it.
TEST(Section, PlantedFilesAreRefused) {
    RuntimeDir rd(nullptr);
    struct Case {
        const char *name;
        bool lockFile; // else the section file
        int how;       // 0: mode 0644, 1: another owner, 2: a symbolic link
    } cases[] = {{"section file 0644", false, 0},
                 {"section file of another owner", false, 1},
                 {"lock file 0644", true, 0},
                 {"lock file of another owner", true, 1},
                 {"lock file as a link", true, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.how == 1 && geteuid() != 0) {
            std::printf("note: %s needs root to plant\n", c.name);
            continue;
        }
        Env env(debugOne(false));
        std::string path = qmtest::join(env.dir, env.sectionName) + (c.lockFile ? ".lock" : "");
        std::string victim = qmtest::join(env.dir, "victim");
        std::string planted(sizeof(QM32_SHARED), '\0');
        planted[0] = 1; // initialised, with a user of the planter's choice
        planted.replace(260, 7, "planted");
        if (c.how == 2) {
            qmtest::writeFile(victim, "untouched");
            ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
        } else {
            qmtest::writeFile(path, planted);
            ASSERT_EQ(chmod(path.c_str(), c.how == 0 ? 0644 : 0600), 0);
            if (c.how == 1) {
                ASSERT_EQ(chown(path.c_str(), 12345, 12345), 0);
            }
        }
        testing::internal::CaptureStderr();
        long rc = _qm32Startup();
        std::string err = testing::internal::GetCapturedStderr();
        ASSERT_EQ(rc, 0) << err;
        EXPECT_TRUE(_qm32SectionCreated());
        EXPECT_EQ(sharedUser(), "");
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_EQ(modeOf(path), 0600u);
        if (c.how == 2) {
            EXPECT_EQ(qmtest::readFile(victim), "untouched");
        }

        // Replaced under a running section: a joining process refuses it.
        if (!c.lockFile) {
            std::string other = path + ".other";
            qmtest::writeFile(other, planted);
            chmod(other.c_str(), 0644);
            ASSERT_EQ(rename(other.c_str(), path.c_str()), 0);
            ChildPlan plan;
            plan.expectStart = QM32_ERR_SECTION;
            EXPECT_EQ(runChild(env.sectionName, plan), 0);
        }
        _qm32Shutdown();
        ASSERT_EQ(_qm32Startup(), 0) << "the user is not locked out";
        EXPECT_EQ(sharedUser(), "");
    }
}
#endif
