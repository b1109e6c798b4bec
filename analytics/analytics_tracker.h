// AnalyticsTracker: what the installer sees of usage analytics, one operation per business
// event. Created once from a TrackerConfig (see analytics_tracker_factory.h) and held in one
// process-wide shared pointer; every operation may be called from any thread. Failures never
// reach the caller of the wrapper the factory returns.
#pragma once

#include <string>

#include "analytics/ov_context_properties.h"
#include "analytics/ov_events.h"
#include "analytics/track_logger.h"

namespace orvane::analytics {

struct TrackerConfig {
    std::string appName;     // required
    std::string appVersion;  // required
    std::string appStore;    // distribution channel; required
    std::string dlAppId;     // the application the installer delivers; optional
    std::string dlAppVersion;
    std::string logFilePath;  // empty: the default log file
    int edition = 0;          // 0 "china", 1 "overseas"
    std::string serverUrl;    // empty: the default collection URL
};

class AnalyticsTracker {
public:
    virtual ~AnalyticsTracker() = default;

    virtual void trackActivity(const OvContextProperties& context) = 0;
    virtual void trackLaunch(const OvContextProperties& context) = 0;
    virtual void trackLogin(const OvUser& user, bool success, const std::string& reason,
                            const OvContextProperties& context) = 0;
    virtual void trackClick(const OvEventClick& event, const OvContextProperties& context) = 0;
    virtual void trackView(const OvEventView& event, const OvContextProperties& context) = 0;
    virtual void trackCashier(const OvEventCashier& event, const OvContextProperties& context) = 0;
    virtual void trackShare(const OvEventShare& event, const OvContextProperties& context) = 0;
    virtual void trackTask(const OvEventTask& event, const OvContextProperties& context) = 0;
    virtual void trackFile(const OvEventFile& event, const OvContextProperties& context) = 0;
    virtual void trackOrder(const OvEventOrder& event, const OvContextProperties& context) = 0;
    virtual void trackPayment(const OvEventPayment& event, const OvContextProperties& context) = 0;
    virtual void trackUninstall(const std::string& reason, const OvContextProperties& context) = 0;
    virtual void trackCrash(const std::string& reason) = 0;
    virtual void trackUpdate(const OvEventUpdate& event, const OvContextProperties& context) = 0;
    // A null event is refused.
    virtual void trackAppOpenNotification(const OvEventAppOpenNotification* event,
                                          const OvContextProperties& context) = 0;
    virtual void setLocale(const std::string& locale) = 0;  // e.g. "zh_CN"
    virtual std::string getPrimaryDistinctId() = 0;
    // Owned by the tracker; null when there is none.
    virtual TrackLogger* getLogger() = 0;
};

}  // namespace orvane::analytics
