#include "app/main_window_run.h"

#include <unistd.h>

#include <string>

#include "analytics/installer_reporting.h"
#include "platform/display.h"
#include "platform/process.h"
#include "sys/log.h"
#include "sys/text.h"
#include "toolkit/host.h"
#include "toolkit/resource_access.h"

ui::MainWindowOptions MainWindowOptionsFrom(const InstallerSettings& settings) {
    ui::MainWindowOptions options;
    options.downloadUrl = settings.DownloadUrl;
    options.downloadScale = settings.DownloadScale;
    options.isCheckNet = settings.IsCheckNet;
    options.install.downloadType = settings.DownloadType;
    options.install.insNew = settings.InsNew;
    options.install.instCmd = settings.InstCmd;
    options.install.curlReady = settings.CurlReady;
    options.language = settings.Language;
    options.abGroup = settings.AbGroup;
    options.exeFileName = settings.ExeFileName;
    return options;
}

ui::MainWindowEvents InstallerWindowEvents(const std::wstring& abGroup) {
    using orvane::analytics::ExtraProperties;
    ui::MainWindowEvents events;
    events.task = [abGroup](const std::wstring& name, float elapsed, const std::wstring& reason) {
        orvane::analytics::ReportTaskEvent(name, elapsed, reason,
                                           ExtraProperties{{L"AB", abGroup}});
    };
    events.click = [abGroup](const std::wstring& name) {
        orvane::analytics::ReportClickEvent(name, ExtraProperties{{L"AB", abGroup}});
    };
    events.installingView = [abGroup] {
        orvane::analytics::ReportInstallingView(ExtraProperties{{L"AB", abGroup}});
    };
    return events;
}

void RunMainWindow(const InstallerSettings& settings) {
    if (!toolkit::UseHost(toolkit::HostKind::kGtk)) {
        static const char kNoDisplay[] = "Collivo: no display to show the installer on\n";
        [[maybe_unused]] const ssize_t written =
            write(STDERR_FILENO, kNoDisplay, sizeof(kNoDisplay) - 1);
        return;
    }
    // Files shipped beside the installer (a finished-bar image) are found in its folder.
    const std::string exe = platform::ExecutablePath();
    toolkit::ResourceAccess::SetResourcePath(Utils::FromUtf8(exe.substr(0, exe.rfind('/'))));
    toolkit::ResourceAccess::SetArchiveFormat(toolkit::ArchiveFormat::kSevenZip);
    ui::CShadowWindow::Initialize();

    ui::CMainWnd window(MainWindowOptionsFrom(settings), InstallerWindowEvents(settings.AbGroup));
    constexpr uint32_t kMainWindowStyle = 0x10CF0000;  // visible, overlapped
    if (window.Create(nullptr, L"Collivo", kMainWindowStyle, 0) == nullptr) return;
    window.CenterWindow();
    window.ShowModal();
}
