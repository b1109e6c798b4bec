// AnalyticsTrackerImpl: the tracker that does the work. It owns the analytics context
// (identity and files), starts the event-collection library with the collection URL, the
// identity and the common super properties, turns each event record plus the caller's
// context properties into a property set, tracks it and schedules its upload.
// Refusals raise OvException (the wrapper absorbs them). Track operations run on the
// caller's thread, from any thread; init and destruction must not overlap other calls.
#pragma once

#include <memory>
#include <string>

#include "analytics/analytics_context.h"
#include "analytics/analytics_tracker.h"
#include "analytics/native_track_logger.h"
#include "analytics/send_scheduler.h"

namespace orvane::analytics {

class AnalyticsTrackerImpl : public AnalyticsTracker {
public:
    // The collection URL used when the configuration names none. No collection host is
    // configured for this build: operators give theirs as the configuration's server URL.
    static constexpr const char* kDefaultServerUrl = "https://collect.orvane.invalid/sa?project=pc";

    explicit AnalyticsTrackerImpl(const TrackerConfig& config);
    // Saves the identity, makes the final upload attempts and writes what is still queued to
    // the staging file; first waits for send threads still running.
    ~AnalyticsTrackerImpl() override;
    AnalyticsTrackerImpl(const AnalyticsTrackerImpl&) = delete;
    AnalyticsTrackerImpl& operator=(const AnalyticsTrackerImpl&) = delete;

    // Checks the configuration, resolves the files, loads and reconciles the identity, starts
    // the library and registers the common super properties. Raises OvException on failure;
    // the tracker then stays usable but its records go nowhere (or lack the super properties).
    void init();

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
    // The last call of a crashing process: the upload runs before it returns (not on a
    // detached thread), and what cannot be uploaded goes to the staging file for the next run.
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const OvEventUpdate& event, const OvContextProperties& context) override;
    void trackAppOpenNotification(const OvEventAppOpenNotification* event,
                                  const OvContextProperties& context) override;
    void setLocale(const std::string& locale) override;
    std::string getPrimaryDistinctId() override;
    TrackLogger* getLogger() override;

    const std::string& ServerUrl() const { return m_serverUrl; }
    const AnalyticsFiles& Files() const { return m_context->Files(); }

private:
    // Tracks the set under `eventName` and writes it to the event log when that is on.
    void Track(const char* eventName, const event_collect::PropertiesNode& properties);
    // Adds `extraPending` to the pending count and asks for the send `type` calls for.
    void Schedule(OvEventType type, int extraPending = 0);
    void RegisterLocaleProperties();

    std::string m_serverUrl;
    std::string m_appName;
    std::string m_appVersion;
    std::string m_appStore;
    std::string m_dlAppId;
    std::string m_dlAppVersion;
    std::string m_logFilePath;
    std::unique_ptr<NativeTrackLogger> m_logger;
    bool m_eventLogEnabled = false;
    int m_edition;
    std::unique_ptr<AnalyticsContext> m_context;
    SendScheduler m_scheduler;
    bool m_libraryStarted = false;  // this tracker started the library and stops it
};

}  // namespace orvane::analytics
