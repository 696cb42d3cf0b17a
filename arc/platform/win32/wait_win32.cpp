// The Win32 view of the wait window: a modeless dialog of the resource script
// with an animate control that plays the library's AVI resource on a thread
// of its own, so it moves while the program works; the text line changes
// through the window's message 0x41C, whose text the view keeps itself.
#include "platform/platform.h"
#include "platform/platform_wait.h"
#include "platform/win32/module_win32.h"
#include "qm32res.h"

#include <windows.h>

#include <commctrl.h>

#include <mutex>

namespace {

// The text line's message (the framework's user message number + 28), and
// the close request of another thread.
enum : UINT { WM_WAIT_TEXT = WM_USER + 28, WM_WAIT_CLOSE = WM_USER + 29 };

// Centres the window over its owner, or over the work area when it has none
// (or the owner is hidden or minimised), and keeps it inside the work area.
void centre(HWND window) {
    RECT area;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        GetWindowRect(GetDesktopWindow(), &area);
    RECT over = area;
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &over);
    RECT own;
    GetWindowRect(window, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = (over.left + over.right - width) / 2;
    int y = (over.top + over.bottom - height) / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

struct plat_wait {
    std::mutex mutex;
    HWND hwnd = nullptr;   // nullptr once the window is gone
    bool detached = false; // closed from another thread: the window frees this
    std::string initialText;
    std::string pending; // the text of the last WM_WAIT_TEXT

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM, LPARAM lparam) {
        if (message == WM_INITDIALOG) {
            auto *wait = reinterpret_cast<plat_wait *>(lparam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
            wait->hwnd = hwnd;
            SetDlgItemTextA(hwnd, IDC_WAIT_TEXT, wait->initialText.c_str());
            centre(hwnd);
            HWND animation = GetDlgItem(hwnd, IDC_WAIT_ANIMATION);
            if (Animate_OpenEx(animation, plat_win32_module(), MAKEINTRESOURCEA(IDR_WAIT_AVI)))
                Animate_Play(animation, 0, -1, -1);
            return FALSE; // nothing in it takes the focus
        }
        auto *wait = reinterpret_cast<plat_wait *>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (!wait)
            return FALSE;
        switch (message) {
        case WM_WAIT_TEXT: {
            std::string text;
            {
                std::lock_guard<std::mutex> lock(wait->mutex);
                text = wait->pending;
            }
            SetDlgItemTextA(hwnd, IDC_WAIT_TEXT, text.c_str());
            return TRUE;
        }
        case WM_WAIT_CLOSE:
            DestroyWindow(hwnd);
            return TRUE;
        case WM_CLOSE:
        case WM_COMMAND:
            return TRUE; // only UTL_WaitStop closes the wait window
        case WM_DESTROY:
            Animate_Close(GetDlgItem(hwnd, IDC_WAIT_ANIMATION));
            return FALSE;
        case WM_NCDESTROY: {
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            bool free;
            {
                std::lock_guard<std::mutex> lock(wait->mutex);
                wait->hwnd = nullptr;
                free = wait->detached;
            }
            if (free)
                delete wait;
            return FALSE;
        }
        default:
            return FALSE;
        }
    }
};

plat_wait_t plat_wait_open(const std::string &text) {
    static const bool controls = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_ANIMATE_CLASS};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)controls;
    auto *wait = new plat_wait;
    wait->initialText = text;
    HWND hwnd =
        CreateDialogParamA(plat_win32_module(), MAKEINTRESOURCEA(IDD_WAIT), GetActiveWindow(),
                           plat_wait::Proc, reinterpret_cast<LPARAM>(wait));
    if (!hwnd) {
        delete wait;
        return nullptr;
    }
    SetWindowTextA(hwnd, text.c_str());
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return wait;
}

bool plat_wait_alive(plat_wait_t wait) {
    if (!wait)
        return false;
    std::lock_guard<std::mutex> lock(wait->mutex);
    return wait->hwnd && IsWindow(wait->hwnd);
}

void plat_wait_set_caption(plat_wait_t wait, const std::string &text) {
    if (!wait)
        return;
    HWND hwnd;
    {
        std::lock_guard<std::mutex> lock(wait->mutex);
        hwnd = wait->hwnd;
    }
    if (hwnd)
        SetWindowTextA(hwnd, text.c_str());
}

void plat_wait_post_text(plat_wait_t wait, const std::string &text) {
    if (!wait)
        return;
    std::lock_guard<std::mutex> lock(wait->mutex);
    if (!wait->hwnd)
        return;
    wait->pending = text;
    PostMessageA(wait->hwnd, WM_WAIT_TEXT, 0, 0);
}

void plat_wait_close(plat_wait_t wait) {
    if (!wait)
        return;
    HWND hwnd;
    {
        std::lock_guard<std::mutex> lock(wait->mutex);
        hwnd = wait->hwnd;
        if (hwnd && GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
            // Only the window's own thread can destroy it; it frees the view then.
            wait->detached = true;
            if (PostMessageA(hwnd, WM_WAIT_CLOSE, 0, 0))
                return;
            // The request cannot be queued: the window is left to its thread
            // without the view, which goes now.
            wait->detached = false;
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            hwnd = nullptr;
        }
    }
    if (hwnd)
        DestroyWindow(hwnd); // WM_NCDESTROY leaves the view to this thread
    delete wait;
}
