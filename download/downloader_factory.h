// Picks the downloader for the DownloadType setting: 2 the system downloader, 3 the
// multi-part downloader, any other value the single-connection one. The caller owns it.
#pragma once

#include <memory>
#include <string>

#include "download/download_options.h"
#include "download/downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StageCallback callback,
                                              const std::wstring& url, const std::wstring& savePath,
                                              const DownloadOptions& options = {});
