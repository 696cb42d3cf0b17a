// Tests of starting, finding, activating and closing client programs. The
// program is qmchild, copied under names of this test run's own (mixed case,
// in a folder with a blank); it records the arguments it received and, on
// request, waits with a titled window (Windows) until it is asked to close.
#include "qmtest.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <dirent.h>
#endif

using qmtest::Env;

namespace {

#ifdef _WIN32
const char kExe[] = ".exe";
const char kSep[] = "\\";
#else
const char kExe[] = "";
const char kSep[] = "/";
#endif

std::string childProgram() {
    std::string path = QMCHILD_PATH;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path; // a build-tree path seen through wine
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

bool waitUntil(const std::function<bool()> &done, int milliseconds = 15000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// The child's record: each argument it received, then "closed" once asked
// to close.
std::vector<std::string> readRecord(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (raw[i] == '\0') {
            out.push_back(raw.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

// Ids of the running processes whose executable is named exactly `name`.
std::vector<unsigned long> processesNamed(const std::string &name) {
    std::vector<unsigned long> ids;
    plat_find_process([&](unsigned long pid, const std::string &image) {
        if (UTL_StripFileName(image.c_str()) == name)
            ids.push_back(pid);
        return false;
    });
    return ids;
}

void killProcess(unsigned long pid) {
#ifdef _WIN32
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (h) {
        TerminateProcess(h, 9);
        CloseHandle(h);
    }
#else
    kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}

#ifndef _WIN32
// Processes whose parent is this process, zombies included.
int ownChildren() {
    int n = 0;
    DIR *proc = opendir("/proc");
    if (!proc)
        return -1;
    while (struct dirent *e = readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(e->d_name[0])))
            continue;
        std::string stat = qmtest::readFile(std::string("/proc/") + e->d_name + "/stat");
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
            ppid == static_cast<long>(getpid()))
            ++n;
    }
    closedir(proc);
    return n;
}
#endif

struct UtlProcess : ::testing::Test {
    void SetUp() override {
        ASSERT_EQ(env.startResult, 0);
        ASSERT_TRUE(UTL_FileExists(childProgram().c_str())) << childProgram();
    }
    void TearDown() override {
        for (const std::string &name : names)
            for (unsigned long pid : processesNamed(name))
                killProcess(pid);
        for (const char *var : {"QMCHILD_RECORD", "QMCHILD_WAIT", "QMCHILD_SECONDS"})
            qmtest::setEnv(var, nullptr);
    }

    // Copies the child program to `folder` as `name` (+ ".exe" on Windows).
    std::string install(const std::string &folder, const std::string &name) {
        std::filesystem::create_directories(folder);
        std::string path = qmtest::join(folder, name + kExe);
        std::filesystem::copy_file(childProgram(), path,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        names.push_back(name + kExe);
        return path;
    }

    void childSettings(const std::string &record, const std::string &wait,
                       const char *seconds = "60") {
        qmtest::setEnv("QMCHILD_RECORD", record.c_str());
        qmtest::setEnv("QMCHILD_WAIT", wait.empty() ? nullptr : wait.c_str());
        qmtest::setEnv("QMCHILD_SECONDS", seconds);
    }

    Env env;
    std::string tag = std::to_string(qmtest::processId());
    std::vector<std::string> names;
};

} // namespace

// The program path with a blank is the program that runs (not "dir" before
// the blank), and the argument text reaches it as a Windows program would
// split it, with no shell in between.
TEST_F(UtlProcess, StartsThePathItselfWithLiteralArguments) {
    std::string program = install(qmtest::join(env.dir, "dir with blank"), "QmChild_" + tag);
    install(env.dir, "dir"); // what would run if the path were split at its blank
    std::string record = qmtest::join(env.dir, "args.rec");
    childSettings(record, "");
    const char *arguments = "plain \"two words\" 'single' $HOME;ls|cat>x *.x \\\"quoted\\\" "
                            "back\\slash \"trailing \\\\\"";
    ASSERT_EQ(UTL_StartApp(program.c_str(), arguments, 1), 0);
#ifndef _WIN32
    EXPECT_EQ(ownChildren(), 0) << "the caller keeps no child to reap";
#endif
    ASSERT_TRUE(waitUntil([&] { return processesNamed("QmChild_" + tag + kExe).empty(); }));
    std::vector<std::string> expect = {"plain", "two words",  "'single'",    "$HOME;ls|cat>x",
                                       "*.x",   "\"quoted\"", "back\\slash", "trailing \\"};
    EXPECT_EQ(readRecord(record), expect);
    EXPECT_FALSE(std::filesystem::exists("x")) << "no shell redirected anything";
#ifndef _WIN32
    EXPECT_EQ(ownChildren(), 0) << "no zombie left";
#endif
}

// A running copy is found by the name of its file in any case and folder,
// is not started twice, is activated by its window title and is asked to
// close; afterwards it is not found any more.
TEST_F(UtlProcess, FindsActivatesAndClosesARunningCopy) {
    std::string name = "QmChild_" + tag + "_Mixed";
    std::string program = install(env.dir, name);
    std::string record = qmtest::join(env.dir, "wait.rec");
    std::string title = "qmchild window " + tag;
    childSettings(record, title);
    ASSERT_EQ(UTL_StartApp(program.c_str(), "first", 1), 0);
    ASSERT_TRUE(waitUntil([&] { return !readRecord(record).empty(); }));
    EXPECT_EQ(processesNamed(name + kExe).size(), 1u);

    // Already running: start-always 0 activates a window whose title holds
    // the program path; there is none, so 30033, and nothing more is started.
    EXPECT_EQ(UTL_StartApp(program.c_str(), "second", 0), 30033);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(processesNamed(name + kExe).size(), 1u);
    EXPECT_EQ(readRecord(record), std::vector<std::string>{"first"});

#ifdef _WIN32
    HWND window = nullptr;
    ASSERT_TRUE(
        waitUntil([&] { return (window = FindWindowA(nullptr, title.c_str())) != nullptr; }));
    // The window exists from CreateWindow on; the child minimises it just after.
    EXPECT_TRUE(waitUntil([&] { return IsIconic(window) != FALSE; }))
        << "the child starts minimised";
    EXPECT_EQ(UTL_ActivateApp(("window " + tag).c_str()), 0) << "a part of the title";
    EXPECT_TRUE(waitUntil([&] { return !IsIconic(window); })) << "restored";
    EXPECT_EQ(UTL_ActivateApp(("Window " + tag).c_str()), 30033) << "case counts in titles";
#else
    EXPECT_EQ(UTL_ActivateApp(title.c_str()), 30033) << "no top-level windows here";
#endif

    std::string lower = name + kExe;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string elsewhere = std::string("nowhere") + kSep + lower;
    EXPECT_EQ(UTL_TerminateApp(elsewhere.c_str()), 0);
    EXPECT_TRUE(waitUntil([&] { return processesNamed(name + kExe).empty(); }));
    EXPECT_EQ(readRecord(record), (std::vector<std::string>{"first", "closed"}))
        << "ended by the close request";
    EXPECT_EQ(UTL_TerminateApp(elsewhere.c_str()), 30033) << "not running any more";
    EXPECT_EQ(UTL_TerminateApp((elsewhere + "x").c_str()), 30033);
#ifndef _WIN32
    EXPECT_EQ(ownChildren(), 0) << "no zombie left";
#endif
}

// A missing program or a folder is refused without a log entry; a file that
// cannot be executed gives 30030 and the failed-start record.
TEST_F(UtlProcess, FailedStartsAreReported) {
    std::string missing = qmtest::join(env.dir, std::string("missing") + kExe);
    EXPECT_EQ(UTL_StartApp(missing.c_str(), "", 1), 30029);
    EXPECT_EQ(UTL_StartApp(env.dir.c_str(), "", 0), 30029);
    EXPECT_EQ(UTL_StartApp(nullptr, nullptr, 1), 30029);
    auto ownEntries = [&] {
        std::vector<qmtest::Entry> out;
        for (const auto &e : qmtest::parseLog(env.log()))
            if (e.get("Module") == "qmutl32")
                out.push_back(e);
        return out;
    };
    EXPECT_TRUE(ownEntries().empty());

    std::string text = qmtest::join(env.dir, std::string("notprog") + kExe);
    qmtest::writeFile(text, "this is no program\n");
    EXPECT_EQ(UTL_StartApp(text.c_str(), "a b", 1), 30030);
    auto entries = ownEntries();
    ASSERT_EQ(entries.size(), 1u) << env.log();
    const qmtest::Entry &e = entries[0];
    EXPECT_EQ(e.severityClass, "Error");
    EXPECT_EQ(e.get("Application"), "32-bit Architecture");
    EXPECT_EQ(e.get("Severity"), "8");
    EXPECT_EQ(e.get("Error Type"), "E - Architecture");
    EXPECT_EQ(e.get("Error Data"), text);
    EXPECT_EQ(e.get("Module"), "qmutl32");
    EXPECT_EQ(e.get("Procedure"), "UTL_ActivateApp()");
    EXPECT_EQ(e.get("Source"), "OpenProcess()");
#ifdef _WIN32
    EXPECT_NE(e.get("Error"), "0");
    EXPECT_FALSE(e.get("Error Text").empty());
#else
    EXPECT_EQ(e.get("Error"), "13"); // EACCES: the file has no execute permission
    EXPECT_EQ(e.get("Error Text"), "Permission denied");
    EXPECT_EQ(ownChildren(), 0) << "the failed child is reaped too";
#endif
    EXPECT_EQ(ERR_GetLastError(), std::atol(e.get("Error").c_str()));
}

#ifdef _WIN32
// A program without a top-level window has nothing to receive the close
// request: 30033, and it keeps running.
TEST_F(UtlProcess, ProgramWithoutWindowIsNotClosed) {
    std::string name = "QmChild_" + tag + "_NoWindow";
    std::string program = install(env.dir, name);
    childSettings(qmtest::join(env.dir, "nowindow.rec"), "-", "30");
    unsigned long pid = 0;
    std::string error;
    ASSERT_EQ(plat_start_process(program, "", &pid, &error), 0u) << error;
    ASSERT_TRUE(waitUntil([&] { return processesNamed(name + kExe).size() == 1; }));
    EXPECT_EQ(UTL_TerminateApp(program.c_str()), 30033);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(processesNamed(name + kExe), std::vector<unsigned long>{pid});
    killProcess(pid);
}
#endif
