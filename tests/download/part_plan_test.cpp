#include "download/part_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PartPlan, SplitsAtTwentyMebibytesIntoInclusiveRanges) {
    const struct {
        int64_t length;
        std::vector<PartRange> parts;
        std::vector<std::string> ranges;  // what each part asks the server for
    } cases[] = {
        {256, {{0, 255}}, {"0-255"}},
        {20971519, {{0, 20971518}}, {"0-20971518"}},
        {20971520, {{0, 10485759}, {10485760, 20971519}}, {"0-10485759", "10485760-20971519"}},
        // The last part takes the remainder.
        {20971521, {{0, 10485759}, {10485760, 20971520}}, {"0-10485759", "10485760-20971520"}},
        // Never more than two parts, and offsets past 2 GiB and 4 GiB are not cut to 32 bits.
        {5368709121,
         {{0, 2684354559}, {2684354560, 5368709120}},
         {"0-2684354559", "2684354560-5368709120"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::vector<PartRange> parts = SplitParts(c.length);
        EXPECT_EQ(parts, c.parts);
        std::vector<std::string> ranges;
        for (const auto& part : parts)
            ranges.push_back(RangeText(part.first, part.last));
        EXPECT_EQ(ranges, c.ranges);
    }
}

TEST(PartPlan, AcceptsOnlyTheRequestedRangeOfTheSamePackage) {
    // The request is for 10485760-20971520 of a 20971521-byte package.
    const struct {
        const char* value;
        bool accepted;
    } cases[] = {
        {"bytes 10485760-20971520/20971521", true},
        {"BYTES 10485760-20971520/20971521", true},
        {"bytes 10485760-20971520/*", true},
        {"bytes 0-10485759/20971521", false},         // another part's bytes
        {"bytes 10485760-20000000/20971521", false},  // shorter than asked for
        {"bytes 10485761-20971520/20971521", false},
        {"bytes 10485760-20971520/30000000", false},  // the package changed
        {"bytes */20971521", false},
        {"bytes 10485760-20971520", false},
        {"items 10485760-20971520/20971521", false},
        {"bytes 10485760-20971520/20971521x", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ContentRangeMatches(c.value, 10485760, 20971520, 20971521), c.accepted);
    }
    // The numbers are digits only: a sign is refused even where it changes no value.
    EXPECT_TRUE(ContentRangeMatches("bytes 0-10485759/20971521", 0, 10485759, 20971521));
    EXPECT_FALSE(ContentRangeMatches("bytes -0-10485759/20971521", 0, 10485759, 20971521));
    EXPECT_FALSE(ContentRangeMatches("bytes +0-10485759/20971521", 0, 10485759, 20971521));
}

}  // namespace
