#include "app/single_instance_guard.h"

#include "sys/text.h"

std::string SingleInstanceGuard::MutexName() const {
    return "D1A547DB89C0BC61_" + Utils::WideToNarrow(m_name, 0);
}

void SingleInstanceGuard::Acquire() {
    if (!Held()) m_mutex.TryAcquire(MutexName());
}

void SingleInstanceGuard::Release() {
    m_mutex.Release();
}
