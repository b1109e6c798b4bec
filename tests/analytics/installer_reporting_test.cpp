#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/analytics_tracker_factory.h"
#include "analytics/event_properties.h"
#include "analytics/failure_texts.h"
#include "analytics/installer_reporting.h"
#include "analytics/tracker_holder.h"
#include "platform/paths.h"
#include "sys/network_check.h"
#include "sys/text.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/analytics/recording_tracker.h"
#include "tests/analytics/tracker_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::analytics;

using analytics_test::InstallRecorder;
using analytics_test::RecordingTracker;
using ReportingTest = analytics_test::TrackerTest;

const ExtraProperties kIn = {{L"AB", L"IN"}};

TEST_F(ReportingTest, EachReportBuildsItsEvent) {
    const struct {
        const char* name;
        std::function<void()> report;
        const char* call;
    } cases[] = {
        {"task", [] { ReportTaskEvent(L"开始下载大包", 0.0f, L"", kIn); },
         R"(trackTask {"$is_first_time":true,"ov_task_elapsed":0,"ov_task_name":"开始下载大包",)"
         R"("ov_task_result":"Success","ovc_ab":"IN"})"},
        {"task with elapsed and reason",
         [] { ReportTaskEvent(L"下载失败原因", 2.5f, L":1.code=7；2.msg=x", kIn); },
         R"(trackTask {"$is_first_time":true,"ov_reason":":1.code=7；2.msg=x",)"
         R"("ov_task_elapsed":2.5,"ov_task_name":"下载失败原因","ov_task_result":"Success",)"
         R"("ovc_ab":"IN"})"},
        {"click", [] { ReportClickEvent(L"立即安装", kIn); },
         R"(trackClick {"$is_first_time":true,"ov_click_type":"Button","ov_name":"立即安装",)"
         R"("ovc_ab":"IN"})"},
        {"installing view", [] { ReportInstallingView(kIn); },
         R"(trackView {"$is_first_time":true,"ov_name":"安装中","ovc_ab":"IN"})"},
        {"crash", [] { ReportCrash(); }, R"(trackCrash {"app_crashed_reason":"崩溃"})"},
        {"empty label: no A/B property",
         [] {
             ReportClickEvent(L"立即体验", {{L"AB", L""}});
         },
         R"(trackClick {"$is_first_time":true,"ov_click_type":"Button","ov_name":"立即体验"})"},
        {"rejected label: the event goes without it",
         [] {
             ReportClickEvent(L"立即体验", {{L"AB", L"in"}});
         },
         R"(trackClick {"$is_first_time":true,"ov_click_type":"Button","ov_name":"立即体验"})"},
        {"too long a label",
         [] {
             ReportInstallingView({{L"AB", L"ABCD"}});
         },
         R"(trackView {"$is_first_time":true,"ov_name":"安装中"})"},
        {"no AB entry, other keys ignored",
         [] {
             ReportInstallingView({{L"ovc_ab", L"IN"}});
         },
         R"(trackView {"$is_first_time":true,"ov_name":"安装中"})"},
    };
    auto recorder = InstallRecorder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = recorder->Calls().size();
        c.report();
        const auto calls = recorder->Calls();
        ASSERT_EQ(calls.size(), before + 1);
        EXPECT_EQ(calls.back(), c.call);
    }
}

TEST_F(ReportingTest, DisabledAnalyticsReportsNothing) {
    auto recorder = InstallRecorder();
    SetReportingEnabled(false);
    ReportTaskEvent(L"开始下载大包", 0.0f, L"", kIn);
    ReportClickEvent(L"立即安装", kIn);
    ReportInstallingView(kIn);
    ReportCrash();
    EXPECT_TRUE(recorder->Calls().empty());
}

TEST_F(ReportingTest, ReportsBeforeTheTrackerAreHeldThenHandedOverInOrder) {
    ReportTaskEvent(L"libcurl初始化失败", 0.0f, L"", kIn);
    ReportClickEvent(L"立即安装", kIn);
    auto recorder = InstallRecorder();
    const auto calls = recorder->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].find("\"ov_task_name\":\"libcurl初始化失败\""), std::string::npos);
    EXPECT_NE(calls[0].find("\"ovc_ab\":\"IN\""), std::string::npos);
    EXPECT_NE(calls[1].find("trackClick"), std::string::npos);

    // Released: the tracker is destroyed and later reports go nowhere.
    std::weak_ptr<RecordingTracker> watch = recorder;
    recorder.reset();
    ReleaseTracker();
    EXPECT_TRUE(watch.expired());
    ReportClickEvent(L"立即安装", kIn);
    EXPECT_EQ(CurrentTracker(), nullptr);
}

TEST_F(ReportingTest, HeldReportsAreBounded) {
    for (size_t i = 0; i < kMaxHeldReports + 10; ++i)
        ReportClickEvent(L"c" + std::to_wstring(i), kIn);
    auto recorder = InstallRecorder();
    const auto calls = recorder->Calls();
    ASSERT_EQ(calls.size(), kMaxHeldReports);
    EXPECT_NE(calls.back().find("\"ov_name\":\"c" + std::to_string(kMaxHeldReports - 1) + "\""),
              std::string::npos);
}

// The reports through the real tracker to the collection server.
using ReportingE2ETest = analytics_test::TrackerWithServerTest;

