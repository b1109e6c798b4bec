#include "install/child_process.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/process.h"
#include "sys/exception.h"
#include "sys/text.h"
#include "tests/install/process_probe.h"
#include "tests/install/test_programs.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using install_test::Gone;
using install_test::KillProcess;
using testing_support::ScratchFolder;

const std::string kHelperPath = install_test::HelperPath();
using install_test::kExe;
const std::wstring kHelper = Utils::FromUtf8(kHelperPath);

std::wstring Wide(const std::string& text) {
    return Utils::FromUtf8(text);
}

// A handle as the number a child sees it as.
std::string HandleText(platform::Handle handle) {
#ifdef _WIN32
    return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
#else
    return std::to_string(handle);
#endif
}

// A child process with its pipes made, not yet started.
std::unique_ptr<ChildProcess> Prepare() {
    auto child = std::make_unique<ChildProcess>();
    child->ErrorPipe().Create();
    child->OutputPipe().Create();
    child->InputPipe().Create();
    return child;
}

std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) {
    auto child = Prepare();
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
        KillProcess(child.ProcessId());
    }
    return reading.get();
}

// Reads standard output until both streams have ended; false when they have not within
// `limit`.
bool StreamsEndWithin(ChildProcess& child, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[256];
    size_t count = 0;
    while (std::chrono::steady_clock::now() < deadline)
        if (child.ReadOutput(buffer, sizeof buffer, 100, &count) == ChildProcess::ReadState::kEnded)
            return true;
    return false;
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
    std::filesystem::create_directory(platform::FsPath(spaced));
    std::filesystem::copy_file(
        platform::FsPath(kHelperPath),
        platform::FsPath(spaced + platform::kPathSeparator + "helper" + kExe));
    // Named without its extension on Windows, which the system adds.
    const std::wstring spacedHelper = Wide(spaced + platform::kPathSeparator + "helper");

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

    auto refused = Prepare();
    EXPECT_THROW(refused->Create(longest + L"x"), Utils::Exception);
}

TEST(ChildProcess, ProgramThatCannotStartThrowsAndLeavesThePipesOpen) {
    ScratchFolder scratch;
    std::filesystem::create_directory(platform::FsPath(scratch / "folder"));
    // With its extension on Windows, so that the system tries to start it.
    const std::string text = scratch / (std::string("not-a-program") + kExe);
    { std::ofstream(platform::FsPath(text)) << "neither a program nor a script\n"; }
    auto quoted = [](const std::string& program) { return L"\"" + Wide(program) + L"\" x"; };
    // An empty line names no program (splitting it would give this test's own path), and
    // blanks alone name an empty one.
    const std::wstring lines[] = {quoted(scratch / "missing"), quoted(scratch / "folder"),
                                  quoted(text), L"", L"  "};
    for (const auto& line : lines) {
        SCOPED_TRACE(Utils::ToUtf8(line));
        auto child = Prepare();
        EXPECT_THROW(child->Create(line), Utils::Exception);
        EXPECT_NE(child->OutputPipe().WriteEnd(), platform::kNullHandle);
        EXPECT_NE(child->InputPipe().ReadEnd(), platform::kNullHandle);
        child->Release();
        EXPECT_EQ(child->OutputPipe().ReadEnd(), platform::kNullHandle);
    }
}

