#include "tests/download/remote_package_server.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "sys/text.h"
#include "tools/package-server/control_text.h"

namespace download_test {
namespace {

size_t Append(char* data, size_t size, size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

// One control request to `url`: a POST with an empty body, or a GET. The answer's body when
// the server answered 200, else nothing and the reason in `error`.
bool Control(const std::string& url, bool post, std::string* body, std::string* error,
             long limitSeconds = 30) {
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        *error = "curl_easy_init failed";
        return false;
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limitSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
    // The server refuses a POST without a length; an empty body has one of 0.
    if (post) curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "");
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        *error = curl_easy_strerror(result);
        return false;
    }
    if (status != 200) {
        *error = "status " + std::to_string(status) + ": " + *body;
        return false;
    }
    return true;
}

std::string Escaped(const std::string& text) {
    char* escaped = curl_easy_escape(nullptr, text.c_str(), static_cast<int>(text.size()));
    std::string result = escaped != nullptr ? escaped : "";
    curl_free(escaped);
    return result;
}

}  // namespace

RemotePackageServer::RemotePackageServer(std::string packagePath)
    : m_packagePath(std::move(packagePath)) {}

RemotePackageServer::~RemotePackageServer() {
    Stop();
}

bool RemotePackageServer::Start() {
    const std::string linuxPath = testing_support::LinuxPath(Utils::FromUtf8(m_packagePath));
    if (linuxPath.empty()) {
        ADD_FAILURE() << "no Linux path for " << m_packagePath;
        return false;
    }
    m_server = std::make_unique<testing_support::LinuxServer>(
        "package-server/package-server",
        std::vector<std::string>{"--package", linuxPath, "--control"});
    if (!m_server->Started()) {
        ADD_FAILURE() << "package-server: " << m_server->Error();
        return false;
    }
    m_port = m_server->Port();
    std::string line;
    std::string error;
    if (!Control(m_server->Url(package_server::kControlPackagePath), false, &line, &error) ||
        !package_server::ParsePackageLine(line, &m_length, &m_md5, &m_sha256)) {
        ADD_FAILURE() << "package-server gave no package facts: " << error << line;
        return false;
    }
    return true;
}

void RemotePackageServer::Stop() {
    if (m_server == nullptr || !m_server->Started()) return;
    // The log is kept for Requests(); a server too busy to give it fails only a test that
    // asks for it afterwards.
    std::string text;
    std::string error;
    m_logKept = Control(BaseUrl() + package_server::kControlRequestsPath, false, &text, &error,
                        5) &&
                package_server::ParseRequestLines(text, &m_lastRequests);
    m_server->Stop();
}

std::string RemotePackageServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::string RemotePackageServer::DownloadUrl() const {
    return BaseUrl() + "/software/353";
}

void RemotePackageServer::SetFaults(const package_server::Faults& faults) {
    std::string url = BaseUrl() + package_server::kControlFaultsPath;
    char separator = '?';
    for (const auto& [name, value] : package_server::FaultFields(faults)) {
        url += separator + Escaped(name) + "=" + Escaped(value);
        separator = '&';
    }
    std::string answer;
    std::string error;
    if (!Control(url, true, &answer, &error)) ADD_FAILURE() << "faults not set: " << error;
}

std::vector<package_server::RequestRecord> RemotePackageServer::Requests() const {
    if (m_server == nullptr || !m_server->Started()) {
        if (!m_logKept) ADD_FAILURE() << "the request log was not read before the server stopped";
        return m_lastRequests;
    }
    std::string text;
    std::string error;
    std::vector<package_server::RequestRecord> requests;
    if (!Control(BaseUrl() + package_server::kControlRequestsPath, false, &text, &error) ||
        !package_server::ParseRequestLines(text, &requests))
        ADD_FAILURE() << "no request log: " << error << text;
    return requests;
}

}  // namespace download_test
