#include "toolkit/control.h"

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/render.h"
#include "toolkit/string_table.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

template <void (CControlUI::*kSetter)(Color)>
void SetColor(CControlUI& c, std::wstring_view v) {
    Color k = 0;
    if (ParseColor(v, &k)) (c.*kSetter)(k);
}

const AttributeTable<CControlUI>& Attributes() {
    static const AttributeTable<CControlUI> table{
        {L"name", [](CControlUI& c, std::wstring_view v) { c.SetName(v); }},
        {L"text", [](CControlUI& c, std::wstring_view v) { c.SetText(v); }},
        {L"textid",
         [](CControlUI& c, std::wstring_view v) {
             int id = 0;
             if (ParseInt(v, &id)) c.SetTextId(id);
         }},
        {L"userdata", [](CControlUI& c, std::wstring_view v) { c.SetUserData(v); }},
        {L"tooltip", [](CControlUI& c, std::wstring_view v) { c.SetToolTip(v); }},
        {L"width",
         [](CControlUI& c, std::wstring_view v) {
             int n = 0;
             if (ParseInt(v, &n)) c.SetFixedWidth(n);
         }},
        {L"height",
         [](CControlUI& c, std::wstring_view v) {
             int n = 0;
             if (ParseInt(v, &n)) c.SetFixedHeight(n);
         }},
        {L"pos",
         [](CControlUI& c, std::wstring_view v) {
             Rect r;
             if (ParseRect(v, &r)) c.SetFloatPos(r);
         }},
        {L"float", [](CControlUI& c, std::wstring_view v) { c.SetFloat(ParseBool(v)); }},
        {L"padding",
         [](CControlUI& c, std::wstring_view v) {
             Rect r;
             if (ParseRect(v, &r)) c.SetPadding(r);
         }},
        {L"visible", [](CControlUI& c, std::wstring_view v) { c.SetVisible(ParseBool(v)); }},
        {L"enabled", [](CControlUI& c, std::wstring_view v) { c.SetEnabled(ParseBool(v)); }},
        {L"mouse", [](CControlUI& c, std::wstring_view v) { c.SetMouseEnabled(ParseBool(v)); }},
        {L"bkcolor", SetColor<&CControlUI::SetBkColor>},
        {L"bordercolor", SetColor<&CControlUI::SetBorderColor>},
        {L"focusbordercolor", SetColor<&CControlUI::SetFocusBorderColor>},
        {L"bordersize",
         [](CControlUI& c, std::wstring_view v) {
             int n = 0;
             if (ParseInt(v, &n)) c.SetBorderSize(n);
         }},
        {L"borderround",
         [](CControlUI& c, std::wstring_view v) {
             Size s;
             if (ParseSize(v, &s)) c.SetBorderRound(s);
         }},
        {L"bkimage", [](CControlUI& c, std::wstring_view v) { c.SetBkImage(v); }},
    };
    return table;
}

}  // namespace

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_windowUi != nullptr) m_windowUi->OnControlDestroyed(this);
}

std::wstring_view CControlUI::GetClass() const {
    return L"Control";
}

void* CControlUI::GetInterface(std::wstring_view name) {
    return EqualsNoCase(name, L"Control") ? this : nullptr;
}

void CControlUI::SetText(std::wstring_view text) {
    if (m_text == text) return;
    m_text = text;
    Invalidate();
}

void CControlUI::SetTextId(int id) {
    m_textId = id;
    std::wstring text;
    if (id >= 0 && StringTable::Get(id, &text)) SetText(text);
}

void CControlUI::SetWindowUi(WindowUi* ui, CControlUI* parent) {
    m_windowUi = ui;
    m_parent = parent;
}

void CControlUI::ForEachControl(const std::function<void(CControlUI&)>& visit) {
    visit(*this);
}

CControlUI* CControlUI::FindControlAt(Point p) {
    if (!m_visible || !m_mouseEnabled || !m_rect.Contains(p)) return nullptr;
    return this;
}

void CControlUI::SetPos(const Rect& rect) {
    if (m_rect == rect) return;
    Invalidate();
    m_rect = rect;
    Invalidate();
}

