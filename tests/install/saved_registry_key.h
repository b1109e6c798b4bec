// A key of the per-user registry as it was, put back when the object goes: the values it had
// are written again and any others deleted, or the key removed when it did not exist. Windows
// only (tests under Wine write to the real registry of their prefix); one test's thread.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace install_test {

class SavedRegistryKey {
public:
    // `subKey` is relative to HKEY_CURRENT_USER.
    explicit SavedRegistryKey(std::wstring subKey) : m_subKey(std::move(subKey)) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        m_existed = true;
        for (const std::wstring& name : ValueNames(key)) {
            DWORD type = 0, size = 0;
            if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS)
                continue;
            Value value{name, type, std::vector<BYTE>(size)};
            RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
            value.data.resize(size);
            m_values.push_back(std::move(value));
        }
        RegCloseKey(key);
    }
    ~SavedRegistryKey() {
        if (!m_existed) {
            RegDeleteTreeW(HKEY_CURRENT_USER, m_subKey.c_str());
            return;
        }
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_subKey.c_str(), 0, nullptr, 0,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        // Its values as they were; its subkeys stay as they are.
        for (const std::wstring& name : ValueNames(key))
            RegDeleteValueW(key, name.c_str());
        for (const Value& value : m_values)
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        RegCloseKey(key);
    }
    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

    // Deletes the key with its subkeys now; at the end its values come back (not the subkeys).
    void Remove() { RegDeleteTreeW(HKEY_CURRENT_USER, m_subKey.c_str()); }

private:
    static std::vector<std::wstring> ValueNames(HKEY key) {
        std::vector<std::wstring> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[16384];
            DWORD size = sizeof name / sizeof name[0];
            if (RegEnumValueW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                return names;
            names.emplace_back(name, size);
        }
    }
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::wstring m_subKey;
    bool m_existed = false;
    std::vector<Value> m_values;
};

}  // namespace install_test
#endif
