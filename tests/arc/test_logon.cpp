// Logon and access: the Logon and Change Password windows' logic driven
// through a scripted view against the reference host (ASCII and mainframe),
// the identity after every outcome, the access table, and the masking of
// sign-on data in the call log.
#include "qmdaa32.h"
#include "qmlogon.h"
#include "qm32res.h"
#include "qmtest.h"

#include <cstring>
#include <deque>
#include <map>
#include <functional>
#include <memory>

#include "qmhost_process.h"

using qmtest::Env;
using qmtest::parseLog;
using qmtest::password;
using qmtest::userId;

namespace {

// ---- the scripted view ------------------------------------------------------

struct ShownBox {
    std::string text, caption;
    unsigned style;
    bool operator==(const ShownBox &o) const {
        return text == o.text && caption == o.caption && style == o.style;
    }
};
std::ostream &operator<<(std::ostream &os, const ShownBox &b) {
    return os << "{\"" << b.text << "\", \"" << b.caption << "\", " << b.style << "}";
}

class ScriptedView : public CDialogView {
  public:
    explicit ScriptedView(CDialogLogic &logic) : logic_(logic) {
        const QM_DIALOG &d = logic.Dialog();
        for (std::size_t i = 0; i < d.count; ++i)
            if (d.controls[i].id != -1)
                enabled_[d.controls[i].id] = true;
    }
    // What a user does.
    void type(int id, const std::string &text) {
        ASSERT_FALSE(busy_) << "typed into a busy window";
        texts_[id] = text;
        logic_.OnChange(*this, id);
    }
    void press(int id) {
        ASSERT_FALSE(ended_);
        if (enabled_[id])
            logic_.OnCommand(*this, id);
    }
    // What a user sees.
    bool enabled(int id) { return enabled_[id]; }
    int focus() const { return focus_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }
    std::string caption() const { return logic_.Dialog().caption; }

    std::string GetText(int id) override { return texts_[id]; }
    void SetText(int id, const std::string &text) override { texts_[id] = text; }
    void Enable(int id, bool on) override { enabled_[id] = on; }
    void SetFocus(int id) override { focus_ = id; }
    void SetBusy(bool busy) override { busy_ = busy; }
    int ShowMessage(const std::string &text, const std::string &caption, unsigned style) override {
        boxes.push_back({text, caption, style});
        return QM_IDOK;
    }
    void EndDialog(int result) override {
        ended_ = true;
        result_ = result;
    }

    static std::vector<ShownBox> boxes; // every box of every window, in order

  private:
    CDialogLogic &logic_;
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    int focus_ = 0;
    bool busy_ = false, ended_ = false;
    int result_ = 0;
};
std::vector<ShownBox> ScriptedView::boxes;

// The scripts of the windows still to open, in order; a window without a
// script left fails the test and is cancelled.
using Script = std::function<void(ScriptedView &)>;
std::deque<Script> g_scripts;
std::vector<std::string> g_opened; // captions of the windows opened

// The "Error" window a host error opens: its error text and data, as a box
// captioned "Error" in the error style, and closed with OK.
int errorWindow(CDialogLogic &logic, ScriptedView &view) {
    logic.OnCommand(view, 3); // Details >>
    std::string details = view.GetText(1008), text, data;
    auto field = [&](const std::string &label) {
        std::size_t at = details.find("\r\r\n" + label);
        if (at == std::string::npos)
            return std::string("<no " + label + ">");
        at += 3 + label.size();
        return details.substr(at, details.find("\r\r\n", at) - at);
    };
    text = field("Error Text: ");
    data = field("Error Data: ");
    ScriptedView::boxes.push_back(
        {text + (text.empty() || data.empty() ? "" : "\r\n") + data, "Error", 0x10});
    logic.OnCommand(view, QM_IDOK);
    return view.result();
}

int runScripted(CDialogLogic &logic, void *) {
    g_opened.push_back(logic.Dialog().caption);
    ScriptedView view(logic);
    logic.OnInit(view);
    if (std::string(logic.Dialog().caption) == "Error")
        return errorWindow(logic, view);
    if (g_scripts.empty()) {
        ADD_FAILURE() << "no script for window " << logic.Dialog().caption;
        return QM_IDCANCEL;
    }
    Script script = g_scripts.front();
    g_scripts.pop_front();
    script(view);
    if (!view.ended()) {
        ADD_FAILURE() << "window " << logic.Dialog().caption << " left open by its script";
        return QM_IDCANCEL;
    }
    return view.result();
}

// ---- hosts and configuration ------------------------------------------------

std::unique_ptr<qmhost::HostProcess> g_ascii, g_mainframe;

class HostsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        g_ascii.reset(new qmhost::HostProcess(QMHOST_BIN, {"-s", QM32_LOGON_USERS}));
        g_mainframe.reset(new qmhost::HostProcess(QMHOST_BIN, {"-M", "-s", QM32_LOGON_USERS}));
    }
    void TearDown() override {
        g_ascii.reset();
        g_mainframe.reset();
    }
};
const auto *const g_hosts = ::testing::AddGlobalTestEnvironment(new HostsEnvironment);

