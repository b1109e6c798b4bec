// InputRouter: the hot, pressed and focused controls of one window, and the routing of pointer
// and key messages to them. Owned by the window's WindowUi; UI thread only.
#pragma once

#include "toolkit/control_event.h"
#include "toolkit/types.h"

namespace toolkit {

class CControlUI;
class WindowUi;

class InputRouter {
public:
    explicit InputRouter(WindowUi& ui) : m_ui(ui) {}
    InputRouter(const InputRouter&) = delete;
    InputRouter& operator=(const InputRouter&) = delete;

    // Pointer, key and focus-loss messages; true when handled.
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Hands `control` an event stamped with the pointer's last place and button state.
    void Deliver(CControlUI* control, EventType type, WPARAM wParam = 0, UINT key = 0);

    CControlUI* GetFocus() const { return m_focus; }
    // Moves the focus to a focusable control of the tree, or nowhere for null.
    void SetFocus(CControlUI* control);
    CControlUI* GetHot() const { return m_hot; }
    // The pointer's last place, in window coordinates.
    Point GetMouse() const { return m_mouse; }

    // Forgets every control, without events (the tree is gone).
    void Reset();
    void OnControlDestroyed(const CControlUI* control);
    // `control` was hidden or disabled: its subtree loses the focus, the hot state and the
    // press.
    void OnControlHidden(CControlUI* control);

private:
    void MoveFocus(bool backwards);

    WindowUi& m_ui;
    Point m_mouse;
    WPARAM m_mouseKeys = 0;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hot = nullptr;
    CControlUI* m_captured = nullptr;
};

}  // namespace toolkit
