#include "download/curl_client.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <map>

#include "download/download_report.h"
#include "platform/file_ops.h"
#include "platform/paths.h"
#include "platform/url_download.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

using platform::kConnectTimeoutSeconds;
constexpr size_t kFailureTextSize = 200;
constexpr long kReceiveBufferSize = 512L * 1024;

// libcurl's text for a code. Our own negative codes are no CURLcode, so they get the text
// libcurl gives any code it does not know.
std::wstring CurlText(int code) {
    const CURLcode known = code >= 0 && code < CURL_LAST ? static_cast<CURLcode>(code) : CURL_LAST;
    return Utils::NarrowToWide(curl_easy_strerror(known), 0);
}

void LogResult(const wchar_t* label, int line, int code) {
    const std::wstring text = CurlText(code);
    Utils::LogLine(label, line, L"error:%d:%ls", code, text.c_str());
}

// A length query answered without a status from 200 to 399 goes to the usage report.
void ReportLengthStatus(long status) {
    wchar_t reason[kFailureTextSize];
    std::swprintf(reason, kFailureTextSize, L"1.获取文件大小的状态码为=%ld；", status);
    ReportDownloadTask(L"下载失败原因", 0.0f, reason, {{L"AB", L"IN"}});
}

// The part file, opened for appending. Unbuffered: the transfer hands over large blocks, and
// each one is on the disk (where the digest reads it back) as soon as it is written.
FILE* OpenUnbuffered(const std::string& path) {
    FILE* file = platform::OpenStream(path, "ab+");
    if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

bool IsGoodStatus(long status) {
    return status >= 200 && status <= 399;
}

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring savePath, void* owner, ProgressHook hook)
    : m_url(std::move(url)),
      m_savePath(std::move(savePath)),
      m_owner(owner),
      m_progressHook(hook) {}

CurlClient::~CurlClient() {
    platform::RemoveFile(Utils::ToUtf8(GetSavePath(true)));
    m_abort = true;
}

std::wstring CurlClient::GetSavePath(bool part) const {
    return part ? m_savePath + L".part" : m_savePath;
}

int CurlClient::Start() {
    LOG_TRACE(L"CurlClient::Start", L"start download");
    const std::string partPath = Utils::ToUtf8(GetSavePath(true));
    const std::string finalPath = Utils::ToUtf8(m_savePath);
    const std::string url =
        m_url.starts_with(L"file:///") ? Utils::WideToNarrow(m_url, 0) : Utils::ToUtf8(m_url);
    const CurlRequestLimits limits{m_stallWindow, &m_abort};
    int result = 0;
    FILE* file = nullptr;
    curl_slist* headers = nullptr;

    if (m_realUrl.empty() || m_fileLength < kMinimumLength) {
        CURL* head = Head(url, limits);
        m_realUrl = GetRealUrl(head);
        m_fileLength = GetDownloadFileLength(head);
        curl_easy_cleanup(head);
    }
    // A stopped client sends no further request.
    if (m_abort) result = CURLE_ABORTED_BY_CALLBACK;
    if (result == 0 && (m_realUrl.empty() || m_fileLength < kMinimumLength)) {
        m_realUrl = GetRealUrl_Str(url, limits);
        if (!m_realUrl.empty() && !m_abort)
            m_fileLength = GetDownloadFileLength_Str(m_realUrl, limits);
        if (m_abort)
            result = CURLE_ABORTED_BY_CALLBACK;
        else if (m_fileLength < kMinimumLength)
            result = CC_ERR_TOO_SMALL;
    }

    if (result == 0) {
        m_curl = curl_easy_init();
        if (m_curl == nullptr) result = CC_ERR_CURL_INIT;
    }
    if (result == 0) {
        file = m_openPartFile ? m_openPartFile(partPath) : OpenUnbuffered(partPath);
        if (file == nullptr) {
            m_openError =
                Utils::NarrowToWide(std::strerror(errno), 0).substr(0, kFailureTextSize - 1);
            result = CC_ERR_FILE_OPEN;
        }
    }
    if (result == 0) {
        headers = curl_slist_append(headers, "Connection: keep-alive");
        headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
        curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPALIVE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPIDLE, 10L);
        curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPINTVL, 10L);
        curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 0L);
        result |= curl_easy_setopt(m_curl, CURLOPT_URL, m_realUrl.c_str());
        result |= curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
        result |= curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlClient::WriteToFile);
        result |= curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
        result |= curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
        result |= curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
        result |= curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
        result |= curl_easy_setopt(m_curl, CURLOPT_FAILONERROR, 1L);
        result |= curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
        result |= SetStallAndRedirectLimits(m_curl, m_stallWindow);
        // Larger reads than libcurl's 16 KiB default: a package of hundreds of MiB then costs
        // far fewer system calls and wake-ups. Changes nothing the transfer reports.
        curl_easy_setopt(m_curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);

        m_resumeOffset = platform::FileSize(partPath);
        const auto length = static_cast<int64_t>(m_fileLength);
        // A part file longer than the package cannot be resumed into it: start afresh.
        if (m_resumeOffset > length && ftruncate(fileno(file), 0) == 0) m_resumeOffset = 0;
        // The digest starts over with every transfer: the bytes the part file already holds
        // are read back and hashed first, while the new ones arrive.
        m_partBytes = m_resumeOffset > 0 ? static_cast<uint64_t>(m_resumeOffset) : 0;
        const DigestKind kind = ExpectedDigestFromUrl(m_realUrl).kind;
        m_digest.Restart(kind);
        m_digestIndex = m_digest.AddFile(partPath, StreamingDigest::kOpenEnded, m_partBytes);
        m_digestFollows = kind != DigestKind::kNone;
        if (m_resumeOffset > 0) {
            result |= curl_easy_setopt(m_curl, CURLOPT_RESUME_FROM_LARGE,
                                       static_cast<curl_off_t>(m_resumeOffset));
        }
        // A part file that already holds the whole package (its last transfer failed after
        // the last byte) is complete: asking for the bytes after its end would fail every
        // time. The digest check still judges it.
        const bool complete = m_resumeOffset == length;
        m_lastProgressBytes = 0;
        m_partFile = file;
        if (result == 0 && !complete) result = curl_easy_perform(m_curl);
        m_partFile = nullptr;
    }

    curl_easy_cleanup(m_curl);
    m_curl = nullptr;
    curl_slist_free_all(headers);
    if (file != nullptr) result = FinishPartFile(file, result, partPath, finalPath);
    // Logged after the part file is finished, so that the line tells the outcome returned.
    LogResult(L"CurlClient::Start", __LINE__, result);
    LOG_TRACE(L"CurlClient::Start", L"end download");
    return result;
}