const char *const kMessages = "[ERR_Messages]\n"
                              "30008=The logon did not succeed.\n"
                              "30010=An architecture error occurred.\n"
                              "30014=The password is not correct.\n"
                              "30015=Your password has expired.\n"
                              "30016=The old password is not correct.\n"
                              "30017=The new passwords differ.\n"
                              "30018=The new password equals the old one.\n"
                              "30019=Your user id is suspended.\n"
                              "30020=The password cannot be changed now.\n"
                              "30021=Your password has been changed.\n"
                              "30026=The host did not accept the new password.\n"
                              "30039=User id %s is not known.\n";

Env::Options options(bool mainframe, int debugLevel = 0) {
    Env::Options o;
    o.messages = kMessages;
    o.debugLevel = debugLevel;
    int port = mainframe ? g_mainframe->port() : g_ascii->port();
    o.iniExtra = "SvcHost=127.0.0.1\nSvcPort=" + std::to_string(port) +
                 "\nSvcHostType=" + (mainframe ? "M" : "A") + "\nDatabaseID=FINDB\nSvcTimeout=10\n";
    return o;
}

class Logon : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        env.reset(new Env(options(GetParam())));
        ASSERT_EQ(env->startResult, 0);
        _qm32SetDialogHook(runScripted);
        g_scripts.clear();
        g_opened.clear();
        ScriptedView::boxes.clear();
    }
    void TearDown() override {
        _qm32SetDialogHook(nullptr);
        EXPECT_TRUE(g_scripts.empty()) << "windows expected but not opened";
        env.reset();
    }
    bool mainframe() const { return GetParam(); }
    std::unique_ptr<Env> env;
};

// A logon script: types the user id and password, presses OK and expects the
// window to end (or, with `stays`, to stay open and then cancels it, after
// `whileOpen` looked at it).
Script logonScript(const std::string &user, const std::string &pw, bool ends,
                   std::function<void(ScriptedView &)> whileOpen = nullptr) {
    return [=](ScriptedView &v) {
        v.type(IDC_LOGON_USERID, user);
        v.type(IDC_LOGON_PASSWORD, pw);
        v.press(QM_IDOK);
        EXPECT_EQ(v.ended(), ends) << user;
        if (!v.ended()) {
            if (whileOpen)
                whileOpen(v);
            v.press(QM_IDCANCEL);
        }
    };
}

Script changeScript(const std::string &old, const std::string &fresh, const std::string &retype,
                    bool ends) {
    return [=](ScriptedView &v) {
        EXPECT_EQ(v.focus(), IDC_CHPW_OLD);
        v.type(IDC_CHPW_OLD, old);
        v.type(IDC_CHPW_NEW, fresh);
        v.type(IDC_CHPW_RETYPE, retype);
        v.press(QM_IDOK);
        EXPECT_EQ(v.ended(), ends);
        if (!v.ended()) {
            EXPECT_EQ(v.GetText(IDC_CHPW_OLD), "");
            EXPECT_EQ(v.GetText(IDC_CHPW_NEW), "");
            EXPECT_EQ(v.GetText(IDC_CHPW_RETYPE), "");
            EXPECT_EQ(v.focus(), IDC_CHPW_OLD);
            v.press(QM_IDCANCEL);
        }
    };
}

