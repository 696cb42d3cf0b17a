// The window framework of qm32. Each window of the library (logon, password
// change, and later the error and wait windows) is a piece of portable logic,
// a CDialogLogic, that reacts to a few events and drives its window only
// through the small CDialogView interface below. The platform renders the view:
// Win32 as a dialog built from the resource script qm32.rc, POSIX on the
// controlling terminal; tests put a scripted view of their own in its place.
//
// Rules every view keeps:
// - OnInit runs once, before the user can act; the controls show the texts of
//   the window's description until the logic sets others.
// - OnChange(id) runs after the user changed the text of edit `id`.
// - OnCommand(id) runs when button `id` is pressed: Enter presses the default
//   button (only while it is enabled), Escape and the close box press
//   QM_IDCANCEL whatever its state.
// - EndDialog(result) closes the window once the current event returns; the
//   run then returns `result`.
// - A view never echoes nor keeps the text of a password edit: a terminal
//   shows one '*' per character and clears the screen it used, and the text
//   buffers are cleared when the window closes.
#pragma once

#include <cstddef>
#include <string>

// Button ids shared with the resource script (the system's own IDOK and IDCANCEL).
enum : int { QM_IDOK = 1, QM_IDCANCEL = 2 };
// What a run returns when the window could not be shown at all (no terminal,
// no resources): the callers count it as cancelled.
enum : int { QM_DIALOG_UNAVAILABLE = -2 };

enum class QM_CONTROL_KIND {
    Label,         // fixed text in front of the next control
    Edit,          // one-line edit
    Password,      // one-line edit that shows no text
    Button,        // push button
    DefaultButton, // the button Enter presses
    Icon,          // a severity icon (SetIcon)
    Text,          // fixed text the logic may change; may hold several lines
    Details,       // multi-line read-only edit with a vertical scroll bar
};

// One control of a window, in tab order. The id is the control's id in the
// resource script; labels carry -1.
struct QM_CONTROL {
    int id;
    QM_CONTROL_KIND kind;
    const char *text; // label and button texts, with '&' before the mnemonic letter
    int limit;        // edits: most characters accepted (0: no limit);
                      // buttons: a key that presses it on a terminal when its
                      // text has no '&' (0: none)
};

// A window: its dialog resource, caption and controls.
struct QM_DIALOG {
    int resourceId;
    const char *caption;
    const QM_CONTROL *controls;
    std::size_t count;
};

// What the logic may do to its window. Every id is one of the window's controls.
class CDialogView {
  public:
    virtual ~CDialogView() = default;
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string &text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual void SetFocus(int id) = 0;
    // While busy the window takes no input and shows that it works (the
    // wait cursor on Windows, a "Please wait" line on a terminal).
    virtual void SetBusy(bool busy) = 0;
    // A message box owned by the window (PLAT_MB_ styles of platform.h);
    // returns the button pressed (QM_IDOK for OK).
    virtual int ShowMessage(const std::string &text, const std::string &caption,
                            unsigned style) = 0;
    virtual void EndDialog(int result) = 0;
    // Shows or hides the lower part of the window, from control `firstId`
    // downwards (the window shrinks to the top of that control).
    virtual void ShowLowerPart(int firstId, bool shown) {
        (void)firstId;
        (void)shown;
    }
    // The icon of an Icon control: PLAT_MB_ICONINFORMATION, _ICONEXCLAMATION,
    // _ICONERROR, or 0 for none.
    virtual void SetIcon(int id, unsigned icon) {
        (void)id;
        (void)icon;
    }
    // The native window (an HWND on Windows, nullptr elsewhere): the owner
    // of windows the logic opens from this one.
    virtual void *Native() { return nullptr; }
};

// The logic of one window.
class CDialogLogic {
  public:
    virtual ~CDialogLogic() = default;
    virtual const QM_DIALOG &Dialog() const = 0;
    virtual void OnInit(CDialogView &view) = 0;
    virtual void OnChange(CDialogView &view, int id) {
        (void)view;
        (void)id;
    }
    virtual void OnCommand(CDialogView &view, int id) = 0;
};

// Shows the window modally on this platform's view (owner: a native window
// or nullptr) and returns the result given to EndDialog, or
// QM_DIALOG_UNAVAILABLE when it cannot be shown. POSIX: on the controlling
// terminal only; without one (a daemon, setsid, a background job) it returns
// at once and never reads from standard input.
int plat_run_dialog(CDialogLogic &logic, void *owner);

#ifndef _WIN32
// POSIX: a message box drawn inside the window that holds the terminal (of
// this thread, else of another one, which neither draws nor reads keys
// meanwhile); false when no window is open.
bool plat_terminal_message_box(const std::string &text, const std::string &caption, unsigned style);
// POSIX, async-signal-safe: gives a held terminal back to the user (its
// saved mode, the normal screen); for the handlers of signals that end the
// process.
void plat_terminal_give_back();
#endif

// Overwrites a text that held a password before it is freed.
void plat_wipe(std::string &text);
void plat_wipe(void *buffer, std::size_t size);
