// The system URL download of platform/url_download.h: the system's URLDownloadToFileW with a
// bind-status callback of our own, into a side file that is renamed once the download is whole.
#include <atomic>
#include <chrono>
#include <cstring>

#include "platform/url_download.h"

namespace platform {
namespace {

constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kFirstHttpError = 400;

// The result for an HTTP error answer (which the system download itself would save as if it
// were the file), in the system's codes and as the Linux stand-in gives it.
HRESULT HResultFromHttpStatus(DWORD status) {
    return status == 404 || status == 410 ? INET_E_OBJECT_NOT_FOUND : INET_E_DOWNLOAD_FAILURE;
}

// The file the download goes to until it is complete, next to the target so that the final
// rename stays on one volume. Its name depends on the target only, so that the side file of a
// download that was killed is found, and replaced, by the next download of the same target.
std::wstring SideFileName(const std::wstring& path) {
    return path + L".~dl";
}

// What the system reports to: passes the progress on to the caller's handler, stops a
// download whose bytes stopped coming, and sees the HTTP answer (IHttpNegotiate). The system
// calls it on the downloading thread; it is reference-counted as COM objects are and deletes
// itself with its last reference.
// COM interfaces have no virtual destructor; the object is only ever deleted by Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class StatusCallback final : public IBindStatusCallback, public IHttpNegotiate {
public:
    StatusCallback(BindStatusCallback* handler, std::chrono::seconds stallWindow)
        : m_handler(handler), m_stallWindow(stallWindow) {}
    StatusCallback(const StatusCallback&) = delete;
    StatusCallback& operator=(const StatusCallback&) = delete;

    bool Aborted() const { return m_aborted; }
    bool Stalled() const { return m_stalled; }
    // The status of the last HTTP answer; 0 before one (or for another protocol).
    DWORD HttpStatus() const { return m_httpStatus; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(id, __uuidof(IUnknown)) || IsEqualIID(id, __uuidof(IBindStatusCallback))) {
            *object = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(id, __uuidof(IHttpNegotiate))) {
            *object = static_cast<IHttpNegotiate*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }

    // The system reports only when something happens, so a stall is seen when it ends: the
    // report after a gap of a whole stall window stops the download.
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastData >= m_stallWindow) {
            m_stalled = true;
            return Abort();
        }
        if (progress != m_lastProgress) {
            m_lastProgress = progress;
            m_lastData = now;
        }
        if (m_handler != nullptr &&
            m_handler->OnProgress(progress, progressMax, statusCode,
                                  statusText != nullptr ? statusText : L"") == E_ABORT) {
            return Abort();
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }

    // Always from the server: a copy of the same URL in the system's internet cache could be
    // an older package.
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override {
        if (flags == nullptr || info == nullptr) return E_INVALIDARG;
        *flags = BINDF_GETNEWESTVERSION;
        const ULONG size = info->cbSize;  // the caller's version of the structure
        std::memset(info, 0, size);
        info->cbSize = size;
        return S_OK;
    }

    // The download goes to the file; the data and the object are not asked for.
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // No headers of our own.
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                   LPWSTR* additionalHeaders) override {
        if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
        return S_OK;
    }

    // Called with the answer that ends the redirects. An error answer stops the download
    // before its body: the system would save that body as the file and report success.
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR, LPCWSTR,
                                         LPWSTR* additionalRequestHeaders) override {
        if (additionalRequestHeaders != nullptr) *additionalRequestHeaders = nullptr;
        m_httpStatus = status;
        return status >= kFirstHttpError ? E_ABORT : S_OK;
    }

private:
    ~StatusCallback() = default;

    HRESULT Abort() {
        m_aborted = true;
        return E_ABORT;
    }

    std::atomic<ULONG> m_references{1};
    BindStatusCallback* const m_handler;
    const std::chrono::seconds m_stallWindow;
    ULONG m_lastProgress = 0;
    std::chrono::steady_clock::time_point m_lastData = std::chrono::steady_clock::now();
    bool m_aborted = false;
    bool m_stalled = false;
    DWORD m_httpStatus = 0;
};
#pragma GCC diagnostic pop

// COM on the calling thread for the time of one download: apartment-threaded, as the system
// download wants it; a thread that already has COM in the other model keeps it.
class ComForThisCall {
public:
    ComForThisCall() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComForThisCall() {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

    bool Usable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return m_result; }

private:
    const HRESULT m_result;
};

}  // namespace

HRESULT URLDownloadToFile(const std::wstring& url, const std::wstring& path,
                          BindStatusCallback* callback, std::chrono::seconds stallWindow) {
    if (path.empty()) return HResultFromWin32(kErrorInvalidParameter);
    const ComForThisCall com;
    if (!com.Usable()) return com.Result();

    // Made here first, so that a folder that is missing or not writable fails before any
    // transfer, with the system's error for it.
    const std::wstring sidePath = SideFileName(path);
    DeleteFileW(sidePath.c_str());  // stale, from a download that never ended
    const HANDLE side = CreateFileW(sidePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (side == INVALID_HANDLE_VALUE) return HResultFromWin32(GetLastError());
    CloseHandle(side);

    auto* status = new StatusCallback(callback, stallWindow);
    HRESULT hr = ::URLDownloadToFileW(nullptr, url.c_str(), sidePath.c_str(), 0, status);
    if (SUCCEEDED(hr)) hr = S_OK;
    // Our own stops decide the result, whatever the system made of them.
    if (status->HttpStatus() >= kFirstHttpError) {
        hr = HResultFromHttpStatus(status->HttpStatus());
    } else if (status->Aborted()) {
        hr = status->Stalled() ? INET_E_CONNECTION_TIMEOUT : E_ABORT;
    }
    status->Release();

    if (hr == S_OK && !MoveFileExW(sidePath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        hr = HResultFromWin32(GetLastError());
    if (hr != S_OK) DeleteFileW(sidePath.c_str());
    return hr;
}

}  // namespace platform
