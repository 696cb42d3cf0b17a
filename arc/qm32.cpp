// Start-up, configuration, error log and message lookup of the qm32 library:
// the shared section of the workstation, the fixed-format entries of the error
// log "finance.err", and message texts, help panels and severities by number.
#include "qm32int.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

// Only constant-initialised globals here: the POSIX load-time constructor may
// run before the dynamic initialisers of this file.
std::atomic<long> g_lastError{0};
std::atomic<QM32_MSGBOX_HOOK> g_boxHook{nullptr};
std::atomic<QM32_DIALOG_HOOK> g_dialogHook{nullptr};
// The last step any service call (or the start-up and shut-down) reached; only
// the exception report reads it. The steps are literals, so a pointer is the
// whole state.
std::atomic<const char *> g_step{""};
std::mutex g_startMutex;
plat_section_t g_section;
std::atomic<QM32_SHARED *> g_shared{nullptr};
bool g_created = false;
long g_startupError = QM32_ERR_SECTION; // not started yet

std::string &sectionName() {
    static std::string name = QM32_SECTION_NAME;
    return name;
}

std::string numberText(long number) {
    char key[32];
    std::snprintf(key, sizeof key, "%ld", number);
    return key;
}

// The last path component of a module name (either separator).
std::string lastComponent(const std::string &path) {
    std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Fills a record of the library itself and logs it.
void logOwn(long number, uint32_t severity, const std::string &text, const std::string &data,
            const char *module, const char *procedure, const char *source, uint32_t line) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(number);
    r.ulSeverity = severity;
    r.ulErrorType = 'E';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, text.c_str());
    _qm32SetField(r.szErrorData, sizeof r.szErrorData, data.c_str());
    _qm32SetField(r.szModule, sizeof r.szModule, module);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, procedure);
    _qm32SetField(r.szSource, sizeof r.szSource, source);
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
    r.ulLineNumber = line;
    ERR_LogError(&r);
}

// The first entry of the log, written by the process that creates the shared
// section; with DebugLevel 0 the log restarts with it.
void writeStartupEntry() {
    if (_qm32ProfileInt(QM32_ARCH_SECTION, "DebugLevel", 0) == 0)
        plat_remove_file(_qm32WindowsFile(QM32_LOG_NAME));

    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.ulErrorType = 'I';
    std::snprintf(r.szErrorText, sizeof r.szErrorText, "Workstation: %.63s, LAN-ID: %.63s",
                  plat_computer_name().c_str(), plat_user_name().c_str());
    _qm32SetField(r.szErrorData, sizeof r.szErrorData,
                  plat_os_version_text(plat_registry_build_text()).c_str());
    _qm32SetField(r.szModule, sizeof r.szModule, "qm32");
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "InitErrorLog()");
    _qm32SetField(r.szSource, sizeof r.szSource, "QM32.DLL");
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
    r.ulLineNumber = 258;
    ERR_LogError(&r);
}

// Start-up of the service-call layer and its sockets; false (logged and
// shown) on failure.
bool startSockets() {
    _qm32Step("daaInit");
    int major = 0, minor = 0;
    int rc = plat_net_startup(&major, &minor);
    char data[128];
    if (rc != 0) {
        std::snprintf(data, sizeof data, "Socket startup error: %d", rc);
    } else if (major != 2 || minor != 0) {
        std::snprintf(data, sizeof data, "WINSOCK 2.0 not available, found %d.%d", major, minor);
        plat_net_cleanup();
    } else {
        return true;
    }
    logOwn(QM32_ERR_SOCKETS, 16, "Socket start-up failed", data, "qmdaa32", "_daaInit", "QM32.DLL",
           __LINE__);
    _qm32MessageBox(data, QM32_ARCH_SECTION, PLAT_MB_ICONERROR);
    return false;
}

// Message file lookup shared by the three ERR_Get... exports: the message
// file of `app`, or empty after the box that reports its absence.
std::string messageFileOrBox(const char *app) {
    const char *section = app ? app : QM32_ARCH_SECTION;
    std::string file = _qm32MessageFile(section);
    if (file.empty()) {
        _qm32MessageBox(
            std::string("Cannot locate the message file name in QM32.INI for application: ") +
                section,
            "Error", PLAT_MB_ICONERROR);
    }
    return file;
}

