#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "analytics/sdk/sdk.h"
#include "analytics/sdk/track_id.h"
#include "platform/paths.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using analytics_test::ClosedPort;
using analytics_test::DiagnosticCapture;
using event_collect::PropertiesNode;
using event_collect::Sdk;

constexpr const char* kLib =
    "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"}";
constexpr const char* kSuper = "\"$lib\":\"cpp\",\"$lib_version\":\"0.9\"";

// An initialised library whose uploads would go to a port that refuses them; nothing in
// these tests flushes, so records stay queued for inspection.
class SdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Sdk::Init(StagingPath(), m_port.Url("/sa?project=pc"), "D1", false));
    }
    void TearDown() override { Sdk::Shutdown(); }
    std::string StagingPath() const { return m_scratch / "staging.txt"; }

    // Queued records with the random track id (and, unless kept, the time) blanked out.
    static std::vector<std::string> Records(bool keepTime = false) {
        std::vector<std::string> out;
        const auto consumer = Sdk::Consumer();
        if (!consumer) return out;
        for (std::string record : consumer->Records()) {
            record =
                std::regex_replace(record, std::regex("\"_track_id\":[0-9]+"), "\"_track_id\":ID");
            if (!keepTime)
                record = std::regex_replace(record, std::regex("\"time\":[0-9]+"), "\"time\":T");
            out.push_back(record);
        }
        return out;
    }

    ClosedPort m_port;
    testing_support::ScratchFolder m_scratch;
};

TEST_F(SdkTest, RefusedInputQueuesNothingAndWritesOneLine) {
    PropertiesNode timeAsString;
    timeAsString.SetString("$time", "2020-01-01");
    PropertiesNode projectAsInt;
    projectAsInt.SetNumber("$project", 1);
    const struct {
        const char* name;
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {"101-byte key",
         [] {
             PropertiesNode p;
             p.SetString(std::string(101, 'k'), "v");
             Sdk::Track("Ev", p);
         },
         "The Property Key is empty or too long, max length is 100"},
        {"key starting with a digit",
         [] {
             PropertiesNode p;
             p.SetBool("1abc", true);
             Sdk::Track("Ev", p);
         },
         "The Property Key need to be a valid variable name."},
        {"key holding '-'",
         [] {
             PropertiesNode p;
             p.SetBool("a-b", true);
             Sdk::ProfileSet(p);
         },
         "The Property Key need to be a valid variable name."},
        {"key holding a space", [] { Sdk::ProfileSet("a b", 1); },
         "The Property Key need to be a valid variable name."},
        {"empty key", [] { Sdk::ProfileIncrement("", 1); },
         "The Property Key is empty or too long, max length is 100"},
        {"empty event name", [] { Sdk::Track(""); },
         "The Event Name is empty or too long, max length is 100"},
        {"101-byte event name", [] { Sdk::Track(std::string(101, 'e')); },
         "The Event Name is empty or too long, max length is 100"},
        {"event name starting with a digit", [] { Sdk::Track("9lives"); },
         "The Event Name need to be a valid variable name."},
        {"event name with a dot", [] { Sdk::Track("a.b"); },
         "The Event Name need to be a valid variable name."},
        {"$time as string", [&] { Sdk::Track("Ev", timeAsString); },
         "The property '$time' should be DateTime type."},
        {"$project as int", [&] { Sdk::ProfileSetOnce(projectAsInt); },
         "The property '$project' should be String type."},
        // Regression: a non-finite number was written as nan/inf, which is not JSON, so the
        // server refused the whole batch and every later record stayed stuck behind it.
        {"NaN", [] { Sdk::ProfileSet("ov_ratio", std::nan("")); },
         "The property 'ov_ratio' should be a finite number."},
        {"infinity",
         [] {
             PropertiesNode p;
             p.SetString("ov_name", "x");
             p.SetNumber("ov_progress", HUGE_VAL);
             Sdk::Track("Ev", p);
         },
         "The property 'ov_progress' should be a finite number."},
        {"minus infinity", [] { Sdk::ProfileSetOnce("ov_ratio", -HUGE_VAL); },
         "The property 'ov_ratio' should be a finite number."},
        {"inside a nested object",
         [] {
             PropertiesNode inner;
             inner.SetNumber("ok", 1.5);
             inner.SetNumber("bad", std::nan(""));
             PropertiesNode p;
             p.SetObject("ov_nested", inner);
             Sdk::Track("Ev", p);
         },
         "The property 'ov_nested.bad' should be a finite number."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        c.call();
        EXPECT_TRUE(Records().empty());
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{c.line});
    }
}

