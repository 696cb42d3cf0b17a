// Win32 processes and windows of the platform layer: the running programs
// from PSAPI (loaded at run time, with the 16-bit tasks of a virtual DOS
// machine when VDMDBG is there) or from a Toolhelp snapshot, CreateProcess,
// window activation and close requests, and the library's version resource.
#include "platform/platform.h"
#include "platform/win32/module_win32.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstring>
#include <vector>

namespace {

// A function of a library loaded at run time (through the generic function
// type, which any function pointer converts from without a warning).
template <class F> F proc(HMODULE module, const char *name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

typedef BOOL(WINAPI *EnumProcessesFn)(DWORD *, DWORD, DWORD *);
typedef BOOL(WINAPI *EnumProcessModulesFn)(HANDLE, HMODULE *, DWORD, DWORD *);
typedef DWORD(WINAPI *GetModuleFileNameExFn)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI *QueryFullProcessImageNameFn)(HANDLE, DWORD, LPSTR, PDWORD);
typedef BOOL(WINAPI *TaskEnumProcEx)(DWORD, WORD, WORD, PSZ, PSZ, LPARAM);
typedef INT(WINAPI *VDMEnumTaskWOWExFn)(DWORD, TaskEnumProcEx, LPARAM);

typedef std::function<bool(unsigned long, const std::string &)> ProcessTest;

std::string systemText(DWORD error) {
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : std::string();
    if (text)
        LocalFree(text);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool endsWithNoCase(const std::string &text, const char *tail) {
    std::size_t n = std::strlen(tail);
    return text.size() >= n &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str() + text.size() - n,
                          static_cast<int>(n), tail, static_cast<int>(n)) == CSTR_EQUAL;
}

struct TaskSearch {
    const ProcessTest *test;
    DWORD vdmProcess;
    bool found;
};

BOOL WINAPI testTask(DWORD, WORD, WORD, PSZ, PSZ fileName, LPARAM context) {
    auto *search = reinterpret_cast<TaskSearch *>(context);
    search->found = fileName && (*search->test)(search->vdmProcess, fileName);
    return search->found ? TRUE : FALSE; // TRUE ends the enumeration
}

// Windows 95 family, or no PSAPI: a Toolhelp snapshot of the processes.
bool findBySnapshot(const ProcessTest &test) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snap, &entry); more && !found;
         more = Process32Next(snap, &entry))
        found = entry.szExeFile[0] && test(entry.th32ProcessID, entry.szExeFile);
    CloseHandle(snap);
    return found;
}

// The executable file of a process: its full image name, else the file name
// of its first module; empty when neither can be read.
std::string processImage(DWORD pid, QueryFullProcessImageNameFn queryImage,
                         EnumProcessModulesFn enumModules, GetModuleFileNameExFn moduleName,
                         std::vector<char> &buf) {
    if (queryImage) {
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (h) {
            DWORD n = static_cast<DWORD>(buf.size());
            bool ok = queryImage(h, 0, buf.data(), &n) != 0;
            CloseHandle(h);
            if (ok && n > 0)
                return std::string(buf.data(), n);
        }
    }
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!h)
        return "";
    std::string image;
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (enumModules(h, &first, sizeof first, &needed)) {
        DWORD n = moduleName(h, first, buf.data(), static_cast<DWORD>(buf.size()));
        if (n > 0 && n < buf.size())
            image.assign(buf.data(), n);
    }
    CloseHandle(h);
    return image;
}

struct WindowSearch {
    const char *text = nullptr;
    DWORD pid = 0;
    HWND found = nullptr;
    HWND firstVisible = nullptr;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM context) {
    auto *search = reinterpret_cast<WindowSearch *>(context);
    int length = GetWindowTextLengthA(window);
    std::vector<char> title(static_cast<std::size_t>(length > 0 ? length : 0) + 2, '\0');
    GetWindowTextA(window, title.data(), static_cast<int>(title.size()));
    if (!std::strstr(title.data(), search->text))
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK matchProcess(HWND window, LPARAM context) {
    auto *search = reinterpret_cast<WindowSearch *>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid)
        return TRUE;
    if (!search->found)
        search->found = window;
    if (IsWindowVisible(window)) {
        search->firstVisible = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HMODULE plat_win32_module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&plat_win32_module), &module);
    return module;
}

