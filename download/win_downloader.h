// CWinDownloader: the system downloader. Each run (Start) hands the package URL to the system
// URL download on a worker thread named "ABDEF", up to three attempts 1 s apart, and watches
// its progress through the embedded CBindCallback. No resume, no digest check, never a
// DL_CODE_RETRY. Every callback call comes from the worker, except when the system refuses
// to create it (a process or memory limit): Start itself then ends the run at once with
// DL_CODE_START and DL_CODE_FAIL (E_OUTOFMEMORY).
//
// Every Start gets a fresh run on a new worker. Start waits for the previous worker first,
// except when called from that worker's own callback. Destroying the downloader stops a
// running download, waits for the worker and sends nothing further.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "download/download_options.h"
#include "download/downloader.h"
#include "platform/url_download.h"
#include "sys/restartable_worker.h"

class CWinDownloader : public CDownloader {
public:
    // The system download; replaceable so that a test can watch the attempts.
    using UrlDownload = std::function<HRESULT(const std::wstring& url, const std::wstring& path,
                                              platform::BindStatusCallback* callback)>;

    // Receives the system download's progress; lives inside its downloader.
    class CBindCallback : public platform::BindStatusCallback {
    public:
        // Sets m_abort: a download still reporting to it stops at its next report.
        ~CBindCallback() override;
        // E_ABORT once aborted; a report without a length (progressMax 0) is not passed on.
        HRESULT OnProgress(uint64_t progress, uint64_t progressMax, uint32_t statusCode,
                           const wchar_t* statusText) override;
        void SetCallback(StageCallback callback) { m_callback = std::move(callback); }
        void Abort() { m_abort = true; }

    private:
        StageCallback m_callback;
        std::atomic<bool> m_abort{false};
    };

    // The system download with the options' stall window.
    CWinDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                   DownloadOptions options = {});
    // A replaced system download; the options' stall window is then the download's business.
    CWinDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                   UrlDownload download, DownloadOptions options = {});
    ~CWinDownloader() override;
    CWinDownloader(const CWinDownloader&) = delete;
    CWinDownloader& operator=(const CWinDownloader&) = delete;

    int Start() override;

    // The URL as handed to the system: its UTF-8 bytes from 33 to 126 unchanged, a space as
    // "+", every other byte as "%" and two upper-case hexadecimal digits.
    static std::wstring UrlEncode(const std::wstring& url);

private:
    void DownloadWorker();
    // The run of a Start whose worker could not be created; on the caller's thread.
    void FailWithoutWorker();

    CBindCallback m_bindCallback;
    StageCallback m_callback;
    std::wstring m_savePath;
    std::wstring m_url;
    DownloadOptions m_options;
    UrlDownload m_download;
    Utils::RestartableWorker m_worker;
};
