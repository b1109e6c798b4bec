// PropertiesNode: a property set with typed setters. String values and the elements of lists
// are checked (length and well-formed text); a refused value writes one diagnostic line and
// leaves the key as it was.
// Not synchronised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/sdk/object_node.h"

namespace event_collect {

class PropertiesNode : public utils::ObjectNode {
public:
    // Longest accepted string value, in bytes.
    static constexpr size_t kMaxStringLength = 8192;

    PropertiesNode() = default;
    ~PropertiesNode() override;
    PropertiesNode(const PropertiesNode&) = default;
    PropertiesNode& operator=(const PropertiesNode&) = default;
    PropertiesNode(PropertiesNode&&) noexcept = default;
    PropertiesNode& operator=(PropertiesNode&&) noexcept = default;

    // Returns whether the value was stored.
    bool SetString(std::string_view key, std::string_view value);
    bool SetString(std::string_view key, const char* value);  // null counts as ""
    void SetNumber(std::string_view key, int32_t value);      // INT
    void SetNumber(std::string_view key, double value);       // NUMBER
    void SetBool(std::string_view key, bool value);
    void SetDateTime(std::string_view key, int64_t seconds, int milliseconds);
    void SetObject(std::string_view key, const utils::ObjectNode& value);
    // Returns whether the list was stored: every element passes the check of string values.
    bool SetList(std::string_view key, std::vector<std::string> values);
};

}  // namespace event_collect
