#include "download/downloader_factory.h"

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StageCallback callback,
                                              const std::wstring& url, const std::wstring& savePath,
                                              const DownloadOptions& options) {
    switch (downloadType) {
        case 2:
            return std::make_unique<CWinDownloader>(std::move(callback), url, savePath, options);
        case 3:
            return std::make_unique<CMTCurlDownloader>(std::move(callback), url, savePath, options);
        default:
            return std::make_unique<CCurlDownloader>(std::move(callback), url, savePath, options);
    }
}
