// CurlClient: downloads one file over one libcurl connection into "<save path>.part",
// resuming from that file's size, and renames it to the save path when the transfer ends
// well. Before the transfer it finds the URL the redirects lead to and the remote length.
// Every request follows at most kMaxRedirects redirects, and every request and transfer that
// receives less than a byte a second for the stall window ends with CURLE_OPERATION_TIMEDOUT;
// a transfer that keeps moving has no time limit.
// Used by one thread at a time (its owner's worker); Abort() may come from any thread.
// libcurl's global initialisation is the caller's precondition.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "download/download_options.h"
#include "download/streaming_digest.h"

// Results of Start besides 0 and libcurl's own CURLcode values.
inline constexpr int CC_ERR_FILE_OPEN = -996;  // the part file could not be opened
inline constexpr int CC_ERR_CURL_INIT = -997;  // no easy handle
inline constexpr int CC_ERR_TOO_SMALL = -998;  // remote length unknown or below 1 MiB

// What ends a discovery request besides its connect time-out: a stall (less than 1 byte a
// second for `stallWindow` gives CURLE_OPERATION_TIMEDOUT) and `abort`, when set (may be null;
// read on the requesting thread, set from any).
struct CurlRequestLimits {
    std::chrono::seconds stallWindow = DownloadOptions::kStallWindow;
    const std::atomic<bool>* abort = nullptr;
};

class CurlClient {
public:
    // (owner, speed in bytes per second, reserved 0.0, percent 0 to 100); called at most once
    // a second on the thread that runs Start.
    using ProgressHook = void (*)(void* owner, double speed, double reserved, double percent);

    static constexpr double kMinimumLength = 1048576.0;

    CurlClient(std::wstring url, std::wstring savePath, void* owner, ProgressHook hook);
    // Deletes the part file.
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    std::wstring GetSavePath(bool part) const;
    // Blocks until the transfer ends: 0, a CURLcode, or one of the CC_ERR_ codes.
    int Start();
    // Makes the running request or transfer, and every later one, stop at its next progress
    // call.
    void Abort() { m_abort = true; }
    // Call before Start.
    void SetStallWindow(std::chrono::seconds window) { m_stallWindow = window; }
    void SetPartFileOpener(PartFileOpener opener) { m_openPartFile = std::move(opener); }

    // Real URL and remote length found by the last discovery; kept from one Start to the next.
    const std::string& RealUrl() const { return m_realUrl; }
    double FileLength() const { return m_fileLength; }
    // The digest of the file at the save path, of the kind the real URL names, computed while
    // its bytes arrived (after a Start that returned 0); empty when the URL names no digest or
    // the part file's earlier bytes could not be read back.
    std::string PackageDigest() { return m_digest.Result(); }
    // Reason text of the last CC_ERR_FILE_OPEN.
    const std::wstring& OpenError() const { return m_openError; }

    // Discovery helpers. Head returns a handle (or null) that the caller reads and cleans up.
    static CURL* Head(const std::string& url, const CurlRequestLimits& limits = {});
    // The options of a header-only request that follows redirects, for a caller that performs
    // it on its own handle; the OR of their results.
    static int SetHeaderOnlyOptions(CURL* handle, const std::string& url,
                                    const CurlRequestLimits& limits);
    static std::string GetRealUrl(CURL* handle);
    static double GetDownloadFileLength(CURL* handle);
    static double GetDownloadFileLength_Str(const std::string& url,
                                            const CurlRequestLimits& limits = {});
    static std::string GetRealUrl_Str(const std::string& url, const CurlRequestLimits& limits = {});

private:
    static int ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow,
                                curl_off_t ultotal, curl_off_t ulnow);
    // Appends to the part file and tells the digest how far it reaches.
    static size_t WriteToFile(char* data, size_t size, size_t count, void* client);
    static size_t DiscardBody(char* data, size_t size, size_t count, void* unused);
    // The stall window and the redirect limit every request and transfer gets; the OR of
    // the option results.
    static int SetStallAndRedirectLimits(CURL* handle, std::chrono::seconds stallWindow);
    // Those, and the abort flag of `limits` when there is one.
    static int SetRequestLimits(CURL* handle, const CurlRequestLimits& limits);
    // Flushes and closes the part file of a transfer that ended with `result` and, when that
    // is 0, renames it to the save path. A failed flush, close or rename removes the part file
    // and gives CURLE_WRITE_ERROR; otherwise `result` is returned.
    int FinishPartFile(FILE* file, int result, const std::string& partPath,
                       const std::string& finalPath);

    std::wstring m_url;
    std::wstring m_savePath;
    void* m_owner;
    CURL* m_curl = nullptr;
    ProgressHook m_progressHook;
    double m_fileLength = -1.0;
    int64_t m_resumeOffset = -1;
    int64_t m_lastProgressTime = 0;
    curl_off_t m_lastProgressBytes = 0;  // dlnow at the last progress evaluation
    std::atomic<bool> m_abort{false};
    std::wstring m_openError;
    std::string m_realUrl;
    std::chrono::seconds m_stallWindow = DownloadOptions::kStallWindow;
    PartFileOpener m_openPartFile;  // empty: fopen "ab+"
    FILE* m_partFile = nullptr;     // open during a transfer
    // Follows the part file during a transfer, from its first byte.
    StreamingDigest m_digest;
    size_t m_digestIndex = 0;
    bool m_digestFollows = false;  // the real URL names a digest
    uint64_t m_partBytes = 0;      // bytes the part file holds; written by the transfer only
};
