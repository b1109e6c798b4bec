#include "toolkit/progress.h"

#include <algorithm>

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/render.h"

namespace toolkit {
namespace {

template <void (CProgressUI::*kSetter)(int)>
void SetNumber(CProgressUI& c, std::wstring_view v) {
    int n = 0;
    if (ParseInt(v, &n)) (c.*kSetter)(n);
}

const AttributeTable<CProgressUI>& Attributes() {
    static const AttributeTable<CProgressUI> table{
        {L"foreimage", [](CProgressUI& c, std::wstring_view v) { c.SetForeImage(v); }},
        {L"min", SetNumber<&CProgressUI::SetMinValue>},
        {L"max", SetNumber<&CProgressUI::SetMaxValue>},
        {L"value", SetNumber<&CProgressUI::SetValue>},
    };
    return table;
}

}  // namespace

std::wstring_view CProgressUI::GetClass() const {
    return L"Progress";
}

void* CProgressUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"Progress")) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetValue(int value) {
    value = std::clamp(value, m_min, std::max(m_min, m_max));
    if (value == m_value) return;
    m_value = value;
    Invalidate();
}

void CProgressUI::SetMinValue(int value) {
    m_min = value;
    SetValue(m_value);
    Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
    m_max = value;
    SetValue(m_value);
    Invalidate();
}

void CProgressUI::SetForeImage(std::wstring_view image) {
    m_foreImage.Set(image);
    Invalidate();
}

void CProgressUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
    const ImageDescriptor* fore = m_foreImage.Get();
    if (fore == nullptr || m_max <= m_min) return;
    const int filled = static_cast<int>(static_cast<int64_t>(m_rect.Width()) * (m_value - m_min) /
                                        (m_max - m_min));
    if (filled <= 0) return;
    toolkit::DrawImage(cr, {m_rect.left, m_rect.top, m_rect.left + filled, m_rect.bottom}, *fore);
}

}  // namespace toolkit
