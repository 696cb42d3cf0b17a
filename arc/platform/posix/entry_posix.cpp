// Load-time entry of libqm32.so: the library starts when it is loaded and
// shuts down when it is unloaded or the process ends. A failed start leaves
// the library loaded; its exports then return the start-up's error number.
#include "qm32int.h"

namespace {

__attribute__((constructor)) void qm32Load() {
    _qm32Startup();
}

__attribute__((destructor)) void qm32Unload() {
    _qm32Shutdown();
}

} // namespace
