#include "toolkit/image_descriptor.h"

#include <cwctype>

#include "toolkit/attributes.h"

namespace toolkit {
namespace {

bool ParseKeyValue(std::wstring_view key, std::wstring_view value, ImageDescriptor* image) {
    if (key == L"file" || key == L"res") {
        image->file = value;
    } else if (key == L"source") {
        image->hasSource = ParseRect(value, &image->source);
        return image->hasSource;
    } else if (key == L"dest") {
        image->hasDest = ParseRect(value, &image->dest);
        return image->hasDest;
    } else if (key == L"corner") {
        return ParseRect(value, &image->corner);
    } else if (key == L"mask") {
        image->hasMask = ParseColor(value, &image->mask);
        return image->hasMask;
    } else if (key == L"fade") {
        int fade = 0;
        if (!ParseInt(value, &fade) || fade < 0 || fade > 255) return false;
        image->fade = fade;
    } else if (key == L"hole") {
        image->hole = ParseBool(value);
    } else if (key == L"xtiled") {
        image->xtiled = ParseBool(value);
    } else if (key == L"ytiled") {
        image->ytiled = ParseBool(value);
    }
    return true;
}

}  // namespace

bool ParseImageDescriptor(std::wstring_view text, ImageDescriptor* image) {
    ImageDescriptor parsed;
    if (text.find(L'=') == std::wstring_view::npos) {
        while (!text.empty() && std::iswspace(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && std::iswspace(text.back()))
            text.remove_suffix(1);
        if (text.empty()) return false;
        parsed.file = text;
        *image = parsed;
        return true;
    }
    size_t pos = 0;
    while (true) {
        while (pos < text.size() && std::iswspace(text[pos]))
            ++pos;
        if (pos >= text.size()) break;
        const size_t equals = text.find(L'=', pos);
        if (equals == std::wstring_view::npos) return false;
        std::wstring_view key = text.substr(pos, equals - pos);
        while (!key.empty() && std::iswspace(key.back()))
            key.remove_suffix(1);
        pos = equals + 1;
        while (pos < text.size() && std::iswspace(text[pos]))
            ++pos;
        if (pos >= text.size() || (text[pos] != L'\'' && text[pos] != L'"')) return false;
        const wchar_t quote = text[pos];
        const size_t close = text.find(quote, pos + 1);
        if (close == std::wstring_view::npos) return false;
        if (!ParseKeyValue(key, text.substr(pos + 1, close - pos - 1), &parsed)) return false;
        pos = close + 1;
    }
    if (parsed.file.empty()) return false;
    *image = parsed;
    return true;
}

}  // namespace toolkit
