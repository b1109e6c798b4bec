#include "download/mt_curl_downloader.h"

#include <algorithm>
#include <ctime>

#include "download/curl_client.h"
#include "download/digest.h"
#include "download/part_plan.h"
#include "download/retry_budget.h"
#include "platform/file_append.h"
#include "platform/file_ops.h"
#include "platform/paths.h"
#include "platform/url_download.h"
#include "sys/log.h"
#include "sys/text.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kStarted = Utils::RestartableWorker::Result::kStarted;
constexpr auto kRefused = Utils::RestartableWorker::Result::kRefused;
// How long a part transfer may go without a byte: far shorter than a discovery's stall window,
// since a part is retried (and resumed) on its own.
constexpr long kPartStallSeconds = 5;
// A length of 255 bytes or less is no package (an error page, or nothing at all).
constexpr int64_t kMinimumLength = 256;
constexpr auto kPartStartGap = 100ms;
constexpr auto kRetryPause = 400ms;
// Larger reads than libcurl's 16 KiB default cost far fewer calls for a large package and
// change nothing a transfer reports.
constexpr long kReceiveBufferSize = 512L * 1024;

std::wstring CurlText(int code) {
    const CURLcode known = code >= 0 && code < CURL_LAST ? static_cast<CURLcode>(code) : CURL_LAST;
    return Utils::NarrowToWide(curl_easy_strerror(known), 0);
}

// Size of the file at a path; 0 when it is missing or its size cannot be read.
int64_t ExistingSize(const std::string& path) {
    return std::max<int64_t>(platform::FileSize(path), 0);
}