#ifndef _WIN32  // Windows files have no execute bit: a downloaded program runs as it is.
TEST(ChildProcess, DownloadedProgramWithoutExecuteBitGetsItAndRuns) {
    ScratchFolder scratch;
    const std::string program = scratch / "package";
    std::filesystem::copy_file(kHelperPath, program);
    ASSERT_EQ(chmod(program.c_str(), 0644), 0);
    auto child = Start(Wide(program) + L" print-args ran");
    EXPECT_EQ(Lines(ReadAll(*child)), std::vector<std::string>{"ran"});
    child->Wait();
    struct stat info {};
    ASSERT_EQ(stat(program.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}
#endif

TEST(ChildProcess, ChildHoldsNoPipeEndOfTheParentOrOfAnotherChild) {
    // The first child waits on its standard input, so its pipes stay open meanwhile.
    auto first = Start(kHelper + L" stdin");
    auto second = Prepare();
    const platform::Handle ends[] = {first->OutputPipe().ReadEnd(), first->ErrorPipe().ReadEnd(),
                                     first->InputPipe().WriteEnd(), second->OutputPipe().ReadEnd(),
                                     second->ErrorPipe().ReadEnd(), second->InputPipe().WriteEnd()};
#ifdef _WIN32
    // A child cannot list its handles: it is asked about each value instead.
    std::wstring line = kHelper + L" pipes";
    for (platform::Handle end : ends)
        line += L" " + Wide(HandleText(end));
    // The helper's own standard output, a pipe it does hold, shows that it can tell.
    const std::string ownOutput = HandleText(second->OutputPipe().WriteEnd());
    line += L" " + Wide(ownOutput);
    second->Create(line);
    EXPECT_EQ(Lines(ReadAll(*second)), std::vector<std::string>{ownOutput});
#else
    second->Create(kHelper + L" open-fds");
    const auto seen = Lines(ReadAll(*second));
    for (platform::Handle end : ends)
        EXPECT_EQ(std::count(seen.begin(), seen.end(), HandleText(end)), 0) << end;
#endif
    second->Wait();
    first->Kill();
    EXPECT_TRUE(first->Wait(10000));
}

// Children started on two threads at once hold none of each other's pipe ends: the streams of
// one that ends reach their end while the other still runs.
TEST(ChildProcess, ChildrenStartedAtOnceHoldNothingOfEachOther) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto waiting = Prepare();
        auto quick = Prepare();
        std::promise<void> go;
        std::shared_future<void> started = go.get_future().share();
        auto startWaiting = std::async(std::launch::async, [&] {
            started.wait();
            waiting->Create(kHelper + L" stdin");
        });
        auto startQuick = std::async(std::launch::async, [&] {
            started.wait();
            quick->Create(kHelper + L" exit 0");
        });
        go.set_value();
        startWaiting.get();
        startQuick.get();
        EXPECT_TRUE(StreamsEndWithin(*quick, 30s));
        EXPECT_EQ(waiting->ExitCode(), platform::kStillActive);
        waiting->Kill();
        EXPECT_TRUE(waiting->Wait(10000));
        EXPECT_TRUE(quick->Wait(10000));
    }
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
    KillProcess(static_cast<uint32_t>(std::stoul(out.substr(4))));
    EXPECT_TRUE(child->Wait(10000));
}

// The child and the process it started both run until the group is ended; then both are gone.
TEST(ChildProcess, EndGroupEndsTheChildAndWhatItStarted) {
    ScratchFolder scratch;
    const std::string program = scratch / "package";
    std::filesystem::copy_file(platform::FsPath(kHelperPath), platform::FsPath(program + kExe));
    auto child = Start(L"\"" + Wide(program) + L"\" --as=hang");
    // Read until both ids are there, not only until the file shows: under Wine a read just after
    // it showed has come back without them.
    std::vector<uint32_t> pids;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (pids.size() != 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        pids.clear();
        std::ifstream in(platform::FsPath(program + ".pids"));
        for (std::string line; std::getline(in, line);)
            pids.push_back(static_cast<uint32_t>(std::stoul(line)));
    }
    ASSERT_EQ(pids.size(), 2u) << "the helper wrote no ids";
    EXPECT_EQ(pids[0], child->ProcessId());
    EXPECT_FALSE(Gone(pids[1])) << "the process it started";

    child->EndGroup();
    EXPECT_NE(child->ExitCode(), platform::kStillActive);
    for (uint32_t pid : pids) {
        const auto limit = std::chrono::steady_clock::now() + 5s;
        while (!Gone(pid) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(Gone(pid)) << pid;
    }
}

#ifdef _WIN32  // the Linux build links the helper without the platform library
// A process that crashes runs its report once, on the reporter thread, and then ends as it
// would have without the filter: with the exception's status, or abort's exit code.
TEST(CrashHandler, ReportRunsOnceAndTheProcessEndsAsWithoutIt) {
    const struct {
        const wchar_t* mode;
        bool endsByException;  // else by abort, whose exit code is 3
    } cases[] = {{L"crash", true}, {L"crash-terminate", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.mode));
        auto child = Start(kHelper + L" " + c.mode);
        // Whatever follows the report is the system's (Wine's debugger writes to the output).
        const auto lines = Lines(ReadAll(*child));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "reported");
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "reported"), 1);
        ASSERT_TRUE(child->Wait(30000));
        // A fault's status is an error status (an access violation; qemu, under Wine, reports
        // the same fault as an illegal instruction).
        if (c.endsByException)
            EXPECT_EQ(child->ExitCode() & 0xC0000000u, 0xC0000000u)
                << std::hex << child->ExitCode();
        else
            EXPECT_EQ(child->ExitCode(), 3u);
    }
}
#endif

}  // namespace
