// stage-cli run-uninstaller UNINSTALLER TARGET_DIR: removes an installation as the installer
// does before it installs over it: copies the uninstaller to the temporary folder as
// "Collivo_un_asa.exe", runs the copy against the folder and prints every notification.
// Exits 0 after 5003 with no 5004 or 5005, else 1.
#include <atomic>
#include <filesystem>

#include "install/uninstall_runner.h"
#include "sys/folders.h"
#include "sys/text.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {

int RunUninstallerCommand(const Args& args) {
    if (args.size() != 2) return UsageError("usage: run-uninstaller UNINSTALLER TARGET_DIR");

    // A stale copy from an earlier run must not stand in for a copy that failed.
    const std::wstring temp = Utils::GetTempFolder();
    const std::wstring copy = temp.empty() ? std::wstring() : temp + L"Collivo_un_asa.exe";
    if (!copy.empty()) {
        const std::filesystem::path copyPath = Utils::WideToNarrow(copy, 0);
        std::error_code error;
        std::filesystem::remove(copyPath, error);
        std::filesystem::copy_file(args[0], copyPath,
                                   std::filesystem::copy_options::overwrite_existing, error);
    }

    std::atomic<bool> succeeded{false};
    std::atomic<bool> failed{false};
    auto onNotification = [&](int code, double value, const wchar_t* text) {
        PrintNotification(code, value, text);
        if (code == 5003) succeeded = true;
        if (code == 5004 || code == 5005) failed = true;
    };
    {
        UninstallRunner runner(onNotification, copy, Utils::NarrowToWide(args[1], 0));
        runner.Start();
    }  // waits for the worker, which ends right after its last notification
    return succeeded && !failed ? 0 : 1;
}

}  // namespace stage_cli
