#include "install/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "sys/exception.h"
#include "sys/text.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ScratchFolder;

const std::wstring kHelper = Utils::NarrowToWide(CHILD_HELPER_PATH, 0);

std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) {
    auto child = std::make_unique<ChildProcess>();
    child->ErrorPipe().Create();
    child->OutputPipe().Create();
    child->InputPipe().Create();
    child->Create(commandLine);
    return child;
}

// All the child writes to standard output, with a bound: a child that never lets go of its
// output is killed and the test fails.
std::string ReadAll(ChildProcess& child) {
    auto reading = std::async(std::launch::async, [&child] {
        std::string out;
        child.ReadOutputToEnd([&out](std::string_view bytes) { out += bytes; });
        return out;
    });
    if (reading.wait_for(60s) != std::future_status::ready) {
        ADD_FAILURE() << "the output did not end";
        kill(static_cast<pid_t>(child.ProcessId()), SIGKILL);
    }
    return reading.get();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ChildProcess, CommandLineIsSplitIntoArgumentsByTheWindowsRules) {
    ScratchFolder scratch;
    const std::string spaced = scratch / "with blank";
    std::filesystem::create_directory(spaced);
    std::filesystem::copy_file(CHILD_HELPER_PATH, spaced + "/helper");
    const std::wstring spacedHelper = Utils::NarrowToWide(spaced + "/helper", 0);

    struct Case {
        std::wstring commandLine;
        std::vector<std::string> arguments;
    } cases[] = {
        {kHelper + L" print-args a \"b c\" d\\\"e \"\"", {"a", "b c", "d\"e", ""}},
        {L"\"" + spacedHelper + L"\" print-args x\\\\\"y z\"", {"x\\y z"}},
        {kHelper + L"\tprint-args\t a\t\tb ", {"a", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.commandLine));
        auto child = Start(c.commandLine);
        EXPECT_EQ(Lines(ReadAll(*child)), c.arguments);
        child->Wait();
    }
}

TEST(ChildProcess, CommandLineOf1023CharactersPassesAnd1024IsRefused) {
    const std::wstring start = kHelper + L" print-args ";
    ASSERT_LT(start.size(), 1000u);
    const std::wstring longest = start + std::wstring(1023 - start.size(), L'x');
    auto child = Start(longest);
    EXPECT_EQ(Lines(ReadAll(*child)),
              std::vector<std::string>{std::string(1023 - start.size(), 'x')});
    child->Wait();

    ChildProcess refused;
    refused.ErrorPipe().Create();
    refused.OutputPipe().Create();
    refused.InputPipe().Create();
    EXPECT_THROW(refused.Create(longest + L"x"), Utils::Exception);
}

TEST(ChildProcess, ProgramThatCannotStartThrowsAndLeavesThePipesOpen) {
    ScratchFolder scratch;
    std::filesystem::create_directory(scratch / "folder");
    { std::ofstream(scratch / "not-a-program") << "neither a program nor a script\n"; }
    auto quoted = [](const std::string& program) {
        return L"\"" + Utils::NarrowToWide(program, 0) + L"\" x";
    };
    // An empty line names no program (splitting it would give this test's own path), and
    // blanks alone name an empty one.
    const std::wstring lines[] = {quoted(scratch / "missing"), quoted(scratch / "folder"),
                                  quoted(scratch / "not-a-program"), L"", L"  "};
    for (const auto& line : lines) {
        SCOPED_TRACE(Utils::ToUtf8(line));
        ChildProcess child;
        child.ErrorPipe().Create();
        child.OutputPipe().Create();
        child.InputPipe().Create();
        EXPECT_THROW(child.Create(line), Utils::Exception);
        EXPECT_NE(child.OutputPipe().WriteEnd(), platform::kNullHandle);
        EXPECT_NE(child.InputPipe().ReadEnd(), platform::kNullHandle);
        child.Release();
        EXPECT_EQ(child.OutputPipe().ReadEnd(), platform::kNullHandle);
    }
}

TEST(ChildProcess, DownloadedProgramWithoutExecuteBitGetsItAndRuns) {
    ScratchFolder scratch;
    const std::string program = scratch / "package";
    std::filesystem::copy_file(CHILD_HELPER_PATH, program);
    ASSERT_EQ(chmod(program.c_str(), 0644), 0);
    auto child = Start(Utils::NarrowToWide(program, 0) + L" print-args ran");
    EXPECT_EQ(Lines(ReadAll(*child)), std::vector<std::string>{"ran"});
    child->Wait();
    struct stat info {};
    ASSERT_EQ(stat(program.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST(ChildProcess, ChildHoldsNoPipeEndOfTheParentOrOfAnotherChild) {
    // The first child waits on its standard input, so its pipes stay open meanwhile.
    auto first = Start(kHelper + L" stdin");
    const int firstEnds[] = {first->OutputPipe().ReadEnd(), first->ErrorPipe().ReadEnd(),
                             first->InputPipe().WriteEnd()};
    auto second = Start(kHelper + L" open-fds");
    const int secondEnds[] = {second->OutputPipe().ReadEnd(), second->ErrorPipe().ReadEnd(),
                              second->InputPipe().WriteEnd()};
    const auto seen = Lines(ReadAll(*second));
    second->Wait();
    for (int end : firstEnds)
        EXPECT_EQ(std::count(seen.begin(), seen.end(), std::to_string(end)), 0) << end;
    for (int end : secondEnds)
        EXPECT_EQ(std::count(seen.begin(), seen.end(), std::to_string(end)), 0) << end;
    first->Kill();
    EXPECT_TRUE(first->Wait(10000));
}

TEST(ChildProcess, ChildReadingItsInputGetsNothingAndWaits) {
    auto child = Start(kHelper + L" stdin");
    char buffer[64];
    size_t count = 0;
    EXPECT_EQ(child->ReadOutput(buffer, sizeof buffer, 300, &count),
              ChildProcess::ReadState::kIdle);
    EXPECT_EQ(child->ExitCode(), platform::kStillActive);
    child->Kill();
    ASSERT_TRUE(child->Wait(10000));
    EXPECT_EQ(ReadAll(*child), "");
    EXPECT_NE(child->ExitCode(), platform::kStillActive);
}

TEST(ChildProcess, StandardErrorIsDrainedAndNeverRead) {
    // Far more than a pipe holds: left unread, the child would block on it for ever.
    auto child = Start(kHelper + L" stderr 1048576");
    EXPECT_EQ(ReadAll(*child), "done\n");
    ASSERT_TRUE(child->Wait(10000));
    EXPECT_EQ(child->ExitCode(), 0u);
}

TEST(ChildProcess, ExitCodeIsTheChildsOnceItEnded) {
    auto child = Start(kHelper + L" exit 7");
    ReadAll(*child);
    ASSERT_TRUE(child->Wait(10000));
    EXPECT_EQ(child->ExitCode(), 7u);
}

TEST(ChildProcess, OutputEndsWithTheChildEvenWhenItsOwnChildHoldsThePipe) {
    auto child = Start(kHelper + L" grandchild");
    const std::string out = ReadAll(*child);
    ASSERT_EQ(out.rfind("pid=", 0), 0u) << out;
    kill(std::stoi(out.substr(4)), SIGKILL);
    EXPECT_TRUE(child->Wait(10000));
}

}  // namespace
