// The exception codes that faults on a worker thread raise under wine: the
// fault report of a service call (DAA_ExceptionHandler) names them, so the
// 32-bit wine, emulated or not, must raise the codes a Windows kernel raises.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

namespace {

struct Seen {
    DWORD code = 0;
    ULONG_PTR info0 = ~ULONG_PTR(0);
    ULONG_PTR info1 = 0;
    DWORD params = 0;
};

Seen seen;
DWORD faultingThread = 0;

void WINAPI landing() {
    ExitThread(0);
}

// Records the first fault of the faulting thread and continues it in
// landing(), which ends the thread.
LONG WINAPI recordFault(EXCEPTION_POINTERS *e) {
    if (GetCurrentThreadId() != faultingThread)
        return EXCEPTION_CONTINUE_SEARCH;
    const EXCEPTION_RECORD *r = e->ExceptionRecord;
    seen.code = r->ExceptionCode;
    seen.params = r->NumberParameters;
    if (r->NumberParameters >= 2) {
        seen.info0 = r->ExceptionInformation[0];
        seen.info1 = r->ExceptionInformation[1];
    }
#ifdef _WIN64
    e->ContextRecord->Rsp = (e->ContextRecord->Rsp & ~DWORD64(15)) - 8;
    e->ContextRecord->Rip = reinterpret_cast<DWORD64>(&landing);
#else
    e->ContextRecord->Esp &= ~DWORD(15);
    e->ContextRecord->Eip = reinterpret_cast<DWORD>(&landing);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

volatile int zero = 0;
volatile int *volatile badAddress = reinterpret_cast<int *>(uintptr_t(16));

DWORD WINAPI readBadAddress(void *) {
    return DWORD(*badAddress);
}
DWORD WINAPI writeBadAddress(void *) {
    *badAddress = 1;
    return 0;
}
DWORD WINAPI divideByZero(void *) {
    return DWORD(7 / zero);
}

struct Case {
    const char *what;
    LPTHREAD_START_ROUTINE body;
    DWORD code;
    ULONG_PTR info0; // access violations: 0 read, 1 write
};

TEST(FaultCodes, AFaultOnAWorkerRaisesTheCodeOfAWindowsKernel) {
    const Case cases[] = {
        {"read of address 16", readBadAddress, 0xC0000005u, 0},
        {"write to address 16", writeBadAddress, 0xC0000005u, 1},
        {"integer divide by zero", divideByZero, 0xC0000094u, ~ULONG_PTR(0)},
    };
    void *handler = AddVectoredExceptionHandler(1, recordFault);
    ASSERT_NE(handler, nullptr);
    for (const Case &c : cases) {
        seen = Seen();
        HANDLE t = CreateThread(nullptr, 0, c.body, nullptr, CREATE_SUSPENDED, &faultingThread);
        ASSERT_NE(t, nullptr) << c.what;
        ResumeThread(t);
        ASSERT_EQ(WaitForSingleObject(t, 60000), WAIT_OBJECT_0) << c.what;
        CloseHandle(t);
        EXPECT_EQ(seen.code, c.code) << c.what << ": code " << std::hex << seen.code;
        if (c.code == 0xC0000005u) {
            EXPECT_EQ(seen.params, 2u) << c.what;
            EXPECT_EQ(seen.info0, c.info0) << c.what;
            EXPECT_EQ(seen.info1, ULONG_PTR(16)) << c.what;
        }
    }
    RemoveVectoredExceptionHandler(handler);
}

} // namespace
