#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "analytics/analytics_tracker_factory.h"
#include "analytics/analytics_tracker_impl.h"
#include "analytics/locale_rule.h"
#include "analytics/os_names.h"
#include "analytics/sdk/last_upload.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/screen.h"
#include "platform/user_locale.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/analytics/system_texts.h"
#include "tests/analytics/tracker_fixture.h"
#include "tests/support/log_capture.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::analytics;
using analytics_test::CollectServer;
using analytics_test::Names;
using analytics_test::ServerRecords;

OvEventClick Click(const std::string& name) {
    OvEventClick click;
    click.name = name;
    return click;
}

std::string Read(const std::string& path, const char* section, const char* key) {
    return platform::ReadProfileValue(section, key, path).value_or("<missing>");
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(platform::FsPath(path));
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

#ifdef _WIN32
// The user's locale as the records name it: Windows asks the system, and no variable changes
// that (Linux reads LC_ALL, which the tests set).
LocaleTexts SystemLocale() {
    const platform::LocaleNames names = platform::UserLocaleNames();
    const std::string language = names.language.value_or("");
    const std::string country = names.country.value_or("");
    return {language + "_" + country, language, country};
}
#endif

// A tracker test with a collection server on a free local port. Every upload of these tests
// either reaches the server or fails at once, so no test waits on a timeout.
class TrackerE2ETest : public analytics_test::TrackerTest {
protected:
    void SetUp() override { analytics_test::StartServer(m_server); }
    void TearDown() override { m_server.Stop(); }

    std::shared_ptr<AnalyticsTracker> Start(const std::string& url) {
        return CreateAnalyticsTracker(Config(url));
    }

    CollectServer m_server;
    analytics_test::DiagnosticCapture m_diagnostics;  // the failed uploads' lines
};

TEST_F(TrackerE2ETest, RecordsCarryTheCommonSuperProperties) {
#ifdef _WIN32
    const LocaleTexts locale = SystemLocale();
#else
    m_env.Set("LC_ALL", "de_AT.UTF-8");
    const LocaleTexts locale = {"de_AT", "de", "AT"};
#endif
    event_collect::SetLastUploadSucceeded(true);
    TrackerConfig config = Config(m_server.Url());
    config.dlAppId = "Collivo";
    auto tracker = CreateAnalyticsTracker(config);
    tracker->trackClick(Click("c"), {});
    tracker->trackUninstall("", {});  // flush now: the click was announced
    tracker.reset();

    const auto records = ServerRecords(m_server);
    ASSERT_EQ(Names(records), (std::vector<std::string>{"OvEventClick", "OvEventUninstall"}));
    const Json::Value& p = records[0]["properties"];
    const platform::ScreenArea screen = platform::PrimaryMonitorArea();
    const struct {
        const char* key;
        Json::Value value;
    } expected[] = {
        {"$lib", "cpp"},
        {"$lib_version", "0.9"},
        {"ov_app_id", "X"},
        {"$app_version", "1.0"},
        {"$app_id", "X"},
        {"ov_app_store", "store"},
        {"ov_edition", "china"},
        {"ov_dlapp_id", "Collivo"},
        {"ov_app_platform", analytics_test::kOsName},
        {"ov_track_type", "Client"},
        {"ov_sdk_version", "3.3.8"},
        {"ov_sdk", analytics_test::kSdkName},
        {"$os", analytics_test::kOsName},
        {"$os_version", OsNames().versionName},
        {"ov_l10n_locale", locale.locale},
        {"ov_l10n_language", locale.language},
        {"ov_l10n_country", locale.country},
        {"$screen_height", screen.height},
        {"$screen_width", screen.width},
        {"ov_name", "c"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        EXPECT_EQ(p[e.key], e.value);
    }
    EXPECT_FALSE(p.isMember("ov_dlapp_version"));  // empty: left out
    EXPECT_FALSE(p.isMember("ov_user_id"));        // nobody logged in
    EXPECT_EQ(records[0]["distinct_id"].asString(), Read(SettingsFile(), "Base", "DistinctId"));
    EXPECT_EQ(Read(SettingsFile(), "UninstallInfo", "AppStore"), "store");
}

TEST_F(TrackerE2ETest, DeferredEventsGoWithTheNextFlushNowEventAndAtDestruction) {
    // Last upload succeeded: every send runs on this thread, so each step can be checked.
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    tracker->trackClick(Click("one"), {});
    OvEventView view;
    view.name = "v";
    tracker->trackView(view, {});
    EXPECT_EQ(m_server.UploadCount(), 0);

    tracker->trackUninstall("r", {});
    EXPECT_EQ(Names(ServerRecords(m_server)),
              (std::vector<std::string>{"OvEventClick", "OvEventView", "OvEventUninstall"}));

    tracker->trackClick(Click("two"), {});
    EXPECT_EQ(ServerRecords(m_server).size(), 3u);
    tracker.reset();
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3]["properties"]["ov_name"].asString(), "two");
    EXPECT_TRUE(Lines(StagingFile()).empty());
}

