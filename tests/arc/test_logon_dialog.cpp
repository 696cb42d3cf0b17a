// The Logon and Change Password dialogs on Windows (under wine and xvfb): a
// second thread finds each dialog, fills its edits, checks that OK is enabled
// only while every field is filled, and presses OK or Cancel. The OK cases
// use the ASCII reference host that scripts/test-all starts (QMHOST_PORT).
// With QM32_SCREENSHOT_SYNC=<dir> the thread writes <dir>/<name>.ready once
// a dialog is filled and waits (30 s at most) for <dir>/<name>.done, so a
// script outside can take a screenshot.
#include "qm32res.h"
#include "qmerrwnd.h"
#include "qmtest.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// ERR_HandleError for error 4711 of the application "Payroll".
long handlePayrollError() {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = 4711;
    r.ulSeverity = 8;
    r.ulErrorType = 'A';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, "The payroll run could not be started.");
    _qm32SetField(r.szApplication, sizeof r.szApplication, "Payroll");
    return ERR_HandleError(&r);
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
        screenshotPoint("send_box");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(200);
        press(dlg, IDOK);
    });
    EXPECT_EQ(handlePayrollError(), 1);
    user.join();
}

long QM32_CALL failingMail(const char *, const char *, const char *, const char *) {
    return 30054;
}

// A Send that fails shows the mail module's error number and message in a box
// the window owns, and the window stays open.
TEST(ErrorDialog, SendFailureIsShownInABox) {
    Env::Options o;
    o.messages = "[ERR_Messages]\n30040=An error occurred in the application.\n"
                 "30054=The mail could not be sent.\n";
    o.iniExtra = "ErrorEmail=library@127.0.0.1\n";
    Env env(o);
    ASSERT_EQ(env.startResult, 0);
    _qm32SetDialogHook(nullptr); // the real dialogs
    _errSetMailSender(failingMail);
    std::string shown;
    bool openAfterwards = false;
    std::thread user([&shown, &openAfterwards] {
        HWND dlg = findDialog("Error");
        ASSERT_NE(dlg, nullptr);
        press(dlg, IDC_ERR_SEND);
        HWND box = findDialog("32-bit Architecture", dlg);
        ASSERT_NE(box, nullptr);
        char b[256] = "";
        GetDlgItemTextA(box, 0xFFFF, b, sizeof b); // the text of a message box
        shown = b;
        screenshotPoint("send_failure");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(200);
        openAfterwards = IsWindow(dlg) && IsWindowVisible(dlg);
        press(dlg, IDOK);
    });
    EXPECT_EQ(handlePayrollError(), 1);
    user.join();
    _errSetMailSender(nullptr);
    EXPECT_EQ(shown, "Error 30054: The mail could not be sent.");
    EXPECT_TRUE(openAfterwards);
}

// The lines of a text, each without its CR LF or LF.
std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// Send against the mail server of mail_in_private_network.sh (QM32_SMTP_OUT):
// the log goes to the application's ErrorEmail, then to DevEmail, each with
// the subject "Finance Error Log" and the log file as its body, and the
// window shows 30025 in a box it owns.
TEST(ErrorDialogMail, SendMailsTheLogToErrorEmailAndDevEmail) {
    const char *native = std::getenv("QM32_SMTP_OUT");
    if (!native)
        GTEST_SKIP() << "runs under mail_in_private_network.sh, which names the mail server's "
                        "folder in QM32_SMTP_OUT";
    std::string out = std::string("Z:") + native;
    std::replace(out.begin(), out.end(), '/', '\\');
    Env::Options o;
    o.messages = "[ERR_Messages]\n30025=The error log was sent.\n"
                 "30040=An error occurred in the application.\n";
    o.iniExtra = "ErrorEmail=library@127.0.0.1\nDevEmail=developers@127.0.0.1\n"
                 "[Payroll]\nErrorEmail=payroll@127.0.0.1\n";
    Env env(o);
    ASSERT_EQ(env.startResult, 0);
    _qm32SetDialogHook(nullptr); // the real dialogs
    std::string shown;
    std::thread user([&shown] {
        HWND dlg = findDialog("Error");
        ASSERT_NE(dlg, nullptr);
        press(dlg, IDC_ERR_SEND);
        HWND box = findDialog("32-bit Architecture", dlg);
        ASSERT_NE(box, nullptr);
        char b[256] = "";
        GetDlgItemTextA(box, 0xFFFF, b, sizeof b); // the text of a message box
        shown = b;
        screenshotPoint("error_sent");
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(200);
        press(dlg, IDOK);
    });
    EXPECT_EQ(handlePayrollError(), 1);
    user.join();
    EXPECT_EQ(shown, "The error log was sent.");

    const std::vector<std::string> log = lines(env.log());
    ASSERT_GE(log.size(), 2u);
    const char *const receivers[] = {"payroll@127.0.0.1", "developers@127.0.0.1"};
    for (int i = 0; i < 2; ++i) {
        const std::string mail = qmtest::join(out, "mail_" + std::to_string(i + 1));
        ASSERT_TRUE(qmtest::fs::exists(mail + ".env")) << mail;
        const std::vector<std::string> envelope = lines(qmtest::readFile(mail + ".env"));
        ASSERT_EQ(envelope.size(), 3u);
        EXPECT_EQ(envelope[2], receivers[i]);
        const std::vector<std::string> message = lines(qmtest::readBinary(mail + ".eml"));
        ASSERT_EQ(message.size(), 5 + log.size());
        EXPECT_EQ(message[1], std::string("To: ") + receivers[i]);
        EXPECT_EQ(message[3], "Subject: Finance Error Log");
        EXPECT_EQ(message[4], "");
        EXPECT_EQ(std::vector<std::string>(message.begin() + 5, message.end()), log);
    }
    EXPECT_FALSE(qmtest::fs::exists(qmtest::join(out, "mail_3.env")));
}

} // namespace
