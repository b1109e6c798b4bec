// The named mutex of platform/named_mutex.h over the system's mutex objects: holding one is
// holding a handle to the first of its name.
#include <windows.h>

#include "platform/named_mutex.h"
#include "platform/wide_text.h"

namespace platform {

bool NamedMutex::TryAcquire(const std::string& name) {
    if (Held()) return true;
    if (name.empty()) return false;  // the system would make an unnamed mutex of its own
    // Nobody waits on it, so nobody needs to own it: the mutex exists while a handle is open,
    // and the system closes the handles of a process that ends.
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, WideFromUtf8(name).c_str());
    if (mutex == nullptr) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    m_handle = mutex;
    return true;
}

void NamedMutex::Release() {
    if (!Held()) return;
    CloseHandle(m_handle);
    m_handle = nullptr;
}

}  // namespace platform
