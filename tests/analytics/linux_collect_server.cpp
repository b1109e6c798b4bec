#include "tests/analytics/linux_collect_server.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <optional>

namespace analytics_test {
namespace {

size_t Collect(char* data, size_t size, size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
}

// One request to the server (a POST of `body` when there is one); the answer's body when it
// came with a 2xx status, else nothing and a test failure.
std::optional<std::string> Request(const std::string& url, const std::string* body) {
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        ADD_FAILURE() << "no libcurl handle for " << url;
        return std::nullopt;
    }
    std::string answer;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, "");  // loopback: never through a proxy
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (body != nullptr) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->c_str());
    }
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK || status < 200 || status > 299) {
        ADD_FAILURE() << "control request " << url << " failed: "
                      << (result != CURLE_OK ? curl_easy_strerror(result)
                                             : "status " + std::to_string(status) + " " + answer);
        return std::nullopt;
    }
    return answer;
}

}  // namespace

bool LinuxCollectServer::Start(std::string* error) {
    if (m_server) {
        *error = "already started";
        return false;
    }
    m_server = std::make_unique<testing_support::LinuxServer>(
        "collect-server/collect-server", std::vector<std::string>{"--db", ":memory:", "--control"});
    if (!m_server->Started()) {
        *error = m_server->Error();
        m_server.reset();
        return false;
    }
    m_url = m_server->Url("/sa?project=pc");
    return true;
}

void LinuxCollectServer::Stop() {
    if (m_server) m_server->Stop();
    m_server.reset();
}

void LinuxCollectServer::SetAnswerStatus(int status) {
    const std::string body = std::to_string(status);
    if (m_server) Request(m_server->Url("/__control/status"), &body);
}

void LinuxCollectServer::SetHangMilliseconds(int ms) {
    const std::string body = std::to_string(ms);
    if (m_server) Request(m_server->Url("/__control/hang-ms"), &body);
}

std::vector<collect_server::StoredRecord> LinuxCollectServer::Records() const {
    std::vector<collect_server::StoredRecord> rows;
    if (!m_server) return rows;
    const auto answer = Request(m_server->Url("/__control/records"), nullptr);
    if (!answer) return rows;
    Json::Value list;
    Json::CharReaderBuilder builder;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(answer->data(), answer->data() + answer->size(), &list, &errors) ||
        !list.isArray()) {
        ADD_FAILURE() << "the records are not a JSON array: " << errors << "\n" << *answer;
        return rows;
    }
    for (const Json::Value& entry : list) {
        collect_server::StoredRecord row;
        row.id = entry["id"].asInt64();
        row.receivedMs = entry["received_ms"].asInt64();
        row.record = entry["record"].asString();
        rows.push_back(std::move(row));
    }
    return rows;
}

int LinuxCollectServer::UploadCount() const {
    if (!m_server) return 0;
    const auto answer = Request(m_server->Url("/__control/uploads"), nullptr);
    return answer ? std::stoi(*answer) : -1;
}

}  // namespace analytics_test
