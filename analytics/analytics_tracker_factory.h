// The factory of the process's tracker: an implementation initialised from the configuration
// (a failed initialisation is swallowed and still yields a live tracker), wrapped so that no
// failure reaches the caller. Call once, at start-up.
#pragma once

#include <memory>

#include "analytics/analytics_tracker.h"

namespace orvane::analytics {

std::shared_ptr<AnalyticsTracker> CreateAnalyticsTracker(const TrackerConfig& config);

}  // namespace orvane::analytics
