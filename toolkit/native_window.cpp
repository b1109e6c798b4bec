#include "toolkit/native_window.h"

#include <glib.h>

#include <algorithm>

#include "platform/message_loop.h"
#include "toolkit/image_cache.h"
#include "toolkit/message_queue.h"

namespace toolkit {
namespace {

// The system's limits for timer periods.
constexpr UINT kMinTimerPeriod = 10;
constexpr UINT kMaxTimerPeriod = 0x7FFFFFFF;

// A window created with CW_USEDEFAULT sizes itself later (from its layout); until then it
// has this size.
constexpr int kDefaultWidth = 400;
constexpr int kDefaultHeight = 300;

struct TimerData {
    HWND hwnd;
    UINT id;
};

}  // namespace

CNativeWindow::CNativeWindow()
    : m_procedure([this](UINT msg, WPARAM w, LPARAM l) { return HandleMessage(msg, w, l); }) {}

CNativeWindow::~CNativeWindow() {
    // Derived parts are gone by now, so no messages: just release what the window holds.
    if (m_hwnd != nullptr) {
        DestroyTimers();
        m_host.reset();
        detail::UnregisterWindow(m_hwnd);
        m_hwnd = nullptr;
    }
}

CNativeWindow* CNativeWindow::FromHandle(HWND hwnd) {
    return detail::LookupWindow(hwnd);
}

HWND CNativeWindow::Create(HWND owner, std::wstring_view title, uint32_t style, uint32_t exStyle,
                           int x, int y, int width, int height) {
    if (m_hwnd != nullptr) return nullptr;
    m_owner = owner;
    m_style = style & ~WS_VISIBLE;
    m_exStyle = exStyle;
    const int w = width == CW_USEDEFAULT ? kDefaultWidth : width;
    const int h = height == CW_USEDEFAULT ? kDefaultHeight : height;
    const Rect work = CurrentHost().WorkArea();
    const int left = x == CW_USEDEFAULT ? work.left : x;
    const int top = y == CW_USEDEFAULT ? work.top : y;
    m_rect = {left, top, left + w, top + h};

    m_hwnd = detail::RegisterWindow(this);
    CNativeWindow* ownerWindow = FromHandle(owner);
    HostWindowParams params;
    params.title = title;
    params.rect = m_rect;
    params.owner = ownerWindow != nullptr ? ownerWindow->m_host.get() : nullptr;
    params.layered = (exStyle & WS_EX_LAYERED) != 0;
    m_hostOwner = &CurrentHost();
    m_host = m_hostOwner->CreateHostWindow(*this, params);

    if (SendMessage(WM_CREATE, 0, 0) == -1) {
        DestroyWindow();
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0) ShowWindow(true, true);
    return m_hwnd;
}

LRESULT CNativeWindow::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_hwnd == nullptr) return 0;
    // A copy: the procedure may subclass or destroy the window while it runs.
    const WindowProcedure procedure = m_procedure;
    return procedure(msg, wParam, lParam);
}

bool CNativeWindow::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam, PostedRelease release) {
    return toolkit::PostMessage(m_hwnd, msg, wParam, lParam, release);
}

LRESULT CNativeWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/) {
    if (msg == WM_CLOSE) {
        m_modalResult = static_cast<UINT>(wParam);
        DestroyWindow();
    }
    return 0;
}

void CNativeWindow::ShowWindow(bool show, bool activate) {
    if (m_host == nullptr || m_visible == show) return;
    m_visible = show;
    m_host->Show(show, activate);
    SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (show) InvalidateAll();
}

