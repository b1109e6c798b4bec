#include <gtest/gtest.h>

#include <curl/curl.h>
#ifndef _WIN32
#include <httplib.h>
#endif

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/default_consumer.h"
#include "analytics/sdk/http_post.h"
#include "analytics/sdk/http_response.h"
#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/last_upload.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/analytics/test_collect_server.h"
#include "tests/support/log_capture.h"
#ifndef _WIN32
#include "tests/support/untrusted_tls_server.h"
#include "tools/collect-server/batch_decoding.h"
#include "tools/collect-server/form_body.h"
#endif

namespace {

using analytics_test::ClosedPort;
using analytics_test::DiagnosticCapture;

TEST(HeaderParser, SplitsAtTheFirstColonAndTrims) {
    const struct {
        const char* line;
        const char* name;  // null: nothing stored
        const char* value;
    } cases[] = {
        {"Content-Type: text/plain\r\n", "Content-Type", "text/plain"},
        {"  X-A  :  b : c \r\n", "X-A", "b : c"},
        {"Empty:\r\n", "Empty", ""},
        {"HTTP/1.1 200 OK\r\n", "HTTP/1.1 200 OK", "present"},
        {"\r\n", nullptr, nullptr},
        {"   \t\r\n", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::map<std::string, std::string> headers;
        event_collect::ParseHeaderLine(c.line, &headers);
        if (c.name == nullptr) {
            EXPECT_TRUE(headers.empty());
        } else {
            EXPECT_EQ(headers, (std::map<std::string, std::string>{{c.name, c.value}}));
        }
    }
    std::map<std::string, std::string> headers;
    event_collect::ParseHeaderLine("A: 1", &headers);
    event_collect::ParseHeaderLine("A: 2", &headers);
    EXPECT_EQ(headers.at("A"), "2");  // a later equal name replaces
}

TEST(BatchEncoding, UrlEscapeKeepsOnlyUnreservedBytes) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"AZaz09-._~", "AZaz09-._~"},
        {"+/=", "%2B%2F%3D"},
        {" &%", "%20%26%25"},
        {std::string("\x00\xff", 2), "%00%FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_EQ(event_collect::UrlEscape(c.in), c.out);
    }
}

#ifndef _WIN32  // the server's decoding is built for Linux only (on Windows SenderTest shows it)
TEST(BatchEncoding, BodyDecodesBackToTheBatch) {
    const std::string batch = "[{\"a\":\"\xe4\xb8\xad\"},{\"b\":1.23457e+06}]";
    std::string body;
    ASSERT_TRUE(event_collect::MakeUploadBody(batch, &body));
    ASSERT_EQ(body.rfind("data_list=", 0), 0u);
    ASSERT_EQ(body.substr(body.size() - 7), "&gzip=1");
    const auto field = collect_server::FormField(body, "data_list");
    ASSERT_TRUE(field);
    const auto base64 = collect_server::UrlUnescape(*field);
    ASSERT_TRUE(base64);
    const auto compressed = collect_server::Base64Decode(*base64);
    ASSERT_TRUE(compressed);
    ASSERT_GE(compressed->size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>((*compressed)[0]), 0x1f);  // gzip magic
    EXPECT_EQ(static_cast<unsigned char>((*compressed)[1]), 0x8b);
    EXPECT_EQ(collect_server::Gunzip(*compressed, 1 << 20), batch);
}
#endif

class SenderTest : public ::testing::Test {
protected:
    void SetUp() override { analytics_test::StartServer(m_server); }
    analytics_test::CollectServer m_server;
};

TEST_F(SenderTest, UnreachableServerGivesMinusOneAndLibcurlsText) {
    ClosedPort refusing;
    const event_collect::HttpResponse response =
        event_collect::HttpPost(refusing.Url("/sa?project=pc"), "x=1");
    EXPECT_EQ(response.status, -1);
    EXPECT_EQ(response.body, curl_easy_strerror(CURLE_COULDNT_CONNECT));

    event_collect::SetLastUploadSucceeded(true);
    DiagnosticCapture capture;
    testing_support::LogCapture trace;
    event_collect::HttpSender sender(refusing.Url("/sa?project=pc"));
    EXPECT_FALSE(sender.Send("[{}]"));
    EXPECT_FALSE(event_collect::LastUploadSucceeded());
    EXPECT_EQ(capture.Lines(),
              std::vector<std::string>{std::string("EventCollect SDK send failed: ") +
                                       curl_easy_strerror(CURLE_COULDNT_CONNECT)});
    EXPECT_EQ(trace.Lines(),
              std::vector<std::string>{"[analytics] EventCollect SDK send failed\n"});
}

