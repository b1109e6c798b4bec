// The stacking layouts: CVerticalLayoutUI (top to bottom) and CHorizontalLayoutUI (left to
// right). Children with a fixed size along the stack keep it (plus their padding); the others
// share what remains equally, the last of them taking the odd pixels.
#pragma once

#include "toolkit/container.h"

namespace toolkit {

class CVerticalLayoutUI : public CContainerUI {
public:
    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
    void SetPos(const Rect& rect) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::wstring_view GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
    void SetPos(const Rect& rect) override;
};

}  // namespace toolkit
