#include "tools/package-server/range_header.h"

#include <charconv>

namespace package_server {

namespace {

std::optional<uint64_t> ParseNumber(std::string_view text) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
}

}  // namespace

RangeRequest ParseRange(std::string_view header, uint64_t fileLength) {
    constexpr std::string_view kUnit = "bytes=";
    if (!header.starts_with(kUnit)) return {};
    const std::string_view byteRange = header.substr(kUnit.size());
    const size_t dash = byteRange.find('-');
    // Suffix ranges ("-N") and lists ("a-b,c-d") are legal but not something a downloader
    // resuming a file sends; the whole file is a valid answer to them.
    if (dash == std::string_view::npos || dash == 0 ||
        byteRange.find(',') != std::string_view::npos)
        return {};
    const auto first = ParseNumber(byteRange.substr(0, dash));
    if (!first) return {};
    const std::string_view lastText = byteRange.substr(dash + 1);
    std::optional<uint64_t> last;
    if (!lastText.empty()) {
        last = ParseNumber(lastText);
        if (!last || *last < *first) return {};
    }
    if (*first >= fileLength) return {RangeKind::kUnsatisfiable, {}};
    const uint64_t end = last && *last < fileLength ? *last : fileLength - 1;
    return {RangeKind::kSatisfiable, {*first, end}};
}

}  // namespace package_server
