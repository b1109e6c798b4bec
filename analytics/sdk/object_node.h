// utils::ObjectNode: an ordered map from key to ValueNode, serialised as a compact JSON
// object with its keys in byte order. Copies are deep. Not synchronised.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "analytics/sdk/value_node.h"

namespace event_collect::utils {

// Plain byte-wise order: bytes compare as unsigned values, a prefix sorts first.
struct ByteWiseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        const size_t common = a.size() < b.size() ? a.size() : b.size();
        const int c = common > 0 ? std::memcmp(a.data(), b.data(), common) : 0;
        return c != 0 ? c < 0 : a.size() < b.size();
    }
};

class ObjectNode {
public:
    using Entries = std::map<std::string, ValueNode, ByteWiseLess>;

    ObjectNode() = default;
    virtual ~ObjectNode();
    ObjectNode(const ObjectNode&) = default;
    ObjectNode& operator=(const ObjectNode&) = default;
    ObjectNode(ObjectNode&&) noexcept = default;
    ObjectNode& operator=(ObjectNode&&) noexcept = default;

    // Stores `value` under `key`, replacing a value already there.
    void Set(std::string_view key, ValueNode value);
    // Null when the key is absent.
    const ValueNode* Find(std::string_view key) const;
    bool Has(std::string_view key) const { return Find(key) != nullptr; }
    void Remove(std::string_view key);
    void Clear() { m_entries.clear(); }
    bool Empty() const { return m_entries.empty(); }
    size_t Size() const { return m_entries.size(); }
    const Entries& GetEntries() const { return m_entries; }

    // Copies every entry of `source` over this node; keys only here stay.
    void MergeFrom(const ObjectNode& source);

    void AppendJson(std::string* out) const;
    std::string ToJson() const;

private:
    Entries m_entries;
};

}  // namespace event_collect::utils