TEST_F(SenderTest, AcceptedUploadSetsTheFlagAndStoresTheRecords) {
    event_collect::SetLastUploadSucceeded(false);
    event_collect::HttpSender sender(m_server.Url());
    DiagnosticCapture capture;
    EXPECT_TRUE(sender.Send("[{\"a\":1},{\"b\":\"x\"}]"));
    EXPECT_TRUE(event_collect::LastUploadSucceeded());
    EXPECT_TRUE(capture.Lines().empty());
    ASSERT_EQ(m_server.Records().size(), 2u);
    EXPECT_EQ(m_server.Records()[1].record, "{\"b\":\"x\"}");
}

TEST_F(SenderTest, FailureLineCarriesTheAnswerBody) {
    m_server.SetAnswerStatus(503);
    event_collect::HttpSender sender(m_server.Url());
    DiagnosticCapture capture;
    EXPECT_FALSE(sender.Send("[{}]"));
    EXPECT_EQ(capture.Lines(),
              std::vector<std::string>{"EventCollect SDK send failed: refused by the status knob"});
}

#ifndef _WIN32  // an in-process cpp-httplib server, built for Linux only
// A plain local server to see the request exactly as it arrives.
class RawServer {
public:
    template <typename Handler>
    explicit RawServer(Handler handler) {
        m_server.Post("/sa", handler);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~RawServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/sa?project=pc";
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

TEST_F(SenderTest, PostIsAFormWithTheLibraryUserAgent) {
    std::string userAgent, contentType, body, project;
    RawServer raw([&](const httplib::Request& request, httplib::Response& response) {
        userAgent = request.get_header_value("User-Agent");
        contentType = request.get_header_value("Content-Type");
        project = request.get_param_value("project");
        body = request.body;
        response.status = 200;
    });
    event_collect::HttpSender sender(raw.Url());
    EXPECT_TRUE(sender.Send("[{}]"));
    EXPECT_EQ(userAgent, "EventCollect CPP SDK 0.9");
    EXPECT_EQ(contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(project, "pc");
    std::string expected;
    ASSERT_TRUE(event_collect::MakeUploadBody("[{}]", &expected));
    EXPECT_EQ(body, expected);
}

TEST_F(SenderTest, RedirectsAreNotFollowed) {
    const std::string target = m_server.Url();
    RawServer redirecting([&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(target, 307);  // 307 would repeat the POST if followed
    });
    event_collect::HttpSender sender(redirecting.Url());
    DiagnosticCapture capture;
    EXPECT_FALSE(sender.Send("[{}]"));
    EXPECT_EQ(m_server.UploadCount(), 0);
}
#endif

TEST_F(SenderTest, HungServerTimesOut) {
    m_server.SetHangMilliseconds(60000);
    const event_collect::HttpResponse response =
        event_collect::HttpPost(m_server.Url(), "data_list=&gzip=1");
    EXPECT_EQ(response.status, -1);
    EXPECT_EQ(response.body, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
    // Stop ends the held answer at once rather than after its minute.
    m_server.Stop();
}

#ifndef _WIN32  // the untrusted server is an in-process OpenSSL one, built for Linux only
// Regression: uploads once switched certificate checks off, handing usage data to anyone on
// the path. An untrusted certificate must fail like any other failed upload.
TEST(SenderTls, UntrustedCertificateFailsAndKeepsTheRecords) {
    testing_support::UntrustedTlsServer server;
    ASSERT_TRUE(server.Valid());

    const std::string url = server.Url("/sa?project=pc");
    const event_collect::HttpResponse response = event_collect::HttpPost(url, "data_list=&gzip=1");
    EXPECT_EQ(response.status, -1);
    EXPECT_EQ(response.body, curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION));

    event_collect::DefaultConsumer queue(url, "");
    event_collect::utils::ObjectNode record;
    record.Set("i", event_collect::ValueNode::Int(1));
    queue.Send(record);
    DiagnosticCapture capture;
    EXPECT_FALSE(queue.Flush());
    EXPECT_EQ(queue.Records(), std::vector<std::string>{"{\"i\":1}"});
    EXPECT_EQ(server.Requests(), 0);
}
#endif

}  // namespace
