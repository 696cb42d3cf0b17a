// The Logon window on a terminal (POSIX): a child of this program runs
// SEC_LoginUser inside a tmux session that the test types into; the typed
// password never reaches the screen nor the scrollback, Enter logs on, Escape
// cancels. Without a controlling terminal the logon is cancelled at once. A
// signal that ends the process gives the terminal back; the windows fit the
// terminal's size; a box of another thread is drawn inside the window.
#include "qmtest.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <algorithm>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "qmhost_process.h"

using qmtest::Env;

namespace {

// ---- the child: one logon on whatever terminal it has --------------------------

// What every child does first, as its parent's environment asks: tell its
// process id, install a SIGTERM handler of the program's own (which notes
// that it ran and ends the process), and show boxes on the terminal instead
// of the tests' capture.
void childSetUp() {
    std::string pidFile = qmtest::getEnv("QM32_TERMINAL_PID");
    if (!pidFile.empty()) {
        qmtest::writeFile(pidFile + ".tmp", std::to_string(getpid()));
        std::rename((pidFile + ".tmp").c_str(), pidFile.c_str());
    }
    static std::string handlerFile;
    handlerFile = qmtest::getEnv("QM32_TERMINAL_HANDLER");
    if (!handlerFile.empty())
        std::signal(SIGTERM, [](int) {
            int fd = open(handlerFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                (void)!write(fd, "ran", 3);
                close(fd);
            }
            _exit(7);
        });
    if (qmtest::getEnv("QM32_TERMINAL_BOXES") == "1")
        _qm32SetMessageBoxHook(nullptr);
}

// Runs when QM32_TERMINAL_RESULT names a file: logs on with the host on
// QM32_TERMINAL_PORT and writes "<result> <user id>" to that file.
TEST(TerminalChild, Logon) {
    std::string out = qmtest::getEnv("QM32_TERMINAL_RESULT");
    if (out.empty())
        GTEST_SKIP() << "runs as a child of the terminal tests";
    Env::Options o;
    o.iniExtra =
        "LastLoginID=alice\nSvcHost=127.0.0.1\nSvcPort=" + qmtest::getEnv("QM32_TERMINAL_PORT") +
        "\nSvcHostType=A\nDatabaseID=FINDB\nSvcTimeout=10\n";
    Env env(o);
    _qm32SetDialogHook(nullptr); // the terminal view
    childSetUp();
    auto started = std::chrono::steady_clock::now();
    int result = SEC_LoginUser();
    long ms = qmhost::msSince(started);
    qmtest::writeFile(out + ".tmp",
                      std::to_string(result) + " " + qmtest::userId() + " " + std::to_string(ms));
    std::rename((out + ".tmp").c_str(), out.c_str());
}

// Runs when QM32_TERMINAL_ERROR names a file: one earlier entry in the log,
// then ERR_HandleError of a severity-8 record; writes the window's result.
// QM32_TERMINAL_LONG=1 gives the record long texts. QM32_TERMINAL_FOREIGN
// names a file: once it exists, another thread makes a service call that
// fails (nobody listens) after the message file was removed, so the failure
// raises boxes on that thread; its result goes to that file + ".done".
// QM32_TERMINAL_FAULT names a file: once it exists, a service call's worker
// faults.
TEST(TerminalChild, ErrorWindow) {
    std::string out = qmtest::getEnv("QM32_TERMINAL_ERROR");
    if (out.empty())
        GTEST_SKIP() << "runs as a child of the terminal tests";
    Env env;
    _qm32SetDialogHook(nullptr); // the terminal view
    childSetUp();
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = 1234;
    r.ulSeverity = 8;
    r.ulErrorType = 'A';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, "The payroll run could not be started.");
    _qm32SetField(r.szApplication, sizeof r.szApplication, "Payroll");
    _qm32SetField(r.szModule, sizeof r.szModule, "payroll.exe");
    if (qmtest::getEnv("QM32_TERMINAL_LONG") == "1") {
        std::string data;
        for (int i = 0; data.size() < 250; ++i)
            data += "ledger" + std::to_string(i) + " ";
        _qm32SetField(r.szErrorData, sizeof r.szErrorData, data.c_str());
        _qm32SetField(r.szErrorText, sizeof r.szErrorText,
                      "The payroll run could not be started because the ledger of the "
                      "previous period is still open for posting.");
    }
    std::thread foreign;
    std::string go = qmtest::getEnv("QM32_TERMINAL_FOREIGN");
    if (!go.empty()) {
        qmtest::writeFile(env.iniPath, "[32-bit Architecture]\nMessageFile=" + env.messagePath +
                                           "\nDebugLevel=0\nSvcHost=127.0.0.1\nSvcPort=" +
                                           qmtest::getEnv("QM32_TERMINAL_PORT") +
                                           "\nSvcHostType=A\nDatabaseID=FINDB\n");
        foreign = std::thread([&env, go] {
            while (!qmtest::fs::exists(go))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            UTL_SetId("alice", "secret1");
            std::remove(env.messagePath.c_str());
            DAA_SERVICE_BLOCK block;
            std::memset(&block, 0, sizeof block);
            block.lService = 429;
            block.ulRequestType = 'S';
            _qm32SetField(block.szFormat, sizeof block.szFormat, "k88");
            char request[128] = {0}, answer[512] = {0};
            long rc = DAA_InvokeService_NoThread(&block, request, answer);
            qmtest::writeFile(go + ".done", std::to_string(rc));
        });
    }
    std::string fault = qmtest::getEnv("QM32_TERMINAL_FAULT");
    if (!fault.empty()) {
        // A fault on a guarded worker: a test call whose request is no valid address.
        foreign = std::thread([fault] {
            while (!qmtest::fs::exists(fault))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            DAA_SERVICE_BLOCK block;
            std::memset(&block, 0, sizeof block);
            block.ulRequestType = 'T';
            char answer[64];
            DAA_InvokeService_NoThread(&block, reinterpret_cast<void *>(uintptr_t(16)), answer);
        });
    }
    long result = ERR_HandleError(&r);
    if (foreign.joinable())
        foreign.join();
    qmtest::writeFile(out + ".tmp", std::to_string(result));
    std::rename((out + ".tmp").c_str(), out.c_str());
}

