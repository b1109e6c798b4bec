// The running process of platform/process.h, and its command line (platform/command_line.h),
// from the system.
#include <windows.h>
// windows.h first: winpthreads' header needs its types.
#include <pthread.h>

#include <algorithm>

#include "platform/command_line.h"
#include "platform/process.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// Thread names came with Windows 10 (1607); looked up once, null where the system lacks them.
using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);

template <typename Function>
Function Kernel32(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return nullptr;
    // The system hands out every export as a FARPROC.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

HANDLE SystemHandle(std::thread& thread) {
    return static_cast<HANDLE>(pthread_gethandle(thread.native_handle()));
}

}  // namespace

uint32_t ProcessId() {
    return GetCurrentProcessId();
}

uint32_t CurrentThreadId() {
    return GetCurrentThreadId();
}

void SetThreadName(std::thread& thread, const std::string& name) {
    static const auto setDescription = Kernel32<SetDescription>("SetThreadDescription");
    if (setDescription == nullptr) return;
    // Cut as Linux cuts (the system itself would keep more), so that a name reads back the
    // same on both: 15 bytes, less a character the cut would split.
    size_t size = std::min<size_t>(name.size(), 15);
    while (size > 0 && size < name.size() &&
           (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80)
        --size;
    const std::string shortName = name.substr(0, size);
    const HANDLE handle = SystemHandle(thread);
    if (handle != nullptr) setDescription(handle, WideFromUtf8(shortName).c_str());
}

std::string ThreadName(std::thread& thread) {
    static const auto getDescription = Kernel32<GetDescription>("GetThreadDescription");
    const HANDLE handle = SystemHandle(thread);
    if (getDescription == nullptr || handle == nullptr) return {};
    wchar_t* description = nullptr;
    if (FAILED(getDescription(handle, &description)) || description == nullptr) return {};
    std::string name = Utf8FromWide(description);
    LocalFree(description);
    return name;
}

std::string ExecutablePath() {
    // A long path may exceed MAX_PATH: the buffer grows until the whole path fits.
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return Utf8FromWide(std::wstring_view(path.data(), n));
        if (path.size() >= 32768) return {};  // the longest path the system has
        path.resize(path.size() * 2);
    }
}

std::wstring ProcessCommandLine() {
    return GetCommandLineW();
}

}  // namespace platform
