#include "sys/folders.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "sys/text.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedEnvironment;
using testing_support::ScratchFolder;

// The variable the system's temporary path comes from.
#ifdef _WIN32
constexpr char kTempVariable[] = "TMP";
#else
constexpr char kTempVariable[] = "TMPDIR";
#endif

fs::path Fs(const std::string& path) {
    return platform::FsPath(path);
}

std::wstring Wide(const std::string& path) {
    return Utils::FromUtf8(path);
}

bool IsEmptyFolder(const std::string& path) {
    return fs::is_empty(Fs(path));
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
            EXPECT_TRUE(fs::is_directory(Fs(base + m))) << m;
    }
    // Everything there already: nothing to do, still success.
    EXPECT_TRUE(Utils::CreateDirectoryRecursive(Wide(base + "/a/b/c/")));
}

TEST(CreateDirectoryRecursive, LengthLimitCountsCharacters) {
#ifndef _WIN32  // Windows makes no folder past 248 characters without the long-path prefix
    ScratchFolder scratch;
    const std::wstring longest = PathOfLength(scratch.Path(), 260);
    ASSERT_EQ(longest.size(), 260u);
    EXPECT_TRUE(Utils::CreateDirectoryRecursive(longest));
    EXPECT_TRUE(fs::is_directory(Fs(Utils::ToUtf8(longest))));
#endif

    ScratchFolder other;
    const std::wstring tooLong = PathOfLength(other.Path(), 261);
    ASSERT_EQ(tooLong.size(), 261u);
    EXPECT_FALSE(Utils::CreateDirectoryRecursive(tooLong));
    EXPECT_TRUE(IsEmptyFolder(other.Path()));
}

TEST(CreateDirectoryRecursive, FileInTheWay) {
    ScratchFolder scratch;
    const std::string file = scratch.Path() + "/blocker";
    std::ofstream(Fs(file)) << "x";
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
        EXPECT_TRUE(fs::is_regular_file(Fs(file)));
    }
}

class TempFolderTest : public testing::Test {
protected:
    ScratchFolder m_scratch;
    ScopedEnvironment m_environment;
};

TEST_F(TempFolderTest, MadeOnceThenReused) {
    m_environment.Set(kTempVariable, m_scratch.Path());
    const std::wstring separator(1, static_cast<wchar_t>(platform::kPathSeparator));
    const std::wstring expected =
        Wide(m_scratch.Path()) + separator + L"~OrvaneTemp.92482B06FB471E17" + separator;
    EXPECT_EQ(Utils::GetTempFolder(), expected);
    EXPECT_TRUE(fs::is_directory(Fs(Utils::ToUtf8(expected))));
    // A file left inside survives the second call: the folder is reused, not remade.
    std::ofstream(Fs(Utils::ToUtf8(expected) + "keep")) << "x";
    EXPECT_EQ(Utils::GetTempFolder(), expected);
    EXPECT_TRUE(fs::exists(Fs(Utils::ToUtf8(expected) + "keep")));
    EXPECT_EQ(std::distance(fs::directory_iterator(Fs(m_scratch.Path())), fs::directory_iterator()),
              1);
}

TEST_F(TempFolderTest, EmptyWhenItCannotBeMade) {
    struct Case {
        const char* name;
        std::string tmpdir;
    } cases[] = {
        // Only the last folder is made, never its parents.
        {"temporary path missing", m_scratch / "missing"},
        {"file of that name in the way", m_scratch.Path()},
    };
    std::ofstream(Fs(m_scratch / "~OrvaneTemp.92482B06FB471E17")) << "x";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_environment.Set(kTempVariable, c.tmpdir);
        EXPECT_EQ(Utils::GetTempFolder(), L"");
    }
    EXPECT_FALSE(fs::exists(Fs(m_scratch / "missing")));
}

}  // namespace
