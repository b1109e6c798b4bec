#include "analytics/sdk/http_post.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <stdexcept>

#include "analytics/sdk/diagnostics.h"

namespace event_collect {
namespace {

constexpr long kTimeoutSeconds = 3;

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

size_t ParseHeader(char* data, size_t size, size_t count, void* user) {
    ParseHeaderLine(std::string_view(data, size * count),
                    static_cast<std::map<std::string, std::string>*>(user));
    return size * count;
}

struct EasyCleanup {
    void operator()(CURL* handle) const {
        curl_easy_reset(handle);
        curl_easy_cleanup(handle);
    }
};

HttpResponse Perform(const std::string& url, std::string_view body) {
    std::unique_ptr<CURL, EasyCleanup> handle(curl_easy_init());
    if (!handle) throw std::runtime_error("Couldn't initialize curl handle");
    HttpResponse response;
    CURL* curl = handle.get();
    // Certificate and host-name checks stay at libcurl's defaults: usage data goes only to a
    // server that proves who it is.
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, ParseHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);
    curl_slist* requestHeaders = nullptr;  // none added: libcurl's form content type goes out
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, requestHeaders);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.empty() ? "" : body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
        response.status = -1;
        response.body = curl_easy_strerror(code);
    } else {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        response.status = static_cast<int>(status);
    }
    curl_slist_free_all(requestHeaders);
    return response;
}

}  // namespace

HttpResponse HttpPost(const std::string& url, std::string_view body) {
    try {
        return Perform(url, body);
    } catch (const std::exception& e) {
        WriteDiagnostic(e.what());
        HttpResponse failed;
        failed.status = -1;
        failed.body = e.what();
        return failed;
    }
}

}  // namespace event_collect
