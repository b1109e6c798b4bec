// stage-cli run-uninstaller UNINSTALLER TARGET_DIR: removes an installation as the installer
// does before it installs over it: copies the uninstaller to the temporary folder as
// "Collivo_un_asa.exe", runs the copy against the folder, prints every notification and
// removes the copy.
// Exits 0 after 5003 with no 5004 or 5005, else 1.
#include <atomic>

#include "install/uninstall_runner.h"
#include "sys/text.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {

int RunUninstallerCommand(const Args& args) {
    if (args.size() != 2) return UsageError("usage: run-uninstaller UNINSTALLER TARGET_DIR");

    std::atomic<bool> succeeded{false};
    std::atomic<bool> failed{false};
    auto onNotification = [&](int code, double value, const wchar_t* text) {
        PrintNotification(code, value, text);
        if (code == 5003) succeeded = true;
        if (code == 5004 || code == 5005) failed = true;
    };
    {
        UninstallRunner runner(onNotification, UninstallerCopy(Utils::FromUtf8(args[0])),
                               Utils::FromUtf8(args[1]));
        runner.Start();
        runner.Join();  // the worker ends right after its last notification
    }
    return succeeded && !failed ? 0 : 1;
}

}  // namespace stage_cli
