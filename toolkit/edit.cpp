#include "toolkit/edit.h"

#include <algorithm>

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/keyboard.h"
#include "toolkit/messages.h"
#include "toolkit/notify.h"
#include "toolkit/render.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

constexpr Color kSelectionColor = 0xFF3399FF;
constexpr Color kSelectedTextColor = 0xFFFFFFFF;

const AttributeTable<CEditUI>& Attributes() {
    static const AttributeTable<CEditUI> table{
        {L"maxchar",
         [](CEditUI& c, std::wstring_view v) {
             int n = 0;
             if (ParseInt(v, &n) && n >= 0) c.SetMaxChar(static_cast<size_t>(n));
         }},
        {L"readonly", [](CEditUI& c, std::wstring_view v) { c.SetReadOnly(ParseBool(v)); }},
        {L"password", [](CEditUI& c, std::wstring_view v) { c.SetPasswordMode(ParseBool(v)); }},
        {L"nativebkcolor",
         [](CEditUI& c, std::wstring_view v) {
             Color k = 0;
             if (ParseColor(v, &k)) c.SetNativeBkColor(k);
         }},
    };
    return table;
}

}  // namespace

CEditUI::CEditUI() {
    SetTextStyle(kTextLeft | kTextVCenter | kTextSingleLine);
}

std::wstring_view CEditUI::GetClass() const {
    return L"Edit";
}

void* CEditUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"Edit")) return this;
    return CLabelUI::GetInterface(name);
}

void CEditUI::SetText(std::wstring_view text) {
    if (m_state.Text() == text) return;
    m_state.SetText(text);
    m_text = m_state.Text();
    Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
    m_password = password;
    Invalidate();
}

void CEditUI::SetSelection(size_t start, size_t end) {
    m_state.MoveTo(start, false);
    m_state.MoveTo(end, true);
    Invalidate();
}

std::wstring CEditUI::DisplayText() const {
    return m_password ? std::wstring(m_state.Text().size(), L'*') : m_state.Text();
}

size_t CEditUI::IndexAt(Point p) const {
    if (GetWindowUi() == nullptr) return 0;
    TextLine line(GetWindowUi()->GetFont(GetFont()), DisplayText());
    return line.IndexAtX(p.x - TextRect().left + m_scroll);
}

void CEditUI::Changed() {
    m_text = m_state.Text();
    Invalidate();
    if (GetWindowUi() != nullptr) GetWindowUi()->SendNotify(this, kNotifyTextChanged);
}

void CEditUI::KeyDown(UINT key) {
    const bool shift = IsKeyDown(VK_SHIFT);
    const bool control = IsKeyDown(VK_CONTROL);
    WindowUi* ui = GetWindowUi();
    switch (key) {
        case VK_LEFT:
            m_state.MoveLeft(shift);
            break;
        case VK_RIGHT:
            m_state.MoveRight(shift);
            break;
        case VK_HOME:
            m_state.MoveTo(0, shift);
            break;
        case VK_END:
            m_state.MoveTo(m_state.Text().size(), shift);
            break;
        case VK_BACK:
            if (!m_readOnly && m_state.Backspace()) Changed();
            break;
        case VK_DELETE:
            if (!m_readOnly && m_state.Delete()) Changed();
            break;
        case VK_RETURN:
            if (ui != nullptr) ui->SendNotify(this, kNotifyReturn);
            break;
        default:
            if (!control || ui == nullptr) return;
            if (key == 'A') {
                m_state.SelectAll();
            } else if ((key == 'C' || key == 'X') && m_state.HasSelection() && !m_password) {
                ui->SetClipboardText(m_state.SelectedText());
                if (key == 'X' && !m_readOnly && m_state.DeleteSelection()) Changed();
            } else if (key == 'V' && !m_readOnly) {
                if (m_state.Insert(ui->GetClipboardText(), m_maxChar)) Changed();
            }
            break;
    }
    Invalidate();
}

void CEditUI::DoEvent(ControlEvent& event) {
    switch (event.type) {
        case EventType::kButtonDown:
            if (!IsEnabledInTree()) break;
            m_state.MoveTo(IndexAt(event.mouse), IsKeyDown(VK_SHIFT));
            m_selecting = true;
            Invalidate();
            break;
        case EventType::kDoubleClick:
            m_state.SelectAll();
            Invalidate();
            break;
        case EventType::kMouseMove:
            if (m_selecting) {
                m_state.MoveTo(IndexAt(event.mouse), true);
                Invalidate();
            }
            break;
        case EventType::kButtonUp:
            m_selecting = false;
            break;
        case EventType::kKeyDown:
            if (IsEnabledInTree()) KeyDown(event.key);
            break;
        case EventType::kChar:
            if (IsEnabledInTree() && !m_readOnly && !IsKeyDown(VK_CONTROL)) {
                const wchar_t c = static_cast<wchar_t>(event.key);
                if (m_state.Insert(std::wstring_view(&c, 1), m_maxChar)) Changed();
            }
            break;
        case EventType::kKillFocus:
            m_selecting = false;
            m_state.MoveTo(m_state.Caret(), false);
            CLabelUI::DoEvent(event);
            break;
        default:
            CLabelUI::DoEvent(event);
            break;
    }
}

void CEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CLabelUI::SetAttribute(name, value);
}

void CEditUI::PaintText(cairo_t* cr) {
    if (GetWindowUi() == nullptr) return;
    const Rect area = TextRect();
    if (area.IsEmpty()) return;
    TextLine line(GetWindowUi()->GetFont(GetFont()), DisplayText());
    const int caretX = line.XOfIndex(m_state.Caret());
    // Scroll just enough to keep the caret inside the visible part.
    if (caretX - m_scroll > area.Width() - 1) m_scroll = caretX - area.Width() + 1;
    if (caretX < m_scroll) m_scroll = caretX;
    m_scroll = std::max(0, std::min(m_scroll, std::max(0, line.Width() - area.Width() + 1)));
    const int x = area.left - m_scroll;
    const int y = area.top + (area.Height() - line.Height()) / 2;

    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
    cairo_clip(cr);
    const Color textColor = CurrentTextColor();
    line.Draw(cr, x, y, textColor);
    if (IsFocused() && m_state.HasSelection()) {
        const auto [start, end] = m_state.Selection();
        const int left = x + line.XOfIndex(start);
        const int right = x + line.XOfIndex(end);
        const Rect band{left, y, right, y + line.Height()};
        FillRect(cr, band, kSelectionColor);
        cairo_save(cr);
        cairo_rectangle(cr, band.left, band.top, band.Width(), band.Height());
        cairo_clip(cr);
        line.Draw(cr, x, y, kSelectedTextColor);
        cairo_restore(cr);
    }
    if (IsFocused() && !m_readOnly) {
        FillRect(cr, {x + caretX, y, x + caretX + 1, y + line.Height()}, textColor | 0xFF000000u);
    }
    cairo_restore(cr);
}

}  // namespace toolkit
