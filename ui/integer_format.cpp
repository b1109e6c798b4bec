#include "ui/integer_format.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace ui {
namespace {

// The conversion character of the pattern's one integer conversion; 0 when it has none,
// several, or any other conversion.
wchar_t IntegerConversion(std::wstring_view pattern) {
    wchar_t conversion = 0;
    int found = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != L'%') continue;
        ++i;
        if (i < pattern.size() && pattern[i] == L'%') continue;
        while (i < pattern.size() && std::wcschr(L"-+ 0#", pattern[i]) != nullptr)
            ++i;
        while (i < pattern.size() && std::iswdigit(pattern[i]))
            ++i;
        if (i < pattern.size() && pattern[i] == L'.') {
            ++i;
            while (i < pattern.size() && std::iswdigit(pattern[i]))
                ++i;
        }
        if (i >= pattern.size() || std::wcschr(L"diuxXo", pattern[i]) == nullptr) return 0;
        conversion = pattern[i];
        ++found;
    }
    return found == 1 ? conversion : 0;
}

}  // namespace

std::wstring FormatIntegerPattern(std::wstring_view pattern, uint32_t value, size_t bufferSize) {
    const wchar_t conversion = IntegerConversion(pattern);
    if (conversion == 0 || bufferSize == 0) return {};
    const std::wstring format(pattern);
    std::vector<wchar_t> buffer(bufferSize);
    int written = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    // Checked above: the pattern holds exactly one integer conversion.
    if (conversion == L'd' || conversion == L'i') {
        written =
            std::swprintf(buffer.data(), bufferSize, format.c_str(), static_cast<int32_t>(value));
    } else {
        written = std::swprintf(buffer.data(), bufferSize, format.c_str(), value);
    }
#pragma GCC diagnostic pop
    return written < 0 ? std::wstring() : std::wstring(buffer.data(), static_cast<size_t>(written));
}

}  // namespace ui
