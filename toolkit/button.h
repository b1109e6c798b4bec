// CButtonUI: a clickable label with images and colours for its states (normal, hot, pushed,
// focused, disabled). A press and release inside it, or Space or Enter while it has the focus,
// sends "click".
#pragma once

#include "toolkit/label.h"

namespace toolkit {

class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
    bool IsClickable() const override { return true; }
    bool IsFocusable() const override { return true; }

    void SetNormalImage(std::wstring_view image);
    void SetHotImage(std::wstring_view image);
    void SetPushedImage(std::wstring_view image);
    void SetFocusedImage(std::wstring_view image);
    void SetDisabledImage(std::wstring_view image);
    const std::wstring& GetNormalImage() const { return m_normalImage.Text(); }
    void SetHotTextColor(Color color) { m_hotTextColor = color; }
    void SetPushedTextColor(Color color) { m_pushedTextColor = color; }
    void SetFocusedTextColor(Color color) { m_focusedTextColor = color; }
    void SetHotBkColor(Color color) { m_hotBkColor = color; }
    void SetPushedBkColor(Color color) { m_pushedBkColor = color; }

    bool IsHot() const { return m_hot; }
    bool IsPushed() const { return m_pushed; }

    // What a click does: sends "click". Check boxes toggle first.
    virtual void Activate();

    void DoEvent(ControlEvent& event) override;
    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    Color CurrentTextColor() const override;
    // Draws `image`, or the normal image when it is empty or cannot be drawn.
    void DrawStateImage(cairo_t* cr, const ImageAttribute& image);

private:
    ImageAttribute m_normalImage;
    ImageAttribute m_hotImage;
    ImageAttribute m_pushedImage;
    ImageAttribute m_focusedImage;
    ImageAttribute m_disabledImage;
    Color m_hotTextColor = 0;
    Color m_pushedTextColor = 0;
    Color m_focusedTextColor = 0;
    Color m_hotBkColor = 0;
    Color m_pushedBkColor = 0;
    bool m_hot = false;
    bool m_pushed = false;    // pressed and the pointer is over it
    bool m_captured = false;  // pressed, wherever the pointer is
};

}  // namespace toolkit