TEST_F(ReportingE2ETest, EnabledSettingDecidesWhetherAnythingIsSent) {
    const struct {
        bool enabled;
        std::vector<std::string> events;
    } cases[] = {
        {true, {"OvEventTask", "OvEventClick", "OvEventView", "OvEventTask", "AppCrashed"}},
        {false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.enabled);
        ResetState();
        RemoveAnalyticsFolder();
        const size_t before = m_server.Records().size();
        event_collect::SetLastUploadSucceeded(true);
        InstallTracker(CreateAnalyticsTracker(Config(m_server.Url())));
        SetReportingEnabled(c.enabled);
        ReportTaskEvent(L"开始下载大包", 0.0f, L"", kIn);
        ReportClickEvent(L"立即安装", kIn);
        ReportInstallingView(kIn);
        ReportTaskEvent(L"崩溃退出", 0.0f, L"", kIn);
        ReportCrash();  // the crash uploads before it returns
        const auto records = analytics_test::ServerRecords(m_server);
        std::vector<std::string> events;
        for (size_t i = before; i < records.size(); ++i)
            events.push_back(records[i]["event"].asString());
        EXPECT_EQ(events, c.events);
        if (!events.empty()) {
            EXPECT_EQ(records[before]["properties"]["ovc_ab"].asString(), "IN");
            EXPECT_EQ(records.back()["properties"]["app_crashed_reason"].asString(), "崩溃");
        }
        ReleaseTracker();
        std::ifstream staging(platform::FsPath(StagingFile()));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(staging), {}), "");
    }
}

TEST(FailureTexts, DownloadFailureAsksItsProbesInOrder) {
    std::vector<std::string> asked;
    FailureProbes probes;
    probes.networkStatus = [&] {
        asked.push_back("network");
        return 0x20001u;  // no internet over IPv4
    };
    probes.packageWritable = [&] {
        asked.push_back("write");
        return false;
    };
    probes.freeGigabytes = [&] {
        asked.push_back("space");
        return 12.345;
    };
    EXPECT_EQ(DownloadFailureText(28.9, L"超时", probes),
              L"1.code=28；2.msg=超时；3.缓存磁盘容量=12.35G；4.缓存读写权限=无权限；"
              L"5.服务器连接状态code=131073");
    EXPECT_EQ(asked, (std::vector<std::string>{"network", "write", "space"}));

    probes.networkStatus = [] { return 0xFFFFFFFFu; };  // printed as a signed number
    probes.packageWritable = [] { return true; };
    EXPECT_EQ(DownloadFailureText(-2, L"m", probes),
              L"1.code=-2；2.msg=m；3.缓存磁盘容量=12.35G；4.缓存读写权限=可读；"
              L"5.服务器连接状态code=-1");
}

TEST(FailureTexts, LongTextsAreCutToTheBuffer) {
    const std::wstring longMessage(500, L'长');
    const struct {
        const char* name;
        std::wstring text;
        std::wstring start;
    } cases[] = {
        {"short", ShortFailureText(1004, L"x"), L":1.code=1004；2.msg=x"},
        {"short, long message", ShortFailureText(1, longMessage), L":1.code=1；2.msg=长长"},
        {"download, long message",
         DownloadFailureText(1, longMessage,
                             {[] { return 0u; }, [] { return true; }, [] { return 0.0; }}),
         L"1.code=1；2.msg=长长"},
        {"value past the range of long", ShortFailureText(1e300, L"x"),
         L":1.code=" + std::to_wstring(LONG_MAX)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_LE(c.text.size(), kFailureTextSize - 1);
        EXPECT_EQ(c.text.substr(0, c.start.size()), c.start);
    }
    EXPECT_EQ(ShortFailureText(1, longMessage).size(), kFailureTextSize - 1);
}

TEST(FailureTexts, WriteTestReplacesThePackageAndLeavesNothing) {
    testing_support::ScratchFolder scratch;
    const std::string existing = scratch / "__Package_Collivo";
    std::ofstream(platform::FsPath(existing)) << "old";
    const struct {
        const char* name;
        std::string path;
        bool writable;
    } cases[] = {
        {"existing package", existing, true},
        {"no package yet", scratch / "fresh", true},
        {"folder missing", scratch / "missing/pkg", false},
        {"a folder in the way", scratch.Path(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PackageFileWritable(Utils::FromUtf8(c.path)), c.writable);
        if (c.writable) {
            EXPECT_FALSE(fs::exists(platform::FsPath(c.path)));
        }
    }
    EXPECT_TRUE(fs::is_directory(platform::FsPath(scratch.Path())));
}

TEST(FailureTexts, SystemProbesReadTheMachine) {
    testing_support::ScratchFolder scratch;
    const auto oldProbe = Utils::SetNetworkProbe([] {
        platform::NetworkReading reading;
        reading.available = true;
        reading.connectivityRead = true;
        reading.connectivity = platform::IPV4_SUBNET;
        reading.internetRead = true;
        return reading;
    });
    const FailureProbes probes = SystemFailureProbes(Utils::FromUtf8(scratch / "pkg"));
    EXPECT_EQ(probes.networkStatus(), 0x20010u);
    EXPECT_TRUE(probes.packageWritable());
    EXPECT_GT(probes.freeGigabytes(), 0.0);
    Utils::SetNetworkProbe(oldProbe);
}

}  // namespace
