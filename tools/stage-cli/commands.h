// stage-cli: runs one stage of the installer from the command line. Each subcommand lives in
// a file of its own and is listed in main.cpp's table. Single-threaded apart from the stage's
// own workers; notifications are printed from whichever thread reports them.
#pragma once

#include <string>
#include <vector>

namespace stage_cli {

using Args = std::vector<std::string>;  // the arguments after the subcommand's name

// Prints one stage notification as NotificationLine (notification_line.h) writes it, whole,
// even when several threads report at once.
void PrintNotification(int code, double value, const wchar_t* text);

// Prints "stage-cli: <message>" to standard error and returns the usage exit code (2).
int UsageError(const std::string& message);

// send-test-events --url URL --count N (send_test_events_command.cpp).
int SendTestEventsCommand(const Args& args);

// download [--type N] URL SAVE_PATH (download_command.cpp).
int DownloadCommand(const Args& args);

// run-package PACKAGE INSTALL_DIR [INSTALLER_SWITCH...] (run_package_command.cpp).
int RunPackageCommand(const Args& args);

// run-uninstaller UNINSTALLER TARGET_DIR (run_uninstaller_command.cpp).
int RunUninstallerCommand(const Args& args);

// install --dir DIR --url URL [--type N] [--uninstaller PATH] (install_command.cpp).
int InstallCommand(const Args& args);

}  // namespace stage_cli
