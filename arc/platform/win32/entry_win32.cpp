// DllMain of qm32.dll: the library starts when a process loads it, and the
// load fails when the start-up does; it shuts down when the DLL is freed.
#include "qm32int.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return _qm32Startup() == 0 ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // At process end (reserved set) the system releases everything itself.
        if (!reserved)
            _qm32Shutdown();
        return TRUE;
    default:
        return TRUE;
    }
}
