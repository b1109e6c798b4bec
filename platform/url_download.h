// The system URL download (URLDownloadToFile): fetches a URL into a file on the calling
// thread, reporting (progress, progressMax) pairs to a bind-status handler that can stop it
// with E_ABORT. Failures are the HRESULTs the system gives. The file appears at the path only
// once the whole download has arrived; a failed download leaves nothing behind.
// Any thread may download (two downloads to the same file at once are not supported); the
// handler is called on that thread. libcurl's global
// initialisation is the caller's precondition.
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
inline constexpr std::chrono::seconds kDownloadStallWindow{60};

// Downloads `url` (redirects followed, certificates checked) to the file `path`, replacing an
// existing file. Blocks until the download has ended. `callback` may be null.
HRESULT URLDownloadToFile(const std::wstring& url, const std::wstring& path,
                          BindStatusCallback* callback,
                          std::chrono::seconds stallWindow = kDownloadStallWindow);

}  // namespace platform
