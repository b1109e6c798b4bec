// Free and total space of the volume that holds a folder. One object per caller; it keeps
// the figures of its last successful check.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
public:
    virtual ~HardDiskManager() = default;

    // Fills the three figures for the volume of `directory` (or of its nearest existing
    // parent); on failure logs the error code, leaves them as they were and returns false.
    bool CheckFreeSpace(const std::wstring& directory);

    uint64_t freeBytesAvailable = 0;  // free space available to the calling user
    uint64_t totalBytes = 0;          // size of the volume
    uint64_t totalFreeBytes = 0;      // free space on the volume
};

}  // namespace Utils
