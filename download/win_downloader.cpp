#include "download/win_downloader.h"

#include <chrono>

#include "platform/process.h"
#include "sys/text.h"

namespace {

constexpr int kAttempts = 3;
constexpr auto kPause = std::chrono::milliseconds(1000);

bool IsCurrentThread(const std::unique_ptr<Utils::Thread>& thread) {
    return thread && thread->Id() == platform::CurrentThreadId();
}

}  // namespace

CWinDownloader::CBindCallback::~CBindCallback() {
    m_abort = true;
}

platform::HRESULT CWinDownloader::CBindCallback::OnProgress(uint64_t progress, uint64_t progressMax,
                                                            uint32_t /*statusCode*/,
                                                            const wchar_t* /*statusText*/) {
    if (m_abort) return platform::E_ABORT;
    if (progressMax == 0) return platform::S_OK;
    if (m_callback)
        m_callback(DL_CODE_PROGRESS,
                   static_cast<double>(progress) / static_cast<double>(progressMax), L"");
    return platform::S_OK;
}

CWinDownloader::CWinDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                               DownloadOptions options)
    : CWinDownloader(
          std::move(callback), std::move(url), std::move(savePath),
          [stall = options.stallWindow](const std::wstring& sent, const std::wstring& path,
                                        platform::BindStatusCallback* bindCallback) {
              return platform::URLDownloadToFile(sent, path, bindCallback, stall);
          },
          options) {}

CWinDownloader::CWinDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                               UrlDownload download, DownloadOptions options)
    : m_callback(std::move(callback)),
      m_savePath(std::move(savePath)),
      m_url(std::move(url)),
      m_options(std::move(options)),
      m_worker(MakeThread(m_options, this, L"ABDEF", &CWinDownloader::DownloadWorker)),
      m_download(std::move(download)) {}

CWinDownloader::~CWinDownloader() {
    std::unique_ptr<Utils::Thread> worker;
    std::unique_ptr<Utils::Thread> parked;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        worker = std::move(m_worker);
        parked = std::move(m_parked);
    }
    m_bindCallback.Abort();
    m_wake.notify_all();
    worker.reset();  // joins (a worker never resumed is released without running)
    parked.reset();
}

int CWinDownloader::Start() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_started) {
        // The first run uses the worker the constructor prepared.
        m_bindCallback.SetCallback(m_callback);
        m_started = true;
        if (m_worker) {
            m_worker->Resume();
            return 0;
        }
        lock.unlock();
        FailWithoutWorker();
        return 0;
    }
    // A worker runs once, so every later Start gets a new one, after the previous run has
    // ended (waited for outside the lock: that worker may itself be calling Start).
    while (m_worker && !IsCurrentThread(m_worker) && !m_stopping) {
        std::unique_ptr<Utils::Thread> previous = std::move(m_worker);
        lock.unlock();
        previous.reset();
        lock.lock();
    }
    if (m_stopping) return 0;
    if (m_worker) {
        m_parked = std::move(m_worker);  // our own worker: it returns right after its callback
    } else if (m_parked && !IsCurrentThread(m_parked)) {
        m_parked.reset();
    }
    m_bindCallback.SetCallback(m_callback);
    m_worker = MakeThread(m_options, this, L"ABDEF", &CWinDownloader::DownloadWorker);
    if (m_worker) {
        m_worker->Resume();
        return 0;
    }
    lock.unlock();
    FailWithoutWorker();
    return 0;
}

void CWinDownloader::FailWithoutWorker() {
    m_callback(DL_CODE_START, 1.0, L"");
    m_callback(DL_CODE_FAIL, static_cast<double>(platform::E_OUTOFMEMORY), L"URLDownloadToFile");
}

uint32_t CWinDownloader::DownloadWorker(void* downloader) {
    static_cast<CWinDownloader*>(downloader)->Run();
    return 0;
}

void CWinDownloader::Run() {
    m_callback(DL_CODE_START, 1.0, L"");
    if (m_savePath.empty()) {
        m_callback(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::wstring url = m_url.starts_with(L"file:///") ? m_url : UrlEncode(m_url);
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const platform::HRESULT hr = m_download(url, m_savePath, &m_bindCallback);
        if (hr == platform::S_OK) {
            m_callback(DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile");
            return;
        }
        if (!Pause()) return;
        if (attempt == kAttempts)
            m_callback(DL_CODE_FAIL, static_cast<double>(hr), L"URLDownloadToFile");
    }
}

bool CWinDownloader::Pause() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, kPause, [this] { return m_stopping; });
}

std::wstring CWinDownloader::UrlEncode(const std::wstring& url) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char byte : Utils::ToUtf8(url)) {
        if (byte >= 33 && byte <= 126) {
            encoded += static_cast<char>(byte);
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return Utils::FromUtf8(encoded);
}
