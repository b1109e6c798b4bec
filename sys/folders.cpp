#include "sys/folders.h"

#include <errno.h>

#include "platform/paths.h"
#include "sys/text.h"

namespace Utils {
namespace {

constexpr size_t kMaxPath = 260;

// The folder is there afterwards: already present, made now, or made by someone else
// between the check and the attempt.
bool EnsureFolder(const std::string& path) {
    if (platform::IsDirectory(path)) return true;
    // Something that is not a folder (a file) blocks the path for good.
    if (platform::PathExists(path)) return false;
    const int code = platform::CreateFolder(path);
    return code == 0 || (code == EEXIST && platform::IsDirectory(path));
}

}  // namespace

std::wstring GetTempFolder() {
    const std::wstring path = FromUtf8(platform::TempPath()) + L"~OrvaneTemp.92482B06FB471E17" +
                              static_cast<wchar_t>(platform::kPathSeparator);
    const std::string native = ToUtf8(path);
    if (platform::IsDirectory(native)) return path;
    const int code = platform::CreateFolder(native);
    if (code == 0 || (code == EEXIST && platform::IsDirectory(native))) return path;
    return {};
}

bool CreateDirectoryRecursive(const std::wstring& path) {
    if (path.size() > kMaxPath) return false;
    const std::string native = ToUtf8(path);
    const std::string_view separators = platform::kPathSeparators;
    // Every prefix ending at a separator, the separator included, then the whole path.
    for (size_t i = 0; i < native.size(); ++i) {
        if (separators.find(native[i]) == std::string_view::npos) continue;
        if (!EnsureFolder(native.substr(0, i + 1))) return false;
    }
    if (!native.empty() && separators.find(native.back()) == std::string_view::npos)
        return EnsureFolder(native);
    return true;
}

}  // namespace Utils
