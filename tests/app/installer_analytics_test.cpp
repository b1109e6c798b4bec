#include "app/installer_analytics.h"

#include <gtest/gtest.h>

#include <string>

#include "analytics/installer_reporting.h"
#include "tests/analytics/recording_tracker.h"
#include "tests/analytics/tracker_fixture.h"

namespace {

using analytics_test::InstallRecorder;
using InstallerAnalytics = analytics_test::TrackerTest;

TEST_F(InstallerAnalytics, StartupEventsReportOnlyWhileReportingIsEnabled) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        auto recorder = InstallRecorder();
        orvane::analytics::SetReportingEnabled(enabled);
        InstallerStartupEvents().CurlInitFailed();
        const auto calls = recorder->Calls();
        if (enabled) {
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0], R"(trackTask {"$is_first_time":true,"ov_task_elapsed":0,)"
                                R"("ov_task_name":"libcurl初始化失败","ov_task_result":"Success",)"
                                R"("ovc_ab":"IN"})");
        } else {
            EXPECT_TRUE(calls.empty());
        }
        ResetState();
    }
}

TEST_F(InstallerAnalytics, CrashReportsTheTaskEventThenTheCrash) {
    auto recorder = InstallRecorder();
    InstallerStartupEvents().Crashed();
    const auto calls = recorder->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0],
              R"(trackTask {"$is_first_time":true,"ov_task_elapsed":0,"ov_task_name":"崩溃退出",)"
              R"("ov_task_result":"Success","ovc_ab":"IN"})");
    EXPECT_EQ(calls[1], R"(trackCrash {"app_crashed_reason":"崩溃"})");
}

TEST(InstallerTrackerConfig, ConfigurationFromTheSettings) {
    InstallerSettings settings;
    settings.ExeFileName = L"collivo-setup";
    settings.DlAppVersion = L"2.0";
    const struct {
        const char* name;
        std::wstring analyticsUrl;
        std::string serverUrl;
    } cases[] = {
        {"default server", L"", ""},
        {"AnalyticsUrl given", L"http://127.0.0.1:9/sa?project=pc",
         "http://127.0.0.1:9/sa?project=pc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.AnalyticsUrl = c.analyticsUrl;
        const orvane::analytics::TrackerConfig config = InstallerTrackerConfig(settings);
        EXPECT_EQ(config.appName, "Collivo.downloader");
        EXPECT_EQ(config.appVersion, "1.7.9");
        EXPECT_EQ(config.appStore, "collivo-setup");
        EXPECT_EQ(config.dlAppId, "Collivo");
        EXPECT_EQ(config.dlAppVersion, "2.0");
        EXPECT_EQ(config.edition, 0);
        EXPECT_EQ(config.logFilePath, "");
        EXPECT_EQ(config.serverUrl, c.serverUrl);
    }
}

}  // namespace
