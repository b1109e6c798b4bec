#include "analytics/sdk/track_id.h"

#include <cstdlib>

namespace event_collect {

int64_t MakeTrackId(int r1, int r2, int64_t epochMilliseconds) {
    // Taking the digits as text and parsing the concatenation is the same as placing each
    // part at its decimal position.
    const int64_t a = r1 % 100;
    const int64_t b = r2 % 1000;
    const int64_t c = epochMilliseconds % 10000;
    return (a * 1000 + b) * 10000 + (c < 0 ? -c : c);
}

int64_t NewTrackId(int64_t epochMilliseconds) {
    const int r1 = std::rand() % 99 + 100;
    const int r2 = std::rand() % 999 + 1000;
    return MakeTrackId(r1, r2, epochMilliseconds);
}

}  // namespace event_collect
