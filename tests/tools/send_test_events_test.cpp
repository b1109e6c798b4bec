#include <gtest/gtest.h>

#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"
#include "tools/collect-server/collect_server.h"

namespace {

using collect_server::CollectServer;
using collect_server::ServerOptions;

// Runs stage-cli with `arguments` and returns its exit status and everything it printed.
std::pair<int, std::string> RunStageCli(const std::string& arguments) {
    const auto result =
        testing_support::RunCommand(std::string(STAGE_CLI_PATH) + " " + arguments + " 2>&1");
    return {result.exitCode, result.output};
}

// Runs stage-cli with `arguments` until it prints "holding" (or ends), then kills it with
// SIGKILL, so nothing of its shut-down runs. Returns what it printed.
std::string RunUntilHoldingThenKill(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {STAGE_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char buffer[4096];
    while (spawned == 0 && output.find("holding\n") == std::string::npos) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        output.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (spawned == 0) {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return output;
}

// (distinct id, ov_index) of each stored record, in store order.
std::vector<std::pair<std::string, int>> StoredIndexes(const CollectServer& server) {
    static const std::regex id("\"distinct_id\":\"([^\"]*)\"");
    static const std::regex index("\"ov_index\":([0-9]+)");
    std::vector<std::pair<std::string, int>> out;
    for (const auto& row : server.Records()) {
        std::smatch idMatch;
        std::smatch indexMatch;
        if (!std::regex_search(row.record, idMatch, id) ||
            !std::regex_search(row.record, indexMatch, index)) {
            ADD_FAILURE() << row.record;
            continue;
        }
        out.emplace_back(idMatch[1], std::stoi(indexMatch[1]));
    }
    return out;
}

class SendTestEvents : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_server.Start(&error)) << error;
    }
    CollectServer m_server{ServerOptions{}};
};

TEST_F(SendTestEvents, AcceptedUploadsExitZero) {
    const auto [status, output] =
        RunStageCli("send-test-events --url '" + m_server.Url() + "' --count 31");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(
        output,
        "upload 1: 30 records accepted\nupload 2: 1 records accepted\nall records accepted\n");
    const auto records = m_server.Records();
    ASSERT_EQ(records.size(), 31u);
    EXPECT_NE(records[30].record.find("\"event\":\"StageCliTestEvent\""), std::string::npos);
    EXPECT_NE(records[30].record.find("\"ov_index\":30"), std::string::npos);
}

TEST_F(SendTestEvents, RefusedUploadExitsOne) {
    m_server.SetAnswerStatus(503);
    const auto [status, output] =
        RunStageCli("send-test-events --url '" + m_server.Url() + "' --count 5");
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("upload 1: 5 records refused\n"), std::string::npos) << output;
    EXPECT_NE(output.find("EventCollect SDK send failed: refused by the status knob\n"),
              std::string::npos)
        << output;
}

TEST_F(SendTestEvents, BadArgumentsAreUsageErrors) {
    const char* cases[] = {
        "send-test-events --count 3",
        "send-test-events --url http://127.0.0.1:1/ --count 0",
        "send-test-events --url http://127.0.0.1:1/ --count x",
        "send-test-events --url http://127.0.0.1:1/ --count 3 --bogus",
    };
    for (const char* arguments : cases) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(RunStageCli(arguments).first, 2);
    }
    EXPECT_EQ(m_server.UploadCount(), 0);
}

// Regression: records lived only in memory until the queue closed, so a run killed before a
// successful upload lost them. Whatever the collector answered the killed run, the next run
// leaves every record of both runs stored exactly once, in order.
TEST_F(SendTestEvents, KilledRunsRecordsArriveOnceInTheNextRun) {
    const struct {
        const char* name;
        int firstRunStatus;
        const char* secondRunOutput;
    } cases[] = {
        {"collector down: kept for the next run", 503,
         "upload 1: 30 records accepted\nupload 2: 20 records accepted\nall records accepted\n"},
        {"collector up: not sent again", 200,
         "upload 1: 5 records accepted\nall records accepted\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScratchFolder folder;
        const std::string staging = folder / "staging.txt";
        const size_t before = m_server.Records().size();
        m_server.SetAnswerStatus(c.firstRunStatus);
        const std::string killed =
            RunUntilHoldingThenKill({"send-test-events", "--url", m_server.Url(), "--count", "45",
                                     "--staging", staging, "--hold"});
        ASSERT_NE(killed.find("holding\n"), std::string::npos) << killed;

        m_server.SetAnswerStatus(200);
        const auto [status, output] = RunStageCli("send-test-events --url '" + m_server.Url() +
                                                  "' --count 5 --staging '" + staging + "'");
        EXPECT_EQ(status, 0);
        EXPECT_EQ(output, c.secondRunOutput);

        const auto all = StoredIndexes(m_server);
        const std::vector<std::pair<std::string, int>> stored(
            all.begin() + static_cast<long>(before), all.end());
        ASSERT_EQ(stored.size(), 50u);
        const std::string killedRun = stored[0].first;
        const std::string nextRun = stored[45].first;
        EXPECT_NE(killedRun, nextRun);
        std::vector<std::pair<std::string, int>> expected;
        for (int i = 0; i < 45; ++i)
            expected.emplace_back(killedRun, i);
        for (int i = 0; i < 5; ++i)
            expected.emplace_back(nextRun, i);
        EXPECT_EQ(stored, expected);
        std::ifstream left(staging);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(left), {}), "");
    }
}

}  // namespace
