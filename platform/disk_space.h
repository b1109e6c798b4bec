// Free and total space of the volume that holds a folder (statvfs on Linux; on Windows
// GetDiskFreeSpaceExW, which also counts the user's disk quota). Safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct DiskSpace {
    uint64_t freeBytesAvailable = 0;  // free space the calling user may use
    uint64_t totalBytes = 0;          // size of the volume
    uint64_t totalFreeBytes = 0;      // free space on the volume, reserved blocks included
};

// Reads the space of the volume of `folder`, or of its nearest existing parent when the
// folder does not exist yet. Returns 0 and fills `space`, or an errno value (ENOTDIR when
// the nearest existing entry is not a folder, ENOENT for an empty path or when nothing of it
// exists, not even its drive) and leaves `space` alone.
int QueryDiskSpace(const std::string& folder, DiskSpace& space);

}  // namespace platform
