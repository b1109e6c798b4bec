// The code-page conversions of platform/codepage.h over the system's converters.
#include <windows.h>

#include <climits>

#include "platform/codepage.h"
#include "platform/utf8_sequence.h"

namespace platform {
namespace {

// Whether the system converts in this page; it refuses an unknown page with
// ERROR_INVALID_PARAMETER, but an empty text never reaches it.
bool KnownPage(unsigned codePage) {
    return codePage == CP_ACP || codePage == CP_UTF8 || IsValidCodePage(codePage);
}

}  // namespace

// Without MB_ERR_INVALID_CHARS the system turns invalid bytes into U+FFFD, and without a
// default character a character the page lacks becomes the page's own ("?").
bool MultiByteToWide(unsigned codePage, std::string_view in, std::wstring* out) {
    out->clear();
    if (in.empty()) return KnownPage(codePage);
    if (in.size() > INT_MAX) return false;
    const int inSize = static_cast<int>(in.size());
    const int size = MultiByteToWideChar(codePage, 0, in.data(), inSize, nullptr, 0);
    if (size <= 0) return false;
    out->resize(static_cast<size_t>(size));
    const int done = MultiByteToWideChar(codePage, 0, in.data(), inSize, out->data(), size);
    out->resize(done > 0 ? static_cast<size_t>(done) : 0);
    return done > 0;
}

bool WideToMultiByte(unsigned codePage, std::wstring_view in, std::string* out) {
    out->clear();
    if (in.empty()) return KnownPage(codePage);
    if (in.size() > INT_MAX) return false;
    const int inSize = static_cast<int>(in.size());
    const int size =
        WideCharToMultiByte(codePage, 0, in.data(), inSize, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    out->resize(static_cast<size_t>(size));
    const int done =
        WideCharToMultiByte(codePage, 0, in.data(), inSize, out->data(), size, nullptr, nullptr);
    out->resize(done > 0 ? static_cast<size_t>(done) : 0);
    return done > 0;
}

bool IsWellFormedUtf8(std::string_view in) {
    return utf8::WellFormed(in);
}

}  // namespace platform