const unsigned kExcl = PLAT_MB_ICONEXCLAMATION, kErr = PLAT_MB_ICONERROR, kPlain = PLAT_MB_OK;

// ---- the windows' controls --------------------------------------------------

TEST_P(Logon, WindowsOpenWithTheirFieldsAndEnableOkOnlyWhenAllAreFilled) {
    qmtest::writeFile(env->iniPath, qmtest::readFile(env->iniPath) + "LastLoginID=  lastone  \n");
    g_scripts.push_back([](ScriptedView &v) {
        EXPECT_EQ(v.caption(), "Logon");
        EXPECT_EQ(v.GetText(IDC_LOGON_USERID), "lastone");
        EXPECT_EQ(v.focus(), IDC_LOGON_PASSWORD);
        EXPECT_FALSE(v.enabled(QM_IDOK));
        v.type(IDC_LOGON_PASSWORD, "x");
        EXPECT_TRUE(v.enabled(QM_IDOK));
        v.type(IDC_LOGON_USERID, "");
        EXPECT_FALSE(v.enabled(QM_IDOK));
        v.press(QM_IDOK); // disabled: nothing happens
        EXPECT_FALSE(v.ended());
        v.press(QM_IDCANCEL);
    });
    EXPECT_EQ(SEC_LoginUser(), 0);

    UTL_SetId("Alice", "SECRET1");
    g_scripts.push_back([](ScriptedView &v) {
        EXPECT_EQ(v.caption(), "Change Password");
        EXPECT_FALSE(v.enabled(QM_IDOK));
        v.type(IDC_CHPW_OLD, "a");
        v.type(IDC_CHPW_NEW, "b");
        EXPECT_FALSE(v.enabled(QM_IDOK));
        v.type(IDC_CHPW_RETYPE, "b");
        EXPECT_TRUE(v.enabled(QM_IDOK));
        v.press(QM_IDCANCEL);
    });
    EXPECT_EQ(SEC_ChangePassword(), 0);
    EXPECT_TRUE(ScriptedView::boxes.empty());
}

TEST_P(Logon, WithoutLastLoginIdTheWindowProposesTheUserName) {
    g_scripts.push_back([](ScriptedView &v) {
        EXPECT_EQ(v.GetText(IDC_LOGON_USERID), plat_user_name().substr(0, 50));
        v.press(QM_IDCANCEL);
    });
    EXPECT_EQ(SEC_LoginUser(), 0);
}

// ---- logon outcomes ------------------------------------------------------------

TEST_P(Logon, SuccessLogsOnRecordsTheLogonAndFetchesTheAccessTable) {
    g_scripts.push_back(logonScript("alice", "secret1", true));
    EXPECT_EQ(SEC_LoginUser(), -1);
    EXPECT_EQ(userId(), "alice");
    EXPECT_EQ(password(), "secret1");
    EXPECT_EQ(_qm32ProfileString(QM32_ARCH_SECTION, "LastLoginID"), "alice");
    // Rows "GL0100101", "AP0200111", "AR0300000" and the test entry.
    EXPECT_EQ(SEC_GetClientAccess("GL0100"), 13u);
    EXPECT_EQ(SEC_GetClientAccess("gl0100"), 13u);
    EXPECT_EQ(SEC_GetClientAccess("AP0200"), 15u);
    EXPECT_EQ(SEC_GetClientAccess("ar0300"), 1u);
    EXPECT_EQ(SEC_GetClientAccess("PAY"), 7u); // row "PAY   110": trailing blanks ignored
    EXPECT_EQ(SEC_GetClientAccess("test"), 10u);
    EXPECT_EQ(SEC_GetClientAccess("XX0000"), 0u);
    EXPECT_EQ(_qm32Shared()->lAccessCount, 5);
    bool found = false;
    for (const auto &e : parseLog(env->log()))
        if (e.get("Error Text") == "User: alice logged in.") {
            found = true;
            EXPECT_EQ(e.severityClass, "Information");
            EXPECT_EQ(e.get("Module"), "qmlogon");
            EXPECT_EQ(e.get("Procedure"), "Logon::LogAccess()");
            EXPECT_EQ(e.get("Source"), "Logon window");
            EXPECT_EQ(e.get("Application"), "32-bit Architecture");
        }
    EXPECT_TRUE(found) << env->log();
    EXPECT_TRUE(ScriptedView::boxes.empty());
    EXPECT_EQ(env->log().find("secret1"), std::string::npos);
    EXPECT_EQ(env->log().find("SECRET1"), std::string::npos);
}

