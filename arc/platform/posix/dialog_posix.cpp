// The terminal view of qm32's windows on POSIX: a window is drawn on the
// controlling terminal (/dev/tty, never standard input) in the terminal's
// alternate screen, so nothing of it, passwords least of all, stays in the
// scrollback. Keys: Tab / Shift-Tab (or Down / Up) move between the controls,
// Enter presses the focused button or else the default one, Escape or Ctrl-C
// cancel, Backspace deletes, Ctrl-U clears the field, PgUp / PgDn scroll a
// details text. Where no edit has the focus, a button's mnemonic letter (or
// its key) presses it.
//
// A window is laid out for the terminal's size when it is drawn and again
// after every size change: a long text wraps inside the frame, the details
// text scrolls in the rows the screen leaves it, buttons that do not fit on
// one line take several, and every message box stays on the screen.
//
// While a window holds the terminal, SIGTERM, SIGINT, SIGHUP and SIGQUIT give
// the user's terminal back (its saved mode, the normal screen) before they
// take their course, and a message box raised by any thread of the library is
// drawn inside the window instead of on standard error under it.
#include "platform/platform.h"
#include "platform/posix/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const int kEditWidth = 28;
const int kTextWidth = 74;            // windows with texts: room for a log line
const std::size_t kBoxTextWidth = 64; // widest line of a message box

// ---- the held terminal, as signal handlers see it -----------------------------------
// Written before g_held is set and left alone while it is set, so a handler
// reads only finished values.
int g_heldFd = -1;
termios g_heldSaved{}; // the user's mode, given back
termios g_heldRaw{};   // the window's mode
volatile sig_atomic_t g_held = 0;
// Set by a size change (and when the window takes the terminal back after a
// program's handler let it live on): the window is drawn anew.
volatile sig_atomic_t g_redraw = 0;

const int kWatched[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGWINCH};
constexpr int kWatchedCount = sizeof kWatched / sizeof kWatched[0];
struct sigaction g_before[kWatchedCount]; // the handling each signal had before the window
bool g_ours[kWatchedCount];

const char kLeaveScreen[] = "\x1b[?25h\x1b[?1049l";
const char kEnterScreen[] = "\x1b[?1049h\x1b[?25l";

bool isHandler(const struct sigaction &sa) {
    if (sa.sa_flags & SA_SIGINFO)
        return sa.sa_sigaction != nullptr;
    return sa.sa_handler != SIG_DFL && sa.sa_handler != SIG_IGN;
}

void callHandler(const struct sigaction &sa, int sig, siginfo_t *info, void *context) {
    if (sa.sa_flags & SA_SIGINFO)
        sa.sa_sigaction(sig, info, context);
    else
        sa.sa_handler(sig);
}

// Async-signal-safe: precomputed texts and modes only.
void giveBack() {
    if (!g_held)
        return;
    g_held = 0;
    posix_write_all(g_heldFd, kLeaveScreen, sizeof kLeaveScreen - 1);
    tcsetattr(g_heldFd, TCSANOW, &g_heldSaved);
}

extern "C" void onTerminalSignal(int sig, siginfo_t *info, void *context) {
    int savedErrno = errno;
    int slot = 0;
    while (slot < kWatchedCount && kWatched[slot] != sig)
        ++slot;
    if (slot < kWatchedCount) {
        const struct sigaction &before = g_before[slot];
        if (sig == SIGWINCH) {
            g_redraw = 1;
            if (isHandler(before))
                callHandler(before, sig, info, context);
        } else {
            bool held = g_held != 0;
            giveBack();
            if (isHandler(before)) {
                // The program's own handler runs; when it lets the program
                // live on, the window takes the terminal again.
                callHandler(before, sig, info, context);
                if (held && !g_held) {
                    tcsetattr(g_heldFd, TCSANOW, &g_heldRaw);
                    posix_write_all(g_heldFd, kEnterScreen, sizeof kEnterScreen - 1);
                    g_held = 1;
                    g_redraw = 1;
                }
            } else {
                // The signal's own course: delivered again, with the handling
                // it had before, as soon as this handler returns.
                sigaction(sig, &before, nullptr);
                raise(sig);
            }
        }
    }
    errno = savedErrno;
}

// The window's terminal from now on: the signals above are watched (one the
// program ignores stays ignored).
void holdTerminal(int fd, const termios &saved, const termios &raw) {
    g_heldFd = fd;
    g_heldSaved = saved;
    g_heldRaw = raw;
    g_redraw = 0;
    g_held = 1;
    for (int i = 0; i < kWatchedCount; ++i) {
        g_ours[i] = false;
        struct sigaction now;
        if (sigaction(kWatched[i], nullptr, &now) != 0)
            continue;
        if (kWatched[i] != SIGWINCH && !(now.sa_flags & SA_SIGINFO) && now.sa_handler == SIG_IGN)
            continue;
        g_before[i] = now;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_sigaction = onTerminalSignal;
        sigemptyset(&sa.sa_mask);
        for (int s : kWatched)
            sigaddset(&sa.sa_mask, s);
        sa.sa_flags = SA_SIGINFO | SA_RESTART;
        g_ours[i] = sigaction(kWatched[i], &sa, nullptr) == 0;
    }
}

