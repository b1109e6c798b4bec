#include "analytics/tracker_holder.h"

#include <mutex>
#include <utility>
#include <vector>

namespace orvane::analytics {
namespace {

enum class Phase { BeforeStart, Live, Released };

std::mutex g_mutex;  // guards everything below
Phase g_phase = Phase::BeforeStart;
std::shared_ptr<AnalyticsTracker> g_tracker;
std::vector<TrackerCall> g_held;

}  // namespace

void WithTracker(TrackerCall call) {
    std::shared_ptr<AnalyticsTracker> tracker;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_phase == Phase::BeforeStart) {
            if (g_held.size() < kMaxHeldReports) g_held.push_back(std::move(call));
            return;
        }
        tracker = g_tracker;
    }
    if (tracker) call(*tracker);
}

void InstallTracker(std::shared_ptr<AnalyticsTracker> tracker) {
    std::vector<TrackerCall> held;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_tracker = tracker;
        g_phase = Phase::Live;
        held.swap(g_held);
    }
    if (!tracker) return;
    for (auto& call : held)
        call(*tracker);
}

void ReleaseTracker() {
    std::shared_ptr<AnalyticsTracker> tracker;
    std::vector<TrackerCall> held;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        tracker.swap(g_tracker);
        held.swap(g_held);
        g_phase = Phase::Released;
    }
    // Destroyed here, outside the lock: its final uploads may take a while.
    tracker.reset();
}

void ResetTrackerHolder() {
    std::shared_ptr<AnalyticsTracker> tracker;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        tracker.swap(g_tracker);
        g_held.clear();
        g_phase = Phase::BeforeStart;
    }
}

std::shared_ptr<AnalyticsTracker> CurrentTracker() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_tracker;
}

}  // namespace orvane::analytics
