#include "download/win_downloader.h"

#include <chrono>

#include "sys/text.h"

namespace {

constexpr int kAttempts = 3;
constexpr auto kPause = std::chrono::milliseconds(1000);

}  // namespace

CWinDownloader::CBindCallback::~CBindCallback() {
    m_abort = true;
}

HRESULT CWinDownloader::CBindCallback::OnProgress(uint64_t progress, uint64_t progressMax,
                                                  uint32_t /*statusCode*/,
                                                  const wchar_t* /*statusText*/) {
    if (m_abort) return E_ABORT;
    if (progressMax == 0) return S_OK;
    if (m_callback)
        m_callback(DL_CODE_PROGRESS,
                   static_cast<double>(progress) / static_cast<double>(progressMax), L"");
    return S_OK;
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
      m_download(std::move(download)),
      m_worker(m_options.makeThread) {
    m_bindCallback.SetCallback(m_callback);
}

CWinDownloader::~CWinDownloader() {
    m_worker.Stop();
    m_bindCallback.Abort();
    m_worker.Shutdown();
}

int CWinDownloader::Start() {
    if (m_worker.Start(L"ABDEF", [this] { DownloadWorker(); }) ==
        Utils::RestartableWorker::Result::kRefused)
        FailWithoutWorker();
    return 0;
}

void CWinDownloader::FailWithoutWorker() {
    m_callback(DL_CODE_START, 1.0, L"");
    m_callback(DL_CODE_FAIL, static_cast<double>(E_OUTOFMEMORY), L"URLDownloadToFile");
}

void CWinDownloader::DownloadWorker() {
    m_callback(DL_CODE_START, 1.0, L"");
    if (m_savePath.empty()) {
        m_callback(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::wstring url = m_url.starts_with(L"file:///") ? m_url : UrlEncode(m_url);
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const HRESULT hr = m_download(url, m_savePath, &m_bindCallback);
        if (hr == S_OK) {
            m_callback(DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile");
            return;
        }
        if (!m_worker.Pause(kPause)) return;
        if (attempt == kAttempts)
            m_callback(DL_CODE_FAIL, static_cast<double>(hr), L"URLDownloadToFile");
    }
}

std::wstring CWinDownloader::UrlEncode(const std::wstring& url) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char octet : Utils::ToUtf8(url)) {
        if (octet >= 33 && octet <= 126) {
            encoded += static_cast<char>(octet);
        } else if (octet == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[octet >> 4];
            encoded += kHex[octet & 0xF];
        }
    }
    return Utils::FromUtf8(encoded);
}
