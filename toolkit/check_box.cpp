#include "toolkit/check_box.h"

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/notify.h"
#include "toolkit/render.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

const AttributeTable<CCheckBoxUI>& Attributes() {
    static const AttributeTable<CCheckBoxUI> table{
        // Markup sets the initial state; nobody listens yet, so no notification.
        {L"selected", [](CCheckBoxUI& c, std::wstring_view v) { c.Selected(ParseBool(v), false); }},
        {L"selectedimage", [](CCheckBoxUI& c, std::wstring_view v) { c.SetSelectedImage(v); }},
        {L"selectedhotimage",
         [](CCheckBoxUI& c, std::wstring_view v) { c.SetSelectedHotImage(v); }},
        {L"selectedtextcolor",
         [](CCheckBoxUI& c, std::wstring_view v) {
             Color k = 0;
             if (ParseColor(v, &k)) c.SetSelectedTextColor(k);
         }},
        {L"selectedbkcolor",
         [](CCheckBoxUI& c, std::wstring_view v) {
             Color k = 0;
             if (ParseColor(v, &k)) c.SetSelectedBkColor(k);
         }},
    };
    return table;
}

}  // namespace

// Check boxes read as a box followed by its text, not as a centred caption.
CCheckBoxUI::CCheckBoxUI() {
    SetTextStyle(kTextLeft | kTextVCenter | kTextSingleLine);
}

std::wstring_view CCheckBoxUI::GetClass() const {
    return L"CheckBox";
}

void* CCheckBoxUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"CheckBox")) return this;
    return CButtonUI::GetInterface(name);
}

void CCheckBoxUI::Selected(bool selected, bool notify) {
    if (m_selected == selected) return;
    m_selected = selected;
    Invalidate();
    if (notify && GetWindowUi() != nullptr) GetWindowUi()->SendNotify(this, kNotifySelectChanged);
}

void CCheckBoxUI::SetSelectedImage(std::wstring_view image) {
    m_selectedImage.Set(image);
    Invalidate();
}

void CCheckBoxUI::SetSelectedHotImage(std::wstring_view image) {
    m_selectedHotImage.Set(image);
    Invalidate();
}

void CCheckBoxUI::Activate() {
    Selected(!m_selected);
    CButtonUI::Activate();
}

void CCheckBoxUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CButtonUI::SetAttribute(name, value);
}

void CCheckBoxUI::PaintBkColor(cairo_t* cr) {
    if (m_selected && m_selectedBkColor != 0) {
        FillRect(cr, m_rect, m_selectedBkColor);
    } else {
        CButtonUI::PaintBkColor(cr);
    }
}

void CCheckBoxUI::PaintStatusImage(cairo_t* cr) {
    if (m_selected && IsEnabledInTree()) {
        if (IsHot() && DrawImage(cr, m_selectedHotImage)) return;
        if (DrawImage(cr, m_selectedImage)) return;
    }
    CButtonUI::PaintStatusImage(cr);
}

Color CCheckBoxUI::CurrentTextColor() const {
    if (m_selected && m_selectedTextColor != 0 && IsEnabledInTree()) return m_selectedTextColor;
    return CButtonUI::CurrentTextColor();
}

}  // namespace toolkit
