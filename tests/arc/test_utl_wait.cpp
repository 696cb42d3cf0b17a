// Tests of the wait window. Windows: the modeless dialog with its animation
// and text line, texts posted from any thread (copied when posted), closed
// from another thread, centred over its owner. POSIX: the status line on a
// terminal of the test's own (a pseudo-terminal), and silence without one.
#include "qmtest.h"

#include <chrono>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

// Runs this thread's messages for `milliseconds`, as a program's loop would.
void pump(int milliseconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (std::chrono::steady_clock::now() < end);
}

BOOL CALLBACK findWait(HWND window, LPARAM found) {
    if (GetDlgItem(window, 1000) && GetDlgItem(window, 1003)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The wait window of this thread, or nullptr.
HWND waitWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findWait, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string textOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string lineOf(HWND window) {
    return textOf(GetDlgItem(window, 1003));
}

POINT centreOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace

TEST(UtlWait, WindowShowsItsTextAndTakesMessages) {
    EXPECT_EQ(UTL_WaitMessage("nobody waits"), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 28, WM_USER + 28, PM_REMOVE))
        << "no message without a wait window";
    EXPECT_EQ(UTL_WaitStop(), 0);

    EXPECT_EQ(UTL_WaitStart("Loading the ledgers"), 0);
    HWND window = waitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(textOf(window), "Loading the ledgers");
    EXPECT_EQ(lineOf(window), "Loading the ledgers");
    char kind[64] = "";
    GetClassNameA(GetDlgItem(window, 1000), kind, sizeof kind);
    EXPECT_STREQ(kind, "SysAnimate32");
    RECT units = {0, 0, 188, 46}, client;
    MapDialogRect(window, &units);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    // The text is copied when it is posted: the caller may reuse its buffer.
    char buffer[32] = "Posting 1 of 2";
    EXPECT_EQ(UTL_WaitMessage(buffer), 0);
    std::strcpy(buffer, "overwritten");
    EXPECT_EQ(lineOf(window), "Loading the ledgers") << "shown when the window takes it up";
    pump(200);
    EXPECT_EQ(lineOf(window), "Posting 1 of 2");
    std::thread([] { UTL_WaitMessage("From a worker thread"); }).join();
    pump(200);
    EXPECT_EQ(lineOf(window), "From a worker thread");

    // A second start keeps the window and gives it the new caption.
    EXPECT_EQ(UTL_WaitStart("Posting the journal"), 0);
    EXPECT_EQ(waitWindow(), window);
    EXPECT_EQ(textOf(window), "Posting the journal");
    if (int hold = std::atoi(qmtest::getEnv("QMTEST_WAIT_HOLD_MS").c_str())) {
        // Time for a screenshot, with a text line longer than the window.
        EXPECT_EQ(UTL_WaitMessage("Posting the journal entries of the closing period for company "
                                  "0042 and its subsidiaries"),
                  0);
        pump(hold);
    }
    EXPECT_EQ(UTL_WaitStop(), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(UTL_WaitStop(), 0);
}

TEST(UtlWait, ClosedFromAnotherThreadAndCentredOverItsOwner) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmWaitOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowA("QmWaitOwner", "Ledger", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 60,
                               500, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    SetActiveWindow(owner);
    pump(100);
    ASSERT_EQ(GetActiveWindow(), owner);

    EXPECT_EQ(UTL_WaitStart("Closing from a worker"), 0);
    HWND window = waitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
    POINT a = centreOf(window), b = centreOf(owner);
    EXPECT_LE(std::abs(a.x - b.x), 1);
    EXPECT_LE(std::abs(a.y - b.y), 1);

    std::thread([] { UTL_WaitStop(); }).join();
    pump(200);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(UTL_WaitMessage("after the stop"), 0);

    // A window closed with its owner is opened anew by the next start.
    EXPECT_EQ(UTL_WaitStart("With the owner"), 0);
    window = waitWindow();
    ASSERT_NE(window, nullptr);
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(UTL_WaitMessage("owner gone"), 0);
    EXPECT_EQ(UTL_WaitStart("Once more"), 0);
    HWND again = waitWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(lineOf(again), "Once more");
    EXPECT_EQ(UTL_WaitStop(), 0);
    EXPECT_FALSE(IsWindow(again));
}

#else

namespace {

// What the terminal received within `milliseconds`.
std::string received(int master, int milliseconds = 300) {
    std::string out;
    for (;;) {
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, milliseconds) <= 0)
            return out;
        char buf[256];
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            return out;
        out.append(buf, static_cast<std::size_t>(n));
        milliseconds = 50; // the rest of one write follows at once
    }
}

} // namespace