// The terminal is the user's again (given back already): each signal gets
// the handling it had, unless the program set another meanwhile.
void releaseTerminal() {
    g_held = 0;
    for (int i = 0; i < kWatchedCount; ++i) {
        if (!g_ours[i])
            continue;
        struct sigaction now;
        if (sigaction(kWatched[i], nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) &&
            now.sa_sigaction == onTerminalSignal)
            sigaction(kWatched[i], &g_before[i], nullptr);
        g_ours[i] = false;
    }
}

void terminalSize(int fd, int &cols, int &rows) {
    winsize ws{};
    bool known = ioctl(fd, TIOCGWINSZ, &ws) == 0;
    cols = known && ws.ws_col > 0 ? ws.ws_col : 80;
    rows = known && ws.ws_row > 0 ? ws.ws_row : 24;
}

// ---- texts ----------------------------------------------------------------------------

// The text of a label or button without its mnemonic marker.
std::string plain(const char *text) {
    std::string s;
    for (const char *p = text; p && *p; ++p)
        if (*p != '&' || p[1] == '&')
            s += *p;
    return s;
}

// A text as the screen may show it: control characters (which could move
// the cursor or reprogram the terminal) become blanks.
std::string visible(const std::string &text) {
    std::string s = text;
    for (char &c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return s;
}

// The characters of a UTF-8 text, each with all its bytes.
std::vector<std::string> cells(const std::string &s) {
    std::vector<std::string> out;
    for (char c : s) {
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80 && !out.empty())
            out.back() += c;
        else
            out.emplace_back(1, c);
    }
    return out;
}

