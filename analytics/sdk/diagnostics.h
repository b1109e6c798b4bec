// Diagnostic lines of the event-collection library: one whole line per refusal or failure,
// written to standard error. Tests may redirect them. Safe on any thread.
#pragma once

#include <string_view>

namespace event_collect {

class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    // Receives one line without its line end; called on the reporting thread.
    virtual void Write(std::string_view line) = 0;
};

// Writes `line` plus a line feed with one write call, or hands it to the installed sink.
void WriteDiagnostic(std::string_view line);

// Sends every later line to `sink` (null restores standard error). The caller keeps the sink
// alive until it is replaced.
void SetDiagnosticSink(DiagnosticSink* sink);

}  // namespace event_collect
