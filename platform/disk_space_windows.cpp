// The volume space of platform/disk_space.h from the system (GetDiskFreeSpaceExW).
#include <windows.h>

#include <errno.h>

#include "platform/disk_space.h"
#include "platform/system_errno.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The folder that holds `path`: "C:\a\b\" and "C:\a\b" give "C:\a", "C:\a" gives "C:\", a
// root ("C:\", "\\server\share\") gives itself, "a" gives ".".
std::wstring Parent(std::wstring path) {
    // Where the root ends: after "C:\" or "\\server\share\", or after a leading "\".
    size_t root = 0;
    if (path.size() >= 2 && path[1] == L':') {
        root = path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        root = path.find_first_of(L"\\/", 2);
        root = root == std::wstring::npos ? path.size() : path.find_first_of(L"\\/", root + 1);
        root = root == std::wstring::npos ? path.size() : root + 1;
    } else if (!path.empty() && IsSeparator(path[0])) {
        root = 1;
    }
    while (path.size() > root && IsSeparator(path.back()))
        path.pop_back();
    if (path.size() <= root) return path;
    const size_t slash = path.find_last_of(L"\\/");
    if (root == 0 && slash == std::wstring::npos) return L".";
    path.resize(slash != std::wstring::npos && slash > root ? slash : root);
    return path;
}

}  // namespace

int QueryDiskSpace(const std::string& folder, DiskSpace& space) {
    if (folder.empty()) return ENOENT;
    std::wstring path = WideFromUtf8(folder);
    DWORD attributes;
    // Walk up only past entries that are missing; any other error is the answer.
    while ((attributes = GetFileAttributesW(path.c_str())) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return ErrnoFromSystemError(error);
        std::wstring parent = Parent(path);
        if (parent == path) return ENOENT;
        path = std::move(parent);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
    // The system wants a folder, and a share's root, with a trailing separator.
    if (!IsSeparator(path.back())) path += L'\\';
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(path.c_str(), &available, &total, &free))
        return ErrnoFromSystemError(GetLastError());
    space.freeBytesAvailable = available.QuadPart;
    space.totalBytes = total.QuadPart;
    space.totalFreeBytes = free.QuadPart;
    return 0;
}

}  // namespace platform
