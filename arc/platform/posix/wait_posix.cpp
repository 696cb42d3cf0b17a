// The POSIX view of the wait window: one status line on the controlling
// terminal, rewritten in place ("\r", the text, erase to the end of the line)
// and erased when the window closes. Without a controlling terminal, or in a
// background job, there is no window and nothing is written.
#include "platform/platform.h"
#include "platform/platform_wait.h"
#include "platform/posix/posix_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct plat_wait {
    int fd = -1;
};

namespace {

// The text as one line of the terminal: control characters (which could move
// the cursor or reprogram the terminal) become blanks, and a line wider than
// the terminal less one column is cut, never inside a UTF-8 character, and
// ends with "...".
std::string statusLine(int fd, const std::string &text) {
    std::size_t columns = 80;
    struct winsize ws;
    if (ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        columns = ws.ws_col;
    std::string line;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        line += u < 0x20 || u == 0x7F ? ' ' : c;
    }
    std::size_t limit = columns > 1 ? columns - 1 : 1;
    std::size_t shown = 0, cut = 0; // characters, and the bytes of the first `keep`
    std::size_t keep = limit > 3 ? limit - 3 : limit;
    for (std::size_t i = 0; i < line.size(); ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 && shown++ == keep)
            cut = i;
    if (shown > limit) {
        // A text that does not fit ends with an ellipsis.
        line.resize(cut);
        if (limit > 3)
            line += "...";
    }
    return "\r" + line + "\x1b[K";
}

} // namespace

plat_wait_t plat_wait_open(const std::string &text) {
    int fd = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // A background job writing to the terminal could be stopped by it.
    if (tcgetpgrp(fd) != getpgrp()) {
        close(fd);
        return nullptr;
    }
    auto *wait = new plat_wait;
    wait->fd = fd;
    posix_write_all(fd, statusLine(fd, text));
    return wait;
}

bool plat_wait_alive(plat_wait_t wait) {
    return wait != nullptr;
}

void plat_wait_set_caption(plat_wait_t, const std::string &) {
    // A status line has no caption.
}

void plat_wait_post_text(plat_wait_t wait, const std::string &text) {
    if (wait)
        posix_write_all(wait->fd, statusLine(wait->fd, text));
}

void plat_wait_close(plat_wait_t wait) {
    if (!wait)
        return;
    posix_write_all(wait->fd, "\r\x1b[K");
    close(wait->fd);
    delete wait;
}
