// The state of the modifier keys as of the input event being handled, per thread (the UI
// thread's hosts set it before they deliver each key or mouse event).
#pragma once

#include "toolkit/types.h"

namespace toolkit {

struct KeyModifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
};

void SetKeyModifiers(KeyModifiers modifiers);
KeyModifiers GetKeyModifiers();
// True while VK_SHIFT, VK_CONTROL or VK_MENU is held; false for any other key.
bool IsKeyDown(UINT virtualKey);

}  // namespace toolkit
