// Random bytes from the system's generator (getrandom on Linux; on Windows CNG's preferred
// generator, BCryptGenRandom), for identifiers. Safe on any thread.
#pragma once

#include <cstddef>

namespace platform {

// Fills `size` bytes at `buffer`; false when the generator cannot deliver them.
bool RandomBytes(void* buffer, size_t size);

}  // namespace platform
