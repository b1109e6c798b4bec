#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/text_check.h"
#include "tests/analytics/diagnostic_capture.h"

namespace {

using analytics_test::DiagnosticCapture;
using event_collect::IsWellFormedText;
using event_collect::PropertiesNode;
using event_collect::ValueNode;

std::string Repeat(const std::string& unit, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += unit;
    return out;
}

TEST(WellFormedText, WalksUnitsAtEachBoundary) {
    const struct {
        const char* name;
        std::string text;
        bool ok;
    } cases[] = {
        {"empty", "", true},
        {"printable ASCII", " ~azAZ09", true},
        {"tab LF CR", "\t\n\r", true},
        {"NUL", std::string(1, '\0'), false},
        {"0x01", "\x01", false},
        {"0x1F", "\x1f", false},
        {"0x7F", "\x7f", false},
        {"vertical tab", "\v", false},
        {"two-byte lowest C2 80", "\xc2\x80", true},
        {"two-byte highest DF BF", "\xdf\xbf", true},
        {"overlong C0 80", "\xc0\x80", false},
        {"overlong C1 BF", "\xc1\xbf", false},
        {"lone continuation", "\x80", false},
        {"lone C3 at end", "a\xc3", false},
        {"C3 then ASCII",
         "\xc3"
         "a",
         false},
        {"E0 A0 80", "\xe0\xa0\x80", true},
        {"overlong E0 9F BF", "\xe0\x9f\xbf", false},
        {"E1 80 80", "\xe1\x80\x80", true},
        {"EC BF BF", "\xec\xbf\xbf", true},
        {"ED 9F BF", "\xed\x9f\xbf", true},
        {"surrogate ED A0 80", "\xed\xa0\x80", false},
        {"EE 80 80", "\xee\x80\x80", true},
        {"EF BF BF", "\xef\xbf\xbf", true},
        {"three-byte cut off", "\xe4\xb8", false},
        {"F0 90 80 80", "\xf0\x90\x80\x80", true},
        {"overlong F0 8F BF BF", "\xf0\x8f\xbf\xbf", false},
        {"F3 BF BF BF", "\xf3\xbf\xbf\xbf", true},
        {"F4 8F BF BF", "\xf4\x8f\xbf\xbf", true},
        {"past U+10FFFF F4 90 80 80", "\xf4\x90\x80\x80", false},
        {"F5 lead", "\xf5\x80\x80\x80", false},
        {"four-byte cut off", "\xf0\x9f\x98", false},
        {"FF", "\xff", false},
        {"mixed Chinese text", "\xe6\xb8\xa9\xe9\xa6\xa8\xe6\x8f\x90\xe7\xa4\xba ok", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsWellFormedText(c.text), c.ok);
    }
}

TEST(SetString, RefusesLongOrMalformedValuesWithOneLine) {
    const struct {
        const char* name;
        std::string value;
        const char* line;  // null: accepted
    } cases[] = {
        {"8192 bytes", std::string(8192, 'x'), nullptr},
        {"8192 bytes of two-byte units", Repeat("\xc3\xa9", 4096), nullptr},
        {"8191 bytes and a cut-off unit", std::string(8191, 'x') + "\xc3",
         "' is not valid UTF-8 string, value: "},
        {"8193 bytes", std::string(8193, 'x'), "' is too long, value: "},
        // Length is checked first, so a long malformed value reports its length.
        {"8193 bytes malformed", std::string(8193, '\x01'), "' is too long, value: "},
        {"byte 0x7F", "a\x7f", "' is not valid UTF-8 string, value: "},
        {"byte 0x01", "\x01", "' is not valid UTF-8 string, value: "},
        {"lone C3 at end", "caf\xc3", "' is not valid UTF-8 string, value: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        PropertiesNode node;
        node.SetString("k", "before");
        const bool stored = node.SetString("k", c.value);
        const ValueNode* value = node.Find("k");
        ASSERT_NE(value, nullptr);
        if (c.line == nullptr) {
            EXPECT_TRUE(stored);
            EXPECT_EQ(value->AsString(), c.value);
            EXPECT_TRUE(capture.Lines().empty());
        } else {
            EXPECT_FALSE(stored);
            EXPECT_EQ(value->AsString(), "before");  // a refused value leaves the old one
            ASSERT_EQ(capture.Lines().size(), 1u);
            EXPECT_EQ(capture.Lines()[0], "String property 'k" + std::string(c.line) + c.value);
        }
    }
}

TEST(SetList, EveryElementFollowsTheStringRule) {
    const struct {
        const char* name;
        std::vector<std::string> list;
        const char* line;  // null: accepted
    } cases[] = {
        {"well-formed elements", {"a", "t\xc3\xa9", ""}, nullptr},
        {"no elements", {}, nullptr},
        // The JSON form writes a control byte as it is: such a list would spoil the record.
        {"control byte", {"ok", "\x01"}, "' is not valid UTF-8 string, value: \x01"},
        {"lone C3", {"caf\xc3"}, "' is not valid UTF-8 string, value: caf\xc3"},
        {"8193 bytes", {std::string(8193, 'x')}, "' is too long, value: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticCapture capture;
        PropertiesNode node;
        node.SetList("k", {"before"});
        const bool stored = node.SetList("k", c.list);
        ASSERT_NE(node.Find("k"), nullptr);
        if (c.line == nullptr) {
            EXPECT_TRUE(stored);
            EXPECT_EQ(node.Find("k")->AsList(), c.list);
            EXPECT_TRUE(capture.Lines().empty());
        } else {
            EXPECT_FALSE(stored);
            EXPECT_EQ(node.Find("k")->AsList(), std::vector<std::string>{"before"});
            ASSERT_EQ(capture.Lines().size(), 1u);
            EXPECT_TRUE(capture.Lines()[0].starts_with("List property 'k" + std::string(c.line)));
        }
    }
}

TEST(SetString, RefusedValueOnNewKeyLeavesItUnset) {
    DiagnosticCapture capture;
    PropertiesNode node;
    node.SetString("name", "bad\x01");
    EXPECT_FALSE(node.Has("name"));
    EXPECT_EQ(node.ToJson(), "{}");
}

TEST(SetString, NullCStringCountsAsEmpty) {
    PropertiesNode node;
    node.SetString("k", static_cast<const char*>(nullptr));
    EXPECT_EQ(node.ToJson(), "{\"k\":\"\"}");
}

TEST(Setters, StoreTheirTags) {
    PropertiesNode node;
    node.SetNumber("i", -1);
    node.SetNumber("d", -1.0);
    node.SetBool("b", true);
    node.SetDateTime("t", 10, 20);
    node.SetList("l", {"x"});
    PropertiesNode inner;
    node.SetObject("o", inner);
    const struct {
        const char* key;
        ValueNode::Type type;
    } cases[] = {
        {"i", ValueNode::INT},      {"d", ValueNode::NUMBER}, {"b", ValueNode::BOOL},
        {"t", ValueNode::DATETIME}, {"l", ValueNode::LIST},   {"o", ValueNode::OBJECT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_NE(node.Find(c.key), nullptr);
        EXPECT_EQ(node.Find(c.key)->GetType(), c.type);
    }
    // The 32-bit -1 stays an integer, sign-extended.
    EXPECT_EQ(node.Find("i")->AsInt(), -1);
}

}  // namespace