// Each refusal of the sign-on check, with the identity of before (nobody, or
// an earlier user) back while the window stays open and after it closed.
TEST_P(Logon, RefusalsPutThePreviousIdentityBack) {
    struct Case {
        const char *user, *pw;
        bool mainframeOnly; // the password reaches only a mainframe host
        bool ends;          // the window closes (with failure)
        std::vector<ShownBox> boxes;
        int focus;         // focus while the window stays open
        bool passwordKept; // the typed password is still in its field
    };
    const std::vector<Case> cases = {
        {"zorro",
         "x",
         false,
         false,
         {{"User id zorro is not known.", "Logon", kExcl}},
         IDC_LOGON_PASSWORD,
         true},
        {"alice",
         "wrong",
         true,
         false,
         {{"The password is not correct.", "Logon", kExcl}},
         IDC_LOGON_PASSWORD,
         false},
        {"carol",
         "password",
         false,
         true,
         {{"Your user id is suspended.", "Logon", kErr}},
         0,
         true},
        {"gina",
         "pw3",
         false,
         false,
         {{"QMH0005E SOMETHING ELSE HAPPENED", "Logon", kPlain}},
         IDC_LOGON_PASSWORD,
         true},
        {"erin",
         "pw1",
         false,
         true,
         {{"Sign-on refused\r\nQMH9999E HOST DOWN", "Error", kErr}},
         0,
         true},
        {"frank",
         "pw2",
         false,
         true,
         {{"Sign-on refused\r\nQMH NEGATIVE", "Error", kErr}},
         0,
         true},
        // An answer larger than the sign-on record is refused (30010).
        {"oscar",
         "pwo",
         false,
         true,
         // The record holds no text, only the data: the window shows it as it is.
         {{"Check previous log entry for specifics.", "Error", kErr}},
         0,
         true},
    };
    for (bool earlier : {false, true}) {
        for (const Case &c : cases) {
            if (c.mainframeOnly && !mainframe())
                continue;
            SCOPED_TRACE(std::string(c.user) + (earlier ? " after an earlier user" : ""));
            std::memset(_qm32Shared()->szUserId, 0, 51);
            std::memset(_qm32Shared()->szPassword, 0, 51);
            if (earlier)
                UTL_SetId("EARLIER", "EPW");
            std::string before = earlier ? "EARLIER" : "";
            ScriptedView::boxes.clear();
            g_scripts.push_back(logonScript(c.user, c.pw, c.ends, [&](ScriptedView &v) {
                EXPECT_EQ(userId(), before);
                EXPECT_EQ(v.focus(), c.focus);
                EXPECT_EQ(v.GetText(IDC_LOGON_PASSWORD).empty(), !c.passwordKept);
                EXPECT_EQ(v.enabled(QM_IDOK), c.passwordKept);
            }));
            EXPECT_EQ(SEC_LoginUser(), 0);
            EXPECT_EQ(userId(), before);
            EXPECT_EQ(password(), earlier ? "EPW" : "");
            EXPECT_EQ(ScriptedView::boxes, c.boxes);
        }
    }
}