UINT CNativeWindow::ShowModal() {
    const HWND self = m_hwnd;
    if (self == nullptr) return 0;
    const HWND owner = m_owner;
    CNativeWindow* ownerWindow = FromHandle(owner);
    const bool reenableOwner = ownerWindow != nullptr && ownerWindow->IsEnabled();
    if (ownerWindow != nullptr) ownerWindow->EnableWindow(false);
    m_host->SetModal(true, ownerWindow != nullptr ? ownerWindow->m_host.get() : nullptr);
    ShowWindow(true, true);
    m_hostOwner->OnModalLoop(*this);

    int quitCode = 0;
    bool quit = false;
    while (platform::IsWindow(self)) {
        if (platform::TakeQuitMessage(&quitCode)) {
            quit = true;
            break;
        }
        platform::WaitAndDispatchOne();
    }
    // The owner may have gone while the loop ran.
    if (reenableOwner && (ownerWindow = FromHandle(owner)) != nullptr) {
        ownerWindow->EnableWindow(true);
    }
    if (quit) {
        if (platform::IsWindow(self)) DestroyWindow();
        platform::PostQuitMessage(quitCode);
    }
    return m_modalResult;
}

void CNativeWindow::Close(UINT result) {
    PostMessage(WM_CLOSE, result, 0);
}

bool CNativeWindow::DestroyWindow() {
    const HWND hwnd = m_hwnd;
    if (hwnd == nullptr) return false;
    for (const HWND owned : detail::OwnedWindows(hwnd)) {
        if (CNativeWindow* window = FromHandle(owned)) window->DestroyWindow();
    }
    // An owned window's handler may have destroyed this one meanwhile.
    if (m_hwnd != hwnd) return true;
    SendMessage(WM_DESTROY, 0, 0);
    DestroyTimers();
    m_host.reset();
    m_visible = false;
    detail::UnregisterWindow(hwnd);
    // The procedure still runs for WM_NCDESTROY, as on the system, though the handle is dead.
    const WindowProcedure procedure = m_procedure;
    procedure(WM_NCDESTROY, 0, 0);
    m_hwnd = nullptr;
    m_procedure = [this](UINT msg, WPARAM w, LPARAM l) { return HandleMessage(msg, w, l); };
    OnFinalMessage(hwnd);
    return true;
}

void CNativeWindow::CenterWindow() {
    const Rect work = m_hostOwner != nullptr ? m_hostOwner->WorkArea() : CurrentHost().WorkArea();
    Rect around = work;
    const CNativeWindow* owner = FromHandle(m_owner);
    if (owner != nullptr && owner->IsVisible() && !owner->IsMinimized()) {
        around = owner->GetWindowRect();
    }
    const int width = m_rect.Width();
    const int height = m_rect.Height();
    int left = around.left + (around.Width() - width) / 2;
    int top = around.top + (around.Height() - height) / 2;
    if (!work.IsEmpty()) {
        left = std::max(work.left, std::min(left, work.right - width));
        top = std::max(work.top, std::min(top, work.bottom - height));
    }
    SetWindowPos(left, top);
}

void CNativeWindow::Minimize() {
    if (m_host == nullptr || m_minimized) return;
    m_host->Minimize();
    OnHostMinimized(true);
}

void CNativeWindow::Restore() {
    if (m_host == nullptr || !m_minimized) return;
    m_host->Restore();
    OnHostMinimized(false);
}

void CNativeWindow::BringToFront() {
    if (m_host != nullptr) m_host->BringToFront();
}

void CNativeWindow::EnableWindow(bool enable) {
    if (m_host == nullptr || m_enabled == enable) return;
    m_enabled = enable;
    m_host->SetEnabled(enable);
    SendMessage(WM_ENABLE, enable ? 1 : 0, 0);
}

void CNativeWindow::SetWindowText(std::wstring_view title) {
    if (m_host != nullptr) m_host->SetTitle(std::wstring(title));
}

void CNativeWindow::MoveWindow(const Rect& screenRect) {
    if (m_host == nullptr) return;
    m_host->Move(screenRect);
    OnHostMoved(screenRect);
}

void CNativeWindow::SetWindowPos(int x, int y) {
    MoveWindow({x, y, x + m_rect.Width(), y + m_rect.Height()});
}

void CNativeWindow::ResizeClient(int width, int height) {
    MoveWindow({m_rect.left, m_rect.top, m_rect.left + width, m_rect.top + height});
}