// Runs in a child: a session of its own, either without any terminal or
// with a pseudo-terminal of 20 columns as its controlling terminal.
TEST(UtlWaitChild, Session) {
    std::string mode = qmtest::getEnv("QMTEST_WAIT_CHILD");
    if (mode.empty())
        GTEST_SKIP() << "runs as a child of the UtlWait tests";
    ASSERT_NE(setsid(), -1);
    if (mode == "none") {
        // Standard output and error go to a file, which must stay empty.
        std::string dir = qmtest::makeTempDir("qm32wait");
        std::string file = qmtest::join(dir, "out");
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        int out = dup(1), err = dup(2);
        dup2(fd, 1);
        dup2(fd, 2);
        long a = UTL_WaitStart("Nobody sees this");
        long b = UTL_WaitMessage("nor this");
        long c = UTL_WaitStop();
        dup2(out, 1);
        dup2(err, 2);
        close(fd);
        EXPECT_EQ(a + b + c, 0);
        EXPECT_EQ(qmtest::readFile(file), "");
        std::filesystem::remove_all(dir);
        return;
    }
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    struct winsize ws = {};
    ws.ws_row = 24;
    ws.ws_col = 20;
    ASSERT_EQ(ioctl(master, TIOCSWINSZ, &ws), 0);
    // The first terminal a session leader opens becomes its controlling one.
    int slave = open(ptsname(master), O_RDWR);
    ASSERT_GE(slave, 0);
    struct termios t;
    ASSERT_EQ(tcgetattr(slave, &t), 0);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST); // bytes arrive as written
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &t), 0);

    struct Step {
        char call; // S start, M message, E stop
        const char *text;
        const char *expect;
    } steps[] = {
        {'M', "no window yet", ""},
        {'S', "Copying files", "\rCopying files\x1b[K"},
        {'S', "Second start", ""}, // the open line keeps its text
        {'M', "Step 2 of 3", "\rStep 2 of 3\x1b[K"},
        {'M', "tab\tesc\x1b]0;x\a!", "\rtab esc ]0;x !\x1b[K"},
        // A text wider than the 19 columns ends with an ellipsis; a column
        // holds one character, whatever its bytes.
        {'M', "a text longer than twenty", "\ra text longer th...\x1b[K"},
        {'M', "aaaaaaaaaaaaaaaaaa\xc3\xb6", "\raaaaaaaaaaaaaaaaaa\xc3\xb6\x1b[K"},
        {'M', "aaaaaaaaaaaaaaa\xc3\xb6\xc3\xb6\xc3\xb6\xc3\xb6\xc3\xb6",
         "\raaaaaaaaaaaaaaa\xc3\xb6...\x1b[K"},
        {'M', "", "\r\x1b[K"},
        {'E', nullptr, "\r\x1b[K"},
        {'E', nullptr, ""},
        {'M', "after the stop", ""},
    };
    int i = 0;
    for (const Step &s : steps) {
        long rc = s.call == 'S'   ? UTL_WaitStart(s.text)
                  : s.call == 'M' ? UTL_WaitMessage(s.text)
                                  : UTL_WaitStop();
        EXPECT_EQ(rc, 0) << "step " << i;
        EXPECT_EQ(received(master, *s.expect ? 1000 : 200), s.expect) << "step " << i;
        ++i;
    }
    signal(SIGHUP, SIG_IGN); // closing its terminal hangs the session up
    close(slave);
    close(master);
}

TEST(UtlWait, SilentWithoutATerminal) {
    qmtest::Child child("UtlWaitChild.Session", {{"QMTEST_WAIT_CHILD", "none"}});
    EXPECT_EQ(child.wait(), 0);
}

TEST(UtlWait, StatusLineOnTheTerminal) {
    qmtest::Child child("UtlWaitChild.Session", {{"QMTEST_WAIT_CHILD", "pty"}});
    EXPECT_EQ(child.wait(), 0);
}

#endif
