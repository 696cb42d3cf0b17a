// Tests of the platform layer's threads, events and per-thread message queues:
// order and filters, the quit request, posting across threads, dispatch to a
// thread's handler with nested loops, and manual- and auto-reset events.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

const unsigned U = PLAT_WM_USER;

void drain() {
    plat_msg_t m;
    while (plat_peek_message(m, 0, 0, true)) {
    }
}

std::vector<unsigned> takeAll() {
    std::vector<unsigned> out;
    plat_msg_t m;
    while (plat_peek_message(m, 0, 0, true))
        out.push_back(m.message);
    return out;
}

TEST(Queue, OrderFilterAndPeek) {
    drain();
    unsigned long me = plat_thread_current_id();
    for (unsigned n : {U + 1, U + 2, U + 3})
        ASSERT_TRUE(plat_post_thread_message(me, n, n - U, -static_cast<intptr_t>(n)));
    plat_msg_t m;
    ASSERT_TRUE(plat_peek_message(m, U + 3, U + 3, false));
    EXPECT_EQ(m.message, U + 3);
    EXPECT_EQ(m.wparam, 3u);
    EXPECT_EQ(m.lparam, -static_cast<intptr_t>(U + 3));
    EXPECT_EQ(m.window, nullptr);
    ASSERT_EQ(plat_get_message(m, U + 2, U + 3), 1);
    EXPECT_EQ(m.message, U + 2) << "first message in the range";
    EXPECT_FALSE(plat_peek_message(m, U + 10, U + 20, false));
    EXPECT_EQ(takeAll(), (std::vector<unsigned>{U + 1, U + 3}));
}

TEST(Queue, QuitComesAfterPostedMessagesWhateverTheFilter) {
    drain();
    unsigned long me = plat_thread_current_id();
    ASSERT_TRUE(plat_post_thread_message(me, U + 1, 0, 0));
    plat_post_quit_message(42);
    plat_msg_t m;
    ASSERT_EQ(plat_get_message(m), 1);
    EXPECT_EQ(m.message, U + 1);
    ASSERT_EQ(plat_get_message(m, U + 50, U + 50), 0) << "quit ignores the filter";
    EXPECT_EQ(m.message, unsigned(PLAT_WM_QUIT));
    EXPECT_EQ(m.wparam, 42u);
    EXPECT_FALSE(plat_peek_message(m, 0, 0, true)) << "the quit request is taken once";
}

TEST(Queue, PostFromAnotherThreadWakesTheWait) {
    drain();
    unsigned long me = plat_thread_current_id();
    plat_thread_t t = plat_thread_start([me] {
        plat_sleep_ms(50);
        plat_post_thread_message(me, U + 7, 1, 2);
    });
    ASSERT_NE(t, nullptr);
    long long start = plat_clock_ms();
    plat_msg_t m;
    ASSERT_EQ(plat_get_message(m), 1);
    EXPECT_EQ(m.message, U + 7);
    EXPECT_GE(plat_clock_ms() - start, 40);
    plat_thread_join(t);
}

TEST(Queue, ThreadsHaveQueuesOfTheirOwnUntilTheyEnd) {
    drain();
    std::atomic<unsigned long> id{0};
    std::atomic<unsigned> got{0};
    plat_event_t ready = plat_event_create(true, false);
    plat_thread_t t = plat_thread_start([&] {
        id = plat_thread_current_id();
        plat_event_set(ready);
        plat_msg_t m;
        if (plat_get_message(m) == 1)
            got = m.message;
    });
    ASSERT_TRUE(plat_event_wait(ready, 5000));
    EXPECT_NE(id.load(), plat_thread_current_id());
    ASSERT_TRUE(plat_post_thread_message(id, U + 9, 0, 0));
    plat_thread_join(t);
    EXPECT_EQ(got.load(), U + 9);
    EXPECT_TRUE(takeAll().empty()) << "nothing reached this thread";
    plat_event_close(ready);
#ifndef _WIN32
    // Windows may give a new thread the same id; POSIX ids are never reused.
    EXPECT_FALSE(plat_post_thread_message(id, U + 9, 0, 0)) << "the ended thread has no queue";
#endif
}

