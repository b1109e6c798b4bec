#include "toolkit/attributes.h"

#include <cwctype>

namespace toolkit {
namespace {

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && std::iswspace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && std::iswspace(text.back()))
        text.remove_suffix(1);
    return text;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

bool ParseColor(std::wstring_view text, Color* color) {
    text = TrimBlanks(text);
    if (text.starts_with(L"#")) {
        text.remove_prefix(1);
    } else if (text.starts_with(L"0x") || text.starts_with(L"0X")) {
        text.remove_prefix(2);
    } else {
        return false;
    }
    if (text.size() != 6 && text.size() != 8) return false;
    Color value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<Color>(digit);
    }
    if (text.size() == 6) value |= 0xFF000000u;
    *color = value;
    return true;
}

bool ParseInt(std::wstring_view text, int* value) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 9) return false;
    int result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        result = result * 10 + (c - L'0');
    }
    *value = negative ? -result : result;
    return true;
}

bool ParseInts(std::wstring_view text, int* values, int count) {
    int parsed[8];
    if (count > 8) return false;
    for (int i = 0; i < count; ++i) {
        const size_t comma = text.find(L',');
        const bool last = i == count - 1;
        if (last != (comma == std::wstring_view::npos)) return false;
        if (!ParseInt(text.substr(0, comma), &parsed[i])) return false;
        if (!last) text.remove_prefix(comma + 1);
    }
    for (int i = 0; i < count; ++i)
        values[i] = parsed[i];
    return true;
}

bool ParseRect(std::wstring_view text, Rect* rect) {
    int v[4];
    if (!ParseInts(text, v, 4)) return false;
    *rect = {v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseSize(std::wstring_view text, Size* size) {
    int v[2];
    if (!ParseInts(text, v, 2)) return false;
    *size = {v[0], v[1]};
    return true;
}

bool ParseBool(std::wstring_view text) {
    return EqualsNoCase(TrimBlanks(text), L"true");
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

}  // namespace toolkit
