#include "download/curl_downloader.h"

#include <chrono>
#include <cstdio>

#include "download/md5.h"
#include "download/retry_budget.h"
#include "platform/process.h"
#include "sys/log.h"
#include "sys/text.h"

namespace {

constexpr auto kBackOff = std::chrono::milliseconds(500);

bool IsCurrentThread(const std::unique_ptr<Utils::Thread>& thread) {
    return thread && thread->Id() == platform::CurrentThreadId();
}

}  // namespace

CCurlDownloader::CCurlDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                                 DownloadOptions options)
    : m_callback(std::move(callback)),
      m_savePath(std::move(savePath)),
      m_url(std::move(url)),
      m_client(m_url, m_savePath, this, &CCurlDownloader::OnClientProgress),
      m_options(std::move(options)) {
    m_client.SetStallWindow(m_options.stallWindow);
    m_client.SetPartFileOpener(m_options.openPartFile);
    std::remove(Utils::WideToNarrow(m_client.GetSavePath(true), 0).c_str());
}

CCurlDownloader::~CCurlDownloader() {
    std::unique_ptr<Utils::Thread> worker;
    std::unique_ptr<Utils::Thread> parked;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        worker = std::move(m_thread);
        parked = std::move(m_parked);
    }
    m_client.Abort();
    m_wake.notify_all();
    worker.reset();  // joins
    parked.reset();
}

int CCurlDownloader::Start() {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Runs never overlap: wait for the previous worker, outside the lock because that
    // worker may itself be calling Start from its callback.
    while (m_thread && !IsCurrentThread(m_thread) && !m_stopping) {
        std::unique_ptr<Utils::Thread> previous = std::move(m_thread);
        lock.unlock();
        previous.reset();
        lock.lock();
    }
    if (m_stopping) return 0;
    if (m_thread) {
        // Called from our own worker's callback: that worker returns right after it, so it
        // is parked here and joined by the next Start or the destructor, never by itself.
        m_parked = std::move(m_thread);
    } else if (m_parked && !IsCurrentThread(m_parked)) {
        m_parked.reset();
    }
    m_thread = MakeThread(m_options, this, L"ABDEF", &CCurlDownloader::dlThreadFun);
    if (m_thread) {
        m_thread->Resume();
        return 0;
    }
    lock.unlock();
    FailWithoutWorker();
    return 0;
}

void CCurlDownloader::FailWithoutWorker() {
    LOG_TRACE(L"CCurlDownloader::Start", L"no worker thread");
    // No worker of ours uses the client now: the last one has ended or is the caller.
    std::remove(Utils::WideToNarrow(m_client.GetSavePath(true), 0).c_str());
    m_callback(DL_CODE_START, 1.0, L"");
    m_callback(DL_CODE_FAIL, static_cast<double>(CURLE_FAILED_INIT), L"LibCurl");
}

void CCurlDownloader::OnClientProgress(void* owner, double speed, double /*reserved*/,
                                       double percent) {
    auto* self = static_cast<CCurlDownloader*>(owner);
    // A second in which nothing arrived reports nothing.
    if (speed > 0 && percent <= 100) self->m_callback(DL_CODE_PROGRESS, percent / 100, L"");
}

uint32_t CCurlDownloader::dlThreadFun(void* downloader) {
    static_cast<CCurlDownloader*>(downloader)->Run();
    return 0;
}

void CCurlDownloader::Run() {
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
    const std::string expected = Md5FromUrl(m_client.RealUrl());
    if (expected.size() == 32) {
        const std::string actual = FileMd5(Utils::WideToNarrow(m_client.GetSavePath(false), 0));
        // An unreadable file (no digest) passes: the package run that follows will tell.
        if (actual.size() == 32 && actual != expected) {
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
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, kBackOff, [this] { return m_stopping; });
}

bool CCurlDownloader::Stopping() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping;
}
