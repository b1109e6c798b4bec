#include "analytics/sdk/properties_node.h"

#include <utility>

#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/text_check.h"

namespace event_collect {

PropertiesNode::~PropertiesNode() = default;

namespace {

// The check of a string value, or of one element of a list; `what` names the property's kind
// in the diagnostic line.
bool CheckText(std::string_view what, std::string_view key, std::string_view value) {
    if (value.size() > PropertiesNode::kMaxStringLength) {
        WriteDiagnostic(std::string(what) + " property '" + std::string(key) +
                        "' is too long, value: " + std::string(value));
        return false;
    }
    if (!IsWellFormedText(value)) {
        WriteDiagnostic(std::string(what) + " property '" + std::string(key) +
                        "' is not valid UTF-8 string, value: " + std::string(value));
        return false;
    }
    return true;
}

}  // namespace

bool PropertiesNode::SetString(std::string_view key, std::string_view value) {
    if (!CheckText("String", key, value)) return false;
    Set(key, ValueNode::String(std::string(value)));
    return true;
}

bool PropertiesNode::SetString(std::string_view key, const char* value) {
    return SetString(key, std::string_view(value != nullptr ? value : ""));
}

void PropertiesNode::SetNumber(std::string_view key, int32_t value) {
    Set(key, ValueNode::Int(value));
}

void PropertiesNode::SetNumber(std::string_view key, double value) {
    Set(key, ValueNode::Number(value));
}

void PropertiesNode::SetBool(std::string_view key, bool value) {
    Set(key, ValueNode::Bool(value));
}

void PropertiesNode::SetDateTime(std::string_view key, int64_t seconds, int milliseconds) {
    Set(key, ValueNode::DateTime(seconds, milliseconds));
}

void PropertiesNode::SetObject(std::string_view key, const utils::ObjectNode& value) {
    Set(key, ValueNode::Object(value));
}

bool PropertiesNode::SetList(std::string_view key, std::vector<std::string> values) {
    // The JSON form writes the elements as strings are written, so they obey the same rule.
    for (const std::string& value : values) {
        if (!CheckText("List", key, value)) return false;
    }
    Set(key, ValueNode::List(std::move(values)));
    return true;
}

}  // namespace event_collect
