// The "Error" window of qm32: the general message with the severity icon,
// the current error's details on request, paging through the earlier entries
// of the error log "finance.err", and mailing the log to the support
// addresses; and the exports that open it (ERR_HandleError, ERR_DisplayError)
// or show one message of the library (ERR_DisplayArchMessage).
#include "qmerrwnd.h"
#include "qm32res.h"

#include <atomic>
#include <cstring>
#include <fstream>

namespace {

std::atomic<QM32_MAIL_FN> g_mail{nullptr};

const char *const kCurrentLabel = "Error Data - Current Error";
// Every log entry opens with this line prefix (followed by the severity class).
const char *const kEntryMark = "************* ";
const char *const kLineEnd = "\r\r\n";

const QM_CONTROL kControls[] = {
    {IDC_ERR_ICON, QM_CONTROL_KIND::Icon, "", 0},
    {IDC_ERR_MESSAGE, QM_CONTROL_KIND::Text, "", 0},
    {QM_IDOK, QM_CONTROL_KIND::DefaultButton, "OK", 0},
    {IDC_ERR_DETAILS, QM_CONTROL_KIND::Button, "Details >>", 'D'},
    {IDC_ERR_SEND, QM_CONTROL_KIND::Button, "&Send", 0},
    {IDC_ERR_DETAILS_LABEL, QM_CONTROL_KIND::Text, "Error details", 0},
    {IDC_ERR_DETAILS_TEXT, QM_CONTROL_KIND::Details, "", 0},
    {IDC_ERR_PREVIOUS, QM_CONTROL_KIND::Button, "<< &Previous", 0},
    {IDC_ERR_NEXT, QM_CONTROL_KIND::Button, "&Next >>", 0},
};
const QM_DIALOG kDialog = {IDD_ERROR, "Error", kControls, sizeof kControls / sizeof kControls[0]};

std::string message(long number, std::size_t limit = 1023) {
    char text[1024];
    text[0] = '\0';
    ERR_GetMessageText(QM32_ARCH_SECTION, number, text, static_cast<int>(sizeof text), nullptr,
                       nullptr);
    std::string s = text;
    if (s.size() > limit)
        s.resize(limit);
    return s;
}

bool isEntryMark(const std::string &line) {
    return line.compare(0, std::strlen(kEntryMark), kEntryMark) == 0;
}

bool readLine(std::ifstream &in, std::string &line) {
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

unsigned iconFor(uint32_t severity) {
    switch (severity) {
    case 4:
        return PLAT_MB_ICONINFORMATION;
    case 8:
        return PLAT_MB_ICONEXCLAMATION;
    case 16:
        return PLAT_MB_ICONERROR;
    default:
        return 0;
    }
}

} // namespace

void _errSetMailSender(QM32_MAIL_FN mail) {
    g_mail = mail;
}

std::string _errDetailsText(const ERR_RECORD &record, std::time_t when) {
    // The log entry's lines without the empty line that opens it.
    std::string entry = _qm32FormatLogEntry(record, when);
    std::string out;
    out.reserve(entry.size() + 32);
    for (std::size_t i = entry.empty() || entry[0] != '\n' ? 0 : 1; i < entry.size(); ++i) {
        if (entry[i] == '\n')
            out += kLineEnd;
        else
            out += entry[i];
    }
    return out;
}

CErrorWindow::CErrorWindow(const ERR_RECORD &record, bool fromHandle, std::time_t when)
    : app_(_qm32Field(record.szApplication, sizeof record.szApplication)),
      details_(_errDetailsText(record, when)), severity_(record.ulSeverity),
      fromHandle_(fromHandle) {}

const QM_DIALOG &CErrorWindow::Dialog() const {
    return kDialog;
}

void CErrorWindow::OnInit(CDialogView &view) {
    view.SetText(IDC_ERR_MESSAGE, message(30040, 255));
    view.SetIcon(IDC_ERR_ICON, iconFor(severity_));
    view.ShowLowerPart(IDC_ERR_DETAILS_LABEL, false);
    updatePaging(view);
    view.SetFocus(QM_IDOK);
}

// "<< Previous" and "Next >>" are enabled only where they can move: Previous
// while an earlier entry lies before the one shown (before the log is
// counted that is not known yet, so it stays enabled), Next while an earlier
// entry rather than the current error is shown.
void CErrorWindow::updatePaging(CDialogView &view) {
    bool current = !counted_ || index_ >= earlier_;
    view.Enable(IDC_ERR_PREVIOUS, !counted_ || (earlier_ > 0 && (current || index_ > 0)));
    view.Enable(IDC_ERR_NEXT, !current);
}

void CErrorWindow::OnCommand(CDialogView &view, int id) {
    switch (id) {
    case QM_IDOK:
    case QM_IDCANCEL:
        view.EndDialog(QM_IDOK);
        break;
    case IDC_ERR_DETAILS:
        expanded_ = !expanded_;
        if (expanded_) {
            view.ShowLowerPart(IDC_ERR_DETAILS_LABEL, true);
            if (counted_)
                index_ = earlier_;
            showCurrent(view);
        } else {
            view.ShowLowerPart(IDC_ERR_DETAILS_LABEL, false);
        }
        break;
    case IDC_ERR_PREVIOUS:
        if (!count(view) || earlier_ == 0) {
            updatePaging(view);
            break;
        }
        if (index_ > 0)
            --index_;
        showEntry(view, index_);
        break;
    case IDC_ERR_NEXT:
        if (!count(view))
            break;
        ++index_;
        if (index_ < earlier_) {
            showEntry(view, index_);
        } else {
            index_ = earlier_;
            showCurrent(view);
        }
        break;
    case IDC_ERR_SEND:
        view.SetBusy(true);
        send(view);
        view.SetBusy(false);
        break;
    default:
        break;
    }
}

void CErrorWindow::box(CDialogView &view, long number, unsigned style) {
    view.ShowMessage(message(number), QM32_ARCH_SECTION, style);
}

// Counts the earlier entries of the log once: every entry from
// ERR_DisplayError, all but the last (the current error) from ERR_HandleError.
bool CErrorWindow::count(CDialogView &view) {
    if (counted_)
        return true;
    std::ifstream in(_qm32WindowsFile(QM32_LOG_NAME), std::ios::binary);
    if (!in) {
        box(view, QM32_ERR_LOG, PLAT_MB_ICONEXCLAMATION);
        return false;
    }
    long marks = 0;
    std::string line;
    while (readLine(in, line))
        if (isEntryMark(line))
            ++marks;
    earlier_ = fromHandle_ && marks > 0 ? marks - 1 : marks;
    index_ = earlier_;
    counted_ = true;
    return true;
}

void CErrorWindow::showCurrent(CDialogView &view) {
    view.SetText(IDC_ERR_DETAILS_TEXT, details_);
    view.SetText(IDC_ERR_DETAILS_LABEL, kCurrentLabel);
    updatePaging(view);
}

void CErrorWindow::showEntry(CDialogView &view, long index) {
    std::ifstream in(_qm32WindowsFile(QM32_LOG_NAME), std::ios::binary);
    if (!in) {
        box(view, QM32_ERR_LOG, PLAT_MB_ICONEXCLAMATION);
        return;
    }
    std::string text, line;
    long seen = -1;
    while (readLine(in, line)) {
        if (isEntryMark(line)) {
            if (seen == index)
                break;
            ++seen;
            if (seen == index)
                text = line;
            continue;
        }
        if (seen == index)
            text += kLineEnd + line;
    }
    if (!expanded_) {
        expanded_ = true;
        view.ShowLowerPart(IDC_ERR_DETAILS_LABEL, true);
    }
    view.SetText(IDC_ERR_DETAILS_TEXT, text);
    view.SetText(IDC_ERR_DETAILS_LABEL, "Error Details - Record " + std::to_string(index + 1) +
                                            " of " + std::to_string(earlier_));
    updatePaging(view);
}

// Mails the log to the application's (else the library's) ErrorEmail and to
// DevEmail; a failure ends the send and is shown (the mail sender logged its
// cause), so the user does not take a silent window for a sent log.
void CErrorWindow::send(CDialogView &view) {
    QM32_MAIL_FN mail = g_mail.load();
    if (!mail)
        mail = MAIL_SendMessageFile;
    const std::string file = _qm32WindowsFile(QM32_LOG_NAME);
    const std::string sender = plat_user_name();
    const char *const subject = "Finance Error Log";
    std::string to;
    if (!app_.empty())
        to = _qm32ProfileString(app_.c_str(), "ErrorEmail");
    if (to.empty())
        to = _qm32ProfileString(QM32_ARCH_SECTION, "ErrorEmail");
    if (to.empty()) {
        box(view, 30053, PLAT_MB_ICONERROR);
        return;
    }
    long rc = mail(to.c_str(), sender.c_str(), subject, file.c_str());
    std::string dev = _qm32ProfileString(QM32_ARCH_SECTION, "DevEmail");
    if (rc == 0 && !dev.empty())
        rc = mail(dev.c_str(), sender.c_str(), subject, file.c_str());
    if (rc != 0) {
        view.ShowMessage("Error " + std::to_string(rc) + ": " + message(rc), QM32_ARCH_SECTION,
                         PLAT_MB_ICONERROR);
        return;
    }
    box(view, 30025, PLAT_MB_OK);
}

// ---- exports ----------------------------------------------------------------

namespace {

long displayError(ERR_RECORD *pErr, bool fromHandle) {
    if (!pErr)
        return QM_IDOK;
    try {
        CErrorWindow window(*pErr, fromHandle, std::time(nullptr));
        int result = _qm32RunDialog(window);
        if (result != QM_DIALOG_UNAVAILABLE)
            return result;
        // Nobody to show it to: the general message and the details go
        // where the library's message boxes go, and the answer is OK.
        std::string text =
            message(30040, 255) + "\r\n" + _errDetailsText(*pErr, std::time(nullptr));
        std::string::size_type at = 0;
        while ((at = text.find("\r\r\n", at)) != std::string::npos)
            text.erase(at, 1);
        _qm32MessageBox(text, "Error", iconFor(pErr->ulSeverity));
        return QM_IDOK;
    } catch (...) {
        return QM_IDOK;
    }
}

} // namespace

extern "C" {

QM32_API long QM32_CALL ERR_HandleError(ERR_RECORD *pErr) {
    if (!pErr)
        return QM_IDOK;
    ERR_LogError(pErr); // also sets the last error
    return displayError(pErr, true);
}

QM32_API long QM32_CALL ERR_HandleServiceError(ERR_RECORD *pErr) {
    return ERR_HandleError(pErr);
}

QM32_API long QM32_CALL ERR_DisplayError(ERR_RECORD *pErr) {
    return displayError(pErr, false);
}

QM32_API int QM32_CALL ERR_DisplayArchMessage(void *hOwner, int iNumber, const char *pszCaption,
                                              int iStyle, long lIgnored, const char *pszInsert1,
                                              const char *pszInsert2) {
    (void)lIgnored;
    try {
        char text[1024];
        if (ERR_GetMessageText(QM32_ARCH_SECTION, iNumber, text, static_cast<int>(sizeof text),
                               pszInsert1, pszInsert2) <= 0)
            return 0;
        return _qm32MessageBox(text, pszCaption ? pszCaption : "", static_cast<unsigned>(iStyle),
                               hOwner);
    } catch (...) {
        return 0;
    }
}

} // extern "C"
