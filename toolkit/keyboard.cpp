#include "toolkit/keyboard.h"

#include "toolkit/messages.h"

namespace toolkit {
namespace {

thread_local KeyModifiers t_modifiers;

}  // namespace

void SetKeyModifiers(KeyModifiers modifiers) {
    t_modifiers = modifiers;
}

KeyModifiers GetKeyModifiers() {
    return t_modifiers;
}

bool IsKeyDown(UINT virtualKey) {
    switch (virtualKey) {
        case VK_SHIFT:
            return t_modifiers.shift;
        case VK_CONTROL:
            return t_modifiers.control;
        case VK_MENU:
            return t_modifiers.alt;
        default:
            return false;
    }
}

}  // namespace toolkit
