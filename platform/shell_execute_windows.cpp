// The "open" action of platform/shell_execute.h over the system's ShellExecuteExW.
#include <windows.h>
// windows.h first: the two below depend on its types.
#include <objbase.h>
#include <shellapi.h>

#include <mutex>
#include <string_view>
#include <utility>

#include "platform/shell_execute.h"
#include "platform/shell_open_handler.h"

namespace platform {
namespace {

// The full path of `path`, taken from the current folder when relative; empty on failure.
std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size) return {};
    full.resize(n);
    return full;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Checked before starting: the "open" action would open a document with the program the
// system has for it, and a file without a known type with a dialog.
bool IsProgram(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    DWORD type = 0;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           GetBinaryTypeW(path.c_str(), &type);
}

bool Open(const std::wstring& file, const std::wstring& folder, int showCommand) {
    // The action may go through shell extensions, which want COM on the thread; a thread that
    // has it in another model already keeps it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Done before returning (the calling thread may end right after), and failures come back
    // as the result instead of a message box.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = showCommand;
    const bool opened = ShellExecuteExW(&info) != FALSE;
    if (SUCCEEDED(com)) CoUninitialize();
    return opened;
}

}  // namespace

bool ShellOpen(const std::wstring& target, const std::wstring& workingFolder, int showCommand) {
    if (const ShellOpenHandler handler = CurrentShellOpenHandler())
        return handler(target, workingFolder, showCommand);

    // A NUL would cut the text short on its way to the system and open something else.
    if (target.empty() || target.find(L'\0') != std::wstring::npos) return false;
    if (IsUrl(target)) return Open(target, std::wstring(), showCommand);

    if (workingFolder.find(L'\0') != std::wstring::npos) return false;
    if (!workingFolder.empty() && !IsFolder(workingFolder)) return false;
    const std::wstring path = FullPath(target);
    if (path.empty() || !IsProgram(path)) return false;
    return Open(path, workingFolder, showCommand);
}

}  // namespace platform
