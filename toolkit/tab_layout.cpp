#include "toolkit/tab_layout.h"

#include "toolkit/attributes.h"
#include "toolkit/notify.h"
#include "toolkit/window_ui.h"

namespace toolkit {

std::wstring_view CTabLayoutUI::GetClass() const {
    return L"TabLayout";
}

void* CTabLayoutUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"TabLayout")) return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    for (int i = 0; i < GetCount(); ++i)
        GetItemAt(i)->SetVisible(i == m_current);
    return true;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_current) return true;
    const int old = m_current;
    m_current = index;
    for (int i = 0; i < GetCount(); ++i)
        GetItemAt(i)->SetVisible(i == m_current);
    NeedUpdate();
    if (GetWindowUi() != nullptr) {
        GetWindowUi()->SendNotify(this, kNotifyTabSelect, static_cast<WPARAM>(m_current),
                                  static_cast<LPARAM>(old));
    }
    return true;
}

void CTabLayoutUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"selectedid") {
        int index = 0;
        if (!ParseInt(value, &index) || index < 0) return;
        // Before the pages exist the index is remembered; AddAt shows the right one.
        if (index < GetCount()) {
            SelectItem(index);
        } else {
            m_current = index;
        }
        return;
    }
    CContainerUI::SetAttribute(name, value);
}

}  // namespace toolkit
