// The platform layer of qm32: the one narrow interface behind which every
// Win32 and POSIX system call lives. The portable core includes only this;
// arc/platform/win32 and arc/platform/posix implement it.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>

// Sockets: start-up and the blocking stream calls the socket class needs.
#include "platform_net.h"

// ---- private-profile (INI) files -------------------------------------------
// Sections and keys compare without regard to case; values come back with
// surrounding blanks (and one pair of enclosing quotes) removed; the first
// matching section and key win. `file` is a full path.

// The value of `key` in `section`, or `def` (trailing blanks removed) when the
// key or the file is missing. An empty value is a value: it returns "".
std::string plat_profile_string(const std::string &file, const char *section, const char *key,
                                const char *def);
// The value as a decimal integer (leading blanks and a sign allowed, reading
// stops at the first non-digit, no digits give 0); `def` when the key is
// missing or its value is empty.
long plat_profile_int(const std::string &file, const char *section, const char *key, long def);
// Sets `key` to `value`, keeping every other line of the file as it stands;
// a NULL value deletes the key, a NULL key deletes the whole section. The file
// is created when missing. False when it cannot be written.
bool plat_profile_write(const std::string &file, const char *section, const char *key,
                        const char *value);

// ---- files and paths --------------------------------------------------------
// The Windows directory without a trailing separator: $WINDIR when set, else
// the system's (Windows) or ~/.qm32, created on first use (POSIX).
std::string plat_windows_directory();
// dir + separator + name.
std::string plat_join_path(const std::string &dir, const std::string &name);
// True when `path` is absolute (not to be taken relative to the Windows directory).
bool plat_is_absolute_path(const std::string &path);
bool plat_file_exists(const std::string &path);
bool plat_remove_file(const std::string &path);
// Appends `text` to the file (created when missing, POSIX: mode 0600) as one
// unit: the file is locked against every other writer, process or thread, for
// the whole write. A lock held by someone else for more than
// PLAT_LOG_LOCK_WAIT_MS is not waited for: the text is then appended without
// it and the wait reported. Lines end in "\n" in `text`; on Windows they reach
// the file as CR LF.
enum { PLAT_LOG_LOCK_WAIT_MS = 3000 };
bool plat_append_locked(const std::string &path, const std::string &text);

// ---- names and versions -----------------------------------------------------
std::string plat_computer_name();
std::string plat_user_name();
// The operating-system description of the start-up log entry, ending in the
// workstation's build text `build`.
std::string plat_os_version_text(const std::string &build);
// The build text from the registry (the DisplayName values), or "not found.".
std::string plat_registry_build_text();
// Local time of `t`; false when it cannot be converted.
bool plat_local_time(std::time_t t, std::tm *out);

// ---- message boxes ----------------------------------------------------------
enum : unsigned {
    PLAT_MB_OK = 0x00,
    PLAT_MB_ICONERROR = 0x10,
    PLAT_MB_ICONEXCLAMATION = 0x30,
    PLAT_MB_ICONINFORMATION = 0x40,
};
// Shows a modal box (Windows) or writes "caption: text" to standard error
// (POSIX); returns the button pressed (1 for OK; POSIX: the style's
// default button, as nobody answers).
int plat_message_box(void *owner, const std::string &text, const std::string &caption,
                     unsigned style);

// Reports a load-time failure that has no box of its own: standard error on
// POSIX, the debugger output on Windows.
void plat_report_failure(const std::string &text);

// ---- the named shared section -----------------------------------------------
// A block of memory shared by every process of the user (Windows: of the
// session) that opens the same name. Created zeroed by the first process; it
// disappears when the last process that has it open closes it or ends, even
// by a crash, so a later first process starts again with zeroes.
struct plat_section_t {
    void *base = nullptr;
    std::size_t size = 0;
    bool created = false;   // this process created it
    void *handle = nullptr; // platform bookkeeping
};
// Opens or creates `name` of `size` bytes and maps it. When this process
// creates it, `onCreate` runs before any other process can open the section.
// On failure `error` holds a description and `section` is left closed.
bool plat_section_open(plat_section_t &section, const std::string &name, std::size_t size,
                       const std::function<void(void *)> &onCreate, std::string &error);
void plat_section_close(plat_section_t &section);

// Threads, events, thread messages and the fault report of service workers.
#include "platform_thread.h"

// Processes, windows and the library's own version.
#include "platform_proc.h"

// Temporary files, name resolution and FTP transfers.
#include "platform_xfer.h"

// The window framework: portable window logic and the views that render it.
#include "platform_dialog.h"
