// stage-cli run-package PACKAGE INSTALL_DIR [INSTALLER_SWITCH...]: runs a full setup package
// into a folder as the installer's package runner does and prints every notification. The
// installer switches are read as the installer reads them; the "-instcmd" text (for example
// "-instcmd=--demo-fail") reaches the package's command line. Exits 0 after 2003 with no 2004,
// else 1.
#include <atomic>

#include "app/installer_settings.h"
#include "install/installer.h"
#include "platform/command_line.h"
#include "sys/accounts.h"
#include "sys/text.h"
#include "tools/stage-cli/commands.h"

namespace stage_cli {

int RunPackageCommand(const Args& args) {
    if (args.size() < 2)
        return UsageError("usage: run-package PACKAGE INSTALL_DIR [INSTALLER_SWITCH...]");
    std::vector<std::wstring> switches = {L"stage-cli"};
    for (size_t n = 2; n < args.size(); ++n)
        switches.push_back(Utils::FromUtf8(args[n]));
    InstallerSettings& settings = Settings();  // the ini file beside stage-cli, if any
    settings.ParseCommandLine(platform::JoinCommandLine(switches));

    std::atomic<bool> succeeded{false};
    std::atomic<bool> failed{false};
    auto onNotification = [&](int code, double value, const wchar_t* text) {
        PrintNotification(code, value, text);
        if (code == 2003) succeeded = true;
        if (code == 2004) failed = true;
    };
    std::wstring consoleUser;
    const bool consoleUserIsAdmin =
        Utils::GetConsoleUserName(consoleUser) && Utils::IsUserAdmin(consoleUser);
    {
        CInstaller runner(onNotification, L"\"" + Utils::FromUtf8(args[0]) + L"\"",
                          Utils::FromUtf8(args[1]));
        runner.SetConsoleUserIsAdmin(consoleUserIsAdmin);
        runner.SetProcessIsAdmin(Utils::IsUserInAdminGroup());
        runner.SetExtraArguments(settings.InstCmd);
        runner.Start();
        runner.Join();  // the worker ends right after its last notification
    }
    return succeeded && !failed ? 0 : 1;
}

}  // namespace stage_cli
