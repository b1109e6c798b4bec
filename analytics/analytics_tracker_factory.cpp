#include "analytics/analytics_tracker_factory.h"

#include "analytics/analytics_tracker_impl.h"
#include "analytics/analytics_tracker_wrapper.h"

namespace orvane::analytics {

std::shared_ptr<AnalyticsTracker> CreateAnalyticsTracker(const TrackerConfig& config) {
    auto impl = std::make_unique<AnalyticsTrackerImpl>(config);
    try {
        impl->init();
    } catch (...) {
        // The tracker lives on without the library (or its super properties); its calls then
        // record nothing, which is all a failed configuration can do.
    }
    return std::make_shared<AnalyticsTrackerWrapper>(std::move(impl));
}

}  // namespace orvane::analytics
