// The "Error" window driven through a scripted view: collapsed and expanded
// states, paging through the log from ERR_HandleError and ERR_DisplayError,
// Send with its addresses and a failing mail, an unreadable log, unterminated
// record fields, the path without a window, and ERR_DisplayArchMessage.
#include "qmerrwnd.h"
#include "qm32res.h"
#include "qmtest.h"

#include <cstring>
#include <map>

namespace {

using qmtest::Env;

struct Box {
    std::string text, caption;
    unsigned style;
};

class ScriptedView : public CDialogView {
  public:
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::vector<Box> boxes;
    unsigned icon = 99;
    bool lowerShown = true, ended = false, busy = false;
    int result = 0;

    std::string GetText(int id) override { return texts[id]; }
    void SetText(int id, const std::string &text) override { texts[id] = text; }
    void Enable(int id, bool on) override { enabled[id] = on; }
    void SetFocus(int) override {}
    void SetBusy(bool b) override { busy = b; }
    int ShowMessage(const std::string &text, const std::string &caption, unsigned style) override {
        boxes.push_back({text, caption, style});
        return QM_IDOK;
    }
    void EndDialog(int r) override {
        ended = true;
        result = r;
    }
    void ShowLowerPart(int firstId, bool shown) override {
        EXPECT_EQ(firstId, IDC_ERR_DETAILS_LABEL);
        lowerShown = shown;
    }
    void SetIcon(int id, unsigned i) override {
        EXPECT_EQ(id, IDC_ERR_ICON);
        icon = i;
    }
};

// What the next window does: presses, and what it saw.
using Script = std::function<void(CDialogLogic &, ScriptedView &)>;
Script g_script;
int g_windows = 0;

int runScripted(CDialogLogic &logic, void *) {
    ++g_windows;
    EXPECT_STREQ(logic.Dialog().caption, "Error");
    ScriptedView view;
    logic.OnInit(view);
    if (g_script)
        g_script(logic, view);
    if (!view.ended)
        logic.OnCommand(view, QM_IDOK);
    return view.result;
}

int unavailable(CDialogLogic &, void *) {
    return QM_DIALOG_UNAVAILABLE;
}

ERR_RECORD record(long number, uint32_t severity, const char *app = "Payroll") {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(number);
    r.ulSeverity = severity;
    r.ulErrorType = 'A';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText,
                  "host says ************* twice *************");
    _qm32SetField(r.szModule, sizeof r.szModule, "c:\\apps\\payroll.exe");
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "Pay()");
    _qm32SetField(r.szSource, sizeof r.szSource, "pay.c");
    _qm32SetField(r.szApplication, sizeof r.szApplication, app);
    r.ulLineNumber = 7;
    return r;
}

// A log of `n` entries numbered 1001, 1002, ...
void writeLog(const Env &env, int n) {
    std::string log;
    for (int i = 0; i < n; ++i) {
        ERR_RECORD r = record(1001 + i, 8);
        log += _qm32FormatLogEntry(r, 0);
    }
    qmtest::writeFile(env.logPath, log);
}

std::string messages() {
    return "[ERR_Messages]\n30025=The error log was sent.\n"
           "30053=No mail address for the error log.\n"
           "30054=The mail could not be sent.\n" +
           std::string(qmtest::defaultMessages()).substr(std::strlen("[ERR_Messages]\n"));
}

Env::Options opts(const std::string &ini) {
    Env::Options o;
    o.iniExtra = ini;
    o.messages = messages();
    return o;
}

struct MailCall {
    std::string to, sender, subject, file;
};
std::vector<MailCall> g_mails;
std::string g_failFor;
long QM32_CALL fakeMail(const char *to, const char *sender, const char *subject, const char *file) {
    g_mails.push_back({to, sender, subject, file});
    return g_failFor == to ? 30054 : 0;
}

class ErrorWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        _qm32SetDialogHook(runScripted);
        _errSetMailSender(fakeMail);
        g_mails.clear();
        g_failFor.clear();
        g_windows = 0;
        g_script = nullptr;
    }
    void TearDown() override {
        _qm32SetDialogHook(nullptr);
        _errSetMailSender(nullptr);
        g_script = nullptr;
    }
};