std::size_t chars(const std::string &s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// At most `width` characters: a longer text is cut and ends with "...".
std::string fitTo(const std::string &text, std::size_t width) {
    std::vector<std::string> c = cells(text);
    if (c.size() <= width)
        return text;
    std::size_t keep = width > 3 ? width - 3 : width;
    std::string s;
    for (std::size_t i = 0; i < keep; ++i)
        s += c[i];
    return width > 3 ? s + "..." : s;
}

// Cuts one line into lines of at most `width` characters, at blanks where
// there are any (an empty line stays one empty line).
void wrapTo(const std::string &text, std::size_t width, std::vector<std::string> &lines) {
    width = std::max<std::size_t>(width, 1);
    std::vector<std::string> c = cells(text);
    std::size_t at = 0;
    do {
        std::size_t n = c.size() - at;
        if (n > width) {
            n = width;
            for (std::size_t k = at + width; k > at; --k)
                if (c[k] == " ") {
                    n = k - at;
                    break;
                }
        }
        std::string line;
        for (std::size_t k = at; k < at + n; ++k)
            line += c[k];
        lines.push_back(line);
        at += n;
        while (at < c.size() && c[at] == " " && n != 0)
            ++at;
    } while (at < c.size());
}

// The lines of a multi-line text ("\r\n", "\r\r\n", "\r" or "\n" end a line),
// each wrapped to `width`.
std::vector<std::string> textLines(const std::string &text, std::size_t width) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : '\n';
        if (c == '\r' || c == '\n') {
            while (c == '\r' && i + 1 < text.size() && text[i + 1] == '\r')
                ++i;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            wrapTo(visible(line), width, lines);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

std::string at(int row, int col) {
    return "\x1b[" + std::to_string(row) + ";" + std::to_string(col) + "H";
}

// A message box over a screen of cols x rows whose window ends at row
// `bottom` and whose status line is `status`: under the window when it fits
// there, else in the middle; always on the screen, with its key.
std::string boxScreen(int cols, int rows, int bottom, int status, const std::string &text,
                      const std::string &caption, unsigned style) {
    std::size_t most = static_cast<std::size_t>(std::max(10, cols - 6)); // inside the borders
    std::vector<std::string> lines =
        textLines(text, std::min(kBoxTextWidth, most > 2 ? most - 2 : 1));
    std::string title = " " + visible(caption) + " ";
    if (style == PLAT_MB_ICONERROR)
        title = " (x)" + title;
    else if (style == PLAT_MB_ICONEXCLAMATION)
        title = " (!)" + title;
    std::size_t width = std::max<std::size_t>(chars(title) + 4, 10);
    for (const std::string &l : lines)
        width = std::max(width, chars(l));
    width = std::min(width, most - 2);
    title = fitTo(title, width + 1);
    std::size_t room = static_cast<std::size_t>(std::max(1, rows - 4)); // borders, OK, key line
    if (lines.size() > room) {
        lines.resize(room);
        lines.back() = "...";
    }
    int height = static_cast<int>(lines.size()) + 3;
    bool under = bottom + height <= rows - 1;
    int row = under ? bottom + 1 : std::max(1, (rows - 1 - height) / 2 + 1);
    int col = std::max(1, (cols - static_cast<int>(width) - 4) / 2 + 1);
    // The box's key: right under it when it is under the window, else on
    // the last row, which no window row reaches.
    int keyRow = under ? row + height : rows;
    std::string out = at(status, 1) + "\x1b[2K";
    out += at(keyRow, 1) + "\x1b[2K" + at(keyRow, 2) + "Enter: OK";
    out += at(row++, col) + "+-" + title + std::string(width + 1 - chars(title), '-') + "+";
    for (const std::string &l : lines)
        out += at(row++, col) + "| " + l + std::string(width - chars(l), ' ') + " |";
    std::size_t left = width >= 6 ? (width - 6) / 2 : 0;
    std::size_t right = width >= 6 ? width - 6 - left : 0;
    out += at(row++, col) + "| " + std::string(left, ' ') + "\x1b[7m[ OK ]\x1b[0m" +
           std::string(right, ' ') + " |";
    out += at(row, col) + "+" + std::string(width + 2, '-') + "+\x1b[?25l";
    return out;
}

bool isInput(QM_CONTROL_KIND k) {
    return k == QM_CONTROL_KIND::Edit || k == QM_CONTROL_KIND::Password;
}
bool isButton(QM_CONTROL_KIND k) {
    return k == QM_CONTROL_KIND::Button || k == QM_CONTROL_KIND::DefaultButton;
}

enum class Key {
    None,
    Char,
    Backspace,
    Tab,
    BackTab,
    Enter,
    Escape,
    Clear,
    PageUp,
    PageDown,
    Redraw,
    Closed
};
enum class Read { Byte, Timeout, Redraw, Closed };

class CTerminalView;
// Reads and writes of the held terminal, and each view's last screen, are
// taken under this lock, so a box from another thread and the window never
// draw at once nor both read a key.
std::recursive_mutex g_screenLock;
CTerminalView *g_topView = nullptr;           // the innermost open window (under the lock)
thread_local CTerminalView *t_view = nullptr; // the innermost window of this thread

// One row inside a window's frame.
struct Row {
    std::string text;
    std::size_t width = 0; // visible characters of text
    int cursorCol = 0;     // the screen column of the cursor on this row (0: none)
    bool pad = false;      // a blank row that goes first when the screen is short
};

// Where everything of a window goes on a screen of a given size.
struct Layout {
    int cols = 80, rows = 24;
    int inner = 0; // columns between the two borders
    std::string title;
    std::vector<Row> body;
    std::string status;
    int detailsRows = 0;
};

class CTerminalView : public CDialogView {
  public:
    CTerminalView(int fd, CDialogLogic &logic) : fd_(fd), logic_(logic) {
        const QM_DIALOG &d = logic.Dialog();
        for (std::size_t i = 0; i < d.count; ++i) {
            const QM_CONTROL &c = d.controls[i];
            controls_.push_back(
                {c, isInput(c.kind) ? std::string() : plain(c.text), true, false, std::string()});
        }
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (isInput(controls_[i].def.kind) || isButton(controls_[i].def.kind)) {
                focus_ = static_cast<int>(i);
                break;
            }
    }
    ~CTerminalView() override {
        for (Control &c : controls_)
            plat_wipe(c.text);
        plat_wipe(out_);
        std::lock_guard<std::recursive_mutex> lock(g_screenLock);
        plat_wipe(lastScreen_);
    }

    int Run() {
        CTerminalView *outerOwn = t_view, *outerTop;
        {
            std::lock_guard<std::recursive_mutex> lock(g_screenLock);
            outerTop = g_topView;
            g_topView = this;
        }
        t_view = this;
        struct Restore {
            CTerminalView *own, *top;
            ~Restore() {
                t_view = own;
                std::lock_guard<std::recursive_mutex> lock(g_screenLock);
                g_topView = top;
            }
        } restore{outerOwn, outerTop};
        logic_.OnInit(*this);
        while (!ended_) {
            draw();
            std::string ch;
            Key k = readKey(ch);
            handle(k, ch);
        }
        return result_;
    }

    std::string GetText(int id) override {
        Control *c = find(id);
        return c ? c->text : std::string();
    }
    void SetText(int id, const std::string &text) override {
        if (Control *c = find(id)) {
            plat_wipe(c->text);
            c->text = text;
            if (c->def.kind == QM_CONTROL_KIND::Details)
                detailsTop_ = 0;
        }
    }
    void Enable(int id, bool enabled) override {
        if (Control *c = find(id))
            c->enabled = enabled;
    }
    void SetFocus(int id) override {
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i].def.id == id)
                focus_ = static_cast<int>(i);
    }
    void ShowLowerPart(int firstId, bool shown) override {
        bool lower = false;
        for (Control &c : controls_) {
            lower = lower || c.def.id == firstId;
            if (lower)
                c.hidden = !shown;
        }
        if (focus_ >= 0 && !focusable(controls_[static_cast<std::size_t>(focus_)]))
            move(1);
    }
    void SetIcon(int id, unsigned icon) override {
        if (Control *c = find(id))
            c->icon = icon == PLAT_MB_ICONINFORMATION   ? "(i)"
                      : icon == PLAT_MB_ICONEXCLAMATION ? "(!)"
                      : icon == PLAT_MB_ICONERROR       ? "(x)"
                                                        : "";
    }
    void SetBusy(bool busy) override {
        busy_ = busy;
        if (busy) {
            draw();
        } else {
            // Keys typed while the window was busy are dropped, as a disabled
            // window drops them.
            std::lock_guard<std::recursive_mutex> lock(g_screenLock);
            tcflush(fd_, TCIFLUSH);
        }
    }
    // A box of this window's thread: drawn over the window, which is drawn
    // anew on a size change; the status line shows what the box takes, not
    // the window's keys nor its busy text, and the cursor is hidden.
    int ShowMessage(const std::string &text, const std::string &caption, unsigned style) override {
        Box outer = box_;
        box_ = {true, text, caption, style};
        for (;;) {
            draw();
            std::string ch;
            Key k = readKey(ch);
            if (k == Key::Enter || k == Key::Escape || k == Key::Closed ||
                (k == Key::Char && ch == " "))
                break;
        }
        box_ = outer;
        return 1;
    }
    // A box of another thread, under the screen lock (so this window neither
    // draws nor reads meanwhile): drawn over the window's last screen, which
    // comes back when the box is answered.
    int ShowForeignMessage(const std::string &text, const std::string &caption, unsigned style) {
        int cols = 0, rows = 0, shownCols = -1, shownRows = -1;
        for (;;) {
            terminalSize(fd_, cols, rows);
            if (cols != shownCols || rows != shownRows) {
                posix_write_all(fd_, lastScreen_ + boxScreen(cols, rows, lastBottom_, lastStatus_,
                                                             text, caption, style));
                shownCols = cols;
                shownRows = rows;
            }
            unsigned char b = 0;
            Read r = readByte(b, 200, false);
            if (r == Read::Closed ||
                (r == Read::Byte && (b == '\r' || b == '\n' || b == ' ' || b == 0x1B || b == 0x03)))
                break;
        }
        posix_write_all(fd_, lastScreen_);
        return 1;
    }
    void EndDialog(int result) override {
        ended_ = true;
        result_ = result;
    }

  private:
    struct Control {
        QM_CONTROL def;
        std::string text;
        bool enabled;
        bool hidden;      // in the lower part of a window that shows only its upper part
        std::string icon; // Icon controls: the severity mark
    };

    Control *find(int id) {
        for (Control &c : controls_)
            if (c.def.id == id && c.def.id != -1)
                return &c;
        return nullptr;
    }
    bool focusable(const Control &c) const {
        return !c.hidden && (isInput(c.def.kind) || (isButton(c.def.kind) && c.enabled));
    }
    void move(int step) {
        int n = static_cast<int>(controls_.size());
        for (int i = 1; i <= n; ++i) {
            int at = ((focus_ + step * i) % n + n) % n;
            if (focusable(controls_[static_cast<std::size_t>(at)])) {
                focus_ = at;
                return;
            }
        }
    }
    void press(int id) {
        logic_.OnCommand(*this, id);
        // A button that became disabled cannot keep the focus.
        if (!ended_ && focus_ >= 0 && !focusable(controls_[static_cast<std::size_t>(focus_)]))
            move(1);
    }
    void handle(Key k, const std::string &ch) {
        Control *focused = focus_ >= 0 ? &controls_[static_cast<std::size_t>(focus_)] : nullptr;
        bool input = focused && isInput(focused->def.kind);
        switch (k) {
        case Key::Tab:
            move(1);
            break;
        case Key::BackTab:
            move(-1);
            break;
        case Key::Escape:
        case Key::Closed:
            press(QM_IDCANCEL);
            if (k == Key::Closed && !ended_)
                EndDialog(QM_IDCANCEL); // the terminal is gone
            break;
        case Key::Enter:
            if (focused && isButton(focused->def.kind)) {
                if (focused->enabled)
                    press(focused->def.id);
            } else {
                for (const Control &c : controls_)
                    if (c.def.kind == QM_CONTROL_KIND::DefaultButton && c.enabled) {
                        press(c.def.id);
                        break;
                    }
            }
            break;
        case Key::Char:
            if (!input && pressKey(ch))
                break;
            if (input && (focused->def.limit == 0 ||
                          chars(focused->text) < static_cast<std::size_t>(focused->def.limit))) {
                focused->text += ch;
                logic_.OnChange(*this, focused->def.id);
            }
            break;
        case Key::Backspace:
            if (input && !focused->text.empty()) {
                // One character, all bytes of it.
                std::size_t n = focused->text.size();
                while (n > 0 && (static_cast<unsigned char>(focused->text[n - 1]) & 0xC0) == 0x80)
                    --n;
                focused->text.resize(n > 0 ? n - 1 : 0);
                logic_.OnChange(*this, focused->def.id);
            }
            break;
        case Key::Clear:
            if (input && !focused->text.empty()) {
                plat_wipe(focused->text);
                logic_.OnChange(*this, focused->def.id);
            }
            break;
        case Key::PageUp:
            detailsTop_ -= std::max(1, detailsRows_ - 1);
            break;
        case Key::PageDown:
            detailsTop_ += std::max(1, detailsRows_ - 1);
            break;
        case Key::None:
        case Key::Redraw:
            break;
        }
    }
    // The key of a button: its mnemonic letter, else the key of its description.
    static char keyOf(const QM_CONTROL &c) {
        for (const char *p = c.text; p && *p; ++p)
            if (*p == '&' && p[1] != '&' && p[1] != '\0')
                return static_cast<char>(std::toupper(static_cast<unsigned char>(p[1])));
        return static_cast<char>(std::toupper(c.limit > 0 && c.limit < 128 ? c.limit : 0));
    }
    bool pressKey(const std::string &ch) {
        char k = static_cast<char>(std::toupper(static_cast<unsigned char>(ch[0])));
        for (const Control &c : controls_) {
            if (isButton(c.def.kind) && !c.hidden && c.enabled && k != 0 && keyOf(c.def) == k) {
                // The focus stays where it was: Enter still presses OK.
                press(c.def.id);
                return true;
            }
        }
        return false;
    }

    // ---- keys ----
    // One byte of the terminal. Waits at most `timeoutMs` (negative: without
    // limit); with `redraw`, a pending redraw ends the wait. The byte is
    // taken under the screen lock, so a box of another thread gets its keys.
    Read readByte(unsigned char &b, int timeoutMs, bool redraw) {
        int waited = 0;
        for (;;) {
            if (redraw && g_redraw)
                return Read::Redraw;
            int slice = timeoutMs < 0 ? 200 : std::min(200, timeoutMs - waited);
            pollfd p{fd_, POLLIN, 0};
            int n = poll(&p, 1, slice);
            if (n < 0 && errno != EINTR)
                return Read::Closed;
            if (n > 0) {
                if (!(p.revents & POLLIN))
                    return Read::Closed;
                std::lock_guard<std::recursive_mutex> lock(g_screenLock);
                pollfd q{fd_, POLLIN, 0};
                if (poll(&q, 1, 0) <= 0)
                    continue; // a box of another thread took it
                ssize_t got = read(fd_, &b, 1);
                if (got == 1)
                    return Read::Byte;
                if (got < 0 && (errno == EINTR || errno == EAGAIN))
                    continue;
                return Read::Closed;
            }
            if (n == 0) {
                waited += slice;
                if (timeoutMs >= 0 && waited >= timeoutMs)
                    return Read::Timeout;
            }
        }
    }
    Key readKey(std::string &ch) {
        unsigned char b;
        Read r = readByte(b, -1, true);
        if (r == Read::Redraw)
            return Key::Redraw;
        if (r != Read::Byte)
            return Key::Closed;
        switch (b) {
        case '\t':
            return Key::Tab;
        case '\r':
        case '\n':
            return Key::Enter;
        case 0x7F:
        case 0x08:
            return Key::Backspace;
        case 0x03:
            return Key::Escape;
        case 0x15:
            return Key::Clear;
        case 0x1B: {
            unsigned char c;
            if (readByte(c, 60, false) != Read::Byte)
                return Key::Escape;
            if (c != '[' && c != 'O')
                return Key::None;
            // A control sequence: parameters, then one final byte.
            std::string params;
            unsigned char f = 0;
            while (readByte(f, 60, false) == Read::Byte && f >= 0x20 && f < 0x40)
                params += static_cast<char>(f);
            if (f == 'Z' || f == 'A')
                return Key::BackTab;
            if (f == 'B')
                return Key::Tab;
            if (f == '~' && params == "5")
                return Key::PageUp;
            if (f == '~' && params == "6")
                return Key::PageDown;
            return Key::None;
        }
        default:
            if (b < 0x20)
                return Key::None;
            ch.assign(1, static_cast<char>(b));
            return Key::Char;
        }
    }

    // ---- layout ----
    // The widths a window takes on a screen: its frame, its texts, its edits.
    struct Shape {
        std::size_t width = 0; // a text line inside the frame
        int editWidth = 0, labelRoom = 0;
        bool hasKeys = false; // a button has a key of its own
    };
    // The details text of a window, placed once the rows it may take are known.
    struct DetailsText {
        bool shown = false;
        std::size_t at = 0; // the body row it goes to
        std::vector<std::string> lines;
    };

    // Where every visible control goes on a screen of cols x rows.
    Layout layout(int cols, int rows) {
        Layout L;
        L.cols = cols;
        L.rows = rows;
        Shape shape;
        int labelWidth = 0;
        bool hasText = false;
        for (const Control &c : controls_) {
            if (c.def.kind == QM_CONTROL_KIND::Label)
                labelWidth = std::max(labelWidth, static_cast<int>(chars(c.text)));
            hasText = hasText || c.def.kind == QM_CONTROL_KIND::Text ||
                      c.def.kind == QM_CONTROL_KIND::Details;
            shape.hasKeys = shape.hasKeys || (isButton(c.def.kind) && keyOf(c.def) != 0);
        }
        int want = labelWidth + kEditWidth + 7;
        if (hasText)
            want = std::max(want, kTextWidth + 3);
        L.inner = std::max(12, std::min(want, cols - 3));
        shape.width = static_cast<std::size_t>(L.inner) - 3;
        // An edit keeps at least 4 columns; a label gives way first.
        shape.editWidth = std::max(4, std::min(kEditWidth, L.inner - 7 - labelWidth));
        shape.labelRoom = std::max(0, std::min(labelWidth, L.inner - 7 - shape.editWidth));
        L.title = fitTo(" " + visible(logic_.Dialog().caption) + " ",
                        static_cast<std::size_t>(L.inner) - 2);

        DetailsText details;
        addControls(L, shape, details);
        // The screen's rows less the two borders and the status line.
        int room = rows - 3;
        if (details.shown)
            placeDetails(L, shape.width, details, room);
        // Blank rows go first when the screen is short.
        std::vector<Row> &body = L.body;
        for (std::size_t k = body.size(); k-- > 0 && static_cast<int>(body.size()) > room;)
            if (body[k].pad)
                body.erase(body.begin() + static_cast<std::ptrdiff_t>(k));
        L.status =
            statusText(cols, shape.hasKeys,
                       L.detailsRows > 0 && L.detailsRows < static_cast<int>(details.lines.size()));
        return L;
    }

    // The rows of the visible controls, in tab order, then the buttons.
    void addControls(Layout &L, const Shape &shape, DetailsText &details) {
        std::vector<Row> &body = L.body;
        std::size_t width = shape.width;
        auto add = [&](const std::string &text, std::size_t w) {
            Row r;
            r.text = text;
            r.width = w;
            body.push_back(r);
        };
        auto pad = [&] {
            add("", 0);
            body.back().pad = true;
        };
        pad();
        std::string icon, pendingLabel;
        std::vector<std::string> faces;
        std::vector<std::size_t> faceWidths;
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            const Control &c = controls_[i];
            bool focused = static_cast<int>(i) == focus_;
            if (c.hidden)
                continue;
            if (c.def.kind == QM_CONTROL_KIND::Icon) {
                icon = c.icon;
            } else if (c.def.kind == QM_CONTROL_KIND::Text) {
                std::string prefix = icon.empty() ? std::string() : icon + " ";
                icon.clear();
                std::vector<std::string> lines = textLines(c.text, width - chars(prefix));
                for (std::size_t k = 0; k < lines.size(); ++k) {
                    std::string shown =
                        (k == 0 ? prefix : std::string(chars(prefix), ' ')) + lines[k];
                    add(shown, chars(shown));
                }
            } else if (c.def.kind == QM_CONTROL_KIND::Details) {
                // A multi-line edit: framed by rules, placed once the rows
                // it may take are known.
                details.lines = textLines(c.text, width);
                while (!details.lines.empty() && details.lines.back().empty())
                    details.lines.pop_back();
                details.shown = true;
                details.at = body.size();
            } else if (c.def.kind == QM_CONTROL_KIND::Label) {
                pendingLabel = c.text;
            } else if (isInput(c.def.kind)) {
                body.push_back(editRow(c, shape, pendingLabel, focused));
                pendingLabel.clear();
            } else if (isButton(c.def.kind)) {
                // The default button is marked by angle brackets.
                std::string face = c.def.kind == QM_CONTROL_KIND::DefaultButton
                                       ? "< " + c.text + " >"
                                       : "[ " + c.text + " ]";
                std::string attr = !c.enabled ? "\x1b[2m" : focused ? "\x1b[7m" : "\x1b[1m";
                faceWidths.push_back(chars(face));
                faces.push_back(attr + face + "\x1b[0m");
            }
        }
        pad();
        // Buttons: as many on a line as fit, each line centred.
        for (std::size_t k = 0; k < faces.size();) {
            std::string line = faces[k];
            std::size_t w = faceWidths[k];
            for (++k; k < faces.size() && w + 3 + faceWidths[k] <= width; ++k) {
                line += "   " + faces[k];
                w += 3 + faceWidths[k];
            }
            std::size_t left = w < width ? (width + 2 - w) / 2 : 0;
            add(std::string(left, ' ') + line, left + w);
        }
        pad();
    }

    // An edit with its label: a password shows one '*' per character, a long
    // text only its end; the cursor stands after the text when it has the focus.
    static Row editRow(const Control &c, const Shape &shape, const std::string &labelText,
                       bool focused) {
        std::size_t n = chars(c.text);
        std::vector<std::string> shown = c.def.kind == QM_CONTROL_KIND::Password
                                             ? std::vector<std::string>(n, "*")
                                             : cells(visible(c.text));
        std::size_t edit = static_cast<std::size_t>(shape.editWidth);
        std::size_t labelRoom = static_cast<std::size_t>(shape.labelRoom);
        std::size_t from = shown.size() > edit - 1 ? shown.size() - (edit - 1) : 0;
        std::string field = "[";
        for (std::size_t k = from; k < shown.size(); ++k)
            field += shown[k];
        std::size_t used = shown.size() - from;
        field += std::string(edit - used, '_') + "]";
        std::string label = fitTo(labelText, labelRoom);
        label += std::string(labelRoom - chars(label), ' ');
        Row r;
        r.text = " " + label + "  " + field;
        r.width = 1 + labelRoom + 2 + edit + 2;
        if (focused)
            r.cursorCol = static_cast<int>(2 + 2 + 1 + labelRoom + 2 + 1 + used);
        return r;
    }

    // The details between two rules, as many lines as the screen leaves
    // them (at least 3), from the first line scrolled to.
    void placeDetails(Layout &L, std::size_t width, const DetailsText &details, int room) {
        const std::vector<std::string> &lines = details.lines;
        int n = static_cast<int>(lines.size());
        int fixed = static_cast<int>(L.body.size()) + 2;
        int shown = std::max(1, std::max(std::min(n, 3), std::min(n, room - fixed)));
        detailsTop_ = std::max(0, std::min(detailsTop_, n - shown));
        L.detailsRows = shown;
        std::vector<Row> part;
        auto rule = [&](const std::string &mark) {
            Row r;
            r.text = mark + std::string(width - chars(mark), '-');
            r.width = width;
            part.push_back(r);
        };
        rule("");
        for (int k = 0; k < shown; ++k) {
            Row r;
            int at = detailsTop_ + k;
            r.text = at < n ? lines[static_cast<std::size_t>(at)] : std::string();
            r.width = chars(r.text);
            part.push_back(r);
        }
        if (shown < n)
            rule(fitTo("-- lines " + std::to_string(detailsTop_ + 1) + "-" +
                           std::to_string(detailsTop_ + shown) + " of " + std::to_string(n) +
                           ", PgUp/PgDn ",
                       width));
        else
            rule("");
        L.body.insert(L.body.begin() + static_cast<std::ptrdiff_t>(details.at), part.begin(),
                      part.end());
    }

    // The line under the window: what it is doing, or its keys in the
    // longest form that fits the screen.
    std::string statusText(int cols, bool hasKeys, bool scrolls) const {
        if (busy_)
            return "\x1b[1mPlease wait...\x1b[0m";
        std::string keys;
        for (const Control &c : controls_)
            if (isButton(c.def.kind) && !c.hidden && c.enabled && keyOf(c.def) != 0)
                keys += std::string(keys.empty() ? "" : "/") + keyOf(c.def);
        std::string scroll = scrolls ? "PgUp/PgDn: scroll  " : "";
        std::vector<std::string> status;
        if (hasKeys && !keys.empty()) {
            status.push_back(scroll + "Tab: next  Enter: press  " + keys +
                             ": the button of that letter  Esc: close");
            status.push_back(scroll + "Tab: next  Enter: press  " + keys + "  Esc: close");
            status.push_back("Tab  Enter  " + keys + "  Esc");
        } else {
            status.push_back(scroll + "Tab/Shift-Tab: next/previous  Enter: OK  Esc: Cancel");
            status.push_back(scroll + "Tab: next  Enter: OK  Esc: Cancel");
            status.push_back("Tab: next  Enter: OK  Esc: Cancel");
        }
        std::size_t width = static_cast<std::size_t>(std::max(1, cols - 2));
        for (const std::string &s : status)
            if (chars(s) <= width)
                return s;
        return fitTo(status.back(), width);
    }

    // ---- rendering ----
    void put(int row, int col, const std::string &s) { out_ += at(row, col) + s; }
    void draw() {
        g_redraw = 0;
        int cols = 0, rows = 0;
        terminalSize(fd_, cols, rows);
        Layout L = layout(cols, rows);
        detailsRows_ = L.detailsRows;
        render(L);
    }
    // Draws a layout; nothing is written below the screen's last row.
    void render(const Layout &L) {
        out_ += "\x1b[H\x1b[2J";
        std::size_t inner = static_cast<std::size_t>(L.inner);
        int row = 1, cursorRow = 0, cursorCol = 0;
        int last = std::max(1, L.rows - 1); // the last row of the frame
        auto line = [&](const std::string &s) {
            if (row <= last)
                put(row, 2, s);
            ++row;
        };
        line("+-" + L.title + std::string(inner - chars(L.title) - 1, '-') + "+");
        for (const Row &r : L.body) {
            if (r.cursorCol && row <= last) {
                cursorRow = row;
                cursorCol = r.cursorCol;
            }
            line("| " + r.text + std::string(inner - 1 - std::min(r.width, inner - 1), ' ') + "|");
        }
        line("+" + std::string(inner, '-') + "+");
        int bottom = std::min(row - 1, last);
        int status = std::min(bottom + 2, L.rows);
        put(status, 2, L.status);
        if (box_.shown)
            out_ += boxScreen(L.cols, L.rows, bottom, status, box_.text, box_.caption, box_.style);
        else if (cursorRow && !busy_)
            out_ += "\x1b[?25h" + at(cursorRow, cursorCol);
        else
            out_ += "\x1b[?25l";
        std::lock_guard<std::recursive_mutex> lock(g_screenLock);
        posix_write_all(fd_, out_);
        plat_wipe(lastScreen_);
        lastScreen_.swap(out_);
        lastBottom_ = bottom;
        lastStatus_ = status;
    }

    struct Box {
        bool shown = false;
        std::string text, caption;
        unsigned style = 0;
    };

    int fd_;
    CDialogLogic &logic_;
    std::vector<Control> controls_;
    int focus_ = -1;
    bool ended_ = false;
    bool busy_ = false;
    int result_ = QM_IDCANCEL;
    int detailsTop_ = 0;  // the first details line shown
    int detailsRows_ = 0; // details lines the last layout showed
    Box box_;
    std::string out_;
    // The last screen drawn, where its frame ends and its status line
    // (under the screen lock): what a box of another thread draws over.
    std::string lastScreen_;
    int lastBottom_ = 8;
    int lastStatus_ = 10;
};

