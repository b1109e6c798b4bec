// The system URL download (URLDownloadToFile): fetches a URL into a file on the calling
// thread, reporting (progress, progressMax) pairs to a bind-status handler that can stop it
// with E_ABORT. Failures are the HRESULTs the system gives. The file appears at the path only
// once the whole download has arrived; a failed download leaves nothing behind.
// Any thread may download (two downloads to the same file at once are not supported); the
// handler is called on that thread.
// Linux: a stand-in over libcurl, whose global initialisation is the caller's precondition.
// Windows: the system's own, with COM initialised on the calling thread for the call. The
// system would save an HTTP error answer as the file and report success; that answer fails
// the download instead, as on Linux: 404 and 410 with INET_E_OBJECT_NOT_FOUND, any other with
// INET_E_DOWNLOAD_FAILURE. Redirects, certificates and the connection's timeout are the
// system's own, and the system keeps a copy of the download in its internet cache.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
// windows.h first: urlmon.h depends on its types.
#include <urlmon.h>
#else
// The system's result codes and bind-status codes under their system names, as the Windows
// headers give them there.
using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT INET_E_INVALID_URL = static_cast<HRESULT>(0x800C0002u);
inline constexpr HRESULT INET_E_CANNOT_CONNECT = static_cast<HRESULT>(0x800C0004u);
inline constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005u);
inline constexpr HRESULT INET_E_OBJECT_NOT_FOUND = static_cast<HRESULT>(0x800C0006u);
inline constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008u);
inline constexpr HRESULT INET_E_CONNECTION_TIMEOUT = static_cast<HRESULT>(0x800C000Bu);
inline constexpr HRESULT INET_E_UNKNOWN_PROTOCOL = static_cast<HRESULT>(0x800C000Du);
inline constexpr HRESULT INET_E_SECURITY_PROBLEM = static_cast<HRESULT>(0x800C000Eu);
inline constexpr HRESULT INET_E_INVALID_CERTIFICATE = static_cast<HRESULT>(0x800C0019u);

// The bind-status codes the download reports with its progress.
enum BINDSTATUS : uint32_t {
    BINDSTATUS_CONNECTING = 2,         // before the first byte; progressMax 0
    BINDSTATUS_BEGINDOWNLOADDATA = 4,  // the first data
    BINDSTATUS_DOWNLOADINGDATA = 5,
    BINDSTATUS_ENDDOWNLOADDATA = 6,  // everything arrived; progress equals progressMax
};
#endif

namespace platform {

// A system error code as an HRESULT (facility 7), e.g. 3 "path not found", 5 "access denied".
constexpr HRESULT HResultFromWin32(uint32_t error) {
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

// The progress part of the bind-status callback handed to the download.
class BindStatusCallback {
public:
    virtual ~BindStatusCallback() = default;
    // progressMax is 0 while the length is unknown. E_ABORT stops the download, which then
    // returns E_ABORT; any other answer lets it go on.
    virtual HRESULT OnProgress(uint64_t progress, uint64_t progressMax, uint32_t statusCode,
                               const wchar_t* statusText) = 0;
};

// How long any HTTP request of the installer, this download's included, waits for its
// connection to be made.
inline constexpr long kConnectTimeoutSeconds = 60;
// Redirects any request of the installer follows at most: a real download needs one or two,
// and a redirect loop would otherwise go on for thousands of requests.
inline constexpr long kMaxRedirects = 20;
// Fewer bytes a second than this, for a whole stall window, is a stall.
inline constexpr long kStallBytesPerSecond = 1;

// A download that receives less than 1 byte a second for this long has stalled and fails
// with INET_E_CONNECTION_TIMEOUT.
// Windows: the system has no such option and reports only when something happens, so a stall
// is seen when it ends: a report that comes a whole window after the last new byte fails the
// download. A server that accepts and then sends nothing, or stops in the middle, gives no
// report at all; only a receive timeout of the system's own could end such a download (Wine 8
// has none: it waited for more than 15 minutes).
inline constexpr std::chrono::seconds kDownloadStallWindow{60};

// Downloads `url` (redirects followed, certificates checked) to the file `path`, replacing an
// existing file. Blocks until the download has ended. `callback` may be null.
// Windows: the system's header makes this name URLDownloadToFileW, here as at every caller.
HRESULT URLDownloadToFile(const std::wstring& url, const std::wstring& path,
                          BindStatusCallback* callback,
                          std::chrono::seconds stallWindow = kDownloadStallWindow);

}  // namespace platform