TEST(Queue, ANewThreadStartsWithAnEmptyQueue) {
    // The second thread may run where the first ran; nothing of the first's
    // queue, left unread, may reach it.
    std::atomic<unsigned long> first{0}, second{0};
    std::atomic<bool> empty{false};
    plat_thread_t t = plat_thread_start([&] {
        first = plat_thread_current_id();
        plat_post_thread_message(first, U + 1, 0, 0);
    });
    plat_thread_join(t);
    t = plat_thread_start([&] {
        second = plat_thread_current_id();
        plat_msg_t m;
        empty = !plat_peek_message(m, 0, 0, false);
    });
    plat_thread_join(t);
    EXPECT_NE(first.load(), second.load());
    EXPECT_TRUE(empty.load());
}

struct Seen {
    std::vector<unsigned> messages;
    int depth = 0, maxDepth = 0;
};

// Records each message; U + 1 runs a loop of its own until U + 3 arrives.
void handler(const plat_msg_t &msg, void *context) {
    auto *s = static_cast<Seen *>(context);
    s->messages.push_back(msg.message);
    if (msg.message != U + 1)
        return;
    ++s->depth;
    s->maxDepth = std::max(s->maxDepth, s->depth);
    plat_post_thread_message(plat_thread_current_id(), U + 2, 0, 0);
    plat_post_thread_message(plat_thread_current_id(), U + 3, 0, 0);
    plat_msg_t m;
    while (plat_get_message(m) == 1 && m.message != U + 3)
        plat_dispatch_message(m);
    --s->depth;
}

TEST(Queue, DispatchGoesToTheThreadsHandlerAndMayNest) {
    drain();
    Seen seen;
    plat_msg_t m;
    ASSERT_TRUE(plat_post_thread_message(plat_thread_current_id(), U + 5, 0, 0));
    ASSERT_EQ(plat_get_message(m), 1);
    plat_dispatch_message(m); // no handler: dropped
    plat_set_thread_message_handler(handler, &seen);
    ASSERT_TRUE(plat_post_thread_message(plat_thread_current_id(), U + 1, 0, 0));
    ASSERT_EQ(plat_get_message(m), 1);
    plat_dispatch_message(m);
    plat_set_thread_message_handler(nullptr, nullptr);
    EXPECT_EQ(seen.messages, (std::vector<unsigned>{U + 1, U + 2}));
    EXPECT_EQ(seen.maxDepth, 1);
    EXPECT_TRUE(takeAll().empty());
}

TEST(Event, ManualAndAutoReset) {
    struct Case {
        bool manual, initial;
        bool firstWait, secondWait;
    } cases[] = {{true, true, true, true},
                 {true, false, false, false},
                 {false, true, true, false},
                 {false, false, false, false}};
    for (const Case &c : cases) {
        plat_event_t e = plat_event_create(c.manual, c.initial);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(plat_event_wait(e, 10), c.firstWait) << c.manual << c.initial;
        EXPECT_EQ(plat_event_is_set(e), c.secondWait) << c.manual << c.initial;
        plat_event_set(e);
        EXPECT_TRUE(plat_event_wait(e, 0));
        EXPECT_EQ(plat_event_is_set(e), c.manual);
        plat_event_reset(e);
        EXPECT_FALSE(plat_event_is_set(e));
        plat_event_close(e);
    }
}

TEST(Event, SetFromAnotherThreadEndsAWaitWithoutLimit) {
    plat_event_t e = plat_event_create(true, false);
    long long start = plat_clock_ms();
    EXPECT_FALSE(plat_event_wait(e, 60));
    EXPECT_GE(plat_clock_ms() - start, 50);
    plat_thread_t t = plat_thread_start([e] {
        plat_sleep_ms(30);
        plat_event_set(e);
    });
    EXPECT_TRUE(plat_event_wait(e, -1));
    plat_thread_join(t);
    plat_event_close(e);
}

} // namespace
