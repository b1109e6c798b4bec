// CMainWnd's behaviour: the start-up decision, the user's clicks, starting an installation and
// following it through its stage messages to success or failure, and the look of each page.
#include <cmath>
#include <filesystem>
#include <string_view>

#include "analytics/failure_texts.h"
#include "platform/folder_dialog.h"
#include "platform/shell_execute.h"
#include "sys/disk_space.h"
#include "sys/folders.h"
#include "sys/message_pump.h"
#include "sys/network_check.h"
#include "sys/text.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/message_queue.h"
#include "toolkit/progress.h"
#include "toolkit/resource_access.h"
#include "toolkit/string_table.h"
#include "toolkit/tab_layout.h"
#include "ui/integer_format.h"
#include "ui/language_selection.h"
#include "ui/main_window.h"
#include "ui/message_box_wnd.h"
#include "ui/sequence_controls.h"

namespace ui {

using toolkit::Notification;
using toolkit::WPARAM;

namespace {

constexpr wchar_t kProductExe[] = L"Collivo.exe";
constexpr wchar_t kUninstallerCopyExe[] = L"Collivo_un_asa.exe";
constexpr wchar_t kRunningText[] = L"安装程序检测到Collivo\r\n正在运行，请退出程序后再安装";
constexpr wchar_t kCaption[] = L"温馨提示";
constexpr int kLowDiskStringId = 104;
constexpr wchar_t kLowDiskFallback[] = L"磁盘空间不足，请至少保留1GB可用空间";
constexpr wchar_t kProgressFormat[] = L"正在安装中:%d%%，请稍候...";
constexpr wchar_t kSlowProgressFormat[] = L"正在安装中:%d%%，请耐心等待...";
constexpr size_t kProgressBufferSize = 250;
constexpr toolkit::UINT kBringToFrontTimer = 10;
constexpr toolkit::UINT kAutoCloseTimer = 11;
constexpr double kBytesPerGigabyte = 1073741824.0;

// A stage's value as the unsigned 32-bit number it carries (delays); out of range wraps as a
// 64-bit integer would, and what is no number at all gives 0.
uint32_t AsUnsigned(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(value));
}

bool FileExists(const std::wstring& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(Utils::ToUtf8(path)), error);
}

}  // namespace

bool CMainWnd::IsSelected(toolkit::CCheckBoxUI* box) const {
    return box != nullptr && box->IsSelected();
}

void CMainWnd::Report(const std::wstring& name, float elapsed, const std::wstring& reason) {
    if (m_events.task) m_events.task(name, elapsed, reason);
}

bool CMainWnd::Tip(const wchar_t* layout, const wchar_t* text, const wchar_t* caption,
                   int* result) {
    const toolkit::HWND self = GetHWND();
    const int answer = ShowTip(self, FrameParams::ForSkinFile(layout), text, caption);
    if (result != nullptr) *result = answer;
    // The tip's loop ran everything meanwhile: the window may have closed under it.
    return self != nullptr && GetHWND() == self;
}

std::wstring CMainWnd::DefaultInstallFolder() {
    return m_records.DefaultInstallDir();
}

std::wstring CMainWnd::CustomInstallFolder() {
    return m_records.CustomInstallDir(installDirEdit != nullptr ? installDirEdit->GetText()
                                                                : std::wstring());
}

void CMainWnd::SendInstall(WPARAM go, bool async) {
    m_ui.SendNotify(m_ui.GetRoot(), L"install", go, 0, async);
}

void CMainWnd::ReportDownloaderStart() {
    if (downloaderStartReported) return;
    downloaderStartReported = true;
    abLabel = m_options.abGroup;
    Report(L"下载器启动");
}

