// Small helpers shared by the POSIX platform sources.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <unistd.h>

// Writes all of `size` bytes to `fd`, again after an interruption; stops at
// the first failure. Async-signal-safe (a forked child and signal handlers
// use it).
inline void posix_write_all(int fd, const void *data, std::size_t size) {
    const auto *p = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}
inline void posix_write_all(int fd, const std::string &data) {
    posix_write_all(fd, data.data(), data.size());
}
