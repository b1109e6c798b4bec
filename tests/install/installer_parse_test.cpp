#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/installer.h"
#include "sys/text.h"
#include "tests/install/notification_recorder.h"
#include "tests/support/log_capture.h"

namespace {

using install_test::Notification;
using install_test::Recorder;

constexpr double kUnsignedMinusOne = 4294967295.0;

struct ParseCase {
    const wchar_t* chunk;
    std::vector<Notification> expected;
    int result;
};

TEST(CInstallerParse, KeysValuesAndResults) {
    const std::wstring longValue(800, L'v');
    const ParseCase cases[] = {
        // The last line that ends the run decides the chunk's result.
        {L"Progress=0.5\nState=Success\nError=x\n",
         {{2002, 0.5, L""}, {2003, 0, L""}, {2004, 1000, L"x"}},
         1000},
        {L"State=  Success \n", {{2003, 0, L""}}, 1},
        {L"State=Success\r\n", {{2003, 0, L""}}, 1},
        {L"State=success\n", {}, 0},
        {L"State=Fail\n", {{2004, 0, L"安装包安装失败"}}, 1000},
        {L"State=Done\n", {}, 0},
        {L"State=\n", {}, 0},
        // Keys match at the first character, case included.
        {L" Progress=0.3\n", {}, 0},
        {L"progress=0.3\n", {}, 0},
        {L"Progress=abc\n", {{2002, 0, L""}}, 0},
        {L"Progress= 0.75xyz\n", {{2002, 0.75, L""}}, 0},
        {L"Progress=nan\n", {{2002, 0, L""}}, 0},
        {L"Progress=inf\n", {{2002, 0, L""}}, 0},
        // Values run to the line end; a carriage return before it stays.
        {L"InstPath=/opt/My App\r\n", {{3000, 0, L"/opt/My App"}}, 0},  // no CR in a path
        {L"InstPath=\n", {{3000, 0, L""}}, 0},
        {L"ExePath=/opt/c/Collivo.exe\n", {{3001, 0, L"/opt/c/Collivo.exe"}}, 0},
        {L"StartExe=/opt/c/run\n", {{3001, 0, L"/opt/c/run"}}, 0},
        {L"UninstExePath=/opt/c/u\n", {{3002, 0, L"/opt/c/u"}}, 0},
        {L"UninstExe=/opt/c/v\n", {{3002, 0, L"/opt/c/v"}}, 0},
        {L"UninstEp=/opt/c/uninst.ep\n", {{3003, 0, L"/opt/c/uninst.ep"}}, 0},
        {L"StartUrl=https://example.org/converter\n",
         {{3004, 0, L"https://example.org/converter"}},
         0},
        {L"Message=hello world\n", {{3009, 0, L"hello world"}}, 0},
        {L"Error=\n", {{2004, 1000, L""}}, 1000},
        // Delays are unsigned 32-bit numbers.
        {L"TopShowDetention=-1\n", {{3007, kUnsignedMinusOne, L""}}, 0},
        {L"TopShowDetention=x\n", {{3007, 0, L""}}, 0},
        {L"FinsihCloseDetention=2500\n", {{3008, 2500, L""}}, 0},
        {L"FinsihCloseDetention=4294967295\n", {{3008, kUnsignedMinusOne, L""}}, 0},
        {L"StartupStyle= AutoStartup\r\n", {{3005, 1, L""}}, 0},
        {L"StartupStyle=UserStartup\n", {{3005, 2, L""}}, 0},
        {L"StartupStyle=NonStartup\n", {{3005, 0, L""}}, 0},
        {L"StartupStyle=autostartup\n", {{3005, 0, L""}}, 0},
        {L"InstallVersion=1.2.3\nEncode=UTF8\nUnknown=1\n\n", {}, 0},
        // A line without its line feed waits for the rest.
        {L"State=Success", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.chunk));
        auto recorder = Recorder::Make();
        CInstaller installer(recorder->Callback(), L"\"/p\"", L"");
        EXPECT_EQ(installer.Parse(c.chunk), c.result);
        EXPECT_EQ(recorder->Seen(), c.expected);
    }

