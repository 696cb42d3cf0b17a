// The three standard entry points of an in-process component server that
// qm32.dll carries (ordinals 111 to 113). The library registers no component
// classes, so they give the answers of a server whose class list is empty.
#include <windows.h>

#include <objbase.h>
#include <olectl.h>

// No objects are ever handed out, so the library can always be unloaded.
STDAPI DllCanUnloadNow(void) {
    return S_OK;
}

// There is no class to make objects of.
STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID *ppv) {
    if (ppv)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Registers every class of the server: there are none, so nothing is written.
STDAPI DllRegisterServer(void) {
    return S_OK;
}
