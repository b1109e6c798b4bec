#include "sys/folders.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "sys/text.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScratchFolder;

std::wstring Wide(const std::string& path) {
    return Utils::FromUtf8(path);
}

bool IsEmptyFolder(const std::string& path) {
    return fs::is_empty(path);
}

// A path below `base` of exactly `length` wide characters, made of CJK folder names so that
// its UTF-8 form is far longer than its character count.
std::wstring PathOfLength(const std::string& base, size_t length) {
    std::wstring path = Wide(base) + L"/";
    while (path.size() < length) {
        const size_t left = length - path.size();
        path += std::wstring(std::min<size_t>(left, 50), L'中');
        if (path.size() < length) path += L'/';
    }
    return path;
}

TEST(CreateDirectoryRecursive, MakesEveryMissingFolder) {
    ScratchFolder scratch;
    const std::string base = scratch.Path();
    struct Case {
        std::string path;
        std::vector<std::string> made;
    } cases[] = {
        {base + "/a/b/c/", {"/a", "/a/b", "/a/b/c"}},
        {base + "/x/y", {"/x", "/x/y"}},
        {base + "/a/b/c/d", {"/a/b/c/d"}},  // existing parents are left alone
        {base + "//double//slash", {"/double", "/double/slash"}},
        {base + "/安装/目录/", {"/安装", "/安装/目录"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_TRUE(Utils::CreateDirectoryRecursive(Wide(c.path)));
        for (const auto& m : c.made)
            EXPECT_TRUE(fs::is_directory(base + m)) << m;
    }
    // Everything there already: nothing to do, still success.
    EXPECT_TRUE(Utils::CreateDirectoryRecursive(Wide(base + "/a/b/c/")));
}

TEST(CreateDirectoryRecursive, LengthLimitCountsCharacters) {
    ScratchFolder scratch;
    const std::wstring longest = PathOfLength(scratch.Path(), 260);
    ASSERT_EQ(longest.size(), 260u);
    EXPECT_TRUE(Utils::CreateDirectoryRecursive(longest));
    EXPECT_TRUE(fs::is_directory(Utils::ToUtf8(longest)));

    ScratchFolder other;
    const std::wstring tooLong = PathOfLength(other.Path(), 261);
    ASSERT_EQ(tooLong.size(), 261u);
    EXPECT_FALSE(Utils::CreateDirectoryRecursive(tooLong));
    EXPECT_TRUE(IsEmptyFolder(other.Path()));
}

TEST(CreateDirectoryRecursive, FileInTheWay) {
    ScratchFolder scratch;
    const std::string file = scratch.Path() + "/blocker";
    std::ofstream(file) << "x";
    struct Case {
        const char* name;
        std::string path;
    } cases[] = {
        {"file as a parent", file + "/sub/dir/"},
        {"file as a parent, no trailing separator", file + "/sub"},
        // Reporting success here would send the caller writing into a file.
        {"file as the folder itself", file},
        {"file as the folder itself, trailing separator", file + "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Utils::CreateDirectoryRecursive(Wide(c.path)));
        EXPECT_TRUE(fs::is_regular_file(file));
    }
}

class TempFolderTest : public testing::Test {
protected:
    void SetUp() override {
        if (const char* old = getenv("TMPDIR")) m_old = old;
    }
    void TearDown() override {
        if (m_old)
            setenv("TMPDIR", m_old->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

    ScratchFolder m_scratch;
    std::optional<std::string> m_old;
};

TEST_F(TempFolderTest, MadeOnceThenReused) {
    setenv("TMPDIR", m_scratch.Path().c_str(), 1);
    const std::wstring expected = Wide(m_scratch.Path()) + L"/~OrvaneTemp.92482B06FB471E17/";
    EXPECT_EQ(Utils::GetTempFolder(), expected);
    EXPECT_TRUE(fs::is_directory(Utils::ToUtf8(expected)));
    // A file left inside survives the second call: the folder is reused, not remade.
    std::ofstream(Utils::ToUtf8(expected) + "keep") << "x";
    EXPECT_EQ(Utils::GetTempFolder(), expected);
    EXPECT_TRUE(fs::exists(Utils::ToUtf8(expected) + "keep"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_scratch.Path()), fs::directory_iterator()), 1);
}

TEST_F(TempFolderTest, EmptyWhenItCannotBeMade) {
    struct Case {
        const char* name;
        std::string tmpdir;
    } cases[] = {
        // Only the last folder is made, never its parents.
        {"temporary path missing", m_scratch.Path() + "/missing/"},
        {"file of that name in the way", m_scratch.Path()},
    };
    std::ofstream(m_scratch.Path() + "/~OrvaneTemp.92482B06FB471E17") << "x";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("TMPDIR", c.tmpdir.c_str(), 1);
        EXPECT_EQ(Utils::GetTempFolder(), L"");
    }
    EXPECT_FALSE(fs::exists(m_scratch.Path() + "/missing"));
}

}  // namespace
