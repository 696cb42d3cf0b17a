/* A plain C client of qm32, linked as the finance programs link it
 * (libqm32.so, or qm32.dll through its import library, 32- or 64-bit), and
 * started by c_client_run in a Windows directory of its own. It checks what
 * a client sees while a threaded service call waits: on POSIX through the
 * library's thread-message functions (a message handler, a nested call that
 * returns last-in first-out, the quit case, the completion message); on
 * Windows that a thread timer of the client fires during the call. With
 * QMHOST_PORT set it also calls a service of the reference host. */
#include "qm32.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

static int g_passed, g_failed;

#define CHECK(cond, ...)                                                                           \
    do {                                                                                           \
        if (cond) {                                                                                \
            ++g_passed;                                                                            \
        } else {                                                                                   \
            ++g_failed;                                                                            \
            fprintf(stderr, "%s:%d: failed: %s: ", __FILE__, __LINE__, #cond);                     \
            fprintf(stderr, __VA_ARGS__);                                                          \
            fputc('\n', stderr);                                                                   \
        }                                                                                          \
    } while (0)

typedef struct Record {
    DAA_REQUEST_HEADER h;
    char data[160];
} Record;

static long long nowMs(void) {
#ifdef _WIN32
    return (long long)GetTickCount64();
#else
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
#endif
}

/* A test call: the worker sleeps `ms` milliseconds and answers
 * "Test Output - " followed by the request's text. */
static long testCall(long ms, const char *text, char *answer, size_t size) {
    DAA_SERVICE_BLOCK b;
    Record req;
    memset(&b, 0, sizeof b);
    memset(&req, 0, sizeof req);
    b.lService = ms;
    b.ulRequestType = 'T';
    snprintf((char *)&req, sizeof req, "%s", text);
    memset(answer, 0, size);
    return DAA_InvokeService(&b, &req, answer);
}

#ifndef _WIN32

/* ---- POSIX: the thread-message functions ---- */

enum {
    MSG_NESTED = QM32_WM_USER + 100,
    MSG_QUIT = QM32_WM_USER + 101,
    MSG_LATER = QM32_WM_USER + 102
};

/* What the handler saw and did, in order. */
static char g_trace[512];
static unsigned g_seen[32];
static int g_seenCount;

static void trace(const char *what) {
    size_t n = strlen(g_trace);
    snprintf(g_trace + n, sizeof g_trace - n, "%s%s", n ? " " : "", what);
}

static void handler(unsigned message, uintptr_t wParam, intptr_t lParam, void *context) {
    (void)wParam;
    (void)lParam;
    CHECK(context == &g_trace, "the handler gets its context");
    if (g_seenCount < 32)
        g_seen[g_seenCount++] = message;
    if (message == MSG_NESTED) {
        /* Started while the outer call waits; answers long after it. */
        char answer[64];
        long rc = testCall(400, "B", answer, sizeof answer);
        CHECK(rc == 0, "inner call returned %ld", rc);
        CHECK(strcmp(answer, "Test Output - B") == 0, "inner answer \"%s\"", answer);
        trace("B");
    } else if (message == MSG_QUIT) {
        MSG_PostQuitMessage(7);
        trace("quit");
    } else if (message == MSG_LATER) {
        trace("later");
    }
}

static int seen(unsigned message) {
    int n = 0;
    for (int i = 0; i < g_seenCount; ++i)
        n += g_seen[i] == message;
    return n;
}

static void reset(void) {
    g_trace[0] = '\0';
    g_seenCount = 0;
}

static void nestedCallsReturnLastInFirstOut(void) {
    reset();
    unsigned long self = MSG_GetThreadId();
    CHECK(self != 0, "a thread id");
    CHECK(MSG_PostThreadMessage(self, MSG_NESTED, 0, 0) == 0, "post to this thread");
    long long t0 = nowMs();
    char answer[64];
    long rc = testCall(50, "A", answer, sizeof answer);
    long long took = nowMs() - t0;
    trace("A");
    CHECK(rc == 0, "outer call returned %ld", rc);
    CHECK(strcmp(answer, "Test Output - A") == 0, "outer answer \"%s\"", answer);
    /* The outer answer came first, but the outer call returns after the inner one. */
    CHECK(strcmp(g_trace, "B A") == 0, "order \"%s\"", g_trace);
    CHECK(took >= 400, "outer call took %lld ms", took);
    /* The completions were taken by the waits, none reached the handler. */
    MSG_PostQuitMessage(0);
    CHECK(MSG_RunThreadLoop() == 0, "loop ends with the quit code");
    CHECK(seen(QM32_WM_USER + 5 + 1) == 0 && seen(QM32_WM_USER + 5 + 2) == 0,
          "a completion of a threaded call was dispatched");
}

static void quitDuringACallEndsTheLoopAfterIt(void) {
    reset();
    unsigned long self = MSG_GetThreadId();
    MSG_PostThreadMessage(self, MSG_QUIT, 0, 0);
    MSG_PostThreadMessage(self, MSG_LATER, 0, 0);
    char answer[64];
    long rc = testCall(200, "Q", answer, sizeof answer);
    /* The call waited for its worker: its result and answer are complete. */
    CHECK(rc == 0, "call told to quit returned %ld", rc);
    CHECK(strcmp(answer, "Test Output - Q") == 0, "answer \"%s\"", answer);
    /* As with Windows' WM_QUIT, the request surfaces once no other message
     * waits: the message posted behind it was dispatched first. */
    CHECK(strcmp(g_trace, "quit later") == 0, "trace \"%s\"", g_trace);
    /* The quit request is back for the client's own loop. */
    int code = MSG_RunThreadLoop();
    CHECK(code == 7, "loop returned %d", code);
    CHECK(strcmp(g_trace, "quit later") == 0, "nothing more dispatched: \"%s\"", g_trace);
}

static void noThreadCallLeavesOneCompletion(void) {
    reset();
    DAA_SERVICE_BLOCK b;
    Record req;
    char answer[64];
    memset(&b, 0, sizeof b);
    memset(&req, 0, sizeof req);
    b.ulRequestType = 'T';
    strcpy((char *)&req, "N");
    long rc = DAA_InvokeService_NoThread(&b, &req, answer);
    CHECK(rc == 0, "returned %ld", rc);
    CHECK(strcmp(answer, "Test Output - N") == 0, "answer \"%s\"", answer);
    MSG_PostQuitMessage(4);
    CHECK(MSG_RunThreadLoop() == 4, "loop ends with the quit code");
    CHECK(g_seenCount == 1 && g_seen[0] == QM32_WM_USER + 5, "%d messages, first 0x%X", g_seenCount,
          g_seenCount ? g_seen[0] : 0);
}

static void postToAnUnknownThreadFails(void) {
    CHECK(MSG_PostThreadMessage(0x7FFFFFFFUL, QM32_WM_USER, 0, 0) == 30010, "no such thread");
}

#else

/* ---- Windows: a thread timer of the client during a threaded call ---- */

static int g_ticks;

static void CALLBACK onTimer(HWND window, UINT message, UINT_PTR id, DWORD time) {
    (void)window;
    (void)message;
    (void)id;
    (void)time;
    ++g_ticks;
}

static void timerFiresDuringACall(void) {
    g_ticks = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 20, onTimer);
    CHECK(timer != 0, "SetTimer failed: %lu", GetLastError());
    char answer[64];
    long long t0 = nowMs();
    long rc = testCall(400, "W", answer, sizeof answer);
    long long took = nowMs() - t0;
    int during = g_ticks;
    KillTimer(NULL, timer);
    CHECK(rc == 0, "returned %ld", rc);
    CHECK(strcmp(answer, "Test Output - W") == 0, "answer \"%s\"", answer);
    CHECK(took >= 400, "the call took %lld ms", took);
    CHECK(during >= 3, "the timer fired %d times during a %lld ms call", during, took);
}

