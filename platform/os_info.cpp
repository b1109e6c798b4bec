#include "platform/os_info.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::string Unquote(std::string_view value) {
    // Shell-style value: either quote pair, with backslash escaping the next character.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

std::string ReadFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::string ParseOsReleaseVersionId(std::string_view text) {
    constexpr std::string_view kKey = "VERSION_ID=";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.substr(0, kKey.size()) == kKey) return Unquote(line.substr(kKey.size()));
        start = end + 1;
    }
    return {};
}

std::string OsReleaseVersion() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::string version = ParseOsReleaseVersionId(ReadFile(path));
        if (!version.empty()) return version;
    }
    utsname names{};
    if (uname(&names) != 0) return {};
    return names.release;
}

int MachineBitsFromName(std::string_view machine) {
    if (machine.empty()) return 0;
    // Every 64-bit machine name carries "64" (x86_64, aarch64, ppc64le, riscv64) except s390x.
    return machine.find("64") != std::string_view::npos || machine == "s390x" ? 64 : 32;
}

int MachineBits() {
    utsname names{};
    if (uname(&names) != 0) return 0;
    return MachineBitsFromName(names.machine);
}

}  // namespace platform
