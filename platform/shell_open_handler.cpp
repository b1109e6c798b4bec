#include "platform/shell_open_handler.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

struct HandlerSlot {
    std::mutex lock;
    ShellOpenHandler handler;
};

HandlerSlot& Slot() {
    static HandlerSlot slot;
    return slot;
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsSchemeCharacter(wchar_t c) {
    return IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

}  // namespace

ShellOpenHandler CurrentShellOpenHandler() {
    std::lock_guard<std::mutex> hold(Slot().lock);
    return Slot().handler;
}

void SetShellOpenHandler(ShellOpenHandler handler) {
    std::lock_guard<std::mutex> hold(Slot().lock);
    Slot().handler = std::move(handler);
}

bool IsUrl(std::wstring_view target) {
    const size_t end = target.find(L"://");
    if (end == std::wstring_view::npos || end == 0 || !IsAsciiLetter(target[0])) return false;
    for (size_t n = 1; n < end; ++n)
        if (!IsSchemeCharacter(target[n])) return false;
    return true;
}

}  // namespace platform
