// A tracker for tests that writes down each call as the operation and the property set the
// real tracker would build from it, and how to install one as the process's tracker.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/analytics_tracker.h"
#include "analytics/event_properties.h"
#include "analytics/tracker_holder.h"

namespace analytics_test {

using namespace orvane::analytics;

// A tracker that writes down each call as the operation and the property set the real
// tracker would build from it.
class RecordingTracker : public orvane::analytics::AnalyticsTracker {
public:
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

    void trackTask(const OvEventTask& e, const OvContextProperties& c) override {
        Add("trackTask " + TaskProperties(e, c).ToJson());
    }
    void trackClick(const OvEventClick& e, const OvContextProperties& c) override {
        Add("trackClick " + ClickProperties(e, c).ToJson());
    }
    void trackView(const OvEventView& e, const OvContextProperties& c) override {
        Add("trackView " + ViewProperties(e, c).ToJson());
    }
    void trackCrash(const std::string& reason) override {
        Add("trackCrash " + CrashProperties(reason).ToJson());
    }

    void trackActivity(const OvContextProperties&) override { Add("trackActivity"); }
    void trackLaunch(const OvContextProperties&) override { Add("trackLaunch"); }
    void trackLogin(const OvUser&, bool, const std::string&, const OvContextProperties&) override {
        Add("trackLogin");
    }
    void trackCashier(const OvEventCashier&, const OvContextProperties&) override {
        Add("trackCashier");
    }
    void trackShare(const OvEventShare&, const OvContextProperties&) override { Add("trackShare"); }
    void trackFile(const OvEventFile&, const OvContextProperties&) override { Add("trackFile"); }
    void trackOrder(const OvEventOrder&, const OvContextProperties&) override { Add("trackOrder"); }
    void trackPayment(const OvEventPayment&, const OvContextProperties&) override {
        Add("trackPayment");
    }
    void trackUninstall(const std::string&, const OvContextProperties&) override {
        Add("trackUninstall");
    }
    void trackUpdate(const OvEventUpdate&, const OvContextProperties&) override {
        Add("trackUpdate");
    }
    void trackAppOpenNotification(const OvEventAppOpenNotification*,
                                  const OvContextProperties&) override {
        Add("trackAppOpenNotification");
    }
    void setLocale(const std::string&) override {}
    std::string getPrimaryDistinctId() override { return {}; }
    TrackLogger* getLogger() override { return nullptr; }

private:
    void Add(std::string call) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

// A new recording tracker, installed as the process's tracker.
inline std::shared_ptr<RecordingTracker> InstallRecorder() {
    auto recorder = std::make_shared<RecordingTracker>();
    InstallTracker(recorder);
    return recorder;
}

}  // namespace analytics_test