void CMainWnd::StartupDecision() {
    LanguageFromInstallation(existingInstallFolder, &m_ui);
    if (CDownloadInstaller::FindProcessByName(kProductExe) != 0 && !m_options.install.insNew) {
        if (Tip(L"MessageBox1Wnd.xml", kRunningText, kCaption, nullptr)) Close(1);
        return;
    }
    if (m_options.install.insNew) {
        StartInstall(existingInstallFolder, true, true);
        return;
    }
    int answer = 0;
    if (!Tip(L"InstalledPathTipWnd.xml", nullptr, nullptr, &answer)) return;
    if (answer == kTipCancel) {
        productExePath = existingInstallFolder + L"/" + kProductExe;
        platform::ShellOpen(productExePath, existingInstallFolder, platform::kShowNormal);
        Close(1);
    } else if (answer == kTipOk) {
        StartInstall(existingInstallFolder, true, true);
    } else {
        Close(1);
    }
}

bool CMainWnd::RefuseWhileRunning(const wchar_t* processName) {
    if (m_options.install.insNew || CDownloadInstaller::FindProcessByName(processName) == 0)
        return false;
    if (!Tip(L"MessageBox1Wnd.xml", kRunningText, kCaption, nullptr)) return true;
    // The uninstaller copy running alone only closes an installer that found an installation.
    if (std::wstring_view(processName) == kProductExe || hasExistingInstallation) Close(1);
    return true;
}

bool CMainWnd::StartInstall(const std::wstring& folder, bool desktopShortcut, bool quickLaunch) {
    if (RefuseWhileRunning(kUninstallerCopyExe) || RefuseWhileRunning(kProductExe)) return false;
    if (customeInstallBtn != nullptr) customeInstallBtn->SetEnabled(false);

    if (!Utils::CreateDirectoryRecursive(folder)) {
        if (Tip(L"MessageBox2Wnd.xml", L"无效路径", kCaption, nullptr)) SendInstall(0, false);
        return false;
    }
    Utils::HardDiskManager disk;
    disk.CheckFreeSpace(folder);
    if (static_cast<double>(disk.freeBytesAvailable) / kBytesPerGigabyte < 1.0) {
        std::wstring text;
        if (!toolkit::StringTable::Get(kLowDiskStringId, &text)) text = kLowDiskFallback;
        if (Tip(L"MessageBox2Wnd.xml", text.c_str(), kCaption, nullptr)) SendInstall(0, false);
        return false;
    }

    installFolder = folder;
    const std::wstring uninstaller =
        m_records.SkipsOldUninstaller(folder) ? std::wstring() : previousUninstaller;
    controller->Configure(m_options.downloadUrl, uninstaller, folder, desktopShortcut, quickLaunch,
                          m_records.consoleUserIsAdmin, m_records.processIsAdmin,
                          CurrentLanguageCode(languageCombo, m_options.language));

    if (m_options.isCheckNet) {
        if (probeThread) {
            probeThread->Join();
            probeThread.reset();
        }
        toolkit::WindowUi* ui = &m_ui;
        toolkit::CControlUI* root = m_ui.GetRoot();
        probeThread = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [ui, root](void*) {
            // Posted: a window that is gone by then simply never hears of it.
            ui->SendNotify(root, L"checknet", Utils::CheckNetwork(), 0, true);
            return 0u;
        });
        probeThread->Resume();
    } else {
        SendInstall(1, true);
    }
    return true;
}

void CMainWnd::OnCheckNet(WPARAM result) {
    const uint32_t reason = static_cast<uint32_t>(result) >> 16;
    if (reason != 0 && !Tip(L"MessageBox2Wnd.xml", L"当前网络环境较差，请在网络通畅时进行安装",
                            kCaption, nullptr)) {
        return;
    }
    SendInstall(reason == 0 ? 1 : 0, false);
}

void CMainWnd::OnInstall(WPARAM go) {
    if (go != 0 && mainTabLt != nullptr) {
        installMode = mainTabLt->GetCurSel();
        mainTabLt->SelectItem(2);
        if (m_events.installingView) m_events.installingView();
        controller->Start();
    }
    if (customeInstallBtn != nullptr) customeInstallBtn->SetEnabled(true);
}