// ---- tmux ------------------------------------------------------------------------

std::string run(const std::string &cmd) {
    std::string text;
    if (FILE *p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            text.append(buf, n);
        pclose(p);
    }
    return text;
}

// The temporary folder of the children: a child that a signal or the end of
// its tmux server ends leaves its files there, under the test's own folder.
std::string g_childTmp;

// A tmux server of its own running one command in a pane of cols x rows.
// Waits are for content, with a generous limit, so a loaded machine only
// makes them slower.
class Tmux {
  public:
    Tmux(const std::string &command, const std::vector<std::string> &env, int cols = 90,
         int rows = 24, const std::string &after = "; sleep 30") {
        socket_ = "qm32test" + std::to_string(getpid()) + "_" + std::to_string(++count());
        std::string cmd = "tmux -L " + socket_ + " -f /dev/null new-session -d -x " +
                          std::to_string(cols) + " -y " + std::to_string(rows);
        for (const std::string &e : env)
            cmd += " -e '" + e + "'";
        if (!g_childTmp.empty())
            cmd += " -e 'TMPDIR=" + g_childTmp + "'";
        cmd += " '" + command + after + "'";
        ok_ = std::system(cmd.c_str()) == 0;
        if (ok_)
            pane_ = std::atoi(value("#{pane_pid}").c_str());
    }
    // Ends the server and waits until the pane's processes (one process
    // group, the pane's shell not controlling jobs) have ended, so nothing
    // of theirs is written after the test.
    ~Tmux() {
        std::system(("tmux -L " + socket_ + " kill-server 2>/dev/null").c_str());
        if (pane_ > 1)
            waitUntil([&] { return !groupRuns(pane_); });
    }
    bool ok() const { return ok_; }
    // The screen, or with `history` the whole scrollback too.
    std::string screen(bool history = false) {
        return run("tmux -L " + socket_ + " capture-pane -p" + (history ? " -S -" : "") + " -t 0");
    }
    // A value of the pane, e.g. "#{alternate_on}".
    std::string value(const std::string &format) {
        std::string v = run("tmux -L " + socket_ + " display-message -p -t 0 '" + format + "'");
        while (!v.empty() && (v.back() == '\n' || v.back() == '\r'))
            v.pop_back();
        return v;
    }
    void keys(const std::string &keys) {
        std::system(("tmux -L " + socket_ + " send-keys -t 0 " + keys).c_str());
    }
    void resize(int cols, int rows) {
        std::system(("tmux -L " + socket_ + " resize-window -t 0 -x " + std::to_string(cols) +
                     " -y " + std::to_string(rows))
                        .c_str());
    }
    bool waitFor(const std::string &text) {
        return waitUntil([&] { return screen().find(text) != std::string::npos; });
    }
    template <typename F> static bool waitUntil(F done) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return done();
    }

  private:
    // True while a process of group `group` runs (ended ones that nobody has
    // reaped yet do not count).
    static bool groupRuns(pid_t group) {
        std::error_code ec;
        for (const auto &entry : qmtest::fs::directory_iterator("/proc", ec)) {
            std::string stat = qmtest::readFile((entry.path() / "stat").string());
            std::size_t paren = stat.rfind(')');
            if (paren == std::string::npos)
                continue;
            char state = 0;
            long parent = 0, pgrp = 0;
            if (std::sscanf(stat.c_str() + paren + 1, " %c %ld %ld", &state, &parent, &pgrp) == 3 &&
                pgrp == group && state != 'Z')
                return true;
        }
        return false;
    }
    static int &count() {
        static int n = 0;
        return n;
    }
    std::string socket_;
    bool ok_ = false;
    pid_t pane_ = 0;
};

