#include "platform/resources.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::pair<std::string, int>, ResourceBytes, std::less<>> entries;
};

// Built on first use: generated registrations run during static initialisation, in no
// particular order relative to this file.
Registry& TheRegistry() {
    static auto* registry = new Registry();  // lives for the process
    return *registry;
}

}  // namespace

void RegisterResource(std::string_view type, int id, const void* data, size_t size) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.entries[{std::string(type), id}] = {static_cast<const uint8_t*>(data), size};
}

bool FindResource(std::string_view type, int id, ResourceBytes* out) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto it = registry.entries.find(std::make_pair(std::string(type), id));
    if (it == registry.entries.end()) return false;
    *out = it->second;
    return true;
}

}  // namespace platform
