// CControlUI: the base of every control. A control lives in one window's tree, owned by its
// parent container (or by the window for the root); the window lays it out, paints it and
// hands it input and timer events. UI thread only.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/control_event.h"
#include "toolkit/image_descriptor.h"
#include "toolkit/types.h"

namespace toolkit {

class WindowUi;

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // The class query: the markup element name this class is built from.
    virtual std::wstring_view GetClass() const;
    // The interface query: this control when it is (or derives from) the named class.
    virtual void* GetInterface(std::wstring_view name);

    const std::wstring& GetName() const { return m_name; }
    void SetName(std::wstring_view name) { m_name = name; }
    virtual std::wstring GetText() const { return m_text; }
    virtual void SetText(std::wstring_view text);
    // Takes the text from the string table's `id` now and whenever the window refreshes its
    // texts; -1 stops that.
    int GetTextId() const { return m_textId; }
    void SetTextId(int id);
    const std::wstring& GetUserData() const { return m_userData; }
    void SetUserData(std::wstring_view data) { m_userData = data; }
    const std::wstring& GetToolTip() const { return m_toolTip; }
    void SetToolTip(std::wstring_view tip) { m_toolTip = tip; }
    uintptr_t GetTag() const { return m_tag; }
    void SetTag(uintptr_t tag) { m_tag = tag; }

    // The WindowUi of the window whose tree the control is in; null outside one.
    WindowUi* GetWindowUi() const { return m_windowUi; }
    CControlUI* GetParent() const { return m_parent; }
    virtual void SetWindowUi(WindowUi* ui, CControlUI* parent);
    // Calls `visit` on this control and then on every descendant, in document order.
    virtual void ForEachControl(const std::function<void(CControlUI&)>& visit);
    // The deepest visible, mouse-enabled control at `p` (window coordinates), or null.
    virtual CControlUI* FindControlAt(Point p);

    // Layout. A fixed size of 0 means "flexible": the layout shares what remains.
    const Rect& GetPos() const { return m_rect; }
    virtual void SetPos(const Rect& rect);
    int GetFixedWidth() const { return m_fixed.cx; }
    void SetFixedWidth(int width);
    int GetFixedHeight() const { return m_fixed.cy; }
    void SetFixedHeight(int height);
    const Rect& GetPadding() const { return m_padding; }
    void SetPadding(const Rect& padding);
    bool IsFloat() const { return m_float; }
    void SetFloat(bool floating);
    // The `pos` attribute: the place inside the parent of a floating control, and the fixed
    // size of any control (right - left, bottom - top, where positive).
    const Rect& GetFloatPos() const { return m_floatPos; }
    void SetFloatPos(const Rect& pos);

    bool IsVisible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);
    // Enabled itself and in every ancestor.
    bool IsEnabledInTree() const;
    bool IsFocused() const { return m_focused; }
    void SetFocus();
    virtual bool IsFocusable() const { return false; }
    bool IsMouseEnabled() const { return m_mouseEnabled; }
    void SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
    // Whether a press on the control belongs to it even inside the window's caption area
    // (buttons, inputs); a press on anything else there drags the window.
    virtual bool IsClickable() const { return false; }

    Color GetBkColor() const { return m_bkColor; }
    void SetBkColor(Color color);
    void SetBorderColor(Color color);
    void SetFocusBorderColor(Color color);
    void SetBorderSize(int size);
    void SetBorderRound(Size round);
    const std::wstring& GetBkImage() const { return m_bkImage.Text(); }
    void SetBkImage(std::wstring_view image);

    // Called once the control is in a window's tree and the whole layout is built.
    virtual void DoInit() {}
    virtual void DoEvent(ControlEvent& event);
    // Applies one markup attribute; unknown names are ignored.
    virtual void SetAttribute(std::wstring_view name, std::wstring_view value);

    // Repaints the control's area.
    void Invalidate();
    // Lays the window out again before the next paint (size or visibility changed).
    void NeedUpdate();

    // Paints the control clipped to `dirty`: background colour and image, state image, text,
    // border.
    virtual void DoPaint(cairo_t* cr, const Rect& dirty);

protected:
    virtual void PaintBkColor(cairo_t* cr);
    virtual void PaintBkImage(cairo_t* cr);
    virtual void PaintStatusImage(cairo_t* /*cr*/) {}
    virtual void PaintText(cairo_t* /*cr*/) {}
    virtual void PaintBorder(cairo_t* cr);
    // Draws an image attribute inside the control; false when there is nothing to draw.
    bool DrawImage(cairo_t* cr, const ImageAttribute& image);

    std::wstring m_text;
    Rect m_rect;

private:
    friend class WindowUi;
    WindowUi* m_windowUi = nullptr;
    CControlUI* m_parent = nullptr;
    std::wstring m_name;
    int m_textId = -1;
    std::wstring m_userData;
    std::wstring m_toolTip;
    uintptr_t m_tag = 0;
    Size m_fixed;
    Rect m_padding;
    Rect m_floatPos;
    bool m_float = false;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_focused = false;
    bool m_mouseEnabled = true;
    Color m_bkColor = 0;
    Color m_borderColor = 0;
    Color m_focusBorderColor = 0;
    int m_borderSize = 0;
    Size m_borderRound;
    ImageAttribute m_bkImage;
};

}  // namespace toolkit
