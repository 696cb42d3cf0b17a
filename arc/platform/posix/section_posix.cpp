// The named shared section on POSIX: a file mapped by every process of the
// user, in a directory only the user can create files in, whose life is tied
// to the processes that have it open through record locks on a companion lock
// file, so a crash never leaves the section (and the password it holds) in use.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Lock file bytes: byte 0 is the gate, held exclusively while a process joins
// or leaves; byte 1 carries a shared lock for every process that has the
// section open. A process that can lock byte 1 exclusively is alone: when
// joining it starts a fresh (zeroed) section file, when leaving it removes the
// section and the lock file. The system drops the locks of a process that
// ends, however it ends.
//
// Both files live in the user's runtime directory ($XDG_RUNTIME_DIR), else in
// the Windows directory, else in ~/.qm32: the first of them that belongs to
// the user and that no one else may write to, so no other user can create
// either file first. A file found there that is not a regular file of the
// user with mode 0600 is never used: it is reported and replaced (a joining
// process that finds the section shared by others refuses it instead).

namespace {

struct PosixSection {
    int lockFd = -1;
    std::string path;
    std::string lockPath;
};

int lockByte(int fd, short type, off_t byte, bool wait) {
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    int rc;
    while ((rc = fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl)) != 0 && errno == EINTR) {
    }
    return rc;
}

std::string errorText(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

std::string octal(unsigned mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", mode & 07777u);
    return text;
}

// Empty when `dir` is a directory of this user that no one else may write
// to; otherwise why not.
std::string whyNotPrivate(const std::string &dir) {
    struct stat st;
    if (dir.empty() || dir[0] != '/')
        return "not an absolute path";
    if (stat(dir.c_str(), &st) != 0)
        return std::strerror(errno);
    if (!S_ISDIR(st.st_mode))
        return "not a directory";
    if (st.st_uid != geteuid())
        return "owned by user " + std::to_string(static_cast<unsigned long>(st.st_uid));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "writable by others (mode " + octal(st.st_mode) + ")";
    return "";
}

bool privateDirectory(std::string &dir, std::string &error) {
    std::string home;
    if (const char *h = std::getenv("HOME"))
        home = h;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string candidates[] = {runtime ? runtime : "", plat_windows_directory(),
                                home.empty() ? std::string() : home + "/.qm32"};
    error = "no private directory for the shared section";
    for (const std::string &c : candidates) {
        if (c.empty())
            continue;
        std::string why = whyNotPrivate(c);
        if (why.empty()) {
            dir = c;
            return true;
        }
        error += "; " + c + ": " + why;
    }
    return false;
}

// Empty when the open file is a regular file of this user with mode 0600.
std::string whyNotOurs(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return std::strerror(errno);
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (st.st_uid != geteuid() || (st.st_mode & 07777) != 0600)
        return "owner " + std::to_string(static_cast<unsigned long>(st.st_uid)) + ", mode " +
               octal(st.st_mode) + ", not a file of user " +
               std::to_string(static_cast<unsigned long>(geteuid())) + " with mode 0600";
    return "";
}

// Creates `path` afresh for this user only; -1 with errno on failure.
int createPrivate(const std::string &path) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && fchmod(fd, 0600) != 0) { // whatever the umask
        int saved = errno;
        close(fd);
        unlink(path.c_str());
        errno = saved;
        return -1;
    }
    return fd;
}

// Opens the lock file and takes its gate. The last process out removes the
// file while it holds the gate, so a process that got the gate of a removed
// file starts again with the file now at the path. A lock file that is not
// this user's own is reported and replaced.
int openGate(const std::string &path, std::string &error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = createPrivate(path);
        if (fd < 0 && errno == EEXIST)
            fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && (errno == ELOOP || errno == ENOENT)) {
            if (errno == ELOOP) {
                plat_report_failure("qm32: " + path + " is a symbolic link: removed");
                unlink(path.c_str());
            }
            continue;
        }
        if (fd < 0) {
            error = errorText("cannot open " + path);
            return -1;
        }
        std::string why = whyNotOurs(fd);
        if (!why.empty()) {
            close(fd);
            plat_report_failure("qm32: lock file " + path + " refused (" + why + "): replaced");
            if (unlink(path.c_str()) != 0 && errno != ENOENT) {
                error = errorText("cannot remove " + path);
                return -1;
            }
            continue;
        }
        struct stat st, now;
        if (fstat(fd, &st) != 0 || lockByte(fd, F_WRLCK, 0, true) != 0) {
            error = errorText("cannot lock " + path);
            close(fd);
            return -1;
        }
        if (stat(path.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            return fd;
        close(fd); // removed or replaced meanwhile: take the current one
    }
    error = path + " keeps changing";
    return -1;
}

} // namespace

