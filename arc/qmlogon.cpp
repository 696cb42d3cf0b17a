// Logon and access of qm32: the "Logon" and "Change Password" windows (their
// portable logic), the sign-on check and password change at the host, the
// user's access table in the shared section, and the SEC_ exports.
#include "qmlogon.h"
#include "qm32int.h"
#include "qm32res.h"
#include "qmdaa32.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char *const kModule = "qmlogon";
const char *const kSource = "Logon window";
const int kFieldMax = 50; // user ids and passwords keep at most 50 characters

// The logged-on identity as the shared section holds it.
struct Identity {
    std::string user, password;
    void wipe() {
        plat_wipe(user);
        plat_wipe(password);
    }
};

Identity sharedIdentity() {
    Identity id;
    if (QM32_SHARED *s = _qm32Shared()) {
        id.user = _qm32Field(s->szUserId, sizeof s->szUserId);
        id.password = _qm32Field(s->szPassword, sizeof s->szPassword);
    }
    return id;
}

void storeIdentity(const std::string &user, const std::string &password) {
    if (QM32_SHARED *s = _qm32Shared()) {
        _qm32SetField(s->szUserId, sizeof s->szUserId, user.c_str());
        _qm32SetField(s->szPassword, sizeof s->szPassword, password.c_str());
    }
}

std::string cut(std::string s, std::size_t n) {
    if (s.size() > n) {
        plat_wipe(&s[n], s.size() - n);
        s.resize(n);
    }
    return s;
}

// A message of the library's own message file.
std::string message(long number, const char *insert = nullptr) {
    char text[1024];
    text[0] = '\0';
    ERR_GetMessageText(QM32_ARCH_SECTION, number, text, static_cast<int>(sizeof text), insert,
                       nullptr);
    return text;
}

// True when the host's error data names `id` (a host message id such as "ACF01017").
bool dataHas(const ERR_RECORD &e, const char *id) {
    std::string data(e.szErrorData, strnlen(e.szErrorData, sizeof e.szErrorData));
    return data.find(id) != std::string::npos;
}

// A record of this module, application "32-bit Architecture".
ERR_RECORD ownRecord(long number, uint32_t severity, uint32_t type, const char *procedure) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(number);
    r.ulSeverity = severity;
    r.ulErrorType = type;
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, procedure);
    _qm32SetField(r.szSource, sizeof r.szSource, kSource);
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
    return r;
}

// A call that failed before it reached the worker (the library not started)
// leaves no number in the block: it gets the call's result.
void failedCall(DAA_SERVICE_BLOCK &block, long rc) {
    if (rc == 0 || block.Error.lErrorNumber != 0)
        return;
    block.Error = ownRecord(rc, 8, 'E', "Logon::OnOK()");
    _qm32SetField(block.Error.szErrorText, sizeof block.Error.szErrorText, message(rc).c_str());
}

// A sign-on or access call for `user` with `password`, with a 9-character
// field at offset 88. Returns the call's result; the host's status is in `block`.
struct SignOnRecord {
    DAA_REQUEST_HEADER header;
    char field[9];
};

// The sign-on answer decodes into a record of the header and one 9-character
// field: its format may be empty, "k88" or "k88s9", nothing larger.
bool signOnFormatOk(const char *format, int length) {
    std::string f =
        _qm32Lower(std::string(format, static_cast<std::size_t>(length < 0 ? 0 : length)));
    return f.empty() || f == "k88" || f == "k88s9";
}

long signOnCall(DAA_SERVICE_BLOCK &block, uint32_t type, const std::string &user,
                const std::string &password, const std::string &field) {
    std::memset(&block, 0, sizeof block);
    block.lService = DAA_SIGNON_SERVICE;
    block.lOption = 1;
    block.ulRequestType = type;
    _qm32SetField(block.szFormat, sizeof block.szFormat, "k88s9");
    SignOnRecord request, answer;
    std::memset(&request, 0, sizeof request);
    std::memset(&answer, 0, sizeof answer);
    std::memcpy(request.field, field.data(), field.size() < 9 ? field.size() : 9);
    long rc =
        _daaInvokeAs(&block, &request, &answer, user.c_str(), password.c_str(), signOnFormatOk);
    plat_wipe(&request, sizeof request); // its header and field carry passwords
    plat_wipe(&answer, sizeof answer);
    failedCall(block, rc);
    return rc;
}

