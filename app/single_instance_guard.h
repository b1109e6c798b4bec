// SingleInstanceGuard: makes sure only one installer runs in the user's session, through the
// named mutex "D1A547DB89C0BC61_" + name. Held from start-up to shut-down by the main thread.
#pragma once

#include <string>

#include "platform/named_mutex.h"

class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(std::wstring name) : m_name(std::move(name)) {}

    // Takes the mutex unless another instance holds it; Held() tells which.
    void Acquire();
    void Release();
    bool Held() const { return m_mutex.Held(); }

    std::string MutexName() const;

private:
    std::wstring m_name;
    platform::NamedMutex m_mutex;
};