TEST_F(TrackerE2ETest, FlushNowEventWithNothingAnnouncedUploadsNothing) {
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    tracker->trackUninstall("r", {});
    EXPECT_EQ(m_server.UploadCount(), 0);
    tracker.reset();
    // Nothing was announced, so destruction does not upload either: the record waits.
    EXPECT_EQ(m_server.UploadCount(), 0);
    EXPECT_EQ(Lines(StagingFile()).size(), 1u);
}

TEST_F(TrackerE2ETest, DestructionWaitsForSendThreadsThenUploadsOneBatch) {
    // Before any upload of the run succeeded, each event is handed to a detached thread.
    testing_support::LogCapture log;
    auto tracker = Start(m_server.Url());
    for (int i = 0; i < 5; ++i)
        tracker->trackClick(Click("c" + std::to_string(i)), {});
    EXPECT_EQ(log.Matching("[Analytics] Sending messages asynchronously").size(), 5u);
    tracker.reset();
    EXPECT_EQ(m_server.UploadCount(), 1);
    EXPECT_EQ(ServerRecords(m_server).size(), 5u);
}

TEST_F(TrackerE2ETest, RecordsSurviveAFailedUploadAndArriveInTheNextRun) {
    m_server.SetAnswerStatus(500);
    auto tracker = Start(m_server.Url());
    tracker->trackClick(Click("a"), {});
    tracker->trackClick(Click("b"), {});
    tracker->trackUninstall("r", {});
    tracker.reset();
    EXPECT_TRUE(m_server.Records().empty());
    EXPECT_GT(m_server.UploadCount(), 0);
    EXPECT_EQ(Lines(StagingFile()).size(), 3u);

    m_server.SetAnswerStatus(200);
    tracker = Start(m_server.Url());
    tracker->trackClick(Click("c"), {});
    tracker.reset();
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(Names(records), (std::vector<std::string>{"OvEventClick", "OvEventClick",
                                                        "OvEventUninstall", "OvEventClick"}));
    EXPECT_EQ(records[0]["properties"]["ov_name"].asString(), "a");
    EXPECT_EQ(records[3]["properties"]["ov_name"].asString(), "c");
    EXPECT_TRUE(Lines(StagingFile()).empty());
}

TEST_F(TrackerE2ETest, ChangedServerUrlLogsTheUserOut) {
    const std::string urlA = m_server.Url();
    const std::string urlB = m_server.Url() + "&run=b";  // the same server under another URL
    event_collect::SetLastUploadSucceeded(true);
    auto runOnce = [&](const std::string& url, const std::function<void(AnalyticsTracker&)>& act) {
        auto tracker = Start(url);
        act(*tracker);
        tracker->trackClick(Click("probe"), {});
        tracker.reset();  // uploads the announced click with everything before it
        return ServerRecords(m_server).back();
    };

    OvUser user;
    user.userId = "u1";
    runOnce(urlA, [&](AnalyticsTracker& t) { t.trackLogin(user, true, "", {}); });
    const std::string device = Read(SettingsFile(), "Base", "PrimaryDistinctId");
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserId"), "u1");
    EXPECT_EQ(Read(SettingsFile(), "Base", "isLogined"), "OK");

    // Same URL: the run starts as the logged-in user.
    Json::Value probe = runOnce(urlA, [](AnalyticsTracker&) {});
    EXPECT_EQ(probe["distinct_id"].asString(), "u1");
    EXPECT_TRUE(probe["properties"]["$is_login_id"].asBool());
    EXPECT_EQ(probe["properties"]["ov_user_id"].asString(), "u1");

    // Another URL: logged out, back to the device id.
    probe = runOnce(urlB, [](AnalyticsTracker&) {});
    EXPECT_EQ(probe["distinct_id"].asString(), device);
    EXPECT_FALSE(probe["properties"].isMember("$is_login_id"));
    EXPECT_FALSE(probe["properties"].isMember("ov_user_id"));
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserId"), "");
    EXPECT_EQ(Read(SettingsFile(), "Base", "isLogined"), "NG");
    EXPECT_EQ(Read(SettingsFile(), "Base", "DistinctId"), device);
    EXPECT_EQ(Read(SettingsFile(), "Base", "URL"), urlB);
}