std::string waitForFile(const std::string &path) {
    if (Tmux::waitUntil([&] { return qmtest::fs::exists(path); }))
        return qmtest::readFile(path);
    return "<no result>";
}

std::string self() {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    return std::string(exe, n > 0 ? static_cast<std::size_t>(n) : 0);
}

class Terminal : public ::testing::Test {
  protected:
    void SetUp() override {
        if (run("command -v tmux").empty())
            GTEST_SKIP() << "tmux is not installed";
        host.reset(new qmhost::HostProcess(QMHOST_BIN, {}));
        dir = qmtest::makeTempDir("qm32tty");
        result = qmtest::join(dir, "result");
        g_childTmp = dir;
    }
    void TearDown() override {
        g_childTmp.clear();
        std::error_code ec;
        qmtest::fs::remove_all(dir, ec);
    }
    std::unique_ptr<Tmux> start() {
        return std::unique_ptr<Tmux>(
            new Tmux(self() + " --gtest_filter=TerminalChild.Logon",
                     {"QM32_TERMINAL_RESULT=" + result,
                      "QM32_TERMINAL_PORT=" + std::to_string(host->port())}));
    }
    std::unique_ptr<qmhost::HostProcess> host;
    std::string dir, result;
};

TEST_F(Terminal, EnterLogsOnAndThePasswordIsNeverShown) {
    auto tmux = start();
    ASSERT_TRUE(tmux->ok());
    ASSERT_TRUE(tmux->waitFor("Password:")) << tmux->screen();
    std::string form = tmux->screen();
    EXPECT_NE(form.find("Logon"), std::string::npos) << form;
    EXPECT_NE(form.find("[alice____"), std::string::npos) << form;
    tmux->keys("secret1");
    ASSERT_TRUE(tmux->waitFor("*******")) << tmux->screen();
    std::string filled = tmux->screen();
    EXPECT_EQ(filled.find("secret1"), std::string::npos) << filled;
    tmux->keys("Enter");
    EXPECT_EQ(waitForFile(result).substr(0, 9), "-1 alice ");
    std::string after = tmux->screen(true);
    EXPECT_EQ(after.find("secret1"), std::string::npos) << after;
    EXPECT_EQ(after.find("Password:"), std::string::npos) << "the form stayed in the scrollback";
}

TEST_F(Terminal, TabMovesAndEscapeCancels) {
    auto tmux = start();
    ASSERT_TRUE(tmux->ok());
    ASSERT_TRUE(tmux->waitFor("Password:")) << tmux->screen();
    // Shift-Tab back to the user id, which is cleared (Ctrl-U) and retyped.
    tmux->keys("BTab C-u bob");
    ASSERT_TRUE(tmux->waitFor("[bob_")) << tmux->screen();
    tmux->keys("Escape");
    EXPECT_EQ(waitForFile(result).substr(0, 3), "0  ");
}

