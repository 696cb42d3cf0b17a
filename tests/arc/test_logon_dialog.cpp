// The Logon and Change Password dialogs on Windows (under wine and xvfb): a
// second thread finds each dialog, fills its edits, checks that OK is enabled
// only while every field is filled, and presses OK or Cancel. The OK cases
// use the ASCII reference host that scripts/test-all starts (QMHOST_PORT).
// With QM32_SCREENSHOT_SYNC=<dir> the thread writes <dir>/<name>.ready once
// a dialog is filled and waits (30 s at most) for <dir>/<name>.done, so a
// script outside can take a screenshot.
#include "qm32res.h"
#include "qmtest.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>

using qmtest::Env;
using qmtest::password;
using qmtest::userId;

namespace {

struct Found {
    const char *caption;
    HWND owner; // nullptr: any
    HWND hwnd;
};

BOOL CALLBACK findProc(HWND hwnd, LPARAM lparam) {
    Found *f = reinterpret_cast<Found *>(lparam);
    char cls[64] = "", text[128] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, text, sizeof text);
    if (std::string(cls) == "#32770" && std::string(text) == f->caption && IsWindowVisible(hwnd) &&
        (!f->owner || GetWindow(hwnd, GW_OWNER) == f->owner) && hwnd != f->owner) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog with this caption (owned by `owner` when given), waiting 15 s at most.
HWND findDialog(const char *caption, HWND owner = nullptr) {
    for (int i = 0; i < 300; ++i) {
        Found f{caption, owner, nullptr};
        EnumWindows(findProc, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd)
            return f.hwnd;
        Sleep(50);
    }
    return nullptr;
}

void type(HWND dlg, int id, const char *text) {
    SendMessageA(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
bool okEnabled(HWND dlg) {
    return IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE;
}
std::string text(HWND dlg, int id) {
    char b[128] = "";
    GetDlgItemTextA(dlg, id, b, sizeof b);
    return b;
}
// Presses a button without waiting for what it does (which may be modal).
void press(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void screenshotPoint(const char *name) {
    std::string dir = qmtest::getEnv("QM32_SCREENSHOT_SYNC");
    if (dir.empty())
        return;
    std::string ready = qmtest::join(dir, std::string(name) + ".ready");
    std::string done = qmtest::join(dir, std::string(name) + ".done");
    qmtest::writeFile(ready, "");
    for (int i = 0; i < 300 && !qmtest::fs::exists(done); ++i)
        Sleep(100);
}

Env::Options options() {
    Env::Options o;
    o.messages = "[ERR_Messages]\n30021=Your password has been changed.\n";
    std::string port = qmtest::getEnv("QMHOST_PORT");
    o.iniExtra = "LastLoginID=alice\nSvcHost=127.0.0.1\nSvcPort=" + (port.empty() ? "1" : port) +
                 "\nSvcHostType=A\nDatabaseID=FINDB\nSvcTimeout=10\n";
    return o;
}

TEST(LogonDialog, OkOnlyWhenBothFieldsAreFilledAndCancelLogsNobodyOn) {
    Env env(options());
    ASSERT_EQ(env.startResult, 0);
    _qm32SetDialogHook(nullptr); // the real dialogs
    std::thread user([] {
        HWND dlg = findDialog("Logon");
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(text(dlg, IDC_LOGON_USERID), "alice");
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui));
        EXPECT_EQ(gui.hwndFocus, GetDlgItem(dlg, IDC_LOGON_PASSWORD));
        EXPECT_FALSE(okEnabled(dlg));
        EXPECT_NE(GetWindowLongA(GetDlgItem(dlg, IDC_LOGON_PASSWORD), GWL_STYLE) & ES_PASSWORD, 0);
        EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDC_LOGON_USERID), EM_GETLIMITTEXT, 0, 0), 50);
        type(dlg, IDC_LOGON_PASSWORD, "secret");
        EXPECT_TRUE(okEnabled(dlg));
        type(dlg, IDC_LOGON_USERID, "");
        EXPECT_FALSE(okEnabled(dlg));
        type(dlg, IDC_LOGON_USERID, "alice");
        EXPECT_TRUE(okEnabled(dlg));
        screenshotPoint("logon");
        press(dlg, IDCANCEL);
    });
    EXPECT_EQ(SEC_LoginUser(), 0);
    user.join();
    EXPECT_EQ(userId(), "");
}

