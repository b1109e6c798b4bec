// How the multi-part downloader cuts a package into byte ranges, and how it recognises the
// answer to a range request. Pure functions, safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One part of the package: package offsets of its first and last byte (inclusive).
struct PartRange {
    int64_t first = 0;
    int64_t last = 0;
    bool operator==(const PartRange&) const = default;
};

// 10 MiB: a package below twice this is fetched as one part, any larger one as two.
inline constexpr int64_t kPartUnit = 10485760;

// The parts of a package of `length` bytes (length > 0): length / 10 MiB of them, at least
// one and at most two, of length / n bytes each; the last one also takes the remainder.
std::vector<PartRange> SplitParts(int64_t length);

// The value of a range request for the bytes from `first` to `last`: "first-last".
std::string RangeText(int64_t first, int64_t last);

// Whether a Content-Range value ("bytes first-last/complete length") answers a request for
// exactly `first` to `last` of a package of `length` bytes. An unknown length ("*") is
// accepted; a different one means the package changed.
bool ContentRangeMatches(std::string_view value, int64_t first, int64_t last, int64_t length);
