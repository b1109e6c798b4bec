#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/uninstall_runner.h"
#include "sys/text.h"
#include "tests/install/notification_recorder.h"

namespace {

using install_test::Notification;
using install_test::Recorder;

TEST(UninstallRunnerParse, KeysValuesAndResults) {
    struct Case {
        const wchar_t* chunk;
        std::vector<Notification> expected;
        int result;
    } cases[] = {
        {L"Progress=0.25\n", {{5002, 0.25, L""}}, 0},
        {L"Progress=x\n", {{5002, 0, L""}}, 0},
        // An error line carries 0, not 1000.
        {L"Error=disk full\r\n", {{5005, 0, L"disk full"}}, 1000},
        {L"State=Success\nError=x\n", {{5003, 0, L""}, {5005, 0, L"x"}}, 1000},
        {L"State= Success\r\n", {{5003, 0, L""}}, 1},
        {L"State=Fail\n", {{5005, 0, L"安装包卸载失败"}}, 1000},
        {L"State=FAIL\n", {}, 0},
        {L" Error=x\n", {}, 0},
        // The package runner's other keys mean nothing here.
        {L"InstPath=/x\nMessage=m\nStartupStyle=AutoStartup\nTopShowDetention=5\n", {}, 0},
        {L"Error=cut", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.chunk));
        auto recorder = Recorder::Make();
        UninstallRunner runner(recorder->Callback(), L"/tmp/u", L"/opt/c");
        EXPECT_EQ(runner.Parse(c.chunk), c.result);
        EXPECT_EQ(recorder->Seen(), c.expected);
    }
}

TEST(UninstallRunnerParse, EncodeKnowsOnlyUtf8) {
    struct Case {
        const wchar_t* value;
        int32_t codePage;
    } cases[] = {{L"UTF8", 65001}, {L" UTF8\r", 65001}, {L"936", 0}, {L"ACP", 0}, {L"65001", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.value));
        UninstallRunner runner(nullptr, L"/tmp/u", L"/opt/c");
        runner.Parse(L"Encode=UTF8\n");
        runner.Parse(std::wstring(L"Encode=") + c.value + L"\n");
        EXPECT_EQ(runner.CodePage(), c.codePage);
    }
}

// Regression: a line cut by a read boundary was taken as two fragments.
TEST(UninstallRunnerParse, EveryTwoChunkSplitGivesTheNotificationsOfOneChunk) {
    // UTF-8 declared first: the ANSI page the text is read in until then is UTF-8 only on Linux.
    const std::string output =
        "Encode=UTF8\nProgress=0.5\nError=卸载时无法删除 文件\nState=Fail\r\nProgress=1";
    auto whole = Recorder::Make();
    {
        UninstallRunner runner(whole->Callback(), L"/tmp/u", L"/opt/c");
        EXPECT_EQ(runner.ParseOutput(output), 1000);
        EXPECT_EQ(runner.FinishOutput(), 0);
    }
    const std::vector<Notification> expected = {{5002, 0.5, L""},
                                                {5005, 0, L"卸载时无法删除 文件"},
                                                {5005, 0, L"安装包卸载失败"},
                                                {5002, 1, L""}};
    EXPECT_EQ(whole->Seen(), expected);
    for (size_t cut = 0; cut <= output.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        auto split = Recorder::Make();
        UninstallRunner runner(split->Callback(), L"/tmp/u", L"/opt/c");
        runner.ParseOutput(output.substr(0, cut));
        runner.ParseOutput(output.substr(cut));
        runner.FinishOutput();
        EXPECT_EQ(split->Seen(), expected);
    }
}

}  // namespace
