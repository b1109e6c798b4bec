// CNativeWindow: one top-level window with a window procedure (HandleMessage), posted and
// sent messages, window timers, modal runs and closing with a result. The selected host
// (offscreen or GTK) does the showing and painting. Created, used and destroyed on one
// thread (the UI thread); only PostMessage may be called from others.
#pragma once

#include <cairo.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/display.h"
#include "toolkit/host.h"
#include "toolkit/message_queue.h"
#include "toolkit/messages.h"
#include "toolkit/region.h"
#include "toolkit/types.h"

typedef struct _GSource GSource;

namespace toolkit {

// lParam of WM_PAINT: where to paint and what needs it.
struct PaintRequest {
    cairo_t* cr;
    Rect dirty;
};

class CNativeWindow {
public:
    CNativeWindow();
    virtual ~CNativeWindow();
    CNativeWindow(const CNativeWindow&) = delete;
    CNativeWindow& operator=(const CNativeWindow&) = delete;

    // The window class name; the skinned windows name theirs.
    virtual std::wstring_view GetWindowClassName() const { return L"NativeWindow"; }

    // Creates the window on the selected host and sends WM_CREATE; a handler answering -1
    // makes creation fail (null). CW_USEDEFAULT leaves the place or size to the window (a
    // skinned window sizes itself from its layout). WS_VISIBLE shows it at once.
    HWND Create(HWND owner, std::wstring_view title, uint32_t style, uint32_t exStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
                int height = CW_USEDEFAULT);
    HWND GetHWND() const { return m_hwnd; }
    HWND GetOwner() const { return m_owner; }
    static CNativeWindow* FromHandle(HWND hwnd);

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // See toolkit::PostMessage: `release` frees what a message carries if it is dropped.
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0,
                     PostedRelease release = nullptr);

    void ShowWindow(bool show = true, bool activate = true);
    bool IsVisible() const { return m_visible; }
    // Shows the window and runs a nested loop until it is destroyed, with the owner disabled
    // meanwhile; returns the result the window was closed with. A quit request ends the loop
    // early and is posted again for the caller's loop.
    UINT ShowModal();
    // Asks the window to close (posts WM_CLOSE carrying `result`).
    void Close(UINT result = IDOK);
    // Destroys the windows this one owns first (a tip open over it ends its modal loop), then
    // this one.
    bool DestroyWindow();

    // Centres on the owner when it is visible and not minimised, else on the monitor's work
    // area; kept inside the work area.
    void CenterWindow();
    void Minimize();
    void Restore();
    bool IsMinimized() const { return m_minimized; }
    bool IsMaximized() const { return false; }
    void BringToFront();
    void EnableWindow(bool enable);
    bool IsEnabled() const { return m_enabled; }
    void SetWindowText(std::wstring_view title);

    // Screen rectangle of the window (it has no frame, so it is also the client area).
    Rect GetWindowRect() const { return m_rect; }
    Size GetClientSize() const { return {m_rect.Width(), m_rect.Height()}; }
    void MoveWindow(const Rect& screenRect);
    void SetWindowPos(int x, int y);
    void ResizeClient(int width, int height);

    uint32_t GetStyle() const { return m_style; }
    void SetStyle(uint32_t style) { m_style = style; }
    uint32_t GetExStyle() const { return m_exStyle; }
    void SetExStyle(uint32_t exStyle) { m_exStyle = exStyle; }

    // The window's shape; none means the whole rectangle.
    void SetWindowRegion(std::optional<WindowRegion> region);
    const std::optional<WindowRegion>& GetWindowRegion() const { return m_region; }
    // The icon from PNG bytes; false when they are not a PNG image.
    bool SetIcon(const uint8_t* png, size_t size);
    // A layered window's picture (premultiplied ARGB, the window's size).
    void UpdateLayered(cairo_surface_t* image);

    // Window timers: WM_TIMER with the id every `periodMs` (10 ms to 2^31 - 1 ms).
    bool SetTimer(UINT id, UINT periodMs);
    bool KillTimer(UINT id);

    void Invalidate(const Rect& clientRect);
    void InvalidateAll() { Invalidate({0, 0, m_rect.Width(), m_rect.Height()}); }

    // Replaces the window procedure; the new one usually ends by calling the returned previous
    // one, which ends in HandleMessage.
    using WindowProcedure = std::function<LRESULT(UINT, WPARAM, LPARAM)>;
    WindowProcedure Subclass(WindowProcedure procedure);

    platform::NativeWindow GetNativeHandle() const;
    HostWindow* GetHostWindow() const { return m_host.get(); }
    // The host the window lives on (null before Create).
    Host* GetHost() const { return m_hostOwner; }

    // Host side: input (mouse, keys, WM_CLOSE requests) goes through PreTranslateMessage and
    // is dropped while the window is disabled; painting and geometry come as below.
    void DeliverInput(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnHostPaint(cairo_t* cr, const Rect& dirty);
    void OnHostMoved(const Rect& screenRect);
    void OnHostMinimized(bool minimized);
    void OnHostActivated(bool active);

protected:
    // The window procedure's own part; the default closes on WM_CLOSE (keeping wParam as the
    // result) and answers everything else with 0.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Input messages pass here first; true swallows one.
    virtual bool PreTranslateMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
        return false;
    }
    // The last call for a window, after it is destroyed.
    virtual void OnFinalMessage(HWND /*hwnd*/) {}

    UINT m_modalResult = 0;

private:
    static int OnTimer(void* data);
    void DestroyTimers();

    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    std::unique_ptr<HostWindow> m_host;
    Host* m_hostOwner = nullptr;
    WindowProcedure m_procedure;
    Rect m_rect;
    uint32_t m_style = 0;
    uint32_t m_exStyle = 0;
    bool m_visible = false;
    bool m_enabled = true;
    bool m_minimized = false;
    std::optional<WindowRegion> m_region;
    std::map<UINT, GSource*> m_timers;
};

}  // namespace toolkit
