// POSIX processes of the platform layer: running programs are read from
// /proc, a program is started by a double fork (the caller keeps no child to
// reap) and executed with its argument vector, a close request is SIGTERM.
// There are no top-level windows to activate.
#include "platform/platform.h"
#include "platform/posix/posix_io.h"

#include "qm32version.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads all of `size` bytes from a pipe; false at its end or on failure.
bool readAll(int fd, void *data, std::size_t size) {
    auto *p = static_cast<char *>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Only async-signal-safe calls from here on: the caller may have threads.

// The started program begins with default signal handling and an empty
// signal mask, whatever the calling thread had.
void resetSignals() {
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        sigaction(sig, &dfl, nullptr); // fails harmlessly for SIGKILL, SIGSTOP
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

std::string readLink(const std::string &path) {
    for (std::size_t size = 256; size <= (1u << 20); size *= 2) {
        std::string buf(size, '\0');
        ssize_t n = readlink(path.c_str(), &buf[0], size);
        if (n < 0)
            return "";
        if (static_cast<std::size_t>(n) < size) {
            buf.resize(static_cast<std::size_t>(n));
            return buf;
        }
    }
    return "";
}

} // namespace

const char *plat_path_separators() {
    return "/\\";
}

bool plat_file_open_exclusive(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st;
    bool file = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return file;
}

bool plat_find_process(
    const std::function<bool(unsigned long pid, const std::string &image)> &test) {
    DIR *proc = opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    while (!found) {
        struct dirent *entry = readdir(proc);
        if (!entry)
            break;
        const char *name = entry->d_name;
        if (*name < '1' || *name > '9' || std::strspn(name, "0123456789") != std::strlen(name))
            continue;
        // Only processes whose executable this user may read are seen.
        std::string image = readLink(std::string("/proc/") + name + "/exe");
        if (image.empty())
            continue;
        found = test(std::strtoul(name, nullptr, 10), image);
    }
    closedir(proc);
    return found;
}

unsigned long plat_start_process(const std::string &program, const std::string &arguments,
                                 unsigned long *pid, std::string *errorText) {
    // Everything the children need is prepared before the fork.
    std::vector<std::string> args = plat_split_command_line(arguments);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    auto fail = [&](int error) {
        if (errorText)
            *errorText = std::strerror(error);
        return static_cast<unsigned long>(error);
    };

    // pidPipe carries the program's process id (or the fork's error) from
    // the intermediate child; execPipe carries the error of a failed exec and
    // reaches its end when the exec succeeds (close on exec).
    int pidPipe[2], execPipe[2];
    if (pipe2(pidPipe, O_CLOEXEC) != 0)
        return fail(errno);
    if (pipe2(execPipe, O_CLOEXEC) != 0) {
        int e = errno;
        close(pidPipe[0]);
        close(pidPipe[1]);
        return fail(e);
    }
    pid_t middle = fork();
    if (middle == 0) {
        close(pidPipe[0]);
        close(execPipe[0]);
        pid_t child = fork();
        if (child == 0) {
            resetSignals();
            execv(argv[0], argv.data());
            int e = errno;
            posix_write_all(execPipe[1], &e, sizeof e);
            _exit(127);
        }
        int64_t value = child > 0 ? static_cast<int64_t>(child) : -static_cast<int64_t>(errno);
        posix_write_all(pidPipe[1], &value, sizeof value);
        _exit(0);
    }
    int forkError = middle < 0 ? errno : 0;
    close(pidPipe[1]);
    close(execPipe[1]);
    int64_t value = -static_cast<int64_t>(forkError ? forkError : EAGAIN);
    int execError = 0;
    if (middle > 0) {
        if (!readAll(pidPipe[0], &value, sizeof value))
            value = -EAGAIN;
        // The program's parent ends at once; the program itself is adopted
        // by the system, which reaps it.
        while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
        }
        if (value > 0 && !readAll(execPipe[0], &execError, sizeof execError))
            execError = 0; // the pipe closed on a successful exec
    }
    close(pidPipe[0]);
    close(execPipe[0]);
    if (value <= 0)
        return fail(static_cast<int>(-value));
    if (execError != 0)
        return fail(execError);
    if (pid)
        *pid = static_cast<unsigned long>(value);
    return 0;
}

bool plat_activate_window(const std::string &) {
    return false; // no top-level windows here
}

bool plat_request_close(unsigned long pid) {
    // 0 and values beyond pid_t would address groups of processes.
    if (pid == 0 || pid > static_cast<unsigned long>(INT32_MAX))
        return false;
    return kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

std::string plat_version_value(const char *name) {
    if (!name)
        return "";
    if (std::strcmp(name, "ProductVersion") == 0)
        return QM32_VERSION_TEXT;
    if (std::strcmp(name, "ProductName") == 0)
        return QM32_PRODUCT_NAME;
    return "";
}
