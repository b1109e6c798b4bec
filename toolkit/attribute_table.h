// The markup attributes one control class accepts, each next to the setter it calls. Every
// class keeps one table in its own .cpp and hands unknown names to its base class.
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace toolkit {

template <typename Control>
class AttributeTable {
public:
    using Setter = void (*)(Control&, std::wstring_view value);

    AttributeTable(std::initializer_list<std::pair<std::wstring_view, Setter>> rows)
        : m_rows(rows) {}

    // Calls the setter registered for `name` (matched exactly); false when there is none.
    bool Apply(Control& control, std::wstring_view name, std::wstring_view value) const {
        for (const auto& [key, setter] : m_rows) {
            if (key == name) {
                setter(control, value);
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::pair<std::wstring_view, Setter>> m_rows;
};

}  // namespace toolkit