// The Error window: collapsed, D expands, P and N page, Enter presses OK.
// QM32_TERMINAL_SHOTS names a folder that keeps the screens for people.
TEST_F(Terminal, ErrorWindowKeys) {
    Tmux tmux(self() + " --gtest_filter=TerminalChild.ErrorWindow",
              {"QM32_TERMINAL_ERROR=" + result});
    ASSERT_TRUE(tmux.ok());
    ASSERT_TRUE(tmux.waitFor("[ Details >> ]")) << tmux.screen();
    std::string shots = qmtest::getEnv("QM32_TERMINAL_SHOTS");
    auto keep = [&](const char *name, const std::string &screen) {
        if (!shots.empty())
            qmtest::writeFile(qmtest::join(shots, name), screen);
    };
    std::string collapsed = tmux.screen();
    keep("error_collapsed.txt", collapsed);
    EXPECT_NE(collapsed.find("(!) An error occurred in the application."), std::string::npos)
        << collapsed;
    EXPECT_EQ(collapsed.find("Previous"), std::string::npos) << collapsed;
    tmux.keys("d");
    ASSERT_TRUE(tmux.waitFor("Error Data - Current Error")) << tmux.screen();
    std::string expanded = tmux.screen();
    keep("error_expanded.txt", expanded);
    EXPECT_NE(expanded.find("Error Text: The payroll run could not be started."), std::string::npos)
        << expanded;
    tmux.keys("p");
    ASSERT_TRUE(tmux.waitFor("Error Details - Record 1 of 1")) << tmux.screen();
    keep("error_record.txt", tmux.screen());
    tmux.keys("n");
    ASSERT_TRUE(tmux.waitFor("Error Data - Current Error")) << tmux.screen();
    tmux.keys("Enter");
    EXPECT_EQ(waitForFile(result), "1");
}

TEST_F(Terminal, WithoutATerminalTheLogonIsCancelledAtOnce) {
    // A new session has no controlling terminal; standard input is a pipe
    // holding an identity, which must never be read.
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(write(in[1], "alice\nsecret1\n", 14), 14);
    std::string exe = self(), filter = "--gtest_filter=TerminalChild.Logon";
    std::string r = "QM32_TERMINAL_RESULT=" + result;
    std::string p = "QM32_TERMINAL_PORT=" + std::to_string(host->port());
    std::string w = "WINDIR=" + dir;
    char *argv[] = {&exe[0], &filter[0], nullptr};
    char *envp[] = {&r[0], &p[0], &w[0], nullptr};
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setsid();
        dup2(in[0], 0);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execve(argv[0], argv, envp);
        _exit(127);
    }
    std::string got = waitForFile(result);
    int status = 0;
    waitpid(pid, &status, 0);
    close(in[1]);
    // Everything written is still in the pipe.
    char left[32];
    EXPECT_EQ(read(in[0], left, sizeof left), 14);
    close(in[0]);
    ASSERT_EQ(got.substr(0, 3), "0  ") << got;
    long ms = std::atol(got.substr(3).c_str());
    EXPECT_LT(ms, 1000) << "the logon waited";
}

// ---- what a user sees -----------------------------------------------------------

