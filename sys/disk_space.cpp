#include "sys/disk_space.h"

#include "platform/disk_space.h"
#include "sys/log.h"
#include "sys/text.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory) {
    platform::DiskSpace space;
    const int code = platform::QueryDiskSpace(ToUtf8(directory), space);
    if (code != 0) {
        LOG_TRACE(L"Utils::HardDiskManager::CheckFreeSpace",
                  L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", static_cast<long>(code));
        return false;
    }
    freeBytesAvailable = space.freeBytesAvailable;
    totalBytes = space.totalBytes;
    totalFreeBytes = space.totalFreeBytes;
    return true;
}

}  // namespace Utils
