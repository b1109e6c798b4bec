#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "analytics/ov_context_properties.h"
#include "analytics/ov_exception.h"
#include "platform/clock.h"
#include "tests/analytics/diagnostic_capture.h"

namespace {

using orvane::analytics::ApplyContextEntry;
using orvane::analytics::ApplyContextProperties;
using orvane::analytics::OvContextProperties;
using orvane::analytics::OvEventType;
using orvane::analytics::OvException;

// The message of the OvException `call` raises, or "" when it raises none.
template <typename Call>
std::string Raised(Call&& call) {
    try {
        call();
    } catch (const OvException& e) {
        return e.what();
    }
    return "";
}

TEST(AbLabel, ValidatesEachCharacterInOrder) {
    const struct {
        const char* label;
        bool valid;
        const char* message;
    } cases[] = {
        {"A", true, ""},
        {"AB", true, ""},
        {"A1", true, ""},
        {"Z9Z", true, ""},
        {"IN", true, ""},
        {"", false, ""},  // refused without raising
        {"ABCD", false, "value's length is great than 3."},
        {"1A", false, "First char is not in A to Z"},
        {"a", false, "First char is not in A to Z"},
        {"Ab", false, "second char is not in A to Z and 0 to 9"},
        {"AB-", false, "third char is not in A to Z and 0 to 9"},
        // Length is counted in bytes: one two-byte character and two letters make four.
        {"\xC3\x84"
         "BC",
         false, "value's length is great than 3."},
        {"\xC3\x84", false, "First char is not in A to Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        bool valid = false;
        EXPECT_EQ(Raised([&] { valid = OvContextProperties::isValidABValue(c.label); }), c.message);
        EXPECT_EQ(valid, c.valid);
    }
}

TEST(ContextProperties, LabelGoesToTheListedTypesOnly) {
    OvContextProperties context;
    context.setProperty("IN", {7, 3});
    for (int type = 0; type < 15; ++type) {
        SCOPED_TRACE(type);
        const auto& entries = context.getEventProperties(type);
        if (type == 7 || type == 3) {
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].key, "ovc_ab");
            EXPECT_EQ(entries[0].tag, OvContextProperties::kString);
            EXPECT_EQ(std::get<std::string>(*entries[0].value), "IN");
        } else {
            EXPECT_TRUE(entries.empty());
        }
    }
}

TEST(ContextProperties, FailuresKeepWhatWasDoneBefore) {
    OvContextProperties context;
    // The entry for 7 stays, and so does the registration.
    EXPECT_EQ(Raised([&] { context.setProperty("IN", {7, 15}); }), "OvEvent[15] overflow!");
    EXPECT_EQ(context.getEventProperties(7).size(), 1u);
    EXPECT_EQ(Raised([&] { context.setProperty("AB", {3}); }), "Property[ovc_ab] already exist!");
    EXPECT_TRUE(context.getEventProperties(3).empty());

    EXPECT_EQ(Raised([&] { context.getEventProperties(15); }), "OvEvent[15] overflow!");
    EXPECT_EQ(Raised([&] { context.getEventProperties(-1); }), "OvEvent[-1] overflow!");
    EXPECT_EQ(Raised([&] { OvContextProperties().setProperty("IN", {-1}); }),
              "OvEvent[-1] overflow!");
}

TEST(ContextProperties, ExceptionNamesTheRaisingFileAndOperation) {
    try {
        OvContextProperties().getEventProperties(20);
        FAIL() << "no exception";
    } catch (const OvException& e) {
        EXPECT_NE(e.file().find("ov_context_properties"), std::string::npos);
        EXPECT_EQ(e.function(), "getEventProperties");
        EXPECT_EQ(e.code(), -1);
        EXPECT_GT(e.line(), 0);
    }
}

TEST(ContextProperties, EmptyObjectAddsNothing) {
    event_collect::PropertiesNode properties;
    properties.SetString("ov_name", "x");
    for (int type = 0; type < 15; ++type)
        ApplyContextProperties(OvContextProperties(), static_cast<OvEventType>(type), &properties);
    EXPECT_EQ(properties.ToJson(), "{\"ov_name\":\"x\"}");
}

TEST(ContextEntry, EachTagEntersInItsForm) {
    analytics_test::DiagnosticCapture diagnostics;  // the malformed text's line
    // Local time for the date-time tag: the expected text is built the same way here.
    auto local = [](std::time_t seconds, int milliseconds) {
        std::tm tm{};
        platform::ToLocalTime(seconds, &tm);
        char text[64];
        std::snprintf(text, sizeof text, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"",
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, milliseconds);
        return std::string(text);
    };
    using Value = OvContextProperties::Value;
    const struct {
        const char* name;
        Value value;
        int tag;
        std::string json;
    } cases[] = {
        {"bool", Value(true), 0, "{\"k\":true}"},
        {"seconds", Value(int64_t{1600000000}), 1, "{\"k\":" + local(1600000000, 0) + "}"},
        {"milliseconds", Value(int64_t{1600000000123}), 1,
         "{\"k\":" + local(1600000000, 123) + "}"},
        {"number", Value(2.5), 2, "{\"k\":2.5}"},
        {"text", Value(std::string("IN")), 3, "{\"k\":\"IN\"}"},
        {"list", Value(std::vector<std::string>{"a", "b"}), 4, "{\"k\":[\"a\",\"b\"]}"},
        {"malformed text is left out", Value(std::string("\x01")), 3, "{}"},
        {"value not of its tag is left out", Value(true), 3, "{}"},
        {"unknown tag", Value(true), 9, "{}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        event_collect::PropertiesNode properties;
        ApplyContextEntry({std::make_shared<const Value>(c.value), c.tag, "k"}, &properties);
        EXPECT_EQ(properties.ToJson(), c.json);
    }
}

}  // namespace
