#include "ui/shadow_window.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "toolkit/host.h"
#include "toolkit/message_queue.h"
#include "toolkit/render.h"

namespace ui {

using toolkit::CNativeWindow;
using toolkit::HWND;
using toolkit::LPARAM;
using toolkit::Rect;
using toolkit::UINT;
using toolkit::WPARAM;

namespace {

bool g_registered = false;

// Parent window -> its shadow. The parent's subclass looks its shadow up here on every
// message, so a shadow object that is gone is simply not served.
std::map<HWND, CShadowWindow*>& Shadows() {
    static auto* shadows = new std::map<HWND, CShadowWindow*>();  // lives for the process
    return *shadows;
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

cairo_surface_t* SurfaceOf(const ShadowBits& bits) {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, std::max(bits.width, 1), std::max(bits.height, 1));
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < bits.height; ++y) {
        std::memcpy(data + static_cast<ptrdiff_t>(y) * stride,
                    bits.pixels.data() + static_cast<size_t>(y) * bits.width,
                    static_cast<size_t>(bits.width) * sizeof(uint32_t));
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

// The translucent window itself: never activated, clicks pass through to what lies below.
class CShadowWindow::Window : public CNativeWindow {
public:
    std::wstring_view GetWindowClassName() const override { return L"SkinShadowWnd"; }
};

bool CShadowWindow::Initialize() {
    g_registered = toolkit::CurrentHost().SupportsLayeredWindows();
    return g_registered;
}

CShadowWindow::CShadowWindow() = default;

CShadowWindow::~CShadowWindow() {
    const auto it = Shadows().find(m_parent);
    if (it != Shadows().end() && it->second == this) Shadows().erase(it);
    if (m_window) m_window->DestroyWindow();
}

void CShadowWindow::Create(CNativeWindow& parent) {
    if (!g_registered || m_window || parent.GetHWND() == nullptr) return;
    m_parent = parent.GetHWND();
    Shadows()[m_parent] = this;

    m_window = std::make_unique<Window>();
    if (m_window->Create(m_parent, L"", toolkit::WS_POPUPWINDOW,
                         toolkit::WS_EX_LAYERED | toolkit::WS_EX_TRANSPARENT,
                         toolkit::CW_USEDEFAULT, 0, 0, 0) == nullptr) {
        m_window.reset();
        return;
    }
    if (!parent.IsVisible()) {
        m_status = kEnabled;
    } else if (parent.IsMaximized() || parent.IsMinimized()) {
        m_status = kEnabled | kParentVisible;
    } else {
        m_status = kEnabled | kVisible | kParentVisible;
        m_window->ShowWindow(true, false);
        Redraw(parent);
    }

    const HWND parentHandle = m_parent;
    auto previous = std::make_shared<CNativeWindow::WindowProcedure>();
    *previous = parent.Subclass([parentHandle, previous](UINT msg, WPARAM wParam, LPARAM lParam) {
        const auto it = Shadows().find(parentHandle);
        CNativeWindow* window = CNativeWindow::FromHandle(parentHandle);
        if (it != Shadows().end() && window != nullptr) {
            it->second->OnParentMessage(*window, msg, wParam, lParam);
        }
        if (msg == toolkit::WM_NCDESTROY) Shadows().erase(parentHandle);
        return (*previous)(msg, wParam, lParam);
    });
}

CNativeWindow* CShadowWindow::GetShadowWindow() const {
    return m_window && m_window->GetHWND() != nullptr ? m_window.get() : nullptr;
}

void CShadowWindow::OnParentMessage(CNativeWindow& parent, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case toolkit::WM_DESTROY:
            if (m_window) m_window->DestroyWindow();
            break;
        case toolkit::WM_MOVE:
            if ((m_status & kVisible) != 0 && GetShadowWindow() != nullptr) {
                const Rect now = ShadowRect(parent.GetWindowRect());
                m_window->SetWindowPos(now.left, now.top);
            }
            break;
        case toolkit::WM_SIZE:
            if ((m_status & kEnabled) == 0) break;
            if (wParam == toolkit::SIZE_MAXIMIZED || wParam == toolkit::SIZE_MINIMIZED) {
                if (m_window) m_window->ShowWindow(false);
                m_status &= ~kVisible;
            } else if ((m_status & kParentVisible) != 0) {
                const toolkit::Size now{static_cast<int>(lParam & 0xFFFF),
                                        static_cast<int>((lParam >> 16) & 0xFFFF)};
                // Growing redraws at the next paint, not on every step of the resize.
                if (now.cx <= m_lastParentSize.cx && now.cy <= m_lastParentSize.cy) {
                    Redraw(parent);
                } else {
                    m_updatePending = true;
                }
                if ((m_status & kVisible) == 0) {
                    if (m_window) m_window->ShowWindow(true, false);
                    m_status |= kVisible;
                }
                m_lastParentSize = now;
            }
            break;
        case toolkit::WM_PAINT:
            if (m_updatePending) {
                Redraw(parent);
                m_updatePending = false;
            }
            break;
        case toolkit::WM_ACTIVATE:
        case toolkit::WM_EXITSIZEMOVE:
            if ((m_status & kVisible) != 0) Redraw(parent);
            break;
        case toolkit::WM_SHOWWINDOW:
            if ((m_status & kEnabled) == 0) break;
            if (wParam == 0) {
                if (m_window) m_window->ShowWindow(false);
                m_status &= ~(kVisible | kParentVisible);
            } else if ((m_status & kParentVisible) == 0) {
                m_updatePending = true;
                if (m_window) m_window->ShowWindow(true, false);
                m_status |= kVisible | kParentVisible;
            }
            break;
        default:
            break;
    }
}

Rect CShadowWindow::ShadowRect(const Rect& parent) const {
    if (m_image) {
        return {parent.left - m_imageMargin.left, parent.top - m_imageMargin.top,
                parent.right + m_imageMargin.right, parent.bottom + m_imageMargin.bottom};
    }
    const int s = m_shape.size;
    const int left = parent.left + m_shape.xOffset - s;
    const int top = parent.top + m_shape.yOffset - s;
    return {left, top, left + parent.Width() + 2 * s, top + parent.Height() + 2 * s};
}

void CShadowWindow::Redraw(CNativeWindow& parent) {
    if (GetShadowWindow() == nullptr) return;
    const Rect parentRect = parent.GetWindowRect();
    const Rect place = ShadowRect(parentRect);
    cairo_surface_t* surface = nullptr;
    if (m_image) {
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(place.Width(), 1),
                                             std::max(place.Height(), 1));
        cairo_t* cr = cairo_create(surface);
        const Rect corner{
            m_imageMargin.left + m_holeOffset.left, m_imageMargin.top + m_holeOffset.top,
            m_imageMargin.right + m_holeOffset.right, m_imageMargin.bottom + m_holeOffset.bottom};
        toolkit::DrawNineGrid(cr, m_image->Surface(), {0, 0, m_image->Width(), m_image->Height()},
                              {0, 0, place.Width(), place.Height()}, corner, 255, true, false,
                              false);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    } else {
        const auto& region = parent.GetWindowRegion();
        const std::vector<ShadowSpan> spans =
            RegionSpans(region ? &*region : nullptr, parentRect.Width(), parentRect.Height());
        surface = SurfaceOf(ComputeShadowBits(spans, parentRect.Width(), m_shape));
    }
    m_window->MoveWindow(place);
    m_window->UpdateLayered(surface);
    cairo_surface_destroy(surface);
}

void CShadowWindow::RedrawIfVisible() {
    if ((m_status & kVisible) == 0) return;
    if (CNativeWindow* parent = CNativeWindow::FromHandle(m_parent)) Redraw(*parent);
}

bool CShadowWindow::SetSize(int size) {
    if (!InRange(size, -20, 20)) return false;
    m_shape.size = size;
    RedrawIfVisible();
    return true;
}

bool CShadowWindow::SetSharpness(int sharpness) {
    if (!InRange(sharpness, 0, 20)) return false;
    m_shape.sharpness = sharpness;
    RedrawIfVisible();
    return true;
}

bool CShadowWindow::SetDarkness(int darkness) {
    if (!InRange(darkness, 0, 255)) return false;
    m_shape.darkness = darkness;
    RedrawIfVisible();
    return true;
}

bool CShadowWindow::SetPosition(int x, int y) {
    if (!InRange(x, -20, 20) || !InRange(y, -20, 20)) return false;
    m_shape.xOffset = x;
    m_shape.yOffset = y;
    RedrawIfVisible();
    return true;
}

bool CShadowWindow::SetColor(uint32_t colorref) {
    m_shape.color = colorref;
    RedrawIfVisible();
    return true;
}

bool CShadowWindow::SetImage(std::wstring_view name, const Rect& margin, const Rect& holeOffset) {
    std::shared_ptr<const toolkit::Image> image = toolkit::ImageCache::Get(name);
    if (!image) return false;
    m_image = std::move(image);
    m_imageMargin = margin;
    m_holeOffset = holeOffset;
    RedrawIfVisible();
    return true;
}

}  // namespace ui