#endif

/* ---- a service of the reference host ---- */

static void echoServiceOfTheHost(void) {
    const char *port = getenv("QMHOST_PORT");
    if (!port || !*port) {
        printf("note: QMHOST_PORT not set, no host call\n");
        return;
    }
    CHECK(UTL_SetId("cuser", "secret") == 0, "logon");
    DAA_SERVICE_BLOCK b;
    Record req, ans;
    memset(&b, 0, sizeof b);
    memset(&req, 0, sizeof req);
    memset(&ans, 0, sizeof ans);
    b.lService = 1; /* echo */
    strcpy(b.szSection, "QMHOST");
    strcpy(b.szFormat, "k88s20l");
    strcpy(req.data, "Hello from C");
    int32_t number = -32;
    memcpy(req.data + 20, &number, sizeof number);
    long rc = DAA_InvokeService(&b, &req, &ans);
    CHECK(rc == 0, "service call returned %ld", rc);
    CHECK(b.Error.lErrorNumber == 0, "host error %ld", (long)b.Error.lErrorNumber);
    CHECK(strcmp(ans.data, "Hello from C") == 0, "echo \"%s\"", ans.data);
    int32_t back = 0;
    memcpy(&back, ans.data + 20, sizeof back);
    CHECK(back == -32, "long field %ld", (long)back);
    CHECK(memcmp(req.h.szUserId, "CUSER", 6) == 0, "user id in the header");
}

int main(void) {
    printf("qm32 C client, %d-bit\n", (int)(sizeof(void *) * 8));
#ifndef _WIN32
    MSG_SetThreadHandler(handler, &g_trace);
    nestedCallsReturnLastInFirstOut();
    quitDuringACallEndsTheLoopAfterIt();
    noThreadCallLeavesOneCompletion();
    postToAnUnknownThreadFails();
    MSG_SetThreadHandler(NULL, NULL);
#else
    timerFiresDuringACall();
#endif
    echoServiceOfTheHost();
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
