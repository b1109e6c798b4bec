#include "platform/ini_file.h"
#include "tests/support/scratch_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#include "platform/codepage.h"
#include "platform/paths.h"

namespace {

using platform::GetPrivateProfileInt;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

std::wstring Wide(const std::string& utf8) {
    std::wstring wide;
    platform::MultiByteToWide(platform::kCodePageUtf8, utf8, &wide);
    return wide;
}

#ifdef _WIN32
// UTF-8 text as the bytes of a UTF-16 (little-endian) file, byte-order mark first.
std::string Utf16File(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (const char32_t c : Wide(utf8)) {
        // Past U+FFFF as a surrogate pair (where wchar_t holds the whole character).
        if (c > 0xFFFF) {
            for (const char32_t unit : {0xD800 + ((c - 0x10000) >> 10), 0xDC00 + (c & 0x3FF)}) {
                bytes.push_back(static_cast<char>(unit & 0xFF));
                bytes.push_back(static_cast<char>(unit >> 8));
            }
        } else {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    }
    return bytes;
}
#endif

// A fresh scratch folder per test, removed afterwards.
class IniFileTest : public testing::Test {
protected:
    void SetUp() override { m_path = m_scratch / "test.ini"; }

    void Put(const std::string& bytes) { Put(m_path, bytes); }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(platform::FsPath(path), std::ios::binary) << bytes;
    }
    // Writes UTF-8 text in the encoding the functions read it in: UTF-8 on Linux; on Windows
    // UTF-16 after its byte-order mark, since the system reads any other file in the "ANSI"
    // code page.
    void PutText(const std::string& text) { PutText(m_path, text); }
    static void PutText(const std::string& path, const std::string& text) {
#ifdef _WIN32
        Put(path, Utf16File(text));
#else
        Put(path, text);
#endif
    }
    std::string Contents() const {
        return Contents(m_path);
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(platform::FsPath(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(platform::FsPath(m_dir))) {
            names.push_back(platform::PathText(entry.path().filename()));
        }
        return names;
    }
    bool Exists(const std::string& path) const {
        return std::filesystem::exists(platform::FsPath(path));
    }

    testing_support::ScratchFolder m_scratch;
    std::string m_dir = m_scratch.Path();
    std::string m_path;
    std::wstring m_widePath = Wide(m_scratch / "test.ini");
};

TEST_F(IniFileTest, ReadsValuesByTheMatchingRules) {
    PutText(
        "top=before any section\n"
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
#ifndef _WIN32
        // Linux only: the system looks for a key in the first section of a name alone.
        {"Install", "Later", "", "from the second section of the same name"},
#endif
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
        EXPECT_EQ(GetPrivateProfileString(L"Install", L"Key", L"默认", 260, Wide(path)), L"默认");
        EXPECT_EQ(platform::ReadProfileValue("Install", "Key", path), std::nullopt);
    }
}

TEST_F(IniFileTest, LineEndsAndByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"LF", "[Install]\nKey=value\n[Other]\nKey=other\n"},
        {"CRLF", "[Install]\r\nKey=value\r\n[Other]\r\nKey=other\r\n"},
#ifdef _WIN32
        {"UTF-16 BOM", Utf16File("[Install]\r\nKey=value\r\n[Other]\r\nKey=other")},
#else
        // Linux only: the system promises to read a UTF-16 byte-order mark, not a UTF-8 one.
        {"UTF-8 BOM", "\xEF\xBB\xBF[Install]\r\nKey=value\r\n[Other]\r\nKey=other"},
#endif
        {"no final line end", "[Install]\nKey=value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(c.bytes);
        EXPECT_EQ(GetPrivateProfileString("Install", "Key", "", 260, m_path), "value");
        EXPECT_EQ(GetPrivateProfileString(L"install", L"key", L"", 260, m_widePath), L"value");
    }
}

TEST_F(IniFileTest, ValuesAreCutToTheBufferSizeLessOne) {
    // "中" and "文" are three bytes each in UTF-8 and one wide character each.
    PutText("[S]\nText=ab中文\nQuoted=\"abcdef\"\n");
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
        EXPECT_EQ(GetPrivateProfileString(L"S", key, L"def", c.size, m_widePath), c.wide);
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
        {"Min", INT_MIN},
#ifndef _WIN32
        // Linux only: the system does not hold a number outside the range of int to its ends.
        {"PastMax", INT_MAX},
        {"Huge", INT_MAX},
        {"HugeNegative", INT_MIN},
#endif
        {"Missing", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(GetPrivateProfileInt("S", c.key, 5, m_path), c.expected);
    }
    EXPECT_EQ(GetPrivateProfileInt(L"s", L"trailing", 5, m_widePath), 12);
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
    EXPECT_EQ(GetPrivateProfileString("Install", "DownloadUrl", "", 260, m_path), "http://new/");
    EXPECT_EQ(GetPrivateProfileString("Install", "IsCheckNet", "", 260, m_path), "false");
    EXPECT_EQ(GetPrivateProfileString("Other", "DownloadUrl", "", 260, m_path), "untouched");
#ifndef _WIN32
    // Linux only: the system writes the whole file out in a layout of its own.
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
#endif

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
        std::string after;  // the file's bytes (Linux; the system has a layout of its own)
        const char* other;  // another key of the file, with its value "keep"
    } cases[] = {
        {"new file", std::nullopt, "Install", "AppName", "[Install]\nAppName=Collivo\n", nullptr},
        {"empty file", "", "Install", "AppName", "[Install]\nAppName=Collivo\n", nullptr},
        {"after the last key, before trailing blank lines and comments",
         "[Install]\nA=1\n; note\nB=keep\n\n; about the next one\n[Next]\nC=3\n", "install",
         "AppName",
         "[Install]\nA=1\n; note\nB=keep\nAppName=Collivo\n\n; about the next one\n[Next]\nC=3\n",
         "B"},
        {"section without keys", "[Install]\n\n[Next]\nC=keep\n", "Install", "AppName",
         "[Install]\nAppName=Collivo\n\n[Next]\nC=keep\n", "C"},
        {"last line without a line end", "[Install]\r\nA=keep", "Install", "AppName",
         "[Install]\r\nA=keep\r\nAppName=Collivo\r\n", "A"},
        {"first of two sections of the same name", "[Install]\nA=1\n[Next]\n[Install]\nB=2\n",
         "Install", "AppName", "[Install]\nA=1\nAppName=Collivo\n[Next]\n[Install]\nB=2\n",
         nullptr},
        {"missing section at the end, in the file's style", "; top\r\n[Next]\r\nC=keep", "Install",
         "AppName", "; top\r\n[Next]\r\nC=keep\r\n[Install]\r\nAppName=Collivo\r\n", "C"},
        {"blanks around the names go", "[Next]\n", " Install ", " AppName ",
         "[Next]\n[Install]\nAppName=Collivo\n", nullptr},
        {"byte-order mark only", "\xEF\xBB\xBF", "Install", "AppName",
         "\xEF\xBB\xBF[Install]\nAppName=Collivo\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(platform::FsPath(m_path));
        if (c.before) Put(*c.before);
        ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, "Collivo", m_path));
#ifndef _WIN32
        EXPECT_EQ(Contents(), c.after);
#endif
        EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "", 260, m_path), "Collivo");
        EXPECT_EQ(GetPrivateProfileString("Install", "AppName", "", 260, m_path), "Collivo");
        if (c.other != nullptr) {
            const char* section = std::strcmp(c.other, "C") == 0 ? "Next" : "Install";
            EXPECT_EQ(GetPrivateProfileString(section, c.other, "", 260, m_path), "keep");
        }
    }
}