TEST_P(Logon, ExpiredPasswordIsChangedInTheLogon) {
    // BOB's password has expired: the change window opens from the logon.
    ScriptedView::boxes.clear();
    g_scripts.push_back(logonScript("bob", "oldpass", true));
    g_scripts.push_back(changeScript("oldpass", "newpass1", "newpass1", true));
    EXPECT_EQ(SEC_LoginUser(), -1);
    EXPECT_EQ(userId(), "bob");
    EXPECT_EQ(password(), "newpass1");
    std::vector<ShownBox> want = {{"Your password has expired.", "Logon", kExcl},
                                  {"Your password has been changed.", "Change Password", kExcl}};
    EXPECT_EQ(ScriptedView::boxes, want);
    EXPECT_EQ(SEC_GetClientAccess("GL0100"), 5u);

    // HANK's host says ACF01134; a change the host refuses keeps the logon open.
    ScriptedView::boxes.clear();
    g_scripts.push_back(
        logonScript("hank", "pw4", false, [](ScriptedView &) { EXPECT_EQ(userId(), "bob"); }));
    g_scripts.push_back(changeScript("pw4", "pw4", "pw4", false)); // the same password: 30018
    EXPECT_EQ(SEC_LoginUser(), 0);
    want = {{"Your password has expired.", "Logon", kExcl},
            {"The new password equals the old one.", "Change Password", kExcl}};
    EXPECT_EQ(ScriptedView::boxes, want);
    EXPECT_EQ(userId(), "bob");
    EXPECT_EQ(password(), "newpass1");
}

// Every refusal of the password change, from SEC_ChangePassword.
TEST_P(Logon, ChangePasswordRefusals) {
    EXPECT_EQ(SEC_ChangePassword(), 0); // nobody logged on: no window
    EXPECT_TRUE(g_opened.empty());

    struct Case {
        const char *user, *pw, *old, *fresh, *retype;
        bool ends;
        ShownBox box;
    };
    const std::vector<Case> cases = {
        {"ivan",
         "pw5",
         "nope",
         "n1",
         "n1",
         false,
         {"The old password is not correct.", "Change Password", kExcl}},
        {"ivan",
         "pw5",
         "pw5",
         "n1",
         "n2",
         false,
         {"The new passwords differ.", "Change Password", kExcl}},
        {"ivan",
         "pw5",
         "pw5",
         "pw5",
         "pw5",
         false,
         {"The new password equals the old one.", "Change Password", kExcl}},
        {"ivan",
         "pw5",
         "pw5",
         "n1",
         "n1",
         true,
         {"Your user id is suspended.", "Change Password", kErr}},
        {"jack",
         "pw6",
         "pw6",
         "n1",
         "n1",
         true,
         {"The password cannot be changed now.", "Change Password", kErr}},
        {"alice",
         "secret1",
         "secret1",
         "SECRET1",
         "SECRET1",
         false,
         {"The host did not accept the new password.", "Change Password", kExcl}},
        {"kate",
         "pw7",
         "pw7",
         "n1",
         "n1",
         false,
         {"QMH0099E OTHER CHANGE ERROR", "Change Password", kPlain}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.old + " " + c.fresh + " " + c.retype);
        UTL_SetId(c.user, c.pw);
        ScriptedView::boxes.clear();
        g_scripts.push_back(changeScript(c.old, c.fresh, c.retype, c.ends));
        EXPECT_EQ(SEC_ChangePassword(), 0);
        EXPECT_EQ(ScriptedView::boxes, std::vector<ShownBox>{c.box});
        EXPECT_EQ(userId(), c.user);
        EXPECT_EQ(password(), c.pw);
    }
}