void CMainWnd::Notify(Notification& msg) {
    const toolkit::HWND self = GetHWND();
    const std::wstring& type = msg.type;
    if (type == toolkit::kNotifySelectChanged && msg.sender != nullptr) {
        if (msg.sender == treatyCb) {
            if (treatyBtn != nullptr) treatyBtn->Selected(IsSelected(treatyCb), false);
            if (IsSelected(treatyCb) && (serviceCb == nullptr || IsSelected(serviceCb))) {
                if (customeBtn != nullptr) customeBtn->SetEnabled(true);
                if (tipLbl != nullptr) tipLbl->SetVisible(false);
            } else if (customeBtn != nullptr) {
                customeBtn->SetEnabled(false);
            }
        } else if (msg.sender == serviceCb) {
            const bool on = IsSelected(serviceCb);
            if (customeBtn != nullptr) customeBtn->SetEnabled(on && IsSelected(treatyCb));
            if (defaultInstallBtn != nullptr) defaultInstallBtn->SetEnabled(on);
        } else if (msg.sender == treatyBtn && treatyBtn != nullptr) {
            treatyBtn->Selected(IsSelected(treatyCb), false);  // a link, not a switch
        }
    } else if (type == toolkit::kNotifyTabSelect) {
        OnPageChanged();
    } else if (type == L"checknet") {
        OnCheckNet(msg.wParam);
    } else if (type == L"install") {
        OnInstall(msg.wParam);
    } else if (type == toolkit::kNotifyTimer && msg.sender == m_ui.GetRoot() &&
               msg.sender != nullptr) {
        if (msg.wParam == kBringToFrontTimer) {
            BringToFront();
            m_ui.KillTimer(msg.sender, kBringToFrontTimer);
        } else if (msg.wParam == kAutoCloseTimer) {
            Close(1);
            m_ui.KillTimer(msg.sender, kAutoCloseTimer);
        }
    } else if (type == L"itemselect" && msg.sender != nullptr && msg.sender == languageCombo) {
        ApplyLanguage(m_ui, m_options.language);
    }
    if (GetHWND() == self && self != nullptr) CSkinFrame::Notify(msg);
}

void CMainWnd::OnClick(Notification& msg) {
    toolkit::CControlUI* sender = msg.sender;
    if (sender == nullptr) return;
    auto click = [&](const wchar_t* name) {
        if (m_events.click) m_events.click(name);
    };
    if (sender == defaultInstallBtn) {
        click(L"立即安装");
        if (IsSelected(treatyCb)) {
            StartInstall(DefaultInstallFolder(), true, true);
        } else if (tipLbl != nullptr) {
            tipLbl->SetVisible(true);
        }
    } else if (sender == customeBtn) {
        click(L"自定义安装");
        if (mainTabLt != nullptr) mainTabLt->SelectItem(1);
        if (customeInstallBtn != nullptr) customeInstallBtn->SetFocus();
    } else if (sender == treatyBtn) {
        platform::ShellOpen(kTermsUrl, L"", platform::kShowMaximized);
    } else if (sender == backBtn) {
        if (mainTabLt != nullptr) mainTabLt->SelectItem(0);
    } else if (sender == chDirBtn) {
        std::wstring folder;
        if (platform::BrowseForFolder(GetNativeHandle(), L"选择一个文件夹", L"", &folder) &&
            installDirEdit != nullptr && GetHWND() != nullptr) {
            installDirEdit->SetText(folder);
        }
    } else if (sender == customeInstallBtn) {
        click(L"自定义安装_立即安装");
        StartInstall(CustomInstallFolder(), IsSelected(createDSCb), IsSelected(createQSCb));
    } else if (sender == openProduceBtn) {
        click(L"立即体验");
        if (launchStyle == 2 && !RunProduct()) return;
        Close(1);
    } else if (sender->GetName() == L"closebtn") {
        if (CurrentPage() == 3) {
            Close(1);
            return;
        }
        int answer = kTipCancel;
        if (Tip(L"ExitTipWnd.xml", nullptr, nullptr, &answer) && answer == kTipOk) Close(1);
    } else {
        CSkinFrame::OnClick(msg);
    }
}

