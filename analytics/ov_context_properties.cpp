#include "analytics/ov_context_properties.h"

#include <cstdio>
#include <ctime>

#include "analytics/ov_exception.h"
#include "platform/clock.h"

namespace orvane::analytics {
namespace {

constexpr const char* kAbKey = "ovc_ab";
// Counts above this are milliseconds: it is 1975-01-01 in milliseconds and far in the future
// in seconds.
constexpr int64_t kMillisecondsThreshold = 157789439999;

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsUpperOrDigit(char c) {
    return IsUpper(c) || (c >= '0' && c <= '9');
}

std::string LocalTimeText(int64_t count) {
    int64_t seconds = count;
    int milliseconds = 0;
    if (count > kMillisecondsThreshold) {
        seconds = count / 1000;
        milliseconds = static_cast<int>(count % 1000);
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!platform::ToLocalTime(time, &local)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  milliseconds);
    return text;
}

}  // namespace

bool OvContextProperties::isValidABValue(const std::string& value) {
    if (value.empty()) return false;
    if (value.size() > 3) OV_THROW("value's length is great than 3.");
    if (!IsUpper(value[0])) OV_THROW("First char is not in A to Z");
    if (value.size() > 1 && !IsUpperOrDigit(value[1]))
        OV_THROW("second char is not in A to Z and 0 to 9");
    if (value.size() > 2 && !IsUpperOrDigit(value[2]))
        OV_THROW("third char is not in A to Z and 0 to 9");
    return true;
}

void OvContextProperties::setProperty(const std::string& value,
                                      const std::vector<int>& eventTypes) {
    const std::string key = kAbKey;
    auto shared = std::make_shared<const Value>(value);
    if (m_registry.count(key) != 0) OV_THROW("Property[" + key + "] already exist!");
    m_registry.emplace(key, shared);
    for (int type : eventTypes) {
        if (type < 0 || type >= kEventTypeCount)
            OV_THROW("OvEvent[" + std::to_string(type) + "] overflow!");
        m_lists[static_cast<size_t>(type)].push_back({shared, kString, key});
    }
}

const std::vector<OvContextProperties::Entry>& OvContextProperties::getEventProperties(
    int eventType) const {
    if (eventType < 0 || eventType >= kEventTypeCount)
        OV_THROW("OvEvent[" + std::to_string(eventType) + "] overflow!");
    return m_lists[static_cast<size_t>(eventType)];
}

void ApplyContextEntry(const OvContextProperties::Entry& entry,
                       event_collect::PropertiesNode* properties) {
    if (!entry.value) return;
    const OvContextProperties::Value& value = *entry.value;
    // An entry whose value does not match its tag is left out rather than misread.
    switch (entry.tag) {
        case OvContextProperties::kBool:
            if (const bool* b = std::get_if<bool>(&value)) properties->SetBool(entry.key, *b);
            break;
        case OvContextProperties::kDateTime:
            if (const int64_t* t = std::get_if<int64_t>(&value))
                properties->SetString(entry.key, LocalTimeText(*t));
            break;
        case OvContextProperties::kNumber:
            if (const double* d = std::get_if<double>(&value)) properties->SetNumber(entry.key, *d);
            break;
        case OvContextProperties::kString:
            if (const std::string* s = std::get_if<std::string>(&value))
                properties->SetString(entry.key, *s);
            break;
        case OvContextProperties::kList:
            if (const auto* list = std::get_if<std::vector<std::string>>(&value))
                properties->SetList(entry.key, *list);
            break;
        default:
            break;
    }
}

void ApplyContextProperties(const OvContextProperties& context, OvEventType type,
                            event_collect::PropertiesNode* properties) {
    for (const auto& entry : context.getEventProperties(static_cast<int>(type)))
        ApplyContextEntry(entry, properties);
}

}  // namespace orvane::analytics
