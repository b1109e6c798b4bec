#include "download/part_plan.h"

#include <charconv>

namespace {

constexpr int64_t kMaxParts = 2;

// Reads a decimal number at the front of `text` and drops it from there.
bool TakeNumber(std::string_view& text, int64_t* number) {
    // from_chars also takes a minus sign ("-0" would pass for 0); a range has digits only.
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *number);
    if (error != std::errc() || end == text.data()) return false;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return true;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    return true;
}

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

// The unit is compared without regard to case, as header tokens are.
bool TakeBytesUnit(std::string_view& text) {
    static constexpr std::string_view kUnit = "bytes";
    if (text.size() < kUnit.size()) return false;
    for (size_t i = 0; i < kUnit.size(); ++i)
        if ((text[i] | 0x20) != kUnit[i]) return false;
    text.remove_prefix(kUnit.size());
    return true;
}

}  // namespace

std::vector<PartRange> SplitParts(int64_t length) {
    int64_t count = length / kPartUnit;
    if (count < 1) count = 1;
    if (count > kMaxParts) count = kMaxParts;
    const int64_t size = length / count;
    std::vector<PartRange> parts;
    int64_t offset = 0;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t partSize = i + 1 == count ? size + length % count : size;
        parts.push_back({offset, offset + partSize - 1});
        offset += partSize;
    }
    return parts;
}

std::string RangeText(int64_t first, int64_t last) {
    return std::to_string(first) + "-" + std::to_string(last);
}

bool ContentRangeMatches(std::string_view value, int64_t first, int64_t last, int64_t length) {
    SkipBlanks(value);
    int64_t answeredFirst = 0;
    int64_t answeredLast = 0;
    if (!TakeBytesUnit(value)) return false;
    SkipBlanks(value);
    if (!TakeNumber(value, &answeredFirst) || !TakePrefix(value, "-") ||
        !TakeNumber(value, &answeredLast) || !TakePrefix(value, "/")) {
        return false;
    }
    if (answeredFirst != first || answeredLast != last) return false;
    int64_t answeredLength = 0;
    if (TakePrefix(value, "*")) {
        answeredLength = length;
    } else if (!TakeNumber(value, &answeredLength)) {
        return false;
    }
    SkipBlanks(value);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
        value.remove_suffix(1);
    return value.empty() && answeredLength == length;
}
