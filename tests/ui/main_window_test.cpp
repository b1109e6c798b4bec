// The main window on the offscreen host, driven as a user would: a default installation of the
// demo package from its own package server to the finished page, and the window's answers to
// stage messages, failures, the agreement box and every way of closing it. The shell and the
// analytics are recorded, never run.
#include "ui/main_window.h"

#include <signal.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/shell_execute.h"
#include "tests/support/scratch_folder.h"
#include "tests/ui/ui_test_support.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/offscreen_host.h"
#include "toolkit/progress.h"
#include "toolkit/tab_layout.h"
#include "tools/package-server/package_server.h"

namespace ui_test {
namespace {

namespace fs = std::filesystem;
using testing_support::ScratchFolder;

class MainWindowTest : public SkinTest {
protected:
    void SetUp() override {
        SkinTest::SetUp();
        setenv("HOME", (m_scratch / "home").c_str(), 1);
        setenv("TMPDIR", m_scratch.Path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        ASSERT_TRUE(m_server.Start());
        platform::SetShellOpenHandler([this](const std::wstring& target, const std::wstring&, int) {
            m_opened.push_back(target);
            return true;
        });
        m_options.downloadUrl = Utils::FromUtf8(m_server.DownloadUrl());
        m_options.exeFileName = L"CollivoSetup.exe";
    }
    void TearDown() override {
        m_window.reset();
        platform::SetShellOpenHandler(nullptr);
        setenv("HOME", m_home.c_str(), 1);
        unsetenv("TMPDIR");
        SkinTest::TearDown();
    }

    CMainWnd& Open() {
        MainWindowEvents events;
        events.task = [this](const std::wstring& name, float, const std::wstring&) {
            m_events.push_back(name);
        };
        events.click = [this](const std::wstring& name) { m_events.push_back(L"click:" + name); };
        events.installingView = [this] { m_events.push_back(L"view:安装中"); };
        m_window = std::make_unique<CMainWnd>(m_options, std::move(events));
        EXPECT_NE(m_window->Create(nullptr, L"Collivo", 0x10CF0000, 0), nullptr);
        return *m_window;
    }
    void Post(int code, double value = 0.0, const wchar_t* text = L"") {
        CMainWnd::PostingCallback(m_window->GetHWND())(code, value, text);
        offscreen::RunPending();
    }
    template <typename T>
    T* Find(const wchar_t* name) {
        return dynamic_cast<T*>(m_window->FindControl(name));
    }
    std::wstring Text(const wchar_t* name) { return m_window->FindControl(name)->GetText(); }
    int Bar() { return Find<CProgressUI>(L"installPrg")->GetValue(); }
    size_t Count(const std::wstring& event) const {
        return static_cast<size_t>(std::count(m_events.begin(), m_events.end(), event));
    }
    bool WaitForPage(int page, uint32_t ms = 60000) {
        return offscreen::RunUntil([&] { return m_window->CurrentPage() == page; }, ms);
    }

    std::string m_home = getenv("HOME") != nullptr ? getenv("HOME") : "/root";
    ScratchFolder m_scratch;
    package_server::PackageServer m_server{DEMO_PACKAGE_PATH};
    MainWindowOptions m_options;
    std::unique_ptr<CMainWnd> m_window;
    std::vector<std::wstring> m_events;
    std::vector<std::wstring> m_opened;
};

TEST_F(MainWindowTest, DefaultInstallationReachesTheFinishedPage) {
    CMainWnd& window = Open();
    const std::wstring folder = Find<CEditUI>(L"installDirEdit")->GetText();
    EXPECT_EQ(fs::path(Utils::ToUtf8(folder)).filename(), "Collivo");
    ASSERT_TRUE(offscreen::Click(window, L"defaultInstallBtn"));
    ASSERT_TRUE(WaitForPage(3)) << "page " << window.CurrentPage();
    EXPECT_TRUE(WriteScreenshot(window, "run-finished.png"));

    EXPECT_EQ(Bar(), 100);
    EXPECT_TRUE(fs::exists(fs::path(Utils::ToUtf8(folder)) / "Collivo.exe"));
    // The records name the installation for the next run.
    InstallRecords records;
    records.LoadInstallRecord();
    EXPECT_TRUE(InstallRecords::SameFolder(records.registryInstallPath, folder));
    EXPECT_TRUE(fs::exists(fs::path(Utils::ToUtf8(folder)) / "set.ini"));
    const std::vector<std::wstring> expected = {L"click:立即安装", L"view:安装中",  L"下载器启动",
                                                L"开始下载大包",   L"大包下载完毕", L"安装成功"};
    std::vector<std::wstring> seen;
    for (const std::wstring& e : m_events)
        if (std::find(expected.begin(), expected.end(), e) != expected.end()) seen.push_back(e);
    EXPECT_EQ(seen, expected);

    // The demo asks to be started by the user, after a second in front.
    EXPECT_EQ(window.LaunchStyle(), 2);
    EXPECT_TRUE(m_opened.empty());
    CControlUI* root = window.GetUi().GetRoot();
    EXPECT_TRUE(window.GetUi().HasTimer(root, 10));
    EXPECT_FALSE(window.GetUi().HasTimer(root, 11));  // its auto-close delay is 0
    const HWND hwnd = window.GetHWND();
    ASSERT_TRUE(offscreen::Click(window, L"openProduceBtn"));
    ASSERT_EQ(m_opened.size(), 1u);  // no start URL, so only the product
    EXPECT_EQ(fs::path(Utils::ToUtf8(m_opened[0])).filename(), "Collivo.exe");
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
}

TEST_F(MainWindowTest, ProgressFollowsDownloadThenSmoothedInstallReports) {
    CMainWnd& window = Open();
    Post(1001);
    Post(1002, 1.0);
    EXPECT_EQ(Text(L"progressLb"), L"正在安装中:70%，请稍候...");
    EXPECT_EQ(Bar(), 70);
    for (int percent : {74, 78, 83, 88, 92, 97, 98, 98}) {
        SCOPED_TRACE(percent);
        Post(2002, 0.0);
        EXPECT_EQ(Bar(), percent);
    }
    Post(2002, 0.99);  // a report ahead of the creep wins
    EXPECT_EQ(Bar(), 99);
    static_cast<void>(window);
}

TEST_F(MainWindowTest, ProgressTextSaysToBePatientAfterAMinute) {
    m_options.downloadScale = 0.5;
    CMainWnd& window = Open();
    Post(1001);
    Post(1002, 0.333);
    EXPECT_EQ(Text(L"progressLb"), L"正在安装中:16%，请稍候...");
    window.DownloadStopwatch().startTick -= 61000;
    Post(1002, 0.333);
    EXPECT_EQ(Text(L"progressLb"), L"正在安装中:16%，请耐心等待...");
}

TEST_F(MainWindowTest, InstallFailureResetsTheBarOnlyFromSeventyPercent) {
    CMainWnd& window = Open();
    const struct {
        double download;
        int bar;
        const wchar_t* label;
    } cases[] = {
        {0.99, 69, L"正在安装中:69%，请稍候..."},
        {1.0, 0, L"正在安装中:0%，请稍候..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bar);
        Find<CTabLayoutUI>(L"mainTabLt")->SelectItem(2);
        Post(1002, c.download);
        std::wstring tipText;
        offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
            tipText = tip.FindControl(L"textLbl")->GetText();
            tip.Close();
        });
        Post(2004, 0, L"");
        EXPECT_EQ(tipText, L"安装失败");
        EXPECT_EQ(Bar(), c.bar);
        EXPECT_EQ(Text(L"progressLb"), c.label);
        EXPECT_EQ(window.CurrentPage(), 0);
    }
}

TEST_F(MainWindowTest, AgreementUncheckedShowsTheHintAndStartsNothing) {
    CMainWnd& window = Open();
    auto* agreement = Find<CCheckBoxUI>(L"treatyCb");
    auto* link = Find<CCheckBoxUI>(L"treatyBtn");
    ASSERT_TRUE(offscreen::Click(window, L"treatyCb"));
    EXPECT_FALSE(agreement->IsSelected());
    EXPECT_FALSE(link->IsSelected());  // mirrors the box
    EXPECT_FALSE(window.FindControl(L"customeBtn")->IsEnabled());
    ASSERT_TRUE(offscreen::Click(window, L"defaultInstallBtn"));
    EXPECT_TRUE(window.FindControl(L"tipLbl")->IsVisible());
    offscreen::RunPending();
    EXPECT_EQ(window.CurrentPage(), 0);
    EXPECT_EQ(Count(L"view:安装中"), 0u);
    // The link opens the terms and keeps mirroring the box.
    ASSERT_TRUE(offscreen::Click(window, L"treatyBtn"));
    EXPECT_EQ(m_opened, std::vector<std::wstring>{kTermsUrl});
    EXPECT_FALSE(link->IsSelected());
    ASSERT_TRUE(offscreen::Click(window, L"treatyCb"));
    EXPECT_FALSE(window.FindControl(L"tipLbl")->IsVisible());
    EXPECT_TRUE(window.FindControl(L"customeBtn")->IsEnabled());
    EXPECT_TRUE(link->IsSelected());
}

TEST_F(MainWindowTest, ClosingAsksOnTheFirstPagesAndNotOnTheLast) {
    CMainWnd& window = Open();
    const HWND hwnd = window.GetHWND();
    // "否" keeps the window; Escape never closes it.
    offscreen::AnswerNextModal([](SkinWindowBase& tip) { offscreen::Click(tip, L"cancelBtn"); });
    ASSERT_TRUE(offscreen::Click(window, L"closebtn"));
    offscreen::PressKey(window, VK_ESCAPE);
    offscreen::RunPending();
    EXPECT_TRUE(IsWindow(hwnd));
    // Nor does a close request while installing.
    Find<CTabLayoutUI>(L"mainTabLt")->SelectItem(2);
    EXPECT_FALSE(window.FindControl(L"titleGrpCtn")->IsVisible());
    offscreen::RequestClose(window);
    offscreen::RunPending();
    EXPECT_TRUE(IsWindow(hwnd));
    // On the finished page the close button closes at once.
    Find<CTabLayoutUI>(L"mainTabLt")->SelectItem(3);
    bool asked = false;
    offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
        asked = true;
        tip.Close();
    });
    ASSERT_TRUE(offscreen::Click(window, L"closebtn"));
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
    EXPECT_FALSE(asked);
}

