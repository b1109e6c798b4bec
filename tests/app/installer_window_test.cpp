// The installer executable as a person uses it: started on a private X server with the demo
// package server and a collection server of its own, its window clicked with xdotool, a
// screenshot of each page saved in the build folder. Skipped only when Xvfb or xdotool is not
// installed (scripts/deps.sh installs both).
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/run_program.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/screen_capture.h"
#include "tests/support/xvfb.h"
#include "tools/collect-server/collect_server.h"
#include "tools/package-server/package_server.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::FindProgram;
using testing_support::RunProgram;
using testing_support::ScratchFolder;
using testing_support::Xvfb;

// Where the buttons sit in the window, from the layout: "立即安装" on the first page and
// "立即体验" on the last.
constexpr int kInstallButtonX = 300, kInstallButtonY = 227;
constexpr int kTryNowButtonX = 300, kTryNowButtonY = 325;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

bool WindowGeometry(const std::string& xdotool, Geometry* geometry) {
    const auto found =
        RunProgram({xdotool, "search", "--sync", "--onlyvisible", "--name", "^Collivo$"});
    if (found.exitCode != 0 || found.output.empty()) return false;
    const std::string window = found.output.substr(0, found.output.find('\n'));
    const auto shell = RunProgram({xdotool, "getwindowgeometry", "--shell", window});
    auto value = [&](const std::string& key) {
        const size_t at = shell.output.find(key + "=");
        return at == std::string::npos ? -1 : std::atoi(shell.output.c_str() + at + key.size() + 1);
    };
    *geometry = {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
    return geometry->width > 0;
}

bool Screenshot(const Geometry& g, const std::string& name) {
    return testing_support::SaveScreenArea(g.x, g.y, g.width, g.height, COLLIVO_SCREENSHOTS, name);
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

TEST(InstallerWindowTest, DefaultInstallationThroughTheRealWindow) {
    const std::string xvfb = FindProgram("Xvfb");
    const std::string xdotool = FindProgram("xdotool");
    if (xvfb.empty() || xdotool.empty()) GTEST_SKIP() << "needs Xvfb and xdotool";
    ScratchFolder scratch;
    Xvfb server;
    ASSERT_TRUE(server.Start(xvfb));
    setenv("DISPLAY", server.Display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("NO_AT_BRIDGE", "1", 1);
    ASSERT_TRUE(gdk_init_check(nullptr, nullptr));

    package_server::PackageServer packages{DEMO_PACKAGE_PATH};
    ASSERT_TRUE(packages.Start());
    collect_server::CollectServer analytics(collect_server::ServerOptions{});
    std::string error;
    ASSERT_TRUE(analytics.Start(&error)) << error;

    // The installer in a folder of its own, with its settings file beside it.
    fs::create_directories(scratch / "app");
    const std::string installer = scratch / "app/collivo-installer";
    fs::copy_file(COLLIVO_INSTALLER_PATH, installer);
    std::ofstream(scratch / "app/OrvaneInstallerConfig.ini")
        << "[Install]\nDownloadUrl=" << packages.DownloadUrl()
        << "\nIsCheckNet=false\nAnalyticsUrl=" << analytics.Url() << "\n";
    const std::string home = scratch / "home";
    fs::create_directories(home);
    const std::string savedHome = getenv("HOME") != nullptr ? getenv("HOME") : "/root";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    pid_t pid = -1;
    char* argv[] = {const_cast<char*>(installer.c_str()), nullptr};
    ASSERT_EQ(posix_spawn(&pid, installer.c_str(), nullptr, nullptr, argv, environ), 0);
    setenv("HOME", savedHome.c_str(), 1);

    Geometry window;
    ASSERT_TRUE(WindowGeometry(xdotool, &window));
    EXPECT_EQ(window.width, 600);
    EXPECT_EQ(window.height, 400);
    // A second installer started meanwhile leaves at once with -1, showing nothing.
    EXPECT_EQ(RunProgram({installer}).exitCode, 255);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(Screenshot(window, "installer-1-start.png"));
    auto click = [&](int x, int y) {
        return RunProgram({xdotool, "mousemove", std::to_string(window.x + x),
                           std::to_string(window.y + y), "click", "1"})
                   .exitCode == 0;
    };
    ASSERT_TRUE(click(kInstallButtonX, kInstallButtonY));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(Screenshot(window, "installer-2-installing.png"));

    const fs::path records = fs::path(home) / ".config/OrvaneSoft/Collivo.reg";
    ASSERT_TRUE(WaitFor(
        [&] {
            std::ifstream in(records);
            std::string text((std::istreambuf_iterator<char>(in)), {});
            return text.find("InstallPath=") != std::string::npos;
        },
        60));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(Screenshot(window, "installer-3-finished.png"));
    ASSERT_TRUE(click(kTryNowButtonX, kTryNowButtonY));

    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(ended) << "the installer did not end after \"立即体验\"";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The product was installed and started (it leaves "Collivo.run" beside itself); the
    // events reached the collection server.
    auto started = [&] {
        for (const auto& entry : fs::recursive_directory_iterator(home))
            if (entry.path().filename() == "Collivo.run") return true;
        return false;
    };
    EXPECT_TRUE(WaitFor(started, 10));
    EXPECT_TRUE(WaitFor([&] { return !analytics.Records().empty(); }, 10));
    bool success = false;
    for (const auto& record : analytics.Records())
        success = success || record.record.find("安装成功") != std::string::npos;
    EXPECT_TRUE(success);
}

}  // namespace
