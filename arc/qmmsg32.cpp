// The thread-message exports of qm32 on POSIX: a C client's view of the
// per-thread queues that the service-call wait dispatches (Windows clients
// use the system's own thread messages, so these are not built there).
#ifndef _WIN32

#include "qm32int.h"
#include "qmdaa32.h"

namespace {

struct ClientHandler {
    QM32_MSG_HANDLER handler = nullptr;
    void *context = nullptr;
};
thread_local ClientHandler t_client;

void toClient(const plat_msg_t &msg, void *context) {
    auto *client = static_cast<ClientHandler *>(context);
    if (client->handler)
        client->handler(msg.message, msg.wparam, msg.lparam, client->context);
}

} // namespace

extern "C" {

QM32_API unsigned long QM32_CALL MSG_GetThreadId(void) {
    try {
        return plat_thread_current_id();
    } catch (...) {
        return 0;
    }
}

QM32_API long QM32_CALL MSG_PostThreadMessage(unsigned long ulThreadId, unsigned uMessage,
                                              uintptr_t wParam, intptr_t lParam) {
    try {
        if (plat_post_thread_message(ulThreadId, uMessage, wParam, lParam))
            return 0;
        return DAA_ERR_LIBRARY;
    } catch (...) {
        return DAA_ERR_LIBRARY;
    }
}

QM32_API void QM32_CALL MSG_PostQuitMessage(int iExitCode) {
    try {
        plat_post_quit_message(iExitCode);
    } catch (...) {
    }
}

QM32_API void QM32_CALL MSG_SetThreadHandler(QM32_MSG_HANDLER pfnHandler, void *pContext) {
    try {
        t_client.handler = pfnHandler;
        t_client.context = pContext;
        plat_set_thread_message_handler(pfnHandler ? toClient : nullptr,
                                        pfnHandler ? &t_client : nullptr);
    } catch (...) {
    }
}

QM32_API int QM32_CALL MSG_RunThreadLoop(void) {
    try {
        plat_msg_t msg;
        int got;
        while ((got = plat_get_message(msg)) > 0)
            plat_dispatch_message(msg);
        return got == 0 ? static_cast<int>(msg.wparam) : -1;
    } catch (...) {
        return -1;
    }
}

} // extern "C"

#endif
