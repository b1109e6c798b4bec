// The process-wide tracker the installer's reports go to. Before a tracker is installed,
// reports are held (up to a bound) and handed over, in order, when one is installed; after
// the tracker is released, reports go nowhere. Safe on any thread; the tracker is called
// outside the holder's lock, so a slow upload never blocks other reporters.
#pragma once

#include <functional>
#include <memory>

#include "analytics/analytics_tracker.h"

namespace orvane::analytics {

// Most reports a process can hold before its tracker exists; later ones are dropped.
inline constexpr size_t kMaxHeldReports = 64;

using TrackerCall = std::function<void(AnalyticsTracker&)>;

// Runs `call` on the tracker now, or holds it until InstallTracker; dropped after release.
void WithTracker(TrackerCall call);

// Installs `tracker` and hands it the held reports on this thread.
void InstallTracker(std::shared_ptr<AnalyticsTracker> tracker);

// Drops the process's reference (destroying the tracker once no report uses it any more) and
// every held report; later reports go nowhere.
void ReleaseTracker();

// Back to the start-up state: no tracker, nothing held, reports held again (for tests).
void ResetTrackerHolder();

// The installed tracker, or null.
std::shared_ptr<AnalyticsTracker> CurrentTracker();

}  // namespace orvane::analytics
