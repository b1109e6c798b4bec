// The texts that name Windows in usage reports (platform/system_names.h).
#include "platform/os_info.h"
#include "platform/system_names.h"

namespace platform {

SystemNames RunningSystemNames(bool is64BitSystem) {
    return {kOsName, "WindowsCPP", is64BitSystem ? "Win64" : "Win32"};
}

}  // namespace platform
