// Process and path utilities of qm32: trimming of fixed-width text fields,
// paths from the configuration, the library's version text, starting,
// finding, activating and closing client programs, the wait window, direct
// access to the logged-on identity in the shared section, and small byte and
// file tests.
#include "qm32int.h"
#include "platform/platform_wait.h"

#include <cctype>
#include <cstring>
#include <mutex>

namespace {

const char kModule[] = "qmutl32";

// Results of the search for a running program.
enum : long {
    UTL_ERR_NOT_A_FILE = 30029,  // the program file does not exist
    UTL_ERR_START = 30030,       // the program could not be started
    UTL_PROGRAM_RUNNING = 30032, // found running
    UTL_ERR_NOT_RUNNING = 30033, // not running, or no window to act on
};

// Looks for a running process whose executable file name equals the last
// component of `program` without regard to case: UTL_PROGRAM_RUNNING with its
// id in `pid`, or UTL_ERR_NOT_RUNNING.
long findProgram(const char *program, unsigned long *pid) {
    const char *wanted = UTL_StripFileName(program);
    if (!wanted || !*wanted)
        return UTL_ERR_NOT_RUNNING;
    bool found = plat_find_process([&](unsigned long id, const std::string &image) {
        if (!_qm32EqualNoCase(UTL_StripFileName(image.c_str()), wanted))
            return false;
        *pid = id;
        return true;
    });
    return found ? UTL_PROGRAM_RUNNING : UTL_ERR_NOT_RUNNING;
}

// The log record of a program that could not be started. Its procedure and
// source labels are the ones the error log has always carried for it.
void logFailedStart(unsigned long systemError, const std::string &systemText, const char *program) {
    ERR_RECORD r;
    std::memset(&r, 0, sizeof r);
    r.lErrorNumber = static_cast<int32_t>(systemError);
    r.ulSeverity = 8;
    r.ulErrorType = 'E';
    _qm32SetField(r.szErrorText, sizeof r.szErrorText, systemText.c_str());
    _qm32SetField(r.szErrorData, sizeof r.szErrorData, program);
    _qm32SetField(r.szModule, sizeof r.szModule, kModule);
    _qm32SetField(r.szProcedure, sizeof r.szProcedure, "UTL_ActivateApp()");
    _qm32SetField(r.szSource, sizeof r.szSource, "OpenProcess()");
    _qm32SetField(r.szApplication, sizeof r.szApplication, QM32_ARCH_SECTION);
    r.ulLineNumber = __LINE__;
    ERR_LogError(&r);
}

// The one wait window of the process, and its text line's content.
std::recursive_mutex g_waitMutex;
plat_wait_t g_wait = nullptr;
std::string g_waitText;

} // namespace