// A part is only written from an answer that carries exactly the requested bytes. A server
// that ignores the range answers 200 with the whole file, whose first bytes would otherwise
// land in part 1 and corrupt the package.
bool AnswersRequestedRange(const CMTCurlDownloader::DownloadPartNode& part) {
    long status = 0;
    curl_header* header = nullptr;
    const bool accepted =
        part.curl != nullptr &&
        curl_easy_getinfo(part.curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        status == 206 &&
        curl_easy_header(part.curl, "Content-Range", 0, CURLH_HEADER, -1, &header) == CURLHE_OK &&
        ContentRangeMatches(header->value, part.start, part.end, part.packageLength);
    if (!accepted) {
        const std::string requested = RangeText(part.start, part.end);
        LOG_TRACE(L"CMTCurlDownloader::PartWrite",
                  L"answer to range %ls refused: status %ld, Content-Range %ls",
                  Utils::LogText(requested).c_str(), status,
                  Utils::LogText(header != nullptr ? header->value : "none").c_str());
    }
    return accepted;
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(StageCallback callback, std::wstring url,
                                     std::wstring savePath, DownloadOptions options)
    : m_callback(std::move(callback)),
      m_savePath(std::move(savePath)),
      m_url(std::move(url)),
      m_options(std::move(options)),
      m_worker(m_options.makeThread) {
    // With no save path there is nothing of ours to delete (and "_0" would name a file in
    // the working folder).
    if (m_savePath.empty()) return;
    platform::RemoveFile(Utils::ToUtf8(m_savePath));
    DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
    m_worker.Stop();
    m_digest.Restart(DigestKind::kNone);  // a finishing thread waiting for the digest gets none
    { std::lock_guard<std::mutex> lock(m_mutex); }  // the finishing thread sees the stop
    m_partEnded.notify_all();
    m_worker.Shutdown();
    ReleaseParts();
    if (!m_savePath.empty()) DeletePartFiles();
}

int CMTCurlDownloader::Start() {
    if (m_worker.Start(L"ABDEF", [this] { Start_Down(); }) != kRefused) return 0;
    LOG_TRACE(L"CMTCurlDownloader::Start", L"no start thread");
    // No thread of ours runs now: those of the last run have ended, or one is the caller.
    ReleaseParts();
    if (!m_savePath.empty()) DeletePartFiles();
    {
        std::lock_guard<std::mutex> partLock(m_mutex);
        m_lastPercent = 0.0;
    }
    m_callback(DL_CODE_START, 1.0, L"");
    m_callback(DL_CODE_FAIL, static_cast<double>(CURLE_FAILED_INIT), L"LibCurl");
    return 0;
}

void CMTCurlDownloader::AbandonRun() {
    LOG_TRACE(L"CMTCurlDownloader::Start_Down", L"a part or finishing thread could not start");
    m_worker.SetInterrupted(true);
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_partEnded.wait(lock, [this] { return m_running == 0 || Stopping(); });
        m_lastPercent = 0.0;
    }
    if (Stopping()) return;  // the destructor waits for the parts and removes their files
    // The digest's own handles go first: on Windows a deleted file that is still open keeps
    // its name until the last handle is closed.
    m_digest.Restart(DigestKind::kNone);
    ReleaseParts();
    DeletePartFiles();
    m_worker.SetInterrupted(false);
    m_callback(DL_CODE_FAIL, static_cast<double>(CURLE_FAILED_INIT), L"LibCurl");
}

void CMTCurlDownloader::Start_Down() {
    m_callback(DL_CODE_START, 1.0, L"");
    LOG_TRACE(L"CMTCurlDownloader::Start_Down", L"start download");
    if (m_savePath.empty()) {
        m_callback(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::string savePath = Utils::ToUtf8(m_savePath);
    const std::string url =
        m_url.starts_with(L"file:///") ? Utils::WideToNarrow(m_url, 0) : Utils::ToUtf8(m_url);
    platform::RemoveFile(savePath);
    bool resume = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        resume = m_lastPercent != 0.0;
    }
    if (!resume) DeletePartFiles();

    if (m_realUrl.empty() || m_fileLength < kMinimumLength) {
        if (!getRealDownloadUrl(url)) {
            if (!Stopping()) m_callback(DL_CODE_FAIL, 0.0, L"LibCurl");
            return;
        }
    }

    const std::vector<PartRange> ranges = SplitParts(m_fileLength);
    // Every run hashes the part files from their first byte: what they already hold is read
    // back while the missing bytes arrive.
    m_digest.Restart(m_expectedDigest.kind);
    for (size_t i = 0; i < ranges.size(); ++i) {
        auto part = std::make_unique<DownloadPartNode>();
        part->partPath = PartPath(i);
        const int64_t size = ranges[i].last - ranges[i].first + 1;
        int64_t existing = ExistingSize(part->partPath);
        if (existing > size) {
            // Longer than its range: not a part of this package. Start it afresh.
            platform::RemoveFile(part->partPath);
            existing = 0;
        }
        part->downloaded = existing;
        part->start = ranges[i].first + existing;
        part->end = ranges[i].last;
        part->curl = curl_easy_init();
        part->url = m_realUrl;
        part->packageLength = m_fileLength;
        if (part->end < part->start) {
            part->state = 0;  // the part file already covers the whole range
        } else {
            part->state = kPartPending;
            part->file = platform::OpenStream(part->partPath, "ab+");
            if (part->file == nullptr)
                part->state = kPartFileError;
            else  // every write is on the disk at once, where the digest reads it back
                std::setvbuf(part->file, nullptr, _IONBF, 0);
        }
        if (part->state != kPartFileError) {
            part->digest = &m_digest;
            part->digestIndex = m_digest.AddFile(part->partPath, static_cast<uint64_t>(size),
                                                 static_cast<uint64_t>(existing));
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_parts.push_back(std::move(part));
    }

    bool first = true;
    for (const auto& part : m_parts) {
        if (part->state != kPartPending) continue;
        if (!first && !m_worker.Pause(kPartStartGap)) return;
        first = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_running;
        }
        DownloadPartNode* node = part.get();
        if (m_worker.Launch(L"", [this, node] { downloadThreadFun(node); }) != kStarted) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                --m_running;
            }
            if (!Stopping()) AbandonRun();
            return;
        }
    }
    if (m_worker.Launch(L"", [this] { waitForFinishThreadFun(); }) != kStarted && !Stopping())
        AbandonRun();
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
    m_realUrl.clear();
    m_expectedDigest = {};
    m_fileLength = 0;
    if (!m_options.curlReady) return false;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return false;

    curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // Ends after the stall window without a byte, and at once when the downloader goes away.
    const CurlRequestLimits limits{m_options.stallWindow, &m_worker.StopFlag()};
    const int result = CurlClient::SetHeaderOnlyOptions(curl, url, limits);
    if (result == 0 && curl_easy_perform(curl) == CURLE_OK) {
        char* effective = nullptr;
        if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
            effective != nullptr && *effective != '\0') {
            m_realUrl = effective;
            LOG_TRACE(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File real url %ls",
                      Utils::LogText(m_realUrl).c_str());
            m_expectedDigest = ExpectedDigestFromUrl(m_realUrl);
        }
        curl_off_t length = -1;
        long status = 0;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
            status <= 399) {
            m_fileLength = static_cast<int64_t>(length);
            LOG_TRACE(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File Length %lld",
                      static_cast<long long>(m_fileLength));
        }
    }
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return !m_realUrl.empty() && m_fileLength >= kMinimumLength;
}

