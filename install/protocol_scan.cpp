#include "install/protocol_scan.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>

#include "sys/text.h"

namespace protocol_scan {

bool HasKey(std::wstring_view line, std::wstring_view key) {
    return line.substr(0, key.size()) == key;
}

std::wstring Text(std::wstring_view rest) {
    // The carriage return of a "\r\n" line end (a Windows console program's text-mode output)
    // is no part of the value: a path that kept it would name no file.
    if (!rest.empty() && rest.back() == L'\r') rest.remove_suffix(1);
    return std::wstring(rest.substr(0, kValueSize - 1));
}

double Number(std::wstring_view rest) {
    const std::wstring text(rest);
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value)) return 0;
    return value;
}

size_t Int32(std::wstring_view rest, int32_t* value) {
    const std::wstring text(rest);
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;
    *value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(number)));
    return static_cast<size_t>(end - text.c_str());
}

int32_t CodePageOf(std::wstring_view value) {
    const std::wstring trimmed = Utils::Trim(value);
    if (trimmed == L"UTF8") return 65001;
    if (trimmed == L"ACP") return 0;
    wchar_t* end = nullptr;
    errno = 0;
    const long long number = std::wcstoll(trimmed.c_str(), &end, 10);
    if (end == trimmed.c_str() || errno == ERANGE || number < INT32_MIN || number > INT32_MAX)
        return 0;
    return static_cast<int32_t>(number);
}

}  // namespace protocol_scan
