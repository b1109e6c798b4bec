// The installer's own usage reports: task events named by a short phrase, button clicks, the
// installing page and the crash. Each checks whether reporting is enabled, builds one event with
// the caller's A/B group as context property "ovc_ab" and hands it to the process-wide tracker
// (held until the tracker exists). Callable on any thread, the crashing one included; nothing
// is reported back.
#pragma once

#include <map>
#include <string>

namespace orvane::analytics {

// Only the key "AB" (the A/B group label) is read. A label the context properties refuse is
// left out; the event still goes.
using ExtraProperties = std::map<std::wstring, std::wstring>;

// Whether the reports below go anywhere (the installer's IsEnableAppAnalytics setting, handed
// over at start-up and again once the switches have been read). On by default. Any thread.
void SetReportingEnabled(bool enabled);

void ReportTaskEvent(const std::wstring& name, float elapsedSeconds, const std::wstring& reason,
                     ExtraProperties extra);
void ReportClickEvent(const std::wstring& name, ExtraProperties extra);
// The view "安装中".
void ReportInstallingView(ExtraProperties extra);
// The crash event with the reason "崩溃".
void ReportCrash();

}  // namespace orvane::analytics
