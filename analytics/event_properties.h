// The property set of each tracker event: its checks (raising OvException before anything is
// built), its properties and where the caller's context properties go. Every text passes
// through EnsureUtf8 and is set only when non-empty unless noted. Pure; safe on any thread.
#pragma once

#include <string>

#include "analytics/os_names.h"
#include "analytics/ov_context_properties.h"
#include "analytics/ov_events.h"
#include "analytics/sdk/properties_node.h"

namespace orvane::analytics {

using event_collect::PropertiesNode;

// What the activity event says about the application and the system it runs on.
struct ActivityInfo {
    std::string appStore;
    std::string appName;
    std::string appVersion;
    OsNameInfo os;
    bool is64BitSystem = true;
};

inline constexpr const char* kInstallSource = "android_id=123##imei=1234##mac=123";

// "Mozilla/5.0(<os> <version>; <machine tag>;)"
std::string UserAgent(const OsNameInfo& os, bool is64BitSystem);

PropertiesNode ActivityProperties(const ActivityInfo& info, const OvContextProperties& context);
PropertiesNode LaunchProperties(const OvContextProperties& context);
PropertiesNode LoginProperties(const OvUser& user, bool success, const std::string& reason,
                               const OvContextProperties& context);
PropertiesNode ClickProperties(const OvEventClick& event, const OvContextProperties& context);
PropertiesNode ViewProperties(const OvEventView& event, const OvContextProperties& context);
PropertiesNode CashierProperties(const OvEventCashier& event, const OvContextProperties& context);
PropertiesNode ShareProperties(const OvEventShare& event, const OvContextProperties& context);
PropertiesNode TaskProperties(const OvEventTask& event, const OvContextProperties& context);
PropertiesNode FileProperties(const OvEventFile& event, const OvContextProperties& context);
PropertiesNode OrderProperties(const OvEventOrder& event, const OvContextProperties& context);
PropertiesNode PaymentProperties(const OvEventPayment& event, const OvContextProperties& context);
PropertiesNode UninstallProperties(const std::string& reason, const OvContextProperties& context);
PropertiesNode CrashProperties(const std::string& reason);
PropertiesNode UpdateProperties(const OvEventUpdate& event, const OvContextProperties& context);
PropertiesNode AppOpenNotificationProperties(const OvEventAppOpenNotification* event,
                                             const OvContextProperties& context);

}  // namespace orvane::analytics