TEST_F(TrackerE2ETest, LoginSignsUpOnceAndAPaymentRaisesTheVipLevel) {
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    const std::string device = tracker->getPrimaryDistinctId();
    OvUser user;
    user.userId = "u1";
    user.vipLevel = 5;
    tracker->trackLogin(user, true, "", {});
    tracker->trackLogin(user, true, "", {});
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserVipLevel"), "5");

    OvEventPayment payment;
    payment.orderId = "o";
    payment.currency = std::make_shared<OvCurrency>(OvCurrency::CNY);
    payment.paidPlatform = std::make_shared<OvPaidPlatform>(OvPaidPlatform::Alipay);
    payment.result = std::make_shared<OvResult>(OvResult::Success);
    payment.paidAmount = 12.5f;
    tracker->trackPayment(payment, {});  // announces 4 profile records and flushes

    const auto records = ServerRecords(m_server);
    EXPECT_EQ(Names(records),
              (std::vector<std::string>{"OvEventLogin", "$SignUp", "OvEventLogin", "OvEventPayment",
                                        "profile_increment", "profile_increment",
                                        "profile_set_once", "profile_set"}));
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[0]["distinct_id"].asString(), device);
    EXPECT_EQ(records[1]["original_id"].asString(), device);
    EXPECT_EQ(records[2]["distinct_id"].asString(), "u1");
    EXPECT_EQ(records[3]["properties"]["ov_user_id"].asString(), "u1");
    EXPECT_EQ(records[5]["properties"]["ov_consumption"].asDouble(), 12.5);
    EXPECT_EQ(Read(SettingsFile(), "Base", "UserVipLevel"), "1");
    EXPECT_EQ(Read(SettingsFile(), "Base", "isLogined"), "OK");
    EXPECT_EQ(tracker->getPrimaryDistinctId(), device);
}

TEST_F(TrackerE2ETest, ActivityGoesAsInstallationWithItsUserProperties) {
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    tracker->trackActivity({});
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(records.size(), 11u);
    EXPECT_EQ(records[0]["event"].asString(), "OvEventActivity");
    EXPECT_EQ(records[0]["properties"]["$ios_install_source"].asString(),
              "android_id=123##imei=1234##mac=123");
    EXPECT_EQ(records[0]["properties"]["$user_agent"].asString(),
              std::string("Mozilla/5.0(") + analytics_test::kOsName + " " + OsNames().versionName +
                  "; " + analytics_test::MachineTag() + ";)");
    std::vector<std::string> keys;
    for (size_t i = 1; i < records.size(); ++i)
        keys.push_back(records[i]["properties"].getMemberNames().front());
    EXPECT_EQ(keys, (std::vector<std::string>{"$first_visit_time", "ov_first_visit_date",
                                              "ov_last_visit_date", "ov_os", "ov_os_version",
                                              "ov_app_store", "ov_app_platform", "ov_last_app_id",
                                              "ov_last_app_version", "$ios_install_source"}));
    EXPECT_EQ(records[4]["properties"]["ov_os"].asString(), analytics_test::kOsName);
}

