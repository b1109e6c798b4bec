#include "platform/ini_file.h"
#include "tests/support/scratch_folder.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::GetPrivateProfileInt;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

constexpr uid_t kNobody = 65534;

// A fresh folder under $TMPDIR (or /tmp) per test, removed afterwards.
class IniFileTest : public testing::Test {
protected:
    void SetUp() override { m_path = m_dir + "/test.ini"; }

    void Put(const std::string& bytes) { Put(m_path, bytes); }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Contents() const { return Contents(m_path); }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing_support::ScratchFolder m_scratch;
    std::string m_dir = m_scratch.Path();
    std::string m_path;
};

TEST_F(IniFileTest, ReadsValuesByTheMatchingRules) {
    Put("top=before any section\n"
        "[Install]\n"
        "  DownloadUrl  =  http://host/software/353  \n"
        "; Quoted=commented out\n"
        "IsCheckNet=true\n"
        "a line without an equals sign\n"
        "Double=\"  spaced  \"\n"
        "Single='x'\n"
        "Mismatched=\"x'\n"
        "Lone=\"\n"
        "Inner=a \"b\" c\n"
        "Empty=\n"
        "Dup=first\n"
        "Dup=second\n"
        "中文键=值\n"
        "Equals=a=b\n"
        "[ Uninstall ]  trailing text\n"
        "IsOverride=false\n"
        "[install]\n"
        "Later=from the second section of the same name\n"
        "Dup=not this one\n");
    struct Case {
        const char* section;
        const char* key;
        const char* defaultValue;
        const char* expected;
    } cases[] = {
        {"Install", "DownloadUrl", "", "http://host/software/353"},
        {"INSTALL", "downloadurl", "", "http://host/software/353"},
        {" Install ", " DownloadUrl ", "", "http://host/software/353"},
        {"Install", "IsCheckNet", "false", "true"},
        {"Install", "Quoted", "dflt", "dflt"},
        {"Install", "a line without an equals sign", "dflt", "dflt"},
        {"Install", "Double", "", "  spaced  "},
        {"Install", "Single", "", "x"},
        {"Install", "Mismatched", "", "\"x'"},
        {"Install", "Lone", "", "\""},
        {"Install", "Inner", "", "a \"b\" c"},
        {"Install", "Empty", "dflt", ""},
        {"Install", "Dup", "", "first"},
        {"Install", "中文键", "", "值"},
        {"Install", "Equals", "", "a=b"},
        {"Install", "Later", "", "from the second section of the same name"},
        {"Uninstall", "isoverride", "true", "false"},
        {"Install", "IsOverride", "true", "true"},
        {"Missing", "IsOverride", "true", "true"},
        {"Install", "Missing", "", ""},
        {"Install", "top", "none", "none"},
        // Trailing blanks of the default go, as with the system function.
        {"Install", "Missing", " 0.7  ", " 0.7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, c.defaultValue, 260, m_path),
                  c.expected);
    }
    EXPECT_EQ(platform::ReadProfileValue("Install", "Empty", m_path), std::string());
    EXPECT_EQ(platform::ReadProfileValue("Install", "Missing", m_path), std::nullopt);
}

TEST_F(IniFileTest, UnreadablePlacesGiveTheDefault) {
    const std::string paths[] = {m_dir + "/absent.ini", m_dir + "/no/such/folder.ini", m_dir, ""};
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(GetPrivateProfileString("Install", "Key", "dflt", 260, path), "dflt");
        EXPECT_EQ(GetPrivateProfileInt("Install", "Key", 7, path), 7);
        EXPECT_EQ(GetPrivateProfileString(L"Install", L"Key", L"默认", 260,
                                          std::wstring(path.begin(), path.end())),
                  L"默认");
    }
}

TEST_F(IniFileTest, LineEndsAndByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"LF", "[Install]\nKey=value\n[Other]\nKey=other\n"},
        {"CRLF", "[Install]\r\nKey=value\r\n[Other]\r\nKey=other\r\n"},
        {"BOM", "\xEF\xBB\xBF[Install]\r\nKey=value\r\n[Other]\r\nKey=other"},
        {"no final line end", "[Install]\nKey=value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.bytes);
        EXPECT_EQ(GetPrivateProfileString("Install", "Key", "", 260, m_path), "value");
        EXPECT_EQ(GetPrivateProfileString(L"install", L"key", L"", 260,
                                          std::wstring(m_path.begin(), m_path.end())),
                  L"value");
    }
}