TEST_F(IniFileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
    const std::string before =
        "[Install]\nA=1\nB=2\n[Next]\nA=keep\n[install]\na=3\n; trailing comment\n\n[Last]\nZ=9";
    struct Case {
        const char* name;
        std::optional<std::string_view> key;
        std::string after;  // the file's bytes (Linux; the system has a layout of its own)
        std::optional<std::string> installA, installB;
        bool installKept;
    } cases[] = {
        {"key, in every section of the name", "A",
         "[Install]\nB=2\n[Next]\nA=keep\n[install]\n; trailing comment\n\n[Last]\nZ=9",
         std::nullopt, "2", true},
        {"missing key", "Q", before, "1", "2", true},
        {"section, every one of the name", std::nullopt, "[Next]\nA=keep\n[Last]\nZ=9",
         std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(before);
        ASSERT_TRUE(WritePrivateProfileString("Install", c.key, std::nullopt, m_path));
#ifndef _WIN32
        EXPECT_EQ(Contents(), c.after);
#endif
        EXPECT_EQ(platform::ReadProfileValue("Install", "A", m_path), c.installA);
        EXPECT_EQ(platform::ReadProfileValue("Install", "B", m_path), c.installB);
        EXPECT_EQ(platform::ProfileSectionExists("Install", m_path), c.installKept);
        EXPECT_EQ(platform::ReadProfileValue("Next", "A", m_path), "keep");
        EXPECT_EQ(platform::ReadProfileValue("Last", "Z", m_path), "9");
    }
    Put(before);
    ASSERT_TRUE(WritePrivateProfileString("Last", "Z", std::nullopt, m_path));
    EXPECT_EQ(platform::ReadProfileValue("Last", "Z", m_path), std::nullopt);
    EXPECT_TRUE(platform::ProfileSectionExists("Last", m_path));
#ifndef _WIN32
    EXPECT_EQ(Contents(),
              "[Install]\nA=1\nB=2\n[Next]\nA=keep\n[install]\na=3\n; trailing "
              "comment\n\n[Last]\n");
#endif

    // Deleting from a file that does not exist does not create it.
    std::filesystem::remove(platform::FsPath(m_path));
    EXPECT_TRUE(WritePrivateProfileString("Install", "A", std::nullopt, m_path));
    EXPECT_TRUE(WritePrivateProfileString("Install", std::nullopt, std::nullopt, m_path));
    EXPECT_FALSE(Exists(m_path));
}

TEST_F(IniFileTest, SectionsAreFoundAndAddedOnce) {
    EXPECT_FALSE(platform::ProfileSectionExists("Install", m_path));  // no file
    ASSERT_TRUE(platform::AddProfileSection(" Install ", m_path));    // creates it
    EXPECT_TRUE(platform::ProfileSectionExists("INSTALL", m_path));
    EXPECT_FALSE(platform::ProfileSectionExists("Other", m_path));
    ASSERT_TRUE(WritePrivateProfileString("install", "Key", "value", m_path));
    // Adding a section that is there changes nothing.
    const std::string before = Contents();
    ASSERT_TRUE(platform::AddProfileSection("install", m_path));
    EXPECT_EQ(Contents(), before);
    ASSERT_TRUE(platform::AddProfileSection("Other", m_path));
    EXPECT_TRUE(platform::ProfileSectionExists("other", m_path));
    EXPECT_EQ(platform::ReadProfileValue("Install", "Key", m_path), "value");
    for (const char* invalid : {"", "  ", "a]b", "a\nb"}) {
        SCOPED_TRACE(invalid);
        EXPECT_FALSE(platform::AddProfileSection(invalid, m_path));
    }
    EXPECT_FALSE(platform::AddProfileSection("Install", m_dir + "/missing/set.ini"));
}

TEST_F(IniFileTest, WritesThatWouldBreakTheLineStructureAreRefused) {
    Put("[Install]\nKey=old\n");
    const std::string before = Contents();
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
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, m_path));
        EXPECT_EQ(Contents(), before);
    }
    EXPECT_FALSE(WritePrivateProfileString(L"Install", L"Key", L"a\nb", m_widePath));
    EXPECT_FALSE(WritePrivateProfileString(L"", std::nullopt, std::nullopt, m_widePath));
    EXPECT_EQ(Contents(), before);
}

