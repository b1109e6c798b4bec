#include "analytics/distinct_id.h"

#include <cctype>
#include <cstdio>
#include <cwctype>
#include <mutex>
#include <random>

#include "sys/guid.h"

namespace orvane::analytics {
namespace {

constexpr int kFurtherGuidAttempts = 10;

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" from 32 hexadecimal digits; empty for anything else.
std::string DashedUpperGuid(const std::wstring& hex) {
    if (hex.size() != 32) return {};
    std::string out;
    for (size_t i = 0; i < hex.size(); ++i) {
        const wchar_t c = hex[i];
        if (!std::iswxdigit(static_cast<wint_t>(c)) || c > 0x7F) return {};
        if (i == 8 || i == 12 || i == 16 || i == 20) out.push_back('-');
        out.push_back(static_cast<char>(std::toupper(static_cast<int>(c))));
    }
    return out;
}

std::string RandomFallbackId() {
    // One engine for the process, seeded from the system's entropy once.
    static std::mutex mutex;
    static std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<uint32_t> draw(0, 2147483646);
    std::array<uint32_t, 8> values{};
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& value : values)
        value = draw(engine);
    return FormatFallbackId(values);
}

}  // namespace

std::string FormatFallbackId(const std::array<uint32_t, 8>& v) {
    char text[128];
    std::snprintf(text, sizeof text, "%x%x-%x-%x-%x-%x%x%x", v[0], v[1], v[2],
                  (v[3] & 0xFFFu) + 0x4000u, (v[4] % 0x3FFFu) + 0x8000u, v[5], v[6], v[7]);
    return text;
}

std::string NewDistinctId(const GuidSource& newGuid) {
    newGuid();  // the first GUID is not used
    for (int attempt = 0; attempt < kFurtherGuidAttempts; ++attempt) {
        const std::string id = DashedUpperGuid(newGuid());
        if (!id.empty()) return id;
    }
    return RandomFallbackId();
}

std::string NewDistinctId() {
    return NewDistinctId(&Utils::NewGuidString);
}

}  // namespace orvane::analytics
