// The environment of platform/environment.h: the process's own block, in UTF-16, as UTF-8.
#include <windows.h>

#include "platform/environment.h"
#include "platform/wide_text.h"

namespace platform {

std::optional<std::string> GetEnv(const char* name) {
    const std::wstring wideName = WideFromUtf8(name);
    std::wstring value(64, L'\0');
    for (;;) {
        // An empty value and a missing variable both give 0; only the error tells them apart.
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string();
        }
        // Too small a buffer gives the size it needs, the terminator counted.
        if (length < value.size()) {
            value.resize(length);
            return Utf8FromWide(value);
        }
        value.resize(length);
    }
}

}  // namespace platform
