#include "analytics/installer_reporting.h"

#include <atomic>
#include <memory>

#include "analytics/ov_context_properties.h"
#include "analytics/ov_exception.h"
#include "analytics/tracker_holder.h"
#include "sys/text.h"

namespace orvane::analytics {
namespace {

std::atomic<bool> g_enabled{true};

bool Enabled() {
    return g_enabled.load();
}

// The context carrying the A/B label for events of `type`.
OvContextProperties AbContext(const ExtraProperties& extra, OvEventType type) {
    OvContextProperties context;
    const auto it = extra.find(L"AB");
    if (it == extra.end()) return context;
    const std::string label = Utils::ToUtf8(it->second);
    try {
        if (OvContextProperties::isValidABValue(label))
            context.setProperty(label, {static_cast<int>(type)});
    } catch (const OvException&) {
        // A malformed label costs the label, not the event.
    }
    return context;
}

}  // namespace

void SetReportingEnabled(bool enabled) {
    g_enabled = enabled;
}

void ReportTaskEvent(const std::wstring& name, float elapsedSeconds, const std::wstring& reason,
                     ExtraProperties extra) {
    if (!Enabled()) return;
    OvContextProperties context = AbContext(extra, OvEventType::Task);
    OvEventTask event;
    event.name = Utils::ToUtf8(name);
    event.reason = Utils::ToUtf8(reason);
    event.elapsed = std::make_shared<float>(elapsedSeconds);
    event.result = std::make_shared<OvResult>(OvResult::Success);
    WithTracker([event = std::move(event), context = std::move(context)](AnalyticsTracker& t) {
        t.trackTask(event, context);
    });
}

void ReportClickEvent(const std::wstring& name, ExtraProperties extra) {
    if (!Enabled()) return;
    OvContextProperties context = AbContext(extra, OvEventType::Click);
    OvEventClick event;
    event.name = Utils::ToUtf8(name);
    event.clickType = OvClickType::Button;
    WithTracker([event = std::move(event), context = std::move(context)](AnalyticsTracker& t) {
        t.trackClick(event, context);
    });
}

void ReportInstallingView(ExtraProperties extra) {
    if (!Enabled()) return;
    OvContextProperties context = AbContext(extra, OvEventType::View);
    OvEventView event;
    event.name = Utils::ToUtf8(L"安装中");
    WithTracker([event = std::move(event), context = std::move(context)](AnalyticsTracker& t) {
        t.trackView(event, context);
    });
}

void ReportCrash() {
    if (!Enabled()) return;
    WithTracker([reason = Utils::ToUtf8(L"崩溃")](AnalyticsTracker& t) { t.trackCrash(reason); });
}

}  // namespace orvane::analytics