TEST_F(IniFileTest, ValuesAreCutToTheBufferSizeLessOne) {
    // "中" and "文" are three bytes each in UTF-8 and one wide character each.
    Put("[S]\nText=ab中文\nQuoted=\"abcdef\"\n");
    const std::wstring widePath(m_path.begin(), m_path.end());
    struct Case {
        const char* key;
        size_t size;
        std::string narrow;
        std::wstring wide;
    } cases[] = {
        {"Text", 0, "", L""},
        {"Text", 1, "", L""},
        {"Text", 3, "ab", L"ab"},
        {"Text", 4, "ab", L"ab中"},  // narrow: the fourth byte would split "中"
        {"Text", 5, "ab", L"ab中文"},
        {"Text", 6, "ab中", L"ab中文"},
        {"Text", 8, "ab中", L"ab中文"},
        {"Text", 9, "ab中文", L"ab中文"},
        {"Text", 260, "ab中文", L"ab中文"},
        {"Quoted", 4, "abc", L"abc"},  // quotes go first, then the cut
        {"Missing", 3, "de", L"de"},   // the default is cut as well
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " size " + std::to_string(c.size));
        EXPECT_EQ(GetPrivateProfileString("S", c.key, "def", c.size, m_path), c.narrow);
        const std::wstring key(c.key, c.key + strlen(c.key));
        EXPECT_EQ(GetPrivateProfileString(L"S", key, L"def", c.size, widePath), c.wide);
    }
}

TEST_F(IniFileTest, IntegersAreTheLeadingDecimalNumber) {
    Put("[S]\n"
        "Trailing=12abc\n"
        "Negative= -3\n"
        "Plus=+7\n"
        "Letters=abc\n"
        "Empty=\n"
        "Spaced=- 3\n"
        "Quoted=\"42\"\n"
        "Max=2147483647\n"
        "PastMax=2147483648\n"
        "Min=-2147483648\n"
        "Huge=99999999999999999999999999999999\n"
        "HugeNegative=-99999999999999999999999999999999\n");
    struct Case {
        const char* key;
        int expected;
    } cases[] = {
        {"Trailing", 12},
        {"Negative", -3},
        {"Plus", 7},
        {"Letters", 0},
        {"Empty", 5},  // an empty value counts as missing
        {"Spaced", 0},
        {"Quoted", 42},
        {"Max", INT_MAX},
        {"PastMax", INT_MAX},
        {"Min", INT_MIN},
        {"Huge", INT_MAX},
        {"HugeNegative", INT_MIN},
        {"Missing", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(GetPrivateProfileInt("S", c.key, 5, m_path), c.expected);
    }
    EXPECT_EQ(
        GetPrivateProfileInt(L"s", L"trailing", 5, std::wstring(m_path.begin(), m_path.end())), 12);
}

TEST_F(IniFileTest, UpdateInPlaceKeepsEveryOtherByte) {
    const std::string before =
        "\xEF\xBB\xBF; settings of the installer\r\n"
        "\r\n"
        "[Install]\r\n"
        "  downloadurl = http://old/  \r\n"
        "\t; a comment\r\n"
        "IsCheckNet=false\r\n"
        "\r\n"
        "[Other]\r\n"
        "DownloadUrl=untouched\r\n";
    Put(before);
    ASSERT_TRUE(WritePrivateProfileString("INSTALL", "DownloadUrl", "http://new/", m_path));
    EXPECT_EQ(Contents(),
              "\xEF\xBB\xBF; settings of the installer\r\n"
              "\r\n"
              "[Install]\r\n"
              "  downloadurl = http://new/\r\n"
              "\t; a comment\r\n"
              "IsCheckNet=false\r\n"
              "\r\n"
              "[Other]\r\n"
              "DownloadUrl=untouched\r\n");
    EXPECT_EQ(GetPrivateProfileString("Install", "DownloadUrl", "", 260, m_path), "http://new/");

    // Writing the value it already has leaves the file as it is.
    const std::string now = Contents();
    ASSERT_TRUE(WritePrivateProfileString("Install", "IsCheckNet", "false", m_path));
    EXPECT_EQ(Contents(), now);
}

TEST_F(IniFileTest, MissingKeysSectionsAndFilesAreAdded) {
    struct Case {
        const char* name;
        std::optional<std::string> before;  // nothing: no file
        const char* section;
        const char* key;
        std::string after;
    } cases[] = {
        {"new file", std::nullopt, "Install", "AppName", "[Install]\nAppName=Collivo\n"},
        {"empty file", "", "Install", "AppName", "[Install]\nAppName=Collivo\n"},
        {"after the last key, before trailing blank lines and comments",
         "[Install]\nA=1\n; note\nB=2\n\n; about the next one\n[Next]\nC=3\n", "install", "AppName",
         "[Install]\nA=1\n; note\nB=2\nAppName=Collivo\n\n; about the next one\n[Next]\nC=3\n"},
        {"section without keys", "[Install]\n\n[Next]\n", "Install", "AppName",
         "[Install]\nAppName=Collivo\n\n[Next]\n"},
        {"last line without a line end", "[Install]\r\nA=1", "Install", "AppName",
         "[Install]\r\nA=1\r\nAppName=Collivo\r\n"},
        {"first of two sections of the same name", "[Install]\nA=1\n[Next]\n[Install]\nB=2\n",
         "Install", "AppName", "[Install]\nA=1\nAppName=Collivo\n[Next]\n[Install]\nB=2\n"},
        {"missing section at the end, in the file's style", "; top\r\n[Next]\r\nC=3", "Install",
         "AppName", "; top\r\n[Next]\r\nC=3\r\n[Install]\r\nAppName=Collivo\r\n"},
        {"blanks around the names go", "[Next]\n", " Install ", " AppName ",
         "[Next]\n[Install]\nAppName=Collivo\n"},
        {"byte-order mark only", "\xEF\xBB\xBF", "Install", "AppName",
         "\xEF\xBB\xBF[Install]\nAppName=Collivo\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(m_path.c_str());
        if (c.before) Put(*c.before);
        ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, "Collivo", m_path));
        EXPECT_EQ(Contents(), c.after);
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "", 260, m_path), "Collivo");
    }
}

