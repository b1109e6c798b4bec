#include "tools/collect-server/form_body.h"

namespace collect_server {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> UrlUnescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c != '%') {
            out.push_back(c);
        } else {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return out;
}

std::optional<std::string_view> FormField(std::string_view body, std::string_view name) {
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string_view::npos) end = body.size();
        const std::string_view field = body.substr(start, end - start);
        const size_t equals = field.find('=');
        const std::string_view key = field.substr(0, equals);
        if (key == name) {
            return equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
        }
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace collect_server