// The integer for `number` in `section` of the message file of `app`; 0 when
// absent or when the application has no message file (after its box).
long messageNumber(const char *app, const char *section, long number) {
    try {
        std::string file = messageFileOrBox(app);
        if (file.empty())
            return 0;
        return plat_profile_int(file, section, numberText(number).c_str(), 0);
    } catch (...) {
        return 0;
    }
}

} // namespace

// ---- start-up and shut-down -------------------------------------------------

namespace {

long startUp() {
    if (g_shared.load())
        return 0;

    std::string error;
    auto onCreate = [](void *base) {
        try {
            writeStartupEntry();
        } catch (...) {
            // A start-up entry that cannot be written does not stop the library.
        }
        std::memset(base, 0, sizeof(QM32_SHARED));
        static_cast<QM32_SHARED *>(base)->lInitialised = 1;
    };
    if (!plat_section_open(g_section, sectionName(), sizeof(QM32_SHARED), onCreate, error)) {
        if (error.size() > 1000)
            error = error.substr(0, 997) + "...";
        plat_report_failure("qm32: cannot open the shared section " + sectionName() + ": " + error);
        return g_startupError = QM32_ERR_SECTION;
    }
    auto *shared = static_cast<QM32_SHARED *>(g_section.base);
    if (!g_section.created && shared->lInitialised != 1) {
        plat_section_close(g_section);
        plat_report_failure("qm32: the shared section " + sectionName() +
                            " was left uninitialised by another process");
        return g_startupError = QM32_ERR_SECTION;
    }
    if (_qm32ProfileString(QM32_ARCH_SECTION, "MessageFile").empty()) {
        _qm32MessageBox("Fatal Error!\r\nCould not locate a required section in QM32.INI",
                        QM32_ARCH_SECTION, PLAT_MB_ICONERROR);
        // The box does not say where the library looked.
        std::string ini = _qm32IniPath();
        plat_report_failure("qm32: no MessageFile in section [" QM32_ARCH_SECTION "] of " +
                            _qm32CutPath(ini) +
                            (plat_file_exists(ini) ? "" : " (the file does not exist)"));
        plat_section_close(g_section);
        return g_startupError = QM32_ERR_NO_MESSAGEFILE;
    }
    if (!startSockets()) {
        plat_section_close(g_section);
        return g_startupError = QM32_ERR_SOCKETS;
    }
    g_created = g_section.created;
    g_shared = shared;
    return g_startupError = 0;
}

} // namespace

long _qm32Startup() {
    try {
        std::lock_guard<std::mutex> lock(g_startMutex);
        return startUp();
    } catch (...) { // no exception leaves the library's start-up
        return QM32_ERR_SECTION;
    }
}

void _qm32Shutdown() {
    std::lock_guard<std::mutex> lock(g_startMutex);
    if (!g_shared.load())
        return;
    g_shared = nullptr;
    plat_section_close(g_section);
    _qm32Step("daaShutdown");
    int rc = plat_net_cleanup();
    if (rc != 0) {
        char data[64];
        std::snprintf(data, sizeof data, "Error un-initializing WINSOCK - rc = %d", rc);
        logOwn(30007, 8, "Socket shut-down failed", data, "qmdaa32", "_daaShutdown", "QM32.DLL",
               __LINE__);
    }
    g_startupError = QM32_ERR_SECTION;
}

long _qm32StartupError() {
    std::lock_guard<std::mutex> lock(g_startMutex);
    return g_startupError;
}

QM32_SHARED *_qm32Shared() {
    return g_shared.load();
}

bool _qm32SectionCreated() {
    std::lock_guard<std::mutex> lock(g_startMutex);
    return g_shared.load() && g_created;
}

void _qm32SetSectionName(const char *name) {
    std::lock_guard<std::mutex> lock(g_startMutex);
    sectionName() = name && *name ? name : QM32_SECTION_NAME;
}

// ---- configuration ----------------------------------------------------------

std::string _qm32WindowsDirectory() {
    return plat_windows_directory();
}

std::string _qm32WindowsFile(const char *name) {
    return plat_join_path(plat_windows_directory(), name);
}

std::string _qm32IniPath() {
    return _qm32WindowsFile(QM32_INI_NAME);
}

std::string _qm32ProfileString(const char *section, const char *key, const char *def) {
    return plat_profile_string(_qm32IniPath(), section, key, def);
}

long _qm32ProfileInt(const char *section, const char *key, long def) {
    return plat_profile_int(_qm32IniPath(), section, key, def);
}

