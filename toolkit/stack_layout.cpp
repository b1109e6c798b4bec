#include "toolkit/stack_layout.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "toolkit/attributes.h"

namespace toolkit {
namespace {

// One axis of a stack: `main` runs along the stack, `cross` across it. Written once for the
// vertical case; the horizontal layout swaps x and y on the way in and out.
struct Span {
    int start, end;
};
struct Box {
    Span main, cross;
};

struct StackItem {
    int fixedMain, fixedCross;
    Span paddingMain, paddingCross;  // before and after
};

std::vector<Box> Stack(const std::vector<StackItem>& items, Box area, int gap) {
    const int length = area.main.end - area.main.start;
    const int crossLength = area.cross.end - area.cross.start;
    int used = 0;
    int flexible = 0;
    for (const StackItem& item : items) {
        used += item.paddingMain.start + item.paddingMain.end;
        if (item.fixedMain > 0) {
            used += item.fixedMain;
        } else {
            ++flexible;
        }
    }
    if (!items.empty()) used += gap * static_cast<int>(items.size() - 1);
    const int remaining = std::max(0, length - used);
    const int share = flexible > 0 ? remaining / flexible : 0;
    int lastFlexible = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].fixedMain <= 0) lastFlexible = static_cast<int>(i);
    }

    std::vector<Box> boxes;
    int position = area.main.start;
    for (size_t i = 0; i < items.size(); ++i) {
        const StackItem& item = items[i];
        int size = item.fixedMain;
        if (size <= 0) {
            size = share + (static_cast<int>(i) == lastFlexible ? remaining - share * flexible : 0);
        }
        position += item.paddingMain.start;
        const int room = crossLength - item.paddingCross.start - item.paddingCross.end;
        const int cross =
            item.fixedCross > 0 ? std::min(item.fixedCross, std::max(room, 0)) : std::max(room, 0);
        const int crossStart = area.cross.start + item.paddingCross.start;
        boxes.push_back({{position, position + size}, {crossStart, crossStart + cross}});
        position += size + item.paddingMain.end + gap;
    }
    return boxes;
}

template <bool kVertical>
void LayOut(CContainerUI& container, const Rect& area,
            const std::function<void(CControlUI&)>& placeFloating) {
    std::vector<CControlUI*> stacked;
    std::vector<StackItem> items;
    for (int i = 0; i < container.GetCount(); ++i) {
        CControlUI* child = container.GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            placeFloating(*child);
            continue;
        }
        const Rect& p = child->GetPadding();
        stacked.push_back(child);
        if (kVertical) {
            items.push_back({child->GetFixedHeight(),
                             child->GetFixedWidth(),
                             {p.top, p.bottom},
                             {p.left, p.right}});
        } else {
            items.push_back({child->GetFixedWidth(),
                             child->GetFixedHeight(),
                             {p.left, p.right},
                             {p.top, p.bottom}});
        }
    }
    const Box box = kVertical ? Box{{area.top, area.bottom}, {area.left, area.right}}
                              : Box{{area.left, area.right}, {area.top, area.bottom}};
    const std::vector<Box> boxes = Stack(items, box, container.GetChildPadding());
    for (size_t i = 0; i < stacked.size(); ++i) {
        const Box& b = boxes[i];
        stacked[i]->SetPos(kVertical ? Rect{b.cross.start, b.main.start, b.cross.end, b.main.end}
                                     : Rect{b.main.start, b.cross.start, b.main.end, b.cross.end});
    }
}

}  // namespace

std::wstring_view CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"VerticalLayout")) return this;
    return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(const Rect& rect) {
    CControlUI::SetPos(rect);
    const Rect area = ContentRect();
    LayOut<true>(*this, area, [&](CControlUI& child) { PlaceFloating(child, area); });
}

std::wstring_view CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(std::wstring_view name) {
    if (EqualsNoCase(name, L"HorizontalLayout")) return this;
    return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const Rect& rect) {
    CControlUI::SetPos(rect);
    const Rect area = ContentRect();
    LayOut<false>(*this, area, [&](CControlUI& child) { PlaceFloating(child, area); });
}

}  // namespace toolkit
