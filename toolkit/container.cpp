#include "toolkit/container.h"

#include "toolkit/attribute_table.h"
#include "toolkit/attributes.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

const AttributeTable<CContainerUI>& Attributes() {
    static const AttributeTable<CContainerUI> table{
        {L"inset",
         [](CContainerUI& c, std::wstring_view v) {
             Rect r;
             if (ParseRect(v, &r)) c.SetInset(r);
         }},
        {L"childpadding",
         [](CContainerUI& c, std::wstring_view v) {
             int n = 0;
             if (ParseInt(v, &n)) c.SetChildPadding(n);
         }},
    };
    return table;
}

}  // namespace

CContainerUI::~CContainerUI() {
    // Children go first, while this container is still whole for their destructors.
    RemoveAll();
}

std::wstring_view CContainerUI::GetClass() const {
    return L"Container";
}

void* CContainerUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"Container")) return this;
    return CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (control == nullptr || index < 0 || index > GetCount()) return false;
    m_items.insert(m_items.begin() + index, std::unique_ptr<CControlUI>(control));
    control->SetWindowUi(GetWindowUi(), this);
    if (GetWindowUi() != nullptr) GetWindowUi()->InitControls(*control);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (it->get() != control) continue;
        std::unique_ptr<CControlUI> removed = std::move(*it);
        m_items.erase(it);
        removed.reset();
        NeedUpdate();
        return true;
    }
    return false;
}

void CContainerUI::RemoveAll() {
    while (!m_items.empty()) {
        std::unique_ptr<CControlUI> removed = std::move(m_items.back());
        m_items.pop_back();
    }
    NeedUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)].get() : nullptr;
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == control) return static_cast<int>(i);
    }
    return -1;
}

void CContainerUI::SetInset(const Rect& inset) {
    m_inset = inset;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    m_childPadding = padding;
    NeedUpdate();
}

void CContainerUI::SetWindowUi(WindowUi* ui, CControlUI* parent) {
    CControlUI::SetWindowUi(ui, parent);
    for (auto& item : m_items)
        item->SetWindowUi(ui, this);
}

void CContainerUI::ForEachControl(const std::function<void(CControlUI&)>& visit) {
    visit(*this);
    // By index: a visitor may add children, which must not invalidate the walk.
    for (size_t i = 0; i < m_items.size(); ++i)
        m_items[i]->ForEachControl(visit);
}

CControlUI* CContainerUI::FindControlAt(Point p) {
    if (!IsVisible() || !m_rect.Contains(p)) return nullptr;
    // Later children paint over earlier ones, so they are asked first.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (CControlUI* found = (*it)->FindControlAt(p)) return found;
    }
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::SetPos(const Rect& rect) {
    CControlUI::SetPos(rect);
    const Rect area = ContentRect();
    for (auto& item : m_items) {
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            PlaceFloating(*item, area);
        } else {
            item->SetPos(area.Deflate(item->GetPadding()));
        }
    }
}

void CContainerUI::PlaceFloating(CControlUI& child, const Rect& area) {
    const Rect& pos = child.GetFloatPos();
    const int width = child.GetFixedWidth() > 0 ? child.GetFixedWidth() : pos.Width();
    const int height = child.GetFixedHeight() > 0 ? child.GetFixedHeight() : pos.Height();
    const int left = area.left + pos.left;
    const int top = area.top + pos.top;
    child.SetPos({left, top, left + width, top + height});
}

void CContainerUI::DoPaint(cairo_t* cr, const Rect& dirty) {
    const Rect area = m_rect.Intersect(dirty);
    if (area.IsEmpty()) return;
    CControlUI::DoPaint(cr, dirty);
    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
    cairo_clip(cr);
    for (auto& item : m_items) {
        if (item->IsVisible()) item->DoPaint(cr, area);
    }
    cairo_restore(cr);
}

void CContainerUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Attributes().Apply(*this, name, value)) CControlUI::SetAttribute(name, value);
}

}  // namespace toolkit
