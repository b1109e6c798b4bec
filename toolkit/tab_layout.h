// CTabLayoutUI: shows one child (page) at a time over the whole content area. The first page
// is selected until the markup's `selectedid` or SelectItem says otherwise; a change of page
// sends "tabselect" (wParam the new page, lParam the old one).
#pragma once

#include "toolkit/container.h"

namespace toolkit {

class CTabLayoutUI : public CContainerUI {
public:
    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    bool AddAt(CControlUI* control, int index) override;
    int GetCurSel() const { return m_current; }
    // False for an index outside the pages. Selecting the current page changes nothing.
    bool SelectItem(int index);
    bool SelectItem(CControlUI* page) { return SelectItem(GetItemIndex(page)); }

    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

private:
    int m_current = 0;
};

}  // namespace toolkit
