// Hosts give toolkit windows a place to live: the offscreen host paints into memory (tests,
// screenshots, no display needed); the GTK host shows real windows. One host serves every
// window created while it is selected. UI thread only.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/display.h"
#include "toolkit/region.h"
#include "toolkit/types.h"

namespace toolkit {

class CNativeWindow;

struct HostWindowParams {
    std::wstring title;
    Rect rect;  // screen coordinates
    class HostWindow* owner = nullptr;
    bool layered = false;  // translucent, click-through, never activated (shadows)
};

// The host's side of one window. The window calls these; the host reports back through the
// window's On* methods and DeliverInput.
class HostWindow {
public:
    virtual ~HostWindow() = default;
    virtual void SetTitle(const std::wstring& title) = 0;
    virtual void Show(bool show, bool activate) = 0;
    virtual void Move(const Rect& screenRect) = 0;
    virtual void Invalidate(const Rect& clientRect) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual void BringToFront() = 0;
    // Null removes the shape; the window is then its whole rectangle.
    virtual void SetShape(const WindowRegion* region) = 0;
    virtual void SetIcon(cairo_surface_t* image) = 0;
    // Modal windows stay above their owner and keep the owner from taking input.
    virtual void SetModal(bool modal, HostWindow* owner) = 0;
    // The picture of a layered window, in premultiplied ARGB at the window's size.
    virtual void SetLayeredContent(cairo_surface_t* image) = 0;
    virtual platform::NativeWindow NativeHandle() const { return nullptr; }
};

class Host {
public:
    virtual ~Host() = default;
    virtual std::unique_ptr<HostWindow> CreateHostWindow(CNativeWindow& window,
                                                         const HostWindowParams& params) = 0;
    // The work area of the monitor windows open on, in screen coordinates.
    virtual Rect WorkArea() const = 0;
    virtual bool SupportsLayeredWindows() const = 0;
    virtual void SetClipboardText(const std::wstring& text) = 0;
    virtual std::wstring GetClipboardText() = 0;
    // Called when `window` starts its modal loop (the offscreen host answers it from here).
    virtual void OnModalLoop(CNativeWindow& /*window*/) {}
};

enum class HostKind { kOffscreen, kGtk };

// Selects the host for windows created from now on. The GTK host needs a display: without
// one the call returns false and the selection stays as it was.
bool UseHost(HostKind kind);
// The selected host; the GTK host when a display can be opened, else the offscreen host.
Host& CurrentHost();
HostKind CurrentHostKind();

}  // namespace toolkit
