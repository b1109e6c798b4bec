// The file append of platform/file_append.h: the system copies no range from one file onto
// the end of another, so the bytes come up in blocks (ReadFile, WriteFile).
#include <windows.h>

#include <vector>

#include "platform/file_append.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// Bytes per read and write: a stop is noticed within one block.
constexpr DWORD kBlock = 1u << 20;

// Either file may be open elsewhere at the same time (the digest reads the target while
// parts arrive), as it may on Linux.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class File {
public:
    File(const std::string& path, DWORD access)
        : m_handle(CreateFileW(WideFromUtf8(path).c_str(), access, kShareAll, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                               nullptr)) {}
    ~File() {
        if (Open()) CloseHandle(m_handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool Open() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

bool AppendFile(const std::string& target, const std::string& source,
                const std::atomic<bool>* stop) {
    File in(source, GENERIC_READ);
    if (!in.Open()) return false;
    File out(target, GENERIC_WRITE);
    if (!out.Open()) return false;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(out.Get(), end, nullptr, FILE_END)) return false;
    std::vector<char> block(kBlock);
    bool copied = false;
    for (;;) {
        if (Stopped(stop)) break;
        DWORD read = 0;
        if (!ReadFile(in.Get(), block.data(), kBlock, &read, nullptr)) break;
        if (read == 0) {
            copied = true;
            break;
        }
        if (!WriteAll(out.Get(), block.data(), read)) break;
    }
    return out.Close() && copied;
}

}  // namespace platform
