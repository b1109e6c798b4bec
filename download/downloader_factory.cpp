#include "download/downloader_factory.h"

#include "download/curl_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StageCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& savePath) {
    // Type 2 (system downloader) and type 3 (multi-part) join this switch when those
    // downloaders exist; until then every type gets the single-connection downloader.
    switch (downloadType) {
        default:
            return std::make_unique<CCurlDownloader>(std::move(callback), url, savePath);
    }
}
