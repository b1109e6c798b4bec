// The download code's seam to the installer's usage reporting: a failed length query sends
// its "下载失败原因" task event here. Does nothing until the analytics layer sets a reporter.
// Reports come from download worker threads; setting the reporter is safe on any thread.
#pragma once

#include <functional>
#include <map>
#include <string>

using DownloadTaskReporter =
    std::function<void(const std::wstring& name, float elapsedSeconds, const std::wstring& reason,
                       const std::map<std::wstring, std::wstring>& extra)>;

// Replaces the reporter; an empty one restores "do nothing".
void SetDownloadTaskReporter(DownloadTaskReporter reporter);

void ReportDownloadTask(const std::wstring& name, float elapsedSeconds, const std::wstring& reason,
                        const std::map<std::wstring, std::wstring>& extra);
