// CShadowWindow: the soft drop shadow of a skinned window, drawn by a companion translucent
// window that follows its parent: it moves, resizes, shows and hides with it, through a
// subclass of the parent's window procedure. Owned by the parent's frame and destroyed with the
// parent window. UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/image_cache.h"
#include "toolkit/native_window.h"
#include "ui/shadow_bits.h"

namespace ui {

class CShadowWindow {
public:
    // Status flags.
    static constexpr uint8_t kEnabled = 1;
    static constexpr uint8_t kVisible = 2;
    static constexpr uint8_t kParentVisible = 4;

    // Once per process, before the first window: whether the host can show translucent
    // windows (a screen without a compositor cannot). Without that no shadow is ever made.
    static bool Initialize();

    CShadowWindow();
    ~CShadowWindow();
    CShadowWindow(const CShadowWindow&) = delete;
    CShadowWindow& operator=(const CShadowWindow&) = delete;

    // Makes the shadow window for `parent` and starts following it; nothing when Initialize
    // found no translucent windows.
    void Create(toolkit::CNativeWindow& parent);

    // Each setter refuses a value outside its limits (false, nothing changes); otherwise it
    // stores the value and redraws a visible shadow.
    bool SetSize(int size);            // -20 to 20
    bool SetSharpness(int sharpness);  // 0 to 20
    bool SetDarkness(int darkness);    // 0 to 255
    bool SetPosition(int x, int y);    // -20 to 20 each
    bool SetColor(uint32_t colorref);  // red in the lowest byte; the top byte is ignored
    // Draws an image around the parent instead of the computed shadow: the image stretched as
    // a nine-grid over the parent grown by `margin`, its corners margin + `holeOffset` wide,
    // the centre left out. False (keeping any earlier image) when it cannot be loaded.
    bool SetImage(std::wstring_view name, const toolkit::Rect& margin,
                  const toolkit::Rect& holeOffset);

    // The shadow window while it exists, else null.
    toolkit::CNativeWindow* GetShadowWindow() const;
    uint8_t GetStatus() const { return m_status; }
    const ShadowShape& GetShape() const { return m_shape; }

private:
    class Window;

    void OnParentMessage(toolkit::CNativeWindow& parent, toolkit::UINT msg, toolkit::WPARAM wParam,
                         toolkit::LPARAM lParam);
    void Redraw(toolkit::CNativeWindow& parent);
    toolkit::Rect ShadowRect(const toolkit::Rect& parent) const;
    void RedrawIfVisible();

    std::unique_ptr<Window> m_window;
    toolkit::HWND m_parent = nullptr;
    uint8_t m_status = 0;
    ShadowShape m_shape;
    toolkit::Size m_lastParentSize;
    bool m_updatePending = false;
    std::shared_ptr<const toolkit::Image> m_image;
    toolkit::Rect m_imageMargin;
    toolkit::Rect m_holeOffset;
};

}  // namespace ui
