#include "platform/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "platform/codepage.h"
#include "platform/ini_file.h"

namespace platform {
namespace {

constexpr std::string_view kRootSection = "HKEY_CURRENT_USER\\";
constexpr std::string_view kStoreFile = "OrvaneSoft/Collivo.reg";

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    WideToMultiByte(kCodePageUtf8, text, &out);
    return out;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

void AppendHexEscape(unsigned char c, std::string* out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out->append("\\x");
    out->push_back(kHex[c >> 4]);
    out->push_back(kHex[c & 0x0F]);
}

// Upper-case hex and a fixed choice of what to escape make the escaped form of a name unique,
// so the store's case-insensitive key match is exactly the registry's match on the name.
std::string Escape(std::string_view text, bool isName) {
    std::string out;
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool first = i == 0;
        const bool last = i + 1 == text.size();
        if (c == '\\') {
            out.append("\\\\");
        } else if (IsControl(c) ||
                   (isName && (c == '=' || (first && (c == ';' || c == '[' || c == ' ')) ||
                               (last && c == ' ')))) {
            AppendHexEscape(c, &out);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out.push_back('\\');
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                   HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The section of a key, or nothing when the path would not survive as a section name.
std::optional<std::string> SectionOf(std::wstring_view subKey) {
    const std::string path = ToUtf8(subKey);
    if (path.empty()) return std::nullopt;
    size_t start = 0;
    while (true) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view part = std::string_view(path).substr(start, end - start);
        if (part.empty() || part.front() == ' ' || part.back() == ' ') return std::nullopt;
        for (const char c : part) {
            if (IsControl(static_cast<unsigned char>(c)) || c == ']') return std::nullopt;
        }
        if (end == path.size()) break;
        start = end + 1;
    }
    return std::string(kRootSection) + path;
}

std::string HomeFolder() {
    if (const char* home = getenv("HOME"); home != nullptr && home[0] == '/') return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

// Creates every missing folder above the file; the store is private to the user, hence 0700.
bool CreateParentFolders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Creates the store file with private permissions; later atomic writes keep them.
bool EnsureStoreFile(const std::string& file) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    close(fd);
    return true;
}

RegStatus OpenKey(std::wstring_view subKey, bool create, std::string* file, std::string* section) {
    std::optional<std::string> name = SectionOf(subKey);
    *file = RegistryStorePath();
    if (!name || file->empty()) return RegStatus::kFailed;
    *section = std::move(*name);
    if (create) {
        if (!CreateParentFolders(*file) || !EnsureStoreFile(*file) ||
            !AddProfileSection(*section, *file)) {
            return RegStatus::kFailed;
        }
        return RegStatus::kOk;
    }
    if (access(file->c_str(), R_OK) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? RegStatus::kNotFound : RegStatus::kFailed;
    }
    return ProfileSectionExists(*section, *file) ? RegStatus::kOk : RegStatus::kNotFound;
}

}  // namespace

std::string RegistryStorePath() {
    std::string base;
    // A relative $XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    if (const char* config = getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        base = config;
    } else if (std::string home = HomeFolder(); !home.empty()) {
        base = home + "/.config";
    } else {
        return {};
    }
    if (base.back() != '/') base.push_back('/');
    return base + std::string(kStoreFile);
}

RegStatus RegistryKey::Open(std::wstring_view subKey, RegistryKey* key) {
    *key = RegistryKey();
    std::string file, section;
    const RegStatus status = OpenKey(subKey, false, &file, &section);
    if (status == RegStatus::kOk) {
        key->m_file = std::move(file);
        key->m_section = std::move(section);
    }
    return status;
}

RegStatus RegistryKey::Create(std::wstring_view subKey, RegistryKey* key) {
    *key = RegistryKey();
    std::string file, section;
    const RegStatus status = OpenKey(subKey, true, &file, &section);
    if (status == RegStatus::kOk) {
        key->m_file = std::move(file);
        key->m_section = std::move(section);
        key->m_writable = true;
    }
    return status;
}

RegStatus RegistryKey::QueryString(std::wstring_view name, std::wstring* value) const {
    value->clear();
    if (!IsOpen() || name.empty()) return RegStatus::kFailed;
    const std::optional<std::string> stored =
        ReadProfileValue(m_section, Escape(ToUtf8(name), true), m_file);
    if (!stored) return RegStatus::kNotFound;
    MultiByteToWide(kCodePageUtf8, Unescape(*stored), value);
    return RegStatus::kOk;
}

RegStatus RegistryKey::SetString(std::wstring_view name, std::wstring_view value) {
    if (!m_writable || name.empty()) return RegStatus::kFailed;
    // The file may have been removed since the key was opened; recreate it as private.
    if (!EnsureStoreFile(m_file)) return RegStatus::kFailed;
    const std::string stored = "\"" + Escape(ToUtf8(value), false) + "\"";
    return WritePrivateProfileString(m_section, Escape(ToUtf8(name), true), stored, m_file)
               ? RegStatus::kOk
               : RegStatus::kFailed;
}

RegStatus RegistryKey::DeleteValue(std::wstring_view name) {
    if (!m_writable || name.empty()) return RegStatus::kFailed;
    const std::string escaped = Escape(ToUtf8(name), true);
    if (!ReadProfileValue(m_section, escaped, m_file)) return RegStatus::kNotFound;
    return WritePrivateProfileString(m_section, escaped, std::nullopt, m_file) ? RegStatus::kOk
                                                                               : RegStatus::kFailed;
}

}  // namespace platform
