#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

extern char** environ;

namespace {

struct Child {
    pid_t pid = -1;
    int outFd = -1;
};

// Starts a program with standard output on a pipe, in an environment whose runtime folder
// (where the single-instance lock lives) is the test's own.
Child Start(const std::vector<std::string>& argv, const std::string& runtimeFolder) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    // Every per-user folder (the single-instance lock, the analytics files) in the scratch
    // folder, so that no test touches the home of whoever runs it.
    const std::vector<std::string> own{"XDG_RUNTIME_DIR=" + runtimeFolder, "HOME=" + runtimeFolder,
                                       "XDG_CONFIG_HOME=" + runtimeFolder + "/config",
                                       "XDG_DATA_HOME=" + runtimeFolder + "/data"};
    std::vector<std::string> env = own;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const bool replaced = std::any_of(own.begin(), own.end(), [&](const std::string& o) {
            return entry.substr(0, entry.find('=') + 1) == o.substr(0, o.find('=') + 1);
        });
        if (!replaced) env.emplace_back(*e);
    }
    std::vector<char*> envp, args;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvCopy = argv;
    for (auto& a : argvCopy)
        args.push_back(a.data());
    args.push_back(nullptr);
    Child run;
    EXPECT_EQ(posix_spawn(&run.pid, args[0], &actions, nullptr, args.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    run.outFd = pipeFds[0];
    return run;
}

// Waits for the program; returns its wait status and what it printed.
std::pair<int, std::string> Finish(Child& run) {
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(run.outFd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    close(run.outFd);
    int status = 0;
    if (run.pid > 0) waitpid(run.pid, &status, 0);
    return {status, out};
}

class StartupTest : public ::testing::Test {
protected:
    testing_support::ScratchFolder m_scratch;
    const std::string& m_runtime = m_scratch.Path();  // where the single-instance lock lives
};

// The installer itself, copied into a folder of its own with or without its ini file beside
// it (no display: its window stage reports that and returns).
TEST_F(StartupTest, RealInstallerStartsTheTrackerUnlessItsIniFileTurnsAnalyticsOff) {
    const std::string folder = m_scratch / "bin";
    std::filesystem::create_directory(folder);
    const std::string installer = folder + "/collivo-installer";
    std::filesystem::copy_file(COLLIVO_INSTALLER_PATH, installer);
    const struct {
        const char* ini;  // null: no ini file
        bool trackerStarted;
    } cases[] = {
        {nullptr, true},
        {"[Install]\nIsEnableAppAnalytics=false\n", false},
        {"[Install]\r\nisenableappanalytics = true\r\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "no ini file");
        testing_support::ScratchFolder runtime;
        const std::string iniPath = folder + "/OrvaneInstallerConfig.ini";
        std::filesystem::remove(iniPath);
        if (c.ini) std::ofstream(iniPath) << c.ini;
        Child run = Start({installer}, runtime.Path());
        const auto [status, out] = Finish(run);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        // A started tracker makes its folder; released, it leaves it behind.
        EXPECT_EQ(std::filesystem::exists(runtime / "data/OVLocal"), c.trackerStarted);
    }
}

TEST_F(StartupTest, OfTwoInstancesStartedAtOnceOneRunsAndTheOtherExitsMinusOneAtOnce) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Child children[2] = {Start({STARTUP_PROBE_PATH, "3000"}, m_runtime),
                         Start({STARTUP_PROBE_PATH, "3000"}, m_runtime)};

    // The one that lost the race ends first, long before the winner's window closes.
    int status = 0;
    const pid_t loserPid = waitpid(-1, &status, 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);  // -1
    Child& loser = children[0].pid == loserPid ? children[0] : children[1];
    Child& winner = children[0].pid == loserPid ? children[1] : children[0];
    loser.pid = -1;                       // already reaped
    EXPECT_EQ(Finish(loser).second, "");  // no window, no tracker

    const auto [winnerStatus, winnerOut] = Finish(winner);
    ASSERT_TRUE(WIFEXITED(winnerStatus));
    EXPECT_EQ(WEXITSTATUS(winnerStatus), 0);
    EXPECT_EQ(winnerOut, "tracker started\nwindow\ntracker released\n");

    // Once the first has ended, the next instance runs.
    Child third = Start({STARTUP_PROBE_PATH, "0"}, m_runtime);
    EXPECT_EQ(WEXITSTATUS(Finish(third).first), 0);
}

TEST_F(StartupTest, TrackerDisabledBySwitchIsStillReleased) {
    Child run = Start({STARTUP_PROBE_PATH, "0", "-", "-isenableappanalytics=false"}, m_runtime);
    const auto [status, out] = Finish(run);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, "tracker started\nwindow\ntracker released\n");
}

TEST_F(StartupTest, FailedLibcurlInitialisationIsReportedAndTheWindowRunsWithoutIt) {
    Child run = Start({STARTUP_PROBE_PATH, "0", "curl-fails"}, m_runtime);
    const auto [status, out] = Finish(run);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, "curl init failed\ntracker started\nwindow without libcurl\ntracker released\n");
}

TEST_F(StartupTest, CrashIsReportedOnceThenTheProcessDiesOfItsSignal) {
    Child run = Start({STARTUP_PROBE_PATH, "0", "crash"}, m_runtime);
    const auto [status, out] = Finish(run);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_EQ(out, "tracker started\nwindow\ncrash reported\n");
}

}  // namespace
