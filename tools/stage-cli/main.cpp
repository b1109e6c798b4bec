// stage-cli: a command-line front end to the installer's stages, for tests, the demo and
// support engineers diagnosing one stage on a user's machine.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "tools/stage-cli/commands.h"
#include "tools/stage-cli/notification_line.h"

namespace stage_cli {

void PrintNotification(int code, double value, const wchar_t* text) {
    static std::mutex mutex;
    const std::string line = NotificationLine(code, value, text);
    std::lock_guard<std::mutex> lock(mutex);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "stage-cli: %s\n", message.c_str());
    return 2;
}

}  // namespace stage_cli

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const stage_cli::Args& args);
};

// One row per subcommand; each subcommand's file declares its entry in commands.h.
const Command kCommands[] = {
    {"help", "help", nullptr},
    {"download", "download [--type N] URL SAVE_PATH", stage_cli::DownloadCommand},
    {"send-test-events", "send-test-events --url URL --count N [--staging FILE] [--hold]",
     stage_cli::SendTestEventsCommand},
    {"run-package", "run-package PACKAGE INSTALL_DIR [INSTALLER_SWITCH...]",
     stage_cli::RunPackageCommand},
    {"install", "install --dir DIR --url URL [--type N] [--uninstaller PATH]",
     stage_cli::InstallCommand},
    {"run-uninstaller", "run-uninstaller UNINSTALLER TARGET_DIR", stage_cli::RunUninstallerCommand},
};

int PrintUsage(FILE* out) {
    std::fprintf(out, "usage: stage-cli COMMAND [ARGS]\ncommands:\n");
    for (const auto& command : kCommands)
        std::fprintf(out, "  %s\n", command.usage);
    return out == stdout ? 0 : 2;
}

int Run(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) return PrintUsage(stderr);
    const stage_cli::Args args(arguments.begin() + 2, arguments.end());
    for (const auto& command : kCommands) {
        if (arguments[1] != command.name) continue;
        return command.run != nullptr ? command.run(args) : PrintUsage(stdout);
    }
    return stage_cli::UsageError("unknown command: " + arguments[1]);
}

}  // namespace

int main(int argc, char** argv) {
    return Run(platform::ProcessArguments(argc, argv));
}
