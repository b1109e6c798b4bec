#include <gtest/gtest.h>

#include "tests/support/run_program.h"

#include <httplib.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/gzip.h"
#include "analytics/sdk/sdk.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tools/collect-server/batch_decoding.h"
#include "tools/collect-server/collect_server.h"
#include "tools/collect-server/form_body.h"

namespace {

namespace fs = std::filesystem;
using collect_server::CollectServer;
using collect_server::ServerOptions;

std::string Gzip(const std::string& text) {
    std::string out;
    EXPECT_TRUE(event_collect::GzipCompress(text, &out));
    return out;
}

std::string Field(const std::string& bytes) {
    return event_collect::UrlEscape(event_collect::Base64Encode(bytes));
}

std::vector<std::string> StoredTexts(const CollectServer& server) {
    std::vector<std::string> out;
    for (const auto& row : server.Records())
        out.push_back(row.record);
    return out;
}

// Runs a command line and returns its exit status and its standard output.
std::pair<int, std::string> RunCommand(const std::string& command) {
    const auto result = testing_support::RunCommand(command);
    return {result.exitCode, result.output};
}

class CollectServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_server.Start(&error)) << error;
    }
    httplib::Result Post(const std::string& pathAndQuery, const std::string& body) {
        httplib::Client client("127.0.0.1", m_server.Port());
        return client.Post(pathAndQuery.c_str(), body, "application/x-www-form-urlencoded");
    }
    CollectServer m_server{ServerOptions{}};
};

TEST_F(CollectServerTest, DecodesEachStepAndStoresRecordsAsSent) {
    const std::string batch = "[ {\"a\": 1.50} ,{\"b\":\"\\u00e9\xe4\xb8\xad\"}]";
    const std::string gzipped = Gzip(batch);
    const struct {
        const char* name;
        std::string path;
        std::string body;
        int status;
        std::vector<std::string> stored;
    } cases[] = {
        {"gzip batch",
         "/sa?project=pc",
         "data_list=" + Field(gzipped) + "&gzip=1",
         200,
         {"{\"a\": 1.50}", "{\"b\":\"\\u00e9\xe4\xb8\xad\"}"}},
        {"fields in other order",
         "/sa?project=pc",
         "gzip=1&data_list=" + Field(Gzip("[{}]")),
         200,
         {"{}"}},
        {"uncompressed batch",
         "/sa?project=pc",
         "data_list=" + Field("[{\"p\":true}]"),
         200,
         {"{\"p\":true}"}},
        {"empty batch", "/sa?project=pc", "data_list=" + Field(Gzip("[]")) + "&gzip=1", 200, {}},
        {"other project", "/sa?project=web", "data_list=" + Field(gzipped) + "&gzip=1", 404, {}},
        {"no project", "/sa", "data_list=" + Field(gzipped) + "&gzip=1", 404, {}},
        {"no data_list", "/sa?project=pc", "gzip=1", 400, {}},
        {"broken escape", "/sa?project=pc", "data_list=%G1AA&gzip=1", 400, {}},
        {"escape cut off", "/sa?project=pc", "data_list=AA%2", 400, {}},
        {"not Base64", "/sa?project=pc", "data_list=%40%40%40%40&gzip=1", 400, {}},
        {"Base64 of the wrong length", "/sa?project=pc", "data_list=QUJDR&gzip=1", 400, {}},
        {"not gzip", "/sa?project=pc", "data_list=" + Field(batch) + "&gzip=1", 400, {}},
        {"gzip cut off",
         "/sa?project=pc",
         "data_list=" + Field(gzipped.substr(0, gzipped.size() - 6)) + "&gzip=1",
         400,
         {}},
        {"gzip then garbage",
         "/sa?project=pc",
         "data_list=" + Field(gzipped + "xx") + "&gzip=1",
         400,
         {}},
        {"not an array",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("{\"a\":1}")) + "&gzip=1",
         400,
         {}},
        {"array of non-objects",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("[{\"a\":1},2]")) + "&gzip=1",
         400,
         {}},
        {"text after the array",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("[{\"a\":1}] x")) + "&gzip=1",
         400,
         {}},
        {"not JSON",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("[{\"a\":}]")) + "&gzip=1",
         400,
         {}},
        {"blanks around the Base64 text",
         "/sa?project=pc",
         "data_list=++++" + Field("[{}]"),
         400,
         {}},
        {"nesting past the reader's limit",
         "/sa?project=pc",
         "data_list=" + Field(Gzip(std::string(5000, '[') + std::string(5000, ']'))) + "&gzip=1",
         400,
         {}},
        // The records are cut from the text after the mark, not 3 bytes early.
        {"byte-order mark before the batch",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("\xEF\xBB\xBF[{\"a\":1},{}]")) + "&gzip=1",
         200,
         {"{\"a\":1}", "{}"}},
        {"two byte-order marks",
         "/sa?project=pc",
         "data_list=" + Field(Gzip("\xEF\xBB\xBF\xEF\xBB\xBF[{\"a\":1}]")) + "&gzip=1",
         400,
         {}},
    };
    size_t before = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = Post(c.path, c.body);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
        // A refused batch stores nothing: no record of it is kept in part.
        const auto all = StoredTexts(m_server);
        const std::vector<std::string> added(all.begin() + static_cast<long>(before), all.end());
        EXPECT_EQ(added, c.stored);
        before = all.size();
    }
}

TEST_F(CollectServerTest, StatusKnobRefusesWithoutStoring) {
    m_server.SetAnswerStatus(503);
    const auto result = Post("/sa?project=pc", "data_list=" + Field(Gzip("[{}]")) + "&gzip=1");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 503);
    EXPECT_TRUE(m_server.Records().empty());
    EXPECT_EQ(m_server.UploadCount(), 1);
}

