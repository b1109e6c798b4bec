// The library-search hardening of platform/hardening.h over the system's DLL search order.
#include <windows.h>

#include "platform/hardening.h"

namespace platform {

void HardenLibrarySearch() {
    // SetDefaultDllDirectories came with an update of Windows 7 (KB2533623): looked up here,
    // so that the program still starts on a system without it.
    using SetDefault = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel == nullptr
                                ? nullptr
                                : reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least the current folder leaves the search order.
    SetDllDirectoryW(L"");
}

}  // namespace platform
