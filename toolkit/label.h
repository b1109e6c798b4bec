// CLabelUI: a control with text (font, colour, alignment, padding, wrapping) over its
// background.
#pragma once

#include "toolkit/control.h"
#include "toolkit/text_render.h"

namespace toolkit {

class CLabelUI : public CControlUI {
public:
    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    Color GetTextColor() const { return m_textColor; }
    void SetTextColor(Color color);
    void SetDisabledTextColor(Color color);
    // The id of one of the window's fonts; -1 for the window's default font.
    int GetFont() const { return m_font; }
    void SetFont(int id);
    // kText* flags.
    uint32_t GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(uint32_t style);
    const Rect& GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(const Rect& padding);
    void SetMultiLine(bool multiLine);

    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void PaintText(cairo_t* cr) override;
    // The colour the text is drawn in for the current state.
    virtual Color CurrentTextColor() const;
    Rect TextRect() const { return m_rect.Deflate(m_textPadding); }

private:
    Color m_textColor = 0xFF000000;
    Color m_disabledTextColor = 0xFFA7A6AA;
    int m_font = -1;
    uint32_t m_textStyle = kTextVCenter | kTextSingleLine;
    Rect m_textPadding;
};

}  // namespace toolkit