TEST(BatchDecoding, GunzipRefusesOversizedOutput) {
    const std::string big(100000, 'z');
    std::string gzipped;
    ASSERT_TRUE(event_collect::GzipCompress(big, &gzipped));
    EXPECT_EQ(collect_server::Gunzip(gzipped, big.size()), big);
    EXPECT_EQ(collect_server::Gunzip(gzipped, big.size() - 1), std::nullopt);
}

TEST(BatchDecoding, UrlUnescapeTable) {
    const struct {
        const char* in;
        std::optional<std::string> out;
    } cases[] = {
        {"abc", "abc"},       {"%2B%2f%3D", "+/="},  {"a+b", "a b"}, {"%", std::nullopt},
        {"%4", std::nullopt}, {"%zz", std::nullopt}, {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(collect_server::UrlUnescape(c.in), c.out);
    }
}

TEST(BatchDecoding, Base64DecodeTable) {
    const struct {
        const char* in;
        std::optional<std::string> out;
    } cases[] = {
        {"QUJD", "ABC"},
        {"QUI=", "AB"},
        {"QQ==", "A"},
        {"", ""},
        {"QU=D", std::nullopt},
        {"Q===", std::nullopt},
        {"====", std::nullopt},
        {" QUI", std::nullopt},
        {"QUJD    ", std::nullopt},
        {"QUJ\n", std::nullopt},
        {"QUJD QUJD", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(collect_server::Base64Decode(c.in), c.out);
    }
}

// Records tracked through the library reach the server and come back byte for byte.
TEST(EndToEnd, TrackedRecordsAreStoredIdentically) {
    CollectServer server{ServerOptions{}};
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    ASSERT_TRUE(event_collect::Sdk::Init("", server.Url(), "device-1", false));

    event_collect::PropertiesNode nested;
    nested.SetString("inner", "v");
    event_collect::PropertiesNode properties;
    properties.SetString("ov_text", "tab\tquote\"back\\slash\nline \xe6\xb8\xa9\xe9\xa6\xa8");
    properties.SetNumber("ov_ratio", 1234567.0);
    properties.SetNumber("ov_small", 0.1);
    properties.SetNumber("ov_count", -5);
    properties.SetBool("ov_flag", true);
    properties.SetDateTime("ov_when", 1577836800, 250);
    properties.SetObject("ov_nested", nested);
    properties.SetString("$project", "abc");
    for (int i = 0; i < 40; ++i) {
        properties.SetNumber("ov_index", i);
        event_collect::Sdk::Track("OvEventClick", properties);
    }
    event_collect::Sdk::TrackSignup("user-1");
    event_collect::Sdk::ProfileAppend("ov_tags", "t\xc3\xa9");
    event_collect::Sdk::ProfileIncrement("ov_runs", 1);

    const auto queue = event_collect::Sdk::Consumer();
    const std::vector<std::string> sent = queue->Records();
    ASSERT_EQ(sent.size(), 43u);
    EXPECT_TRUE(queue->FlushAll());
    EXPECT_EQ(StoredTexts(server), sent);
    EXPECT_EQ(server.UploadCount(), 2);
    event_collect::Sdk::Shutdown();
}

// Regression: a NaN or infinite number went out as nan/inf, the server refused that batch
// and, since a refused batch is put back, every later record waited behind it for ever.
TEST(EndToEnd, NonFiniteNumberNeverBlocksTheQueue) {
    CollectServer server{ServerOptions{}};
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    ASSERT_TRUE(event_collect::Sdk::Init("", server.Url(), "device-1", false));
    {
        analytics_test::DiagnosticCapture capture;
        event_collect::PropertiesNode bad;
        bad.SetNumber("ov_progress", std::nan(""));
        event_collect::Sdk::Track("OvEventTask", bad);
        event_collect::Sdk::ProfileSet("ov_consumption", HUGE_VAL);
    }
    event_collect::Sdk::Track("OvEventClick");
    EXPECT_TRUE(event_collect::Sdk::Consumer()->FlushAll());
    const auto stored = StoredTexts(server);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_NE(stored[0].find("\"event\":\"OvEventClick\""), std::string::npos);
    event_collect::Sdk::Shutdown();
}

TEST(CollectServerProgram, ListPrintsStoredRecordsAsJsonLines) {
    const fs::path db = fs::temp_directory_path() /
                        ("collect_server_test_" + std::to_string(::getpid()) + ".sqlite");
    fs::remove(db);
    {
        ServerOptions options;
        options.databasePath = db.string();
        CollectServer server(options);
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        httplib::Client client("127.0.0.1", server.Port());
        const auto result = client.Post(
            "/sa?project=pc", "data_list=" + Field(Gzip("[{\"a\":1},{\"b\":\"x y\"}]")) + "&gzip=1",
            "application/x-www-form-urlencoded");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 200);
    }
    const auto [status, output] =
        RunCommand(std::string(COLLECT_SERVER_PATH) + " list --db " + db.string());
    EXPECT_EQ(status, 0);
    const std::regex line(
        "\\{\"id\":1,\"received_ms\":[0-9]+,\"record\":\\{\"a\":1\\}\\}\n"
        "\\{\"id\":2,\"received_ms\":[0-9]+,\"record\":\\{\"b\":\"x y\"\\}\\}\n");
    EXPECT_TRUE(std::regex_match(output, line)) << output;
    fs::remove(db);
}

}  // namespace
