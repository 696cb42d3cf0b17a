// POSIX threads (reused while idle), events and per-thread message queues:
// each thread that asks for its id gets a queue of its own, registered by id,
// with the rules of Windows thread messages; fatal signals on a guarded
// thread are reported.
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

// ---- threads ----------------------------------------------------------------
// A thread that has run its body waits a while for the next one before it
// ends, so that a program making many short service calls does not pay for
// a new system thread each time. Joining waits for the body, not the thread.

struct plat_thread {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::function<void()> body;
};

namespace {

constexpr auto kIdleLimit = std::chrono::seconds(10);

// Ends the calling thread's message queue, as the end of a thread would.
void releaseOwnQueue();

struct Worker {
    std::mutex mutex;
    std::condition_variable cv;
    plat_thread *job = nullptr;
};

// The idle workers. Never destroyed: workers may outlive the process's
// static objects.
struct Pool {
    std::mutex mutex;
    std::vector<Worker *> idle;
};

Pool &pool() {
    static Pool *p = new Pool;
    return *p;
}

void finish(plat_thread *job) {
    std::lock_guard<std::mutex> lock(job->mutex);
    job->done = true;
    job->cv.notify_all(); // under the lock: the joiner frees the job after it
}

void workerLoop(Worker *w, plat_thread *first) {
    plat_thread *job = first;
    for (;;) {
        try {
            job->body();
        } catch (...) {
        }
        job->body = nullptr;
        releaseOwnQueue(); // the next body starts as a new thread would
        finish(job);
        {
            std::lock_guard<std::mutex> lock(pool().mutex);
            pool().idle.push_back(w);
        }
        std::unique_lock<std::mutex> lock(w->mutex);
        if (!w->cv.wait_for(lock, kIdleLimit, [w] { return w->job != nullptr; })) {
            // Leave the pool unless a job was handed over meanwhile.
            std::lock_guard<std::mutex> poolLock(pool().mutex);
            auto &idle = pool().idle;
            auto it = std::find(idle.begin(), idle.end(), w);
            if (it != idle.end()) {
                idle.erase(it);
                lock.unlock();
                delete w;
                return;
            }
        }
        w->cv.wait(lock, [w] { return w->job != nullptr; });
        job = w->job;
        w->job = nullptr;
    }
}

} // namespace

plat_thread_t plat_thread_start(std::function<void()> body) {
    auto *t = new (std::nothrow) plat_thread;
    if (!t)
        return nullptr;
    try {
        t->body = std::move(body);
        Worker *w = nullptr;
        {
            std::lock_guard<std::mutex> lock(pool().mutex);
            if (!pool().idle.empty()) {
                w = pool().idle.back();
                pool().idle.pop_back();
            }
        }
        if (w) {
            std::lock_guard<std::mutex> lock(w->mutex);
            w->job = t;
            w->cv.notify_one();
            return t;
        }
        w = new Worker;
        try {
            std::thread(workerLoop, w, t).detach();
        } catch (...) {
            delete w;
            throw;
        }
        return t;
    } catch (...) {
        delete t;
        return nullptr;
    }
}

void plat_thread_join(plat_thread_t thread) {
    if (!thread)
        return;
    {
        std::unique_lock<std::mutex> lock(thread->mutex);
        thread->cv.wait(lock, [thread] { return thread->done; });
    }
    delete thread;
}

void plat_sleep_ms(long milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

long long plat_clock_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ---- events -----------------------------------------------------------------

struct plat_event {
    std::mutex mutex;
    std::condition_variable cv;
    bool manual = true;
    bool set = false;
};

plat_event_t plat_event_create(bool manualReset, bool signalled) {
    try {
        auto *e = new plat_event;
        e->manual = manualReset;
        e->set = signalled;
        return e;
    } catch (...) {
        return nullptr;
    }
}

void plat_event_set(plat_event_t event) {
    if (!event)
        return;
    {
        std::lock_guard<std::mutex> lock(event->mutex);
        event->set = true;
    }
    event->cv.notify_all();
}

void plat_event_reset(plat_event_t event) {
    if (!event)
        return;
    std::lock_guard<std::mutex> lock(event->mutex);
    event->set = false;
}

bool plat_event_is_set(plat_event_t event) {
    return plat_event_wait(event, 0);
}

bool plat_event_wait(plat_event_t event, long milliseconds) {
    if (!event)
        return false;
    std::unique_lock<std::mutex> lock(event->mutex);
    auto ready = [event] { return event->set; };
    if (milliseconds < 0)
        event->cv.wait(lock, ready);
    else if (!event->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
        return false;
    if (!event->manual)
        event->set = false;
    return true;
}

void plat_event_close(plat_event_t event) {
    delete event;
}

// ---- thread messages --------------------------------------------------------

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<plat_msg_t> messages;
    bool quit = false;
    int quitCode = 0;
};

// Queues by thread id. Never destroyed: threads may end after the process's
// static objects are gone.
struct Registry {
    std::mutex mutex;
    std::unordered_map<unsigned long, std::shared_ptr<Queue>> queues;
    unsigned long nextId = 1;
};

Registry &registry() {
    static Registry *r = new Registry;
    return *r;
}

// The calling thread's id and queue; the queue leaves the registry when the
// thread ends.
struct ThreadQueue {
    unsigned long id = 0;
    std::shared_ptr<Queue> queue;
    plat_msg_handler_t handler = nullptr;
    void *context = nullptr;
    void release() {
        if (id == 0)
            return;
        {
            Registry &r = registry();
            std::lock_guard<std::mutex> lock(r.mutex);
            r.queues.erase(id);
        }
        id = 0;
        queue.reset();
        handler = nullptr;
        context = nullptr;
    }
    ~ThreadQueue() { release(); }
};

thread_local ThreadQueue t_queue;

void releaseOwnQueue() {
    t_queue.release();
}

ThreadQueue &ownQueue() {
    if (t_queue.id == 0) {
        auto q = std::make_shared<Queue>();
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        t_queue.id = r.nextId++;
        t_queue.queue = q;
        r.queues[t_queue.id] = q;
    }
    return t_queue;
}

bool inRange(unsigned message, unsigned lo, unsigned hi) {
    return (lo == 0 && hi == 0) || (message >= lo && message <= hi);
}

// Takes (or copies) the first message in range; with none, the quit request
// when there is one (then `quitTaken` is set).
bool findMessage(Queue &q, plat_msg_t &msg, unsigned lo, unsigned hi, bool remove,
                 bool &quitTaken) {
    quitTaken = false;
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (inRange(it->message, lo, hi)) {
            msg = *it;
            if (remove)
                q.messages.erase(it);
            return true;
        }
    }
    if (q.quit) {
        msg = plat_msg_t();
        msg.message = PLAT_WM_QUIT;
        msg.wparam = static_cast<uintptr_t>(q.quitCode);
        if (remove)
            q.quit = false;
        quitTaken = true;
        return true;
    }
    return false;
}

} // namespace

