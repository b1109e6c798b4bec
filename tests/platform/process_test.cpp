// The running process's own services: thread names, its path, its place in the process list,
// and the named mutex that keeps a second installer out.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "platform/command_line.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "sys/text.h"

namespace {

// The name of a file without its folder and extension.
std::string Stem(const std::string& path) {
    return platform::PathText(platform::FsPath(path).stem());
}

TEST(ThreadName, ReadsBackCutTo15BytesWithoutSplittingACharacter) {
    const struct {
        std::string name;
        std::string expected;
    } cases[] = {
        {"worker", "worker"},
        {"AVeryLongWorkerName", "AVeryLongWorker"},
        // Five characters of three bytes fill the 15 exactly; the sixth goes.
        {"线程名字很长很长", "线程名字很"},
        // The "é" takes the 15th and 16th bytes: the cut would split it, so it goes whole.
        {"AVeryLongWorkeé", "AVeryLongWorke"},
        {"café", "café"},
    };
    std::promise<void> done;
    std::thread thread([ended = done.get_future()] { ended.wait(); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SetThreadName(thread, c.name);
        EXPECT_EQ(platform::ThreadName(thread), c.expected);
    }
    done.set_value();
    thread.join();
}

TEST(ProcessSelf, PathCommandLineAndProcessListNameTheSameProgram) {
    const std::string path = platform::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(platform::FsPath(path))) << path;
    EXPECT_EQ(Stem(path), "platform_tests");

    const std::vector<std::wstring> arguments =
        platform::CommandLineToArgv(platform::ProcessCommandLine());
    ASSERT_FALSE(arguments.empty());
    EXPECT_EQ(Stem(Utils::ToUtf8(arguments[0])), "platform_tests");

    int seen = 0;
    for (const platform::ProcessEntry& entry : platform::SnapshotProcesses()) {
        if (entry.id != platform::ProcessId()) continue;
        ++seen;
        EXPECT_EQ(entry.exeName, platform::PathText(platform::FsPath(path).filename()));
    }
    EXPECT_EQ(seen, 1);
}

TEST(NamedMutex, OneHolderAtATimeUntilItLetsGo) {
    const std::string name = "collivo-test-" + std::to_string(platform::ProcessId()) + "-互斥";
    platform::NamedMutex first;
    platform::NamedMutex second;
    platform::NamedMutex other;
    ASSERT_TRUE(first.TryAcquire(name));
    EXPECT_TRUE(first.Held());
    EXPECT_TRUE(first.TryAcquire(name)) << "a holder asking again keeps it";
    EXPECT_FALSE(second.TryAcquire(name));
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(other.TryAcquire(name + "-other"));

    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(second.TryAcquire(name));
    EXPECT_FALSE(first.TryAcquire(name));

    platform::NamedMutex unnamed;
    EXPECT_FALSE(unnamed.TryAcquire(""));

#ifndef _WIN32  // the lock files stay behind otherwise (Windows mutexes go with their holders)
    second.Release();
    other.Release();
    std::filesystem::remove(platform::NamedMutex::LockPath(name));
    std::filesystem::remove(platform::NamedMutex::LockPath(name + "-other"));
#endif
}

}  // namespace