int CMTCurlDownloader::downloadExe(CMTCurlDownloader* downloader, DownloadPartNode* part) {
    // Asks only for the bytes still missing: start advances with every byte written.
    const std::string range = RangeText(part->start, part->end);
    CURL* curl = part->curl;
    int result = 0;
    result |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_URL, part->url.c_str());
    result |= curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::PartWrite);
    result |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, part);
    result |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::PartProgress);
    result |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, downloader);
    result |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    result |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, platform::kConnectTimeoutSeconds);
    // Certificate checks keep libcurl's defaults: the package runs with the installer's
    // rights, and its digest comes over this same connection.
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    result |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kPartStallSeconds);
    result |= curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
    if (result != 0) return result;
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);

    part->answerChecked = false;
    part->answerAccepted = false;
    int rc = curl_easy_perform(curl);
    // An answer that ended well but short of the part's last byte is a partial transfer.
    if (rc == CURLE_OK && part->start <= part->end) rc = CURLE_PARTIAL_FILE;
    // Every byte of the part arrived; what ended the answer after them (more bytes than the
    // range, which the write refuses, or a connection closed early) does not undo that, and a
    // retry could only ask for an empty range.
    if (rc != CURLE_OK && part->start > part->end) {
        const std::wstring text = CurlText(rc);
        LOG_TRACE(L"CMTCurlDownloader::downloadExe", L"part complete, then error:%d:%ls", rc,
                  text.c_str());
        rc = CURLE_OK;
    }
    if (rc != 0) {
        const std::wstring text = CurlText(rc);
        LOG_TRACE(L"CMTCurlDownloader::downloadExe", L"error:%d:%ls", rc, text.c_str());
    } else {
        LOG_TRACE(L"CMTCurlDownloader::downloadExe", L"curl_easy_cleanup");
    }
    curl_easy_reset(curl);
    if (rc == 0 && part->file != nullptr) {
        std::fclose(part->file);
        part->file = nullptr;
    }
    part->state = rc;
    return rc;
}

size_t CMTCurlDownloader::PartWrite(char* data, size_t size, size_t count, void* userData) {
    auto* part = static_cast<DownloadPartNode*>(userData);
    if (part == nullptr || part->file == nullptr || part->start > part->end) return 0;
    if (!part->answerChecked) {
        part->answerChecked = true;
        part->answerAccepted = AnswersRequestedRange(*part);
    }
    if (!part->answerAccepted) return 0;
    // Bytes past the part's last one are not ours; writing fewer than offered makes libcurl
    // end the transfer.
    const uint64_t room = static_cast<uint64_t>(part->end - part->start + 1);
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size * count, room));
    const size_t written = std::fwrite(data, 1, wanted, part->file);
    part->start += static_cast<int64_t>(written);
    part->downloaded += static_cast<int64_t>(written);
    if (part->digest != nullptr)
        part->digest->Advance(part->digestIndex, static_cast<uint64_t>(part->downloaded.load()));
    return written;
}

int CMTCurlDownloader::PartProgress(void* downloader, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/,
                                    curl_off_t /*ultotal*/, curl_off_t /*ulnow*/) {
    auto* self = static_cast<CMTCurlDownloader*>(downloader);
    if (self->Stopping() || self->Abandoning()) return 1;

    const auto now = static_cast<int64_t>(std::time(nullptr));
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (now <= self->m_lastProgressTime) return 0;
    self->m_lastProgressTime = now;
    double x = 0.0;
    if (self->m_fileLength >= kMinimumLength) {
        for (const auto& part : self->m_parts) {
            const int64_t downloaded = part->downloaded.load(std::memory_order_relaxed);
            if (downloaded > 0)
                x += static_cast<double>(downloaded) * 100.0 /
                     static_cast<double>(self->m_fileLength);
        }
        if (x > 100.0) return 0;
    }
    if (x - self->m_lastPercent < 1.0) return 0;
    self->m_lastPercent = x;
    // Sent under the lock, so that reports of the two part threads arrive in order.
    self->m_callback(DL_CODE_PROGRESS, x / 100.0, L"");
    return 0;
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* part) {
    // Each part has its own budget: 7 transfers when failures cost 2, 13 when each one
    // leaves a partial range to resume.
    RetryBudget budget;
    int rc = downloadExe(this, part);
    while (rc != 0 && budget.Left() > 0 && !Stopping() && !Abandoning()) {
        budget.Spend(rc);
        LOG_TRACE(L"CMTCurlDownloader::downloadThreadFun", L"CurlDownLoader Code=%d", rc);
        if (!m_worker.Pause(kRetryPause)) break;
        rc = downloadExe(this, part);
    }
    if (part->file != nullptr) {
        std::fclose(part->file);
        part->file = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_running;
    }
    m_partEnded.notify_all();
}

