#include "platform/debug_output.h"

#include <errno.h>
#include <unistd.h>

#include <atomic>

namespace platform {
namespace {

std::atomic<DebugSink*> g_sink{nullptr};

}  // namespace

void WriteDebugOutput(std::string_view line) {
    if (DebugSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Write(line);
        return;
    }
    // One write call per line; a pipe keeps writes up to PIPE_BUF whole, a terminal or file
    // keeps them whole in practice. Retry only on interruption.
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t n = write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void SetDebugSink(DebugSink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

}  // namespace platform
