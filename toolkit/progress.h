// CProgressUI: a horizontal bar from minimum to maximum (0 to 100 unless set); the fore image
// fills the part up to the value.
#pragma once

#include "toolkit/label.h"

namespace toolkit {

class CProgressUI : public CLabelUI {
public:
    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    int GetValue() const { return m_value; }
    // Clamped to minimum..maximum.
    void SetValue(int value);
    int GetMinValue() const { return m_min; }
    int GetMaxValue() const { return m_max; }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    const std::wstring& GetForeImage() const { return m_foreImage.Text(); }
    void SetForeImage(std::wstring_view image);

    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void PaintStatusImage(cairo_t* cr) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    ImageAttribute m_foreImage;
};

}  // namespace toolkit
