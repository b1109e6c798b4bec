#include "platform/system_names.h"

#include "platform/os_info.h"

namespace platform {

SystemNames RunningSystemNames(bool is64BitSystem) {
    return {kOsName, "LinuxCPP", is64BitSystem ? "Linux64" : "Linux32"};
}

}  // namespace platform
