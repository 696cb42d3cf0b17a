// Processes, windows and the library's own version of the platform layer:
// the list of running programs, starting a program, asking one to close,
// bringing a window to the front, and the file test of the utilities.
#pragma once

#include <functional>
#include <string>
#include <vector>

// ---- paths --------------------------------------------------------------------
// The characters that end a directory in a path: "\\" on Windows, "/\\" on POSIX.
const char *plat_path_separators();
// True when `path` names a file (not a directory) that can be opened for
// reading with no sharing: a file another process holds open without sharing
// counts as missing (Windows).
bool plat_file_open_exclusive(const std::string &path);

// ---- processes ----------------------------------------------------------------
// Calls `test` with the id and the executable file path of every running
// process, in the system's order, until it returns true; processes whose
// executable cannot be read are skipped. Windows: each 16-bit task of a
// virtual DOS machine is also tested, with the machine's process id.
// Returns true when `test` returned true.
bool plat_find_process(
    const std::function<bool(unsigned long pid, const std::string &image)> &test);

// Splits one argument text by the Windows command-line rules: blanks and tabs
// separate, double quotes group (a doubled quote inside a group is a quote),
// 2n backslashes before a quote give n and the quote groups, 2n+1 give n and
// a literal quote, other backslashes are plain characters.
std::vector<std::string> plat_split_command_line(const std::string &text);

// Starts `program` with `arguments` (one text, as on a Windows command line)
// and does not wait for it. Windows: the program path is the application name
// and leads the command line in quotes. POSIX: the path is executed itself
// with the split arguments, never through a shell, and the process is reaped
// by the system (it never becomes a zombie of the caller). Returns 0, or the
// system's error number with its text in `errorText`; `pid` (optional) gets
// the new process id.
unsigned long plat_start_process(const std::string &program, const std::string &arguments,
                                 unsigned long *pid, std::string *errorText);

// Brings the first top-level window of the calling thread's desktop whose
// title contains `titlePart` (exact, case-sensitive) to the foreground and
// restores it when minimised. False when none matches (always on POSIX, which
// has no top-level windows).
bool plat_activate_window(const std::string &titlePart);

// Asks process `pid` to close and does not wait. Windows: posts WM_CLOSE to
// the first top-level window of the process, visible ones first; false when
// it has none. POSIX: sends SIGTERM; false when it cannot be sent.
bool plat_request_close(unsigned long pid);

// ---- the library's version ----------------------------------------------------
// A value of the library's version ("ProductVersion", "ProductName"): on
// Windows from the version resource of the module that holds this code, on
// POSIX the build's own values. Empty when there is none.
std::string plat_version_value(const char *name);
