// The named shared section on Windows: a file mapping backed by the paging
// file, zeroed by the system when created and gone with its last handle.
#include "platform/platform.h"

#include <windows.h>

bool plat_section_open(plat_section_t &section, const std::string &name, std::size_t size,
                       const std::function<void(void *)> &onCreate, std::string &error) {
    section = plat_section_t();
    // A named mutex makes creation and initialisation one step, so no other
    // process sees the section before its creator has set it up.
    HANDLE gate = CreateMutexA(nullptr, FALSE, (name + "_init").c_str());
    if (gate)
        WaitForSingleObject(gate, INFINITE);
    auto release = [&]() {
        if (gate) {
            ReleaseMutex(gate);
            CloseHandle(gate);
        }
    };
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(size), name.c_str());
    if (!mapping) {
        error = "CreateFileMapping failed, error " + std::to_string(GetLastError());
        release();
        return false;
    }
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    void *base = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (!base) {
        error = "MapViewOfFile failed, error " + std::to_string(GetLastError());
        CloseHandle(mapping);
        release();
        return false;
    }
    section.base = base;
    section.size = size;
    section.created = created;
    section.handle = mapping;
    if (created && onCreate) {
        try {
            onCreate(base);
        } catch (...) {
            // The section stays zeroed; the gate must be released all the same.
        }
    }
    release();
    return true;
}

void plat_section_close(plat_section_t &section) {
    if (section.base)
        UnmapViewOfFile(section.base);
    if (section.handle)
        CloseHandle(static_cast<HANDLE>(section.handle));
    section = plat_section_t();
}
