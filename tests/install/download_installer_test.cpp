#include "install/download_installer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>

#include "platform/ini_file.h"
#include "sys/text.h"
#include "tests/install/notification_recorder.h"
#include "tests/support/log_capture.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_folder.h"
#include "tools/package-server/package_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using install_test::DestroyedWithin;
using install_test::Eventually;
using install_test::Notification;
using install_test::Recorder;
using testing_support::ScratchFolder;

constexpr char kTempFolder[] = "~OrvaneTemp.92482B06FB471E17";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A shell script that leaves `marker` behind and reports an uninstall failure, so that a pass
// running it stops before the download.
void WriteUninstaller(const std::string& path, const std::string& marker) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\necho ran > '" << marker << "'\necho State=Fail\n";
    chmod(path.c_str(), 0755);
}

// Every file named like the uninstaller copy under `folder`.
std::vector<std::string> CopiesUnder(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        if (entry.path().filename() == "Collivo_un_asa.exe") found.push_back(entry.path());
    return found;
}

// A stand-in for the running product: a copy of sleep named "Collivo.exe".
class FakeProduct {
public:
    explicit FakeProduct(const std::string& folder) {
        fs::create_directories(folder);
        std::string path = folder + "/Collivo.exe", seconds = "600";
        fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing);
        char* argv[] = {path.data(), seconds.data(), nullptr};
        if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv, environ) != 0) m_pid = -1;
    }
    ~FakeProduct() { End(); }
    FakeProduct(const FakeProduct&) = delete;
    FakeProduct& operator=(const FakeProduct&) = delete;

    bool Running() const { return m_pid > 0; }
    void End() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

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
    // A controller with the settings' built-in values but `changed`.
    static DownloadInstallerSettings With(std::function<void(DownloadInstallerSettings&)> changed) {
        DownloadInstallerSettings settings;
        changed(settings);
        return settings;
    }
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
    // Regression: with a blank in the temporary folder the copy's command line split at it and
    // the upgrade stopped (5004, 2.0).
    for (const std::string temp : {"tmp", "temp dir"}) {
        SCOPED_TRACE(temp);
        fs::create_directories(m_scratch / temp);
        setenv("TMPDIR", (m_scratch / temp).c_str(), 1);
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
        EXPECT_EQ(CopiesUnder(m_scratch / temp), std::vector<std::string>{});  // gone with its pass
    }
}

// Regression: the copy went into a folder of a fixed name that anyone could make first, and a
// copy that failed left whatever lay there to run as the installing user.
TEST_F(DownloadInstallerTest, UninstallerCopyNeverRunsWhatOthersPlanted) {
    const std::string planted = m_scratch / (std::string(kTempFolder) + "/Collivo_un_asa.exe");
    struct Case {
        const char* name;
        bool needsRoot;
        std::function<void()> plant;
        std::vector<int> codes;  // of the pass
        bool uninstalled;        // the real uninstaller ran
    } cases[] = {
        {"a folder open to everyone",
         false,
         [&] {
             WriteUninstaller(planted, m_scratch / "planted-ran");
             chmod((m_scratch / kTempFolder).c_str(), 0777);
         },
         {5002, 5005},
         true},
        {"another user's folder and program",
         true,
         [&] {
             WriteUninstaller(planted, m_scratch / "planted-ran");
             ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
             ASSERT_EQ(chown((m_scratch / kTempFolder).c_str(), 65534, 65534), 0);
         },
         {5002, 5005},
         true},
        // The user's own folder, where the copy cannot replace what is there.
        {"a copy that fails",
         false,
         [&] {
             fs::create_directories(planted + "/x");
             chmod((m_scratch / kTempFolder).c_str(), 0700);
         },
         {5004},
         false},
    };
    WriteUninstaller(m_scratch / "old/uninst.ep", m_scratch / "real-ran");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && geteuid() != 0) continue;
        fs::remove_all(m_scratch / kTempFolder);
        fs::remove(m_scratch / "real-ran");
        c.plant();
        const std::string before = ReadFile(planted);

        m_controller = std::make_unique<CDownloadInstaller>(Callback());
        Configure("app", Dir("old/uninst.ep"));
        const auto seen = Pass();
        EXPECT_EQ(Codes(seen), c.codes);
        if (c.codes == std::vector<int>{5004}) {
            EXPECT_EQ(seen.front(), (Notification{5004, 1.0, L"可执行卸载文件不存在"}));
        }
        m_controller.reset();

        EXPECT_EQ(Exists("real-ran"), c.uninstalled);
        EXPECT_FALSE(Exists("planted-ran"));
        EXPECT_EQ(ReadFile(planted), before) << "the planted program was touched";
        // The copy went with its pass; only what was planted is left.
        const auto copies = CopiesUnder(m_scratch.Path());
        EXPECT_EQ(copies, std::vector<std::string>{planted});
    }
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
        m_controller = std::make_unique<CDownloadInstaller>(
            Callback(), With([type](auto& settings) { settings.downloadType = type; }));
        Configure("app" + std::to_string(type));
        EXPECT_EQ(Codes(Pass()).back(), 2003);
        // Only the single-connection downloader fetches through CurlClient.
        EXPECT_FALSE(log.Matching("(CurlClient::Start)").empty());
        EXPECT_TRUE(log.Matching("(CMTCurlDownloader::").empty());
    }
}

