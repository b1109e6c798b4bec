#include "platform/file_append.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/paths.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::ScratchFolder;

std::string ReadFile(const std::string& path) {
    std::ifstream in(platform::FsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(platform::FsPath(path), std::ios::binary) << bytes;
}

// A source on another file system than the target makes the kernel refuse its own copy, so the
// read-and-write way runs; /dev/shm is one where the machine has it. Linux only: the Windows
// form always reads and writes.
std::string OtherFileSystem(const std::string& folder) {
#ifdef _WIN32
    (void)folder;
    return {};
#else
    struct stat here {
    }, shm{};
    if (stat(folder.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || access("/dev/shm", W_OK) != 0)
        return {};
    return "/dev/shm";
#endif
}

TEST(AppendFile, AppendsEveryByteOrReportsWhyItCouldNot) {
    ScratchFolder dir;
    std::mt19937 random(3);
    // Several blocks of the read-and-write way, the last one partly filled.
    std::string big((5u << 20) + 12345, '\0');
    for (char& c : big)
        c = static_cast<char>(random());
    const std::string elsewhere = OtherFileSystem(dir.Path());
    const struct {
        const char* name;
        std::string sourceFolder;
        std::string sourceName, targetName;
        std::string source;  // its content
        bool sourceExists, targetExists, stopped;
        bool appended;
    } cases[] = {
        {"several MiB in one folder", dir.Path(), "source", "target", big, true, true, false, true},
        {"an empty source", dir.Path(), "source", "target", "", true, true, false, true},
        {"names outside the ANSI page", dir.Path(), "来源 😀", "目标", "\r\n\n", true, true, false,
         true},
        {"from another file system", elsewhere, "collivo-append-source", "target", big, true, true,
         false, true},
        {"a missing source", dir.Path(), "source", "target", "x", false, true, false, false},
        {"a missing target", dir.Path(), "source", "target", "x", true, false, false, false},
        {"stopped before the copy", dir.Path(), "source", "target", big, true, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sourceFolder.empty()) {
            std::printf("no second file system writable here: case skipped\n");
            continue;
        }
        const std::string target = dir / c.targetName;
        const std::string source = c.sourceFolder + platform::kPathSeparator + c.sourceName;
        std::filesystem::remove(platform::FsPath(target));
        std::filesystem::remove(platform::FsPath(source));
        if (c.targetExists) WriteFile(target, "head");
        if (c.sourceExists) WriteFile(source, c.source);
        const std::atomic<bool> stop{c.stopped};
        EXPECT_EQ(platform::AppendFile(target, source, &stop), c.appended);
        // Nothing is copied after a stop.
        if (c.appended || c.stopped) {
            EXPECT_TRUE(ReadFile(target) == "head" + (c.appended ? c.source : std::string()));
        }
        EXPECT_EQ(ReadFile(source), c.sourceExists ? c.source : std::string());
        std::filesystem::remove(platform::FsPath(source));
    }
}

}  // namespace
