#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "analytics/sdk/object_node.h"
#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/value_node.h"
#include "tests/support/scoped_environment.h"

namespace {

using event_collect::PropertiesNode;
using event_collect::ValueNode;
using event_collect::utils::ObjectNode;

std::string Json(const ValueNode& value) {
    std::string out;
    value.AppendJson(&out);
    return out;
}

TEST(ValueJson, EachTagHasItsCompactForm) {
    ObjectNode nested;
    nested.Set("b", ValueNode::Int(2));
    nested.Set("a", ValueNode::Bool(false));
    const struct {
        const char* name;
        ValueNode value;
        const char* expected;
    } cases[] = {
        {"number 0.1", ValueNode::Number(0.1), "0.1"},
        {"number 12.5", ValueNode::Number(12.5), "12.5"},
        {"number six digits", ValueNode::Number(1234567.0), "1.23457e+06"},
        {"number small", ValueNode::Number(0.00001234), "1.234e-05"},
        {"number whole", ValueNode::Number(3.0), "3"},
        {"number negative", ValueNode::Number(-2.5), "-2.5"},
        {"int -5", ValueNode::Int(-5), "-5"},
        {"int 64-bit", ValueNode::Int(1577836800250), "1577836800250"},
        {"list", ValueNode::List({"a", "b"}), "[\"a\",\"b\"]"},
        {"empty list", ValueNode::List({}), "[]"},
        {"list escapes", ValueNode::List({"x\"y"}), "[\"x\\\"y\"]"},
        {"bool true", ValueNode::Bool(true), "true"},
        {"bool false", ValueNode::Bool(false), "false"},
        {"object", ValueNode::Object(nested), "{\"a\":false,\"b\":2}"},
        {"tab and quote", ValueNode::String("\t\""), "\"\\t\\\"\""},
        {"seven escapes", ValueNode::String("\b\t\n\f\r\"\\"), "\"\\b\\t\\n\\f\\r\\\"\\\\\""},
        // Every other byte passes unchanged: no \u sequences, not even for control bytes.
        {"other bytes", ValueNode::String("\x01/\x7f\xe4\xb8\xad"), "\"\x01/\x7f\xe4\xb8\xad\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Json(c.value), c.expected);
    }
}

// The zone the tests choose, in TZ (the C library reads it on both systems); the zone from
// before comes back afterwards.
class DateTimeJson : public ::testing::Test {
protected:
    ~DateTimeJson() override {
        m_env.reset();
        tzset();
    }
    void UseZone(const char* zone) {
        m_env->Set("TZ", zone);
        tzset();
    }

private:
    std::optional<testing_support::ScopedEnvironment> m_env{std::in_place};
};

TEST_F(DateTimeJson, PrintsLocalTimeWithMilliseconds) {
    const struct {
        const char* zone;
        int64_t seconds;
        int milliseconds;
        const char* expected;
    } cases[] = {
        {"UTC0", 1577836800, 250, "\"2020-01-01 00:00:00.250\""},
        {"CST-8", 1577836800, 250, "\"2020-01-01 08:00:00.250\""},
        {"EST5", 1577836800, 7, "\"2019-12-31 19:00:00.007\""},
        {"UTC0", 0, 0, "\"1970-01-01 00:00:00.000\""},
#ifndef _WIN32  // Windows converts no time past the year 3000
        // A year whose tm_year is near INT_MAX: the year is printed without overflowing int.
        {"UTC0", 67768033017513600, 7, "\"2147485447-06-01 00:00:00.007\""},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        UseZone(c.zone);
        EXPECT_EQ(Json(ValueNode::DateTime(c.seconds, c.milliseconds)), c.expected);
    }
}

TEST(ObjectJson, KeysInByteOrderWithoutWhiteSpace) {
    ObjectNode node;
    EXPECT_EQ(node.ToJson(), "{}");
    node.Set("b", ValueNode::Int(1));
    node.Set("B", ValueNode::Int(2));
    node.Set("\xc3\xa9", ValueNode::Int(3));  // bytes above 0x7F sort after ASCII
    node.Set("_", ValueNode::Int(4));
    node.Set("$a", ValueNode::Int(5));
    node.Set("a", ValueNode::Int(6));
    node.Set("ab", ValueNode::Int(7));
    EXPECT_EQ(node.ToJson(), "{\"$a\":5,\"B\":2,\"_\":4,\"a\":6,\"ab\":7,\"b\":1,\"\xc3\xa9\":3}");
}

TEST(ObjectJson, SettingAKeyTwiceKeepsTheSecondValue) {
    PropertiesNode node;
    node.SetString("k", "first");
    node.SetNumber("k", 2.5);
    EXPECT_EQ(node.ToJson(), "{\"k\":2.5}");
}

TEST(ObjectJson, CopiesAreDeep) {
    PropertiesNode inner;
    inner.SetString("x", "1");
    PropertiesNode outer;
    outer.SetObject("o", inner);
    PropertiesNode copy = outer;
    inner.SetString("x", "changed");   // SetObject stored a copy
    outer.SetString("o", "replaced");  // the copy owns its nested object
    EXPECT_EQ(copy.ToJson(), "{\"o\":{\"x\":\"1\"}}");
}

TEST(ObjectJson, MergeReplacesEqualKeysAndKeepsTheRest) {
    PropertiesNode destination;
    destination.SetString("keep", "d");
    destination.SetString("both", "d");
    PropertiesNode source;
    source.SetNumber("both", 1);
    source.SetList("new", {"s"});
    destination.MergeFrom(source);
    EXPECT_EQ(destination.ToJson(), "{\"both\":1,\"keep\":\"d\",\"new\":[\"s\"]}");
}

}  // namespace
