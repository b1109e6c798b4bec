#include "platform/file_ops.h"

#include <aclapi.h>
#include <io.h>
#include <windows.h>

#include <errno.h>

#include <memory>
#include <vector>

#include "platform/random.h"
#include "platform/system_errno.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// The token's SID of the given class (the user, or the default owner of what it creates).
std::vector<BYTE> TokenSid(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
    return buffer;
}

}  // namespace

bool RenameOver(const std::string& from, const std::string& to) {
    if (MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = ErrnoFromSystemError(GetLastError());
    return false;
}

int64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

bool RemoveFile(const std::string& path) {
    return _wremove(WideFromUtf8(path).c_str()) == 0;
}

bool SyncFile(int fd) {
    return _commit(fd) == 0;
}

int CreatePrivateFolder(const std::string& path) {
    return CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr)
               ? 0
               : ErrnoFromSystemError(GetLastError());
}

bool IsPrivateFolder(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    std::unique_ptr<void, decltype(&LocalFree)> held(descriptor, &LocalFree);
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const std::vector<BYTE> user = TokenSid(token, TokenUser);
    const std::vector<BYTE> defaultOwner = TokenSid(token, TokenOwner);
    CloseHandle(token);
    // An elevated administrator's folders belong to the Administrators group, its default owner.
    return (!user.empty() &&
            EqualSid(owner, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid)) ||
           (!defaultOwner.empty() &&
            EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner));
}

std::string CreateUniqueFolder(const std::string& prefix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char bytes[6];
        if (!RandomBytes(bytes, sizeof bytes)) return {};
        std::string path = prefix;
        for (unsigned char b : bytes)
            path += kLetters[b % (sizeof kLetters - 1)];
        const int error = CreatePrivateFolder(path);
        if (error == 0) return path;
        if (error != EEXIST) return {};
    }
    return {};
}

}  // namespace platform
