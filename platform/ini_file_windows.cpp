// The profile-string files of platform/ini_file.h over the system's own profile functions;
// the narrow forms convert UTF-8 to UTF-16 around the wide ones.
#include <windows.h>

// After windows.h, whose macros of the same names it takes back.
#include "platform/ini_file.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

constexpr std::wstring_view kBlanks = L" \t\r\v\f";
constexpr std::string_view kNarrowBlanks = " \t\r\v\f";
// Values and lists are read into a buffer that grows until they fit, up to this many
// characters.
constexpr DWORD kLargestValue = 1u << 24;
// Deletions of one key or section a write repeats at most (one per line or section of it).
constexpr int kMostDeletions = 256;

std::wstring Trim(std::wstring_view s) {
    const size_t start = s.find_first_not_of(kBlanks);
    if (start == std::wstring_view::npos) return {};
    return std::wstring(s.substr(start, s.find_last_not_of(kBlanks) - start + 1));
}

bool HoldsNul(std::wstring_view s) {
    return s.find(L'\0') != std::wstring_view::npos;
}

bool BreaksLine(std::wstring_view s) {
    return s.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos;
}

// The names the Linux form refuses to write, refused here before the system sees them: it
// would write most of them and break the file's lines.
bool IsValidSection(std::wstring_view section) {
    const std::wstring name = Trim(section);
    return !name.empty() && !BreaksLine(name) && name.find(L']') == std::wstring::npos;
}

bool IsValidKey(std::wstring_view key) {
    const std::wstring name = Trim(key);
    return !name.empty() && !BreaksLine(name) && name.find(L'=') == std::wstring::npos &&
           name.front() != L';' && name.front() != L'[';
}

// The file as the system must be given it: a name without a folder would be looked for in the
// Windows folder, so a relative path becomes a full one here. Empty when there is no file to
// name; the system would take an empty name for its own win.ini.
std::wstring SystemPath(std::wstring_view path) {
    if (path.empty() || HoldsNul(path)) return {};
    const std::wstring given(path);
    const DWORD size = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(given.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return {};
    full.resize(length);
    return full;
}

enum class FileState { kMissing, kReadable, kUnreadable };

// Whether the file is there to be read: a folder in its place, or a file this user may not
// read, is not; the system would take either for an empty file and might write over it.
FileState StateOf(const std::wstring& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return FileState::kReadable;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileState::kMissing
                                                                          : FileState::kUnreadable;
}

// The system writes a file in the "ANSI" code page unless it starts with the UTF-16
// byte-order mark; a file made here starts with one, so that any text survives.
void CreateUnicodeFile(const std::wstring& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;  // there already, or the write fails below
    static constexpr unsigned char kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(handle, kBom, sizeof kBom, &written, nullptr);
    CloseHandle(handle);
}

// What the system reads for `key`, `defaultValue` for a missing one. The system cuts a value
// too long for the buffer to the buffer's size less one, so the buffer grows until it fits.
std::wstring SystemString(const std::wstring& section, const std::wstring& key,
                          const wchar_t* defaultValue, const std::wstring& file) {
    std::wstring buffer(256, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue,
                                                        buffer.data(), size, file.c_str());
        if (length + 1 < size || size >= kLargestValue) {
            buffer.resize(length < size ? length : size - 1);
            return buffer;
        }
        buffer.assign(static_cast<size_t>(size) * 4, L'\0');
    }
}

// The value, or nothing when the key is missing. The system gives a missing key's default
// back, so two reads with different defaults tell a missing key from a value equal to one.
std::optional<std::wstring> ReadValue(std::wstring_view section, std::wstring_view key,
                                      std::wstring_view path) {
    const std::wstring file = SystemPath(path);
    const std::wstring sectionName = Trim(section);
    const std::wstring keyName = Trim(key);
    if (file.empty() || sectionName.empty() || keyName.empty() || HoldsNul(sectionName) ||
        HoldsNul(keyName)) {
        return std::nullopt;
    }
    static constexpr wchar_t kFirst[] = L"\x1";
    static constexpr wchar_t kSecond[] = L"\x2";
    std::wstring value = SystemString(sectionName, keyName, kFirst, file);
    if (value != kFirst) return value;
    value = SystemString(sectionName, keyName, kSecond, file);
    if (value == kSecond) return std::nullopt;
    return value;
}

// The names of the file's sections, each followed by a NUL.
std::wstring SectionNames(const std::wstring& file) {
    std::wstring buffer(1024, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetPrivateProfileSectionNamesW(buffer.data(), size, file.c_str());
        // A list too long for the buffer comes back as its size less two.
        if (length + 2 < size || size >= kLargestValue) {
            buffer.resize(length < size ? length : size);
            return buffer;
        }
        buffer.assign(static_cast<size_t>(size) * 4, L'\0');
    }
}