TEST_F(SdkTest, AcceptedCallsProduceTheirRecord) {
    const std::string k100(100, 'k');
    const struct {
        const char* name;
        std::function<void()> call;
        std::string expected;
    } cases[] = {
        {"track",
         [] {
             PropertiesNode p;
             p.SetString("ov_name", "x");
             Sdk::Track("OvEventClick", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"OvEventClick\",") +
             kLib + ",\"properties\":{" + kSuper +
             ",\"ov_name\":\"x\"},\"time\":T,\"type\":\"track\"}"},
        {"100-byte key and $ in names",
         [&] {
             PropertiesNode p;
             p.SetNumber(k100, 1);
             p.SetNumber("_a$9", 2);
             Sdk::Track("$AppStart", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"$AppStart\",") + kLib +
             ",\"properties\":{" + kSuper + ",\"_a$9\":2,\"" + k100 +
             "\":1},\"time\":T,\"type\":\"track\"}"},
        {"properties win over super properties",
         [] {
             PropertiesNode p;
             p.SetString("$lib", "mine");
             Sdk::Track("Ev", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"Ev\",") + kLib +
             ",\"properties\":{\"$lib\":\"mine\",\"$lib_version\":\"0.9\"},\"time\":T,"
             "\"type\":\"track\"}"},
        {"$project abc goes to the top",
         [] {
             PropertiesNode p;
             p.SetString("$project", "abc");
             Sdk::Track("Ev", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"Ev\",") + kLib +
             ",\"project\":\"abc\",\"properties\":{" + kSuper + "},\"time\":T,\"type\":\"track\"}"},
        {"empty $project vanishes",
         [] {
             PropertiesNode p;
             p.SetString("$project", "");
             Sdk::Track("Ev", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"Ev\",") + kLib +
             ",\"properties\":{" + kSuper + "},\"time\":T,\"type\":\"track\"}"},
        {"installation",
         [] {
             PropertiesNode p;
             p.SetString("ov_a", "1");
             Sdk::TrackInstallation("OvActivity", p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"OvActivity\",") + kLib +
             ",\"properties\":{\"$ios_install_source\":\"\"," + kSuper +
             ",\"ov_a\":\"1\"},\"time\":T,\"type\":\"track\"}"},
        {"profile_set without super properties or event",
         [] {
             PropertiesNode p;
             p.SetString("gender", "f");
             Sdk::ProfileSet(p);
         },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"gender\":\"f\"},\"time\":T,\"type\":\"profile_set\"}"},
        {"profile_set int", [] { Sdk::ProfileSet("n", 7); },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"n\":7},\"time\":T,\"type\":\"profile_set\"}"},
        {"profile_set_once double", [] { Sdk::ProfileSetOnce("n", 7.0); },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"n\":7},\"time\":T,\"type\":\"profile_set_once\"}"},
        {"profile_set_once string", [] { Sdk::ProfileSetOnce("s", "v"); },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"s\":\"v\"},\"time\":T,\"type\":\"profile_set_once\"}"},
        {"profile_increment", [] { Sdk::ProfileIncrement("n", -2); },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"n\":-2},\"time\":T,\"type\":\"profile_increment\"}"},
        {"profile_append", [] { Sdk::ProfileAppend("tags", "t1"); },
         std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",") + kLib +
             ",\"properties\":{\"tags\":[\"t1\"]},\"time\":T,\"type\":\"profile_append\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        c.call();
        EXPECT_EQ(Records(), std::vector<std::string>{c.expected});
        EXPECT_TRUE(capture.Lines().empty());
        Sdk::Shutdown();
        ASSERT_TRUE(Sdk::Init(StagingPath(), m_port.Url("/sa?project=pc"), "D1", false));
    }
}

TEST_F(SdkTest, GivenTimeBecomesTheRecordTime) {
    PropertiesNode p;
    p.SetDateTime("$time", 1577836800, 250);  // 2020-01-01 00:00:00.250 UTC
    Sdk::Track("Ev", p);
    ASSERT_EQ(Records(true).size(), 1u);
    EXPECT_EQ(Records(true)[0], std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":"
                                            "\"Ev\",") +
                                    kLib + ",\"properties\":{" + kSuper +
                                    "},\"time\":1577836800250,\"type\":\"track\"}");
}

TEST_F(SdkTest, RecordTimeIsNowInEpochMilliseconds) {
    using namespace std::chrono;
    const auto now = [] {
        return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    };
    const int64_t before = now();
    Sdk::Track("Ev");
    const int64_t after = now();
    std::smatch match;
    const std::string record = Sdk::Consumer()->Records().at(0);
    ASSERT_TRUE(std::regex_search(record, match, std::regex("\"time\":([0-9]+)")));
    const int64_t time = std::stoll(match[1]);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
}

TEST_F(SdkTest, SuperPropertiesReachTrackRecordsOnly) {
    PropertiesNode super;
    super.SetString("ov_app_id", "app");
    Sdk::RegisterSuperProperties(super);
    Sdk::Track("Ev");
    Sdk::ProfileSet("n", 1);
    Sdk::ClearSuperProperties();
    Sdk::Track("Ev");
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NE(records[0].find("\"properties\":{" + std::string(kSuper) + ",\"ov_app_id\":\"app\"}"),
              std::string::npos);
    EXPECT_NE(records[1].find("\"properties\":{\"n\":1}"), std::string::npos);
    EXPECT_NE(records[2].find("\"properties\":{" + std::string(kSuper) + "}"), std::string::npos);
}

// A non-finite super property would spoil every later record: the whole call is refused.
TEST_F(SdkTest, NonFiniteSuperPropertyIsRefused) {
    PropertiesNode super;
    super.SetString("ov_app_id", "app");
    super.SetNumber("ov_rate", HUGE_VAL);
    DiagnosticCapture capture;
    Sdk::RegisterSuperProperties(super);
    EXPECT_EQ(capture.Lines(),
              std::vector<std::string>{"The property 'ov_rate' should be a finite number."});
    Sdk::Track("Ev");
    EXPECT_EQ(Records(),
              std::vector<std::string>{
                  std::string("{\"_track_id\":ID,\"distinct_id\":\"D1\",\"event\":\"Ev\",") + kLib +
                  ",\"properties\":{" + kSuper + "},\"time\":T,\"type\":\"track\"}"});
}

TEST_F(SdkTest, SignupWithTooLongOriginalIdStillSwitchesIdentity) {
    const std::string longId(300, 'L');
    // A login id is not checked, so this makes the current distinct id 300 bytes long.
    Sdk::TrackSignup(longId);
    DiagnosticCapture capture;
    Sdk::TrackSignup("u1");
    EXPECT_EQ(capture.Lines(),
              std::vector<std::string>{"The Original ID is too long, max length is 255."});
    Sdk::Track("After");
    Sdk::ProfileSet("n", 1);

    const auto records = Records();
    // The first sign-up (made before the login flag was set), then no second one.
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], "{\"_track_id\":ID,\"distinct_id\":\"" + longId +
                              "\",\"event\":\"$SignUp\"," + kLib +
                              ",\"original_id\":\"D1\",\"properties\":{" + kSuper +
                              "},\"time\":T,\"type\":\"track_signup\"}");
    EXPECT_EQ(records[1], std::string("{\"_track_id\":ID,\"distinct_id\":\"u1\",\"event\":"
                                      "\"After\",") +
                              kLib + ",\"properties\":{\"$is_login_id\":true," + kSuper +
                              "},\"time\":T,\"type\":\"track\"}");
    // Profile records carry the login flag too.
    EXPECT_EQ(records[2], std::string("{\"_track_id\":ID,\"distinct_id\":\"u1\",") + kLib +
                              ",\"properties\":{\"$is_login_id\":true,\"n\":1},\"time\":T,"
                              "\"type\":\"profile_set\"}");
    EXPECT_EQ(Sdk::DistinctId(), "u1");
    EXPECT_TRUE(Sdk::IsLoginId());
}

TEST_F(SdkTest, OverLongStringFieldIsLeftOutButTheRecordGoesAhead) {
    const std::string hugeId(9000, 'h');
    DiagnosticCapture capture;
    Sdk::TrackSignup(hugeId);
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], "String property 'distinct_id' is too long, value: " + hugeId);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].find("distinct_id"), std::string::npos);
    EXPECT_NE(records[0].find("\"type\":\"track_signup\""), std::string::npos);
}

