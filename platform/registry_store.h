// The per-user registry: string values of keys under HKEY_CURRENT_USER, kept in the ini file
// "OrvaneSoft/Collivo.reg" under $XDG_CONFIG_HOME (when that is an absolute path, else under
// ~/.config). Each key is one section named by its full path, for example
//
//     [HKEY_CURRENT_USER\Software\OrvaneSoft\Collivo]
//     InstallPath="/home/ann/.local/opt/Collivo"
//
// Values are stored between double quotes so that blanks and quotes at either end survive;
// inside them "\" is written "\\" and control characters (line breaks, tabs, ...) as "\xHH"
// (two upper-case hex digits); everything else, non-ASCII text included, is stored as UTF-8.
// Value names are escaped the same way (without the quotes), and additionally a "=" anywhere
// and a ";", "[" or blank at the start, and a blank at the end, become "\xHH". Reading is
// lenient with hand-edited files: an unquoted value is taken as it is, and a "\" that starts
// no escape above stays a "\".
//
// Nothing is cached: each call reads or writes the file, writes atomically (temporary file,
// then rename). Value names match ASCII case-insensitively, as in the registry (non-ASCII
// letters match exactly); the unnamed (default) value is not supported. Wide characters that
// UTF-8 cannot hold (lone surrogates) come back as U+FFFD. Safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class RegStatus {
    kOk,
    kNotFound,  // the store, the key or the value does not exist
    kFailed,    // an invalid name, a key opened for reading only, or a file error
};

// The store file's path, read from the environment at each call; empty when there is
// neither $XDG_CONFIG_HOME nor a home folder.
std::string RegistryStorePath();

// An open key. Copyable; holds no system resource, only the key's place in the store.
class RegistryKey {
public:
    RegistryKey() = default;

    // `subKey` is relative to HKEY_CURRENT_USER, with "\" between its parts, for example
    // "Software\\OrvaneSoft\\Collivo". A part may not be empty nor start or end with a blank,
    // and the path holds no "]" or control character (kFailed).

    // Opens an existing key for reading only.
    static RegStatus Open(std::wstring_view subKey, RegistryKey* key);
    // Opens the key for reading and writing, creating the store's folders (mode 0700), the
    // file (mode 0600) and the key when missing.
    static RegStatus Create(std::wstring_view subKey, RegistryKey* key);

    bool IsOpen() const { return !m_file.empty(); }

    // An empty value name gives kFailed. kNotFound when the value (or, by now, the key) does
    // not exist; an empty value is kOk. Writing through a key from Open gives kFailed.
    RegStatus QueryString(std::wstring_view name, std::wstring* value) const;
    RegStatus SetString(std::wstring_view name, std::wstring_view value);
    RegStatus DeleteValue(std::wstring_view name);

private:
    std::string m_file;
    std::string m_section;
    bool m_writable = false;
};

}  // namespace platform
