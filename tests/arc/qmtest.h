// Test helpers for qm32: a temporary Windows directory with qm32.ini and a
// message file that the library is started on, captured message boxes, file
// helpers, and child processes that run one test of the same program.
#pragma once

#include "qm32int.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qmtest {

namespace fs = std::filesystem;

inline long processId() {
#ifdef _WIN32
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(getpid());
#endif
}

// Sets (or, with nullptr, removes) an environment variable of this process.
inline void setEnv(const char *name, const char *value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
    SetEnvironmentVariableA(name, value);
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

inline std::string getEnv(const char *name) {
    const char *v = std::getenv(name);
    return v ? v : "";
}

inline void writeFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Reads a file in text mode, so CR LF line ends read as "\n" on Windows.
inline std::string readFile(const std::string &path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Reads a file byte for byte.
inline std::string readBinary(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string join(const std::string &dir, const std::string &name) {
    return (fs::path(dir) / name).string();
}

// A new empty directory under the system's temporary folder.
inline std::string makeTempDir(const char *tag = "qm32test") {
    static std::atomic<int> counter{0};
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        fs::path dir = base / (std::string(tag) + "_" + std::to_string(processId()) + "_" +
                               std::to_string(counter++) + "_" + std::to_string(attempt));
        std::error_code ec;
        if (fs::create_directory(dir, ec))
            return dir.string();
    }
}

// ---- captured message boxes ----
struct Box {
    std::string text, caption;
    unsigned style;
};

inline std::mutex &boxMutex() {
    static std::mutex m;
    return m;
}
inline std::vector<Box> &boxList() {
    static std::vector<Box> list;
    return list;
}
inline int captureBox(const char *text, const char *caption, unsigned style) {
    std::lock_guard<std::mutex> lock(boxMutex());
    boxList().push_back({text, caption, style});
    return 1;
}
// The boxes shown since the last call, and forgets them.
inline std::vector<Box> takeBoxes() {
    std::lock_guard<std::mutex> lock(boxMutex());
    std::vector<Box> out;
    out.swap(boxList());
    return out;
}

// A window that cannot be shown, as in a process without a terminal.
inline int noWindow(CDialogLogic &, void *) {
    return QM_DIALOG_UNAVAILABLE;
}

// The standard message file of the tests.
inline const char *defaultMessages() {
    return "[ERR_Messages]\n"
           "30002=Could not locate section [%s], key %s\n"
           "30022=The error log could not be opened.\n"
           "30040=An error occurred in the application.\n"
           "\n"
           "[ERR_HelpPanel]\n"
           "30002=1002\n"
           "\n"
           "[ERR_Severity]\n"
           "30002=16\n";
}

// A Windows directory of its own with qm32.ini and a message file; WINDIR
// points at it and the library is started on a section name of its own, so
// tests running at the same time never share a section or a log. Message
// boxes are captured (takeBoxes) instead of shown.
class Env {
  public:
    struct Options {
        bool messageFileKey = true; // MessageFile in "32-bit Architecture"
        int debugLevel = 0;
        std::string iniExtra; // appended to qm32.ini
        std::string messages = defaultMessages();
        bool start = true;       // call _qm32Startup()
        std::string sectionName; // empty: a unique one
    };

    Env() : Env(Options()) {}
    explicit Env(const Options &o) : options_(o) {
        oldWindir_ = std::getenv("WINDIR") ? std::getenv("WINDIR") : "";
        hadWindir_ = std::getenv("WINDIR") != nullptr;
        dir = makeTempDir();
        iniPath = join(dir, "qm32.ini");
        messagePath = join(dir, "qmmsg.ini");
        logPath = join(dir, "finance.err");
        std::string ini = "[32-bit Architecture]\n";
        if (o.messageFileKey)
            ini += "MessageFile=" + messagePath + "\n";
        ini += "DebugLevel=" + std::to_string(o.debugLevel) + "\n";
        ini += o.iniExtra;
        writeFile(iniPath, ini);
        writeFile(messagePath, o.messages);
        setEnv("WINDIR", dir.c_str());
        sectionName = o.sectionName.empty() ? uniqueSectionName() : o.sectionName;
        _qm32SetSectionName(sectionName.c_str());
        _qm32SetMessageBoxHook(captureBox);
        takeBoxes();
        // No window may wait for a user: unless the test set a view of its
        // own before (or sets one, or nullptr for the platform's, after), a
        // window counts as one that cannot be shown.
        dialogHook_ = _qm32SetDialogHook(noWindow);
        if (dialogHook_)
            _qm32SetDialogHook(dialogHook_);
        startResult = o.start ? _qm32Startup() : -1;
    }

    ~Env() {
        _qm32Shutdown();
        _qm32SetSectionName(nullptr);
        _qm32SetMessageBoxHook(nullptr);
        _qm32SetDialogHook(dialogHook_);
        setEnv("WINDIR", hadWindir_ ? oldWindir_.c_str() : nullptr);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    Env(const Env &) = delete;
    Env &operator=(const Env &) = delete;

    std::string log() const { return readFile(logPath); }

    static std::string uniqueSectionName() {
        static std::atomic<int> counter{0};
        return "qm32_test_" + std::to_string(processId()) + "_" + std::to_string(counter++);
    }

    std::string dir, iniPath, messagePath, logPath, sectionName;
    long startResult = -1;

  private:
    Options options_;
    QM32_DIALOG_HOOK dialogHook_ = nullptr;
    std::string oldWindir_;
    bool hadWindir_ = false;
};

// ---- the logged-on identity ----
// Kind 1 (user id) and 2 (password) of SEC_GetUserString; empty when nobody.
inline std::string loggedOn(int kind) {
    char b[64] = "";
    SEC_GetUserString(kind, b, sizeof b);
    return b;
}
inline std::string userId() {
    return loggedOn(1);
}
inline std::string password() {
    return loggedOn(2);
}

// ---- log entries ----
// One parsed log entry: the severity class of its opening line and its
// labelled lines, in order.
struct Entry {
    std::string severityClass;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string get(const std::string &label) const {
        for (const auto &f : fields)
            if (f.first == label)
                return f.second;
        return "<missing " + label + ">";
    }
};

// Splits a log into entries; an entry is "\n***... class ...***\n" followed
// by "Label: value" lines. Lines that fit no entry land in `stray`.
inline std::vector<Entry> parseLog(const std::string &log,
                                   std::vector<std::string> *stray = nullptr) {
    std::vector<Entry> entries;
    std::istringstream in(log);
    std::string line;
    const std::string stars = "************* ";
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        if (line.compare(0, stars.size(), stars) == 0 && line.size() >= 2 * stars.size()) {
            Entry e;
            e.severityClass = line.substr(stars.size(), line.size() - 2 * stars.size());
            entries.push_back(e);
            continue;
        }
        std::size_t colon = line.find(": ");
        if (entries.empty() || colon == std::string::npos) {
            if (stray)
                stray->push_back(line);
            continue;
        }
        entries.back().fields.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return entries;
}

// ---- child processes running one test of this program ----
// The child runs `--gtest_filter=<test>` with the given extra environment;
// child tests skip themselves unless their variable is set.
class Child {
  public:
    Child(const std::string &test, const std::vector<std::pair<std::string, std::string>> &env) {
#ifdef _WIN32
        char exe[MAX_PATH * 2];
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        std::string cmd = "\"" + std::string(exe) + "\" --gtest_filter=" + test;
        std::vector<std::pair<std::string, std::string>> saved;
        for (const auto &kv : env) {
            saved.emplace_back(kv.first, getEnv(kv.first.c_str()));
            SetEnvironmentVariableA(kv.first.c_str(), kv.second.c_str());
        }
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        PROCESS_INFORMATION pi = {};
        ok_ = CreateProcessA(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &pi) != 0;
        for (const auto &kv : saved)
            SetEnvironmentVariableA(kv.first.c_str(),
                                    kv.second.empty() ? nullptr : kv.second.c_str());
        if (ok_) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
        }
#else
        // The child's temporary files go to a folder of its own, removed when
        // it has ended: a child that crashes on purpose runs no destructor.
        tmp_ = makeTempDir("qm32child");
        pid_ = fork();
        if (pid_ == 0) {
            setenv("TMPDIR", tmp_.c_str(), 1);
            for (const auto &kv : env)
                setenv(kv.first.c_str(), kv.second.c_str(), 1);
            std::string filter = "--gtest_filter=" + test;
            execl("/proc/self/exe", "child", filter.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        ok_ = pid_ > 0;
#endif
    }

    // Exit status of the child; -1 when it could not be started or was killed.
    int wait() {
        if (!ok_)
            return -1;
        ok_ = false;
#ifdef _WIN32
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        return static_cast<int>(code);
#else
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0) {
            if (errno != EINTR)
                return -1;
        }
        std::error_code ec;
        fs::remove_all(tmp_, ec);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

    ~Child() {
        if (ok_)
            wait();
#ifndef _WIN32
        std::error_code ec;
        fs::remove_all(tmp_, ec);
#endif
    }

  private:
    bool ok_ = false;
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
    std::string tmp_;
#endif
};

// Ends this process at once, as a crash would: no shut-down, no destructors.
inline void crash() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 3);
#else
    _exit(3);
#endif
}

} // namespace qmtest
