// CMTCurlDownloader: the multi-part downloader. A run asks the server once for the real URL
// and the length (both kept for later runs), cuts the package into one part below 20 MiB and
// two parts from there on, fetches each part into "<save path>_<i>" on its own thread with
// its own retry budget, then a finishing thread joins the parts at the save path and checks
// the digest taken from the real URL (hashed while the parts arrive). After a DL_CODE_RETRY that
// followed reported progress the next run resumes the part files.
//
// Threads of a run: the start thread "ABDEF" (DL_CODE_START, a failed discovery), one thread
// per part transfer (DL_CODE_PROGRESS, sent in order under the downloader's lock, so the
// receiver must not call Start from it), and the finishing thread (every other code). A run
// one of whose threads the system refuses (a process or memory limit) ends at once with
// DL_CODE_FAIL (CURLE_FAILED_INIT) and no part files: sent by the start thread, or by Start
// itself (after DL_CODE_START) when the start thread is the one refused.
// Start may be called from inside the callback (the answer to DL_CODE_RETRY): it then does
// not wait for the calling thread, which returns right after the callback; otherwise it
// waits until every thread of the previous run has ended. Destroying the downloader stops
// the transfers, waits for every thread, sends nothing further and deletes the part files.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/digest.h"
#include "download/download_options.h"
#include "download/downloader.h"
#include "download/streaming_digest.h"
#include "sys/restartable_worker.h"

class CMTCurlDownloader : public CDownloader {
public:
    // Part states besides 0 (complete) and the CURLcode of the part's last transfer.
    static constexpr int kPartPending = -1;
    static constexpr int kPartFileError = -2;  // the part file could not be opened or joined

    // One byte range of the package and its part file. Written by its own part thread only.
    struct DownloadPartNode {
        FILE* file = nullptr;  // open for appending; null when closed
        int64_t start = 0;     // package offset of the next byte to fetch
        int64_t end = 0;       // package offset of the part's last byte (inclusive)
        CURL* curl = nullptr;  // one handle per part, reused across retries
        std::string url;
        std::string partPath;  // ANSI code page
        int state = kPartPending;
        // Bytes of this part on disk; read by the progress of the other part's thread.
        std::atomic<int64_t> downloaded{0};
        int64_t packageLength = 0;
        // Whether the answer of the running transfer is the requested range; decided at its
        // first byte.
        bool answerChecked = false;
        bool answerAccepted = false;
        // Told how far the part file reaches after every write; null when nothing is hashed.
        StreamingDigest* digest = nullptr;
        size_t digestIndex = 0;
    };

    // Deletes the file at the save path and both part files, so a new downloader never
    // resumes the files of an earlier process.
    CMTCurlDownloader(StageCallback callback, std::wstring url, std::wstring savePath,
                      DownloadOptions options = {});
    ~CMTCurlDownloader() override;
    CMTCurlDownloader(const CMTCurlDownloader&) = delete;
    CMTCurlDownloader& operator=(const CMTCurlDownloader&) = delete;

    int Start() override;

    // Steps of a run, public so that a support tool or a test can drive one alone.
    // Discovery: one header-only request that follows redirects; true when it found a real
    // URL and a length above 255 bytes (kept with the digest from the URL for later runs).
    bool getRealDownloadUrl(const std::string& url);
    // One ranged transfer of `part`, asking only for its missing bytes: 0 or a CURLcode.
    static int downloadExe(CMTCurlDownloader* downloader, DownloadPartNode* part);
    // The write function of a part transfer: appends what belongs to the part, never past
    // its last byte, and only to an answer that is the requested range.
    static size_t PartWrite(char* data, size_t size, size_t count, void* part);

private:
    static int PartProgress(void* downloader, curl_off_t dltotal, curl_off_t dlnow,
                            curl_off_t ultotal, curl_off_t ulnow);
    void Start_Down();
    void downloadThreadFun(DownloadPartNode* part);
    void waitForFinishThreadFun();
    // Appends part files 1.. to part file 0 (a copy inside the kernel) and renames it to the
    // save path.
    bool JoinParts(const std::string& savePath);
    // Sends DL_CODE_RETRY the first time, DL_CODE_FAIL afterwards (finishing thread).
    void EndFailedRun(int failState);
    void ReleaseParts();
    void DeletePartFiles();
    std::string PartPath(size_t index) const;

    // Ends the run whose part or finishing thread could not be created (start thread): stops
    // the parts that did start, waits for them, removes the part files, sends DL_CODE_FAIL.
    void AbandonRun();
    bool Stopping() const { return m_worker.Stopped(); }
    // The run is being abandoned: its part transfers stop and their retry pauses end.
    bool Abandoning() const { return m_worker.Interrupted(); }

    std::vector<std::unique_ptr<DownloadPartNode>> m_parts;
    StageCallback m_callback;
    std::wstring m_savePath;
    std::wstring m_url;
    std::string m_realUrl;
    int64_t m_fileLength = -1;  // 64 bits: a package of 2 GiB or more is not cut short
    ExpectedDigest m_expectedDigest;
    // The package's digest over the part files in order, computed while they are written: part
    // 0 as it arrives, then part 1 (what of it is there already, and the rest during the join).
    StreamingDigest m_digest;
    double m_lastPercent = 0.0;  // guarded by m_mutex
    int m_running = 0;           // guarded by m_mutex
    std::mutex m_mutex;
    std::condition_variable m_partEnded;  // m_running went down
    int64_t m_lastProgressTime = 0;       // guarded by m_mutex
    bool m_retried = false;
    DownloadOptions m_options;
    // The start thread, the part threads and the finishing thread of each run; its stop is the
    // downloader going away, its interruption an abandoned run.
    Utils::RestartableWorker m_worker;
};
