// The terminal view of qm32's windows on POSIX: a window is drawn on the
// controlling terminal (/dev/tty, never standard input) in the terminal's
// alternate screen, so nothing of it, passwords least of all, stays in the
// scrollback. Keys: Tab / Shift-Tab (or Down / Up) move between the controls,
// Enter presses the focused button or else the default one, Escape or Ctrl-C
// cancel, Backspace deletes, Ctrl-U clears the field. Where no edit has the
// focus, a button's mnemonic letter (or its key) presses it.
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const int kEditWidth = 28;
const int kTextWidth = 74; // windows with texts: room for a log line

// The text of a label or button without its mnemonic marker.
std::string plain(const char *text) {
    std::string s;
    for (const char *p = text; p && *p; ++p)
        if (*p != '&' || p[1] == '&')
            s += *p;
    return s;
}

bool isInput(QM_CONTROL_KIND k) {
    return k == QM_CONTROL_KIND::Edit || k == QM_CONTROL_KIND::Password;
}
bool isButton(QM_CONTROL_KIND k) {
    return k == QM_CONTROL_KIND::Button || k == QM_CONTROL_KIND::DefaultButton;
}

enum class Key { None, Char, Backspace, Tab, BackTab, Enter, Escape, Clear, Closed };

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
    }

    int Run() {
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
            tcflush(fd_, TCIFLUSH);
        }
    }
    int ShowMessage(const std::string &text, const std::string &caption, unsigned style) override {
        draw();
        std::vector<std::string> lines;
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
                wrap(line, lines);
                line.clear();
            } else {
                line += c;
            }
        }
        wrap(line, lines);
        std::string title = " " + caption + " ";
        if (style == PLAT_MB_ICONERROR)
            title = " (x)" + title;
        else if (style == PLAT_MB_ICONEXCLAMATION)
            title = " (!)" + title;
        std::size_t width = std::max<std::size_t>(title.size() + 4, 10);
        for (const std::string &l : lines)
            width = std::max(width, l.size());
        // Under the view when it fits there, else raised over the view's
        // lower rows so the whole box stays on the screen.
        int height = static_cast<int>(lines.size()) + 3;
        int row = std::max(1, std::min(bottom_ + 2, terminalRows() - height + 1));
        // The status line says what the box takes, not the view's keys nor
        // its busy text, and the cursor is hidden while the box waits.
        put(bottom_ + 1, 1, "\x1b[2K");
        put(bottom_ + 1, 2, "Enter: OK\x1b[?25l");
        put(row++, 4, "+-" + title + std::string(width + 2 - title.size() - 1, '-') + "+");
        for (const std::string &l : lines) {
            std::string shown = l.substr(0, width);
            put(row++, 4, "| " + shown + std::string(width - shown.size(), ' ') + " |");
        }
        std::string ok = "\x1b[7m[ OK ]\x1b[0m";
        put(row++, 4,
            "| " + std::string((width - 6) / 2, ' ') + ok +
                std::string(width - 6 - (width - 6) / 2, ' ') + " |");
        put(row, 4, "+" + std::string(width + 2, '-') + "+");
        flush();
        for (;;) {
            std::string ch;
            Key k = readKey(ch);
            if (k == Key::Enter || k == Key::Escape || k == Key::Closed ||
                (k == Key::Char && ch == " "))
                break;
        }
        return 1;
    }
    // Rows of the terminal (24 when it does not say).
    int terminalRows() const {
        winsize ws{};
        return ioctl(fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 ? ws.ws_row : 24;
    }
    // Cuts a line of a message box into lines of at most kBoxWidth
    // characters, at blanks where there are any.
    static void wrap(const std::string &text, std::vector<std::string> &lines) {
        wrapTo(text, 64, lines);
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
        case Key::None:
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
    static std::size_t chars(const std::string &s) {
        std::size_t n = 0;
        for (unsigned char c : s)
            if ((c & 0xC0) != 0x80)
                ++n;
        return n;
    }

    // ---- keys ----
    bool readByte(unsigned char &b, int timeoutMs) {
        if (timeoutMs >= 0) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                return false;
        }
        for (;;) {
            ssize_t n = read(fd_, &b, 1);
            if (n == 1)
                return true;
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
    }
    Key readKey(std::string &ch) {
        unsigned char b;
        if (!readByte(b, -1))
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
            if (!readByte(c, 60))
                return Key::Escape;
            if (c != '[' && c != 'O')
                return Key::None;
            // A control sequence: parameters, then one final byte.
            unsigned char f = 0;
            while (readByte(f, 60) && f >= 0x20 && f < 0x40) {
            }
            if (f == 'Z' || f == 'A')
                return Key::BackTab;
            if (f == 'B')
                return Key::Tab;
            return Key::None;
        }
        default:
            if (b < 0x20)
                return Key::None;
            ch.assign(1, static_cast<char>(b));
            return Key::Char;
        }
    }

    // ---- drawing ----
    void put(int row, int col, const std::string &s) {
        out_ += "\x1b[" + std::to_string(row) + ";" + std::to_string(col) + "H" + s;
    }
    void flush() {
        std::size_t at = 0;
        while (at < out_.size()) {
            ssize_t n = write(fd_, out_.data() + at, out_.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        plat_wipe(out_);
    }
    void draw() {
        const QM_DIALOG &d = logic_.Dialog();
        out_ += "\x1b[H\x1b[2J";
        int labelWidth = 0;
        for (const Control &c : controls_)
            if (c.def.kind == QM_CONTROL_KIND::Label)
                labelWidth = std::max(labelWidth, static_cast<int>(c.text.size()));
        int inner = labelWidth + kEditWidth + 7;
        bool hasText = false, hasKeys = false;
        for (const Control &c : controls_) {
            hasText = hasText || c.def.kind == QM_CONTROL_KIND::Text ||
                      c.def.kind == QM_CONTROL_KIND::Details;
            hasKeys = hasKeys || (isButton(c.def.kind) && keyOf(c.def) != 0);
        }
        if (hasText)
            inner = std::max(inner, kTextWidth + 3);
        std::string icon;
        std::string title = std::string(" ") + d.caption + " ";
        put(1, 2,
            "+-" + title + std::string(static_cast<std::size_t>(inner) - title.size() - 1, '-') +
                "+");
        int row = 2, cursorRow = 0, cursorCol = 0;
        std::string buttons;
        std::size_t buttonsWidth = 0;
        std::string pendingLabel;
        auto frame = [&](int r, const std::string &text, std::size_t visible) {
            put(r, 2,
                "| " + text + std::string(static_cast<std::size_t>(inner) - 1 - visible, ' ') +
                    "|");
        };
        frame(row++, "", 0);
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            const Control &c = controls_[i];
            bool focused = static_cast<int>(i) == focus_;
            if (c.hidden)
                continue;
            if (c.def.kind == QM_CONTROL_KIND::Icon) {
                icon = c.icon;
            } else if (c.def.kind == QM_CONTROL_KIND::Text ||
                       c.def.kind == QM_CONTROL_KIND::Details) {
                // Texts are wrapped; a multi-line edit is framed by rules.
                bool details = c.def.kind == QM_CONTROL_KIND::Details;
                std::size_t width = static_cast<std::size_t>(inner) - 3;
                std::string prefix = icon.empty() ? std::string() : icon + " ";
                icon.clear();
                if (details)
                    frame(row++, std::string(width, '-'), width);
                std::vector<std::string> lines;
                std::string line;
                for (std::size_t k = 0; k <= c.text.size(); ++k) {
                    if (k == c.text.size() || c.text[k] == '\n') {
                        while (!line.empty() && line.back() == '\r')
                            line.pop_back();
                        wrapTo(line, width - prefix.size(), lines);
                        line.clear();
                    } else {
                        line += c.text[k];
                    }
                }
                while (details && !lines.empty() && lines.back().empty())
                    lines.pop_back();
                for (std::size_t k = 0; k < lines.size(); ++k) {
                    std::string shown =
                        (k == 0 ? prefix : std::string(prefix.size(), ' ')) + lines[k];
                    frame(row++, shown, chars(shown));
                }
                if (details)
                    frame(row++, std::string(width, '-'), width);
            } else if (c.def.kind == QM_CONTROL_KIND::Label) {
                pendingLabel = c.text;
            } else if (isInput(c.def.kind)) {
                std::size_t n = chars(c.text);
                std::string shown =
                    c.def.kind == QM_CONTROL_KIND::Password ? std::string(n, '*') : c.text;
                std::size_t shownChars = c.def.kind == QM_CONTROL_KIND::Password ? n : chars(shown);
                // Only the end of a long text is visible.
                while (shownChars > static_cast<std::size_t>(kEditWidth - 1)) {
                    std::size_t cut = 1;
                    while (cut < shown.size() &&
                           (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
                        ++cut;
                    shown.erase(0, cut);
                    --shownChars;
                }
                std::string label =
                    pendingLabel +
                    std::string(static_cast<std::size_t>(labelWidth) - pendingLabel.size(), ' ');
                std::string field =
                    "[" + shown +
                    std::string(static_cast<std::size_t>(kEditWidth) - shownChars, '_') + "]";
                frame(row, " " + label + "  " + field,
                      1 + static_cast<std::size_t>(labelWidth) + 2 +
                          static_cast<std::size_t>(kEditWidth) + 2);
                if (focused) {
                    cursorRow = row;
                    cursorCol = 2 + 2 + 1 + labelWidth + 2 + 1 + static_cast<int>(shownChars);
                }
                ++row;
                pendingLabel.clear();
            } else if (isButton(c.def.kind)) {
                // The default button is marked by angle brackets.
                std::string face = c.def.kind == QM_CONTROL_KIND::DefaultButton
                                       ? "< " + c.text + " >"
                                       : "[ " + c.text + " ]";
                std::string attr = !c.enabled ? "\x1b[2m" : focused ? "\x1b[7m" : "\x1b[1m";
                if (!buttons.empty()) {
                    buttons += "   ";
                    buttonsWidth += 3;
                }
                buttons += attr + face + "\x1b[0m";
                buttonsWidth += face.size();
            }
        }
        frame(row++, "", 0);
        std::size_t pad = (static_cast<std::size_t>(inner) - 1 - buttonsWidth) / 2;
        frame(row++, std::string(pad, ' ') + buttons, pad + buttonsWidth);
        frame(row++, "", 0);
        put(row++, 2, "+" + std::string(static_cast<std::size_t>(inner), '-') + "+");
        bottom_ = row;
        std::string keys;
        for (const Control &c : controls_)
            if (isButton(c.def.kind) && !c.hidden && c.enabled && keyOf(c.def) != 0)
                keys += std::string(keys.empty() ? "" : "/") + keyOf(c.def);
        put(row + 1, 2,
            busy_ ? std::string("\x1b[1mPlease wait...\x1b[0m")
            : hasKeys && !keys.empty()
                ? "Tab: next  Enter: press  " + keys + ": the button of that letter  Esc: close"
                : std::string("Tab/Shift-Tab: next/previous  Enter: OK  Esc: Cancel"));
        if (cursorRow && !busy_)
            out_ += "\x1b[?25h\x1b[" + std::to_string(cursorRow) + ";" + std::to_string(cursorCol) +
                    "H";
        else
            out_ += "\x1b[?25l";
        flush();
    }

    // Cuts one line into lines of at most `width` characters, at blanks where
    // there are any (an empty line stays one empty line).
    static void wrapTo(const std::string &text, std::size_t width,
                       std::vector<std::string> &lines) {
        std::size_t at = 0;
        do {
            std::size_t n = text.size() - at;
            if (n > width) {
                std::size_t blank = text.rfind(' ', at + width);
                n = blank != std::string::npos && blank > at ? blank - at : width;
            }
            lines.push_back(text.substr(at, n));
            at += n;
            while (at < text.size() && text[at] == ' ' && n != 0)
                ++at;
        } while (at < text.size());
    }

    int fd_;
    int bottom_ = 8; // the row below the window's frame
    CDialogLogic &logic_;
    std::vector<Control> controls_;
    int focus_ = -1;
    bool ended_ = false;
    bool busy_ = false;
    int result_ = QM_IDCANCEL;
    std::string out_;
};

// The controlling terminal in raw mode, in its alternate screen, for the
// lifetime of one window; everything is put back on every way out.
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
        if (tcsetattr(fd_, TCSAFLUSH, &raw) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        writeAll("\x1b[?1049h\x1b[H\x1b[2J");
    }
    ~CTerminal() {
        if (fd_ < 0)
            return;
        writeAll("\x1b[H\x1b[2J\x1b[?25h\x1b[?1049l");
        tcsetattr(fd_, TCSAFLUSH, &saved_);
        close(fd_);
    }
    CTerminal(const CTerminal &) = delete;
    CTerminal &operator=(const CTerminal &) = delete;
    int fd() const { return fd_; }

  private:
    void writeAll(const char *s) {
        std::size_t len = std::strlen(s), at = 0;
        while (at < len) {
            ssize_t n = write(fd_, s + at, len - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            at += static_cast<std::size_t>(n);
        }
    }
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
