// The collection server's upload decoding (tools/collect-server: form_body.h,
// batch_decoding.h), on arbitrary bytes and against the event-collection library's encoding.
// What must hold:
// - FormField gives the value of the first "&"-separated field of that name (empty without
//   "="), and UrlUnescape decodes "%XY" and "+" and refuses a "%" without two hex digits;
// - Base64Decode accepts only the standard alphabet in groups of four with "=" padding at the
//   end, and gives three bytes a group less the padding;
// - Gunzip never gives more than its limit;
// - SplitRecords gives, for a JSON array of objects, the text of each element, which parses
//   as that element, and for any other text nothing and a reason (it never throws);
// - what the library's MakeUploadBody (or its Base64Encode, UrlEscape) makes of any bytes,
//   the server's steps turn back into those bytes.
// The input is used as a whole as the form body, the Base64 text, the gzip stream, the JSON
// text and the batch.
#include <json/json.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/gzip.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/json_support.h"
#include "tools/collect-server/batch_decoding.h"
#include "tools/collect-server/form_body.h"

namespace {

using namespace collect_server;

constexpr size_t kGunzipLimit = 1u << 20;

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void CheckForm(std::string_view body) {
    std::optional<std::string_view> expected;
    for (size_t start = 0; !expected;) {
        const size_t end = std::min(body.find('&', start), body.size());
        const std::string_view field = body.substr(start, end - start);
        const size_t equals = field.find('=');
        if (field.substr(0, equals) == "data_list")
            expected = equals == std::string_view::npos ? "" : field.substr(equals + 1);
        if (end == body.size()) break;
        start = end + 1;
    }
    FUZZ_CHECK(FormField(body, "data_list") == expected);

    std::string decoded;
    bool valid = true;
    for (size_t i = 0; i < body.size() && valid; ++i) {
        if (body[i] == '%') {
            valid = i + 2 < body.size() && Hex(body[i + 1]) >= 0 && Hex(body[i + 2]) >= 0;
            if (valid) decoded += static_cast<char>(Hex(body[i + 1]) * 16 + Hex(body[i + 2]));
            i += 2;
        } else {
            decoded += body[i] == '+' ? ' ' : body[i];
        }
    }
    FUZZ_CHECK(UrlUnescape(body) == (valid ? std::optional<std::string>(decoded) : std::nullopt));
}

bool IsBase64Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

void CheckBase64(std::string_view text) {
    const std::optional<std::string> decoded = Base64Decode(text);
    if (!decoded) return;
    FUZZ_CHECK(text.size() % 4 == 0);
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    for (size_t i = 0; i < text.size() - padding; ++i)
        FUZZ_CHECK(IsBase64Letter(text[i]));
    FUZZ_CHECK(decoded->size() == text.size() / 4 * 3 - padding);
}

std::optional<Json::Value> Parse(std::string_view text) {
    return fuzz::ParseJson(text, /*failIfExtra=*/true);
}

void CheckRecords(std::string_view json) {
    std::string error;
    const std::optional<std::vector<std::string>> records = SplitRecords(json, &error);
    if (!records) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    const std::optional<Json::Value> root = Parse(json);
    FUZZ_CHECK(root && root->isArray() && root->size() == records->size());
    for (Json::ArrayIndex i = 0; i < root->size(); ++i) {
        const std::optional<Json::Value> record = Parse((*records)[i]);
        FUZZ_CHECK(record && record->isObject() && *record == (*root)[i]);
    }
}

// The server's steps for a form body, as CollectServer::Handle takes them.
std::optional<std::string> ServerDecode(std::string_view body) {
    const auto field = FormField(body, "data_list");
    if (!field) return std::nullopt;
    const auto base64 = UrlUnescape(*field);
    if (!base64) return std::nullopt;
    const auto bytes = Base64Decode(*base64);
    if (!bytes) return std::nullopt;
    const auto gzip = FormField(body, "gzip");
    if (gzip && *gzip == "1") return Gunzip(*bytes, kGunzipLimit);
    return bytes;
}

void CheckRoundTrip(std::string_view bytes) {
    FUZZ_CHECK(UrlUnescape(event_collect::UrlEscape(bytes)) == bytes);
    FUZZ_CHECK(Base64Decode(event_collect::Base64Encode(bytes)) == bytes);
    std::string compressed;
    FUZZ_CHECK(event_collect::GzipCompress(bytes, &compressed));
    FUZZ_CHECK(Gunzip(compressed, kGunzipLimit) == bytes);
    std::string body;
    FUZZ_CHECK(event_collect::MakeUploadBody(bytes, &body));
    FUZZ_CHECK(ServerDecode(body) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckForm(input);
    CheckBase64(input);
    if (const std::optional<std::string> out = Gunzip(input, kGunzipLimit))
        FUZZ_CHECK(out->size() <= kGunzipLimit);
    CheckRecords(input);
    if (const std::optional<std::string> decoded = ServerDecode(input)) CheckRecords(*decoded);
    CheckRoundTrip(input);
    return 0;
}
