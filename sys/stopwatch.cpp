#include "sys/stopwatch.h"

#include "platform/clock.h"

namespace Utils {

void Stopwatch::Start() {
    running = true;
    startTick = platform::TickCount();
}

float Stopwatch::Elapsed() const {
    if (!running) return 0.0f;
    const uint32_t elapsedMs = platform::TickCount() - startTick;  // unsigned: survives the wrap
    return static_cast<float>(elapsedMs) / 1000.0f;
}

}  // namespace Utils