TEST_F(IniFileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
    const std::string before =
        "[Install]\nA=1\nB=2\n[Next]\nA=keep\n[install]\na=3\n; trailing comment\n\n[Last]\nZ=9";
    struct Case {
        const char* name;
        std::optional<std::string_view> key;
        std::string after;
    } cases[] = {
        {"key, in every section of the name", "A",
         "[Install]\nB=2\n[Next]\nA=keep\n[install]\n; trailing comment\n\n[Last]\nZ=9"},
        {"missing key", "Q", before},
        {"section, every one of the name", std::nullopt, "[Next]\nA=keep\n[Last]\nZ=9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(before);
        ASSERT_TRUE(WritePrivateProfileString("Install", c.key, std::nullopt, m_path));
        EXPECT_EQ(Contents(), c.after);
    }
    Put(before);
    ASSERT_TRUE(WritePrivateProfileString("Last", "Z", std::nullopt, m_path));
    EXPECT_EQ(Contents(),
              "[Install]\nA=1\nB=2\n[Next]\nA=keep\n[install]\na=3\n; trailing "
              "comment\n\n[Last]\n");

    // Deleting from a file that does not exist does not create it.
    unlink(m_path.c_str());
    EXPECT_TRUE(WritePrivateProfileString("Install", "A", std::nullopt, m_path));
    EXPECT_TRUE(WritePrivateProfileString("Install", std::nullopt, std::nullopt, m_path));
    EXPECT_FALSE(std::filesystem::exists(m_path));
}

TEST_F(IniFileTest, WritesThatWouldBreakTheLineStructureAreRefused) {
    const std::string before = "[Install]\nKey=old\n";
    struct Case {
        const char* name;
        std::string section, key, value;
    } cases[] = {
        {"line feed in value", "Install", "Key", "new\n[Evil]\nX=1"},
        {"carriage return in value", "Install", "Key", "new\rX=1"},
        {"NUL in value", "Install", "Key", std::string("a\0b", 3)},
        {"line break in key", "Install", "Key\r\nX", "v"},
        {"equals sign in key", "Install", "a=b", "v"},
        {"key starting a comment", "Install", ";Key", "v"},
        {"key starting a section", "Install", "[Key", "v"},
        {"empty key", "Install", "  ", "v"},
        {"bracket in section", "Ins]tall", "Key", "v"},
        {"line break in section", "Install\n", "Key", "v"},
        {"empty section", "", "Key", "v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(before);
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, m_path));
        EXPECT_EQ(Contents(), before);
    }
    EXPECT_FALSE(WritePrivateProfileString(L"Install", L"Key", L"a\nb",
                                           std::wstring(m_path.begin(), m_path.end())));
    EXPECT_EQ(Contents(), before);
}

TEST_F(IniFileTest, WritesReplaceTheFileAtomically) {
    Put("[Install]\nKey=old\n");
    ASSERT_EQ(chmod(m_path.c_str(), 0640), 0);
    ASSERT_TRUE(WritePrivateProfileString("Install", "Key", "new", m_path));
    struct stat st;
    ASSERT_EQ(stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Only the file itself remains: the temporary file was renamed over it.
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});

    // A symbolic link stays a link; its target gets the change.
    const std::string link = m_dir + "/link.ini";
    ASSERT_EQ(symlink("test.ini", link.c_str()), 0);
    ASSERT_TRUE(WritePrivateProfileString("Install", "Key", "via link", link));
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Contents(), "[Install]\nKey=via link\n");
}

