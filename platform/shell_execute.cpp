#include "platform/shell_execute.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/child_process.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "platform/shell_open_handler.h"

namespace platform {
namespace {

// A wide NUL would cut the text short on its way to the system and open something else.
bool ToSystemText(const std::wstring& text, std::string* out) {
    if (text.find(L'\0') != std::wstring::npos) return false;
    return WideToMultiByte(kCodePageUtf8, text, out);
}

// Checked before starting because SpawnedProcess would give a file the execute bit it lacks,
// which suits a downloaded package but not a program the user merely named.
bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// posix_spawn plus a reaping thread, not a double fork: posix_spawn already reports a failed
// exec as its result and never forks this multi-threaded process by hand.
bool StartDetached(const std::vector<std::string>& arguments, const std::string& workingFolder) {
    Handle null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) return false;
    auto process = std::make_unique<SpawnedProcess>();
    const int error =
        process->Start(arguments, null, null, null, SpawnOptions{workingFolder, true});
    CloseHandle(&null);
    if (error != 0) return false;
    try {
        std::thread reaper([process = std::move(process)] { process->Wait(-1); });
        SetThreadName(reaper, "shell-reaper");
        reaper.detach();
    } catch (const std::system_error&) {
        // The program runs all the same; it stays a zombie until the installer exits.
    }
    return true;
}

}  // namespace

bool ShellOpen(const std::wstring& target, const std::wstring& workingFolder, int showCommand) {
    if (const ShellOpenHandler handler = CurrentShellOpenHandler())
        return handler(target, workingFolder, showCommand);

    std::string target8;
    if (target.empty() || !ToSystemText(target, &target8)) return false;
    if (IsUrl(target)) return StartDetached({"xdg-open", target8}, std::string());

    std::string folder8;
    if (!ToSystemText(workingFolder, &folder8)) return false;
    // Made absolute here, as the program is looked up only after the child enters its
    // working folder.
    std::error_code failure;
    const std::string path = std::filesystem::absolute(target8, failure).string();
    if (failure || !IsExecutableFile(path)) return false;
    return StartDetached({path}, folder8);
}

}  // namespace platform
