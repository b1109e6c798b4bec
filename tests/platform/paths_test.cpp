#include "platform/paths.h"

#include <errno.h>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scratch_folder.h"

namespace {

using testing_support::ScopedEnvironment;
using testing_support::ScratchFolder;

// Whether a child program started now would get the descriptor; nothing when the system
// cannot say.
std::optional<bool> Inherited(int fd) {
#ifdef _WIN32
    DWORD flags = 0;
    if (!GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &flags))
        return std::nullopt;
    return (flags & HANDLE_FLAG_INHERIT) != 0;
#else
    const int flags = fcntl(fd, F_GETFD);
    if (flags < 0) return std::nullopt;
    return (flags & FD_CLOEXEC) == 0;
#endif
}

void CloseFile(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
}

uintmax_t SizeOf(const std::string& path) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(platform::FsPath(path), error);
    return error ? 0 : size;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(platform::FsPath(folder)))
        names.push_back(platform::PathText(entry.path().filename()));
    return names;
}

TEST(TempPath, EndsWithSeparatorAndFollowsTheEnvironment) {
    struct Case {
        const char* value;  // of the variable that decides: null clears it
        const char* expected;
    } cases[] = {
#ifdef _WIN32
        // The system reads %TMP% first; the answer comes as UTF-8, not in the "ANSI" page.
        {"C:\\临时", "C:\\临时\\"},
        {"C:\\Temp\\", "C:\\Temp\\"},
#else
        {nullptr, "/tmp/"},          {"", "/tmp/"},
        {"/var/tmp", "/var/tmp/"},   {"/run/user/1000/", "/run/user/1000/"},
        {"/tmp/临时", "/tmp/临时/"},
#endif
    };
#ifdef _WIN32
    const char* const variable = "TMP";
#else
    const char* const variable = "TMPDIR";
#endif
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        ScopedEnvironment env(variable, c.value);
        EXPECT_EQ(platform::TempPath(), c.expected);
    }
    const std::string unchanged = platform::TempPath();
    EXPECT_EQ(unchanged.back(), platform::kPathSeparator);
    EXPECT_TRUE(platform::IsDirectory(unchanged)) << unchanged;
}

TEST(FsPath, Utf8TextRoundTripsAndNamesTheSameFile) {
    ScratchFolder dir;
    // "😀" is a surrogate pair in UTF-16.
    const std::string names[] = {"plain.txt", "安装程序.ini", "😀 face.txt"};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        EXPECT_EQ(platform::PathText(platform::FsPath(path)), path);
        const int fd = platform::OpenFile(path, O_CREAT | O_WRONLY | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << errno;
        CloseFile(fd);
        // The folder lists the name as it was given: the system got the same characters.
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{name});
        EXPECT_TRUE(std::filesystem::is_regular_file(platform::FsPath(path)));
        std::filesystem::remove(platform::FsPath(path));
    }
#ifdef _WIN32
    EXPECT_EQ(platform::FsPath("C:\\程序\\😀").native(), L"C:\\程序\\\U0001F600");
#endif
}

TEST(OpenFile, BinaryNotInheritedAndErrno) {
    ScratchFolder dir;
    const std::string path = dir / "数据.bin";
    const int fd = platform::OpenFile(path, O_CREAT | O_WRONLY | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << errno;
    EXPECT_EQ(Inherited(fd), false);
    // Line ends stay as written: no text-mode translation.
    EXPECT_TRUE(platform::WriteAll(fd, "a\nb\r\n"));
    CloseFile(fd);
    EXPECT_EQ(SizeOf(path), 5u);

    struct Case {
        const char* name;
        std::string path;
        int flags;
        int error;
    } failures[] = {
        {"exclusive creation of an existing file", path, O_CREAT | O_WRONLY | O_EXCL, EEXIST},
        {"missing file", dir / "missing", O_RDONLY, ENOENT},
        {"missing folder", dir / "missing" + platform::kPathSeparator + "file", O_CREAT | O_WRONLY,
         ENOENT},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.name);
        errno = 0;
        EXPECT_EQ(platform::OpenFile(c.path, c.flags, 0644), -1);
        EXPECT_EQ(errno, c.error);
    }

    // A descriptor open for reading takes no writes.
    const int reader = platform::OpenFile(path, O_RDONLY);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(platform::WriteAll(reader, "x"));
    CloseFile(reader);
    EXPECT_EQ(SizeOf(path), 5u);
}

