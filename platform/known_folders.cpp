#include "platform/known_folders.h"

#include <unistd.h>

#include "platform/environment.h"

namespace platform {
namespace {

// An XDG variable counts only when it holds an absolute path; otherwise the folder under the
// home folder is used.
std::optional<std::string> XdgFolder(const char* variable, const char* underHome) {
    const auto value = GetEnv(variable);
    if (value && !value->empty() && (*value)[0] == '/') return *value;
    const auto home = GetEnv("HOME");
    if (!home || home->empty()) return std::nullopt;
    return *home + "/" + underHome;
}

}  // namespace

std::optional<std::string> AppDataFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::optional<std::string> LocalAppDataFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string CommonDocumentsFolder() {
    return "/var/tmp";
}

std::optional<std::string> ProgramFilesFolder() {
    if (access("/opt", W_OK) == 0) return std::string("/opt");
    const auto home = GetEnv("HOME");
    if (!home || home->empty()) return std::nullopt;
    return *home + "/.local/opt";
}

}  // namespace platform
