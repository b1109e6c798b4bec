// CCheckBoxUI: a button with a selected state. A click toggles the state, which sends
// "selectchanged", and then sends "click" like any button.
#pragma once

#include "toolkit/button.h"

namespace toolkit {

class CCheckBoxUI : public CButtonUI {
public:
    CCheckBoxUI();

    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    bool IsSelected() const { return m_selected; }
    // Changes the state; "selectchanged" goes out when it changed and `notify` is true.
    void Selected(bool selected, bool notify = true);
    void SetSelectedImage(std::wstring_view image);
    void SetSelectedHotImage(std::wstring_view image);
    void SetSelectedTextColor(Color color) { m_selectedTextColor = color; }
    void SetSelectedBkColor(Color color) { m_selectedBkColor = color; }

    void Activate() override;
    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    Color CurrentTextColor() const override;

private:
    bool m_selected = false;
    ImageAttribute m_selectedImage;
    ImageAttribute m_selectedHotImage;
    Color m_selectedTextColor = 0;
    Color m_selectedBkColor = 0;
};

}  // namespace toolkit
