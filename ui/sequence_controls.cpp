#include "ui/sequence_controls.h"

#include <cwchar>

#include "toolkit/attributes.h"
#include "ui/integer_format.h"

namespace ui {
namespace {

// A markup number as the runtime's integer reading takes it: leading digits, else 0.
uint32_t ReadNumber(std::wstring_view text) {
    const std::wstring copy(text);
    return static_cast<uint32_t>(std::wcstol(copy.c_str(), nullptr, 10));
}

}  // namespace

std::wstring FormatFrameName(std::wstring_view pattern, uint32_t index) {
    return FormatIntegerPattern(pattern, index, 260);
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