int CurlClient::FinishPartFile(FILE* file, int result, const std::string& partPath,
                               const std::string& finalPath) {
    const char* step = nullptr;
    int error = 0;
    // Bytes fwrite accepted may still sit in the stream's buffer: only a good flush and close
    // say they are on the disk (a full disk shows here, after the last byte was "written").
    if (std::fflush(file) != 0) {
        step = "flush";
        error = errno;
    }
    if (std::fclose(file) != 0 && step == nullptr) {
        step = "close";
        error = errno;
    }
    if (step == nullptr && result == 0) {
        platform::RemoveFile(finalPath);  // an older file; a folder that is not empty stays
        if (!platform::RenameOver(partPath, finalPath)) {
            step = "rename";
            error = errno;
        }
    }
    if (step == nullptr) return result;
    LOG_TRACE(L"CurlClient::FinishPartFile", L"%ls of %ls failed: %ls",
              Utils::LogText(step).c_str(), Utils::LogText(partPath).c_str(),
              Utils::LogText(std::strerror(error)).c_str());
    // What the transfer received is not (or not all) where it should be: a failed transfer,
    // and the part file is no start for the next one.
    platform::RemoveFile(partPath);
    return CURLE_WRITE_ERROR;
}

int CurlClient::SetStallAndRedirectLimits(CURL* handle, std::chrono::seconds stallWindow) {
    int result = 0;
    result |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    result |=
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallWindow.count()));
    result |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    return result;
}

int CurlClient::SetRequestLimits(CURL* handle, const CurlRequestLimits& limits) {
    int result = SetStallAndRedirectLimits(handle, limits.stallWindow);
    if (limits.abort != nullptr) {
        const curl_xferinfo_callback stopWhenAsked = [](void* abort, curl_off_t, curl_off_t,
                                                        curl_off_t, curl_off_t) -> int {
            return static_cast<const std::atomic<bool>*>(abort)->load() ? 1 : 0;
        };
        result |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        result |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, stopWhenAsked);
        result |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA,
                                   const_cast<std::atomic<bool>*>(limits.abort));
    }
    return result;
}

int CurlClient::SetHeaderOnlyOptions(CURL* handle, const std::string& url,
                                     const CurlRequestLimits& limits) {
    int result = 0;
    result |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    result |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::DiscardBody);
    result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    result |= SetRequestLimits(handle, limits);
    return result;
}

CURL* CurlClient::Head(const std::string& url, const CurlRequestLimits& limits) {
    CURL* handle = curl_easy_init();
    int result = 0;
    if (handle != nullptr) {
        result = SetHeaderOnlyOptions(handle, url, limits);
        if (result == 0) {
            result = curl_easy_perform(handle);
            if (result != 0) LogResult(L"CurlClient::Head", __LINE__, result);
        }
    }
    LogResult(L"CurlClient::Head", __LINE__, result);
    return handle;
}

