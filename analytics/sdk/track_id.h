// The random 9-digit track id of an event record. MakeTrackId is pure; NewTrackId draws from
// the C library's generator and must be called with the library lock held.
#pragma once

#include <cstdint>

namespace event_collect {

// Last two digits of r1, last three of r2 and last four of the epoch milliseconds, read as
// one decimal number (so leading zeros vanish).
int64_t MakeTrackId(int r1, int r2, int64_t epochMilliseconds);

// r1 = rand() mod 99 + 100, r2 = rand() mod 999 + 1000.
int64_t NewTrackId(int64_t epochMilliseconds);

}  // namespace event_collect
