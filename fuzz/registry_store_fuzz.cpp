// The registry store's escaping (platform/registry_store.h): key paths, value names and values
// made of any wide characters, written to a store file and read back. What must hold:
// - a key path is accepted exactly when its parts are non-empty, start and end with no blank,
//   and it holds no "]" and no control character; an accepted key opens afterwards;
// - a value reads back as written, with characters UTF-8 cannot hold (lone surrogates, values
//   past U+10FFFF) as U+FFFD; an empty name is refused;
// - names match with ASCII letters in either case, and two names that differ otherwise never
//   share a value: writing one leaves the other's value alone, deleting one leaves the other.
// The input, as FuzzedDataProvider reads it: the key path, the name and the value, each ended
// by a backslash and one more character, then the second name. In each, a byte below 0x80 is
// that character; 0x80 to 0xFD with the next two bytes makes a character of up to 21 bits;
// 0xFE or 0xFF with the next four bytes makes any 32-bit unit, negative ones included.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/registry_store.h"

namespace {

std::wstring WideOf(const std::string& bytes) {
    std::wstring out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        auto next = [&] { return ++i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0u; };
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
        } else if (b <= 0xFD) {
            const uint32_t high = (b & 0x1Fu) << 16;
            const uint32_t middle = next() << 8;
            out += static_cast<wchar_t>(high | middle | next());
        } else {
            uint32_t unit = 0;
            for (int k = 0; k < 4; ++k)
                unit = (unit << 8) | next();
            out += static_cast<wchar_t>(unit);
        }
    }
    return out;
}

// What a stored text reads back as.
std::wstring Stored(std::wstring text) {
    for (wchar_t& c : text) {
        const auto cp = static_cast<char32_t>(c);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) c = 0xFFFD;
    }
    return text;
}

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = Stored(a), y = Stored(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (FoldAscii(x[i]) != FoldAscii(y[i])) return false;
    }
    return true;
}

bool ValidKeyPath(const std::wstring& path) {
    const std::wstring text = Stored(path);
    if (text.empty()) return false;
    size_t start = 0;
    while (true) {
        const size_t end = std::min(text.find(L'\\', start), text.size());
        const std::wstring part = text.substr(start, end - start);
        if (part.empty() || part.front() == L' ' || part.back() == L' ') return false;
        for (wchar_t c : part) {
            if (c < 0x20 || c == 0x7F || c == L']') return false;
        }
        if (end == text.size()) return true;
        start = end + 1;
    }
}

const std::string& StoreFile() {
    static const std::string file = [] {
        setenv("XDG_CONFIG_HOME", fuzz::ScratchFolder().c_str(), 1);
        return platform::RegistryStorePath();
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using platform::RegistryKey;
    using platform::RegStatus;
    FuzzedDataProvider input(data, size);
    const std::wstring path = WideOf(input.ConsumeRandomLengthString(60));
    const std::wstring name = WideOf(input.ConsumeRandomLengthString(60));
    const std::wstring value = WideOf(input.ConsumeRandomLengthString(200));
    const std::wstring other = WideOf(input.ConsumeRemainingBytesAsString());

    std::error_code ignored;
    std::filesystem::remove(StoreFile(), ignored);
    RegistryKey key;
    const bool valid = ValidKeyPath(path);
    FUZZ_CHECK((RegistryKey::Create(path, &key) == RegStatus::kOk) == valid);
    if (valid) {
        RegistryKey opened;
        FUZZ_CHECK(RegistryKey::Open(path, &opened) == RegStatus::kOk);
    } else {
        FUZZ_CHECK(RegistryKey::Create(L"Software\\OrvaneSoft\\Collivo", &key) == RegStatus::kOk);
    }

    std::wstring read;
    if (name.empty()) {
        FUZZ_CHECK(key.SetString(name, value) == RegStatus::kFailed);
        FUZZ_CHECK(key.QueryString(name, &read) == RegStatus::kFailed);
        return 0;
    }
    const std::wstring otherValue = L"\\x41\"" + value + L"\\";
    if (!other.empty()) FUZZ_CHECK(key.SetString(other, otherValue) == RegStatus::kOk);
    FUZZ_CHECK(key.SetString(name, value) == RegStatus::kOk);
    FUZZ_CHECK(key.QueryString(name, &read) == RegStatus::kOk);
    FUZZ_CHECK(read == Stored(value));
    FUZZ_CHECK(key.QueryString(fuzz::SwapAsciiCase(name), &read) == RegStatus::kOk);
    FUZZ_CHECK(read == Stored(value));

    const bool distinct = !other.empty() && !SameName(name, other);
    if (distinct) {
        FUZZ_CHECK(key.QueryString(other, &read) == RegStatus::kOk);
        FUZZ_CHECK(read == Stored(otherValue));
    }
    FUZZ_CHECK(key.DeleteValue(name) == RegStatus::kOk);
    FUZZ_CHECK(key.QueryString(name, &read) == RegStatus::kNotFound);
    if (distinct) {
        FUZZ_CHECK(key.QueryString(other, &read) == RegStatus::kOk);
        FUZZ_CHECK(read == Stored(otherValue));
    }
    return 0;
}
