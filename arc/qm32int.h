// Internal interface of qm32 shared by its modules and its tests: start-up and
// shut-down, the shared section's layout, configuration access, message boxes
// and the library's own error numbers. Not part of the public header.
#pragma once

#include "qm32.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// Section of qm32.ini that belongs to the library itself.
#define QM32_ARCH_SECTION "32-bit Architecture"
#define QM32_INI_NAME "qm32.ini"
#define QM32_LOG_NAME "finance.err"
#define QM32_SECTION_NAME "qm32_shared_data"

// Error numbers the start-up reports when the library could not start; every
// export that needs the started library returns one of them.
enum : long {
    QM32_ERR_NO_MESSAGEFILE = 30002, // "Could not locate section [%s], key %s"
    QM32_ERR_SECTION = 30005,        // the shared section could not be opened or is unusable
    QM32_ERR_SOCKETS = 30006,        // socket start-up failed
    QM32_ERR_LOG = 30022,            // the error log could not be written
};

// Layout of the shared section "qm32_shared_data" (6368 bytes).
struct QM32_ACCESS_ENTRY {
    char szFunction[8]; // 6 significant characters, NUL-padded
    uint32_t ulFlags;
};
struct QM32_SHARED {
    int32_t lInitialised;          //    0: 1 once initialised
    char reserved1[256];           //    4
    char szUserId[51];             //  260: logged-on user id, empty: nobody
    char szPassword[51];           //  311
    char reserved2[2];             //  362
    QM32_ACCESS_ENTRY access[500]; // 364
    int32_t lAccessCount;          // 6364
};
static_assert(sizeof(QM32_SHARED) == 6368, "shared section is 6368 bytes");
static_assert(offsetof(QM32_SHARED, szUserId) == 260, "shared section layout");
static_assert(offsetof(QM32_SHARED, szPassword) == 311, "shared section layout");
static_assert(offsetof(QM32_SHARED, access) == 364, "shared section layout");
static_assert(sizeof(QM32_ACCESS_ENTRY) == 12, "access entry is 12 bytes");
static_assert(offsetof(QM32_SHARED, lAccessCount) == 6364, "shared section layout");

// ---- start-up and shut-down -------------------------------------------------
// The library's initialisation (at load: DllMain on Windows, a constructor of
// libqm32.so on POSIX). Returns 0, or the error number that made it fail; a
// second call while started does nothing. Tests call it directly.
long _qm32Startup();
void _qm32Shutdown();
// 0 when started, else the error number of the failed (or missing) start-up.
long _qm32StartupError();
// The mapped shared section, or nullptr when the library is not started.
QM32_SHARED *_qm32Shared();
// True when this process created the shared section at its start-up.
bool _qm32SectionCreated();
// Tests: use another section name (nullptr: the standard name) for the next start-up.
void _qm32SetSectionName(const char *name);

// ---- configuration ----------------------------------------------------------
std::string _qm32WindowsDirectory();
// Full path of a file in the Windows directory.
std::string _qm32WindowsFile(const char *name);
// Full path of qm32.ini.
std::string _qm32IniPath();
// A string from qm32.ini (trimmed; `def` when missing).
std::string _qm32ProfileString(const char *section, const char *key, const char *def = "");
long _qm32ProfileInt(const char *section, const char *key, long def);
// The MessageFile of `app` (nullptr: the library's own section) as a full
// path; empty when the key is missing.
std::string _qm32MessageFile(const char *app);

// A path as messages show it: at most 160 characters, its end kept after "...".
std::string _qm32CutPath(const std::string &path);

// ---- message boxes ----------------------------------------------------------
typedef int (*QM32_MSGBOX_HOOK)(const char *text, const char *caption, unsigned style);
// Every box of the library goes through here; a hook set by a test receives
// it instead of the screen.
int _qm32MessageBox(const std::string &text, const std::string &caption, unsigned style,
                    void *owner = nullptr);
void _qm32SetMessageBoxHook(QM32_MSGBOX_HOOK hook);

// ---- windows ----------------------------------------------------------------
typedef int (*QM32_DIALOG_HOOK)(CDialogLogic &logic, void *owner);
// Every window of the library is run through here: on the platform's view,
// or by the hook a test set (nullptr: the platform again).
int _qm32RunDialog(CDialogLogic &logic, void *owner = nullptr);
// Returns the hook set before.
QM32_DIALOG_HOOK _qm32SetDialogHook(QM32_DIALOG_HOOK hook);

// The step trace: the last step reached by a service call, the start-up
// ("daaInit") or the shut-down ("daaShutdown"). `text` must be a literal.
void _qm32Step(const char *text);
const char *_qm32GetStep();

// ---- records ----------------------------------------------------------------
// Copies at most width-1 characters of `src` into a fixed-width field and
// clears the rest.
void _qm32SetField(char *field, std::size_t width, const char *src);
// Case changes and comparison of the library's texts (ASCII letters; the C
// locale's classification of bytes).
std::string _qm32Upper(std::string s);
std::string _qm32Lower(std::string s);
bool _qm32EqualNoCase(const char *a, const char *b);
// The text of a fixed-width field: never reads past `width` bytes.
std::string _qm32Field(const char *field, std::size_t width);
// Copies `text` into a caller's buffer of `size` bytes (NUL-terminated, cut
// to fit); returns the length copied. A size of 0 or less writes nothing.
int _qm32CopyOut(const std::string &text, char *buffer, long size);
// Message text substitution: "%s" takes insert 1, then insert 2 (a NULL
// insert is empty, a third "%s" stays as it is), "%%" gives "%", every other
// "%" is copied unchanged.
std::string _qm32FormatMessage(const std::string &text, const char *insert1, const char *insert2);
// The body of one log entry for `record` at time `when` (the record must be
// normalised already); what ERR_LogError appends.
std::string _qm32FormatLogEntry(const ERR_RECORD &record, std::time_t when);
// "Fatal Error", "Error", "Warning" or "Information".
const char *_qm32SeverityClass(uint32_t severity);
// "E - Architecture" ... or "Type %c".
std::string _qm32TypeText(uint32_t type);
