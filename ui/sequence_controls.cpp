#include "ui/sequence_controls.h"

#include <cwchar>
#include <cwctype>

#include "toolkit/attributes.h"

namespace ui {
namespace {

// A markup number as the runtime's integer reading takes it: leading digits, else 0.
uint32_t ReadNumber(std::wstring_view text) {
    const std::wstring copy(text);
    return static_cast<uint32_t>(std::wcstol(copy.c_str(), nullptr, 10));
}

// Where the pattern's one integer conversion is; false when it has none, several, or any
// other conversion.
bool FindIntegerConversion(std::wstring_view pattern, wchar_t* conversion) {
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
        if (i >= pattern.size() || std::wcschr(L"diuxXo", pattern[i]) == nullptr) return false;
        *conversion = pattern[i];
        ++found;
    }
    return found == 1;
}

}  // namespace

std::wstring FormatFrameName(std::wstring_view pattern, uint32_t index) {
    wchar_t conversion = 0;
    if (!FindIntegerConversion(pattern, &conversion)) return {};
    const std::wstring format(pattern);
    wchar_t buffer[260];
    int written = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    // Checked above: the pattern holds exactly one integer conversion.
    if (conversion == L'd' || conversion == L'i') {
        written = std::swprintf(buffer, 260, format.c_str(), static_cast<int>(index));
    } else {
        written = std::swprintf(buffer, 260, format.c_str(), index);
    }
#pragma GCC diagnostic pop
    return written < 0 ? std::wstring() : std::wstring(buffer, static_cast<size_t>(written));
}

bool FrameSequence::SetAttribute(std::wstring_view name, std::wstring_view value) {
    using toolkit::EqualsNoCase;
    if (name == L"sequencebkimage") {
        pattern = value;
    } else if (EqualsNoCase(name, L"sequencecount")) {
        count = ReadNumber(value);
    } else if (EqualsNoCase(name, L"sequencespan")) {
        span = ReadNumber(value);
    } else if (EqualsNoCase(name, L"sequenceloop")) {
        loop = value != L"false";  // only the exact "false" turns these off
    } else if (EqualsNoCase(name, L"autostart")) {
        autostart = value != L"false";
    } else if (EqualsNoCase(name, L"sequenceround")) {
        pingPong = value != L"false";
    } else {
        return false;
    }
    return true;
}

bool FrameSequence::Advance(std::wstring* image, bool* stop) {
    *stop = false;
    if (pattern.empty()) return false;
    // Unsigned on purpose: with a count of 0, count - 1 is the largest value and the index
    // never wraps.
    if (forward && index > count - 1u) {
        if (pingPong) {
            forward = false;
            index = count - 2u;
        } else {
            index = 0;
            if (!loop) {
                *stop = true;
                return false;
            }
        }
    }
    if (!forward && index == 0) {
        if (pingPong) forward = true;
        index = 0;
        if (!loop) {
            *stop = true;
            return false;
        }
    }
    *image = FormatFrameName(pattern, index);
    index = forward ? index + 1 : index - 1;
    return !image->empty();
}

void* CSequenceLabelUI::GetInterface(std::wstring_view name) {
    if (name == GetClass()) return this;
    return CLabelUI::GetInterface(name);
}

void CSequenceLabelUI::Start() {
    m_sequence.index = 0;
    StartTimer();
}

void* CSequenceButtonUI::GetInterface(std::wstring_view name) {
    if (name == GetClass()) return this;
    return CButtonUI::GetInterface(name);
}

toolkit::CControlUI* CreateSequenceControl(std::wstring_view className) {
    if (toolkit::EqualsNoCase(className, L"SequenceButton")) return new CSequenceButtonUI();
    if (toolkit::EqualsNoCase(className, L"SequenceLabel")) return new CSequenceLabelUI();
    return nullptr;
}

}  // namespace ui