TEST_P(Logon, ChangedPasswordIsStoredAsTypedAndTheNextChangeAcceptsIt) {
    const std::string longer = "a-new-password-of-30-chars-xyz";
    UTL_SetId("liz", "pwl");
    g_scripts.push_back(changeScript("pwl", longer, longer, true));
    EXPECT_EQ(SEC_ChangePassword(), -1);
    EXPECT_EQ(password(), longer);
    // The host keeps the first 9 characters; the old password typed in full is right.
    g_scripts.push_back(changeScript(longer, "third", "third", true));
    EXPECT_EQ(SEC_ChangePassword(), -1);
    EXPECT_EQ(password(), "third");
}

// ---- access table ---------------------------------------------------------------

TEST_P(Logon, AccessAnswers) {
    struct Case {
        const char *user, *pw;
        int count;         // entries, the test entry included
        const char *probe; // a code and its flags
        uint32_t flags;
        long loggedNumber; // the access error logged (0: none)
        uint32_t severity;
    };
    const std::vector<Case> cases = {
        {"dave", "noaccess", 0, "test", 0, 27, 4}, // no rows: warning 27, table cleared
        {"leo", "pw8", 0, "test", 0, 500, 16},     // host error: table cleared
        {"olga", "pwb", 0, "test", 0, 30010, 16},  // rows of 20 characters: refused
        {"mia", "pw9", 3, "MI0001", 15, 0, 0},     // count 50 beyond the 2 rows sent
        {"ned", "pwa", 500, "F00499", 15, 0, 0},   // 600 rows: 499 kept and the test entry
        {"pat", "pwc", 1, "test", 10, 0, 0},       // 23 counts as success
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user);
        // An earlier user's rights must never survive the logon.
        _secStoreAccess(std::string(88 + 9, '\0').replace(88, 9, "OLD000111").data(), 1);
        std::memset(_qm32Shared()->szUserId, 0, 51);
        g_scripts.push_back(logonScript(c.user, c.pw, true));
        EXPECT_EQ(SEC_LoginUser(), -1);
        EXPECT_EQ(userId(), c.user);
        EXPECT_EQ(_qm32Shared()->lAccessCount, c.count);
        EXPECT_EQ(SEC_GetClientAccess("OLD000"), 0u);
        EXPECT_EQ(SEC_GetClientAccess(c.probe), c.flags);
        bool logged = false;
        for (const auto &e : parseLog(env->log()))
            if (e.get("Procedure") == "Logon::GetClientAccessInfo()" &&
                e.get("Error Data") == "GetClientAccess service 3135 - error value " +
                                           std::to_string(c.loggedNumber)) {
                logged = true;
                EXPECT_EQ(e.get("Severity"), std::to_string(c.severity));
                EXPECT_EQ(e.get("Error Type"), "E - Architecture");
                const char *text =
                    c.loggedNumber == 27
                        ? "Access data not found, all SEC_GetClientAccess() calls will fail."
                    : c.loggedNumber == 500 ? "Access refused" // no message: the host's text
                                            : "An architecture error occurred.";
                EXPECT_EQ(e.get("Error Text"), text);
            }
        EXPECT_EQ(logged, c.loggedNumber != 0) << env->log();
    }
}

// ---- calls made while nobody is logged on --------------------------------------

TEST_P(Logon, ServiceCallsAndAccessQueriesAskForALogon) {
    g_scripts.push_back(logonScript("alice", "secret1", true));
    struct {
        DAA_REQUEST_HEADER h;
        char data[40];
    } req, ans;
    std::memset(&req, 0, sizeof req);
    std::memset(&ans, 0, sizeof ans);
    std::strcpy(req.data, "HELLO");
    DAA_SERVICE_BLOCK b;
    std::memset(&b, 0, sizeof b);
    b.lService = 1;
    b.ulRequestType = 'S';
    std::strcpy(b.szFormat, "k88s9");
    EXPECT_EQ(DAA_InvokeService(&b, &req, &ans), 0);
    EXPECT_EQ(b.Error.lErrorNumber, 0);
    EXPECT_STREQ(ans.h.szUserId, "ALICE");
    EXPECT_EQ(std::string(ans.h.szPassword, strnlen(ans.h.szPassword, 9)),
              mainframe() ? "SECRET1" : "ALICE");

    std::memset(_qm32Shared()->szUserId, 0, 51);
    g_scripts.push_back([](ScriptedView &v) { v.press(QM_IDCANCEL); });
    EXPECT_EQ(SEC_GetClientAccess("GL0100"), 0u);
    g_scripts.push_back([](ScriptedView &v) { v.press(QM_IDCANCEL); });
    EXPECT_EQ(DAA_InvokeService_NoThread(&b, &req, &ans), 30008);
    EXPECT_STREQ(b.Error.szErrorData, "Login from DAA_InvokeService failed");
}

