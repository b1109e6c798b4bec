#include "toolkit/window_ui.h"

#include <algorithm>
#include <optional>

#include "platform/clock.h"
#include "toolkit/attributes.h"
#include "toolkit/host.h"
#include "toolkit/messages.h"
#include "toolkit/native_window.h"
#include "toolkit/region.h"
#include "toolkit/string_table.h"

namespace toolkit {

WindowUi::WindowUi(CNativeWindow& window) : m_window(window), m_input(*this), m_timers(window) {
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
    m_posted.SetTarget(m_window.GetHWND());
    root->SetWindowUi(this, nullptr);
    m_needUpdate = true;
    UpdateLayout();
    InitControls(*root);
}

void WindowUi::DestroyRoot() {
    m_posted.SetTarget(nullptr);
    std::unique_ptr<CControlUI> root = std::move(m_root);
    root.reset();
    m_input.Reset();
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

bool WindowUi::SetTimer(CControlUI* control, UINT id, UINT periodMs) {
    return m_timers.Set(control, id, periodMs);
}

bool WindowUi::KillTimer(CControlUI* control, UINT id) {
    return m_timers.Kill(control, id);
}

void WindowUi::KillTimers(CControlUI* control) {
    m_timers.KillAll(control);
}

bool WindowUi::HasTimer(const CControlUI* control, UINT id) const {
    return m_timers.Has(control, id);
}

bool WindowUi::FireTimer(CControlUI* control, UINT id) {
    if (!m_timers.Has(control, id)) return false;
    DeliverTick(control, id);
    return true;
}

void WindowUi::DeliverTick(CControlUI* control, UINT id) {
    m_input.Deliver(control, EventType::kTimer, id);
    // The control's handler may have destroyed it or the whole tree.
    if (IsLiveControl(control)) SendNotify(control, kNotifyTimer, id, 0);
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
        m_posted.Post(msg);
        return;
    }
    Notification copy = msg;
    copy.mouse = m_input.GetMouse();
    // A copy of the list: a listener may add or remove listeners while it runs.
    const std::vector<INotifyListener*> listeners = m_listeners;
    for (INotifyListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) {
            listener->Notify(copy);
        }
    }
}

void WindowUi::DeliverAsyncNotify() {
    const std::optional<Notification> msg = m_posted.Take();
    if (!msg) return;
    // Dropped when its sender left the tree after posting.
    if (msg->sender != nullptr && !IsLiveControl(msg->sender)) return;
    SendNotify(*msg, false);
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
            if (const auto tick = m_timers.Find(static_cast<UINT>(wParam))) {
                DeliverTick(tick->control, tick->id);
                return true;
            }
            return false;
        case kMsgAsyncNotify:
            DeliverAsyncNotify();
            return true;
        default:
            return m_input.HandleMessage(msg, wParam, lParam);
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
    m_input.OnControlDestroyed(control);
    m_timers.KillAll(control);
}

void WindowUi::OnControlHidden(CControlUI* control) {
    m_input.OnControlHidden(control);
}

}  // namespace toolkit