std::string CurlClient::GetRealUrl(CURL* handle) {
    char* url = nullptr;
    if (handle == nullptr || curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK ||
        url == nullptr) {
        return {};
    }
    return url;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
    double length = -1.0;
    curl_off_t contentLength = -1;
    const int lengthRead =
        handle != nullptr
            ? curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength)
            : CURLE_BAD_FUNCTION_ARGUMENT;
    if (lengthRead == CURLE_OK) length = static_cast<double>(contentLength);
    LogResult(L"CurlClient::GetDownloadFileLength", __LINE__, lengthRead);

    long status = 0;
    const int statusRead = handle != nullptr
                               ? curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status)
                               : CURLE_BAD_FUNCTION_ARGUMENT;
    if (statusRead == CURLE_OK && IsGoodStatus(status)) return length;
    ReportLengthStatus(status);
    return -1.0;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url,
                                             const CurlRequestLimits& limits) {
    double length = -1.0;
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        LogResult(L"CurlClient::GetDownloadFileLength_Str", __LINE__, 0);
        return length;
    }
    int result = 0;
    result |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    result |= curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    result |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::DiscardBody);
    result |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    result |= SetRequestLimits(handle, limits);
    if (result != 0) {
        LogResult(L"CurlClient::GetDownloadFileLength_Str", __LINE__, result);
        curl_easy_cleanup(handle);
        return length;
    }
    curl_easy_perform(handle);  // a failure shows in the status read below
    curl_off_t contentLength = -1;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength) == CURLE_OK)
        length = static_cast<double>(contentLength);
    long status = 0;
    const int statusRead = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (statusRead != CURLE_OK || !IsGoodStatus(status)) ReportLengthStatus(status);
    LogResult(L"CurlClient::GetDownloadFileLength_Str", __LINE__, statusRead);
    curl_easy_cleanup(handle);
    return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url, const CurlRequestLimits& limits) {
    std::string realUrl;
    CURL* handle = curl_easy_init();
    if (handle == nullptr) return url;
    int result = SetHeaderOnlyOptions(handle, url, limits);
    if (result == 0) {
        result = curl_easy_perform(handle);
        if (result != 0)
            LogResult(L"CurlClient::GetRealUrl_Str", __LINE__, result);
        else
            realUrl = GetRealUrl(handle);
    }
    curl_easy_cleanup(handle);
    return realUrl.empty() ? url : realUrl;
}

int CurlClient::ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow,
                                 curl_off_t /*ultotal*/, curl_off_t /*ulnow*/) {
    auto* self = static_cast<CurlClient*>(client);
    if (self->m_abort) return 1;

    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (now - self->m_lastProgressTime < 1) return 0;
    self->m_lastProgressTime = now;

    // libcurl's speed is the average of the whole transfer, which stays above 0 through a
    // stall: a second in which no byte arrived gets a speed of 0, and so no progress report.
    const bool arrived = dlnow > self->m_lastProgressBytes;
    self->m_lastProgressBytes = dlnow;
    double speed = 0.0;
    curl_off_t bytesPerSecond = 0;
    if (arrived &&
        curl_easy_getinfo(self->m_curl, CURLINFO_SPEED_DOWNLOAD_T, &bytesPerSecond) == CURLE_OK)
        speed = static_cast<double>(bytesPerSecond);

    double percent = 0.0;
    if (self->m_fileLength > kMinimumLength) {
        // A resumed transfer counts the bytes already in the part file.
        percent = static_cast<double>(dlnow + self->m_resumeOffset) / self->m_fileLength * 100.0;
    } else {
        if (dlnow <= 0 || dltotal <= 0) return 0;
        percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
    }
    if (percent == 0.0) return 0;

    if (self->m_progressHook != nullptr) self->m_progressHook(self->m_owner, speed, 0.0, percent);
    if (dltotal != 0) {
        LOG_TRACE(L"CurlClient::ProgressCallback", L" %dM %dM   progress:%f%%  speed:%f \n",
                  static_cast<int>(dlnow / 1048576), static_cast<int>(dltotal / 1048576),
                  static_cast<double>(static_cast<float>(percent)),
                  static_cast<double>(static_cast<float>(speed / 1024)));
    }
    return 0;
}

size_t CurlClient::WriteToFile(char* data, size_t size, size_t count, void* client) {
    auto* self = static_cast<CurlClient*>(client);
    const size_t written = std::fwrite(data, size, count, self->m_partFile);
    self->m_partBytes += written * size;
    // The digest reads back only what reached the file: a buffered stream is flushed first.
    if (self->m_digestFollows) {
        if (std::fflush(self->m_partFile) != 0) return 0;
        self->m_digest.Advance(self->m_digestIndex, self->m_partBytes);
    }
    return written;
}

size_t CurlClient::DiscardBody(char* /*data*/, size_t size, size_t count, void* /*unused*/) {
    return size * count;
}
