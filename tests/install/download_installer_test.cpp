#include "install/download_installer.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>

#include "../support/log_capture.h"
#include "../support/run_program.h"
#include "../support/scratch_folder.h"
#include "app/installer_settings.h"
#include "notification_recorder.h"
#include "platform/ini_file.h"
#include "sys/text.h"
#include "tools/package-server/package_server.h"

namespace {

namespace fs = std::filesystem;
using install_test::Notification;
using install_test::Recorder;
using testing_support::ScratchFolder;

bool Terminal(int code) {
    return code == 2003 || code == 2004 || code == 1004 || code == 5004 || code == 5005;
}

// One controller fed by the demo package from its own package server, with every per-user
// folder in a scratch folder.
class DownloadInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("HOME", (m_scratch / "home").c_str(), 1);
        setenv("TMPDIR", m_scratch.Path().c_str(), 1);
        Settings().DownloadType = 1;
        Settings().InstCmd.clear();
        ASSERT_TRUE(m_server.Start());
        m_controller = std::make_unique<CDownloadInstaller>(Callback());
    }
    void TearDown() override {
        m_controller.reset();
        setenv("HOME", m_home.c_str(), 1);
        unsetenv("TMPDIR");
    }

    // Records every notification, and whether the product was there when the old version's
    // uninstaller reported success.
    StageCallback Callback() {
        return
            [this, record = m_recorder->Callback()](int code, double value, const wchar_t* text) {
                if (code == 5003) m_productAtUninstallEnd = Exists("app/Collivo.exe");
                record(code, value, text);
            };
    }
    std::wstring Dir(const std::string& name) const {
        return Utils::NarrowToWide(m_scratch / name);
    }
    void Configure(const std::string& folder, const std::wstring& previousUninstaller = L"") {
        m_controller->Configure(Utils::NarrowToWide(m_server.DownloadUrl()), previousUninstaller,
                                Dir(folder), true, true, false, false, L"");
    }
    // Runs one pass and waits (with a limit) for the code that ends it.
    std::vector<Notification> Pass() {
        const size_t before = m_recorder->Seen().size();
        m_controller->Start();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto seen = m_recorder->Seen();
            for (size_t n = before; n < seen.size(); ++n) {
                if (Terminal(seen[n].code)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // markers after it
                    const auto all = m_recorder->Seen();
                    return std::vector<Notification>(all.begin() + static_cast<long>(before),
                                                     all.end());
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ADD_FAILURE() << "the pass did not end";
        return {};
    }
    static std::vector<int> Codes(const std::vector<Notification>& seen) {
        std::vector<int> codes;
        for (const auto& n : seen)
            if (codes.empty() || codes.back() != n.code) codes.push_back(n.code);  // runs as one
        return codes;
    }
    bool Exists(const std::string& name) const { return fs::exists(m_scratch / name); }

    std::string m_home = getenv("HOME") != nullptr ? getenv("HOME") : "/root";
    ScratchFolder m_scratch;
    package_server::PackageServer m_server{DEMO_PACKAGE_PATH};
    std::shared_ptr<Recorder> m_recorder = Recorder::Make();
    std::unique_ptr<CDownloadInstaller> m_controller;
    std::atomic<bool> m_productAtUninstallEnd{true};
};

TEST_F(DownloadInstallerTest, FreshPassDownloadsInstallsAndRemovesThePackage) {
    // Slow enough for progress reports, which come at most once a second.
    package_server::Faults faults;
    faults.throttleBytesPerSecond = m_server.Length() / 2;
    m_server.SetFaults(faults);
    testing_support::LogCapture log;
    Configure("app");
    const auto seen = Pass();
    const auto codes = Codes(seen);
    // Download, then the package run with its reports, then success.
    ASSERT_GE(codes.size(), 5u);
    EXPECT_EQ(codes[0], 1001);
    EXPECT_EQ(codes[1], 1002);
    const auto installStart = std::find(codes.begin(), codes.end(), 2001);
    ASSERT_NE(installStart, codes.end());
    EXPECT_EQ(*(installStart - 1), 1003);
    EXPECT_EQ(codes.back(), 2003);
    for (int report : {3000, 3003})
        EXPECT_NE(std::find(installStart, codes.end(), report), codes.end()) << report;

    EXPECT_TRUE(Exists("app/Collivo.exe"));
    EXPECT_TRUE(Exists("app/uninst.ep"));
    EXPECT_FALSE(Exists("app/__Package_Collivo.exe"));
    // The markers, in their order around the steps.
    EXPECT_EQ(log.Matching(": DL_TYPE=1\r\n").size(), 1u);
    const auto lines = log.Lines();
    auto at = [&](const char* marker) {
        for (size_t n = 0; n < lines.size(); ++n)
            if (lines[n].find(std::string(": ") + marker + "\r\n") != std::string::npos) return n;
        return lines.size();
    };
    EXPECT_LT(at("DL_CODE_START"), at("DOWNLOAD_SUCCESS"));
    EXPECT_LT(at("DOWNLOAD_SUCCESS"), at("IST_CODE_START"));
    EXPECT_LT(at("IST_CODE_START"), at("INSTALL_SUCCESS"));
    EXPECT_LT(at("INSTALL_SUCCESS"), lines.size());
}

TEST_F(DownloadInstallerTest, PreviousInstallationIsUninstalledBeforeTheDownload) {
    Configure("app");
    ASSERT_EQ(Codes(Pass()).back(), 2003);
    ASSERT_TRUE(Exists("app/uninst.ep"));

    Configure("app", Dir("app/uninst.ep"));
    const auto codes = Codes(Pass());
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes[0], 5002);
    EXPECT_EQ(codes[1], 5003);
    EXPECT_EQ(codes[2], 1001);
    EXPECT_EQ(codes.back(), 2003);
    EXPECT_FALSE(m_productAtUninstallEnd);  // the old product was gone before the download
    EXPECT_TRUE(Exists("app/Collivo.exe"));
    EXPECT_TRUE(Exists("~OrvaneTemp.92482B06FB471E17/Collivo_un_asa.exe"));
}

