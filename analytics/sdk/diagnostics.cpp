#include "analytics/sdk/diagnostics.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace event_collect {
namespace {

std::atomic<DiagnosticSink*> g_sink{nullptr};

}  // namespace

void WriteDiagnostic(std::string_view line) {
    if (DiagnosticSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Write(line);
        return;
    }
    // One call per whole line (standard error is unbuffered) so that lines of concurrent
    // senders never interleave.
    std::string whole(line);
    whole.push_back('\n');
    std::fwrite(whole.data(), 1, whole.size(), stderr);
}

void SetDiagnosticSink(DiagnosticSink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

}  // namespace event_collect
