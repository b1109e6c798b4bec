// The debug-output sink for trace lines: one write per line to standard error, so lines of
// different threads never interleave (on Windows each line goes to the debugger as well,
// OutputDebugStringW). Tests may redirect it. Safe on any thread.
#pragma once

#include <string_view>

namespace platform {

class DebugSink {
public:
    virtual ~DebugSink() = default;
    // Called on the logging thread with one whole line; must be thread-safe.
    virtual void Write(std::string_view line) = 0;
};

void WriteDebugOutput(std::string_view line);

// Sends every later line to `sink` (null restores standard error). The caller keeps the sink
// alive until it is replaced.
void SetDebugSink(DebugSink* sink);

}  // namespace platform