// Regression: a new pass started as soon as the window heard of a failure rewrote the package
// path while the worker that reported it still had to read it to remove the package, so the
// first package stayed behind (and the path was read and written unguarded). The callback here
// holds the worker until the window's thread has started the next pass: a worker preempted at
// the wrong moment.
TEST_F(DownloadInstallerTest, NextPassStartedOnAFailureLeavesNoPackageBehind) {
    std::mutex mutex;
    std::condition_variable changed;
    int failures = 0;
    bool nextStarted = false;
    m_controller = std::make_unique<CDownloadInstaller>(
        [&, record = m_recorder->Callback()](int code, double value, const wchar_t* text) {
            record(code, value, text);
            if (code != 2004) return;
            std::unique_lock<std::mutex> lock(mutex);
            ++failures;
            changed.notify_all();
            if (failures == 1) changed.wait_for(lock, 60s, [&] { return nextStarted; });
        },
        With([](auto& settings) { settings.instCmd = L"--demo-fail"; }));
    Configure("first");
    m_controller->Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 60s, [&] { return failures == 1; }));
    }
    Configure("second");
    m_controller->Start();
    {
        std::unique_lock<std::mutex> lock(mutex);
        nextStarted = true;
        changed.notify_all();
        ASSERT_TRUE(changed.wait_for(lock, 60s, [&] { return failures == 2; }));
    }
    m_controller.reset();
    EXPECT_FALSE(Exists("first/__Package_Collivo.exe"));
    EXPECT_FALSE(Exists("second/__Package_Collivo.exe"));
}

// Regression: with -insnew the pass waited on the window's thread, without end, for the product
// to close, so an installer closed meanwhile never ended. The uninstall still waits for it.
TEST_F(DownloadInstallerTest, UninstallWaitsForTheProductAndClosingEndsTheWait) {
    WriteUninstaller(m_scratch / "old/uninst.ep", m_scratch / "uninstalled");
    for (bool closeWhileWaiting : {false, true}) {
        SCOPED_TRACE(closeWhileWaiting ? "closed while waiting" : "product ends");
        FakeProduct product(m_scratch / "product");
        ASSERT_TRUE(product.Running());
        ASSERT_TRUE(
            Eventually([] { return CDownloadInstaller::FindProcessByName(L"Collivo.exe"); }, 5s));
        m_controller = std::make_unique<CDownloadInstaller>(
            Callback(), With([](auto& settings) { settings.insNew = true; }));
        Configure("app", Dir("old/uninst.ep"));
        const size_t before = m_recorder->Seen().size();
        auto start = std::async(std::launch::async, [this] { m_controller->Start(); });
        const bool startReturned = start.wait_for(2s) == std::future_status::ready;
        EXPECT_TRUE(startReturned) << "Start waited for the product";
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(m_recorder->Seen().size(), before) << "the uninstall began under the product";

        if (closeWhileWaiting && startReturned) {
            EXPECT_TRUE(DestroyedWithin(std::move(m_controller), 3s))
                << "closing waited for the product";
        } else {
            product.End();
            start.wait();
            EXPECT_TRUE(Eventually([&] { return !m_recorder->WithCode(5005).empty(); }, 30s));
            m_controller.reset();
        }
        product.End();
        EXPECT_EQ(Exists("uninstalled"), !closeWhileWaiting);
        fs::remove(m_scratch / "uninstalled");
    }
}

