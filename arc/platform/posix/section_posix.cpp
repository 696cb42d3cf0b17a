// The named shared section on POSIX: a shared-memory object private to the
// user, whose life is tied to the processes that have it open through
// record locks on a companion lock file, so a crash never leaves it behind.
#include "platform/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Lock file bytes: byte 0 is the gate, held exclusively while a process joins
// or leaves; byte 1 carries a shared lock for every process that has the
// section open. A process that can lock byte 1 exclusively is alone: when
// joining it starts a fresh (zeroed) object, when leaving it removes it. The
// system drops the locks of a process that ends, however it ends.

namespace {

struct PosixSection {
    int lockFd = -1;
    std::string shmName;
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

std::string lockDirectory() {
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (runtime && *runtime == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == geteuid())
        return runtime;
    return "/tmp";
}

std::string errorText(const std::string &what) {
    return what + ": " + std::strerror(errno);
}

// Opens the lock file and takes its gate. The last process out removes the
// file while it holds the gate, so a process that got the gate of a removed
// file starts again with the file now at the path.
int openGate(const std::string &path, std::string &error) {
    for (;;) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat st, now;
        if (fd < 0 || fstat(fd, &st) != 0) {
            error = errorText("cannot open " + path);
            if (fd >= 0)
                close(fd);
            return -1;
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
            error = path + " is not a file of this user";
            close(fd);
            return -1;
        }
        if ((st.st_mode & 0777) != 0600)
            fchmod(fd, 0600);
        if (lockByte(fd, F_WRLCK, 0, true) != 0) {
            error = errorText("cannot lock " + path);
            close(fd);
            return -1;
        }
        if (stat(path.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            return fd;
        close(fd); // removed or replaced meanwhile: take the current one
    }
}

} // namespace

bool plat_section_open(plat_section_t &section, const std::string &name, std::size_t size,
                       const std::function<void(void *)> &onCreate, std::string &error) {
    section = plat_section_t();
    if (name.empty() || name.find('/') != std::string::npos) {
        error = "invalid section name";
        return false;
    }
    const std::string uid = std::to_string(static_cast<unsigned long>(geteuid()));
    auto *ps = new PosixSection;
    ps->shmName = "/" + name + "." + uid;
    ps->lockPath = lockDirectory() + "/" + name + "." + uid + ".lock";
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
    struct stat st;

    int fd = -1;
    bool created = false;
    if (!alone) {
        fd = shm_open(ps->shmName.c_str(), O_RDWR | O_CLOEXEC, 0);
        if (fd >= 0 && (fstat(fd, &st) != 0 || st.st_uid != geteuid() ||
                        static_cast<std::size_t>(st.st_size) < size)) {
            close(fd);
            return fail("shared memory " + ps->shmName + " is not usable");
        }
        if (fd < 0 && errno != ENOENT)
            return fail(errorText("cannot open shared memory " + ps->shmName));
    }
    if (fd < 0) {
        // First process (or the object was removed behind our back): any
        // object left by a crash is stale, start a new zeroed one.
        shm_unlink(ps->shmName.c_str());
        fd = shm_open(ps->shmName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return fail(errorText("cannot create shared memory " + ps->shmName));
        if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
            close(fd);
            shm_unlink(ps->shmName.c_str());
            return fail(errorText("cannot size shared memory " + ps->shmName));
        }
        created = true;
    }
    void *base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (base == MAP_FAILED) {
        if (created)
            shm_unlink(ps->shmName.c_str());
        return fail(errorText("cannot map shared memory " + ps->shmName));
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
    if (section.base)
        munmap(section.base, section.size);
    if (lockByte(ps->lockFd, F_WRLCK, 1, false) == 0) {
        // The last one out removes the object and the lock file.
        shm_unlink(ps->shmName.c_str());
        unlink(ps->lockPath.c_str());
    }
    lockByte(ps->lockFd, F_UNLCK, 1, false);
    lockByte(ps->lockFd, F_UNLCK, 0, false);
    close(ps->lockFd);
    delete ps;
    section = plat_section_t();
}
