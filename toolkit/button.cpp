#include "toolkit/button.h"

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/messages.h"
#include "toolkit/notify.h"
#include "toolkit/render.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

using ColorSetter = void (CButtonUI::*)(Color);

template <ColorSetter kSetter>
void SetColor(CButtonUI& c, std::wstring_view v) {
    Color k = 0;
    if (ParseColor(v, &k)) (c.*kSetter)(k);
}

const AttributeTable<CButtonUI>& Attributes() {
    static const AttributeTable<CButtonUI> table{
        {L"normalimage", [](CButtonUI& c, std::wstring_view v) { c.SetNormalImage(v); }},
        {L"hotimage", [](CButtonUI& c, std::wstring_view v) { c.SetHotImage(v); }},
        {L"pushedimage", [](CButtonUI& c, std::wstring_view v) { c.SetPushedImage(v); }},
        {L"focusedimage", [](CButtonUI& c, std::wstring_view v) { c.SetFocusedImage(v); }},
        {L"disabledimage", [](CButtonUI& c, std::wstring_view v) { c.SetDisabledImage(v); }},
        {L"hottextcolor", SetColor<&CButtonUI::SetHotTextColor>},
        {L"pushedtextcolor", SetColor<&CButtonUI::SetPushedTextColor>},
        {L"focusedtextcolor", SetColor<&CButtonUI::SetFocusedTextColor>},
        {L"hotbkcolor", SetColor<&CButtonUI::SetHotBkColor>},
        {L"pushedbkcolor", SetColor<&CButtonUI::SetPushedBkColor>},
    };
    return table;
}

}  // namespace

CButtonUI::CButtonUI() {
    SetTextStyle(kTextCenter | kTextVCenter | kTextSingleLine);
}

std::wstring_view CButtonUI::GetClass() const {
    return L"Button";
}

void* CButtonUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"Button")) return this;
    return CLabelUI::GetInterface(name);
}

void CButtonUI::SetNormalImage(std::wstring_view image) {
    m_normalImage.Set(image);
    Invalidate();
}

void CButtonUI::SetHotImage(std::wstring_view image) {
    m_hotImage.Set(image);
    Invalidate();
}

void CButtonUI::SetPushedImage(std::wstring_view image) {
    m_pushedImage.Set(image);
    Invalidate();
}

void CButtonUI::SetFocusedImage(std::wstring_view image) {
    m_focusedImage.Set(image);
    Invalidate();
}

void CButtonUI::SetDisabledImage(std::wstring_view image) {
    m_disabledImage.Set(image);
    Invalidate();
}

void CButtonUI::Activate() {
    if (GetWindowUi() != nullptr) GetWindowUi()->SendNotify(this, kNotifyClick);
}

void CButtonUI::DoEvent(ControlEvent& event) {
    switch (event.type) {
        case EventType::kMouseEnter:
            m_hot = true;
            Invalidate();
            break;
        case EventType::kMouseLeave:
            m_hot = false;
            Invalidate();
            break;
        case EventType::kButtonDown:
        case EventType::kDoubleClick:
            if (IsEnabledInTree()) {
                m_captured = true;
                m_pushed = true;
                Invalidate();
            }
            break;
        case EventType::kMouseMove:
            if (m_captured && m_pushed != m_rect.Contains(event.mouse)) {
                m_pushed = !m_pushed;
                Invalidate();
            }
            break;
        case EventType::kButtonUp:
            if (m_captured) {
                const bool inside = m_rect.Contains(event.mouse);
                m_captured = false;
                m_pushed = false;
                Invalidate();
                if (inside && IsEnabledInTree()) Activate();
            }
            break;
        case EventType::kKeyDown:
            if ((event.key == VK_SPACE || event.key == VK_RETURN) && IsEnabledInTree()) Activate();
            break;
        default:
            CLabelUI::DoEvent(event);
            break;
    }
}

void CButtonUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CLabelUI::SetAttribute(name, value);
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
    if (m_pushed && m_pushedBkColor != 0) {
        FillRect(cr, m_rect, m_pushedBkColor);
    } else if (m_hot && m_hotBkColor != 0) {
        FillRect(cr, m_rect, m_hotBkColor);
    } else {
        CLabelUI::PaintBkColor(cr);
    }
}

void CButtonUI::DrawStateImage(cairo_t* cr, const ImageAttribute& image) {
    if (&image != &m_normalImage && DrawImage(cr, image)) return;
    DrawImage(cr, m_normalImage);
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
    if (!IsEnabledInTree()) {
        DrawStateImage(cr, m_disabledImage);
    } else if (m_pushed) {
        DrawStateImage(cr, m_pushedImage);
    } else if (m_hot) {
        DrawStateImage(cr, m_hotImage);
    } else if (IsFocused() && m_focusedImage.Get() != nullptr) {
        DrawStateImage(cr, m_focusedImage);
    } else {
        DrawStateImage(cr, m_normalImage);
    }
}

Color CButtonUI::CurrentTextColor() const {
    if (IsEnabledInTree()) {
        if (m_pushed && m_pushedTextColor != 0) return m_pushedTextColor;
        if (m_hot && m_hotTextColor != 0) return m_hotTextColor;
        if (IsFocused() && m_focusedTextColor != 0) return m_focusedTextColor;
    }
    return CLabelUI::CurrentTextColor();
}

}  // namespace toolkit