// Regression: a package that hangs after its verdict kept the next pass's package start (on the
// downloader's thread) waiting for its run, and closing the installer then waited for that
// thread for ever.
TEST_F(DownloadInstallerTest, ClosingEndsAPackageThatHangsAfterItsVerdict) {
    m_controller = std::make_unique<CDownloadInstaller>(
        Callback(), With([](auto& settings) { settings.instCmd = L"--as=fail-then-hang"; }));
    // The helper, grown past the smallest package the downloaders accept.
    const std::string served = m_scratch / "helper-package";
    fs::copy_file(CHILD_HELPER_PATH, served);
    std::ofstream(served, std::ios::app | std::ios::binary) << std::string(2u << 20, '\0');
    package_server::PackageServer server(served);
    ASSERT_TRUE(server.Start());
    m_controller->Configure(Utils::NarrowToWide(server.DownloadUrl()), L"", Dir("app"), true, true,
                            false, false, L"");
    EXPECT_EQ(Codes(Pass()).back(), 2004);
    const std::string package = m_scratch / "app/__Package_Collivo.exe";
    ASSERT_TRUE(Eventually([&] { return fs::exists(package + ".pids"); }, 10s));
    const pid_t hanging = static_cast<pid_t>(std::stol(ReadFile(package + ".pids")));

    // The user tries again: the download completes, and the package run waits for the last.
    m_controller->Start();
    EXPECT_TRUE(Eventually([&] { return m_recorder->WithCode(1003).size() == 2; }, 60s));
    EXPECT_TRUE(DestroyedWithin(std::move(m_controller), 3s)) << "closing hung";
    EXPECT_TRUE(Eventually([&] { return kill(hanging, 0) != 0; }, 1s)) << "the package still runs";
    kill(hanging, SIGKILL);  // lets a controller that did not end finish
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

    // The next release publishes SHA-256 URLs: each downloader checks one, and the upgrade
    // installs from one.
    package_server::Faults sha256;
    sha256.digest = package_server::DigestMode::kSha256;
    m_server.SetFaults(sha256);
    for (const char* type : {"1", "2", "3"}) {
        SCOPED_TRACE(type);
        const std::string saved = m_scratch / ("downloaded-" + std::string(type));
        const auto download = testing_support::RunProgram(
            {STAGE_CLI_PATH, "download", "--type", type, m_server.DownloadUrl(), saved});
        EXPECT_EQ(download.exitCode, 0) << download.output;
        EXPECT_EQ(download.output.find("1006\t"), std::string::npos) << download.output;
        EXPECT_EQ(ReadFile(saved), ReadFile(DEMO_PACKAGE_PATH));
    }

    const auto upgrade = testing_support::RunProgram(command);
    EXPECT_EQ(upgrade.exitCode, 0) << upgrade.output;
    EXPECT_EQ(upgrade.output.find("1006\t"), std::string::npos) << upgrade.output;
    const size_t uninstalled = upgrade.output.find("5003\t");
    ASSERT_NE(uninstalled, std::string::npos) << upgrade.output;
    EXPECT_LT(uninstalled, upgrade.output.find("1001\t"));
    EXPECT_TRUE(Exists("my apps/Collivo/Collivo.exe"));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
