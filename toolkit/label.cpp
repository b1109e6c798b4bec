#include "toolkit/label.h"

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

constexpr uint32_t kHorizontal = kTextCenter | kTextRight;
constexpr uint32_t kVertical = kTextVCenter | kTextBottom;

const AttributeTable<CLabelUI>& Attributes() {
    static const AttributeTable<CLabelUI> table{
        {L"align",
         [](CLabelUI& c, std::wstring_view v) {
             uint32_t style = c.GetTextStyle() & ~kHorizontal;
             if (v == L"center") style |= kTextCenter;
             if (v == L"right") style |= kTextRight;
             c.SetTextStyle(style);
         }},
        {L"valign",
         [](CLabelUI& c, std::wstring_view v) {
             uint32_t style = c.GetTextStyle() & ~kVertical;
             if (v == L"center" || v == L"vcenter") style |= kTextVCenter;
             if (v == L"bottom") style |= kTextBottom;
             c.SetTextStyle(style);
         }},
        {L"endellipsis",
         [](CLabelUI& c, std::wstring_view v) {
             c.SetTextStyle(ParseBool(v) ? c.GetTextStyle() | kTextEndEllipsis
                                         : c.GetTextStyle() & ~kTextEndEllipsis);
         }},
        {L"multiline", [](CLabelUI& c, std::wstring_view v) { c.SetMultiLine(ParseBool(v)); }},
        {L"font",
         [](CLabelUI& c, std::wstring_view v) {
             int id = 0;
             if (ParseInt(v, &id)) c.SetFont(id);
         }},
        {L"textcolor",
         [](CLabelUI& c, std::wstring_view v) {
             Color k = 0;
             if (ParseColor(v, &k)) c.SetTextColor(k);
         }},
        {L"disabledtextcolor",
         [](CLabelUI& c, std::wstring_view v) {
             Color k = 0;
             if (ParseColor(v, &k)) c.SetDisabledTextColor(k);
         }},
        {L"textpadding",
         [](CLabelUI& c, std::wstring_view v) {
             Rect r;
             if (ParseRect(v, &r)) c.SetTextPadding(r);
         }},
    };
    return table;
}

}  // namespace

std::wstring_view CLabelUI::GetClass() const {
    return L"Label";
}

void* CLabelUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"Label")) return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::SetTextColor(Color color) {
    m_textColor = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(Color color) {
    m_disabledTextColor = color;
    Invalidate();
}

void CLabelUI::SetFont(int id) {
    m_font = id;
    Invalidate();
}

void CLabelUI::SetTextStyle(uint32_t style) {
    m_textStyle = style;
    Invalidate();
}

void CLabelUI::SetTextPadding(const Rect& padding) {
    m_textPadding = padding;
    Invalidate();
}

void CLabelUI::SetMultiLine(bool multiLine) {
    SetTextStyle(multiLine ? (m_textStyle & ~kTextSingleLine) | kTextWordBreak
                           : (m_textStyle & ~kTextWordBreak) | kTextSingleLine);
}

void CLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CControlUI::SetAttribute(name, value);
}

Color CLabelUI::CurrentTextColor() const {
    return IsEnabledInTree() ? m_textColor : m_disabledTextColor;
}

void CLabelUI::PaintText(cairo_t* cr) {
    if (m_text.empty() || GetWindowUi() == nullptr) return;
    DrawText(cr, TextRect(), m_text, CurrentTextColor(), GetWindowUi()->GetFont(m_font),
             m_textStyle);
}

}  // namespace toolkit
