// The offscreen host: windows paint into cairo image surfaces in memory, on a virtual monitor;
// nothing needs a display. Tests and tools drive it through offscreen_driver.h. UI thread.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "toolkit/host.h"

namespace toolkit {

class OffscreenHost final : public Host {
public:
    static OffscreenHost& Instance();

    std::unique_ptr<HostWindow> CreateHostWindow(CNativeWindow& window,
                                                 const HostWindowParams& params) override;
    Rect WorkArea() const override { return m_workArea; }
    void SetWorkArea(const Rect& area) { m_workArea = area; }
    bool SupportsLayeredWindows() const override { return true; }
    void SetClipboardText(const std::wstring& text) override { m_clipboard = text; }
    std::wstring GetClipboardText() override { return m_clipboard; }
    void OnModalLoop(CNativeWindow& window) override;

    // The next modal loop to start runs `answer` from inside the loop, with its window.
    void QueueModalAnswer(std::function<void(CNativeWindow&)> answer);
    // Drops the answers no modal loop took.
    void ForgetModalAnswers() { m_answers.clear(); }

private:
    Rect m_workArea{0, 0, 1920, 1040};
    std::wstring m_clipboard;
    std::deque<std::function<void(CNativeWindow&)>> m_answers;
};

// The offscreen side of one window; reachable through CNativeWindow::GetHostWindow().
class OffscreenWindow final : public HostWindow {
public:
    OffscreenWindow(CNativeWindow& window, const HostWindowParams& params);
    ~OffscreenWindow() override;

    void SetTitle(const std::wstring& title) override { m_title = title; }
    void Show(bool show, bool activate) override;
    void Move(const Rect& screenRect) override;
    void Invalidate(const Rect& clientRect) override;
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    void Minimize() override { m_minimized = true; }
    void Restore() override { m_minimized = false; }
    void BringToFront() override { ++m_raised; }
    void SetShape(const WindowRegion* /*region*/) override {}
    void SetIcon(cairo_surface_t* image) override;
    void SetModal(bool modal, HostWindow* owner) override;
    void SetLayeredContent(cairo_surface_t* image) override;

    // Paints what changed since the last call and returns the picture (owned here).
    cairo_surface_t* Render();
    const std::wstring& Title() const { return m_title; }
    bool IsShown() const { return m_shown; }
    bool IsActive() const { return m_active; }
    bool IsEnabled() const { return m_enabled; }
    bool IsModal() const { return m_modal; }
    HostWindow* ModalOwner() const { return m_owner; }
    int RaiseCount() const { return m_raised; }
    bool HasIcon() const { return m_icon != nullptr; }
    bool IsLayered() const { return m_layered; }

private:
    CNativeWindow& m_window;
    std::wstring m_title;
    Rect m_rect;
    Rect m_dirty;
    cairo_surface_t* m_surface = nullptr;
    cairo_surface_t* m_icon = nullptr;
    cairo_surface_t* m_layeredContent = nullptr;
    HostWindow* m_owner = nullptr;
    bool m_layered = false;
    bool m_shown = false;
    bool m_active = false;
    bool m_enabled = true;
    bool m_minimized = false;
    bool m_modal = false;
    int m_raised = 0;
};

}  // namespace toolkit
