// Random bytes from the kernel's generator, for identifiers. Safe on any thread.
#pragma once

#include <cstddef>

namespace platform {

// Fills `size` bytes at `buffer`; false when the generator cannot deliver them.
bool RandomBytes(void* buffer, size_t size);

}  // namespace platform