// ---- recording a logon and fetching the access rights -----------------------

void recordLogon(const std::string &user) {
    plat_profile_write(_qm32IniPath(), QM32_ARCH_SECTION, "LastLoginID", user.c_str());
    ERR_RECORD r = ownRecord(0, 0, 'I', "Logon::LogAccess()");
    std::snprintf(r.szErrorText, sizeof r.szErrorText, "User: %s logged in.", user.c_str());
    ERR_LogError(&r);
}

// The text of a failed access call: the message of the host's error number
// (the host's own catalogue "svcmsg.ini" first, then the message file), else
// the host's error text.
std::string accessErrorText(const ERR_RECORD &e) {
    std::string key = std::to_string(static_cast<long>(e.lErrorNumber));
    std::string file = _qm32MessageFile(nullptr);
    if (!file.empty()) {
        std::size_t slash = file.find_last_of("\\/");
        std::string svcmsg = slash == std::string::npos
                                 ? std::string("svcmsg.ini")
                                 : plat_join_path(file.substr(0, slash), "svcmsg.ini");
        for (const std::string &f : {svcmsg, file}) {
            std::string text = plat_profile_string(f, "ERR_Messages", key.c_str(), "");
            if (!text.empty())
                return _qm32FormatMessage(text, nullptr, nullptr);
        }
    }
    return _qm32Field(e.szErrorText, sizeof e.szErrorText);
}

void fetchAccess(const std::string &user, const std::string &password) {
    DAA_SERVICE_BLOCK block;
    std::memset(&block, 0, sizeof block);
    block.lService = DAA_ACCESS_SERVICE;
    block.lOption = 1;
    block.lStart = 1;
    block.lRows = SEC_ACCESS_ROWS;
    block.ulRequestType = 'S';
    _qm32SetField(block.szFormat, sizeof block.szFormat, "k88s9");
    SignOnRecord request;
    std::memset(&request, 0, sizeof request);
    std::string id = _qm32Upper(cut(user, 9));
    std::memcpy(request.field, id.data(), id.size());
    std::vector<char> answer(SEC_ACCESS_ANSWER_SIZE, '\0');
    long rc = _daaInvokeAs(&block, &request, answer.data(), user.c_str(), password.c_str(),
                           _secAccessFormatOk);
    plat_wipe(&request, sizeof request);
    failedCall(block, rc);

    QM32_SHARED *shared = _qm32Shared();
    long number = block.Error.lErrorNumber;
    if (number != 0 && number != 23) {
        ERR_RECORD r =
            ownRecord(number, number == 27 ? 4 : 16, 'E', "Logon::GetClientAccessInfo()");
        std::string text = number == 27
                               ? "Access data not found, all SEC_GetClientAccess() calls will fail."
                               : accessErrorText(block.Error);
        _qm32SetField(r.szErrorText, sizeof r.szErrorText, text.c_str());
        std::snprintf(r.szErrorData, sizeof r.szErrorData,
                      "GetClientAccess service %ld - error value %d",
                      static_cast<long>(DAA_ACCESS_SERVICE), static_cast<int>(number));
        ERR_LogError(&r);
        // No rights of an earlier user may stay behind.
        if (shared) {
            std::memset(shared->access, 0, sizeof shared->access);
            shared->lAccessCount = 0;
        }
        return;
    }
    if (shared)
        _qm32SetField(shared->szUserId, sizeof shared->szUserId, user.c_str());
    _secStoreAccess(answer.data(), block.lRows);
}

// ---- the windows ------------------------------------------------------------