void CMTCurlDownloader::waitForFinishThreadFun() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_partEnded.wait(lock, [this] { return m_running == 0 || Stopping(); });
    }
    if (Stopping()) return;

    const auto failed = std::find_if(m_parts.begin(), m_parts.end(),
                                     [](const auto& part) { return part->state != 0; });
    if (failed != m_parts.end()) {
        const int failState = (*failed)->state;
        m_digest.Restart(DigestKind::kNone);  // nothing more of this run is hashed
        ReleaseParts();
        bool keep = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            keep = m_lastPercent != 0.0;
        }
        // Part files with data stay for the next run when progress had been reported.
        if (!keep) DeletePartFiles();
        EndFailedRun(failState);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastPercent = 0.0;
    }

    const std::string savePath = Utils::ToUtf8(m_savePath);
    if (!JoinParts(savePath)) {
        if (Stopping()) return;
        // Part file 0 may hold some of part 1 by now: nothing of this run can be resumed.
        ReleaseParts();
        DeletePartFiles();
        EndFailedRun(kPartFileError);
        return;
    }
    // The digest has followed the parts since they began: only the last of part 1 is left.
    const std::string actual = m_digest.Result();
    DeletePartFiles();
    if (Stopping()) return;

    if (m_expectedDigest.kind == DigestKind::kNone) {
        m_callback(DL_CODE_FAIL_REASON, 0.0, L"mtcurl获取url-md5失败");
    } else {
        // An unreadable file (no digest) passes: the package run that follows will tell.
        if (!actual.empty() && actual != m_expectedDigest.hex) {
            m_callback(DL_CODE_FAIL_REASON, 0.0, L"mtcurl文件md5校验失败");
            platform::RemoveFile(savePath);
            ReleaseParts();
            if (!m_retried) {
                m_retried = true;
                LOG_TRACE(L"CMTCurlDownloader::waitForFinishThreadFun",
                          L"finish recv, md5 chaek failed retry once.");
                m_callback(DL_CODE_RETRY, 0.0, L"LibCurl");
            } else {
                LOG_TRACE(L"CMTCurlDownloader::waitForFinishThreadFun",
                          L"finish recv, md5 chaek failed and retry failed.");
                m_callback(DL_CODE_FAIL, 0.0, L"LibCurl");
            }
            return;
        }
    }
    LOG_TRACE(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv");
    ReleaseParts();
    m_callback(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}

void CMTCurlDownloader::EndFailedRun(int failState) {
    if (!m_retried) {
        m_retried = true;
        // The receiver may call Start from inside this call; nothing of this run touches the
        // downloader after it.
        m_callback(DL_CODE_RETRY, static_cast<double>(failState), L"LibCurl");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastPercent = 0.0;
    }
    m_callback(DL_CODE_FAIL, static_cast<double>(failState), L"LibCurl");
}

bool CMTCurlDownloader::JoinParts(const std::string& savePath) {
    const std::string firstPath = PartPath(0);
    bool ok = true;
    for (size_t i = 1; i < m_parts.size() && ok; ++i) {
        const std::string path = PartPath(i);
        // A failed copy would leave the package short of this part's rest.
        ok = platform::AppendFile(firstPath, path, &m_worker.StopFlag());
        LOG_TRACE(L"CMTCurlDownloader::waitForFinishThreadFun", L"partPath::%ls",
                  Utils::LogText(path).c_str());
    }
    // Every part was complete, so anything but the package's length means a lost write.
    ok = ok && ExistingSize(firstPath) == m_fileLength;
    return ok && platform::RenameOver(firstPath, savePath);
}

void CMTCurlDownloader::ReleaseParts() {
    std::vector<std::unique_ptr<DownloadPartNode>> parts;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        parts.swap(m_parts);
    }
    for (auto& part : parts) {
        if (part->curl != nullptr) curl_easy_cleanup(part->curl);
        if (part->file != nullptr) std::fclose(part->file);
    }
}

void CMTCurlDownloader::DeletePartFiles() {
    platform::RemoveFile(PartPath(0));
    platform::RemoveFile(PartPath(1));
}

std::string CMTCurlDownloader::PartPath(size_t index) const {
    return Utils::ToUtf8(m_savePath) + "_" + std::to_string(index);
}
