// Elapsed seconds since the owner started timing. Used on one thread (the window's).
#pragma once

#include <cstdint>

namespace Utils {

struct Stopwatch {
    uint32_t startTick = 0;
    bool running = false;

    void Start();
    // (now - startTick) / 1000 while running, else 0; correct across the tick count's wrap.
    float Elapsed() const;
};

}  // namespace Utils