    // A value longer than 771 characters arrives cut to 771.
    auto recorder = Recorder::Make();
    CInstaller installer(recorder->Callback(), L"\"/p\"", L"");
    installer.Parse(L"Message=" + longValue + L"\n");
    EXPECT_EQ(recorder->Seen(), (std::vector<Notification>{{3009, 0, longValue.substr(0, 771)}}));
}

TEST(CInstallerParse, ExePathIsLogged) {
    testing_support::LogCapture capture;
    auto recorder = Recorder::Make();
    CInstaller installer(recorder->Callback(), L"\"/p\"", L"");
    installer.Parse(L"ExePath=/opt/Collivo/Collivo.exe\n");
    const auto lines = capture.Matching("(CInstaller::Parse)");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(": ExePath: /opt/Collivo/Collivo.exe\r\n"), std::string::npos);
}

TEST(CInstallerParse, InstallVersionKeepsTheNumbersRead) {
    struct Case {
        const wchar_t* line;
        int major, minor, patch;
    } cases[] = {
        {L"InstallVersion=2.5.7\n", 2, 5, 7},
        {L"InstallVersion= 3.1\n", 3, 1, 0},   // the patch number is missing
        {L"InstallVersion=4-1-1\n", 4, 0, 0},  // no dot after the first number
        {L"InstallVersion=x.1.1\n", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.line));
        CInstaller installer(nullptr, L"\"/p\"", L"");
        installer.Parse(c.line);
        EXPECT_EQ(installer.VersionMajor(), c.major);
        EXPECT_EQ(installer.VersionMinor(), c.minor);
        EXPECT_EQ(installer.VersionPatch(), c.patch);
    }
}

TEST(CInstallerParse, EncodeChoosesTheCodePage) {
    struct Case {
        const wchar_t* value;
        int32_t codePage;
    } cases[] = {
        {L"UTF8", 65001},  {L" UTF8 \r", 65001}, {L"utf8", 0}, {L"ACP", 0},         {L"936", 936},
        {L" 936abc", 936}, {L"-5", -5},          {L"abc", 0},  {L"99999999999", 0}, {L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.value));
        CInstaller installer(nullptr, L"\"/p\"", L"");
        installer.Parse(L"Encode=1252\n");
        installer.Parse(std::wstring(L"Encode=") + c.value + L"\n");
        EXPECT_EQ(installer.CodePage(), c.codePage);
    }
}