// Runs `step` as an ordinary user (in a child that drops root when the tests run as root,
// since root reads and writes past any permission bits). -1 when that user cannot be had.
int AsOrdinaryUser(const std::function<bool()>& step) {
    if (geteuid() != 0) return step() ? 1 : 0;
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        _exit(step() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 2) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST_F(IniFileTest, FailedWritesChangeNothing) {
    // As with the system function, a missing folder is not created.
    const std::string deep = m_dir + "/missing/set.ini";
    EXPECT_FALSE(WritePrivateProfileString("Install", "Key", "v", deep));
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/missing"));

    // A folder in the file's place is not a file to replace.
    const std::string folder = m_dir + "/folder.ini";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_FALSE(WritePrivateProfileString("Install", "Key", "v", folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    ASSERT_EQ(rmdir(folder.c_str()), 0);

    // The cases below need permission bits to bite; the first write shows they can.
    Put("[Install]\nOther=keep\n");
    if (geteuid() == 0) {
        ASSERT_EQ(chown(m_path.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chmod(m_dir.c_str(), 0777), 0);
    const auto write = [this] { return WritePrivateProfileString("Install", "Key", "v", m_path); };
    if (AsOrdinaryUser(write) != 1) GTEST_SKIP() << "no ordinary user can reach " << m_dir;
    const std::string before = Contents();

    // A file we cannot read must not be replaced by one holding only the new key.
    ASSERT_EQ(chmod(m_path.c_str(), 0200), 0);
    EXPECT_EQ(AsOrdinaryUser(write), 0);
    ASSERT_EQ(chmod(m_path.c_str(), 0600), 0);
    EXPECT_EQ(Contents(), before);

    // A folder we cannot write to keeps the old contents and gets no temporary file.
    ASSERT_EQ(chmod(m_dir.c_str(), 0555), 0);
    const auto change = [this] { return WritePrivateProfileString("Install", "Key", "w", m_path); };
    EXPECT_EQ(AsOrdinaryUser(change), 0);
    ASSERT_EQ(chmod(m_dir.c_str(), 0700), 0);
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"});
}

// One program writes "set.ini", another reads "Set.ini": on Windows the same file.
TEST_F(IniFileTest, FileNamesMatchIgnoringLetterCaseWhenTheExactNameIsAbsent) {
    struct Case {
        std::vector<std::string> present;  // files in the folder before, each with A=<its name>
        std::string asked;                 // the name read, then written with A=new
        std::string read;                  // what the read gives ("" for the default)
        std::vector<std::string> after;    // the folder's files after the write, sorted
        std::string written;               // the file that holds A=new
    } cases[] = {
        {{"set.ini"}, "Set.ini", "set.ini", {"set.ini"}, "set.ini"},
        {{"SET.INI"}, "set.ini", "SET.INI", {"SET.INI"}, "SET.INI"},
        {{"Ärger.ini"}, "äRGER.INI", "Ärger.ini", {"Ärger.ini"}, "Ärger.ini"},
        // The exact name first.
        {{"Set.ini", "set.ini"}, "Set.ini", "Set.ini", {"Set.ini", "set.ini"}, "Set.ini"},
        // More than one candidate, or none: the exact name, created by the write.
        {{"SET.INI", "set.ini"}, "Set.ini", "", {"SET.INI", "Set.ini", "set.ini"}, "Set.ini"},
        {{"set.ini.bak", "sett.ini"},
         "Set.ini",
         "",
         {"Set.ini", "set.ini.bak", "sett.ini"},
         "Set.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked + " among " + testing::PrintToString(c.present));
        testing_support::ScratchFolder folder;
        for (const auto& name : c.present)
            Put(folder / name, "[S]\nA=" + name + "\n");
        EXPECT_EQ(GetPrivateProfileString("S", "A", "", 260, folder / c.asked), c.read);
        ASSERT_TRUE(WritePrivateProfileString("S", "A", "new", folder / c.asked));
        std::vector<std::string> after;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            after.push_back(entry.path().filename().string());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(GetPrivateProfileString("S", "A", "", 260, folder / c.written), "new");
    }
}

TEST_F(IniFileTest, WideWritesAreUtf8OnDisk) {
    const std::wstring widePath(m_path.begin(), m_path.end());
    ASSERT_TRUE(WritePrivateProfileString(L"安装", L"路径", L"C:\\程序\\Collivo", widePath));
    EXPECT_EQ(Contents(), "[安装]\n路径=C:\\程序\\Collivo\n");
    EXPECT_EQ(GetPrivateProfileString(L"安装", L"路径", L"", 260, widePath), L"C:\\程序\\Collivo");
    ASSERT_TRUE(WritePrivateProfileString(L"安装", std::nullopt, std::nullopt, widePath));
    EXPECT_EQ(Contents(), "");
}

}  // namespace