unsigned long plat_thread_current_id() {
    return ownQueue().id;
}

bool plat_post_thread_message(unsigned long threadId, unsigned message, uintptr_t wparam,
                              intptr_t lparam) {
    std::shared_ptr<Queue> q;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.queues.find(threadId);
        if (it == r.queues.end())
            return false;
        q = it->second;
    }
    plat_msg_t msg;
    msg.message = message;
    msg.wparam = wparam;
    msg.lparam = lparam;
    try {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->messages.push_back(msg);
    } catch (...) {
        return false;
    }
    q->cv.notify_all();
    return true;
}

void plat_post_quit_message(int exitCode) {
    Queue &q = *ownQueue().queue;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.quit = true;
        q.quitCode = exitCode;
    }
    q.cv.notify_all();
}

int plat_get_message(plat_msg_t &msg, unsigned filterMin, unsigned filterMax) {
    Queue &q = *ownQueue().queue;
    std::unique_lock<std::mutex> lock(q.mutex);
    bool quitTaken = false;
    q.cv.wait(lock, [&] { return findMessage(q, msg, filterMin, filterMax, true, quitTaken); });
    return quitTaken ? 0 : 1;
}

bool plat_peek_message(plat_msg_t &msg, unsigned filterMin, unsigned filterMax, bool remove) {
    Queue &q = *ownQueue().queue;
    std::lock_guard<std::mutex> lock(q.mutex);
    bool quitTaken = false;
    return findMessage(q, msg, filterMin, filterMax, remove, quitTaken);
}

void plat_dispatch_message(const plat_msg_t &msg) {
    ThreadQueue &own = ownQueue();
    if (own.handler)
        own.handler(msg, own.context);
}

void plat_set_thread_message_handler(plat_msg_handler_t handler, void *context) {
    ThreadQueue &own = ownQueue();
    own.handler = handler;
    own.context = context;
}

// ---- fault report -----------------------------------------------------------

namespace {

const int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];
struct sigaction g_previous[kSignalCount];
std::once_flag g_installed;

thread_local plat_fault_report_t t_report = nullptr;

extern "C" void onFatalSignal(int sig, siginfo_t *info, void *) {
    plat_fault_report_t report = t_report;
    int slot = 0;
    while (slot < kSignalCount && kFatalSignals[slot] != sig)
        ++slot;
    // From here on the signal takes its normal course: the previous handling
    // comes back and the signal is delivered again when this handler returns
    // (a fault re-executes the faulting instruction; others are raised anew).
    if (slot < kSignalCount)
        sigaction(sig, &g_previous[slot], nullptr);
    // A window's terminal goes back to the user before the process ends.
    plat_terminal_give_back();
    if (report) {
        t_report = nullptr;
        report(static_cast<unsigned long>(sig), info ? info->si_addr : nullptr);
    }
    bool synchronousFault = info && info->si_code > 0 && sig != SIGABRT;
    if (!synchronousFault)
        raise(sig);
}

void installHandlers() {
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction sa;
        sa.sa_sigaction = onFatalSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigaction(kFatalSignals[i], &sa, &g_previous[i]);
    }
}

} // namespace

void plat_run_with_fault_report(const std::function<void()> &body, plat_fault_report_t report) {
    std::call_once(g_installed, installHandlers);
    plat_fault_report_t saved = t_report;
    t_report = report;
    try {
        body();
    } catch (...) {
        t_report = saved;
        throw;
    }
    t_report = saved;
}
