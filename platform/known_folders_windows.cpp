// The well-known folders of platform/known_folders.h from the system's shell folders.
#include <windows.h>
// windows.h first: shlobj.h depends on its types.
#include <shlobj.h>

#include "platform/known_folders.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// The current path of the folder (created by nobody here), without a trailing separator.
std::optional<std::string> ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH];
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return std::nullopt;
    std::wstring path(buffer);
    // A drive's root keeps its separator: "C:" alone would name the drive's current folder.
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    if (path.empty()) return std::nullopt;
    return Utf8FromWide(path);
}

}  // namespace

std::optional<std::string> AppDataFolder() {
    return ShellFolder(CSIDL_APPDATA);
}

std::optional<std::string> LocalAppDataFolder() {
    return ShellFolder(CSIDL_LOCAL_APPDATA);
}

std::string CommonDocumentsFolder() {
    return ShellFolder(CSIDL_COMMON_DOCUMENTS).value_or(std::string());
}

std::optional<std::string> ProgramFilesFolder() {
    return ShellFolder(CSIDL_PROGRAM_FILES);
}

}  // namespace platform
