#include "analytics/sdk/http_response.h"

namespace event_collect {
namespace {

std::string_view TrimSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

}  // namespace

void ParseHeaderLine(std::string_view line, std::map<std::string, std::string>* headers) {
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        (*headers)[std::string(TrimSpace(line.substr(0, colon)))] =
            std::string(TrimSpace(line.substr(colon + 1)));
        return;
    }
    const std::string_view name = TrimSpace(line);
    if (!name.empty()) (*headers)[std::string(name)] = "present";
}

}  // namespace event_collect
