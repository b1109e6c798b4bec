#include "analytics/installer_analytics.h"

#include "analytics/analytics_tracker_factory.h"
#include "analytics/tracker_holder.h"

namespace orvane::analytics {

void StartInstallerTracker(const TrackerConfig& config) {
    InstallTracker(CreateAnalyticsTracker(config));
}

void ReleaseInstallerTracker() {
    ReleaseTracker();
}

}  // namespace orvane::analytics