std::string _qm32MessageFile(const char *app) {
    std::string file = _qm32ProfileString(app ? app : QM32_ARCH_SECTION, "MessageFile");
    if (!file.empty() && !plat_is_absolute_path(file))
        file = plat_join_path(plat_windows_directory(), file);
    return file;
}

std::string _qm32CutPath(const std::string &path) {
    const std::size_t limit = 160;
    if (path.size() <= limit)
        return path;
    return "..." + path.substr(path.size() - (limit - 3));
}

// ---- message boxes ----------------------------------------------------------

int _qm32MessageBox(const std::string &text, const std::string &caption, unsigned style,
                    void *owner) {
    if (QM32_MSGBOX_HOOK hook = g_boxHook.load())
        return hook(text.c_str(), caption.c_str(), style);
    return plat_message_box(owner, text, caption, style);
}

void _qm32SetMessageBoxHook(QM32_MSGBOX_HOOK hook) {
    g_boxHook = hook;
}

int _qm32RunDialog(CDialogLogic &logic, void *owner) {
    if (QM32_DIALOG_HOOK hook = g_dialogHook.load())
        return hook(logic, owner);
    return plat_run_dialog(logic, owner);
}

QM32_DIALOG_HOOK _qm32SetDialogHook(QM32_DIALOG_HOOK hook) {
    return g_dialogHook.exchange(hook);
}

void _qm32Step(const char *text) {
    g_step.store(text, std::memory_order_relaxed);
}

const char *_qm32GetStep() {
    return g_step.load(std::memory_order_relaxed);
}

// ---- records and texts ------------------------------------------------------

std::string _qm32Upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string _qm32Lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool _qm32EqualNoCase(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca != cb && std::tolower(ca) != std::tolower(cb))
            return false;
    }
    return *a == *b;
}

void _qm32SetField(char *field, std::size_t width, const char *src) {
    if (!field || width == 0)
        return;
    std::size_t n = src ? strnlen(src, width - 1) : 0;
    std::memcpy(field, src ? src : "", n);
    std::memset(field + n, 0, width - n);
}

std::string _qm32Field(const char *field, std::size_t width) {
    return std::string(field, strnlen(field, width));
}