void CMainWnd::OnStage(const StageMessage& stage) {
    switch (stage.code) {
        case 1001:
            ReportDownloaderStart();
            downloadStopwatch.Start();
            Report(L"开始下载大包");
            break;
        case 1002:
            ShowProgress(static_cast<int>(stage.value * m_options.downloadScale * 100));
            break;
        case 1003:
            Report(L"大包下载完毕", downloadStopwatch.Elapsed());
            break;
        case 1004:
            OnDownloadFailed(stage);
            break;
        case 1006:
            Report(L"下载失败原因", 0.0f,
                   orvane::analytics::ShortFailureText(stage.value, stage.text));
            break;
        case 2001:
            m_records.WriteInstallSettings(installFolder, m_options.exeFileName);
            break;
        case 2002: {
            // Creeps on by itself, since packages report rarely; the report wins when ahead.
            smoothedInstallFraction =
                std::max(std::min(smoothedInstallFraction + 0.15, 0.95), stage.value);
            const double scale = m_options.downloadScale;
            ShowProgress(static_cast<int>(((1 - scale) * smoothedInstallFraction + scale) * 100));
            break;
        }
        case 2003:
            OnSuccess();
            break;
        case 2004:
            OnInstallFailed(stage);
            break;
        case 3000:
            installFolder = stage.text;
            m_records.reportedInstallPath = stage.text;
            break;
        case 3001:
            productExePath = stage.text;
            break;
        case 3003:
            uninstallDataPath = stage.text;
            m_records.reportedUninstallPath = stage.text;
            break;
        case 3004:
            startUrl = stage.text;
            break;
        case 3005:
            launchStyle = static_cast<int>(AsUnsigned(stage.value));
            break;
        case 3007:
            bringToFrontDelay = AsUnsigned(stage.value);
            break;
        case 3008:
            autoCloseDelay = AsUnsigned(stage.value);
            break;
        case 3009:
            Tip(L"MessageBox1Wnd.xml", stage.text.c_str(), L"消息", nullptr);
            break;
        case 5004:
        case 5005:
            if (!Tip(L"MessageBox1Wnd.xml", kRunningText, kCaption, nullptr)) return;
            if (mainTabLt != nullptr) mainTabLt->SelectItem(installMode);
            if (hasExistingInstallation) Close(1);
            break;
        default:
            break;
    }
}

void CMainWnd::OnDownloadFailed(const StageMessage& stage) {
    Report(L"下载失败原因", 0.0f,
           orvane::analytics::DownloadFailureText(
               stage.value, stage.text,
               orvane::analytics::SystemFailureProbes(controller->PackagePath())));
    int answer = kTipCancel;
    if (!Tip(L"NetworkTipWnd.xml", nullptr, nullptr, &answer)) return;
    if (answer == kTipCancel && hasExistingInstallation) {
        Close(1);
    } else if (answer == kTipOk) {
        const bool started = installMode == 0
                                 ? StartInstall(DefaultInstallFolder(), true, true)
                                 : StartInstall(CustomInstallFolder(), IsSelected(createDSCb),
                                                IsSelected(createQSCb));
        static_cast<void>(started);
        if (GetHWND() == nullptr) return;
    }
    if (mainTabLt != nullptr) mainTabLt->SelectItem(installMode);
}

void CMainWnd::OnInstallFailed(const StageMessage& stage) {
    Report(L"安装失败原因", 0.0f, orvane::analytics::ShortFailureText(stage.value, stage.text));
    const std::wstring text = stage.text.empty() ? L"安装失败" : stage.text;
    if (!Tip(L"MessageBox2Wnd.xml", text.c_str(), kCaption, nullptr)) return;
    if (installPrg != nullptr && installPrg->GetValue() >= 70) {
        if (progressLb != nullptr) progressLb->SetText(L"正在安装中:0%，请稍候...");
        installPrg->SetValue(0);
    }
    if (mainTabLt != nullptr) mainTabLt->SelectItem(0);
}

