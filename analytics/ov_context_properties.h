// OvContextProperties: caller-side properties for one tracker call, each registered once under
// a key and attached to the events of chosen event types. The installer uses it for its A/B
// group ("ovc_ab"). Build one per call; not synchronised.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "analytics/ov_enums.h"
#include "analytics/sdk/properties_node.h"

namespace orvane::analytics {

class OvContextProperties {
public:
    // Tag 0 bool, 1 a date-time count (milliseconds above 157789439999, else seconds),
    // 2 number, 3 text, 4 list of texts.
    using Value = std::variant<bool, int64_t, double, std::string, std::vector<std::string>>;
    enum Tag { kBool = 0, kDateTime = 1, kNumber = 2, kString = 3, kList = 4 };

    struct Entry {
        std::shared_ptr<const Value> value;  // shared with the registry
        int tag;
        std::string key;
    };

    OvContextProperties() = default;

    // False for an empty label, true for a valid one (an upper-case letter, then up to two
    // upper-case letters or digits); raises OvException naming the first broken rule.
    static bool isValidABValue(const std::string& value);

    // Registers "ovc_ab" = value and attaches it to each listed event type, in order. A second
    // registration, or an event type of 15 or more, raises OvException; what was done before
    // the failure stays.
    void setProperty(const std::string& value, const std::vector<int>& eventTypes);

    // The entries attached to `eventType`; raises OvException for a number of 15 or more.
    const std::vector<Entry>& getEventProperties(int eventType) const;

private:
    std::unordered_map<std::string, std::shared_ptr<const Value>> m_registry;
    std::array<std::vector<Entry>, kEventTypeCount> m_lists;
};

// Sets the entry into `properties` under its key, in the form its tag gives (a text through
// SetString and its checks, a date-time as local-time text).
void ApplyContextEntry(const OvContextProperties::Entry& entry,
                       event_collect::PropertiesNode* properties);

// Sets every entry attached to `type`, in order (a later equal key replaces an earlier one).
void ApplyContextProperties(const OvContextProperties& context, OvEventType type,
                            event_collect::PropertiesNode* properties);

}  // namespace orvane::analytics
