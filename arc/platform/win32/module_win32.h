// The module that holds qm32's code and resources, for the Win32 parts of the
// platform layer: qm32.dll, or a program that the library's objects are
// linked into (the tests).
#pragma once

#include <windows.h>

HMODULE plat_win32_module();