void CMainWnd::ShowProgress(int percent) {
    std::wstring format = progressLb != nullptr ? progressLb->GetUserData() : std::wstring();
    if (format.empty()) {
        format = downloadStopwatch.Elapsed() > 60.0f ? kSlowProgressFormat : kProgressFormat;
    }
    if (progressLb != nullptr) {
        progressLb->SetText(
            FormatIntegerPattern(format, static_cast<uint32_t>(percent), kProgressBufferSize));
    }
    if (installPrg != nullptr) installPrg->SetValue(percent);
}

void CMainWnd::OnSuccess() {
    Report(L"安装成功", downloadStopwatch.Elapsed());
    if (installPrg != nullptr) {
        installPrg->SetValue(100);
        const wchar_t* finishedBar = L"res\\mainWnd\\installPrg3.png";
        if (toolkit::ResourceAccess::FileExistsOnDisk(finishedBar)) {
            installPrg->SetForeImage(finishedBar);
            installPrg->Invalidate();
        }
    }
    if (softNameLbl != nullptr) {
        softNameLbl->SetText(L"Collivo");
        softNameLbl->SetVisible(true);
    }
    if (mainTabLt != nullptr) mainTabLt->SelectItem(3);
    m_records.SaveInstallRecord(installFolder);
    m_records.WriteInstallSettings(installFolder, m_options.exeFileName);
    if (launchStyle == 1 && !RunProduct()) return;
    toolkit::CControlUI* root = m_ui.GetRoot();
    if (bringToFrontDelay != 0) m_ui.SetTimer(root, kBringToFrontTimer, bringToFrontDelay);
    if (autoCloseDelay != 0) m_ui.SetTimer(root, kAutoCloseTimer, autoCloseDelay);
}

bool CMainWnd::RunProduct() {
    const toolkit::HWND self = GetHWND();
    if (startUrl.size() > 5) platform::ShellOpen(startUrl, L"", platform::kShowMaximized);
    if (FileExists(productExePath)) {
        // Lets the window repaint before the product takes the screen.
        Utils::PumpMessages(self);
        if (GetHWND() != self) return false;
        platform::ShellOpen(productExePath, L"", platform::kShowNormal);
    }
    return GetHWND() == self;
}

void CMainWnd::OnPageChanged() {
    const int page = CurrentPage();
    static const wchar_t* const kBackgrounds[] = {
        L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png", L"res\\mainWnd\\bg3.png",
        L"res\\mainWnd\\bg4.png"};
    if (winCtn != nullptr) {
        winCtn->SetBkImage(page >= 0 && page <= 3 ? kBackgrounds[page] : kBackgrounds[0]);
    }
    if (titleTabLt != nullptr) {
        if (page == 0 || page == 1) {
            titleTabLt->SelectItem(1);
        } else if (page == 3) {
            titleTabLt->SelectItem(2);
        } else if (page != 2) {
            titleTabLt->SelectItem(0);
        }
    }
    if (page == 2) {
        if (auto* animation = dynamic_cast<CSequenceLabelUI*>(progressAnLb)) animation->Start();
    } else if (page == 3) {
        if (progressAnLb != nullptr) m_ui.KillTimer(progressAnLb, kSequenceTimerId);
        if (auto* animation = dynamic_cast<CSequenceLabelUI*>(finishedLbl)) animation->Start();
    }
    if (winCtn != nullptr) winCtn->Invalidate();
    if (titleGrpCtn != nullptr) titleGrpCtn->SetVisible(page != 2);
    if (installLogo != nullptr) installLogo->SetVisible(page == 2);
    if (backBtn != nullptr) backBtn->SetVisible(page == 1);
}

}  // namespace ui
