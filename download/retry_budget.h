// The retry budget of one download run: 12 points, a transfer that ended with a partial file
// (CURLE_PARTIAL_FILE, 18) costs 1 because the next try resumes it, anything else costs 2.
// So six failures of other kinds, or twelve partial transfers, end the run.
#pragma once

class RetryBudget {
public:
    static constexpr int kInitial = 12;
    static constexpr int kPartialFile = 18;

    // Charges one failed transfer; false when the budget is used up and the run gives up.
    bool Spend(int code) {
        m_left -= code == kPartialFile ? 1 : 2;
        return m_left > 0;
    }
    int Left() const { return m_left; }

private:
    int m_left = kInitial;
};