TEST_F(MainWindowTest, ExitQuestionAnsweredYesFromTheCustomPage) {
    CMainWnd& window = Open();
    ASSERT_TRUE(offscreen::Click(window, L"customeBtn"));
    EXPECT_EQ(window.CurrentPage(), 1);
    EXPECT_TRUE(window.FindControl(L"backBtn")->IsVisible());
    const HWND hwnd = window.GetHWND();
    offscreen::AnswerNextModal([](SkinWindowBase& tip) { offscreen::Click(tip, L"okBtn"); });
    ASSERT_TRUE(offscreen::Click(window, L"closebtn"));
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
}

TEST_F(MainWindowTest, DownloadFailureOffersARetryInTheSameMode) {
    package_server::Faults faults;
    faults.getStatus = 404;
    m_server.SetFaults(faults);
    CMainWnd& window = Open();
    ASSERT_TRUE(offscreen::Click(window, L"customeBtn"));
    Find<CEditUI>(L"installDirEdit")->SetText(Utils::FromUtf8(m_scratch / "custom"));
    int tips = 0;
    // First "重新安装", then "稍后再试".
    auto answer = [&](SkinWindowBase& tip) {
        ++tips;
        offscreen::Click(tip, tips == 1 ? L"okBtn" : L"cancelBtn");
    };
    offscreen::AnswerNextModal(answer);
    offscreen::AnswerNextModal(answer);
    ASSERT_TRUE(offscreen::Click(window, L"customeInstallBtn"));
    ASSERT_TRUE(offscreen::RunUntil([&] { return tips == 2 && window.CurrentPage() == 1; }, 60000));
    EXPECT_EQ(window.InstallFolder(), Utils::FromUtf8(m_scratch / "custom/Collivo"));
    EXPECT_EQ(Count(L"开始下载大包"), 2u);
    EXPECT_EQ(Count(L"下载器启动"), 1u);
    EXPECT_EQ(Count(L"下载失败原因"), 2u);
    EXPECT_TRUE(IsWindow(window.GetHWND()));  // no earlier installation: the window stays
}