TEST_F(DownloadInstallerTest, MissingUninstallerFileSkipsTheUninstall) {
    Configure("app", Dir("gone/uninst.ep"));
    const auto codes = Codes(Pass());
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes[0], 1001);
    EXPECT_EQ(codes.back(), 2003);
}

TEST_F(DownloadInstallerTest, FailingUninstallerStopsThePass) {
    fs::create_directories(m_scratch / "old");
    const std::string script = m_scratch / "old/uninst.ep";
    std::ofstream(script) << "#!/bin/sh\necho State=Fail\n";
    chmod(script.c_str(), 0755);
    Configure("app", Dir("old/uninst.ep"));
    const auto seen = Pass();
    EXPECT_EQ(Codes(seen).back(), 5005);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(m_recorder->WithCode(1001).empty());  // nothing was downloaded
}

TEST_F(DownloadInstallerTest, DownloadFailureDeletesThePackageFile) {
    package_server::Faults faults;
    faults.getStatus = 404;
    m_server.SetFaults(faults);
    Configure("app");
    EXPECT_EQ(Codes(Pass()).back(), 1004);
    EXPECT_FALSE(Exists("app/__Package_Collivo.exe"));
}

TEST_F(DownloadInstallerTest, SecondPassIntoAnotherFolderDeletesBothPackagePaths) {
    Configure("first");
    ASSERT_EQ(Codes(Pass()).back(), 2003);
    // The downloader keeps the first pass's package path; the runner gets the new folder.
    Configure("second");
    ASSERT_EQ(Codes(Pass()).back(), 2003);
    EXPECT_TRUE(Exists("second/Collivo.exe"));
    EXPECT_FALSE(Exists("first/__Package_Collivo.exe"));
    EXPECT_FALSE(Exists("second/__Package_Collivo.exe"));
}

TEST_F(DownloadInstallerTest, DownloadTypesOtherThanTwoAndThreeUseTheSingleConnectionDownloader) {
    for (int type : {0, 1, 5}) {
        SCOPED_TRACE(type);
        testing_support::LogCapture log;
        Settings().DownloadType = type;
        m_controller = std::make_unique<CDownloadInstaller>(Callback());
        Configure("app" + std::to_string(type));
        EXPECT_EQ(Codes(Pass()).back(), 2003);
        // Only the single-connection downloader fetches through CurlClient.
        EXPECT_FALSE(log.Matching("(CurlClient::Start)").empty());
        EXPECT_TRUE(log.Matching("(CMTCurlDownloader::").empty());
    }
}

TEST(FindProcessByName, FindsARunningProgramByItsWholeName) {
    // A program under a name no other process has: a copy of sleep.
    ScratchFolder scratch;
    const std::string name = "Collivo-" + std::to_string(getpid()) + ".exe";
    fs::copy_file("/bin/sleep", scratch / name);
    pid_t pid = -1;
    std::string path = scratch / name, seconds = "30";
    char* argv[] = {path.data(), seconds.data(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);

    EXPECT_EQ(CDownloadInstaller::FindProcessByName(Utils::NarrowToWide(name)),
              static_cast<uint32_t>(pid));
    EXPECT_EQ(CDownloadInstaller::FindProcessByName(Utils::NarrowToWide(name.substr(1))), 0u);
    EXPECT_EQ(
        CDownloadInstaller::FindProcessByName(L"collivo-" + std::to_wstring(getpid()) + L".exe"),
        0u);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

namespace {

// The headless installation a support engineer runs: a fresh installation, then an upgrade
// that removes the old version first, both leaving their installation records.
TEST_F(DownloadInstallerTest, StageCliInstallsAndThenUpgrades) {
    setenv("XDG_CONFIG_HOME", (m_scratch / "config").c_str(), 1);
    const std::string dir = m_scratch / "my apps/Collivo";
    const std::vector<std::string> command{STAGE_CLI_PATH,        "install", "--dir", dir, "--url",
                                           m_server.DownloadUrl()};
    const auto fresh = testing_support::RunProgram(command);
    EXPECT_EQ(fresh.exitCode, 0) << fresh.output;
    EXPECT_EQ(fresh.output.find("5002\t"), std::string::npos);
    EXPECT_NE(fresh.output.find("\n2003\t"), std::string::npos);

    const std::string records = Utils::WideToNarrow(platform::GetPrivateProfileString(
        L"HKEY_CURRENT_USER\\Software\\OrvaneSoft\\Collivo", L"UnInstallEp", L"", 260,
        Utils::NarrowToWide(m_scratch / "config/OrvaneSoft/Collivo.reg")));
    EXPECT_EQ(records, dir + "/uninst.ep");
    EXPECT_EQ(platform::GetPrivateProfileString("Install", "AppName", "", 260, dir + "/set.ini"),
              "Collivo");

    const auto upgrade = testing_support::RunProgram(command);
    EXPECT_EQ(upgrade.exitCode, 0) << upgrade.output;
    const size_t uninstalled = upgrade.output.find("5003\t");
    ASSERT_NE(uninstalled, std::string::npos) << upgrade.output;
    EXPECT_LT(uninstalled, upgrade.output.find("1001\t"));
    EXPECT_TRUE(Exists("my apps/Collivo/Collivo.exe"));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
