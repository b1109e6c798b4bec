#include "toolkit/input_router.h"

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "toolkit/control.h"
#include "toolkit/keyboard.h"
#include "toolkit/messages.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

bool IsInSubtree(const CControlUI* root, const CControlUI* control) {
    for (const CControlUI* c = control; c != nullptr; c = c->GetParent()) {
        if (c == root) return true;
    }
    return false;
}

}  // namespace

void InputRouter::Deliver(CControlUI* control, EventType type, WPARAM wParam, UINT key) {
    if (control == nullptr) return;
    ControlEvent event;
    event.type = type;
    event.sender = control;
    event.timestamp = platform::TickCount();
    event.mouse = m_mouse;
    event.key = key;
    event.keyState = m_mouseKeys;
    event.wParam = wParam;
    control->DoEvent(event);
}

void InputRouter::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    if (control != nullptr && (!m_ui.IsLiveControl(control) || !control->IsFocusable())) return;
    CControlUI* old = m_focus;
    m_focus = control;
    if (old != nullptr) Deliver(old, EventType::kKillFocus);
    if (control != nullptr && m_focus == control) Deliver(control, EventType::kSetFocus);
}

void InputRouter::MoveFocus(bool backwards) {
    CControlUI* root = m_ui.GetRoot();
    if (root == nullptr) return;
    std::vector<CControlUI*> order;
    root->ForEachControl([&](CControlUI& c) {
        if (c.IsFocusable() && WindowUi::IsVisibleInTree(c) && c.IsEnabledInTree()) {
            order.push_back(&c);
        }
    });
    if (order.empty()) return;
    auto it = std::find(order.begin(), order.end(), m_focus);
    size_t next = 0;
    if (it != order.end()) {
        const size_t at = static_cast<size_t>(it - order.begin());
        next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
    } else if (backwards) {
        next = order.size() - 1;
    }
    SetFocus(order[next]);
}

bool InputRouter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE: {
            m_mouse = PointFromLParam(lParam);
            m_mouseKeys = wParam;
            if (m_captured != nullptr) {
                Deliver(m_captured, EventType::kMouseMove);
                return true;
            }
            CControlUI* hit = m_ui.FindControlAt(m_mouse);
            if (hit != nullptr && !hit->IsEnabledInTree()) hit = nullptr;
            if (hit != m_hot) {
                CControlUI* old = m_hot;
                m_hot = hit;
                if (old != nullptr) Deliver(old, EventType::kMouseLeave);
                if (hit != nullptr && m_hot == hit) Deliver(hit, EventType::kMouseEnter);
            }
            if (hit != nullptr && m_hot == hit) Deliver(hit, EventType::kMouseMove);
            return true;
        }
        case WM_MOUSELEAVE:
            if (m_hot != nullptr && m_captured == nullptr) {
                CControlUI* old = m_hot;
                m_hot = nullptr;
                Deliver(old, EventType::kMouseLeave);
            }
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            m_mouse = PointFromLParam(lParam);
            m_mouseKeys = wParam;
            CControlUI* hit = m_ui.FindControlAt(m_mouse);
            if (hit == nullptr || !hit->IsEnabledInTree()) return true;
            if (hit->IsFocusable()) SetFocus(hit);
            if (!m_ui.IsLiveControl(hit)) return true;
            m_captured = hit;
            Deliver(hit, msg == WM_LBUTTONDOWN ? EventType::kButtonDown : EventType::kDoubleClick);
            return true;
        }
        case WM_LBUTTONUP: {
            m_mouse = PointFromLParam(lParam);
            m_mouseKeys = wParam;
            CControlUI* captured = m_captured;
            m_captured = nullptr;
            if (captured != nullptr) Deliver(captured, EventType::kButtonUp);
            return true;
        }
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                MoveFocus(IsKeyDown(VK_SHIFT));
                return true;
            }
            if (m_focus == nullptr) return false;
            Deliver(m_focus, EventType::kKeyDown, wParam, static_cast<UINT>(wParam));
            return true;
        case WM_KEYUP:
            if (m_focus == nullptr) return false;
            Deliver(m_focus, EventType::kKeyUp, wParam, static_cast<UINT>(wParam));
            return true;
        case WM_CHAR:
            if (m_focus == nullptr) return false;
            Deliver(m_focus, EventType::kChar, wParam, static_cast<UINT>(wParam));
            return true;
        case WM_KILLFOCUS:
            // The pointer may be released elsewhere; a half-made press must not stick.
            if (m_captured != nullptr) {
                CControlUI* captured = m_captured;
                m_captured = nullptr;
                m_mouse = {-1, -1};
                Deliver(captured, EventType::kButtonUp);
            }
            return false;
        default:
            return false;
    }
}

void InputRouter::Reset() {
    m_focus = m_hot = m_captured = nullptr;
}

void InputRouter::OnControlDestroyed(const CControlUI* control) {
    if (m_focus == control) m_focus = nullptr;
    if (m_hot == control) m_hot = nullptr;
    if (m_captured == control) m_captured = nullptr;
}

void InputRouter::OnControlHidden(CControlUI* control) {
    if (IsInSubtree(control, m_focus)) SetFocus(nullptr);
    if (IsInSubtree(control, m_hot)) {
        CControlUI* old = m_hot;
        m_hot = nullptr;
        Deliver(old, EventType::kMouseLeave);
    }
    if (IsInSubtree(control, m_captured)) {
        // Released outside, so the press ends without a click.
        CControlUI* captured = m_captured;
        m_captured = nullptr;
        const Point mouse = m_mouse;
        m_mouse = {-1, -1};
        Deliver(captured, EventType::kButtonUp);
        m_mouse = mouse;
    }
}

}  // namespace toolkit
