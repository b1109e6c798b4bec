// Resources linked into the executable, found by (type, id) like the system's resource section.
// The build links files in with collivo_add_resource (platform/resources.cmake), whose generated
// code registers them before main runs. Registration and lookup are safe on any thread; the
// bytes are never freed, so a found span stays valid for the life of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

struct ResourceBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Registers `size` bytes at `data` under (type, id); the caller keeps the bytes alive for the
// life of the process. A second registration under the same key replaces the first.
void RegisterResource(std::string_view type, int id, const void* data, size_t size);

// Finds the bytes registered under (type, id); false when there are none.
bool FindResource(std::string_view type, int id, ResourceBytes* out);

}  // namespace platform
