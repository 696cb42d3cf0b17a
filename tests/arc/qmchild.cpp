// A small client program for the process tests. It writes the arguments it
// received, each ended by a NUL, into the file named by QMCHILD_RECORD. With
// QMCHILD_WAIT set it then waits to be asked to close: on Windows it shows a
// minimised window with that title, unless the title is "-" (no window at
// all); on POSIX it waits for SIGTERM. A close request adds "closed" to the
// record. It ends by itself after QMCHILD_SECONDS (default 60).
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

std::string g_record;

void record(const std::string &text) {
    if (g_record.empty())
        return;
    FILE *f = std::fopen(g_record.c_str(), "ab");
    if (!f)
        return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string env(const char *name) {
    const char *v = std::getenv(name);
    return v ? v : "";
}

#ifdef _WIN32
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE:
        record(std::string("closed", 7));
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        PostQuitMessage(2);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

int waitForClose(const std::string &title, long seconds) {
    if (title == "-") {
        Sleep(static_cast<DWORD>(seconds * 1000));
        return 2;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "QmChildWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("QmChildWindow", title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 360,
                                120, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window)
        return 3;
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    SetTimer(window, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
#else
volatile std::sig_atomic_t g_closed = 0;

void onTerm(int) {
    g_closed = 1;
}

int waitForClose(const std::string &, long seconds) {
    struct sigaction sa = {};
    sa.sa_handler = onTerm;
    sigaction(SIGTERM, &sa, nullptr);
    for (long i = 0; i < seconds * 20 && !g_closed; ++i)
        usleep(50000);
    if (!g_closed)
        return 2;
    record(std::string("closed", 7));
    return 0;
}
#endif

} // namespace

int main(int argc, char **argv) {
    g_record = env("QMCHILD_RECORD");
    std::string args;
    for (int i = 1; i < argc; ++i) {
        args += argv[i];
        args += '\0';
    }
    record(args);
    std::string title = env("QMCHILD_WAIT");
    if (title.empty())
        return 0;
    long seconds = std::atol(env("QMCHILD_SECONDS").c_str());
    return waitForClose(title, seconds > 0 ? seconds : 60);
}
