// New anonymous identities for the analytics identity record. Safe on any thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace orvane::analytics {

// A fresh GUID as 32 hexadecimal digits without dashes, or empty when none could be made.
using GuidSource = std::function<std::wstring()>;

// An upper-case GUID with dashes ("8-4-4-4-12", 36 characters). The first GUID drawn is thrown
// away; after ten failed further draws a random id of the fallback form is made instead.
std::string NewDistinctId();
std::string NewDistinctId(const GuidSource& newGuid);

// The fallback form "%x%x-%x-%x-%x-%x%x%x" of eight values from 0 to 2147483646; the fourth
// is reduced to its low 12 bits plus 0x4000, the fifth to (value mod 0x3fff) + 0x8000.
std::string FormatFallbackId(const std::array<uint32_t, 8>& values);

}  // namespace orvane::analytics
