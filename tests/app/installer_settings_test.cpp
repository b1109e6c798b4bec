#include "app/installer_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "sys/text.h"
#include "tests/support/scratch_folder.h"

namespace {

class InstallerSettingsTest : public ::testing::Test {
protected:
    // Settings loaded as if the installer ran from the test's folder with `ini` beside it
    // (no ini file when `ini` is null).
    InstallerSettings Load(const char* ini) {
        if (ini != nullptr) std::ofstream(m_folder + "/OrvaneInstallerConfig.ini") << ini;
        InstallerSettings settings;
        settings.LoadSettings(Utils::NarrowToWide(m_folder + "/collivo-installer", 0));
        return settings;
    }

    testing_support::ScratchFolder m_scratch;
    const std::string& m_folder = m_scratch.Path();
};

TEST_F(InstallerSettingsTest, IniLayer) {
    struct Case {
        const char* name;
        const char* ini;  // null: no file
        bool isCheckNet;
        int downloadType;
        double downloadScale;
        std::wstring downloadUrl;
    } cases[] = {
        {"no file", nullptr, false, 1, 0.7, InstallerSettings::kBuiltInDownloadUrl},
        // The key's default is "true", unlike the built-in value.
        {"empty section", "[Install]\n", true, 1, 0.7, InstallerSettings::kBuiltInDownloadUrl},
        {"True is not true", "[Install]\nIsCheckNet=True\n", false, 1, 0.7,
         InstallerSettings::kBuiltInDownloadUrl},
        {"1 is not true", "[Install]\nIsCheckNet=1\n", false, 1, 0.7,
         InstallerSettings::kBuiltInDownloadUrl},
        {"values",
         "[install]\ndownloadtype=3\nDownloadScale= "
         "0.25xyz\nDownloadUrl=http://h/${ROUTE}/p/${ROUTE}\n",
         true, 3, 0.25, L"http://h/download_silent/p/download_silent"},
        {"scale without a number", "[Install]\nDownloadScale=abc\n", true, 1, 0.0,
         InstallerSettings::kBuiltInDownloadUrl},
        // Out of range: the type is clamped, the scale is unreadable and gives 0 like "abc".
        {"out of range", "[Install]\nDownloadType=99999999999\nDownloadScale=1e999\n", true,
         INT_MAX, 0.0, InstallerSettings::kBuiltInDownloadUrl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_folder + "/OrvaneInstallerConfig.ini");
        const InstallerSettings s = Load(c.ini);
        EXPECT_EQ(s.IsCheckNet, c.isCheckNet);
        EXPECT_EQ(s.DownloadType, c.downloadType);
        EXPECT_DOUBLE_EQ(s.DownloadScale, c.downloadScale);
        EXPECT_EQ(s.DownloadUrl, c.downloadUrl);
        EXPECT_EQ(s.ExeFileName, L"collivo-installer");
    }
}

TEST_F(InstallerSettingsTest, IniCannotChangeNameAndVersionButSetsTheRest) {
    const InstallerSettings s = Load(
        "[Install]\nAppName=Other\nAppVersion=9\nIsEnableAppAnalytics=false\nDlAppNameSuffix=.x\n"
        "m_DlAppVersion=2.0\nInstCmd=/S\nAnalyticsUrl=http://127.0.0.1:9/sa?project=pc\n");
    EXPECT_EQ(s.AppName, L"Collivo");
    EXPECT_EQ(s.AppVersion, L"1.7.9");
    EXPECT_FALSE(s.IsEnableAppAnalytics);
    EXPECT_EQ(s.DlAppNameSuffix, L".x");
    EXPECT_EQ(s.DlAppVersion, L"2.0");
    EXPECT_EQ(s.InstCmd, L"/S");
    EXPECT_EQ(s.AnalyticsUrl, L"http://127.0.0.1:9/sa?project=pc");
}

TEST_F(InstallerSettingsTest, IniValuesAreCutAt259Characters) {
    const std::string longValue(300, 'v');
    const InstallerSettings s = Load(("[Install]\nInstCmd=" + longValue + "\n").c_str());
    EXPECT_EQ(s.InstCmd, std::wstring(259, L'v'));
}

TEST(ParseCommandLine, Switches) {
    InstallerSettings defaults;
    struct Case {
        const wchar_t* line;
        std::function<void(const InstallerSettings&)> check;
    } cases[] = {
        {L"inst.exe -instcmd=/a=b", [](auto& s) { EXPECT_EQ(s.InstCmd, L"/a=b"); }},
        {L"inst.exe \"-instcmd=/a=b c\"", [](auto& s) { EXPECT_EQ(s.InstCmd, L"/a=b c"); }},
        {L"inst.exe -DownloadType=3", [](auto& s) { EXPECT_EQ(s.DownloadType, 1); }},
        {L"inst.exe -downloadtype=3 -downloadtype=2",
         [](auto& s) { EXPECT_EQ(s.DownloadType, 3); }},
        {L"inst.exe -downloadtype", [](auto& s) { EXPECT_EQ(s.DownloadType, 0); }},
        {L"inst.exe -downloadtype=x", [](auto& s) { EXPECT_EQ(s.DownloadType, 0); }},
        {L"inst.exe -downloadtype=-99999999999",
         [](auto& s) { EXPECT_EQ(s.DownloadType, INT_MIN); }},
        {L"inst.exe -ischecknet", [](auto& s) { EXPECT_FALSE(s.IsCheckNet); }},
        {L"inst.exe -ischecknet=true -insnew=true",
         [](auto& s) {
             EXPECT_TRUE(s.IsCheckNet);
             EXPECT_TRUE(s.InsNew);
         }},
        {L"inst.exe -isenableappanalytics=TRUE",
         [](auto& s) { EXPECT_FALSE(s.IsEnableAppAnalytics); }},
        {L"inst.exe -downloadscale=0.5", [](auto& s) { EXPECT_DOUBLE_EQ(s.DownloadScale, 0.5); }},
        // Without a number, or past the double range, the previous share stays.
        {L"inst.exe -downloadscale=abc", [](auto& s) { EXPECT_DOUBLE_EQ(s.DownloadScale, 0.7); }},
        {L"inst.exe -downloadscale=1e999", [](auto& s) { EXPECT_DOUBLE_EQ(s.DownloadScale, 0.7); }},
        {L"inst.exe -language=2 -dlappnamesuffix=.d -dlappversion=3.1",
         [](auto& s) {
             EXPECT_EQ(s.Language, 2);
             EXPECT_EQ(s.DlAppNameSuffix, L".d");
             EXPECT_EQ(s.DlAppVersion, L"3.1");
         }},
        {L"inst.exe -downloadurl=http://h/${ROUTE}/f",
         [](auto& s) { EXPECT_EQ(s.DownloadUrl, L"http://h/download_silent/f"); }},
        // The program path itself is an element; a "=" in it makes no switch.
        {L"\"/opt/-downloadtype=5/inst\"", [](auto& s) { EXPECT_EQ(s.DownloadType, 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.line));
        InstallerSettings s;
        s.ParseCommandLine(c.line);
        c.check(s);
    }
}

TEST(ParseCommandLine, InstCmdAloneClearsIt) {
    InstallerSettings s;
    s.InstCmd = L"/from-ini";
    s.ParseCommandLine(L"inst.exe -instcmd");
    EXPECT_EQ(s.InstCmd, L"");
}

TEST(SubstituteRoute, ByOperatingSystem) {
    struct Case {
        const wchar_t* os;
        const wchar_t* version;
        const wchar_t* route;
    } cases[] = {
        {L"Windows", L"XP-", L"download_silent_xp"}, {L"Windows", L"XP", L"download_silent_xp"},
        {L"Windows", L"XP+", L"download_silent_xp"}, {L"Windows", L"7", L"download_silent"},
        {L"Windows", L"10", L"download_silent"},     {L"Linux", L"XP", L"download_silent"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RouteForSystem(c.os, c.version), c.route) << Utils::ToUtf8(c.version);
    EXPECT_EQ(SubstituteRoute(L"http://h/software/353"), L"http://h/software/353");
}

}  // namespace
