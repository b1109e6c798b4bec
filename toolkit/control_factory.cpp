#include "toolkit/control_factory.h"

#include "toolkit/attributes.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/progress.h"
#include "toolkit/stack_layout.h"
#include "toolkit/tab_layout.h"

namespace toolkit {
namespace {

template <typename T>
CControlUI* Make() {
    return new T();
}

struct Builtin {
    std::wstring_view name;
    CControlUI* (*make)();
};

constexpr Builtin kBuiltins[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
    {L"Label", Make<CLabelUI>},
    {L"Button", Make<CButtonUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"Edit", Make<CEditUI>},
    {L"Progress", Make<CProgressUI>},
};

}  // namespace

CControlUI* CreateBuiltinControl(std::wstring_view className) {
    for (const Builtin& builtin : kBuiltins) {
        if (EqualsNoCase(builtin.name, className)) return builtin.make();
    }
    return nullptr;
}

}  // namespace toolkit
