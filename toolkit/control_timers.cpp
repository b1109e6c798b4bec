#include "toolkit/control_timers.h"

#include <algorithm>

#include "toolkit/native_window.h"

namespace toolkit {

bool ControlTimers::Set(CControlUI* control, UINT id, UINT periodMs) {
    if (control == nullptr) return false;
    for (const Entry& entry : m_entries) {
        if (entry.control == control && entry.id == id) {
            return m_window.SetTimer(entry.nativeId, periodMs);
        }
    }
    const UINT nativeId = m_nextNativeId++;
    if (!m_window.SetTimer(nativeId, periodMs)) return false;
    m_entries.push_back({control, id, nativeId});
    return true;
}

bool ControlTimers::Kill(CControlUI* control, UINT id) {
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->control == control && it->id == id) {
            m_window.KillTimer(it->nativeId);
            m_entries.erase(it);
            return true;
        }
    }
    return false;
}

void ControlTimers::KillAll(const CControlUI* control) {
    std::erase_if(m_entries, [&](const Entry& entry) {
        if (entry.control != control) return false;
        m_window.KillTimer(entry.nativeId);
        return true;
    });
}

bool ControlTimers::Has(const CControlUI* control, UINT id) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
        return entry.control == control && entry.id == id;
    });
}

std::optional<ControlTimers::Tick> ControlTimers::Find(UINT nativeId) const {
    for (const Entry& entry : m_entries) {
        if (entry.nativeId == nativeId) return Tick{entry.control, entry.id};
    }
    return std::nullopt;
}

}  // namespace toolkit