// Opening, details and paging. `label` after each press: "current" for the
// current error, "-" for the label left as it was, else the record label and
// the error number of the entry shown.
TEST_F(ErrorWindow, OpensCollapsedExpandsAndPages) {
    struct Step {
        int press;
        std::string label;
        long shownNumber; // the "Error: " of the details shown (0: not checked)
        // Previous and Next enabled afterwards: "PN", "P-", "-N" or "--".
        const char *paging;
    };
    const int P = IDC_ERR_PREVIOUS, N = IDC_ERR_NEXT, D = IDC_ERR_DETAILS;
    const std::string cur = "Error Data - Current Error";
    struct Case {
        const char *name;
        bool handle; // ERR_HandleError (logs the record first) or ERR_DisplayError
        int entries; // entries in the log before the window opens (-1: no log)
        std::vector<Step> steps;
    } cases[] = {
        {"handle, three earlier entries",
         true,
         3,
         {{D, cur, 42, "P-"},
          {P, "Error Details - Record 3 of 3", 1003, "PN"},
          {P, "Error Details - Record 2 of 3", 1002, "PN"},
          {N, "Error Details - Record 3 of 3", 1003, "PN"},
          {N, cur, 42, "P-"},
          {N, cur, 42, "P-"},
          {P, "Error Details - Record 3 of 3", 1003, "PN"},
          {P, "Error Details - Record 2 of 3", 1002, "PN"},
          {P, "Error Details - Record 1 of 3", 1001, "-N"},
          {P, "Error Details - Record 1 of 3", 1001, "-N"},
          {D, "-", 0, "-N"},
          {D, cur, 42, "P-"}}},
        // From ERR_DisplayError every entry of the log is an earlier one.
        {"display, two entries",
         false,
         2,
         {{P, "Error Details - Record 2 of 2", 1002, "PN"},
          {N, cur, 42, "P-"},
          {P, "Error Details - Record 2 of 2", 1002, "PN"},
          {P, "Error Details - Record 1 of 2", 1001, "-N"}}},
        // Only the current error in the log: nothing earlier to show; until
        // the log is counted Previous cannot know that.
        {"handle, empty log",
         true,
         0,
         {{D, cur, 42, "P-"}, {P, cur, 42, "--"}, {N, cur, 42, "--"}}},
        {"display, empty log",
         false,
         0,
         {{D, cur, 42, "P-"}, {P, cur, 42, "--"}, {N, cur, 42, "--"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Env env(opts(""));
        writeLog(env, c.entries);
        bool checked = false;
        g_script = [&](CDialogLogic &logic, ScriptedView &view) {
            EXPECT_EQ(view.texts[IDC_ERR_MESSAGE], "An error occurred in the application.");
            EXPECT_EQ(view.icon, static_cast<unsigned>(PLAT_MB_ICONEXCLAMATION));
            EXPECT_FALSE(view.lowerShown);
            EXPECT_TRUE(view.enabled[IDC_ERR_PREVIOUS]);
            EXPECT_FALSE(view.enabled[IDC_ERR_NEXT]);
            bool expanded = false;
            for (std::size_t i = 0; i < c.steps.size(); ++i) {
                const Step &s = c.steps[i];
                SCOPED_TRACE("step " + std::to_string(i));
                std::string before = view.texts[IDC_ERR_DETAILS_LABEL];
                logic.OnCommand(view, s.press);
                expanded = s.press == D ? !expanded : true;
                EXPECT_EQ(view.lowerShown, expanded);
                EXPECT_EQ(std::string(view.enabled[IDC_ERR_PREVIOUS] ? "P" : "-") +
                              (view.enabled[IDC_ERR_NEXT] ? "N" : "-"),
                          s.paging);
                if (s.label == "-") {
                    EXPECT_EQ(view.texts[IDC_ERR_DETAILS_LABEL], before);
                    continue;
                }
                EXPECT_EQ(view.texts[IDC_ERR_DETAILS_LABEL], s.label);
                const std::string &d = view.texts[IDC_ERR_DETAILS_TEXT];
                EXPECT_EQ(
                    d.rfind("************* Error *************\r\r\nApplication: Payroll\r\r\n", 0),
                    0u)
                    << d;
                EXPECT_NE(d.find("\r\r\nError: " + std::to_string(s.shownNumber) + "\r\r\n"),
                          std::string::npos)
                    << d;
                EXPECT_NE(d.find("\r\r\nModule: payroll.exe\r\r\n"), std::string::npos) << d;
            }
            EXPECT_TRUE(view.boxes.empty());
            checked = true;
        };
        ERR_RECORD r = record(42, 8);
        long rc = c.handle ? ERR_HandleError(&r) : ERR_DisplayError(&r);
        EXPECT_EQ(rc, QM_IDOK);
        EXPECT_TRUE(checked);
        EXPECT_EQ(ERR_GetLastError(), c.handle ? 42 : 0);
        // Only ERR_HandleError logs.
        EXPECT_EQ(qmtest::parseLog(env.log()).size(),
                  static_cast<std::size_t>(c.entries + (c.handle ? 1 : 0)));
    }
}

// Severity icons, the unreadable log (30022, then still usable), and record
// fields filled to their width without a NUL.
TEST_F(ErrorWindow, IconsUnreadableLogAndFullFields) {
    Env env(opts(""));
    const std::pair<uint32_t, unsigned> icons[] = {{4, PLAT_MB_ICONINFORMATION},
                                                   {8, PLAT_MB_ICONEXCLAMATION},
                                                   {16, PLAT_MB_ICONERROR},
                                                   {0, 0u},
                                                   {12, 0u}};
    for (auto ic : icons) {
        unsigned seen = 99;
        g_script = [&](CDialogLogic &, ScriptedView &view) { seen = view.icon; };
        ERR_RECORD r = record(5, ic.first);
        ERR_DisplayError(&r);
        EXPECT_EQ(seen, ic.second) << ic.first;
    }

    std::remove(env.logPath.c_str());
    g_script = [&](CDialogLogic &logic, ScriptedView &view) {
        logic.OnCommand(view, IDC_ERR_PREVIOUS);
        logic.OnCommand(view, IDC_ERR_NEXT);
        ASSERT_EQ(view.boxes.size(), 2u);
        EXPECT_EQ(view.boxes[0].text, "The error log could not be opened.");
        EXPECT_EQ(view.boxes[0].style, static_cast<unsigned>(PLAT_MB_ICONEXCLAMATION));
        EXPECT_TRUE(view.texts[IDC_ERR_DETAILS_LABEL].empty());
        logic.OnCommand(view, IDC_ERR_DETAILS);
        EXPECT_EQ(view.texts[IDC_ERR_DETAILS_LABEL], "Error Data - Current Error");
    };
    ERR_RECORD r = record(6, 8);
    EXPECT_EQ(ERR_DisplayError(&r), QM_IDOK);

    ERR_RECORD full;
    std::memset(&full, 'x', sizeof full);
    full.lErrorNumber = 77;
    full.ulSeverity = 8;
    full.ulErrorType = 'S';
    full.ulLineNumber = 3;
    ERR_RECORD copy = full;
    std::string details;
    g_script = [&](CDialogLogic &logic, ScriptedView &view) {
        logic.OnCommand(view, IDC_ERR_DETAILS);
        details = view.texts[IDC_ERR_DETAILS_TEXT];
    };
    ERR_DisplayError(&full);
    EXPECT_EQ(std::memcmp(&full, &copy, sizeof full), 0) << "ERR_DisplayError changed the record";
    const std::pair<const char *, std::size_t> widths[] = {
        {"Application: ", 32}, {"Error Text: ", 255}, {"Error Data: ", 256},
        {"Module: ", 32},      {"Procedure: ", 32},   {"Source: ", 32}};
    for (auto w : widths)
        EXPECT_NE(
            details.find(std::string("\r\r\n") + w.first + std::string(w.second, 'x') + "\r\r\n"),
            std::string::npos)
            << w.first << " in " << details;
}

// Send: where the log goes, and what the user is told.
TEST_F(ErrorWindow, SendMailsTheLog) {
    // A failed mail is shown with the mail module's number and message, and
    // the window stays open.
    const std::string failText = "The mail could not be sent.";
    struct Case {
        const char *name;
        std::string ini;
        std::string failFor;
        std::vector<std::string> mailedTo;
        std::string box; // "" : none
        unsigned style;
    } cases[] = {
        {"application and developer",
         "ErrorEmail=arch@host\nDevEmail=dev@host\n[Payroll]\nErrorEmail=pay@host\n",
         "",
         {"pay@host", "dev@host"},
         "The error log was sent.",
         PLAT_MB_OK},
        {"library's address only",
         "ErrorEmail=arch@host\n",
         "",
         {"arch@host"},
         "The error log was sent.",
         PLAT_MB_OK},
        {"developer only: no support address",
         "DevEmail=dev@host\n",
         "",
         {},
         "No mail address for the error log.",
         PLAT_MB_ICONERROR},
        {"none", "", "", {}, "No mail address for the error log.", PLAT_MB_ICONERROR},
        {"the first mail fails",
         "DevEmail=dev@host\n[Payroll]\nErrorEmail=pay@host\n",
         "pay@host",
         {"pay@host"},
         "Error 30054: " + failText,
         PLAT_MB_ICONERROR},
        {"the developer's mail fails",
         "ErrorEmail=arch@host\nDevEmail=dev@host\n",
         "dev@host",
         {"arch@host", "dev@host"},
         "Error 30054: " + failText,
         PLAT_MB_ICONERROR},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Env env(opts(c.ini));
        g_mails.clear();
        g_failFor = c.failFor;
        std::vector<Box> boxes;
        g_script = [&](CDialogLogic &logic, ScriptedView &view) {
            logic.OnCommand(view, IDC_ERR_SEND);
            EXPECT_FALSE(view.busy);
            EXPECT_FALSE(view.ended);
            boxes = view.boxes;
        };
        ERR_RECORD r = record(9, 8);
        EXPECT_EQ(ERR_HandleError(&r), QM_IDOK);
        std::vector<std::string> to;
        for (const MailCall &m : g_mails) {
            to.push_back(m.to);
            EXPECT_EQ(m.subject, "Finance Error Log");
            EXPECT_EQ(m.sender, plat_user_name());
            EXPECT_EQ(m.file, env.logPath);
        }
        EXPECT_EQ(to, c.mailedTo);
        if (c.box.empty()) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].style, c.style);
        }
    }
}