int _qm32CopyOut(const std::string &text, char *buffer, long size) {
    if (!buffer || size <= 0)
        return 0;
    std::size_t n = text.size() < static_cast<std::size_t>(size - 1)
                        ? text.size()
                        : static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::string _qm32FormatMessage(const std::string &text, const char *insert1, const char *insert2) {
    std::string out;
    out.reserve(text.size() + 64);
    int used = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == 's' && used < 2) {
                const char *insert = used++ == 0 ? insert1 : insert2;
                out += insert ? insert : "";
                ++i;
                continue;
            }
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

const char *_qm32SeverityClass(uint32_t severity) {
    int32_t s = static_cast<int32_t>(severity); // negative values count as information
    if (s >= 16)
        return "Fatal Error";
    if (s >= 8)
        return "Error";
    if (s >= 4)
        return "Warning";
    return "Information";
}

std::string _qm32TypeText(uint32_t type) {
    char letter = static_cast<char>(type & 0xFF);
    switch (letter) {
    case 'E':
        return "E - Architecture";
    case 'V':
        return "V - VB Runtime";
    case 'I':
        return "I - Informational";
    case 'A':
        return "A - Service Application";
    case 'D':
        return "D - DB2";
    case 'S':
        return "S - Sybase";
    case 'C':
        return "C - CICS";
    case 'U':
        return "U - Unknown";
    case 'O':
        return "O - UNIX Operating System";
    default:
        break;
    }
    std::string text = "Type ";
    if (letter != '\0')
        text += letter;
    return text;
}

std::string _qm32FormatLogEntry(const ERR_RECORD &r, std::time_t when) {
    char stamp[64] = "";
    std::tm tm;
    if (plat_local_time(when, &tm) &&
        std::strftime(stamp, sizeof stamp, "%m/%d/%Y - %H:%M:%S %p %Z", &tm) == 0)
        stamp[0] = '\0';

    std::string e;
    e.reserve(1024);
    e += "\n************* ";
    e += _qm32SeverityClass(r.ulSeverity);
    e += " *************\n";
    e += "Application: " + _qm32Field(r.szApplication, sizeof r.szApplication) + "\n";
    e += std::string("Timestamp: ") + stamp + "\n";
    e += "Error: " + numberText(r.lErrorNumber) + "\n";
    char severity[32];
    std::snprintf(severity, sizeof severity, "%lu", static_cast<unsigned long>(r.ulSeverity));
    e += std::string("Severity: ") + severity + "\n";
    e += "Error Type: " + _qm32TypeText(r.ulErrorType) + "\n";
    e += "Error Text: " + _qm32Field(r.szErrorText, sizeof r.szErrorText) + "\n";
    e += "Error Data: " + _qm32Field(r.szErrorData, sizeof r.szErrorData) + "\n";
    e += "Module: " + lastComponent(_qm32Field(r.szModule, sizeof r.szModule)) + "\n";
    e += "Procedure: " + _qm32Field(r.szProcedure, sizeof r.szProcedure) + "\n";
    e += "Source: " + _qm32Field(r.szSource, sizeof r.szSource) + "\n";
    char line[32];
    std::snprintf(line, sizeof line, "%lu", static_cast<unsigned long>(r.ulLineNumber));
    e += std::string("Line: ") + line + "\n";
    return e;
}

// ---- exports ----------------------------------------------------------------

extern "C" {

QM32_API long QM32_CALL ERR_LogError(ERR_RECORD *pErr) {
    if (!pErr)
        return QM32_ERR_LOG;
    try {
        std::time_t now = std::time(nullptr);
        UTL_NullTerminate(pErr->szApplication, sizeof pErr->szApplication);
        UTL_NullTerminate(pErr->szErrorText, sizeof pErr->szErrorText);
        UTL_NullTerminate(pErr->szErrorData, sizeof pErr->szErrorData);
        UTL_NullTerminate(pErr->szModule, sizeof pErr->szModule);
        UTL_NullTerminate(pErr->szProcedure, sizeof pErr->szProcedure);
        UTL_NullTerminate(pErr->szSource, sizeof pErr->szSource);
        if ((pErr->ulErrorType & 0xFF) == 'E')
            _qm32SetField(pErr->szApplication, sizeof pErr->szApplication, QM32_ARCH_SECTION);

        bool written =
            plat_append_locked(_qm32WindowsFile(QM32_LOG_NAME), _qm32FormatLogEntry(*pErr, now));
        g_lastError = pErr->lErrorNumber;
        return written ? 0L : static_cast<long>(QM32_ERR_LOG);
    } catch (...) {
        g_lastError = pErr->lErrorNumber;
        return QM32_ERR_LOG;
    }
}

QM32_API long QM32_CALL ERR_GetDebugLevel(void) {
    try {
        return _qm32ProfileInt(QM32_ARCH_SECTION, "DebugLevel", 0);
    } catch (...) {
        return 0;
    }
}

QM32_API long QM32_CALL ERR_GetLastError(void) {
    return g_lastError.load();
}

QM32_API int QM32_CALL ERR_GetMessageText(const char *pszApp, long lNumber, char *pszBuffer,
                                          int iSize, const char *pszInsert1,
                                          const char *pszInsert2) {
    try {
        std::string file = messageFileOrBox(pszApp);
        if (file.empty())
            return 0;
        std::string key = numberText(lNumber);
        std::string text = plat_profile_string(file, "ERR_Messages", key.c_str(), "");
        if (text.empty()) {
            if (!plat_file_exists(file)) {
                _qm32MessageBox("Could not locate " + file + " to look-up error text.", "Error",
                                PLAT_MB_ICONERROR);
                return 0;
            }
            return _qm32CopyOut("Unknown message number " + key +
                                    ", please update the messages to include this number!",
                                pszBuffer, iSize);
        }
        if (text.size() > 1023)
            text.resize(1023);
        std::string out = _qm32FormatMessage(text, pszInsert1, pszInsert2);
        // The two characters backslash and r stand for a line break.
        std::string::size_type at = 0;
        while ((at = out.find("\\r", at)) != std::string::npos) {
            out.replace(at, 2, 1, '\r');
            ++at;
        }
        return _qm32CopyOut(out, pszBuffer, iSize);
    } catch (...) {
        return 0;
    }
}

QM32_API long QM32_CALL ERR_GetPanelId(const char *pszApp, long lNumber) {
    return messageNumber(pszApp, "ERR_HelpPanel", lNumber);
}

QM32_API long QM32_CALL ERR_GetSeverity(const char *pszApp, long lNumber) {
    return messageNumber(pszApp, "ERR_Severity", lNumber);
}

} // extern "C"
