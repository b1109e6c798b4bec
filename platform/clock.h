// Time sources: the millisecond tick count and the local wall-clock time. Safe on any thread.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// Milliseconds of the monotonic clock, wrapping at 32 bits: the system tick count on Windows
// (GetTickCount), CLOCK_MONOTONIC on Linux.
uint32_t TickCount();

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
// The local wall-clock time (GetLocalTime on Windows).
LocalTime LocalTimeNow();

// The local calendar time of `when` (localtime_r; localtime_s on Windows); false when the
// system cannot convert it, e.g. a time past the years it knows.
inline bool ToLocalTime(std::time_t when, std::tm* out) {
#ifdef _WIN32
    return localtime_s(out, &when) == 0;
#else
    return localtime_r(&when, out) != nullptr;
#endif
}

}  // namespace platform