const char *plat_path_separators() {
    return "\\";
}

bool plat_file_open_exclusive(const std::string &path) {
    // A directory cannot be opened this way (it needs backup semantics).
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool plat_find_process(const ProcessTest &test) {
    HMODULE psapi = LoadLibraryA("PSAPI.DLL");
    auto enumProcesses = proc<EnumProcessesFn>(psapi, "EnumProcesses");
    auto enumModules = proc<EnumProcessModulesFn>(psapi, "EnumProcessModules");
    auto moduleName = proc<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExA");
    if (!enumProcesses || !enumModules || !moduleName) {
        if (psapi)
            FreeLibrary(psapi);
        return findBySnapshot(test);
    }
    // Without VDMDBG only the 16-bit tasks are left out.
    HMODULE vdmdbg = LoadLibraryA("VDMDBG.DLL");
    auto enumTasks = proc<VDMEnumTaskWOWExFn>(vdmdbg, "VDMEnumTaskWOWEx");
    auto queryImage = proc<QueryFullProcessImageNameFn>(GetModuleHandleA("KERNEL32.DLL"),
                                                        "QueryFullProcessImageNameA");

    // The list of ids, its buffer doubled while the list fills it exactly.
    std::vector<DWORD> ids;
    DWORD bytes = 0;
    for (std::size_t size = 1024 / sizeof(DWORD);; size *= 2) {
        ids.assign(size, 0);
        DWORD capacity = static_cast<DWORD>(size * sizeof(DWORD));
        if (!enumProcesses(ids.data(), capacity, &bytes)) {
            bytes = 0;
            break;
        }
        if (bytes < capacity || size >= (1u << 20))
            break;
    }
    ids.resize(bytes / sizeof(DWORD));

    bool found = false;
    std::vector<char> buf(32768);
    for (std::size_t i = 0; i < ids.size() && !found; ++i) {
        std::string image = processImage(ids[i], queryImage, enumModules, moduleName, buf);
        if (image.empty())
            continue;
        found = test(ids[i], image);
        if (!found && enumTasks && endsWithNoCase(image, "NTVDM.EXE")) {
            TaskSearch search = {&test, ids[i], false};
            enumTasks(ids[i], testTask, reinterpret_cast<LPARAM>(&search));
            found = search.found;
        }
    }
    if (vdmdbg)
        FreeLibrary(vdmdbg);
    FreeLibrary(psapi);
    return found;
}

unsigned long plat_start_process(const std::string &program, const std::string &arguments,
                                 unsigned long *pid, std::string *errorText) {
    // The path is the application name, so blanks in it cannot make another
    // program run, and leads the command line in quotes for the program's
    // own argument parsing.
    std::string command = "\"" + program + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        DWORD error = GetLastError();
        if (error == 0)
            error = ERROR_GEN_FAILURE;
        if (errorText)
            *errorText = systemText(error);
        return error;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (pid)
        *pid = pi.dwProcessId;
    return 0;
}

bool plat_activate_window(const std::string &titlePart) {
    WindowSearch search;
    search.text = titlePart.c_str();
    EnumDesktopWindows(GetThreadDesktop(GetCurrentThreadId()), matchTitle,
                       reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return false;
    SetForegroundWindow(search.found);
    if (IsIconic(search.found))
        ShowWindow(search.found, SW_RESTORE);
    return true;
}

bool plat_request_close(unsigned long pid) {
    WindowSearch search;
    search.pid = static_cast<DWORD>(pid);
    EnumWindows(matchProcess, reinterpret_cast<LPARAM>(&search));
    HWND target = search.firstVisible ? search.firstVisible : search.found;
    return target && PostMessageA(target, WM_CLOSE, 0, 0);
}

std::string plat_version_value(const char *name) {
    if (!name)
        return "";
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD n =
            GetModuleFileNameA(plat_win32_module(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return "";
        if (n < path.size())
            break;
        if (path.size() >= 32768)
            return "";
        path.resize(path.size() * 2);
    }
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.data(), &ignored);
    if (size == 0)
        return "";
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.data(), 0, size, info.data()))
        return "";
    std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    char *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void **>(&value), &length) ||
        !value)
        return "";
    return std::string(value, strnlen(value, length));
}