TEST_F(SdkTest, SecondInitKeepsTheFirstInstance) {
    const std::string otherStaging = m_scratch / "other.txt";
    EXPECT_TRUE(Sdk::Init(otherStaging, "http://127.0.0.1:1/x", "D2", true));
    EXPECT_EQ(Sdk::DistinctId(), "D1");
    EXPECT_FALSE(Sdk::IsLoginId());
    Sdk::Track("Ev");
    Sdk::Shutdown();
    // The record was kept in the first instance's staging file.
    std::ifstream staged(platform::FsPath(StagingPath()));
    std::string line;
    ASSERT_TRUE(std::getline(staged, line));
    EXPECT_NE(line.find("\"distinct_id\":\"D1\""), std::string::npos);
    EXPECT_FALSE(fs::exists(platform::FsPath(otherStaging)));
}

TEST_F(SdkTest, InitRefusesBadDistinctIds) {
    Sdk::Shutdown();
    const struct {
        std::string id;
        const char* line;
    } cases[] = {
        {"", "The Distinct ID is empty."},
        {std::string(256, 'd'), "The Distinct ID is too long, max length is 255."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        DiagnosticCapture capture;
        EXPECT_FALSE(Sdk::Init(StagingPath(), m_port.Url("/sa?project=pc"), c.id, false));
        EXPECT_FALSE(Sdk::IsInitialized());
        EXPECT_EQ(capture.Lines(), std::vector<std::string>{c.line});
    }
    EXPECT_TRUE(
        Sdk::Init(StagingPath(), m_port.Url("/sa?project=pc"), std::string(255, 'd'), true));
    EXPECT_TRUE(Sdk::IsLoginId());
}

TEST_F(SdkTest, CallsWithoutAnInstanceDoNothing) {
    Sdk::Shutdown();
    DiagnosticCapture capture;
    Sdk::Track("Ev");
    Sdk::TrackSignup("u");
    Sdk::ProfileAppend("k", "v");
    PropertiesNode p;
    Sdk::RegisterSuperProperties(p);
    EXPECT_EQ(Sdk::Consumer(), nullptr);
    EXPECT_EQ(Sdk::DistinctId(), "");
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(SdkTest, ConcurrentCallersLoseNoRecord) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i) {
                PropertiesNode p;
                p.SetNumber("ov_t" + std::to_string(t), i);
                Sdk::RegisterSuperProperties(p);
                Sdk::Track("Ev", p);
                if (i % 50 == 0) Sdk::TrackSignup("u" + std::to_string(t));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(Sdk::Consumer()->Size(), static_cast<size_t>(kThreads * kPerThread + kThreads * 4));
}

TEST(TrackId, TakesTheLastDigitsOfEachPart) {
    const struct {
        int r1, r2;
        int64_t ms;
        int64_t expected;
    } cases[] = {
        {100, 1000, 0, 0},                      // leading zeros vanish
        {198, 1998, 1607420009999, 989989999},  // the largest value
        {105, 1007, 1607420000123, 50070123},   // "05" "007" "0123"
        {142, 1500, 1607420004812, 425004812},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(event_collect::MakeTrackId(c.r1, c.r2, c.ms), c.expected);
    }
}

TEST(TrackId, DrawnIdsStayInRange) {
    for (int i = 0; i < 200; ++i) {
        const int64_t id = event_collect::NewTrackId(1607420000000 + i);
        EXPECT_GE(id, 0);
        EXPECT_LE(id, 989989999);
        EXPECT_EQ(id % 10000, i);
    }
}

}  // namespace
