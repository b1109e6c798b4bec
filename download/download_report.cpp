#include "download/download_report.h"

#include <memory>
#include <mutex>

namespace {

std::mutex g_mutex;
std::shared_ptr<const DownloadTaskReporter> g_reporter;

}  // namespace

void SetDownloadTaskReporter(DownloadTaskReporter reporter) {
    auto next =
        reporter ? std::make_shared<const DownloadTaskReporter>(std::move(reporter)) : nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_reporter = std::move(next);
}

void ReportDownloadTask(const std::wstring& name, float elapsedSeconds, const std::wstring& reason,
                        const std::map<std::wstring, std::wstring>& extra) {
    std::shared_ptr<const DownloadTaskReporter> reporter;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        reporter = g_reporter;
    }
    // Called outside the lock: a reporter may take its time (it uploads) or set another.
    if (reporter) (*reporter)(name, elapsedSeconds, reason, extra);
}
