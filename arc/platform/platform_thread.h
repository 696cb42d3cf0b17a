// Threads, events and per-thread message queues of the platform layer, and the
// fault report that runs on a service worker. Windows uses its own threads,
// events and thread messages; POSIX keeps queues of its own with the same rules.
#pragma once

#include <cstdint>
#include <functional>

// ---- threads ----------------------------------------------------------------
struct plat_thread;
typedef plat_thread *plat_thread_t;

// Starts `body` on a new thread; nullptr when no thread can be started.
plat_thread_t plat_thread_start(std::function<void()> body);
// Waits until the thread has ended and frees it.
void plat_thread_join(plat_thread_t thread);
// The calling thread's id, to which messages can be posted. The first call on
// a thread gives it its message queue.
unsigned long plat_thread_current_id();
void plat_sleep_ms(long milliseconds);
// A monotonic millisecond clock.
long long plat_clock_ms();

// ---- events -----------------------------------------------------------------
struct plat_event;
typedef plat_event *plat_event_t;

// A manual-reset (or auto-reset) event in the given state; nullptr on failure.
plat_event_t plat_event_create(bool manualReset, bool signalled);
void plat_event_set(plat_event_t event);
void plat_event_reset(plat_event_t event);
// True when signalled (an auto-reset event is then cleared).
bool plat_event_is_set(plat_event_t event);
// Waits at most `milliseconds` (negative: without limit); true when signalled.
bool plat_event_wait(plat_event_t event, long milliseconds);
void plat_event_close(plat_event_t event);

// ---- thread messages --------------------------------------------------------
enum : unsigned {
    PLAT_WM_QUIT = 0x0012,
    PLAT_WM_USER = 0x0400, // the first message number free for programs
};

// One message. `window` is null for a thread message; `native` holds the
// system's own message record where there is one (Windows).
struct plat_msg_t {
    void *window = nullptr;
    unsigned message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    alignas(8) unsigned char native[64] = {};
};

// Posts a message to a thread's queue; false when the thread has no queue.
bool plat_post_thread_message(unsigned long threadId, unsigned message, uintptr_t wparam,
                              intptr_t lparam);
// Asks the calling thread's message loop to end: once no other message in the
// range asked for waits, the next get reports PLAT_WM_QUIT with the code in
// wparam.
void plat_post_quit_message(int exitCode);
// Waits for the next message of the calling thread whose number lies between
// filterMin and filterMax (both 0: any message). A quit request is reported
// whatever the filter. Returns 1, 0 for the quit request, -1 on failure.
int plat_get_message(plat_msg_t &msg, unsigned filterMin = 0, unsigned filterMax = 0);
// The next such message without waiting; false when there is none. With
// `remove` the message is taken from the queue.
bool plat_peek_message(plat_msg_t &msg, unsigned filterMin, unsigned filterMax, bool remove);
// Translates and dispatches a message: a thread message goes to the handler
// registered by its thread (POSIX: dropped when there is none); on Windows
// every message is then translated and dispatched as the system does, so
// window messages reach their windows and thread timers their callbacks.
void plat_dispatch_message(const plat_msg_t &msg);

// The calling thread's handler of thread messages (nullptr: none). A handler
// may run a message loop of its own, nested calls included.
typedef void (*plat_msg_handler_t)(const plat_msg_t &msg, void *context);
void plat_set_thread_message_handler(plat_msg_handler_t handler, void *context);

// ---- fault report -----------------------------------------------------------
// Called on the faulting thread with the system's exception code (POSIX: the
// signal number) and the faulting address, before the fault takes its normal
// course (the process's own handling, normally its end).
typedef void (*plat_fault_report_t)(unsigned long code, const void *address);
// Runs `body` on the calling thread with processor and system faults reported
// through `report`; the fault is not handled.
void plat_run_with_fault_report(const std::function<void()> &body, plat_fault_report_t report);
