// The Logon window on a terminal (POSIX): a child of this program runs
// SEC_LoginUser inside a tmux session that the test types into; the typed
// password never reaches the screen nor the scrollback, Enter logs on, Escape
// cancels. Without a controlling terminal the logon is cancelled at once.
#include "qmtest.h"

#include <chrono>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "qmhost_process.h"

using qmtest::Env;

namespace {

// ---- the child: one logon on whatever terminal it has --------------------------

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
    auto started = std::chrono::steady_clock::now();
    int result = SEC_LoginUser();
    long ms = qmhost::msSince(started);
    qmtest::writeFile(out + ".tmp",
                      std::to_string(result) + " " + qmtest::userId() + " " + std::to_string(ms));
    std::rename((out + ".tmp").c_str(), out.c_str());
}

// Runs when QM32_TERMINAL_ERROR names a file: one earlier entry in the log,
// then ERR_HandleError of a severity-8 record; writes the window's result.
TEST(TerminalChild, ErrorWindow) {
    std::string out = qmtest::getEnv("QM32_TERMINAL_ERROR");
    if (out.empty())
        GTEST_SKIP() << "runs as a child of the terminal tests";
    Env env;
    _qm32SetDialogHook(nullptr); // the terminal view
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = 1234;
    r.ulSeverity = 8;
    r.ulErrorType = 'A';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, "The payroll run could not be started.");
    _qm32SetField(r.szApplication, sizeof r.szApplication, "Payroll");
    _qm32SetField(r.szModule, sizeof r.szModule, "payroll.exe");
    long result = ERR_HandleError(&r);
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

class Tmux {
  public:
    Tmux(const std::string &command, const std::vector<std::string> &env) {
        socket_ = "qm32test" + std::to_string(getpid());
        std::string cmd = "tmux -L " + socket_ + " new-session -d -x 90 -y 24";
        for (const std::string &e : env)
            cmd += " -e '" + e + "'";
        cmd += " '" + command + "; sleep 30'";
        ok_ = std::system(cmd.c_str()) == 0;
    }
    ~Tmux() { std::system(("tmux -L " + socket_ + " kill-server 2>/dev/null").c_str()); }
    bool ok() const { return ok_; }
    // The screen, or with `history` the whole scrollback too.
    std::string screen(bool history = false) {
        return run("tmux -L " + socket_ + " capture-pane -p" + (history ? " -S -" : "") + " -t 0");
    }
    void keys(const std::string &keys) {
        std::system(("tmux -L " + socket_ + " send-keys -t 0 " + keys).c_str());
    }
    bool waitFor(const std::string &text) {
        for (int i = 0; i < 200; ++i) {
            if (screen().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

  private:
    std::string socket_;
    bool ok_ = false;
};

std::string waitForFile(const std::string &path) {
    for (int i = 0; i < 200; ++i) {
        if (qmtest::fs::exists(path))
            return qmtest::readFile(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
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
    }
    void TearDown() override {
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

} // namespace
