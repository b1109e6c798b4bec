#include "toolkit/offscreen_driver.h"

#include <glib.h>

#include "platform/clock.h"
#include "platform/message_loop.h"
#include "toolkit/message_queue.h"
#include "toolkit/messages.h"
#include "toolkit/native_window.h"
#include "toolkit/offscreen_host.h"
#include "toolkit/skin_window_base.h"

namespace toolkit::offscreen {
namespace {

OffscreenWindow* HostOf(CNativeWindow& window) {
    return dynamic_cast<OffscreenWindow*>(window.GetHostWindow());
}

bool Input(CNativeWindow& window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (window.GetHWND() == nullptr || !window.IsEnabled()) return false;
    window.DeliverInput(msg, wParam, lParam);
    return true;
}

LPARAM ScreenLParam(CNativeWindow& window, Point p) {
    const Rect r = window.GetWindowRect();
    return MakeLParam(r.left + p.x, r.top + p.y);
}

}  // namespace

void Use() {
    UseHost(HostKind::kOffscreen);
}

cairo_surface_t* Snapshot(CNativeWindow& window) {
    OffscreenWindow* host = HostOf(window);
    return host != nullptr ? host->Render() : nullptr;
}

Color PixelAt(CNativeWindow& window, Point p) {
    cairo_surface_t* surface = Snapshot(window);
    if (surface == nullptr || p.x < 0 || p.y < 0 || p.x >= cairo_image_surface_get_width(surface) ||
        p.y >= cairo_image_surface_get_height(surface)) {
        return 0;
    }
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint32_t pixel = *reinterpret_cast<const uint32_t*>(data + p.y * stride + p.x * 4);
    const uint32_t alpha = pixel >> 24;
    if (alpha == 0) return 0;
    auto unpremultiply = [&](int shift) {
        return std::min<uint32_t>(255, (((pixel >> shift) & 0xFF) * 255 + alpha / 2) / alpha);
    };
    return (alpha << 24) | (unpremultiply(16) << 16) | (unpremultiply(8) << 8) | unpremultiply(0);
}

bool WritePng(CNativeWindow& window, const std::string& path) {
    cairo_surface_t* surface = Snapshot(window);
    return surface != nullptr &&
           cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool MoveMouse(CNativeWindow& window, Point p) {
    return Input(window, WM_MOUSEMOVE, 0, MakeLParam(p.x, p.y));
}

bool ClickAt(CNativeWindow& window, Point p) {
    const HWND hwnd = window.GetHWND();
    if (!MoveMouse(window, p)) return false;
    if (window.SendMessage(WM_NCHITTEST, 0, ScreenLParam(window, p)) == HTCAPTION) return true;
    if (!Input(window, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(p.x, p.y))) return false;
    // The press may have closed the window.
    return IsWindow(hwnd) && Input(window, WM_LBUTTONUP, 0, MakeLParam(p.x, p.y));
}

bool DoubleClickAt(CNativeWindow& window, Point p) {
    const HWND hwnd = window.GetHWND();
    if (!ClickAt(window, p) || !IsWindow(hwnd)) return false;
    if (!Input(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(p.x, p.y))) return false;
    return IsWindow(hwnd) && Input(window, WM_LBUTTONUP, 0, MakeLParam(p.x, p.y));
}

bool Drag(CNativeWindow& window, Point from, Point to) {
    if (!MoveMouse(window, from)) return false;
    if (window.SendMessage(WM_NCHITTEST, 0, ScreenLParam(window, from)) == HTCAPTION) {
        const Rect r = window.GetWindowRect();
        window.SetWindowPos(r.left + to.x - from.x, r.top + to.y - from.y);
        window.SendMessage(WM_EXITSIZEMOVE, 0, 0);
        return true;
    }
    if (!Input(window, WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(from.x, from.y))) return false;
    Input(window, WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(to.x, to.y));
    return Input(window, WM_LBUTTONUP, 0, MakeLParam(to.x, to.y));
}

bool Click(SkinWindowBase& window, std::wstring_view controlName) {
    window.GetUi().UpdateLayout();
    CControlUI* control = window.FindControl(controlName);
    if (control == nullptr || !WindowUi::IsVisibleInTree(*control) || control->GetPos().IsEmpty()) {
        return false;
    }
    return ClickAt(window, control->GetPos().Center());
}

bool PressKey(CNativeWindow& window, UINT virtualKey, KeyModifiers modifiers) {
    const HWND hwnd = window.GetHWND();
    const KeyModifiers saved = GetKeyModifiers();
    SetKeyModifiers(modifiers);
    bool delivered = Input(window, WM_KEYDOWN, virtualKey, 1);
    if (delivered && IsWindow(hwnd)) delivered = Input(window, WM_KEYUP, virtualKey, 1);
    SetKeyModifiers(saved);
    return delivered;
}

bool TypeText(CNativeWindow& window, std::wstring_view text) {
    for (wchar_t c : text) {
        if (!Input(window, WM_CHAR, static_cast<WPARAM>(c), 1)) return false;
    }
    return true;
}

bool RequestClose(CNativeWindow& window) {
    return Input(window, WM_CLOSE, 0, 0);
}

void AnswerNextModal(std::function<void(SkinWindowBase&)> answer) {
    OffscreenHost::Instance().QueueModalAnswer([answer = std::move(answer)](CNativeWindow& w) {
        if (auto* skin = dynamic_cast<SkinWindowBase*>(&w)) answer(*skin);
    });
}

void ForgetModalAnswers() {
    OffscreenHost::Instance().ForgetModalAnswers();
}

bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
    const uint32_t start = platform::TickCount();
    // A heartbeat keeps the wait from blocking past the deadline when nothing else happens.
    GSource* heartbeat = g_timeout_source_new(10);
    g_source_set_callback(
        heartbeat, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    GMainContext* context = g_main_context_get_thread_default();
    g_source_attach(heartbeat, context != nullptr ? context : g_main_context_default());
    bool result = false;
    while (true) {
        if (done()) {
            result = true;
            break;
        }
        if (platform::TickCount() - start > timeoutMs) break;
        platform::WaitAndDispatchOne();
    }
    g_source_destroy(heartbeat);
    g_source_unref(heartbeat);
    return result;
}

void RunPending() {
    while (platform::DispatchPending()) {
    }
}

}  // namespace toolkit::offscreen