void CControlUI::SetFixedWidth(int width) {
    if (width < 0 || m_fixed.cx == width) return;
    m_fixed.cx = width;
    NeedUpdate();
}

void CControlUI::SetFixedHeight(int height) {
    if (height < 0 || m_fixed.cy == height) return;
    m_fixed.cy = height;
    NeedUpdate();
}

void CControlUI::SetPadding(const Rect& padding) {
    m_padding = padding;
    NeedUpdate();
}

void CControlUI::SetFloat(bool floating) {
    m_float = floating;
    NeedUpdate();
}

void CControlUI::SetFloatPos(const Rect& pos) {
    m_floatPos = pos;
    if (pos.Width() > 0) m_fixed.cx = pos.Width();
    if (pos.Height() > 0) m_fixed.cy = pos.Height();
    NeedUpdate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    if (!visible && m_windowUi != nullptr) m_windowUi->OnControlHidden(this);
    NeedUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    if (!enabled && m_windowUi != nullptr) m_windowUi->OnControlHidden(this);
    Invalidate();
}

bool CControlUI::IsEnabledInTree() const {
    for (const CControlUI* c = this; c != nullptr; c = c->m_parent) {
        if (!c->m_enabled) return false;
    }
    return true;
}

void CControlUI::SetFocus() {
    if (m_windowUi != nullptr) m_windowUi->SetFocus(this);
}

void CControlUI::SetBkColor(Color color) {
    m_bkColor = color;
    Invalidate();
}

void CControlUI::SetBorderColor(Color color) {
    m_borderColor = color;
    Invalidate();
}

void CControlUI::SetFocusBorderColor(Color color) {
    m_focusBorderColor = color;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    m_borderSize = size;
    Invalidate();
}

void CControlUI::SetBorderRound(Size round) {
    m_borderRound = round;
    Invalidate();
}

void CControlUI::SetBkImage(std::wstring_view image) {
    if (m_bkImage.Text() == image) return;
    m_bkImage.Set(image);
    Invalidate();
}

void CControlUI::DoEvent(ControlEvent& event) {
    if (event.type == EventType::kSetFocus || event.type == EventType::kKillFocus) {
        m_focused = event.type == EventType::kSetFocus;
        Invalidate();
    }
}

void CControlUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    Attributes().Apply(*this, name, value);
}

void CControlUI::Invalidate() {
    if (m_windowUi != nullptr && !m_rect.IsEmpty()) m_windowUi->Invalidate(m_rect);
}

void CControlUI::NeedUpdate() {
    if (m_windowUi != nullptr) m_windowUi->NeedUpdate();
}

void CControlUI::DoPaint(cairo_t* cr, const Rect& dirty) {
    const Rect area = m_rect.Intersect(dirty);
    if (area.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
    cairo_clip(cr);
    if (m_borderRound.cx > 0 && m_borderRound.cy > 0) {
        AddRoundRectPath(cr, m_rect, m_borderRound);
        cairo_clip(cr);
    }
    PaintBkColor(cr);
    PaintBkImage(cr);
    PaintStatusImage(cr);
    PaintText(cr);
    PaintBorder(cr);
    cairo_restore(cr);
}

void CControlUI::PaintBkColor(cairo_t* cr) {
    FillRect(cr, m_rect, m_bkColor);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
    DrawImage(cr, m_bkImage);
}

void CControlUI::PaintBorder(cairo_t* cr) {
    const Color color = (m_focused && m_focusBorderColor != 0) ? m_focusBorderColor : m_borderColor;
    if (m_borderSize <= 0) return;
    if (m_borderRound.cx > 0 && m_borderRound.cy > 0) {
        DrawRoundBorder(cr, m_rect, m_borderSize, m_borderRound, color);
    } else {
        DrawBorder(cr, m_rect, m_borderSize, color);
    }
}

bool CControlUI::DrawImage(cairo_t* cr, const ImageAttribute& image) {
    const ImageDescriptor* descriptor = image.Get();
    return descriptor != nullptr && toolkit::DrawImage(cr, m_rect, *descriptor);
}

}  // namespace toolkit
