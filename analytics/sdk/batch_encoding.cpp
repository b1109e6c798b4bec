#include "analytics/sdk/batch_encoding.h"

#include "analytics/sdk/gzip.h"

namespace event_collect {

std::string UrlEscape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out.push_back(c);
        } else {
            const unsigned char byte = static_cast<unsigned char>(c);
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
    }
    return out;
}

bool MakeUploadBody(std::string_view batchText, std::string* body) {
    std::string compressed;
    if (!GzipCompress(batchText, &compressed)) return false;
    *body = "data_list=" + UrlEscape(Base64Encode(compressed)) + "&gzip=1";
    return true;
}

}  // namespace event_collect
