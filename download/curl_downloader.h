// CCurlDownloader: the single-connection downloader. Each run (Start) fetches the package
// with one CurlClient on a worker thread named "ABDEF", retries failed transfers within a
// budget, resuming the part file, and checks the file's MD5 against the digest in the real
// URL. Every callback call comes from that worker, except when the system refuses to create
// it (a process or memory limit): Start itself then ends the run at once with DL_CODE_START
// and DL_CODE_FAIL (CURLE_FAILED_INIT) and removes the part file.
//
// Start may be called from inside the callback (the answer to DL_CODE_RETRY): it then does
// not wait for its own worker, which returns right after the callback. Destroying the
// downloader stops a running transfer, waits for the worker, and sends nothing further.
#pragma once

#include <string>

#include "download/curl_client.h"
#include "download/download_options.h"
#include "download/downloader.h"
#include "sys/restartable_worker.h"

class CCurlDownloader : public CDownloader {
public:
    // Deletes a part file left at the save path, so a new downloader never resumes the file
    // of an earlier process.
    CCurlDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                    DownloadOptions options = {});
    ~CCurlDownloader() override;
    CCurlDownloader(const CCurlDownloader&) = delete;
    CCurlDownloader& operator=(const CCurlDownloader&) = delete;

    int Start() override;

private:
    static void OnClientProgress(void* owner, double speed, double reserved, double percent);
    void dlThreadFun();
    // The run of a Start whose worker could not be created; on the caller's thread.
    void FailWithoutWorker();
    // Waits out the pause between two tries; false when the downloader is being destroyed.
    bool BackOff();
    bool Stopping() const { return m_worker.Stopped(); }

    StageCallback m_callback;
    std::wstring m_savePath;
    std::wstring m_url;
    CurlClient m_client;
    bool m_retried = false;
    DownloadOptions m_options;
    Utils::RestartableWorker m_worker;
};
