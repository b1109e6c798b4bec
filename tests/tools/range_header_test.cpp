// The package server is the tests' stand-in for the download endpoint; its range answers
// decide what the resume tests prove.
#include "tools/package-server/range_header.h"

#include <gtest/gtest.h>

namespace {

using package_server::ParseRange;
using package_server::RangeKind;

TEST(PackageServerRange, HonoursOneInclusiveRangeAndIgnoresOtherForms) {
    constexpr uint64_t kLength = 1000;
    const struct {
        const char* header;
        RangeKind kind;
        uint64_t first, last;
    } cases[] = {
        {"bytes=0-", RangeKind::kSatisfiable, 0, 999},
        {"bytes=400-", RangeKind::kSatisfiable, 400, 999},
        {"bytes=10-19", RangeKind::kSatisfiable, 10, 19},
        {"bytes=999-999", RangeKind::kSatisfiable, 999, 999},
        {"bytes=900-5000", RangeKind::kSatisfiable, 900, 999},
        {"bytes=1000-", RangeKind::kUnsatisfiable, 0, 0},
        {"bytes=2000-3000", RangeKind::kUnsatisfiable, 0, 0},
        {"bytes=-100", RangeKind::kNone, 0, 0},
        {"bytes=1-2,5-6", RangeKind::kNone, 0, 0},
        {"bytes=20-10", RangeKind::kNone, 0, 0},
        {"bytes=x-", RangeKind::kNone, 0, 0},
        {"items=1-2", RangeKind::kNone, 0, 0},
        {"", RangeKind::kNone, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const auto parsed = ParseRange(c.header, kLength);
        EXPECT_EQ(parsed.kind, c.kind);
        if (c.kind == RangeKind::kSatisfiable) {
            EXPECT_EQ(parsed.range.first, c.first);
            EXPECT_EQ(parsed.range.last, c.last);
        }
    }
}

}  // namespace