TEST_F(MainWindowTest, RunningProductAtStartUpOnlyTellsAndCloses) {
    // An earlier installation, and its product running.
    const fs::path folder = m_scratch / "old";
    fs::create_directories(folder);
    std::ofstream(folder / "uninst.ep") << "#!/bin/sh\n";
    InstallRecords old;
    old.reportedInstallPath = Utils::FromUtf8(folder.string());
    old.SaveInstallRecord(old.reportedInstallPath);
    const fs::path product = m_scratch / "Collivo.exe";
    fs::copy_file("/bin/sleep", product);
    pid_t pid = fork();
    if (pid == 0) {
        execl(product.c_str(), "Collivo.exe", "30", nullptr);
        _exit(127);
    }
    ASSERT_TRUE(offscreen::RunUntil(
        [] { return CDownloadInstaller::FindProcessByName(L"Collivo.exe") != 0; }, 10000));
    std::vector<std::wstring> tips;
    offscreen::AnswerNextModal([&](SkinWindowBase& tip) {
        tips.push_back(tip.FindControl(L"textLbl")->GetText());
        tip.Close();
    });
    CMainWnd& window = Open();
    const HWND hwnd = window.GetHWND();
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(tips,
              std::vector<std::wstring>{L"安装程序检测到Collivo\r\n正在运行，请退出程序后再安装"});
    EXPECT_EQ(Count(L"view:安装中"), 0u);
}

