// The Win32 view of qm32's windows: a modal dialog built from the resource
// script (qm32.rc) whose events go to the window's portable logic. Password
// edits are ES_PASSWORD controls; texts read from them are cleared after use.
#include "platform/platform.h"
#include "platform/win32/module_win32.h"

#include <windows.h>

#include <vector>

namespace {

class CWin32View : public CDialogView {
  public:
    explicit CWin32View(CDialogLogic &logic) : logic_(logic) {}

    std::string GetText(int id) override {
        HWND control = GetDlgItem(hwnd_, id);
        if (!control)
            return std::string();
        int length = GetWindowTextLengthA(control);
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
        GetWindowTextA(control, buffer.data(), length + 1);
        std::string text(buffer.data());
        plat_wipe(buffer.data(), buffer.size());
        return text;
    }
    void SetText(int id, const std::string &text) override {
        SetDlgItemTextA(hwnd_, id, text.c_str());
    }
    void Enable(int id, bool enabled) override {
        if (HWND control = GetDlgItem(hwnd_, id))
            EnableWindow(control, enabled ? TRUE : FALSE);
    }
    void SetFocus(int id) override {
        if (HWND control = GetDlgItem(hwnd_, id)) {
            if (busy_)
                focusAfterBusy_ = control;
            else
                SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        }
    }
    void SetBusy(bool busy) override {
        if (busy == busy_)
            return;
        if (busy) {
            focusAfterBusy_ = GetFocus();
            busy_ = true;
            EnableWindow(hwnd_, FALSE);
            savedCursor_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        } else {
            busy_ = false;
            EnableWindow(hwnd_, TRUE);
            SetCursor(savedCursor_ ? savedCursor_ : LoadCursor(nullptr, IDC_ARROW));
            if (focusAfterBusy_ && IsChild(hwnd_, focusAfterBusy_))
                SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focusAfterBusy_), TRUE);
        }
    }
    int ShowMessage(const std::string &text, const std::string &caption, unsigned style) override {
        return MessageBoxA(hwnd_, text.c_str(), caption.c_str(), style);
    }
    void EndDialog(int result) override {
        ended_ = true;
        ::EndDialog(hwnd_, result);
    }
    void *Native() override { return hwnd_; }
    void ShowLowerPart(int firstId, bool shown) override {
        HWND first = GetDlgItem(hwnd_, firstId);
        if (!first)
            return;
        RECT window, split;
        GetWindowRect(hwnd_, &window);
        GetWindowRect(first, &split);
        if (fullHeight_ == 0) {
            fullHeight_ = window.bottom - window.top;
            // The window ends a little above the first control of the lower part.
            collapsedHeight_ = split.top - window.top - 2;
            splitTop_ = split.top - window.top;
        }
        // The controls of the lower part are hidden too, so Tab skips them.
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(child, &r);
            if (r.top - window.top >= splitTop_)
                ShowWindow(child, shown ? SW_SHOW : SW_HIDE);
        }
        SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left,
                     shown ? fullHeight_ : collapsedHeight_,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void SetIcon(int id, unsigned icon) override {
        LPCSTR name = icon == PLAT_MB_ICONINFORMATION   ? IDI_INFORMATION
                      : icon == PLAT_MB_ICONEXCLAMATION ? IDI_EXCLAMATION
                      : icon == PLAT_MB_ICONERROR       ? IDI_HAND
                                                        : nullptr;
        HICON h = name ? LoadIconA(nullptr, name) : nullptr;
        SendDlgItemMessageA(hwnd_, id, STM_SETICON, reinterpret_cast<WPARAM>(h), 0);
    }

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        CWin32View *view;
        if (message == WM_INITDIALOG) {
            view = reinterpret_cast<CWin32View *>(lparam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, lparam);
            view->hwnd_ = hwnd;
            return view->init();
        }
        view = reinterpret_cast<CWin32View *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!view)
            return FALSE;
        switch (message) {
        case WM_COMMAND:
            return view->command(LOWORD(wparam), HIWORD(wparam));
        case WM_SETCURSOR:
            if (view->busy_) {
                SetCursor(LoadCursor(nullptr, IDC_WAIT));
                SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    }

  private:
    INT_PTR init() {
        const QM_DIALOG &d = logic_.Dialog();
        for (std::size_t i = 0; i < d.count; ++i) {
            const QM_CONTROL &c = d.controls[i];
            if (c.limit > 0 &&
                (c.kind == QM_CONTROL_KIND::Edit || c.kind == QM_CONTROL_KIND::Password))
                SendDlgItemMessageA(hwnd_, c.id, EM_LIMITTEXT, static_cast<WPARAM>(c.limit), 0);
        }
        initialising_ = true;
        HWND before = GetFocus();
        logic_.OnInit(*this);
        initialising_ = false;
        // FALSE: the logic placed the focus itself.
        return GetFocus() != before && IsChild(hwnd_, GetFocus()) ? FALSE : TRUE;
    }
    INT_PTR command(int id, int code) {
        if (ended_ || busy_)
            return TRUE;
        if (code == EN_CHANGE) {
            if (!initialising_)
                logic_.OnChange(*this, id);
            return TRUE;
        }
        if (code != BN_CLICKED)
            return FALSE;
        // Enter sends the default button's id even while it is disabled.
        HWND control = GetDlgItem(hwnd_, id);
        if (id != QM_IDCANCEL && control && !IsWindowEnabled(control))
            return TRUE;
        logic_.OnCommand(*this, id);
        return TRUE;
    }

    CDialogLogic &logic_;
    HWND hwnd_ = nullptr;
    HWND focusAfterBusy_ = nullptr;
    HCURSOR savedCursor_ = nullptr;
    bool busy_ = false, ended_ = false, initialising_ = false;
    int fullHeight_ = 0, collapsedHeight_ = 0, splitTop_ = 0; // of the window, in pixels
};

} // namespace

int plat_run_dialog(CDialogLogic &logic, void *owner) {
    CWin32View view(logic);
    HWND parent = static_cast<HWND>(owner);
    if (!parent)
        parent = GetActiveWindow();
    INT_PTR result =
        DialogBoxParamA(plat_win32_module(), MAKEINTRESOURCEA(logic.Dialog().resourceId), parent,
                        CWin32View::Proc, reinterpret_cast<LPARAM>(&view));
    return result == -1 ? QM_DIALOG_UNAVAILABLE : static_cast<int>(result);
}
