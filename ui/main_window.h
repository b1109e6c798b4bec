// CMainWnd: the installer's only top-level window. It proposes the install folder, asks about
// an earlier installation, starts an installation through the download-install controller,
// follows the controller's stage messages (posted from its workers as message 2024 and freed
// here), moves through its four pages, shows tips and reports usage events. Built, run and
// destroyed on the UI thread; workers only post to it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "install/download_installer.h"
#include "install/install_records.h"
#include "sys/stopwatch.h"
#include "sys/thread.h"
#include "ui/skin_frame.h"

typedef struct _GSource GSource;

namespace toolkit {
class CCheckBoxUI;
class CEditUI;
class CProgressUI;
class CTabLayoutUI;
}  // namespace toolkit

namespace ui {

inline constexpr toolkit::UINT kMsgDownloaderStart = 1224;  // WM_USER + 200, from any sender
inline constexpr toolkit::UINT kMsgStage = 2024;

// One notification of a worker on its way to the window; the window frees it.
struct StageMessage {
    int code = 0;
    double value = 0.0;
    std::wstring text;
};

// What the window takes from the installer's settings.
struct MainWindowOptions {
    std::wstring downloadUrl;
    double downloadScale = 0.7;
    bool isCheckNet = false;
    // What the download-install controller takes; the window reads insNew too (with it, a
    // running product need not be closed before installing).
    DownloadInstallerSettings install;
    int language = 0;
    std::wstring abGroup = L"IN";
    std::wstring exeFileName;  // the installer's own file name, for the records
};

// Where the window's usage events go (the analytics reporting in the installer; a recorder in
// tests). The A/B label is added by the receiver.
struct MainWindowEvents {
    std::function<void(const std::wstring& name, float elapsedSeconds, const std::wstring& reason)>
        task;
    std::function<void(const std::wstring& name)> click;
    std::function<void()> installingView;
};

// The installer's own web pages.
inline constexpr wchar_t kTermsUrl[] = L"https://collivo.orvane.com/terms";
inline constexpr wchar_t kProductUrl[] = L"https://collivo.orvane.com/converter";

class CMainWnd : public CSkinFrame {
public:
    CMainWnd(MainWindowOptions options, MainWindowEvents events);
    // Releases the controller (which waits for its workers) and the probe thread.
    ~CMainWnd() override;

    void InitWindow() override;
    void Notify(toolkit::Notification& msg) override;
    void OnClick(toolkit::Notification& msg) override;
    toolkit::CControlUI* CreateControl(std::wstring_view className) override;

    // Which page shows, and what the window knows (for tests and the demo).
    int CurrentPage() const;
    const std::wstring& InstallFolder() const { return installFolder; }
    int LaunchStyle() const { return launchStyle; }
    // The download clock; tests move its start back instead of waiting.
    Utils::Stopwatch& DownloadStopwatch() { return downloadStopwatch; }
    // The controller's callback: posts each notification as a StageMessage to the window.
    static StageCallback PostingCallback(toolkit::HWND window);

protected:
    toolkit::LRESULT HandleMessage(toolkit::UINT msg, toolkit::WPARAM wParam,
                                   toolkit::LPARAM lParam) override;
    toolkit::LRESULT HandleCustomMessage(toolkit::UINT msg, toolkit::WPARAM wParam,
                                         toolkit::LPARAM lParam, bool& handled) override;
    virtual toolkit::LRESULT OnTimerMessage(toolkit::UINT msg, toolkit::WPARAM wParam,
                                            toolkit::LPARAM lParam, bool& handled);
    virtual toolkit::LRESULT OnStageMessage(toolkit::UINT msg, toolkit::WPARAM wParam,
                                            toolkit::LPARAM lParam, bool& handled);

private:
    void BindControls();
    void ClearControls();
    void StartupDecision();
    bool StartInstall(const std::wstring& folder, bool desktopShortcut, bool quickLaunch);
    bool RefuseWhileRunning(const wchar_t* processName);
    void OnCheckNet(toolkit::WPARAM result);
    void OnInstall(toolkit::WPARAM go);
    void OnStage(const StageMessage& stage);
    void OnDownloadFailed(const StageMessage& stage);
    void OnInstallFailed(const StageMessage& stage);
    void OnSuccess();
    void ShowProgress(int percent);
    // False when the window was closed while the product was being started.
    bool RunProduct();
    void OnPageChanged();
    void ReportDownloaderStart();
    void SendInstall(toolkit::WPARAM go, bool async);
    std::wstring DefaultInstallFolder();
    std::wstring CustomInstallFolder();
    bool IsSelected(toolkit::CCheckBoxUI* box) const;
    // A tip over this window; false when the window is gone once it returns (a handler must
    // then touch nothing).
    bool Tip(const wchar_t* layout, const wchar_t* text, const wchar_t* caption, int* result);
    void Report(const std::wstring& name, float elapsed = 0.0f, const std::wstring& reason = {});

    MainWindowOptions m_options;
    MainWindowEvents m_events;

    // Controls found by name in the layout; any may be null.
    toolkit::CTabLayoutUI* mainTabLt = nullptr;
    toolkit::CTabLayoutUI* titleTabLt = nullptr;
    toolkit::CControlUI* defaultInstallBtn = nullptr;
    toolkit::CControlUI* customeInstallBtn = nullptr;
    toolkit::CControlUI* customeBtn = nullptr;
    toolkit::CCheckBoxUI* treatyBtn = nullptr;
    toolkit::CControlUI* backBtn = nullptr;
    toolkit::CControlUI* openProduceBtn = nullptr;
    toolkit::CCheckBoxUI* treatyCb = nullptr;
    toolkit::CCheckBoxUI* serviceCb = nullptr;
    toolkit::CControlUI* chDirBtn = nullptr;
    toolkit::CEditUI* installDirEdit = nullptr;
    toolkit::CControlUI* progressLb = nullptr;
    toolkit::CControlUI* titleGrpCtn = nullptr;
    toolkit::CControlUI* winCtn = nullptr;
    toolkit::CCheckBoxUI* createDSCb = nullptr;
    toolkit::CCheckBoxUI* createQSCb = nullptr;
    toolkit::CControlUI* progressAnLb = nullptr;
    toolkit::CControlUI* finishedLbl = nullptr;
    toolkit::CControlUI* softNameLbl = nullptr;
    toolkit::CControlUI* installLogo = nullptr;
    toolkit::CControlUI* languageCombo = nullptr;
    toolkit::CControlUI* tipLbl = nullptr;
    toolkit::CProgressUI* installPrg = nullptr;

    std::wstring productExePath;
    std::wstring uninstallDataPath;
    std::wstring installFolder;
    std::wstring previousUninstaller;
    std::wstring existingInstallFolder;
    std::wstring startUrl = kProductUrl;
    int launchStyle = 0;
    uint32_t bringToFrontDelay = 3000;
    uint32_t autoCloseDelay = 4294967295u;
    std::unique_ptr<CDownloadInstaller> controller;
    Utils::Stopwatch downloadStopwatch;
    std::unique_ptr<Utils::Thread> probeThread;
    int installMode = 0;
    double smoothedInstallFraction = 0.0;
    bool hasExistingInstallation = false;
    std::wstring abLabel = L"IN";
    bool downloaderStartReported = false;

    InstallRecords m_records;
    GSource* m_signalSource = nullptr;  // SIGUSR1 raises message 1224
    bool m_painted = false;
};

}  // namespace ui