TEST_F(MainWindowTest, TryNowByLaunchStyle) {
    const fs::path product = m_scratch / "product";
    std::ofstream(product) << "x";
    const struct {
        int style;
        std::vector<std::wstring> opened;
    } cases[] = {
        {0, {}},
        {2, {L"https://example.test/welcome", Utils::FromUtf8(product.string())}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        m_opened.clear();
        CMainWnd& window = Open();
        Post(3001, 0, Utils::FromUtf8(product.string()).c_str());
        Post(3004, 0, L"https://example.test/welcome");
        Post(3005, c.style);
        Find<CTabLayoutUI>(L"mainTabLt")->SelectItem(3);
        const HWND hwnd = window.GetHWND();
        ASSERT_TRUE(offscreen::Click(window, L"openProduceBtn"));
        ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
        EXPECT_EQ(m_opened, c.opened);
    }
}

TEST_F(MainWindowTest, SuccessBringsTheWindowForwardThenClosesItByTheReportedDelays) {
    CMainWnd& window = Open();
    Post(3007, 200);
    Post(3008, 5000);
    Post(3005, 1);  // started at success
    Post(2003);
    EXPECT_EQ(window.CurrentPage(), 3);
    EXPECT_EQ(Bar(), 100);
    EXPECT_EQ(m_opened, std::vector<std::wstring>{kProductUrl});  // no product file reported
    CControlUI* root = window.GetUi().GetRoot();
    WindowUi& ui = window.GetUi();
    ASSERT_TRUE(ui.HasTimer(root, 10));
    ASSERT_TRUE(ui.HasTimer(root, 11));
    auto* host = dynamic_cast<OffscreenWindow*>(window.GetHostWindow());
    const int raised = host->RaiseCount();
    ASSERT_TRUE(offscreen::RunUntil([&] { return !ui.HasTimer(root, 10); }));  // after 200 ms
    EXPECT_EQ(host->RaiseCount(), raised + 1);
    const HWND hwnd = window.GetHWND();
    ASSERT_TRUE(ui.FireTimer(root, 11));
    ASSERT_TRUE(offscreen::RunUntil([&] { return !IsWindow(hwnd); }));
}

TEST_F(MainWindowTest, WindowDestroyedUnderAnOpenTipEndsCleanly) {
    CMainWnd& window = Open();
    // A stage message reaches the window while the exit question is open, and the window
    // goes away meanwhile: the click handler must not touch it afterwards.
    offscreen::AnswerNextModal([&](SkinWindowBase&) {
        Post(3008, 5);
        window.DestroyWindow();
    });
    ASSERT_TRUE(offscreen::Click(window, L"closebtn"));
    EXPECT_EQ(window.GetHWND(), nullptr);
    EXPECT_EQ(window.CurrentPage(), -1);  // no control is reachable any more
}

TEST_F(MainWindowTest, SignalStandsForTheDownloaderStartMessage) {
    Open();
    raise(SIGUSR1);
    ASSERT_TRUE(offscreen::RunUntil([&] { return Count(L"下载器启动") == 1; }));
    Post(1001);
    EXPECT_EQ(Count(L"下载器启动"), 1u);  // once per process run of the window
}

}  // namespace
}  // namespace ui_test
