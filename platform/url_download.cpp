#include "platform/url_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/codepage.h"

namespace platform {

namespace {

constexpr auto kIdleReport = std::chrono::seconds(1);

constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;

// The system takes URLs with spaces and non-ASCII text and escapes them itself; libcurl
// refuses such URLs, so they reach it escaped. A file URL's path is unescaped again by
// libcurl, so the file name stays the one written.
std::string EscapeForTransfer(const std::string& url) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F) {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 0xF];
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

HRESULT HResultFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return HResultFromWin32(kErrorPathNotFound);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return HResultFromWin32(kErrorAccessDenied);
        case ENOSPC:
            return HResultFromWin32(kErrorDiskFull);
        default:
            return E_FAIL;
    }
}

HRESULT HResultFromTransfer(CURLcode code, long httpStatus) {
    switch (code) {
        case CURLE_OK:
            return S_OK;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return INET_E_UNKNOWN_PROTOCOL;
        case CURLE_URL_MALFORMAT:
            return INET_E_INVALID_URL;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_FILE_COULDNT_READ_FILE:  // a local file that is not there
            return INET_E_RESOURCE_NOT_FOUND;
        case CURLE_COULDNT_CONNECT:
            return INET_E_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return INET_E_CONNECTION_TIMEOUT;
        case CURLE_ABORTED_BY_CALLBACK:
            return E_ABORT;
        case CURLE_PEER_FAILED_VERIFICATION:
            return INET_E_INVALID_CERTIFICATE;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
            return INET_E_SECURITY_PROBLEM;
        case CURLE_HTTP_RETURNED_ERROR:
            return httpStatus == 404 || httpStatus == 410 ? INET_E_OBJECT_NOT_FOUND
                                                          : INET_E_DOWNLOAD_FAILURE;
        default:
            return INET_E_DOWNLOAD_FAILURE;
    }
}

// The file the download goes to until it is complete, next to the target so that the final
// rename stays on one volume. Its name depends on the target only, so that the side file of a
// download that was killed is found, and replaced, by the next download of the same target.
std::string SideFileName(const std::string& path) {
    return path + ".~dl";
}

struct Transfer {
    int fd = -1;
    int writeError = 0;  // errno of a failed write
    BindStatusCallback* callback = nullptr;
    const wchar_t* statusText = L"";
    curl_off_t lastReported = 0;
    std::chrono::steady_clock::time_point lastCall = std::chrono::steady_clock::now();
    bool aborted = false;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* userData) {
    auto* transfer = static_cast<Transfer*>(userData);
    const size_t total = size * count;
    size_t done = 0;
    while (done < total) {
        const ssize_t n = write(transfer->fd, data + done, total - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            transfer->writeError = n < 0 ? errno : ENOSPC;
            return done;
        }
        done += static_cast<size_t>(n);
    }
    return total;
}

// Reports each new amount of data, and the same amount again once a second while nothing
// arrives, so that the handler can stop a download that has stalled or not yet connected.
// Before the first byte the pair is (0, 0).
int OnTransferProgress(void* userData, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                       curl_off_t) {
    auto* transfer = static_cast<Transfer*>(userData);
    if (transfer->callback == nullptr) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (dlnow == transfer->lastReported && now - transfer->lastCall < kIdleReport) return 0;
    transfer->lastCall = now;
    uint32_t status = BINDSTATUS_CONNECTING;
    uint64_t progressMax = 0;
    if (dlnow > 0) {
        status =
            transfer->lastReported == 0 ? BINDSTATUS_BEGINDOWNLOADDATA : BINDSTATUS_DOWNLOADINGDATA;
        progressMax = dltotal > 0 ? static_cast<uint64_t>(dltotal) : 0;
        transfer->lastReported = dlnow;
    }
    if (transfer->callback->OnProgress(static_cast<uint64_t>(dlnow), progressMax, status,
                                       transfer->statusText) == E_ABORT) {
        transfer->aborted = true;
        return 1;
    }
    return 0;
}

}  // namespace

HRESULT URLDownloadToFile(const std::wstring& url, const std::wstring& path,
                          BindStatusCallback* callback, std::chrono::seconds stallWindow) {
    std::string narrowUrl;
    std::string narrowPath;
    WideToMultiByte(kCodePageUtf8, url, &narrowUrl);
    WideToMultiByte(kCodePageAnsi, path, &narrowPath);
    if (narrowUrl.empty()) return INET_E_INVALID_URL;
    if (narrowPath.empty()) return HResultFromWin32(kErrorInvalidParameter);

    if (callback != nullptr &&
        callback->OnProgress(0, 0, BINDSTATUS_CONNECTING, url.c_str()) == E_ABORT) {
        return E_ABORT;
    }

    const std::string sidePath = SideFileName(narrowPath);
    Transfer transfer;
    transfer.callback = callback;
    transfer.statusText = url.c_str();
    unlink(sidePath.c_str());  // stale, from a download that never ended
    transfer.fd = open(sidePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (transfer.fd < 0) return HResultFromErrno(errno);

    CURL* curl = curl_easy_init();
    HRESULT hr = INET_E_DOWNLOAD_FAILURE;
    curl_off_t received = 0;
    if (curl != nullptr) {
        const std::string escaped = EscapeForTransfer(narrowUrl);
        curl_easy_setopt(curl, CURLOPT_URL, escaped.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
        // A server that stops sending has stalled; the system download gives up on such a
        // server too rather than waiting for ever.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallWindow.count()));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnTransferProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
        curl_easy_cleanup(curl);
        hr = code == CURLE_WRITE_ERROR && transfer.writeError != 0
                 ? HResultFromErrno(transfer.writeError)
                 : HResultFromTransfer(code, status);
    }
    if (transfer.aborted) hr = E_ABORT;
    if (close(transfer.fd) != 0 && hr == S_OK) hr = HResultFromErrno(errno);
    if (hr == S_OK && callback != nullptr &&
        callback->OnProgress(static_cast<uint64_t>(received), static_cast<uint64_t>(received),
                             BINDSTATUS_ENDDOWNLOADDATA, url.c_str()) == E_ABORT) {
        hr = E_ABORT;
    }
    if (hr == S_OK && std::rename(sidePath.c_str(), narrowPath.c_str()) != 0)
        hr = HResultFromErrno(errno);
    if (hr != S_OK) unlink(sidePath.c_str());
    return hr;
}

}  // namespace platform