TEST_F(TrackerE2ETest, SetLocaleChangesLaterRecords) {
#ifdef _WIN32
    const LocaleTexts system = SystemLocale();
#else
    m_env.Set("LC_ALL", "zh_CN.UTF-8");
    const LocaleTexts system = {"zh_CN", "zh", "CN"};
#endif
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    tracker->setLocale("de_AT");
    tracker->trackClick(Click("a"), {});
    tracker->setLocale("en");  // no "_": the system's locale again
    tracker->trackClick(Click("b"), {});
    tracker.reset();
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(records.size(), 2u);
    const LocaleTexts expected[] = {{"de_AT", "de", "AT"}, system};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Json::Value& p = records[i]["properties"];
        EXPECT_EQ(p["ov_l10n_locale"].asString(), expected[i].locale);
        EXPECT_EQ(p["ov_l10n_language"].asString(), expected[i].language);
        EXPECT_EQ(p["ov_l10n_country"].asString(), expected[i].country);
    }
}

TEST_F(TrackerE2ETest, FailedInitLeavesALiveTrackerThatRecordsNothingOrLess) {
    const struct {
        const char* name;
        std::function<void(TrackerConfig&)> change;
        bool library;  // a library instance was started
    } cases[] = {
        {"no appName", [](TrackerConfig& c) { c.appName.clear(); }, false},
        {"no appVersion", [](TrackerConfig& c) { c.appVersion.clear(); }, false},
        {"no appStore", [](TrackerConfig& c) { c.appStore.clear(); }, false},
        {"edition 2", [](TrackerConfig& c) { c.edition = 2; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetState();
        RemoveAnalyticsFolder();
        event_collect::SetLastUploadSucceeded(true);
        const size_t before = m_server.Records().size();
        TrackerConfig config = Config(m_server.Url());
        c.change(config);
        auto tracker = CreateAnalyticsTracker(config);
        EXPECT_EQ(event_collect::Sdk::IsInitialized(), c.library);
        tracker->trackClick(Click("a"), {});
        tracker->trackUninstall("", {});
        tracker.reset();
        const auto records = ServerRecords(m_server);
        if (!c.library) {
            EXPECT_EQ(records.size(), before);
            continue;
        }
        ASSERT_EQ(records.size(), before + 2);
        // Without the common super properties, and without the application record.
        EXPECT_EQ(records[before]["properties"].getMemberNames(),
                  (std::vector<std::string>{"$is_first_time", "$lib", "$lib_version",
                                            "ov_click_type", "ov_name"}));
        EXPECT_EQ(Read(SettingsFile(), "UninstallInfo", "AppName"), "<missing>");
    }
}

TEST_F(TrackerE2ETest, ConfigurationTextNotInUtf8IsConverted) {
    event_collect::SetLastUploadSucceeded(true);
    TrackerConfig config = Config(m_server.Url());
    config.appStore = "st\xF6re";  // a byte that is not UTF-8
    auto tracker = CreateAnalyticsTracker(config);
    tracker->trackClick(Click("a"), {});
    tracker.reset();
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["ov_app_store"].asString(),
              std::string("st") + analytics_test::kByteF6AsUtf8 + "re");
}

TEST_F(TrackerE2ETest, RefusedEventWritesOneLineAndTheNextIsTracked) {
    event_collect::SetLastUploadSucceeded(true);
    auto tracker = Start(m_server.Url());
    const struct {
        const char* name;
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {"click without a name", [&] { tracker->trackClick(Click(""), {}); },
         "Failed to trackClick\n"},
        {"null notification", [&] { tracker->trackAppOpenNotification(nullptr, {}); },
         "Failed to trackAppOpenNotification\n"},
        {"bad update op",
         [&] {
             OvEventUpdate update;
             update.op = static_cast<OvUpdateOp>(9);
             tracker->trackUpdate(update, {});
         },
         "Failed to trackUpdate\n"},
        {"valid click", [&] { tracker->trackClick(Click("ok"), {}); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStdout();
        c.call();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
    }
    EXPECT_EQ(tracker->getLogger(), nullptr);  // the wrapper hands out no logger
    tracker.reset();
    const auto records = ServerRecords(m_server);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["ov_name"].asString(), "ok");
}

TEST_F(TrackerE2ETest, RefusalBeforeTheLoggerExistsWritesNothing) {
    TrackerConfig config = Config(m_server.Url());
    config.appName.clear();  // init stops before the logger is made
    auto tracker = CreateAnalyticsTracker(config);
    testing::internal::CaptureStdout();
    tracker->trackClick(Click(""), {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