// At debug level 3 each call is logged with its data: never a password.
TEST_P(Logon, CallLogMasksSignOnData) {
    env.reset();
    env.reset(new Env(options(GetParam(), 3)));
    _qm32SetDialogHook(runScripted);
    UTL_SetId("liam", "pwd");
    g_scripts.push_back(changeScript("pwd", "topsecret", "topsecret", true));
    EXPECT_EQ(SEC_ChangePassword(), -1);
    std::string log = env->log();
    EXPECT_EQ(log.find("topsecret"), std::string::npos);
    EXPECT_EQ(log.find("TOPSECRET"), std::string::npos);
    bool masked = false;
    for (const auto &e : parseLog(log))
        if (e.get("Error Text") == "DAA call initiated for service 429.") {
            masked = true;
            EXPECT_EQ(e.get("Error Data"), "*********");
        }
    EXPECT_TRUE(masked) << log;
}

INSTANTIATE_TEST_SUITE_P(Hosts, Logon, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &i) {
                             return std::string(i.param ? "Mainframe" : "Ascii");
                         });

// ---- the access table without a host ---------------------------------------------

TEST(AccessTable, FormatCheckAndRowLimits) {
    struct {
        const char *format;
        bool ok;
    } formats[] = {{"k88r1.3s9", true},
                   {"K88R1.1000S9", true},
                   {"k88r1/2s9", true},
                   {"k88", true},
                   {"k88s9s9", true},
                   {"k88r1.1001s9", false},
                   {"k88r1.3s10", false},
                   {"k88r2.3s9s9", false},
                   {"k80s9", false},
                   {"k88s9s", false},
                   {"", true},
                   {"k88r1.s9", false}};
    for (const auto &f : formats)
        EXPECT_EQ(_secAccessFormatOk(f.format, static_cast<int>(std::strlen(f.format))), f.ok)
            << f.format;

    Env env;
    std::vector<char> answer(SEC_ACCESS_ANSWER_SIZE, '\0');
    std::memcpy(&answer[88], "GL0100101", 9);
    std::memcpy(&answer[97], "\0XXXXX111", 9); // begins with NUL: skipped
    std::memcpy(&answer[106], "PAY   010", 9);
    _secStoreAccess(answer.data(), 3);
    EXPECT_EQ(_qm32Shared()->lAccessCount, 3);
    EXPECT_EQ(_secFindAccess("gl0100"), 13u);
    EXPECT_EQ(_secFindAccess("pay"), 3u);
    EXPECT_EQ(_secFindAccess("TEST"), 10u);
    _secStoreAccess(answer.data(), -5); // a negative count is none
    EXPECT_EQ(_qm32Shared()->lAccessCount, 1);
    _secStoreAccess(answer.data(), 30000); // never beyond the 1,000 rows of the record
    EXPECT_EQ(_qm32Shared()->lAccessCount, 3);
    _qm32Shared()->lAccessCount = 100000; // a damaged count is bounded
    EXPECT_EQ(_secFindAccess("nothere"), 0u);
}

TEST(AccessTable, NobodyLoggedOn) {
    Env env;
    char b[8] = "keep";
    EXPECT_EQ(SEC_GetUserString(3, b, sizeof b), 0);
    EXPECT_STREQ(b, "keep");
    EXPECT_EQ(SEC_ChangePassword(), 0);
}

} // namespace
