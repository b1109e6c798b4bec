// Parses the one byte range the package server honours: "bytes=N-" or "bytes=N-M"
// (inclusive). Pure function.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace package_server {

struct ByteRange {
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive
};

enum class RangeKind {
    kNone,           // no usable range: send the whole file (also for forms we do not serve)
    kSatisfiable,    // `range` holds the bytes to send, clipped to the file
    kUnsatisfiable,  // starts at or past the end of the file: 416
};

struct RangeRequest {
    RangeKind kind = RangeKind::kNone;
    ByteRange range;
};

RangeRequest ParseRange(std::string_view header, uint64_t fileLength);

}  // namespace package_server