TEST(LogonDialog, OkLogsOnAndChangePasswordChangesIt) {
    if (qmtest::getEnv("QMHOST_PORT").empty())
        GTEST_SKIP() << "no reference host (QMHOST_PORT): scripts/test-all starts one";
    Env env(options());
    ASSERT_EQ(env.startResult, 0);
    _qm32SetDialogHook(nullptr); // the real dialogs
    std::thread user([] {
        HWND dlg = findDialog("Logon");
        ASSERT_NE(dlg, nullptr);
        type(dlg, IDC_LOGON_USERID, "wine");
        type(dlg, IDC_LOGON_PASSWORD, "pww");
        ASSERT_TRUE(okEnabled(dlg));
        press(dlg, IDOK);
    });
    EXPECT_EQ(SEC_LoginUser(), -1);
    user.join();
    EXPECT_EQ(userId(), "wine");
    EXPECT_EQ(SEC_GetClientAccess("gl0100"), 15u);

    // A new password of its own at each run: the host keeps the last one.
    const std::string fresh = "n" + std::to_string(GetTickCount() % 100000000u);
    std::thread change([&fresh] {
        HWND dlg = findDialog("Change Password");
        ASSERT_NE(dlg, nullptr);
        EXPECT_FALSE(okEnabled(dlg));
        type(dlg, IDC_CHPW_OLD, "pww");
        type(dlg, IDC_CHPW_NEW, fresh.c_str());
        EXPECT_FALSE(okEnabled(dlg));
        type(dlg, IDC_CHPW_RETYPE, fresh.c_str());
        EXPECT_TRUE(okEnabled(dlg));
        for (int id : {IDC_CHPW_OLD, IDC_CHPW_NEW, IDC_CHPW_RETYPE})
            EXPECT_NE(GetWindowLongA(GetDlgItem(dlg, id), GWL_STYLE) & ES_PASSWORD, 0);
        screenshotPoint("change");
        press(dlg, IDOK);
        // "Your password has been changed." in a box owned by the dialog.
        HWND box = findDialog("Change Password", dlg);
        ASSERT_NE(box, nullptr);
        screenshotPoint("changed");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(SEC_ChangePassword(), -1);
    change.join();
    EXPECT_EQ(password(), fresh);
}

// The Error window from ERR_HandleError: collapsed with its message, Details
// expands to the current error, Previous shows the start-up entry, Send
// without an address shows 30053 in a box owned by the window, OK closes.
TEST(ErrorDialog, CollapsedExpandedPagingAndSend) {
    Env::Options o;
    o.messages = "[ERR_Messages]\n30040=An error occurred in the application.\n"
                 "30053=No mail address is configured for the error log.\n";
    Env env(o);
    ASSERT_EQ(env.startResult, 0);
    _qm32SetDialogHook(nullptr); // the real dialogs
    std::thread user([] {
        HWND dlg = findDialog("Error");
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(text(dlg, IDC_ERR_MESSAGE), "An error occurred in the application.");
        EXPECT_NE(SendDlgItemMessageA(dlg, IDC_ERR_ICON, STM_GETICON, 0, 0), 0);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ERR_DETAILS_TEXT)));
        RECT small, big;
        GetWindowRect(dlg, &small);
        screenshotPoint("error_collapsed");
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ERR_DETAILS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_ERR_DETAILS)));
        GetWindowRect(dlg, &big);
        EXPECT_GT(big.bottom - big.top, small.bottom - small.top + 50);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_ERR_DETAILS_TEXT)));
        EXPECT_EQ(text(dlg, IDC_ERR_DETAILS_LABEL), "Error Data - Current Error");
        char details[2048] = "";
        GetDlgItemTextA(dlg, IDC_ERR_DETAILS_TEXT, details, sizeof details);
        EXPECT_NE(std::string(details).find("\r\r\nError: 4711\r\r\n"), std::string::npos)
            << details;
        screenshotPoint("error_expanded");
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ERR_PREVIOUS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_ERR_PREVIOUS)));
        EXPECT_EQ(text(dlg, IDC_ERR_DETAILS_LABEL), "Error Details - Record 1 of 1");
        press(dlg, IDC_ERR_SEND);
        HWND box = findDialog("32-bit Architecture", dlg);
        ASSERT_NE(box, nullptr);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(200);
        press(dlg, IDOK);
    });
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = 4711;
    r.ulSeverity = 8;
    r.ulErrorType = 'A';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, "The payroll run could not be started.");
    _qm32SetField(r.szApplication, sizeof r.szApplication, "Payroll");
    EXPECT_EQ(ERR_HandleError(&r), 1);
    user.join();
}

} // namespace