extern "C" {

// Ends a fixed-width field inside its width and strips its trailing blanks
// and NULs; a field that fills its whole width loses its last character.
QM32_API int QM32_CALL UTL_NullTerminate(char *pszText, int iWidth) {
    if (!pszText || iWidth <= 0)
        return 0;
    pszText[iWidth - 1] = '\0';
    for (int i = iWidth - 2; i >= 0 && (pszText[i] == ' ' || pszText[i] == '\0'); --i)
        pszText[i] = '\0';
    return static_cast<int>(strnlen(pszText, static_cast<std::size_t>(iWidth)));
}

// The part of a path after its last separator (Windows: backslash; POSIX:
// slash or backslash), or the whole text when it has none.
QM32_API const char *QM32_CALL UTL_StripFileName(const char *pszPath) {
    if (!pszPath)
        return nullptr;
    const char *name = pszPath;
    for (const char *p = pszPath; *p; ++p)
        if (std::strchr(plat_path_separators(), *p))
            name = p + 1;
    return name;
}

// Kind 3: the library's product version; kind 4: its product name. The
// buffer is cleared first and always ends with a NUL; returns the length of
// the text, 0 for any other kind.
QM32_API int QM32_CALL UTL_GetArchString(int iKind, char *pszBuffer, unsigned uSize) {
    if (!pszBuffer || uSize == 0)
        return 0;
    std::memset(pszBuffer, 0, uSize);
    const char *name = iKind == 3 ? "ProductVersion" : iKind == 4 ? "ProductName" : nullptr;
    if (!name)
        return 0;
    try {
        return _qm32CopyOut(plat_version_value(name), pszBuffer,
                            uSize > 0x7FFFFFFFu ? 0x7FFFFFFFL : static_cast<long>(uSize));
    } catch (...) {
        return 0;
    }
}

// FinancePath of the library's section of qm32.ini; the count written, 0 when
// it is not set.
QM32_API int QM32_CALL UTL_GetFinancePath(char *pszBuffer, int iSize) {
    try {
        return _qm32CopyOut(_qm32ProfileString(QM32_ARCH_SECTION, "FinancePath"), pszBuffer, iSize);
    } catch (...) {
        return 0;
    }
}

// The folder of a named part of the finance programs below FinancePath: only
// "ZENA" (any case) is known, giving FinancePath + "zena" + separator. The
// count written, 0 for any other name or without FinancePath.
QM32_API int QM32_CALL UTL_GetLocalPath(const char *pszName, char *pszBuffer, int iSize) {
    if (!pszName || !_qm32EqualNoCase(pszName, "ZENA"))
        return 0;
    try {
        std::string root = _qm32ProfileString(QM32_ARCH_SECTION, "FinancePath");
        if (root.empty())
            return 0;
        // A separator goes between FinancePath and "zena" when it has none.
        std::string separator(1, plat_path_separators()[0]);
        if (!std::strchr(plat_path_separators(), root.back()))
            root += separator;
        return _qm32CopyOut(root + "zena" + separator, pszBuffer, iSize);
    } catch (...) {
        return 0;
    }
}

// Starts a program with an argument text. With iStartAlways 0 a running copy
// is activated instead (by a window title holding the program path). 0,
// 30029 (no such file), 30030 (the start failed, logged) or 30033.
QM32_API long QM32_CALL UTL_StartApp(const char *pszProgram, const char *pszArguments,
                                     int iStartAlways) {
    try {
        if (!UTL_FileExists(pszProgram))
            return UTL_ERR_NOT_A_FILE;
        unsigned long pid = 0;
        if (iStartAlways == 0 && findProgram(pszProgram, &pid) == UTL_PROGRAM_RUNNING)
            return UTL_ActivateApp(pszProgram);
        std::string text;
        unsigned long error =
            plat_start_process(pszProgram, pszArguments ? pszArguments : "", nullptr, &text);
        if (error == 0)
            return 0;
        logFailedStart(error, text, pszProgram);
        return UTL_ERR_START;
    } catch (...) {
        return UTL_ERR_START;
    }
}

// Brings the first top-level window whose title contains the text to the
// front: 0, or 30033 when there is none.
QM32_API long QM32_CALL UTL_ActivateApp(const char *pszTitle) {
    try {
        return pszTitle && plat_activate_window(pszTitle) ? 0L : UTL_ERR_NOT_RUNNING;
    } catch (...) {
        return UTL_ERR_NOT_RUNNING;
    }
}

// Asks a running program to close, without waiting for it to end: 0, or
// 30033 when it is not running or has nothing to receive the request.
QM32_API long QM32_CALL UTL_TerminateApp(const char *pszProgram) {
    try {
        unsigned long pid = 0;
        if (!pszProgram || findProgram(pszProgram, &pid) != UTL_PROGRAM_RUNNING)
            return UTL_ERR_NOT_RUNNING;
        return plat_request_close(pid) ? 0L : UTL_ERR_NOT_RUNNING;
    } catch (...) {
        return UTL_ERR_NOT_RUNNING;
    }
}

// Shows the wait window with the text as its caption; a window that is not
// open yet also gets the text in its text line. Always 0.
QM32_API long QM32_CALL UTL_WaitStart(const char *pszText) {
    try {
        std::lock_guard<std::recursive_mutex> lock(g_waitMutex);
        g_waitText = pszText ? pszText : "";
        if (g_wait && !plat_wait_alive(g_wait)) { // closed with its owner
            plat_wait_close(g_wait);
            g_wait = nullptr;
        }
        if (!g_wait)
            g_wait = plat_wait_open(g_waitText);
        plat_wait_set_caption(g_wait, g_waitText);
    } catch (...) {
    }
    return 0;
}

// Closes the wait window if it is open. Always 0.
QM32_API long QM32_CALL UTL_WaitStop(void) {
    try {
        std::lock_guard<std::recursive_mutex> lock(g_waitMutex);
        plat_wait_close(g_wait);
        g_wait = nullptr;
    } catch (...) {
    }
    return 0;
}

// Shows the text in the wait window's text line once the window takes up its
// message. The text is copied at once; without a wait window nothing happens.
// Always 0.
QM32_API long QM32_CALL UTL_WaitMessage(const char *pszText) {
    try {
        std::lock_guard<std::recursive_mutex> lock(g_waitMutex);
        if (g_wait && plat_wait_alive(g_wait))
            plat_wait_post_text(g_wait, pszText ? pszText : "");
    } catch (...) {
    }
    return 0;
}

// Stores the user id and password (each at most 50 characters) in the shared
// section; from then on the user counts as logged on. A different user (any
// case) does not inherit the access table of the previous one.
QM32_API long QM32_CALL UTL_SetId(const char *pszUserId, const char *pszPassword) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared)
        return _qm32StartupError();
    char previous[sizeof shared->szUserId];
    std::memcpy(previous, shared->szUserId, sizeof previous);
    previous[sizeof previous - 1] = '\0';
    char next[sizeof shared->szUserId];
    _qm32SetField(next, sizeof next, pszUserId);
    if (!_qm32EqualNoCase(previous, next)) {
        std::memset(shared->access, 0, sizeof shared->access);
        shared->lAccessCount = 0;
    }
    _qm32SetField(shared->szUserId, sizeof shared->szUserId, pszUserId);
    _qm32SetField(shared->szPassword, sizeof shared->szPassword, pszPassword);
    return 0;
}

// Copies the logged-on user id into the caller's buffer (cut to fit, always
// NUL-terminated) and returns its length; a size of 0 or less writes nothing.
QM32_API int QM32_CALL UTL_GetId(char *pszBuffer, int iSize) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared)
        return 0;
    return _qm32CopyOut(_qm32Field(shared->szUserId, sizeof shared->szUserId), pszBuffer, iSize);
}

// The index of the first byte in which the two areas differ, 0 when they are
// equal over iCount bytes; a difference in the first byte also gives 0.
QM32_API int QM32_CALL UTL_Memcmp(const char *pArea1, const char *pArea2, int iCount) {
    if (!pArea1 || !pArea2)
        return 0;
    for (int i = 0; i < iCount; ++i)
        if (pArea1[i] != pArea2[i])
            return i;
    return 0;
}

// 1 when the path names a file that can be opened for reading with no
// sharing, else 0 (directories, missing files, files held by others).
QM32_API int QM32_CALL UTL_FileExists(const char *pszPath) {
    try {
        return pszPath && *pszPath && plat_file_open_exclusive(pszPath) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // extern "C"
