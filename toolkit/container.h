// CContainerUI: a control that owns child controls and paints them over itself. The stacking
// layouts and the tab layout derive from it; it places floating children itself.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/control.h"

namespace toolkit {

class CContainerUI : public CControlUI {
public:
    ~CContainerUI() override;

    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    // Takes ownership of `control` and appends it (or inserts it at `index`).
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    // Destroys `control` when it is a child of this container.
    bool Remove(CControlUI* control);
    void RemoveAll();
    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(const CControlUI* control) const;

    // Inner margin between the container's edge and its children.
    const Rect& GetInset() const { return m_inset; }
    void SetInset(const Rect& inset);
    // Gap between stacked children.
    int GetChildPadding() const { return m_childPadding; }
    void SetChildPadding(int padding);

    void SetWindowUi(WindowUi* ui, CControlUI* parent) override;
    void ForEachControl(const std::function<void(CControlUI&)>& visit) override;
    CControlUI* FindControlAt(Point p) override;
    void SetPos(const Rect& rect) override;
    void DoPaint(cairo_t* cr, const Rect& dirty) override;
    void SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    // The area children are laid out in.
    Rect ContentRect() const { return m_rect.Deflate(m_inset); }
    // Places a floating child at its `pos` relative to the content area's top-left corner.
    void PlaceFloating(CControlUI& child, const Rect& area);

    std::vector<std::unique_ptr<CControlUI>> m_items;

private:
    Rect m_inset;
    int m_childPadding = 0;
};

}  // namespace toolkit
