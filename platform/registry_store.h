// The per-user registry: string values of keys under HKEY_CURRENT_USER.
//
// On Windows this is the system's registry. Values are written as REG_SZ; REG_EXPAND_SZ
// values are read as the text they hold, "%NAME%" references left as they are, and a value
// of any other type reads as kFailed. A key deleted by another program after it was opened
// reads as kNotFound and refuses writes (kFailed). Copies of a RegistryKey share one open key
// of the system, closed when the last copy goes.
//
// On Linux the registry is kept in the ini file "OrvaneSoft/Collivo.reg" under
// $XDG_CONFIG_HOME (when that is an absolute path, else under ~/.config). Each key is one
// section named by its full path, for example
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
// no escape above stays a "\". Nothing is cached: each call reads or writes the file, writes
// atomically (temporary file, then rename). Wide characters that UTF-8 cannot hold (lone
// surrogates) come back as U+FFFD.
//
// On both, value names ignore letter case (the Linux store folds ASCII letters only, other
// letters match exactly) and the unnamed (default) value is not supported. Safe on any
// thread.
#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
#include <memory>

struct HKEY__;  // an open key of the system (HKEY)
#endif

namespace platform {

enum class RegStatus {
    kOk,
    kNotFound,  // the store, the key or the value does not exist
    kFailed,    // an invalid name, a key opened for reading only, a value that is not text
                // (Windows), or a system or file error
};

#ifndef _WIN32
// The store file's path, read from the environment at each call; empty when there is
// neither $XDG_CONFIG_HOME nor a home folder. Linux only: Windows keeps the registry itself.
std::string RegistryStorePath();
#endif

// An open key. Copyable: on Linux it holds no system resource, only the key's place in the
// store; on Windows copies share the system's open key.
class RegistryKey {
public:
    RegistryKey() = default;

    // `subKey` is relative to HKEY_CURRENT_USER, with "\" between its parts, for example
    // "Software\\OrvaneSoft\\Collivo". A part may not be empty nor start or end with a blank,
    // and the path holds no "]" or control character (kFailed), on Windows as well, where the
    // registry would take such names.

    // Opens an existing key for reading only.
    static RegStatus Open(std::wstring_view subKey, RegistryKey* key);
    // Opens the key for reading and writing, creating the key when missing (on Linux also
    // the store's folders, mode 0700, and the file, mode 0600).
    static RegStatus Create(std::wstring_view subKey, RegistryKey* key);

#ifdef _WIN32
    bool IsOpen() const { return m_key != nullptr; }
#else
    bool IsOpen() const { return !m_file.empty(); }
#endif

    // An empty value name gives kFailed (on Windows so does a name holding a NUL). kNotFound
    // when the value (or, by now, the key) does not exist; an empty value is kOk. Writing
    // through a key from Open gives kFailed.
    RegStatus QueryString(std::wstring_view name, std::wstring* value) const;
    RegStatus SetString(std::wstring_view name, std::wstring_view value);
    RegStatus DeleteValue(std::wstring_view name);

private:
#ifdef _WIN32
    std::shared_ptr<HKEY__> m_key;
#else
    std::string m_file;
    std::string m_section;
#endif
    bool m_writable = false;
};

}  // namespace platform