// Whether the file has a section `name` (trimmed), matched as the system matches names:
// every letter without regard to case.
bool SectionExists(const std::wstring& name, const std::wstring& file) {
    if (file.empty() || name.empty() || HoldsNul(name)) return false;
    const std::wstring names = SectionNames(file);
    for (size_t start = 0; start < names.size();) {
        const size_t end = names.find(L'\0', start);
        const std::wstring_view found =
            std::wstring_view(names).substr(start, end == std::wstring::npos ? end : end - start);
        if (CompareStringOrdinal(found.data(), static_cast<int>(found.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
            return true;
        }
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return false;
}

// Backs off from a cut inside a UTF-8 sequence to its first byte; at most three continuation
// bytes belong to one character, so malformed text is still cut close to the limit.
size_t Utf8CutPoint(std::string_view s, size_t limit) {
    if (limit >= s.size()) return s.size();
    size_t cut = limit;
    for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80; ++i) {
        --cut;
    }
    return cut;
}

}  // namespace

std::optional<std::string> ReadProfileValue(std::string_view section, std::string_view key,
                                            const std::string& path) {
    const std::optional<std::wstring> value =
        ReadValue(WideFromUtf8(section), WideFromUtf8(key), WideFromUtf8(path));
    if (!value) return std::nullopt;
    return Utf8FromWide(*value);
}

bool ProfileSectionExists(std::string_view section, const std::string& path) {
    return SectionExists(Trim(WideFromUtf8(section)), SystemPath(WideFromUtf8(path)));
}

bool AddProfileSection(std::string_view section, const std::string& path) {
    const std::wstring name = Trim(WideFromUtf8(section));
    const std::wstring file = SystemPath(WideFromUtf8(path));
    if (!IsValidSection(name) || file.empty() || StateOf(file) == FileState::kUnreadable)
        return false;
    if (SectionExists(name, file)) return true;
    CreateUnicodeFile(file);
    // The system writes no header without a key below it, but keeps the header when its last
    // key goes: a key of the new section, removed again, leaves the section empty.
    static constexpr wchar_t kPlaceholder[] = L"Collivo.NewSection";
    if (!::WritePrivateProfileStringW(name.c_str(), kPlaceholder, L"", file.c_str()) ||
        !::WritePrivateProfileStringW(name.c_str(), kPlaceholder, nullptr, file.c_str())) {
        return false;
    }
    return SectionExists(name, file);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t size,
                                    const std::string& path) {
    if (size == 0) return {};
    const std::optional<std::string> value = ReadProfileValue(section, key, path);
    std::string result;
    if (value) {
        result = *value;
    } else {
        const size_t end = defaultValue.find_last_not_of(kNarrowBlanks);
        result = defaultValue.substr(0, end == std::string_view::npos ? 0 : end + 1);
    }
    result.resize(Utf8CutPoint(result, size - 1));
    return result;
}

std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue, size_t size,
                                     std::wstring_view path) {
    if (size == 0) return {};
    std::optional<std::wstring> value = ReadValue(section, key, path);
    std::wstring result;
    if (value) {
        result = std::move(*value);
    } else {
        const size_t end = defaultValue.find_last_not_of(kBlanks);
        result = defaultValue.substr(0, end == std::wstring_view::npos ? 0 : end + 1);
    }
    if (result.size() > size - 1) result.resize(size - 1);
    return result;
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& path) {
    return GetPrivateProfileInt(WideFromUtf8(section), WideFromUtf8(key), defaultValue,
                                WideFromUtf8(path));
}

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view path) {
    const std::wstring file = SystemPath(path);
    const std::wstring sectionName = Trim(section);
    const std::wstring keyName = Trim(key);
    if (file.empty() || sectionName.empty() || keyName.empty() || HoldsNul(sectionName) ||
        HoldsNul(keyName)) {
        return defaultValue;
    }
    return static_cast<int>(
        ::GetPrivateProfileIntW(sectionName.c_str(), keyName.c_str(), defaultValue, file.c_str()));
}

bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path) {
    const std::wstring wideKey = key ? WideFromUtf8(*key) : std::wstring();
    const std::wstring wideValue = value ? WideFromUtf8(*value) : std::wstring();
    return WritePrivateProfileString(
        WideFromUtf8(section), key ? std::optional<std::wstring_view>(wideKey) : std::nullopt,
        value ? std::optional<std::wstring_view>(wideValue) : std::nullopt, WideFromUtf8(path));
}

bool WritePrivateProfileString(std::wstring_view section, std::optional<std::wstring_view> key,
                               std::optional<std::wstring_view> value, std::wstring_view path) {
    if (!IsValidSection(section)) return false;
    if (key && (!IsValidKey(*key) || (value && BreaksLine(*value)))) return false;
    const std::wstring file = SystemPath(path);
    if (file.empty()) return false;
    const std::wstring sectionName = Trim(section);
    const std::wstring keyName = key ? Trim(*key) : std::wstring();
    const FileState state = StateOf(file);
    if (state == FileState::kUnreadable) return false;
    if (!value || !key) {
        // Nothing to delete in a file that is not there; the system would create it.
        if (state == FileState::kMissing) return true;
        // Each call of the system removes the first section of the name, or the first line of
        // the key in it: repeat until reads find nothing.
        for (int round = 0; round < kMostDeletions; ++round) {
            const bool present = key ? ReadValue(sectionName, keyName, file).has_value()
                                     : SectionExists(sectionName, file);
            if (!present) return true;
            if (!::WritePrivateProfileStringW(sectionName.c_str(), key ? keyName.c_str() : nullptr,
                                              nullptr, file.c_str())) {
                return false;
            }
        }
        return false;
    }
    CreateUnicodeFile(file);
    return ::WritePrivateProfileStringW(sectionName.c_str(), keyName.c_str(),
                                        std::wstring(*value).c_str(), file.c_str()) != 0;
}

}  // namespace platform
