// The file name lookup of platform/file_name_case.h: the system's file systems ignore letter
// case themselves, so a path is opened as it is given.
#include "platform/file_name_case.h"

namespace platform {

std::string ResolveFileNameCase(const std::string& path) {
    return path;
}

}  // namespace platform
