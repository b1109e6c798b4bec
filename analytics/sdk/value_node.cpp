#include "analytics/sdk/value_node.h"

#include <time.h>

#include <charconv>
#include <cstdio>
#include <utility>

#include "analytics/sdk/object_node.h"
#include "platform/clock.h"

namespace event_collect {

ValueNode::ValueNode() = default;
ValueNode::~ValueNode() = default;
ValueNode::ValueNode(ValueNode&& other) noexcept = default;
ValueNode& ValueNode::operator=(ValueNode&& other) noexcept = default;

ValueNode::ValueNode(const ValueNode& other)
    : m_type(other.m_type),
      m_number(other.m_number),
      m_int(other.m_int),
      m_milliseconds(other.m_milliseconds),
      m_bool(other.m_bool),
      m_string(other.m_string),
      m_list(other.m_list),
      m_object(other.m_object ? std::make_unique<utils::ObjectNode>(*other.m_object) : nullptr) {}

ValueNode& ValueNode::operator=(const ValueNode& other) {
    if (this != &other) {
        ValueNode copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ValueNode ValueNode::Number(double value) {
    ValueNode node;
    node.m_type = NUMBER;
    node.m_number = value;
    return node;
}

ValueNode ValueNode::Int(int64_t value) {
    ValueNode node;
    node.m_type = INT;
    node.m_int = value;
    return node;
}

ValueNode ValueNode::String(std::string value) {
    ValueNode node;
    node.m_type = STRING;
    node.m_string = std::move(value);
    return node;
}

ValueNode ValueNode::List(std::vector<std::string> values) {
    ValueNode node;
    node.m_type = LIST;
    node.m_list = std::move(values);
    return node;
}

ValueNode ValueNode::DateTime(int64_t seconds, int milliseconds) {
    ValueNode node;
    node.m_type = DATETIME;
    node.m_int = seconds;
    node.m_milliseconds = milliseconds;
    return node;
}

ValueNode ValueNode::Bool(bool value) {
    ValueNode node;
    node.m_type = BOOL;
    node.m_bool = value;
    return node;
}

ValueNode ValueNode::Object(const utils::ObjectNode& value) {
    ValueNode node;
    node.m_type = OBJECT;
    node.m_object = std::make_unique<utils::ObjectNode>(value);
    return node;
}

ValueNode ValueNode::Object(utils::ObjectNode&& value) {
    ValueNode node;
    node.m_type = OBJECT;
    node.m_object = std::make_unique<utils::ObjectNode>(std::move(value));
    return node;
}

void ValueNode::AppendJson(std::string* out) const {
    switch (m_type) {
        case NUMBER:
            AppendJsonNumber(m_number, out);
            break;
        case INT:
            out->append(std::to_string(m_int));
            break;
        case STRING:
            AppendJsonString(m_string, out);
            break;
        case LIST:
            out->push_back('[');
            for (size_t i = 0; i < m_list.size(); ++i) {
                if (i > 0) out->push_back(',');
                AppendJsonString(m_list[i], out);
            }
            out->push_back(']');
            break;
        case DATETIME:
            AppendJsonDateTime(m_int, m_milliseconds, out);
            break;
        case BOOL:
            out->append(m_bool ? "true" : "false");
            break;
        case OBJECT:
            if (m_object) {
                m_object->AppendJson(out);
            } else {
                out->append("{}");
            }
            break;
    }
}

void AppendJsonString(std::string_view text, std::string* out) {
    out->push_back('"');
    for (const char c : text) {
        switch (c) {
            case '\b':
                out->append("\\b");
                break;
            case '\t':
                out->append("\\t");
                break;
            case '\n':
                out->append("\\n");
                break;
            case '\f':
                out->append("\\f");
                break;
            case '\r':
                out->append("\\r");
                break;
            case '"':
                out->append("\\\"");
                break;
            case '\\':
                out->append("\\\\");
                break;
            default:
                out->push_back(c);
                break;
        }
    }
    out->push_back('"');
}

void AppendJsonNumber(double value, std::string* out) {
    // Six significant digits as "%g" would print them, but independent of the C locale's
    // decimal separator.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out->append(buffer, result.ptr);
}

void AppendJsonDateTime(int64_t seconds, int milliseconds, std::string* out) {
    const time_t when = static_cast<time_t>(seconds);
    tm local{};
    platform::ToLocalTime(when, &local);
    char buffer[80];
    // The year is widened first: tm_year + 1900 passes INT_MAX for years near it.
    const int n =
        std::snprintf(buffer, sizeof buffer, "\"%04lld-%02d-%02d %02d:%02d:%02d.%03d\"",
                      static_cast<long long>(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
    if (n > 0) out->append(buffer, static_cast<size_t>(n));
}

}  // namespace event_collect
