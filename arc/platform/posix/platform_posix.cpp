// POSIX implementation of the platform layer's files, names, versions and
// message boxes: the Windows directory is $WINDIR or ~/.qm32, the build text
// of the (absent) registry is "not found.", boxes go to standard error.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace {

// The home directory of the effective user: $HOME, else the password database.
std::string homeDirectory() {
    const char *home = std::getenv("HOME");
    if (home && *home)
        return home;
    std::vector<char> buf(16384);
    struct passwd pw, *result = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
        result->pw_dir)
        return result->pw_dir;
    return "/tmp";
}

} // namespace

std::string plat_windows_directory() {
    const char *windir = std::getenv("WINDIR");
    std::string dir;
    if (windir && *windir) {
        dir = windir;
    } else {
        dir = homeDirectory() + "/.qm32";
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
            plat_report_failure("qm32: cannot create " + dir);
    }
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string plat_join_path(const std::string &dir, const std::string &name) {
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

bool plat_is_absolute_path(const std::string &path) {
    return !path.empty() && path[0] == '/';
}

bool plat_file_exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), R_OK) == 0;
}

bool plat_remove_file(const std::string &path) {
    return unlink(path.c_str()) == 0;
}

bool plat_append_locked(const std::string &path, const std::string &text) {
    // Readable by the user only: the log holds what the services answered.
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // flock locks belong to the open file, so threads of one process exclude
    // each other as processes do. Whoever holds the lock longer than the
    // bound (another user where the log is shared, a stopped process) does
    // not stop the entry: it is then appended without the lock, in one write.
    bool locked = false;
    long long deadline = plat_clock_ms() + PLAT_LOG_LOCK_WAIT_MS;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            locked = true;
            break;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(fd);
            return false;
        }
        if (plat_clock_ms() >= deadline)
            break;
        plat_sleep_ms(10);
    }
    if (!locked)
        plat_report_failure("qm32: the error log " + path + " stayed locked for " +
                            std::to_string(PLAT_LOG_LOCK_WAIT_MS / 1000) +
                            " seconds; entry written without the lock");
    bool ok = true;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (locked)
        flock(fd, LOCK_UN);
    return close(fd) == 0 && ok;
}

std::string plat_computer_name() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0)
        return "";
    name[sizeof name - 1] = '\0';
    return name;
}

std::string plat_user_name() {
    std::vector<char> buf(16384);
    struct passwd pw, *result = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
        result->pw_name)
        return result->pw_name;
    for (const char *var : {"USER", "LOGNAME"})
        if (const char *v = std::getenv(var))
            if (*v)
                return v;
    return std::to_string(static_cast<unsigned long>(geteuid()));
}

std::string plat_os_version_text(const std::string &build) {
    struct utsname u;
    if (uname(&u) != 0)
        return "Unknown system - Brightmoor Build: " + build;
    return std::string(u.sysname) + " " + u.release + " " + u.machine +
           " - Brightmoor Build: " + build;
}

std::string plat_registry_build_text() {
    return "not found.";
}

bool plat_local_time(std::time_t t, std::tm *out) {
    return localtime_r(&t, out) != nullptr;
}

int plat_message_box(void *, const std::string &text, const std::string &caption, unsigned style) {
    // Inside a window that holds the terminal, else on standard error.
    if (!plat_terminal_message_box(text, caption, style)) {
        std::string line = caption + ": ";
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    continue;
                line += '\n';
            } else {
                line += text[i];
            }
        }
        line += '\n';
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
    // A box with one button: the style's default button stands for the answer.
    static const int kButtons[][3] = {
        {1, 1, 1}, // OK
        {1, 2, 1}, // OK, Cancel (a third default falls back to the first)
        {3, 4, 5}, // Abort, Retry, Ignore
        {6, 7, 2}, // Yes, No, Cancel
        {6, 7, 6}, // Yes, No
        {4, 2, 4}, // Retry, Cancel
    };
    unsigned kind = style & 0x0F, which = (style >> 8) & 0x0F;
    if (kind > 5)
        kind = 0;
    if (which > 2)
        which = 0;
    return kButtons[kind][which];
}

void plat_report_failure(const std::string &text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}
