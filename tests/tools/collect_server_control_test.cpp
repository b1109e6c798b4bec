#include <gtest/gtest.h>

#include <httplib.h>
#include <json/json.h>

#include <chrono>
#include <string>

#include "analytics/sdk/batch_encoding.h"
#include "tools/collect-server/collect_server.h"

namespace {

using collect_server::CollectServer;
using collect_server::ServerOptions;

// A server with or without its control channel, and plain requests to it.
class ControlChannelTest : public ::testing::Test {
protected:
    void Start(bool control) {
        ServerOptions options;
        options.control = control;
        m_server = std::make_unique<CollectServer>(options);
        std::string error;
        ASSERT_TRUE(m_server->Start(&error)) << error;
    }
    // The status of a POST (-1 when nothing came back).
    int Post(const std::string& path, const std::string& body) {
        httplib::Client client("127.0.0.1", m_server->Port());
        const auto result = client.Post(path.c_str(), body, "text/plain");
        return result ? result->status : -1;
    }
    int Upload(const std::string& batch) {
        std::string body;
        EXPECT_TRUE(event_collect::MakeUploadBody(batch, &body));
        httplib::Client client("127.0.0.1", m_server->Port());
        const auto result =
            client.Post("/sa?project=pc", body, "application/x-www-form-urlencoded");
        return result ? result->status : -1;
    }
    httplib::Result Get(const std::string& path) {
        httplib::Client client("127.0.0.1", m_server->Port());
        return client.Get(path.c_str());
    }

    std::unique_ptr<CollectServer> m_server;
};

TEST_F(ControlChannelTest, WithoutTheOptionNothingAnswers) {
    Start(false);
    EXPECT_EQ(Post("/__control/status", "503"), 404);
    EXPECT_EQ(Post("/__control/hang-ms", "100"), 404);
    for (const char* path : {"/__control/records", "/__control/uploads"}) {
        SCOPED_TRACE(path);
        const auto result = Get(path);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404);
    }
    EXPECT_EQ(Upload("[{}]"), 200);  // the status knob stayed as it was
}

TEST_F(ControlChannelTest, KnobsTakeOnlyANumberInRange) {
    Start(true);
    const struct {
        const char* body;
        int status;  // of the control request
        int upload;  // the status an upload gets afterwards
    } cases[] = {
        {"503", 204, 503}, {"200\n", 204, 200},      {"", 400, 200},    {"5x", 400, 200},
        {"-1", 400, 200},  {"1000000001", 400, 200}, {"500", 204, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(Post("/__control/status", c.body), c.status);
        EXPECT_EQ(Upload("[{}]"), c.upload);
    }
}

TEST_F(ControlChannelTest, HoldBackAppliesToLaterUploads) {
    Start(true);
    EXPECT_EQ(Post("/__control/hang-ms", "400"), 204);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Upload("[{}]"), 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

// The records come back as the server stored them, byte for byte, with the count of uploads
// (refused ones too).
TEST_F(ControlChannelTest, ReadsGiveTheStoredRecordsAndTheUploadCount) {
    Start(true);
    const auto empty = Get("/__control/records");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 200);
    EXPECT_EQ(empty->body, "[]");

    EXPECT_EQ(Upload("[{\"a\": 1.50},{\"b\":\"\xe4\xb8\xad \\\"q\\\"\"}]"), 200);
    EXPECT_EQ(Post("/__control/status", "503"), 204);
    EXPECT_EQ(Upload("[{\"c\":1}]"), 503);

    const auto uploads = Get("/__control/uploads");
    ASSERT_TRUE(uploads);
    EXPECT_EQ(uploads->body, "2");
    const auto records = Get("/__control/records");
    ASSERT_TRUE(records);
    Json::Value list;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    ASSERT_TRUE(reader->parse(records->body.data(), records->body.data() + records->body.size(),
                              &list, &errors))
        << errors;
    const auto stored = m_server->Records();
    ASSERT_EQ(list.size(), 2u);
    ASSERT_EQ(stored.size(), 2u);
    for (Json::ArrayIndex i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i]["id"].asInt64(), stored[i].id);
        EXPECT_EQ(list[i]["received_ms"].asInt64(), stored[i].receivedMs);
        EXPECT_EQ(list[i]["record"].asString(), stored[i].record);
    }
    EXPECT_EQ(list[1]["record"].asString(), "{\"b\":\"\xe4\xb8\xad \\\"q\\\"\"}");
}

}  // namespace
