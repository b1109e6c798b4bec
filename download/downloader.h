// CDownloader: the one interface behind which a downloader fetches the package from a URL
// to a save path, and the download codes it sends through its StageCallback. The callback is
// called on the downloader's worker threads only, never on the caller of Start.
#pragma once

#include "sys/stage_callback.h"

// Codes of one run: START first, any PROGRESS, at most one FAIL_REASON, then exactly one of
// SUCCESS, FAIL or RETRY. The receiver answers RETRY by calling Start again.
inline constexpr int DL_CODE_START = 1001;        // value 1.0
inline constexpr int DL_CODE_PROGRESS = 1002;     // value: fraction done, 0 to 1
inline constexpr int DL_CODE_SUCCESS = 1003;      // the verified file is at the save path
inline constexpr int DL_CODE_FAIL = 1004;         // value: the failing code
inline constexpr int DL_CODE_RETRY = 1005;        // sent at most once per downloader
inline constexpr int DL_CODE_FAIL_REASON = 1006;  // digest diagnostic; never ends a run

class CDownloader {
public:
    virtual ~CDownloader() = default;
    // Begins (or begins again) a run on the downloader's own worker and returns at once.
    virtual int Start() = 0;
};
