#include "sys/text.h"

#include "platform/codepage.h"

namespace Utils {
namespace {

constexpr std::wstring_view kWideBlanks = L" \t\r\n\v\f";
constexpr std::string_view kBlanks = " \t\r\n\v\f";

}  // namespace

std::string WideToNarrow(std::wstring_view text, unsigned codePage) {
    std::string out;
    platform::WideToMultiByte(codePage, text, &out);
    return out;
}

std::wstring NarrowToWide(std::string_view text, unsigned codePage) {
    std::wstring out;
    platform::MultiByteToWide(codePage, text, &out);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return WideToNarrow(NarrowToWide(utf8, platform::kCodePageUtf8), platform::kCodePageAnsi);
}

std::wstring TrimLeft(std::wstring_view text) {
    const size_t first = text.find_first_not_of(kWideBlanks);
    return first == std::wstring_view::npos ? std::wstring() : std::wstring(text.substr(first));
}

std::wstring TrimRight(std::wstring_view text) {
    const size_t last = text.find_last_not_of(kWideBlanks);
    return last == std::wstring_view::npos ? std::wstring()
                                           : std::wstring(text.substr(0, last + 1));
}

std::wstring Trim(std::wstring_view text) {
    return TrimLeft(TrimRight(text));
}

std::string Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::string();
    const size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    if (from.empty()) return text;
    const bool restartable = to.find(from) == std::wstring_view::npos;
    size_t pos = text.find(from);
    while (pos != std::wstring::npos) {
        text.replace(pos, from.size(), to);
        pos = text.find(from, restartable ? 0 : pos + to.size());
    }
    return text;
}

}  // namespace Utils
