#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/analytics/tracker_fixture.h"

extern char** environ;

namespace {

using analytics_test::ParseJson;

// Runs the probe with every per-user folder in `scratch` and returns its wait status.
int RunProbe(const std::string& scratch, std::vector<std::string> args) {
    std::vector<std::string> env{"HOME=" + scratch, "XDG_CONFIG_HOME=" + scratch + "/config",
                                 "XDG_DATA_HOME=" + scratch + "/data",
                                 "XDG_RUNTIME_DIR=" + scratch};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "HOME" && name != "XDG_CONFIG_HOME" && name != "XDG_DATA_HOME" &&
            name != "XDG_RUNTIME_DIR")
            env.push_back(entry);
    }
    args.insert(args.begin(), CRASH_REPORT_PROBE_PATH);
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<std::string> StagedEvents(const std::string& path) {
    std::vector<std::string> events;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) events.push_back(ParseJson(line)["event"].asString());
    return events;
}

using CrashReportTest = analytics_test::TrackerWithServerTest;

TEST_F(CrashReportTest, CrashInAChildProcessDeliversItsTwoReports) {
    const std::vector<std::string> kAll = {"OvEventClick", "OvEventTask", "AppCrashed"};
    const struct {
        const char* name;
        std::vector<std::string> args;
        int serverStatus;
        int signal;
        std::vector<std::string> uploaded;
        std::vector<std::string> staged;  // kept for the next run
    } cases[] = {
        {"fatal signal", {"segv"}, 200, SIGSEGV, kAll, {}},
        {"uncaught exception", {"throw"}, 200, SIGABRT, kAll, {}},
        {"server refusing: kept for the next run", {"segv"}, 500, SIGSEGV, {}, kAll},
        {"analytics switched off", {"segv", "-isenableappanalytics=false"}, 200, SIGSEGV, {}, {}},
    };
    const std::string appName = "Collivo.downloader";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScratchFolder home;
        m_server.SetAnswerStatus(c.serverStatus);
        const size_t before = m_server.Records().size();
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), m_server.Url());

        const int status = RunProbe(home.Path(), args);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);

        const auto records = analytics_test::ServerRecords(m_server);
        std::vector<std::string> uploaded;
        for (size_t i = before; i < records.size(); ++i)
            uploaded.push_back(records[i]["event"].asString());
        EXPECT_EQ(uploaded, c.uploaded);
        if (!uploaded.empty()) {
            const Json::Value& task = records[before + 1]["properties"];
            EXPECT_EQ(task["ov_task_name"].asString(), "崩溃退出");
            EXPECT_EQ(task["ovc_ab"].asString(), "IN");
            EXPECT_EQ(records.back()["properties"]["app_crashed_reason"].asString(), "崩溃");
            EXPECT_EQ(records.back()["properties"]["ov_app_id"].asString(), appName);
        }
        const std::string staging =
            home / ("data/OVLocal/" + appName + "/" + appName + "_OVSStaging.txt");
        EXPECT_EQ(StagedEvents(staging), c.staged);
    }
}

// The report start-up makes before the tracker exists is held and delivered once it does.
TEST_F(CrashReportTest, FailedLibcurlInitialisationIsDelivered) {
    testing_support::ScratchFolder home;
    const int status = RunProbe(home.Path(), {m_server.Url(), "curl-fails"});
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto records = analytics_test::ServerRecords(m_server);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["event"].asString(), "OvEventTask");
    EXPECT_EQ(records[0]["properties"]["ov_task_name"].asString(), "libcurl初始化失败");
    EXPECT_EQ(records[0]["properties"]["ovc_ab"].asString(), "IN");
}

}  // namespace
