// The debug-output sink of platform/debug_output.h: each line to the debugger
// (OutputDebugStringW) and, as on Linux, to standard error with one write per line.
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/debug_output.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

std::atomic<DebugSink*> g_sink{nullptr};

void ToStandardError(std::string_view line) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;  // a program without one
    // One call per line; a pipe keeps a write whole up to its buffer's size. Goes on only
    // after a short write.
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        const DWORD part = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(error, p, part, &written, nullptr) || written == 0) return;
        p += written;
        left -= written;
    }
}

}  // namespace

void WriteDebugOutput(std::string_view line) {
    if (DebugSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Write(line);
        return;
    }
    const std::wstring wide = WideFromUtf8(line);
    if (!wide.empty()) OutputDebugStringW(wide.c_str());
    ToStandardError(line);
}

void SetDebugSink(DebugSink* sink) {
    g_sink.store(sink, std::memory_order_release);
}

}  // namespace platform