const QM_CONTROL kLogonControls[] = {
    {-1, QM_CONTROL_KIND::Label, "&User ID:", 0},
    {IDC_LOGON_USERID, QM_CONTROL_KIND::Edit, "", kFieldMax},
    {-1, QM_CONTROL_KIND::Label, "&Password:", 0},
    {IDC_LOGON_PASSWORD, QM_CONTROL_KIND::Password, "", kFieldMax},
    {QM_IDOK, QM_CONTROL_KIND::DefaultButton, "OK", 0},
    {QM_IDCANCEL, QM_CONTROL_KIND::Button, "Cancel", 0},
};
const QM_DIALOG kLogonDialog = {IDD_LOGON, "Logon", kLogonControls,
                                sizeof kLogonControls / sizeof kLogonControls[0]};

const QM_CONTROL kChangeControls[] = {
    {-1, QM_CONTROL_KIND::Label, "&Old password:", 0},
    {IDC_CHPW_OLD, QM_CONTROL_KIND::Password, "", kFieldMax},
    {-1, QM_CONTROL_KIND::Label, "&New password:", 0},
    {IDC_CHPW_NEW, QM_CONTROL_KIND::Password, "", kFieldMax},
    {-1, QM_CONTROL_KIND::Label, "&Retype new password:", 0},
    {IDC_CHPW_RETYPE, QM_CONTROL_KIND::Password, "", kFieldMax},
    {QM_IDOK, QM_CONTROL_KIND::DefaultButton, "OK", 0},
    {QM_IDCANCEL, QM_CONTROL_KIND::Button, "Cancel", 0},
};
const QM_DIALOG kChangeDialog = {IDD_CHANGE_PASSWORD, "Change Password", kChangeControls,
                                 sizeof kChangeControls / sizeof kChangeControls[0]};

// Reads an edit, keeping at most 50 characters.
std::string field(CDialogView &view, int id) {
    return cut(view.GetText(id), kFieldMax);
}

// The "Change Password" window for `user`, whose current password is
// `current`. On success `newPassword` holds the new one; the opener stores it.
class CChangePasswordDialog : public CDialogLogic {
  public:
    CChangePasswordDialog(const std::string &user, const std::string &current)
        : user_(user), current_(current) {}
    ~CChangePasswordDialog() override {
        plat_wipe(current_);
        plat_wipe(newPassword);
    }
    const QM_DIALOG &Dialog() const override { return kChangeDialog; }

    void OnInit(CDialogView &view) override {
        view.SetFocus(IDC_CHPW_OLD);
        updateOk(view);
    }
    void OnChange(CDialogView &view, int) override { updateOk(view); }
    void OnCommand(CDialogView &view, int id) override {
        if (id == QM_IDCANCEL)
            view.EndDialog(QM_IDCANCEL);
        else if (id == QM_IDOK)
            ok(view);
    }

    std::string newPassword;

