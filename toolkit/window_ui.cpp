#include "toolkit/window_ui.h"

#include <algorithm>

#include "platform/clock.h"
#include "toolkit/attributes.h"
#include "toolkit/host.h"
#include "toolkit/keyboard.h"
#include "toolkit/message_queue.h"
#include "toolkit/messages.h"
#include "toolkit/native_window.h"
#include "toolkit/region.h"
#include "toolkit/string_table.h"

namespace toolkit {
namespace {

bool IsInSubtree(const CControlUI* root, const CControlUI* control) {
    for (const CControlUI* c = control; c != nullptr; c = c->GetParent()) {
        if (c == root) return true;
    }
    return false;
}

}  // namespace

WindowUi::WindowUi(CNativeWindow& window) : m_window(window) {
    // Skins name a face that Linux systems rarely have; the text renderer falls back from it.
    m_defaultFont.face = L"微软雅黑";
    m_defaultFont.size = 12;
}

WindowUi::~WindowUi() {
    DestroyRoot();
}

void WindowUi::AttachRoot(CControlUI* root) {
    DestroyRoot();
    m_root.reset(root);
    if (root == nullptr) return;
    m_postTarget = m_window.GetHWND();
    root->SetManager(this, nullptr);
    m_needUpdate = true;
    UpdateLayout();
    InitControls(*root);
}

void WindowUi::DestroyRoot() {
    m_postTarget = nullptr;
    std::unique_ptr<CControlUI> root = std::move(m_root);
    root.reset();
    m_focus = m_hot = m_captured = nullptr;
}

CControlUI* WindowUi::FindControl(std::wstring_view name) const {
    CControlUI* found = nullptr;
    if (m_root && !name.empty()) {
        m_root->ForEachControl([&](CControlUI& c) {
            if (found == nullptr && c.GetName() == name) found = &c;
        });
    }
    return found;
}

CControlUI* WindowUi::FindControlAt(Point p) {
    UpdateLayout();
    return m_root ? m_root->FindControlAt(p) : nullptr;
}

void WindowUi::InitControls(CControlUI& control) {
    std::vector<CControlUI*> controls;
    control.ForEachControl([&](CControlUI& c) { controls.push_back(&c); });
    for (CControlUI* c : controls) {
        if (IsLiveControl(c)) c->DoInit();
    }
}

bool WindowUi::IsLiveControl(const CControlUI* control) const {
    if (control == nullptr || !m_root) return false;
    bool found = false;
    m_root->ForEachControl([&](CControlUI& c) { found = found || &c == control; });
    return found;
}

bool WindowUi::IsVisibleInTree(const CControlUI& control) {
    for (const CControlUI* c = &control; c != nullptr; c = c->GetParent()) {
        if (!c->IsVisible()) return false;
    }
    return true;
}

void WindowUi::SetWindowAttribute(std::wstring_view name, std::wstring_view value) {
    m_windowAttributes.emplace_back(name, value);
    if (name == L"size") {
        ParseSize(value, &m_initSize);
    } else if (name == L"caption") {
        ParseRect(value, &m_caption);
    } else if (name == L"roundcorner") {
        m_hasRoundCorner = ParseSize(value, &m_roundCorner);
    }
}

const std::wstring* WindowUi::GetWindowAttribute(std::wstring_view name) const {
    for (const auto& [key, value] : m_windowAttributes) {
        if (key == name) return &value;
    }
    return nullptr;
}

bool WindowUi::IsCaptionPoint(Point p) {
    const Size client = m_window.GetClientSize();
    const Rect caption{m_caption.left, m_caption.top,
                       m_caption.right > 0 ? m_caption.right : client.cx,
                       m_caption.bottom > 0 ? m_caption.bottom : client.cy};
    if (m_caption.IsEmpty() && m_caption.bottom <= 0) return false;
    if (!caption.Contains(p)) return false;
    const CControlUI* hit = FindControlAt(p);
    return hit == nullptr || !hit->IsClickable() || !hit->IsEnabledInTree();
}

void WindowUi::AddFont(int id, FontInfo font, bool isDefault) {
    if (isDefault) m_defaultFont = font;
    m_fonts[id] = std::move(font);
}

const FontInfo& WindowUi::GetFont(int id) const {
    const auto it = m_fonts.find(id);
    return (id >= 0 && it != m_fonts.end()) ? it->second : m_defaultFont;
}

Size WindowUi::MeasureText(int fontId, std::wstring_view text, uint32_t style, int width) const {
    return toolkit::MeasureText(GetFont(fontId), text, style, width);
}

void WindowUi::NeedUpdate() {
    m_needUpdate = true;
    m_window.InvalidateAll();
}

void WindowUi::UpdateLayout() {
    if (!m_needUpdate || !m_root) return;
    m_needUpdate = false;
    const Size client = m_window.GetClientSize();
    m_root->SetPos({0, 0, client.cx, client.cy});
}

void WindowUi::Invalidate(const Rect& rect) {
    m_window.Invalidate(rect);
}

void WindowUi::Paint(cairo_t* cr, const Rect& dirty) {
    UpdateLayout();
    cairo_save(cr);
    cairo_rectangle(cr, dirty.left, dirty.top, dirty.Width(), dirty.Height());
    cairo_clip(cr);
    if (const auto& region = m_window.GetWindowRegion()) {
        for (const Rect& band : region->Bands()) {
            cairo_rectangle(cr, band.left, band.top, band.Width(), band.Height());
        }
        cairo_clip(cr);
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    if (m_root && m_root->IsVisible()) m_root->DoPaint(cr, dirty);
    cairo_restore(cr);
}

void WindowUi::Deliver(CControlUI* control, EventType type, WPARAM wParam, UINT key) {
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

void WindowUi::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    if (control != nullptr && (!IsLiveControl(control) || !control->IsFocusable())) return;
    CControlUI* old = m_focus;
    m_focus = control;
    if (old != nullptr) Deliver(old, EventType::kKillFocus);
    if (control != nullptr && m_focus == control) Deliver(control, EventType::kSetFocus);
}

void WindowUi::MoveFocus(bool backwards) {
    if (!m_root) return;
    std::vector<CControlUI*> order;
    m_root->ForEachControl([&](CControlUI& c) {
        if (c.IsFocusable() && IsVisibleInTree(c) && c.IsEnabledInTree()) order.push_back(&c);
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

bool WindowUi::SetTimer(CControlUI* control, UINT id, UINT periodMs) {
    if (control == nullptr) return false;
    for (const ControlTimer& timer : m_timers) {
        if (timer.control == control && timer.id == id) {
            return m_window.SetTimer(timer.nativeId, periodMs);
        }
    }
    const UINT nativeId = m_nextTimerId++;
    if (!m_window.SetTimer(nativeId, periodMs)) return false;
    m_timers.push_back({control, id, nativeId});
    return true;
}

bool WindowUi::KillTimer(CControlUI* control, UINT id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->control == control && it->id == id) {
            m_window.KillTimer(it->nativeId);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void WindowUi::KillTimers(CControlUI* control) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->control == control) {
            m_window.KillTimer(it->nativeId);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool WindowUi::HasTimer(const CControlUI* control, UINT id) const {
    return std::any_of(m_timers.begin(), m_timers.end(),
                       [&](const ControlTimer& t) { return t.control == control && t.id == id; });
}

bool WindowUi::FireTimer(CControlUI* control, UINT id) {
    for (const ControlTimer& timer : m_timers) {
        if (timer.control == control && timer.id == id) return DeliverTimer(timer.nativeId);
    }
    return false;
}

bool WindowUi::DeliverTimer(UINT nativeId) {
    const auto it = std::find_if(m_timers.begin(), m_timers.end(),
                                 [&](const ControlTimer& t) { return t.nativeId == nativeId; });
    if (it == m_timers.end()) return false;
    CControlUI* control = it->control;
    const UINT id = it->id;
    Deliver(control, EventType::kTimer, id);
    // The control's handler may have destroyed it or the whole tree.
    if (IsLiveControl(control)) SendNotify(control, kNotifyTimer, id, 0);
    return true;
}

void WindowUi::AddNotifier(INotifyListener* listener) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
        m_listeners.push_back(listener);
    }
}

void WindowUi::RemoveNotifier(INotifyListener* listener) {
    std::erase(m_listeners, listener);
}

void WindowUi::SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam, LPARAM lParam,
                          bool async) {
    Notification msg;
    msg.type = type;
    msg.sender = sender;
    msg.timestamp = platform::TickCount();
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void WindowUi::SendNotify(const Notification& msg, bool async) {
    if (async) {
        const HWND target = m_postTarget.load();
        std::lock_guard<std::mutex> lock(m_asyncMutex);
        m_async.push_back(msg);
        if (target == nullptr || !PostMessage(target, kMsgAsyncNotify, 0, 0)) m_async.pop_back();
        return;
    }
    Notification copy = msg;
    copy.mouse = m_mouse;
    // A copy of the list: a listener may add or remove listeners while it runs.
    const std::vector<INotifyListener*> listeners = m_listeners;
    for (INotifyListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) {
            listener->Notify(copy);
        }
    }
}

void WindowUi::DeliverAsyncNotify() {
    Notification msg;
    {
        std::lock_guard<std::mutex> lock(m_asyncMutex);
        if (m_async.empty()) return;
        msg = std::move(m_async.front());
        m_async.pop_front();
    }
    if (msg.sender != nullptr && !IsLiveControl(msg.sender)) return;
    SendNotify(msg, false);
}

void WindowUi::AddPreMessageFilter(IMessageFilter* filter) {
    if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) {
        m_filters.push_back(filter);
    }
}

void WindowUi::RemovePreMessageFilter(IMessageFilter* filter) {
    std::erase(m_filters, filter);
}

bool WindowUi::TranslateMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::vector<IMessageFilter*> filters = m_filters;
    for (IMessageFilter* filter : filters) {
        bool handled = false;
        filter->MessageHandler(msg, wParam, lParam, handled);
        if (handled) return true;
    }
    return false;
}

bool WindowUi::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (msg) {
        case WM_PAINT: {
            const auto* request = reinterpret_cast<const PaintRequest*>(lParam);
            if (request != nullptr) Paint(request->cr, request->dirty);
            return true;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) NeedUpdate();
            return false;
        case WM_TIMER:
            return DeliverTimer(static_cast<UINT>(wParam));
        case kMsgAsyncNotify:
            DeliverAsyncNotify();
            return true;
        case WM_MOUSEMOVE: {
            m_mouse = PointFromLParam(lParam);
            m_mouseKeys = wParam;
            if (m_captured != nullptr) {
                Deliver(m_captured, EventType::kMouseMove);
                return true;
            }
            CControlUI* hit = FindControlAt(m_mouse);
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
            CControlUI* hit = FindControlAt(m_mouse);
            if (hit == nullptr || !hit->IsEnabledInTree()) return true;
            if (hit->IsFocusable()) SetFocus(hit);
            if (!IsLiveControl(hit)) return true;
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

void WindowUi::RefreshTexts() {
    if (!m_root) return;
    m_root->ForEachControl([](CControlUI& c) {
        std::wstring text;
        if (c.GetTextId() >= 0 && StringTable::Get(c.GetTextId(), &text)) c.SetText(text);
    });
}

void WindowUi::SetClipboardText(const std::wstring& text) {
    if (Host* host = m_window.GetHost()) host->SetClipboardText(text);
}

std::wstring WindowUi::GetClipboardText() {
    Host* host = m_window.GetHost();
    return host != nullptr ? host->GetClipboardText() : std::wstring();
}

void WindowUi::OnControlDestroyed(CControlUI* control) {
    if (m_focus == control) m_focus = nullptr;
    if (m_hot == control) m_hot = nullptr;
    if (m_captured == control) m_captured = nullptr;
    KillTimers(control);
}

void WindowUi::OnControlHidden(CControlUI* control) {
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
