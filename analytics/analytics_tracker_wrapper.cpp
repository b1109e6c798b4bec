#include "analytics/analytics_tracker_wrapper.h"

#include <cstdio>

namespace orvane::analytics {

AnalyticsTrackerWrapper::AnalyticsTrackerWrapper(std::unique_ptr<AnalyticsTracker> impl)
    : m_impl(std::move(impl)) {}

AnalyticsTrackerWrapper::~AnalyticsTrackerWrapper() = default;

template <typename Call>
void AnalyticsTrackerWrapper::Forward(const char* operation, Call&& call) {
    if (!m_impl) return;
    try {
        call(*m_impl);
    } catch (...) {
        try {
            if (m_impl->getLogger() != nullptr) {
                const std::string line = std::string("Failed to ") + operation + "\n";
                std::fputs(line.c_str(), stdout);
                std::fflush(stdout);
            }
        } catch (...) {
            // Reporting the failure must not fail the caller either.
        }
    }
}

void AnalyticsTrackerWrapper::trackActivity(const OvContextProperties& context) {
    Forward("trackActivity", [&](AnalyticsTracker& t) { t.trackActivity(context); });
}

void AnalyticsTrackerWrapper::trackLaunch(const OvContextProperties& context) {
    Forward("trackLaunch", [&](AnalyticsTracker& t) { t.trackLaunch(context); });
}

void AnalyticsTrackerWrapper::trackLogin(const OvUser& user, bool success,
                                         const std::string& reason,
                                         const OvContextProperties& context) {
    Forward("trackLogin",
            [&](AnalyticsTracker& t) { t.trackLogin(user, success, reason, context); });
}

void AnalyticsTrackerWrapper::trackClick(const OvEventClick& event,
                                         const OvContextProperties& context) {
    Forward("trackClick", [&](AnalyticsTracker& t) { t.trackClick(event, context); });
}

void AnalyticsTrackerWrapper::trackView(const OvEventView& event,
                                        const OvContextProperties& context) {
    Forward("trackView", [&](AnalyticsTracker& t) { t.trackView(event, context); });
}

void AnalyticsTrackerWrapper::trackCashier(const OvEventCashier& event,
                                           const OvContextProperties& context) {
    Forward("trackCashier", [&](AnalyticsTracker& t) { t.trackCashier(event, context); });
}

void AnalyticsTrackerWrapper::trackShare(const OvEventShare& event,
                                         const OvContextProperties& context) {
    Forward("trackShare", [&](AnalyticsTracker& t) { t.trackShare(event, context); });
}

void AnalyticsTrackerWrapper::trackTask(const OvEventTask& event,
                                        const OvContextProperties& context) {
    Forward("trackTask", [&](AnalyticsTracker& t) { t.trackTask(event, context); });
}

void AnalyticsTrackerWrapper::trackFile(const OvEventFile& event,
                                        const OvContextProperties& context) {
    Forward("trackFile", [&](AnalyticsTracker& t) { t.trackFile(event, context); });
}

void AnalyticsTrackerWrapper::trackOrder(const OvEventOrder& event,
                                         const OvContextProperties& context) {
    Forward("trackOrder", [&](AnalyticsTracker& t) { t.trackOrder(event, context); });
}

void AnalyticsTrackerWrapper::trackPayment(const OvEventPayment& event,
                                           const OvContextProperties& context) {
    Forward("trackPayment", [&](AnalyticsTracker& t) { t.trackPayment(event, context); });
}

void AnalyticsTrackerWrapper::trackUninstall(const std::string& reason,
                                             const OvContextProperties& context) {
    Forward("trackUninstall", [&](AnalyticsTracker& t) { t.trackUninstall(reason, context); });
}

void AnalyticsTrackerWrapper::trackCrash(const std::string& reason) {
    Forward("trackCrash", [&](AnalyticsTracker& t) { t.trackCrash(reason); });
}

void AnalyticsTrackerWrapper::trackUpdate(const OvEventUpdate& event,
                                          const OvContextProperties& context) {
    Forward("trackUpdate", [&](AnalyticsTracker& t) { t.trackUpdate(event, context); });
}

void AnalyticsTrackerWrapper::trackAppOpenNotification(const OvEventAppOpenNotification* event,
                                                       const OvContextProperties& context) {
    Forward("trackAppOpenNotification",
            [&](AnalyticsTracker& t) { t.trackAppOpenNotification(event, context); });
}

void AnalyticsTrackerWrapper::setLocale(const std::string& locale) {
    if (m_impl) m_impl->setLocale(locale);
}

std::string AnalyticsTrackerWrapper::getPrimaryDistinctId() {
    return m_impl ? m_impl->getPrimaryDistinctId() : std::string();
}

TrackLogger* AnalyticsTrackerWrapper::getLogger() {
    return nullptr;
}

}  // namespace orvane::analytics
