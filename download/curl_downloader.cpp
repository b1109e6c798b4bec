#include "download/curl_downloader.h"

#include <chrono>
#include <cstdio>

#include "download/digest.h"
#include "download/retry_budget.h"
#include "platform/file_ops.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

constexpr auto kBackOff = std::chrono::milliseconds(500);

}  // namespace

CCurlDownloader::CCurlDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                                 DownloadOptions options)
    : m_callback(std::move(callback)),
      m_savePath(std::move(savePath)),
      m_url(std::move(url)),
      m_client(m_url, m_savePath, this, &CCurlDownloader::OnClientProgress),
      m_options(std::move(options)),
      m_worker(m_options.makeThread) {
    m_client.SetStallWindow(m_options.stallWindow);
    m_client.SetPartFileOpener(m_options.openPartFile);
    platform::RemoveFile(Utils::ToUtf8(m_client.GetSavePath(true)));
}

CCurlDownloader::~CCurlDownloader() {
    // Stopped first, so that the transfer the abort ends is not taken for a failure.
    m_worker.Stop();
    m_client.Abort();
    m_worker.Shutdown();
}

int CCurlDownloader::Start() {
    if (m_worker.Start(L"ABDEF", [this] { dlThreadFun(); }) ==
        Utils::RestartableWorker::Result::kRefused)
        FailWithoutWorker();
    return 0;
}

void CCurlDownloader::FailWithoutWorker() {
    LOG_TRACE(L"CCurlDownloader::Start", L"no worker thread");
    // No worker of ours uses the client now: the last one has ended or is the caller.
    platform::RemoveFile(Utils::ToUtf8(m_client.GetSavePath(true)));
    m_callback(DL_CODE_START, 1.0, L"");
    m_callback(DL_CODE_FAIL, static_cast<double>(CURLE_FAILED_INIT), L"LibCurl");
}

void CCurlDownloader::OnClientProgress(void* owner, double speed, double /*reserved*/,
                                       double percent) {
    auto* self = static_cast<CCurlDownloader*>(owner);
    // A second in which nothing arrived reports nothing.
    if (speed > 0 && percent <= 100) self->m_callback(DL_CODE_PROGRESS, percent / 100, L"");
}

void CCurlDownloader::dlThreadFun() {
    m_callback(DL_CODE_START, 1.0, L"");
    if (m_savePath.empty()) {
        m_callback(DL_CODE_FAIL, 1.0, L"");
        return;
    }

    int rc = m_client.Start();
    RetryBudget budget;
    while (rc != 0) {
        if (Stopping()) return;
        if (!budget.Spend(rc)) {
            m_callback(DL_CODE_FAIL, static_cast<double>(rc), L"LibCurl");
            return;
        }
        LOG_TRACE(L"CCurlDownloader::dlThreadFun", L"CurlDownLoader Code=%d", rc);
        if (!BackOff()) return;
        rc = m_client.Start();
    }
    if (Stopping()) return;

    bool ok = true;
    const ExpectedDigest expected = ExpectedDigestFromUrl(m_client.RealUrl());
    if (expected.kind != DigestKind::kNone) {
        // Computed while the package arrived: the file is not read a second time.
        const std::string actual = m_client.PackageDigest();
        // An unreadable file (no digest) passes: the package run that follows will tell.
        if (!actual.empty() && actual != expected.hex) {
            m_callback(DL_CODE_FAIL_REASON, 0.0, L"curl文件md5校验失败");
            ok = false;
            if (m_retried) {
                m_callback(DL_CODE_FAIL, 0.0, L"LibCurl");
            } else {
                m_retried = true;
                // The receiver may call Start from inside this call; nothing of this run
                // touches the downloader after it.
                m_callback(DL_CODE_RETRY, 0.0, L"LibCurl");
            }
        }
    } else {
        m_callback(DL_CODE_FAIL_REASON, 0.0, L"curl获取url-md5失败");
    }
    if (ok) m_callback(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}

bool CCurlDownloader::BackOff() {
    return m_worker.Pause(kBackOff);
}
