#include "download/retry_budget.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// How many transfers a run makes when its transfers keep failing with `pattern`, repeated.
int TransfersUntilGivingUp(const std::vector<int>& pattern) {
    RetryBudget budget;
    for (int transfers = 1;; ++transfers)
        if (!budget.Spend(pattern[(transfers - 1) % pattern.size()])) return transfers;
}

TEST(RetryBudget, PartialTransfersCostOneAndEverythingElseTwo) {
    const struct {
        const char* name;
        std::vector<int> pattern;
        int transfers;
    } cases[] = {
        {"connection refused", {7}, 6},     {"http error", {22}, 6},
        {"package too small", {-998}, 6},   {"partial file", {18}, 12},
        {"18, 7, 18, ...", {18, 7, 18}, 9},  // 1 + 2 + 1 per three tries: 12 after 9
        {"7, 18, ...", {7, 18}, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TransfersUntilGivingUp(c.pattern), c.transfers);
    }
}

}  // namespace