std::vector<std::string> lines(const std::string &screen) {
    std::vector<std::string> out;
    std::string line;
    for (char c : screen) {
        if (c == '\n') {
            out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        out.push_back(line);
    return out;
}

char cell(const std::vector<std::string> &l, std::size_t row, std::size_t col) {
    return row < l.size() && col < l[row].size() ? l[row][col] : ' ';
}

// What is wrong with a captured screen of cols x rows: the window's frame
// (a row "+-...+", rows "|...|", a row "+---+", corners in the same columns)
// and the frame of a message box (the one holding "[ OK ]") must be whole and
// inside the screen. The box may hide the window's borders it covers.
std::vector<std::string> screenProblems(const std::string &screen, int cols, int rows) {
    std::vector<std::string> problems, l = lines(screen);
    if (static_cast<int>(l.size()) > rows)
        problems.push_back("more rows than the screen");
    for (const std::string &row : l)
        if (static_cast<int>(row.size()) > cols)
            problems.push_back("a row wider than the screen: " + row);
    // The box: its button row, then its borders up and down.
    std::size_t boxTop = 0, boxBottom = 0, b0 = 0, b1 = 0;
    bool box = false;
    for (std::size_t r = 0; r < l.size() && !box; ++r) {
        std::size_t ok = l[r].find("[ OK ]");
        if (ok == std::string::npos)
            continue;
        b0 = l[r].rfind('|', ok);
        b1 = l[r].find('|', ok);
        if (b0 == std::string::npos || b1 == std::string::npos) {
            problems.push_back("the box's button row has no borders");
            return problems;
        }
        box = true;
        boxTop = r;
        while (boxTop > 0 && cell(l, boxTop, b0) == '|')
            --boxTop;
        boxBottom = r + 1;
        if (cell(l, boxTop, b0) != '+' || cell(l, boxTop, b1) != '+' ||
            cell(l, boxBottom, b0) != '+' || cell(l, boxBottom, b1) != '+')
            problems.push_back("the box's frame is broken");
        if (static_cast<int>(b1) >= cols)
            problems.push_back("the box leaves the screen");
    }
    auto hidden = [&](std::size_t r, std::size_t c) {
        return box && r >= boxTop && r <= boxBottom && c >= b0 && c <= b1;
    };
    std::size_t top = 0;
    while (top < l.size() && l[top].find("+-") == std::string::npos)
        ++top;
    if (top == l.size()) {
        problems.push_back("no window frame");
        return problems;
    }
    std::size_t c0 = l[top].find('+'), c1 = l[top].rfind('+');
    if (c1 == c0 || static_cast<int>(c1) >= cols)
        problems.push_back("the window's top border is cut");
    for (std::size_t r = top + 1;; ++r) {
        if (r >= l.size()) {
            problems.push_back("the window's frame is not closed");
            break;
        }
        if (cell(l, r, c0) == '+' && cell(l, r, c1) == '+' &&
            l[r].find_first_not_of('-', c0 + 1) == c1)
            break;
        for (std::size_t c : {c0, c1})
            if (cell(l, r, c) != '|' && !hidden(r, c))
                problems.push_back("row " + std::to_string(r + 1) + " breaks the border: " + l[r]);
    }
    return problems;
}

// A port that nobody listens on: taken from the system, then closed.
std::string closedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (s >= 0)
        close(s);
    return std::to_string(port);
}

class Signals : public Terminal {};

// A signal while a window holds the terminal: the shell the user returns to
// has its mode (echo, line editing) and the normal screen back.
TEST_F(Signals, TheTerminalIsGivenBack) {
    struct Case {
        const char *name;
        int sig;      // 0: a fault on a service call's worker instead
        bool box;     // the Error window (with a message box unless a fault), else Logon
        bool handler; // the program installed a SIGTERM handler of its own
    } cases[] = {
        {"SIGTERM on the Logon window", SIGTERM, false, false},
        {"SIGINT on the Logon window", SIGINT, false, false},
        {"SIGHUP on the Logon window", SIGHUP, false, false},
        {"SIGQUIT on the Logon window", SIGQUIT, false, false},
        {"SIGTERM on a message box", SIGTERM, true, false},
        {"SIGINT on a message box", SIGINT, true, false},
        {"SIGTERM with the program's own handler", SIGTERM, false, true},
        {"a fault on a worker under the Error window", 0, true, false},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string tag = dir + "/" + std::to_string(n++);
        std::vector<std::string> env = {"QM32_TERMINAL_PID=" + tag + ".pid",
                                        "QM32_TERMINAL_BOXES=1"};
        if (c.handler)
            env.push_back("QM32_TERMINAL_HANDLER=" + tag + ".handler");
        if (c.sig == 0)
            env.push_back("QM32_TERMINAL_FAULT=" + tag + ".fault");
        if (c.box) {
            env.push_back("QM32_TERMINAL_ERROR=" + tag + ".result");
        } else {
            env.push_back("QM32_TERMINAL_RESULT=" + tag + ".result");
            env.push_back("QM32_TERMINAL_PORT=" + std::to_string(host->port()));
        }
        // No core file of the signals and the fault that end the child.
        Tmux tmux("ulimit -c 0; " + self() + " --gtest_filter=TerminalChild." +
                      (c.box ? "ErrorWindow" : "Logon"),
                  env, 90, 24, "; stty -a; echo SHELL-BACK; exec cat");
        ASSERT_TRUE(tmux.ok());
        std::string pid = waitForFile(tag + ".pid");
        if (c.box) {
            ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
            if (c.sig != 0) {
                tmux.keys("s");
                ASSERT_TRUE(tmux.waitFor("Enter: OK")) << tmux.screen();
            }
        } else {
            ASSERT_TRUE(tmux.waitFor("Password:")) << tmux.screen();
        }
        EXPECT_EQ(tmux.value("#{alternate_on}"), "1");
        if (c.sig == 0)
            qmtest::writeFile(tag + ".fault", "go");
        else
            ASSERT_EQ(kill(static_cast<pid_t>(std::atol(pid.c_str())), c.sig), 0);
        ASSERT_TRUE(tmux.waitFor("SHELL-BACK")) << tmux.screen();
        EXPECT_EQ(tmux.value("#{alternate_on}"), "0");
        std::string shown = tmux.screen(true);
        std::vector<std::string> flags;
        std::string word;
        for (char ch : shown + " ") {
            if (ch == ' ' || ch == '\n' || ch == ';') {
                if (!word.empty())
                    flags.push_back(word);
                word.clear();
            } else {
                word += ch;
            }
        }
        auto has = [&](const char *flag) {
            return std::find(flags.begin(), flags.end(), flag) != flags.end();
        };
        EXPECT_TRUE(has("echo") && has("icanon") && has("isig")) << shown;
        EXPECT_FALSE(has("-echo") || has("-icanon") || has("-isig")) << shown;
        // Typed text is echoed by the terminal, then given back by cat.
        tmux.keys("typed-back");
        EXPECT_TRUE(tmux.waitFor("typed-back")) << tmux.screen();
        tmux.keys("Enter");
        EXPECT_TRUE(Tmux::waitUntil([&] {
            std::string s = tmux.screen();
            std::size_t first = s.find("typed-back");
            return first != std::string::npos &&
                   s.find("typed-back", first + 1) != std::string::npos;
        })) << tmux.screen();
        if (c.handler) {
            EXPECT_EQ(waitForFile(tag + ".handler"), "ran");
        }
        EXPECT_FALSE(qmtest::fs::exists(tag + ".result")) << "the window went on";
    }
}

// The Error window expanded over long texts, the box Send raises and the
// Logon window, at the standard size and smaller: every border, button and
// text inside the screen. QM32_TERMINAL_SHOTS names a folder that keeps the
// screens for people.
TEST_F(Terminal, WindowsFitTheScreen) {
    struct Case {
        const char *name;
        int cols, rows;
        const char *window; // "expanded", "send" or "logon"
    } cases[] = {
        {"expanded_80x24", 80, 24, "expanded"}, {"expanded_60x20", 60, 20, "expanded"},
        {"expanded_40x20", 40, 20, "expanded"}, {"send_80x24", 80, 24, "send"},
        {"send_60x20", 60, 20, "send"},         {"send_40x20", 40, 20, "send"},
        {"logon_80x24", 80, 24, "logon"},       {"logon_60x20", 60, 20, "logon"},
        {"logon_40x20", 40, 20, "logon"},
    };
    std::string shots = qmtest::getEnv("QM32_TERMINAL_SHOTS");
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string tag = dir + "/" + std::to_string(n++);
        std::string w = c.window;
        std::vector<std::string> env = {"QM32_TERMINAL_BOXES=1", "QM32_TERMINAL_LONG=1"};
        std::vector<const char *> shown;
        if (w == "logon") {
            env.push_back("QM32_TERMINAL_RESULT=" + tag + ".result");
            env.push_back("QM32_TERMINAL_PORT=" + std::to_string(host->port()));
            shown = {"Logon", "User ID:", "Password:", "< OK >", "[ Cancel ]"};
        } else {
            env.push_back("QM32_TERMINAL_ERROR=" + tag + ".result");
            shown = {"< OK >", "[ Send ]", "[ Details >> ]"};
        }
        Tmux tmux(self() + " --gtest_filter=TerminalChild." +
                      (w == "logon" ? "Logon" : "ErrorWindow"),
                  env, c.cols, c.rows);
        ASSERT_TRUE(tmux.ok());
        std::string screen;
        if (w == "logon") {
            ASSERT_TRUE(tmux.waitFor("[ Cancel ]")) << tmux.screen();
        } else if (w == "expanded") {
            ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
            tmux.keys("d");
            ASSERT_TRUE(tmux.waitFor("Error Data - Current Error")) << tmux.screen();
            shown.push_back("[ << Previous ]");
            shown.push_back("[ Next >> ]");
            shown.push_back("Application: Payroll");
            shown.push_back("PgUp/PgDn");
        } else {
            ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
            tmux.keys("s");
            ASSERT_TRUE(tmux.waitFor("Enter: OK")) << tmux.screen();
            shown = {"[ OK ]", "Unknown message number 30053"};
        }
        screen = tmux.screen();
        if (!shots.empty())
            qmtest::writeFile(qmtest::join(shots, std::string(c.name) + ".txt"), screen);
        for (const std::string &p : screenProblems(screen, c.cols, c.rows))
            ADD_FAILURE() << p << "\n" << screen;
        for (const char *text : shown)
            EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
        if (w == "expanded") {
            // The details scroll inside their frame down to their last line.
            tmux.keys("NPage NPage NPage NPage");
            EXPECT_TRUE(tmux.waitFor("Line: 0")) << tmux.screen();
            for (const std::string &p : screenProblems(tmux.screen(), c.cols, c.rows))
                ADD_FAILURE() << p << "\n" << tmux.screen();
        }
    }
}

