// Win32 threads, events and thread messages (PostThreadMessage, GetMessage,
// DispatchMessage) behind the platform layer, and the fault report of service
// workers through a vectored exception handler that never handles the fault.
#include "platform/platform.h"

#include <windows.h>

#include <process.h>

#include <cstring>
#include <new>

static_assert(sizeof(MSG) <= sizeof(plat_msg_t::native), "MSG fits the native record");

// ---- threads ----------------------------------------------------------------

struct plat_thread {
    HANDLE handle = nullptr;
    std::function<void()> body;
};

namespace {

unsigned __stdcall threadMain(void *p) {
    auto *t = static_cast<plat_thread *>(p);
    try {
        t->body();
    } catch (...) {
    }
    return 0;
}

} // namespace

plat_thread_t plat_thread_start(std::function<void()> body) {
    auto *t = new (std::nothrow) plat_thread;
    if (!t)
        return nullptr;
    try {
        t->body = std::move(body);
    } catch (...) {
        delete t;
        return nullptr;
    }
    uintptr_t h = _beginthreadex(nullptr, 0, threadMain, t, 0, nullptr);
    if (h == 0) {
        delete t;
        return nullptr;
    }
    t->handle = reinterpret_cast<HANDLE>(h);
    return t;
}

void plat_thread_join(plat_thread_t thread) {
    if (!thread)
        return;
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    delete thread;
}

unsigned long plat_thread_current_id() {
    // A thread gets its message queue with its first call of a window function.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    return GetCurrentThreadId();
}

void plat_sleep_ms(long milliseconds) {
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
}

long long plat_clock_ms() {
    return static_cast<long long>(GetTickCount64());
}

// ---- events -----------------------------------------------------------------

namespace {

HANDLE handleOf(plat_event_t event) {
    return reinterpret_cast<HANDLE>(event);
}

} // namespace

plat_event_t plat_event_create(bool manualReset, bool signalled) {
    HANDLE h = CreateEventA(nullptr, manualReset ? TRUE : FALSE, signalled ? TRUE : FALSE, nullptr);
    return reinterpret_cast<plat_event_t>(h);
}

void plat_event_set(plat_event_t event) {
    if (event)
        SetEvent(handleOf(event));
}

void plat_event_reset(plat_event_t event) {
    if (event)
        ResetEvent(handleOf(event));
}

bool plat_event_is_set(plat_event_t event) {
    return plat_event_wait(event, 0);
}

bool plat_event_wait(plat_event_t event, long milliseconds) {
    if (!event)
        return false;
    DWORD ms = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    return WaitForSingleObject(handleOf(event), ms) == WAIT_OBJECT_0;
}

void plat_event_close(plat_event_t event) {
    if (event)
        CloseHandle(handleOf(event));
}

// ---- thread messages --------------------------------------------------------

namespace {

struct Handler {
    plat_msg_handler_t handler = nullptr;
    void *context = nullptr;
};
thread_local Handler t_handler;

void fromNative(const MSG &m, plat_msg_t &msg) {
    msg.window = m.hwnd;
    msg.message = m.message;
    msg.wparam = static_cast<uintptr_t>(m.wParam);
    msg.lparam = static_cast<intptr_t>(m.lParam);
    std::memcpy(msg.native, &m, sizeof m);
}

} // namespace

bool plat_post_thread_message(unsigned long threadId, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
    return PostThreadMessageA(static_cast<DWORD>(threadId), message, static_cast<WPARAM>(wparam),
                              static_cast<LPARAM>(lparam)) != 0;
}

void plat_post_quit_message(int exitCode) {
    PostQuitMessage(exitCode);
}

int plat_get_message(plat_msg_t &msg, unsigned filterMin, unsigned filterMax) {
    MSG m;
    BOOL rc = GetMessageA(&m, nullptr, filterMin, filterMax);
    if (rc == -1)
        return -1;
    fromNative(m, msg);
    return rc ? 1 : 0;
}

bool plat_peek_message(plat_msg_t &msg, unsigned filterMin, unsigned filterMax, bool remove) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, filterMin, filterMax, remove ? PM_REMOVE : PM_NOREMOVE))
        return false;
    fromNative(m, msg);
    return true;
}

void plat_dispatch_message(const plat_msg_t &msg) {
    MSG m;
    std::memcpy(&m, msg.native, sizeof m);
    // A thread message goes to the registered handler first; then every
    // message is translated and dispatched as the system does it, so a
    // thread timer's callback (WM_TIMER without a window) runs too.
    if (m.hwnd == nullptr && t_handler.handler)
        t_handler.handler(msg, t_handler.context);
    TranslateMessage(&m);
    DispatchMessageA(&m);
}

void plat_set_thread_message_handler(plat_msg_handler_t handler, void *context) {
    t_handler.handler = handler;
    t_handler.context = context;
}

// ---- fault report -----------------------------------------------------------

namespace {

thread_local plat_fault_report_t t_report = nullptr;
LONG g_installed = 0;

// Sees every exception first; reports an error-class exception (access
// violation, division by zero, stack overflow, ...) on a guarded thread once
// and lets the search for a handler go on.
LONG CALLBACK onException(EXCEPTION_POINTERS *info) {
    plat_fault_report_t report = t_report;
    if (!report || !info || !info->ExceptionRecord)
        return EXCEPTION_CONTINUE_SEARCH;
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if ((code & 0xF0000000u) != 0xC0000000u)
        return EXCEPTION_CONTINUE_SEARCH;
    t_report = nullptr;
    report(code, info->ExceptionRecord->ExceptionAddress);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void plat_run_with_fault_report(const std::function<void()> &body, plat_fault_report_t report) {
    if (InterlockedCompareExchange(&g_installed, 1, 0) == 0)
        AddVectoredExceptionHandler(0, onException);
    plat_fault_report_t saved = t_report;
    t_report = report;
    try {
        body();
    } catch (...) {
        t_report = saved;
        throw;
    }
    t_report = saved;
}
