// The per-user registry of platform/registry_store.h: the system's own, under
// HKEY_CURRENT_USER.
#include <windows.h>

#include "platform/registry_store.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The same names as on Linux are refused, so that a key valid on one system is valid on the
// other (the registry itself would take most of them, and "" would be HKEY_CURRENT_USER).
bool IsValidKeyPath(std::wstring_view path) {
    if (path.empty()) return false;
    size_t start = 0;
    for (;;) {
        const size_t found = path.find(L'\\', start);
        const size_t end = found == std::wstring_view::npos ? path.size() : found;
        const std::wstring_view part = path.substr(start, end - start);
        if (part.empty() || IsBlank(part.front()) || IsBlank(part.back())) return false;
        for (const wchar_t c : part) {
            if (c < 0x20 || c == 0x7F || c == L']') return false;
        }
        if (end == path.size()) return true;
        start = end + 1;
    }
}

// The system takes names up to their first NUL; a name holding one would name another value.
bool IsValidValueName(std::wstring_view name) {
    return !name.empty() && name.find(L'\0') == std::wstring_view::npos;
}

RegStatus StatusOf(LSTATUS status) {
    if (status == ERROR_SUCCESS) return RegStatus::kOk;
    // A key deleted by someone else after it was opened is gone as well.
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_KEY_DELETED) return RegStatus::kNotFound;
    return RegStatus::kFailed;
}

std::shared_ptr<HKEY__> Hold(HKEY key) {
    return std::shared_ptr<HKEY__>(key, [](HKEY k) { RegCloseKey(k); });
}

}  // namespace

RegStatus RegistryKey::Open(std::wstring_view subKey, RegistryKey* key) {
    *key = RegistryKey();
    if (!IsValidKeyPath(subKey)) return RegStatus::kFailed;
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(subKey).c_str(), 0, KEY_READ, &opened);
    if (status != ERROR_SUCCESS) return StatusOf(status);
    key->m_key = Hold(opened);
    return RegStatus::kOk;
}

RegStatus RegistryKey::Create(std::wstring_view subKey, RegistryKey* key) {
    *key = RegistryKey();
    if (!IsValidKeyPath(subKey)) return RegStatus::kFailed;
    HKEY created = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, std::wstring(subKey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &created, nullptr);
    // Creating never reports a missing key: any failure is one.
    if (status != ERROR_SUCCESS) return RegStatus::kFailed;
    key->m_key = Hold(created);
    key->m_writable = true;
    return RegStatus::kOk;
}

RegStatus RegistryKey::QueryString(std::wstring_view name, std::wstring* value) const {
    value->clear();
    if (!IsOpen() || !IsValidValueName(name)) return RegStatus::kFailed;
    const std::wstring valueName(name);
    std::wstring data;
    for (;;) {
        DWORD type = 0;
        DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const LSTATUS status =
            RegQueryValueExW(m_key.get(), valueName.c_str(), nullptr, &type,
                             data.empty() ? nullptr : reinterpret_cast<BYTE*>(data.data()), &bytes);
        // The first round asks only for the size; a value that grew in between asks again.
        if ((status == ERROR_SUCCESS && data.empty() && bytes > 0) || status == ERROR_MORE_DATA) {
            data.assign(bytes / sizeof(wchar_t) + 1, L'\0');
            continue;
        }
        if (status != ERROR_SUCCESS) return StatusOf(status);
        // A text stored with "%NAME%" references (REG_EXPAND_SZ) is read as text, unexpanded.
        if (type != REG_SZ && type != REG_EXPAND_SZ) return RegStatus::kFailed;
        // Stored text need not end with its terminator, or may end with more than one.
        data.resize(bytes / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0')
            data.pop_back();
        *value = std::move(data);
        return RegStatus::kOk;
    }
}

RegStatus RegistryKey::SetString(std::wstring_view name, std::wstring_view value) {
    if (!m_writable || !IsValidValueName(name)) return RegStatus::kFailed;
    const std::wstring text(value);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const LSTATUS status = RegSetValueExW(m_key.get(), std::wstring(name).c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    return status == ERROR_SUCCESS ? RegStatus::kOk : RegStatus::kFailed;
}

RegStatus RegistryKey::DeleteValue(std::wstring_view name) {
    if (!m_writable || !IsValidValueName(name)) return RegStatus::kFailed;
    return StatusOf(RegDeleteValueW(m_key.get(), std::wstring(name).c_str()));
}

}  // namespace platform