// A size change redraws the window for the new size.
TEST_F(Terminal, ASizeChangeRedraws) {
    Tmux tmux(self() + " --gtest_filter=TerminalChild.ErrorWindow",
              {"QM32_TERMINAL_ERROR=" + result, "QM32_TERMINAL_LONG=1"}, 90, 24);
    ASSERT_TRUE(tmux.ok());
    ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
    tmux.keys("d");
    ASSERT_TRUE(tmux.waitFor("Error Data - Current Error")) << tmux.screen();
    tmux.resize(50, 20);
    // The buttons no longer fit on one line of 50 columns.
    EXPECT_TRUE(Tmux::waitUntil([&] {
        std::string s = tmux.screen();
        return s.find("< OK >   [ Details >> ]   [ Send ]   [ <<") == std::string::npos &&
               screenProblems(s, 50, 20).empty();
    })) << tmux.screen();
    tmux.keys("Enter");
    EXPECT_EQ(waitForFile(result), "1");
}

// A box that a service call's failure raises on another thread while the
// Error window is open is drawn inside the window, never on standard error
// under it; the window comes back whole once the box is answered.
TEST_F(Terminal, ABoxOfAFailedCallIsDrawnInsideTheWindow) {
    std::string go = qmtest::join(dir, "go"), errors = qmtest::join(dir, "stderr");
    Tmux tmux(self() + " --gtest_filter=TerminalChild.ErrorWindow 2>" + errors,
              {"QM32_TERMINAL_ERROR=" + result, "QM32_TERMINAL_BOXES=1",
               "QM32_TERMINAL_FOREIGN=" + go, "QM32_TERMINAL_PORT=" + closedPort()});
    ASSERT_TRUE(tmux.ok());
    ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
    qmtest::writeFile(go, "go");
    int boxes = 0;
    std::string firstBox;
    while (boxes < 10) {
        std::string s;
        ASSERT_TRUE(Tmux::waitUntil([&] {
            s = tmux.screen();
            return s.find("[ OK ]") != std::string::npos || qmtest::fs::exists(go + ".done");
        })) << s;
        if (s.find("[ OK ]") == std::string::npos)
            break;
        if (boxes++ == 0)
            firstBox = s;
        for (const std::string &p : screenProblems(s, 90, 24))
            ADD_FAILURE() << p << "\n" << s;
        EXPECT_NE(s.find("[ Send ]"), std::string::npos) << "the window is not under the box\n"
                                                         << s;
        tmux.keys("Enter");
        ASSERT_TRUE(Tmux::waitUntil([&] { return tmux.screen() != s; })) << s;
    }
    EXPECT_GE(boxes, 1);
    EXPECT_NE(firstBox.find("to look-up"), std::string::npos) << firstBox;
    EXPECT_NE(waitForFile(go + ".done"), "0");
    ASSERT_TRUE(tmux.waitFor("[ Send ]")) << tmux.screen();
    EXPECT_EQ(tmux.screen().find("[ OK ]"), std::string::npos) << tmux.screen();
    tmux.keys("Enter");
    EXPECT_EQ(waitForFile(result), "1");
    EXPECT_EQ(qmtest::readFile(errors).find("look-up"), std::string::npos)
        << qmtest::readFile(errors);
}

} // namespace