// The controlling terminal in raw mode, in its alternate screen, for the
// lifetime of one window; everything is put back on every way out, a signal
// that ends the process included.
class CTerminal {
  public:
    CTerminal() {
        fd_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            return;
        // A background job would be stopped by its first read: only the
        // terminal's foreground process group may show a window there.
        if (!isatty(fd_) || tcgetpgrp(fd_) != getpgrp() || tcgetattr(fd_, &saved_) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
        raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        holdTerminal(fd_, saved_, raw);
        if (tcsetattr(fd_, TCSAFLUSH, &raw) != 0) {
            releaseTerminal();
            close(fd_);
            fd_ = -1;
            return;
        }
        posix_write_all(fd_, std::string("\x1b[?1049h\x1b[H\x1b[2J"));
    }
    ~CTerminal() {
        if (fd_ < 0)
            return;
        {
            std::lock_guard<std::recursive_mutex> lock(g_screenLock);
            posix_write_all(fd_, std::string("\x1b[H\x1b[2J\x1b[?25h\x1b[?1049l"));
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
        releaseTerminal();
        close(fd_);
    }
    CTerminal(const CTerminal &) = delete;
    CTerminal &operator=(const CTerminal &) = delete;
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
    termios saved_{};
};

} // namespace

// The terminal of the window that is open, if any: a window opened from it
// (the password change from the logon) draws on the same screen.
thread_local int t_openTerminal = -1;

int plat_run_dialog(CDialogLogic &logic, void *owner) {
    (void)owner;
    if (t_openTerminal >= 0) {
        CTerminalView view(t_openTerminal, logic);
        return view.Run();
    }
    CTerminal terminal;
    if (terminal.fd() < 0)
        return QM_DIALOG_UNAVAILABLE;
    t_openTerminal = terminal.fd();
    int result;
    try {
        CTerminalView view(terminal.fd(), logic);
        result = view.Run();
    } catch (...) {
        t_openTerminal = -1;
        throw;
    }
    t_openTerminal = -1;
    return result;
}

bool plat_terminal_message_box(const std::string &text, const std::string &caption,
                               unsigned style) {
    if (t_view) {
        t_view->ShowMessage(text, caption, style);
        return true;
    }
    std::lock_guard<std::recursive_mutex> lock(g_screenLock);
    if (!g_topView)
        return false;
    g_topView->ShowForeignMessage(text, caption, style);
    return true;
}

void plat_terminal_give_back() {
    giveBack();
}