// The downloaders rename a part file, and remove it, while the digest still reads it back.
TEST(OpenFile, AnOpenFileCanBeRenamedAndRemoved) {
    ScratchFolder dir;
    const std::string part = dir / "包.part";
    const std::string whole = dir / "包.exe";
    std::FILE* writer = platform::OpenStream(part, "ab+");
    ASSERT_NE(writer, nullptr);
    ASSERT_GE(std::fputs("0123456789", writer), 0);
    std::fflush(writer);
    std::FILE* reader = platform::OpenStream(part, "rb");
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(platform::RenameOver(part, whole)) << errno;
    char bytes[11] = {};
    EXPECT_EQ(std::fread(bytes, 1, 10, reader), 10u);
    EXPECT_STREQ(bytes, "0123456789");
    EXPECT_TRUE(platform::RemoveFile(whole)) << errno;
    std::fclose(reader);
    std::fclose(writer);
    EXPECT_FALSE(platform::PathExists(part));
    EXPECT_FALSE(platform::PathExists(whole));
}

TEST(OpenStream, BinaryUnlessTextIsAskedForAndNotInherited) {
    ScratchFolder dir;
    struct Case {
        const char* mode;
        uintmax_t size;  // of "a\nb" written through the stream
    } cases[] = {
        {"w", 3},
        {"wb", 3},
#ifdef _WIN32
        // Text mode exists on Windows only: "\n" is written as "\r\n".
        {"wt", 4},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string path = dir / (std::string("流-") + c.mode);
        std::FILE* stream = platform::OpenStream(path, c.mode);
        ASSERT_NE(stream, nullptr) << errno;
        EXPECT_EQ(Inherited(fileno(stream)), false);
        EXPECT_GE(std::fputs("a\nb", stream), 0);
        std::fclose(stream);
        EXPECT_EQ(SizeOf(path), c.size);
    }
    errno = 0;
    EXPECT_EQ(platform::OpenStream(dir / "missing", "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST(PathExists, FilesAndFolders) {
    ScratchFolder dir;
    const std::string file = dir / "文件";
    const int fd = platform::OpenFile(file, O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    CloseFile(fd);
    struct Case {
        std::string path;
        bool exists, directory;
    } cases[] = {
        {dir.Path(), true, true},
        {dir.Path() + platform::kPathSeparator, true, true},
        {file, true, false},
        {dir / "missing", false, false},
        {file + platform::kPathSeparator + "below a file", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(platform::PathExists(c.path), c.exists);
        EXPECT_EQ(platform::IsDirectory(c.path), c.directory);
    }
}

TEST(CreateFolder, MakesOneFolderOrSaysWhyNot) {
    ScratchFolder dir;
    const std::string file = dir / "file";
    const int fd = platform::OpenFile(file, O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    CloseFile(fd);
    const std::string sep(1, platform::kPathSeparator);
    struct Case {
        const char* name;
        std::string path;
        int result;
    } cases[] = {
        {"new", dir / "新建", 0},
        {"existing folder", dir / "新建", EEXIST},
        {"existing file", file, EEXIST},
        {"missing parent", dir / "missing" + sep + "sub", ENOENT},
        {"parent is a file", file + sep + "sub", ENOTDIR},
        {"parent below a file", file + sep + "a" + sep + "b", ENOTDIR},
        {"empty path", "", ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::CreateFolder(c.path), c.result);
    }
    EXPECT_TRUE(platform::IsDirectory(dir / "新建"));
}

}  // namespace
