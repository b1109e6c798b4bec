// Whether the test runs under Wine rather than on Windows itself, for the few rows whose
// outcome the system decides and Wine decides differently. Safe on any thread.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {

inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace testing_support