// Without a window: logged, the details where message boxes go, OK at once;
// ERR_DisplayArchMessage; the default button of an unanswered box.
TEST_F(ErrorWindow, NoWindowAndArchMessages) {
    Env env(opts(""));
    _qm32SetDialogHook(unavailable);
    qmtest::takeBoxes();
    ERR_RECORD r = record(31, 16);
    EXPECT_EQ(ERR_HandleServiceError(&r), QM_IDOK);
    EXPECT_EQ(ERR_GetLastError(), 31);
    EXPECT_EQ(qmtest::parseLog(env.log()).back().get("Error"), "31");
    auto boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("An error occurred in the application.\r\n************* "
                                  "Fatal Error *************\r\nApplication: Payroll\r\n",
                                  0),
              0u)
        << boxes[0].text;
    EXPECT_EQ(boxes[0].text.find("\r\r"), std::string::npos);

    EXPECT_EQ(ERR_DisplayArchMessage(nullptr, 30002, "Cap", 0x30, 0, "Sec", "Key"), 1);
    EXPECT_EQ(ERR_DisplayArchMessage(nullptr, 39999, "Cap", 0, 0, nullptr, nullptr), 1);
    boxes = qmtest::takeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Could not locate section [Sec], key Key");
    EXPECT_EQ(boxes[0].caption, "Cap");
    EXPECT_EQ(boxes[0].style, 0x30u);
    EXPECT_EQ(boxes[1].text,
              "Unknown message number 39999, please update the messages to include this number!");
#ifndef _WIN32
    // Yes/No with the second button as default; Abort/Retry/Ignore with the third.
    EXPECT_EQ(plat_message_box(nullptr, "q", "c", 0x104), 7);
    EXPECT_EQ(plat_message_box(nullptr, "q", "c", 0x202), 5);
    EXPECT_EQ(plat_message_box(nullptr, "q", "c", 0x001), 1);
#endif
}

} // namespace
