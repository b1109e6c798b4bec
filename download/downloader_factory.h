// Picks the downloader for the DownloadType setting. The caller owns the result.
#pragma once

#include <memory>
#include <string>

#include "download/downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StageCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& savePath);
