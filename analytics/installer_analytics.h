// The installer's tracker: made from a configuration at start-up, released at shut-down (its
// final uploads). Both run on the main thread.
#pragma once

#include "analytics/analytics_tracker.h"

namespace orvane::analytics {

// Creates the process's tracker from `config` and hands it the reports held so far.
void StartInstallerTracker(const TrackerConfig& config);
// Releases it: its final uploads run as it is destroyed, here unless a report still uses it.
void ReleaseInstallerTracker();

}  // namespace orvane::analytics