TEST(CInstallerParse, OutputIsDecodedInTheCodePageOfItsLine) {
    const std::string gbk = Utils::WideToNarrow(L"中文安装", 936);
    ASSERT_FALSE(gbk.empty());
    struct Case {
        std::string output;
        std::vector<Notification> expected;
    } cases[] = {
        // "Encode=" takes effect from the very next line, in the same read.
        {"Encode=936\nMessage=" + gbk + "\n", {{3009, 0, L"中文安装"}}},
        {"Encode=936\nEncode=UTF8\nMessage=中文\n", {{3009, 0, L"中文"}}},
        // A code page the system does not know turns every later line into empty text.
        {"Encode=12345\nState=Fail\nMessage=x\n", {}},
        // NUL bytes are dropped, not taken as the end of the read.
        {std::string("Mess\0age=a\0b\n", 13), {{3009, 0, L"ab"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        auto recorder = Recorder::Make();
        CInstaller installer(recorder->Callback(), L"\"/p\"", L"");
        installer.ParseOutput(c.output);
        installer.FinishOutput();
        EXPECT_EQ(recorder->Seen(), c.expected);
    }
}

// Regression: a line cut by a read boundary was delivered as two fragments ("InstPath=/opt/Co"
// would have become the install folder), and a character cut in two was damaged.
TEST(CInstallerParse, EveryTwoChunkSplitGivesTheNotificationsOfOneChunk) {
    testing_support::LogCapture quiet;  // "ExePath:" is logged at every pass
    // UTF-8 declared first: the ANSI page the text is read in until then is UTF-8 only on Linux.
    const std::string output =
        "Encode=UTF8\nProgress=0.25\nInstPath=/opt/中文 目录\r\nExePath=/opt/中文 目录/C.exe\n"
        "Encode=936\nMessage=" +
        Utils::WideToNarrow(L"安装完成", 936) +
        "\nEncode=UTF8\nStartupStyle=AutoStartup\n"
        "TopShowDetention=-1\nState=Success";  // no final line feed
    auto whole = Recorder::Make();
    {
        CInstaller installer(whole->Callback(), L"\"/p\"", L"");
        EXPECT_EQ(installer.ParseOutput(output), 0);
        EXPECT_EQ(installer.FinishOutput(), 1);
    }
    ASSERT_EQ(whole->Seen().size(), 7u);
    EXPECT_EQ(whole->Seen()[1], (Notification{3000, 0, L"/opt/中文 目录"}));
    EXPECT_EQ(whole->Seen()[3], (Notification{3009, 0, L"安装完成"}));

    for (size_t cut = 0; cut <= output.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        auto split = Recorder::Make();
        CInstaller installer(split->Callback(), L"\"/p\"", L"");
        int result = installer.ParseOutput(output.substr(0, cut));
        const int second = installer.ParseOutput(output.substr(cut));
        if (second != 0) result = second;
        const int last = installer.FinishOutput();
        if (last != 0) result = last;
        EXPECT_EQ(result, 1);
        EXPECT_EQ(split->Seen(), whole->Seen());
    }

    // The wide-text entry keeps an unfinished line in the same way.
    const std::wstring text = L"Progress=0.5\nUninstEp=/opt/c/uninst.ep\nState=Fail\n";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE("wide cut at " + std::to_string(cut));
        auto split = Recorder::Make();
        CInstaller installer(split->Callback(), L"\"/p\"", L"");
        installer.Parse(text.substr(0, cut));
        installer.Parse(text.substr(cut));
        EXPECT_EQ(split->Seen(), (std::vector<Notification>{{2002, 0.5, L""},
                                                            {3003, 0, L"/opt/c/uninst.ep"},
                                                            {2004, 0, L"安装包安装失败"}}));
    }
}

TEST(CInstallerCommandLine, SwitchesInOrderWithTheFolderLast) {
    struct Case {
        const wchar_t* installDir;
        const wchar_t* language;
        const wchar_t* instCmd;
        bool consoleAdmin, processAdmin, desktop, quickLaunch;
        const wchar_t* expected;
    } cases[] = {
        {L"", L"", L"", true, true, true, true,
         L"\"/tmp/p.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true "
         L"-dsc=true -ssc=true"},
        {L"/opt/My App", L"zh_CN", L"--demo-fail -x=\"a b\"", false, true, false, true,
         L"\"/tmp/p.exe\" /S -console=show -version=1.0.0 -adminact=false "
         L"-authorizationact=true -dsc=false -ssc=true -inslang=\"zh_CN\" --demo-fail "
         L"-x=\"a b\" -instdir=\"/opt/My App\" /D=/opt/My App"},
        {L"/opt/c", L"", L"", true, false, true, false,
         L"\"/tmp/p.exe\" /S -console=show -version=1.0.0 -adminact=true "
         L"-authorizationact=false -dsc=true -ssc=false -instdir=\"/opt/c\" /D=/opt/c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.expected));
        CInstaller installer(nullptr, L"\"/tmp/p.exe\"", c.installDir);
        installer.SetExtraArguments(c.instCmd);
        installer.SetInstallLanguage(c.language);
        installer.SetConsoleUserIsAdmin(c.consoleAdmin);
        installer.SetProcessIsAdmin(c.processAdmin);
        installer.SetDesktopShortcut(c.desktop);
        installer.SetQuickLaunchShortcut(c.quickLaunch);
        EXPECT_EQ(installer.BuildCommandLine(), c.expected);
    }
}

}  // namespace
