// ValueNode: one typed value of a property set, event record or batch, and its JSON form.
// A value owns its payload; copying copies nested objects deeply. Not synchronised.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace event_collect {

namespace utils {
class ObjectNode;
}  // namespace utils

class ValueNode {
public:
    // The numeric codes are part of the format: NUMBER is 0 through OBJECT 6.
    enum Type { NUMBER = 0, INT = 1, STRING = 2, LIST = 3, DATETIME = 4, BOOL = 5, OBJECT = 6 };

    ValueNode();  // INT 0
    ~ValueNode();
    ValueNode(const ValueNode& other);
    ValueNode& operator=(const ValueNode& other);
    ValueNode(ValueNode&& other) noexcept;
    ValueNode& operator=(ValueNode&& other) noexcept;

    static ValueNode Number(double value);
    static ValueNode Int(int64_t value);
    static ValueNode String(std::string value);
    static ValueNode List(std::vector<std::string> values);
    static ValueNode DateTime(int64_t seconds, int milliseconds);
    static ValueNode Bool(bool value);
    static ValueNode Object(const utils::ObjectNode& value);
    static ValueNode Object(utils::ObjectNode&& value);

    Type GetType() const { return m_type; }
    double AsNumber() const { return m_number; }
    int64_t AsInt() const { return m_int; }
    const std::string& AsString() const { return m_string; }
    const std::vector<std::string>& AsList() const { return m_list; }
    int64_t Seconds() const { return m_int; }
    int Milliseconds() const { return m_milliseconds; }
    bool AsBool() const { return m_bool; }
    // Null unless the type is OBJECT.
    const utils::ObjectNode* AsObject() const { return m_object.get(); }

    // Appends the compact JSON form of the value to `out`.
    void AppendJson(std::string* out) const;

private:
    Type m_type = INT;
    double m_number = 0;
    int64_t m_int = 0;  // INT value, or the seconds of a DATETIME
    int m_milliseconds = 0;
    bool m_bool = false;
    std::string m_string;
    std::vector<std::string> m_list;
    std::unique_ptr<utils::ObjectNode> m_object;
};

// JSON helpers shared by the value and object forms.
void AppendJsonString(std::string_view text, std::string* out);
void AppendJsonNumber(double value, std::string* out);
void AppendJsonDateTime(int64_t seconds, int milliseconds, std::string* out);

}  // namespace event_collect