  private:
    void updateOk(CDialogView &view) {
        std::string a = view.GetText(IDC_CHPW_OLD), b = view.GetText(IDC_CHPW_NEW),
                    c = view.GetText(IDC_CHPW_RETYPE);
        view.Enable(QM_IDOK, !a.empty() && !b.empty() && !c.empty());
        plat_wipe(a);
        plat_wipe(b);
        plat_wipe(c);
    }
    void clearFields(CDialogView &view) {
        view.SetText(IDC_CHPW_OLD, "");
        view.SetText(IDC_CHPW_NEW, "");
        view.SetText(IDC_CHPW_RETYPE, "");
        view.SetFocus(IDC_CHPW_OLD);
        updateOk(view);
    }
    void refuse(CDialogView &view, long number, unsigned style) {
        view.ShowMessage(message(number), kChangeDialog.caption, style);
        clearFields(view);
    }
    void ok(CDialogView &view) {
        std::string old = field(view, IDC_CHPW_OLD), fresh = field(view, IDC_CHPW_NEW),
                    retype = field(view, IDC_CHPW_RETYPE);
        int outcome = check(view, old, fresh, retype);
        if (outcome == QM_IDOK) {
            newPassword = fresh;
            view.ShowMessage(message(30021), kChangeDialog.caption, PLAT_MB_ICONEXCLAMATION);
            view.EndDialog(QM_IDOK);
        } else if (outcome == QM_IDCANCEL) {
            view.EndDialog(QM_IDCANCEL);
        }
        plat_wipe(old);
        plat_wipe(fresh);
        plat_wipe(retype);
    }
    // QM_IDOK: changed; QM_IDCANCEL: the window closes with failure; 0: it stays.
    int check(CDialogView &view, const std::string &old, const std::string &fresh,
              const std::string &retype) {
        if (old != current_) {
            refuse(view, 30016, PLAT_MB_ICONEXCLAMATION);
            return 0;
        }
        if (fresh != retype) {
            refuse(view, 30017, PLAT_MB_ICONEXCLAMATION);
            return 0;
        }
        if (fresh == old) {
            refuse(view, 30018, PLAT_MB_ICONEXCLAMATION);
            return 0;
        }
        DAA_SERVICE_BLOCK block;
        view.SetBusy(true);
        long rc = signOnCall(block, 'C', user_, current_, cut(fresh, 9));
        view.SetBusy(false);
        if (rc != 0) {
            // The call itself failed (logged by the call): the window stays.
            view.ShowMessage(message(rc), kChangeDialog.caption, PLAT_MB_ICONERROR);
            return 0;
        }
        const ERR_RECORD &e = block.Error;
        if (e.lErrorNumber == 0)
            return QM_IDOK;
        if (dataHas(e, "ACF01013") || dataHas(e, "ACF01136")) {
            view.ShowMessage(message(dataHas(e, "ACF01013") ? 30019 : 30020), kChangeDialog.caption,
                             PLAT_MB_ICONERROR);
            return QM_IDCANCEL;
        }
        if (dataHas(e, "ACFAE155"))
            view.ShowMessage(message(30026), kChangeDialog.caption, PLAT_MB_ICONEXCLAMATION);
        else
            view.ShowMessage(_qm32Field(e.szErrorData, sizeof e.szErrorData), kChangeDialog.caption,
                             PLAT_MB_OK);
        clearFields(view);
        return 0;
    }

    std::string user_, current_;
};

// The "Logon" window. The typed identity is the logged-on one only while the
// host checks it and after the host accepted it: every other outcome puts
// the identity of before back.
class CLogonDialog : public CDialogLogic {
  public:
    const QM_DIALOG &Dialog() const override { return kLogonDialog; }

    void OnInit(CDialogView &view) override {
        std::string user = _qm32ProfileString(QM32_ARCH_SECTION, "LastLoginID");
        if (user.empty())
            user = plat_user_name();
        view.SetText(IDC_LOGON_USERID, cut(user, kFieldMax));
        view.SetFocus(IDC_LOGON_PASSWORD);
        updateOk(view);
    }
    void OnChange(CDialogView &view, int) override { updateOk(view); }
    void OnCommand(CDialogView &view, int id) override {
        if (id == QM_IDCANCEL)
            view.EndDialog(QM_IDCANCEL);
        else if (id == QM_IDOK)
            ok(view);
    }

