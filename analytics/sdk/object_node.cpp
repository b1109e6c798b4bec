#include "analytics/sdk/object_node.h"

namespace event_collect::utils {

ObjectNode::~ObjectNode() = default;

void ObjectNode::Set(std::string_view key, ValueNode value) {
    auto it = m_entries.find(key);
    if (it != m_entries.end()) {
        it->second = std::move(value);
    } else {
        m_entries.emplace(std::string(key), std::move(value));
    }
}

const ValueNode* ObjectNode::Find(std::string_view key) const {
    const auto it = m_entries.find(key);
    return it != m_entries.end() ? &it->second : nullptr;
}

void ObjectNode::Remove(std::string_view key) {
    const auto it = m_entries.find(key);
    if (it != m_entries.end()) m_entries.erase(it);
}

void ObjectNode::MergeFrom(const ObjectNode& source) {
    if (&source == this) return;
    for (const auto& [key, value] : source.m_entries)
        Set(key, value);
}

void ObjectNode::AppendJson(std::string* out) const {
    out->push_back('{');
    bool first = true;
    for (const auto& [key, value] : m_entries) {
        if (!first) out->push_back(',');
        first = false;
        // Keys are written as they are: event keys are checked names, never needing escapes.
        out->push_back('"');
        out->append(key);
        out->append("\":");
        value.AppendJson(out);
    }
    out->push_back('}');
}

std::string ObjectNode::ToJson() const {
    std::string out;
    AppendJson(&out);
    return out;
}

}  // namespace event_collect::utils