bool plat_section_open(plat_section_t &section, const std::string &name, std::size_t size,
                       const std::function<void(void *)> &onCreate, std::string &error) {
    section = plat_section_t();
    if (name.empty() || name.find('/') != std::string::npos) {
        error = "invalid section name";
        return false;
    }
    std::string dir;
    if (!privateDirectory(dir, error))
        return false;
    auto *ps = new PosixSection;
    ps->path = dir + "/" + name;
    ps->lockPath = ps->path + ".lock";
    ps->lockFd = openGate(ps->lockPath, error);
    if (ps->lockFd < 0) {
        delete ps;
        return false;
    }

    auto fail = [&](const std::string &text) {
        error = text;
        lockByte(ps->lockFd, F_UNLCK, 0, false);
        close(ps->lockFd); // drops every lock of this process on the file
        delete ps;
        return false;
    };

    bool alone = lockByte(ps->lockFd, F_WRLCK, 1, false) == 0;
    int fd = -1;
    bool created = false;
    if (!alone) {
        fd = open(ps->path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            std::string why = whyNotOurs(fd);
            struct stat st;
            if (why.empty() && (fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) < size))
                why = "shorter than the section";
            if (!why.empty()) {
                close(fd);
                return fail("section file " + ps->path + " refused (" + why + ")");
            }
        } else if (errno != ENOENT) {
            return fail(errorText("cannot open section file " + ps->path));
        }
    }
    if (fd < 0) {
        // First process (or the file was removed behind our back): a file
        // left by a crash is stale, and anything else there is not ours.
        struct stat st;
        if (lstat(ps->path.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 07777) != 0600)
                plat_report_failure("qm32: section file " + ps->path + " refused (owner " +
                                    std::to_string(static_cast<unsigned long>(st.st_uid)) +
                                    ", mode " + octal(st.st_mode) + "): replaced");
            if (unlink(ps->path.c_str()) != 0)
                return fail(errorText("cannot remove the stale section file " + ps->path));
        }
        fd = createPrivate(ps->path);
        if (fd < 0)
            return fail(errorText("cannot create section file " + ps->path));
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            unlink(ps->path.c_str());
            return fail(errorText("cannot size section file " + ps->path));
        }
        created = true;
    }
    void *base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (base == MAP_FAILED) {
        if (created)
            unlink(ps->path.c_str());
        return fail(errorText("cannot map section file " + ps->path));
    }
    section.base = base;
    section.size = size;
    section.created = created;
    section.handle = ps;
    if (created && onCreate) {
        try {
            onCreate(base);
        } catch (...) {
            // The section stays zeroed; the gate must be released all the same.
        }
    }
    // Membership: a shared lock on byte 1 (converts the exclusive one).
    lockByte(ps->lockFd, F_RDLCK, 1, true);
    lockByte(ps->lockFd, F_UNLCK, 0, false);
    return true;
}

void plat_section_close(plat_section_t &section) {
    auto *ps = static_cast<PosixSection *>(section.handle);
    if (!ps)
        return;
    lockByte(ps->lockFd, F_WRLCK, 0, true);
    if (section.base) {
        // The section holds the password: clear it when this is the last one out.
        if (lockByte(ps->lockFd, F_WRLCK, 1, false) == 0) {
            std::memset(section.base, 0, section.size);
            munmap(section.base, section.size);
            unlink(ps->path.c_str());
            unlink(ps->lockPath.c_str());
        } else {
            munmap(section.base, section.size);
        }
    }
    lockByte(ps->lockFd, F_UNLCK, 1, false);
    lockByte(ps->lockFd, F_UNLCK, 0, false);
    close(ps->lockFd);
    delete ps;
    section = plat_section_t();
}
