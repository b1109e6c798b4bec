// AnalyticsTrackerWrapper: the tracker the installer holds. It forwards every call to the
// implementation it owns and absorbs every exception, so no analytics failure reaches the
// installer; a refused event writes "Failed to <operation>" to standard output.
// Threading as the implementation's.
#pragma once

#include <memory>

#include "analytics/analytics_tracker.h"

namespace orvane::analytics {

class AnalyticsTrackerWrapper : public AnalyticsTracker {
public:
    // `impl` may be empty: every call then does nothing.
    explicit AnalyticsTrackerWrapper(std::unique_ptr<AnalyticsTracker> impl);
    ~AnalyticsTrackerWrapper() override;  // destroys the implementation (its final uploads)
    AnalyticsTrackerWrapper(const AnalyticsTrackerWrapper&) = delete;
    AnalyticsTrackerWrapper& operator=(const AnalyticsTrackerWrapper&) = delete;

    void trackActivity(const OvContextProperties& context) override;
    void trackLaunch(const OvContextProperties& context) override;
    void trackLogin(const OvUser& user, bool success, const std::string& reason,
                    const OvContextProperties& context) override;
    void trackClick(const OvEventClick& event, const OvContextProperties& context) override;
    void trackView(const OvEventView& event, const OvContextProperties& context) override;
    void trackCashier(const OvEventCashier& event, const OvContextProperties& context) override;
    void trackShare(const OvEventShare& event, const OvContextProperties& context) override;
    void trackTask(const OvEventTask& event, const OvContextProperties& context) override;
    void trackFile(const OvEventFile& event, const OvContextProperties& context) override;
    void trackOrder(const OvEventOrder& event, const OvContextProperties& context) override;
    void trackPayment(const OvEventPayment& event, const OvContextProperties& context) override;
    void trackUninstall(const std::string& reason, const OvContextProperties& context) override;
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const OvEventUpdate& event, const OvContextProperties& context) override;
    void trackAppOpenNotification(const OvEventAppOpenNotification* event,
                                  const OvContextProperties& context) override;
    // Forwarded as it is: setting a locale refuses nothing.
    void setLocale(const std::string& locale) override;
    std::string getPrimaryDistinctId() override;  // empty without an implementation
    TrackLogger* getLogger() override;            // always null

private:
    // Runs `call` on the implementation, absorbing whatever it throws.
    template <typename Call>
    void Forward(const char* operation, Call&& call);

    std::unique_ptr<AnalyticsTracker> m_impl;
};

}  // namespace orvane::analytics