TEST_F(IniFileTest, FailedWritesChangeNothing) {
    // As with the system function, a missing folder is not created.
    const std::string deep = m_scratch / "missing" + platform::kPathSeparator + "set.ini";
    EXPECT_FALSE(WritePrivateProfileString("Install", "Key", "v", deep));
    EXPECT_FALSE(Exists(m_scratch / "missing"));

    // A folder in the file's place is not a file to replace.
    const std::string folder = m_scratch / "folder.ini";
    ASSERT_TRUE(std::filesystem::create_directory(platform::FsPath(folder)));
    EXPECT_FALSE(WritePrivateProfileString("Install", "Key", "v", folder));
    EXPECT_FALSE(WritePrivateProfileString("Install", "Key", std::nullopt, folder));
    EXPECT_TRUE(std::filesystem::is_directory(platform::FsPath(folder)));
}

#ifndef _WIN32
// Linux only: the system rewrites the file in place, and Windows has no permission bits or
// symbolic links of this kind.
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

constexpr uid_t kNobody = 65534;

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

// Linux only: permission bits and users to drop to.
TEST_F(IniFileTest, UnreadableFilesAndUnwritableFoldersAreLeftAlone) {
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
#endif

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
#ifndef _WIN32
        // Linux only: a Windows folder cannot hold two names that differ only in case.
        // The exact name first.
        {{"Set.ini", "set.ini"}, "Set.ini", "Set.ini", {"Set.ini", "set.ini"}, "Set.ini"},
        // More than one candidate: the exact name, created by the write.
        {{"SET.INI", "set.ini"}, "Set.ini", "", {"SET.INI", "Set.ini", "set.ini"}, "Set.ini"},
#endif
        // No candidate: the exact name, created by the write.
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
            PutText(folder / name, "[S]\nA=" + name + "\n");
        EXPECT_EQ(GetPrivateProfileString("S", "A", "", 260, folder / c.asked), c.read);
        ASSERT_TRUE(WritePrivateProfileString("S", "A", "new", folder / c.asked));
        std::vector<std::string> after;
        for (const auto& entry :
             std::filesystem::directory_iterator(platform::FsPath(folder.Path())))
            after.push_back(platform::PathText(entry.path().filename()));
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(GetPrivateProfileString("S", "A", "", 260, folder / c.written), "new");
    }
}

TEST_F(IniFileTest, WideWritesKeepAnyText) {
    // "😀" is a surrogate pair in UTF-16.
    ASSERT_TRUE(WritePrivateProfileString(L"安装", L"路径", L"C:\\程序\\Collivo 😀", m_widePath));
    EXPECT_EQ(GetPrivateProfileString(L"安装", L"路径", L"", 260, m_widePath),
              L"C:\\程序\\Collivo 😀");
    EXPECT_EQ(platform::ReadProfileValue("安装", "路径", m_path), "C:\\程序\\Collivo 😀");
#ifdef _WIN32
    // A file the form makes is UTF-16, which the system reads and writes without loss.
    EXPECT_TRUE(Contents().starts_with("\xFF\xFE")) << testing::PrintToString(Contents());
#else
    EXPECT_EQ(Contents(), "[安装]\n路径=C:\\程序\\Collivo 😀\n");
#endif
    ASSERT_TRUE(WritePrivateProfileString(L"安装", std::nullopt, std::nullopt, m_widePath));
    EXPECT_FALSE(platform::ProfileSectionExists("安装", m_path));
#ifndef _WIN32
    EXPECT_EQ(Contents(), "");
#endif
}

}  // namespace