  private:
    void updateOk(CDialogView &view) {
        std::string u = view.GetText(IDC_LOGON_USERID), p = view.GetText(IDC_LOGON_PASSWORD);
        view.Enable(QM_IDOK, !u.empty() && !p.empty());
        plat_wipe(p);
    }
    void ok(CDialogView &view) {
        Identity typed{field(view, IDC_LOGON_USERID), field(view, IDC_LOGON_PASSWORD)};
        view.SetBusy(true);
        Identity before = sharedIdentity();
        // From here on service calls of this workstation do not ask for a logon.
        storeIdentity(typed.user, typed.password);
        DAA_SERVICE_BLOCK block;
        signOnCall(block, 'S', typed.user, typed.password, "");
        ERR_RECORD &e = block.Error;
        long number = e.lErrorNumber;
        if (number == 0) {
            succeed(view, typed);
        } else {
            storeIdentity(before.user, before.password);
            view.SetBusy(false);
            refused(view, e, typed);
        }
        before.wipe();
        typed.wipe();
    }
    void succeed(CDialogView &view, const Identity &id) {
        storeIdentity(id.user, id.password);
        recordLogon(id.user);
        fetchAccess(id.user, id.password);
        view.SetBusy(false);
        view.EndDialog(QM_IDOK);
    }
    void refused(CDialogView &view, ERR_RECORD &e, const Identity &typed) {
        const char *caption = kLogonDialog.caption;
        long number = e.lErrorNumber;
        if (number > 10000 || number < 0) {
            ERR_HandleError(&e);
            view.EndDialog(QM_IDCANCEL);
        } else if (dataHas(e, "ACF01017") || dataHas(e, "ACF01134")) {
            view.ShowMessage(message(30015), caption, PLAT_MB_ICONEXCLAMATION);
            CChangePasswordDialog change(typed.user, typed.password);
            if (_qm32RunDialog(change, view.Native()) == QM_IDOK) {
                Identity changed{typed.user, change.newPassword};
                view.SetBusy(true);
                succeed(view, changed);
                changed.wipe();
            }
        } else if (dataHas(e, "ACF01013")) {
            view.ShowMessage(message(30019), caption, PLAT_MB_ICONERROR);
            view.EndDialog(QM_IDCANCEL);
        } else if (dataHas(e, "ACF01004")) {
            view.ShowMessage(message(30039, typed.user.c_str()), caption, PLAT_MB_ICONEXCLAMATION);
            view.SetFocus(IDC_LOGON_PASSWORD);
        } else if (dataHas(e, "ACF01012")) {
            view.ShowMessage(message(30014), caption, PLAT_MB_ICONEXCLAMATION);
            view.SetText(IDC_LOGON_PASSWORD, "");
            view.SetFocus(IDC_LOGON_PASSWORD);
            updateOk(view);
        } else {
            view.ShowMessage(_qm32Field(e.szErrorData, sizeof e.szErrorData), caption, PLAT_MB_OK);
        }
    }
};

// True while a logon window of this process is open: a call made meanwhile
// (from a message the window's loop dispatched) does not open a second one.
std::atomic<bool> g_logonOpen{false};

bool loggedOn() {
    QM32_SHARED *s = _qm32Shared();
    return s && s->szUserId[0] != '\0';
}

} // namespace

// ---- internal interface -----------------------------------------------------

bool _secAccessFormatOk(const char *format, int length) {
    if (!format || length < 0)
        return false;
    if (length == 0)
        return true; // the header alone: no rows
    std::string f = _qm32Lower(std::string(format, static_cast<std::size_t>(length)));
    if (f.size() < 3 || f.compare(0, 3, "k88") != 0)
        return false;
    std::string rest = f.substr(3);
    if (rest.empty())
        return true;
    // "r1.N" or "r1/N" followed by "s9": one group of N rows.
    if (rest.compare(0, 3, "r1.") == 0 || rest.compare(0, 3, "r1/") == 0) {
        std::size_t i = 3;
        long n = 0;
        while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])) && n <= 1000)
            n = n * 10 + (rest[i++] - '0');
        return i > 3 && n <= SEC_ACCESS_ROWS && rest.substr(i) == "s9";
    }
    // Or "s9" once per row.
    if (rest.size() % 2 != 0 || rest.size() / 2 > static_cast<std::size_t>(SEC_ACCESS_ROWS))
        return false;
    for (std::size_t i = 0; i < rest.size(); i += 2)
        if (rest.compare(i, 2, "s9") != 0)
            return false;
    return true;
}

void _secStoreAccess(const void *answer, long rows) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared)
        return;
    std::memset(shared->access, 0, sizeof shared->access);
    shared->lAccessCount = 0;
    const char *p = static_cast<const char *>(answer) + sizeof(DAA_REQUEST_HEADER);
    long n = rows < 0 ? 0 : rows > SEC_ACCESS_ROWS ? SEC_ACCESS_ROWS : rows;
    const int capacity = static_cast<int>(sizeof shared->access / sizeof shared->access[0]);
    int count = 0;
    for (long i = 0; i < n && count < capacity - 1; ++i) {
        const char *row = p + i * 9;
        if (row[0] == '\0')
            continue;
        QM32_ACCESS_ENTRY &e = shared->access[count++];
        std::memcpy(e.szFunction, row, 6);
        uint32_t flags = 1;
        if (row[6] == '1')
            flags |= 4;
        if (row[7] == '1')
            flags |= 2;
        if (row[8] == '1')
            flags |= 8;
        e.ulFlags = flags;
    }
    QM32_ACCESS_ENTRY &test = shared->access[count++];
    std::memcpy(test.szFunction, "test", 5);
    test.ulFlags = 2 + 8;
    shared->lAccessCount = count;
}

