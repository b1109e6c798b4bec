#include <gtest/gtest.h>

#include "../support/run_program.h"

#include <stdio.h>
#include <sys/wait.h>

#include <string>

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

}  // namespace