void CNativeWindow::SetWindowRegion(std::optional<WindowRegion> region) {
    m_region = std::move(region);
    if (m_host != nullptr) m_host->SetShape(m_region ? &*m_region : nullptr);
}

bool CNativeWindow::SetIcon(const uint8_t* png, size_t size) {
    const std::shared_ptr<Image> image = Image::DecodePng(png, size);
    if (!image || m_host == nullptr) return false;
    m_host->SetIcon(image->Surface());
    return true;
}

void CNativeWindow::UpdateLayered(cairo_surface_t* image) {
    if (m_host != nullptr) m_host->SetLayeredContent(image);
}

int CNativeWindow::OnTimer(void* data) {
    const auto* timer = static_cast<const TimerData*>(data);
    CNativeWindow* window = FromHandle(timer->hwnd);
    if (window == nullptr) return G_SOURCE_REMOVE;
    window->SendMessage(WM_TIMER, timer->id, 0);
    return G_SOURCE_CONTINUE;
}

bool CNativeWindow::SetTimer(UINT id, UINT periodMs) {
    if (m_hwnd == nullptr) return false;
    KillTimer(id);
    GSource* source = g_timeout_source_new(std::clamp(periodMs, kMinTimerPeriod, kMaxTimerPeriod));
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(
        source, [](gpointer data) -> gboolean { return OnTimer(data); }, new TimerData{m_hwnd, id},
        [](gpointer data) { delete static_cast<TimerData*>(data); });
    GMainContext* context = g_main_context_get_thread_default();
    g_source_attach(source, context != nullptr ? context : g_main_context_default());
    m_timers[id] = source;
    return true;
}

bool CNativeWindow::KillTimer(UINT id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end()) return false;
    g_source_destroy(it->second);
    g_source_unref(it->second);
    m_timers.erase(it);
    return true;
}

void CNativeWindow::DestroyTimers() {
    for (auto& [id, source] : m_timers) {
        g_source_destroy(source);
        g_source_unref(source);
    }
    m_timers.clear();
}

void CNativeWindow::Invalidate(const Rect& clientRect) {
    if (m_host != nullptr && !clientRect.IsEmpty()) m_host->Invalidate(clientRect);
}

CNativeWindow::WindowProcedure CNativeWindow::Subclass(WindowProcedure procedure) {
    WindowProcedure previous = std::move(m_procedure);
    m_procedure = std::move(procedure);
    return previous;
}

platform::NativeWindow CNativeWindow::GetNativeHandle() const {
    return m_host != nullptr ? m_host->NativeHandle() : nullptr;
}

void CNativeWindow::DeliverInput(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_hwnd == nullptr || !m_enabled) return;
    if (PreTranslateMessage(msg, wParam, lParam)) return;
    SendMessage(msg, wParam, lParam);
}

void CNativeWindow::OnHostPaint(cairo_t* cr, const Rect& dirty) {
    PaintRequest request{cr, dirty};
    SendMessage(WM_PAINT, 0, reinterpret_cast<LPARAM>(&request));
}

void CNativeWindow::OnHostMoved(const Rect& screenRect) {
    const Rect old = m_rect;
    m_rect = screenRect;
    if (old.left != screenRect.left || old.top != screenRect.top) {
        SendMessage(WM_MOVE, 0, MakeLParam(screenRect.left, screenRect.top));
    }
    if (old.Width() != screenRect.Width() || old.Height() != screenRect.Height()) {
        SendMessage(WM_SIZE, m_minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                    MakeLParam(screenRect.Width(), screenRect.Height()));
        InvalidateAll();
    }
}

void CNativeWindow::OnHostMinimized(bool minimized) {
    if (m_minimized == minimized) return;
    m_minimized = minimized;
    SendMessage(WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                MakeLParam(m_rect.Width(), m_rect.Height()));
}

void CNativeWindow::OnHostActivated(bool active) {
    SendMessage(WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

}  // namespace toolkit