uint32_t _secFindAccess(const char *code) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared || !code)
        return 0;
    auto trimmed = [](std::string s) {
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        return _qm32Upper(s);
    };
    std::string wanted = trimmed(code);
    long count = shared->lAccessCount;
    const long capacity = static_cast<long>(sizeof shared->access / sizeof shared->access[0]);
    if (count > capacity)
        count = capacity;
    for (long i = 0; i < count; ++i) {
        const QM32_ACCESS_ENTRY &e = shared->access[i];
        if (trimmed(_qm32Field(e.szFunction, sizeof e.szFunction)) == wanted)
            return e.ulFlags;
    }
    return 0;
}

bool _secLoginUser() {
    return SEC_LoginUser() != 0;
}

namespace {
// The service layer asks for a logon through this hook, so that it need not
// know the logon window.
struct LogonHookRegistration {
    LogonHookRegistration() { _daaSetLogonHook(_secLoginUser); }
} g_logonHookRegistration;
} // namespace

extern "C" {

QM32_API int QM32_CALL SEC_LoginUser(void) {
    try {
        if (!_qm32Shared() || g_logonOpen.exchange(true))
            return 0;
        CLogonDialog logon;
        int result = _qm32RunDialog(logon);
        g_logonOpen = false;
        return result == QM_IDOK && loggedOn() ? -1 : 0;
    } catch (...) {
        g_logonOpen = false;
        return 0;
    }
}

QM32_API int QM32_CALL SEC_ChangePassword(void) {
    try {
        if (!loggedOn())
            return 0;
        Identity id = sharedIdentity();
        CChangePasswordDialog change(id.user, id.password);
        int result = _qm32RunDialog(change);
        bool changed = result == QM_IDOK;
        // The new password is stored as typed, for the same user only.
        if (changed && sharedIdentity().user == id.user)
            storeIdentity(id.user, change.newPassword);
        id.wipe();
        return changed ? -1 : 0;
    } catch (...) {
        return 0;
    }
}

QM32_API uint32_t QM32_CALL SEC_GetClientAccess(const char *pszFunction) {
    try {
        if (!loggedOn() && SEC_LoginUser() == 0)
            return 0;
        return _secFindAccess(pszFunction);
    } catch (...) {
        return 0;
    }
}

// Kind 1 the user id, 2 the password, 3 the fixed text "E". Copies at most
// iSize characters, the buffer always ending with a NUL at iSize - 1, and
// returns the length of the text copied; 0 (buffer untouched) when nobody is
// logged on or the kind is unknown.
QM32_API int QM32_CALL SEC_GetUserString(int iKind, char *pszBuffer, int iSize) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared || !pszBuffer || iSize <= 0 || shared->szUserId[0] == '\0')
        return 0;
    std::string text;
    switch (iKind) {
    case 1:
        text = _qm32Field(shared->szUserId, sizeof shared->szUserId);
        break;
    case 2:
        text = _qm32Field(shared->szPassword, sizeof shared->szPassword);
        break;
    case 3:
        text = "E";
        break;
    default:
        return 0;
    }
    std::size_t size = static_cast<std::size_t>(iSize);
    std::size_t n = text.size() < size ? text.size() : size;
    std::memcpy(pszBuffer, text.data(), n);
    std::memset(pszBuffer + n, 0, size - n);
    pszBuffer[size - 1] = '\0';
    plat_wipe(text);
    return static_cast<int>(strnlen(pszBuffer, size));
}

} // extern "C"
