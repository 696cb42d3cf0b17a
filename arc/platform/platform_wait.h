// The wait window of the platform layer: a modeless window that shows an
// animation and one line of text while a program works. Windows: a dialog of
// the resource script with an animate control playing the library's AVI
// resource, centred over its owner. POSIX: one status line on the controlling
// terminal, erased when the window closes; nothing without a terminal (no
// controlling terminal, or a background job).
#pragma once

#include <string>

struct plat_wait;
typedef plat_wait *plat_wait_t;

// Opens the window with `text` in its text line and as its caption, owned by
// the calling thread's active window (Windows). nullptr when it cannot be
// shown. Windows: its messages run while the calling thread dispatches.
plat_wait_t plat_wait_open(const std::string &text);
// True while the window is open (Windows: it also closes with its owner).
bool plat_wait_alive(plat_wait_t wait);
// Sets the caption (Windows; a terminal line has none).
void plat_wait_set_caption(plat_wait_t wait, const std::string &text);
// Shows `text` in the text line. Callable from any thread: Windows copies the
// text and posts the window's message for it (0x41C), which the window's
// thread takes up when it next dispatches; a terminal line is rewritten at once.
void plat_wait_post_text(plat_wait_t wait, const std::string &text);
// Closes the window and frees it (from another thread on Windows: the
// window's thread destroys it when it next dispatches).
void plat_wait_close(plat_wait_t wait);
