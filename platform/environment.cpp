#include "platform/environment.h"

#include <stdlib.h>

namespace platform {

std::optional<std::string> GetEnv(const char* name) {
    const char* value = getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace platform
