// ControlTimers: the per-control timers of one window, each carried by a native timer of the
// window. Owned by the window's WindowUi; UI thread only.
#pragma once

#include <optional>
#include <vector>

#include "toolkit/types.h"

namespace toolkit {

class CControlUI;
class CNativeWindow;

class ControlTimers {
public:
    // A running timer: the control it belongs to and the control's id for it.
    struct Tick {
        CControlUI* control;
        UINT id;
    };

    explicit ControlTimers(CNativeWindow& window) : m_window(window) {}
    ControlTimers(const ControlTimers&) = delete;
    ControlTimers& operator=(const ControlTimers&) = delete;

    // Starts the control's timer `id` every `periodMs`; a running one restarts with the new
    // period. False when the control is null or the window has no timer to give.
    bool Set(CControlUI* control, UINT id, UINT periodMs);
    bool Kill(CControlUI* control, UINT id);
    void KillAll(const CControlUI* control);
    bool Has(const CControlUI* control, UINT id) const;
    // The timer behind the window's WM_TIMER `nativeId`, if it is one of these.
    std::optional<Tick> Find(UINT nativeId) const;

private:
    struct Entry {
        CControlUI* control;
        UINT id;
        UINT nativeId;
    };

    CNativeWindow& m_window;
    std::vector<Entry> m_entries;
    // Above the ids windows give their own timers.
    UINT m_nextNativeId = 0x10000;
};

}  // namespace toolkit
