#include "platform/file_append.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

#include "tests/download/download_test_support.h"

namespace {

using download_test::ReadFile;
using download_test::TempDir;
using download_test::WriteFile;

// A source on another file system than the target makes the kernel refuse its own copy, so the
// read-and-write way runs; /dev/shm is one where the machine has it.
std::string OtherFileSystem(const std::string& folder) {
    struct stat here {
    }, shm{};
    if (stat(folder.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || access("/dev/shm", W_OK) != 0)
        return {};
    return "/dev/shm";
}

TEST(AppendFile, AppendsEveryByteOrReportsWhyItCouldNot) {
    TempDir dir;
    std::mt19937 random(3);
    std::string big(5u << 20, '\0');
    for (char& c : big)
        c = static_cast<char>(random());
    const std::string elsewhere = OtherFileSystem(dir.Path());
    const struct {
        const char* name;
        std::string sourceFolder;
        std::string source;  // its content
        bool sourceExists, targetExists, stopped;
        bool appended;
    } cases[] = {
        {"several MiB in one folder", dir.Path(), big, true, true, false, true},
        {"an empty source", dir.Path(), "", true, true, false, true},
        {"from another file system", elsewhere, big, true, true, false, true},
        {"a missing source", dir.Path(), "x", false, true, false, false},
        {"a missing target", dir.Path(), "x", true, false, false, false},
        {"stopped before the copy", dir.Path(), big, true, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sourceFolder.empty()) {
            std::printf("no second file system writable here: case skipped\n");
            continue;
        }
        const std::string target = dir / "target";
        const std::string source = c.sourceFolder + "/collivo-append-source";
        std::filesystem::remove(target);
        std::filesystem::remove(source);
        if (c.targetExists) WriteFile(target, "head");
        if (c.sourceExists) WriteFile(source, c.source);
        const std::atomic<bool> stop{c.stopped};
        EXPECT_EQ(platform::AppendFile(target, source, &stop), c.appended);
        // Nothing is copied after a stop.
        if (c.appended || c.stopped) {
            EXPECT_TRUE(ReadFile(target) == "head" + (c.appended ? c.source : std::string()));
        }
        std::filesystem::remove(source);
    }
}

}  // namespace
