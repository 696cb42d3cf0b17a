// Win32 implementation of the platform layer's private-profile files, paths,
// names, versions and message boxes.
#include "platform/platform.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

std::string envVariable(const char *name) {
    DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0)
        return "";
    std::vector<char> buf(n + 1);
    DWORD got = GetEnvironmentVariableA(name, buf.data(), static_cast<DWORD>(buf.size()));
    return got > 0 && got < buf.size() ? std::string(buf.data(), got) : std::string();
}

} // namespace

std::string plat_profile_string(const std::string &file, const char *section, const char *key,
                                const char *def) {
    if (!section || !key)
        return plat_profile_string(file, "", "", def); // the default, trimmed
    // Grow the buffer while the value fills it.
    for (DWORD size = 1024;; size *= 2) {
        std::vector<char> buf(size);
        DWORD n =
            GetPrivateProfileStringA(section, key, def ? def : "", buf.data(), size, file.c_str());
        if (n < size - 1 || size >= (1u << 24))
            return std::string(buf.data(), n);
    }
}

bool plat_profile_write(const std::string &file, const char *section, const char *key,
                        const char *value) {
    if (!section)
        return false;
    return WritePrivateProfileStringA(section, key, value, file.c_str()) != 0;
}

std::string plat_windows_directory() {
    std::string dir = envVariable("WINDIR");
    if (dir.empty()) {
        char buf[MAX_PATH + 1];
        UINT n = GetWindowsDirectoryA(buf, sizeof buf);
        if (n > 0 && n < sizeof buf)
            dir.assign(buf, n);
    }
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

std::string plat_join_path(const std::string &dir, const std::string &name) {
    if (dir.empty())
        return name;
    if (dir.back() == '\\' || dir.back() == '/')
        return dir + name;
    return dir + "\\" + name;
}

bool plat_is_absolute_path(const std::string &path) {
    if (path.size() >= 2 && path[1] == ':')
        return true;
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

bool plat_file_exists(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool plat_remove_file(const std::string &path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool plat_append_locked(const std::string &path, const std::string &text) {
    std::string crlf;
    crlf.reserve(text.size() + 32);
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // Writers take one byte far beyond any real end of the file as their
    // lock for the length of the entry: Windows locks are mandatory, so a
    // lock over the text itself would make a reader (the error window) fail
    // while an entry is being written. The write goes to the end only once
    // the lock is held.
    // A lock held longer than the bound is not waited for: the entry is
    // then written without it.
    bool locked = false;
    ULONGLONG deadline = GetTickCount64() + PLAT_LOG_LOCK_WAIT_MS;
    for (;;) {
        OVERLAPPED ov = {};
        ov.OffsetHigh = 0x7FFFFFFF;
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
            locked = true;
            break;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount64() >= deadline)
            break;
        Sleep(10);
    }
    if (!locked)
        plat_report_failure("qm32: the error log " + path +
                            " stayed locked; entry written without the lock");
    LARGE_INTEGER zero = {};
    bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) != 0;
    std::size_t done = 0;
    while (ok && done < crlf.size()) {
        DWORD written = 0;
        ok = WriteFile(h, crlf.data() + done, static_cast<DWORD>(crlf.size() - done), &written,
                       nullptr) != 0 &&
             written > 0;
        done += written;
    }
    if (locked) {
        OVERLAPPED un = {};
        un.OffsetHigh = 0x7FFFFFFF;
        UnlockFileEx(h, 0, 1, 0, &un);
    }
    return CloseHandle(h) != 0 && ok;
}

std::string plat_computer_name() {
    char buf[MAX_COMPUTERNAME_LENGTH + 2];
    DWORD n = sizeof buf;
    return GetComputerNameA(buf, &n) ? std::string(buf, n) : std::string();
}

std::string plat_user_name() {
    char buf[260];
    DWORD n = sizeof buf;
    if (!GetUserNameA(buf, &n) || n == 0)
        return "";
    return std::string(buf, n - 1); // n counts the NUL
}

std::string plat_os_version_text(const std::string &build) {
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    char text[400];
    if (!GetVersionExA(&vi)) {
        std::snprintf(text, sizeof text, "Windows NT - Brightmoor Build: %s", build.c_str());
    } else if (vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        std::snprintf(text, sizeof text, "Windows '95 %lu.%lu %s", vi.dwMajorVersion,
                      vi.dwMinorVersion, vi.szCSDVersion);
    } else {
        std::snprintf(text, sizeof text, "Windows NT %lu.%lu %s - Brightmoor Build: %s",
                      vi.dwMajorVersion, vi.dwMinorVersion, vi.szCSDVersion, build.c_str());
    }
    return text;
}

std::string plat_registry_build_text() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Norvale\\Windows NT", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "not found.";
    std::string text;
    const std::size_t limit = 64;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLen = sizeof name;
        BYTE data[1024];
        DWORD dataLen = sizeof data - 1;
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name, &nameLen, nullptr, &type, data, &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue; // a value too long for the buffers
        if (std::string(name, nameLen) != "DisplayName" &&
            std::string(name, nameLen) != "DisplayName2")
            continue;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            continue;
        data[dataLen] = 0;
        text += reinterpret_cast<const char *>(data);
        text += ' ';
        if (text.size() > limit)
            text.resize(limit);
    }
    RegCloseKey(key);
    return text;
}

bool plat_local_time(std::time_t t, std::tm *out) {
    return localtime_s(out, &t) == 0; // thread-safe variant of localtime
}

int plat_message_box(void *owner, const std::string &text, const std::string &caption,
                     unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

void plat_report_failure(const std::string &text) {
    OutputDebugStringA((text + "\n").c_str());
}
