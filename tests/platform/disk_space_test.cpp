#include "platform/disk_space.h"

#include <errno.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/paths.h"
#include "tests/support/scratch_folder.h"

namespace {

TEST(QueryDiskSpace, AFolderOrItsNearestExistingParent) {
    testing_support::ScratchFolder dir;
    platform::DiskSpace here;
    ASSERT_EQ(platform::QueryDiskSpace(dir.Path(), here), 0);
    EXPECT_GT(here.totalBytes, 0u);
    EXPECT_GT(here.totalFreeBytes, 0u);
    EXPECT_LE(here.totalFreeBytes, here.totalBytes);
    EXPECT_LE(here.freeBytesAvailable, here.totalFreeBytes);

    const std::string sep(1, platform::kPathSeparator);
    const std::string file = dir / "文件";
    std::ofstream(platform::FsPath(file)) << "x";
    // What nobody can have: `space` must stay as it was.
    const platform::DiskSpace untouched{1, 2, 3};
    const struct {
        const char* name;
        std::string folder;
        int result;
    } cases[] = {
        {"the folder itself, with a separator", dir.Path() + sep, 0},
        {"missing folders below it", dir / "新" + sep + "a" + sep + "b" + sep, 0},
        {"a file", file, ENOTDIR},
        {"below a file", file + sep + "sub", ENOTDIR},
        {"no path", "", ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DiskSpace space = untouched;
        EXPECT_EQ(platform::QueryDiskSpace(c.folder, space), c.result);
        if (c.result == 0) {
            EXPECT_EQ(space.totalBytes, here.totalBytes);
        } else {
            EXPECT_EQ(space.totalBytes, untouched.totalBytes);
            EXPECT_EQ(space.freeBytesAvailable, untouched.freeBytesAvailable);
        }
    }
}

#ifdef _WIN32
// Windows only: a drive letter no volume has.
TEST(QueryDiskSpace, AMissingDriveIsMissing) {
    const DWORD drives = GetLogicalDrives();
    char letter = 'Z';
    while (letter > 'D' && (drives & (1u << (letter - 'A'))) != 0)
        --letter;
    ASSERT_GT(letter, 'D') << "every drive letter is in use";
    platform::DiskSpace space;
    EXPECT_EQ(platform::QueryDiskSpace(std::string(1, letter) + ":\\Collivo\\", space), ENOENT);
}
#endif

}  // namespace
