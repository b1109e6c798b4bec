// The paths of platform/paths.h over the system's wide file functions and the C library's
// wide forms (_wopen, _wfopen).
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <climits>
#include <string>

#include "platform/paths.h"
#include "platform/system_errno.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

DWORD Attributes(const std::string& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(WideFromUtf8(path).c_str());
}

// The folder that holds `path` ("" when there is none to name): its text up to the last
// separator, trailing separators first removed.
std::string Parent(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The system says "path not found" both for a missing parent and for one that is a file;
// Linux tells the two apart (ENOENT, ENOTDIR), so look at the nearest existing entry above.
int MissingPathError(const std::string& path) {
    for (std::string parent = Parent(path); !parent.empty(); parent = Parent(parent)) {
        const DWORD attributes = Attributes(parent);
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ENOENT : ENOTDIR;
    }
    return ENOENT;
}

}  // namespace

std::string TempPath() {
    // The system answers with the length it needs when the buffer is too small.
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    std::string path = length > 0 && length < buffer.size()
                           ? Utf8FromWide(std::wstring_view(buffer.data(), length))
                           : std::string(".");
    if (path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::filesystem::path FsPath(std::string_view utf8Path) {
    return std::filesystem::path(WideFromUtf8(utf8Path));
}

std::string PathText(const std::filesystem::path& path) {
    return Utf8FromWide(path.native());
}

// Files are opened with every kind of sharing, deleting and renaming included, as a Linux
// descriptor allows: the digest reads a part file back while the downloader writes, renames or
// deletes it. The C library's own _wopen and _wfopen share no deleting.
int OpenFile(const std::string& path, int flags, int mode) {
    DWORD access = GENERIC_READ;
    if ((flags & O_ACCMODE) == O_WRONLY) access = GENERIC_WRITE;
    if ((flags & O_ACCMODE) == O_RDWR) access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) != 0) {
        if ((flags & O_EXCL) != 0)
            disposition = CREATE_NEW;
        else if ((flags & O_TRUNC) != 0)
            disposition = CREATE_ALWAYS;
        else
            disposition = OPEN_ALWAYS;
    } else if ((flags & O_TRUNC) != 0) {
        disposition = TRUNCATE_EXISTING;
    }
    // Only the write bit means something here: without it the file is created read-only.
    const DWORD attributes = (mode & _S_IWRITE) == 0 && (flags & O_CREAT) != 0
                                 ? FILE_ATTRIBUTE_READONLY
                                 : FILE_ATTRIBUTE_NORMAL;
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};  // never inherited
    const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      &security, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoFromSystemError(GetLastError());
        return -1;
    }
    const int fd =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags & (O_APPEND | O_RDONLY | O_TEXT));
    if (fd < 0) CloseHandle(handle);
    return fd;
}

std::FILE* OpenStream(const std::string& path, const char* mode) {
    // "r", "w" or "a", then "+" for reading and writing, and "t" for text (binary otherwise).
    const std::string_view text(mode);
    const bool update = text.find('+') != std::string_view::npos;
    int flags = 0;
    std::string streamMode;
    switch (text.empty() ? '\0' : text.front()) {
        case 'r':
            flags = update ? O_RDWR : O_RDONLY;
            streamMode = "r";
            break;
        case 'w':
            flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
            streamMode = "w";
            break;
        case 'a':
            flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
            streamMode = "a";
            break;
        default:
            errno = EINVAL;
            return nullptr;
    }
    if (update) streamMode += '+';
    const bool textMode = text.find('t') != std::string_view::npos;
    streamMode += textMode ? 't' : 'b';
    const int fd = OpenFile(path, flags | (textMode ? O_TEXT : 0), _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* stream = _fdopen(fd, streamMode.c_str());
    if (stream == nullptr) _close(fd);
    return stream;
}

bool PathExists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int CreateFolder(const std::string& path) {
    if (path.empty()) return ENOENT;
    if (CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) return MissingPathError(path);
    return ErrnoFromSystemError(error);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const unsigned part = data.size() > INT_MAX ? INT_MAX : static_cast<unsigned>(data.size());
        const int n = _write(fd, data.data(), part);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace platform
