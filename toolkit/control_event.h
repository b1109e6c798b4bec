// An input or timer event delivered by the window to one control.
#pragma once

#include <cstdint>

#include "toolkit/types.h"

namespace toolkit {

class CControlUI;

enum class EventType {
    kMouseMove,
    kMouseEnter,
    kMouseLeave,
    kButtonDown,
    kButtonUp,
    kDoubleClick,
    kKeyDown,
    kKeyUp,
    kChar,
    kSetFocus,
    kKillFocus,
    kTimer,  // wParam: the control's timer id
};

struct ControlEvent {
    EventType type = EventType::kMouseMove;
    CControlUI* sender = nullptr;
    uint32_t timestamp = 0;
    Point mouse;          // window client coordinates
    UINT key = 0;         // virtual key (key events) or character (kChar)
    WPARAM keyState = 0;  // MK_ flags of mouse events
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

}  // namespace toolkit
