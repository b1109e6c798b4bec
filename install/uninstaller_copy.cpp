#include "install/uninstaller_copy.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file_ops.h"
#include "platform/paths.h"
#include "sys/text.h"

namespace {

constexpr char kFolderName[] = "~OrvaneTemp.92482B06FB471E17";
constexpr char kCopyName[] = "Collivo_un_asa.exe";

// The folder for the copy: the one of the fixed name when it is private (made now if missing),
// else a fresh one, which nobody can have prepared; `*own` tells which. Empty when neither can
// be had.
std::string PrivateFolder(bool* own) {
    *own = false;
    const std::string shared = platform::TempPath() + kFolderName;
    const int made = platform::CreatePrivateFolder(shared);
    // Nobody but this user can add or replace anything in it.
    if ((made == 0 || made == EEXIST) && platform::IsPrivateFolder(shared)) return shared;
    std::string fresh = platform::CreateUniqueFolder(shared + ".");
    if (fresh.empty()) return {};
    *own = true;
    return fresh;
}

// Writes a new file `to` (never one that exists, nor through a link) holding what `from`
// holds, readable, writable and runnable by the user alone: in a folder that others may read,
// nobody else can change it before it runs.
bool CopyProgram(const std::string& from, const std::string& to) {
    const int in = platform::OpenFile(from, O_RDONLY);
    if (in < 0) return false;
    const int out =
        platform::OpenFile(to, O_WRONLY | O_CREAT | O_EXCL | platform::kOpenNoFollow, 0700);
    bool copied = out >= 0;
    char buffer[65536];
    while (copied) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            copied = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; copied && done < n;) {
            const ssize_t written = write(out, buffer + done, static_cast<size_t>(n - done));
            if (written > 0) done += written;
            copied = written > 0 || (written < 0 && errno == EINTR);
        }
    }
    if (out >= 0 && close(out) != 0) copied = false;
    close(in);
    return copied;
}

}  // namespace

UninstallerCopy::UninstallerCopy(const std::wstring& uninstaller) {
    bool own = false;
    const std::string folder = PrivateFolder(&own);
    if (folder.empty()) return;
    if (own) m_ownFolder = folder;
    const std::string copy = folder + platform::kPathSeparator + kCopyName;
    // The copy is made new, never written over whatever is there: an earlier copy goes first,
    // and when it cannot, there is no copy at all rather than an old program to run.
    std::error_code error;
    std::filesystem::remove(platform::FsPath(copy), error);
    if (error || !CopyProgram(Utils::ToUtf8(uninstaller), copy)) {
        if (!error)
            std::filesystem::remove(platform::FsPath(copy),
                                    error);  // a part written before the failure
        Remove();
        return;
    }
    m_path = Utils::FromUtf8(copy);
}

UninstallerCopy::UninstallerCopy(UninstallerCopy&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_ownFolder(std::exchange(other.m_ownFolder, {})) {}

UninstallerCopy& UninstallerCopy::operator=(UninstallerCopy&& other) noexcept {
    if (this != &other) {
        Remove();
        m_path = std::exchange(other.m_path, {});
        m_ownFolder = std::exchange(other.m_ownFolder, {});
    }
    return *this;
}

void UninstallerCopy::Remove() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove(platform::FsPath(Utils::ToUtf8(m_path)), ignored);
    if (!m_ownFolder.empty()) std::filesystem::remove_all(platform::FsPath(m_ownFolder), ignored);
    m_path.clear();
    m_ownFolder.clear();
}
