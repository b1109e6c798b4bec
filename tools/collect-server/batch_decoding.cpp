#include "tools/collect-server/batch_decoding.h"

#include <json/json.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <memory>

namespace collect_server {

namespace {

bool IsBase64Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    // EVP_DecodeBlock skips blanks at either end and takes a "=" anywhere for a zero digit, so
    // the text is checked first: letters of the alphabet, then at most two "=" at its end.
    const size_t letters = text.find_last_not_of('=') + 1;
    if (text.size() - letters > 2) return std::nullopt;
    for (size_t i = 0; i < letters; ++i)
        if (!IsBase64Letter(text[i])) return std::nullopt;
    std::string out(text.size() / 4 * 3, '\0');
    // EVP_DecodeBlock rejects characters outside the alphabet but counts padding as zero bytes.
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0) return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') ++padding;
    if (text.size() > 1 && text[text.size() - 2] == '=') ++padding;
    out.resize(static_cast<size_t>(n) - padding);
    return out;
}

std::optional<std::string> Gunzip(std::string_view bytes, size_t maxSize) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::string out;
    unsigned char buffer[32768];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) break;
        out.append(reinterpret_cast<const char*>(buffer), sizeof buffer - stream.avail_out);
        if (out.size() > maxSize) result = Z_MEM_ERROR;
        // No progress with input left means a truncated stream.
        if (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) result = Z_BUF_ERROR;
    }
    inflateEnd(&stream);
    // Bytes after the gzip member are not part of any batch this server accepts.
    if (result != Z_STREAM_END || stream.avail_in != 0) return std::nullopt;
    return out;
}

std::optional<std::vector<std::string>> SplitRecords(std::string_view json, std::string* error) {
    // One UTF-8 byte-order mark is allowed and skipped here, not by the reader: the reader
    // would count its offsets from after the mark, and skip a second one as well.
    if (json.starts_with("\xEF\xBB\xBF")) json.remove_prefix(3);
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    builder["collectComments"] = false;
    builder["skipBom"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(json.data(), json.data() + json.size(), &root, &errors)) {
            *error = "not JSON: " + errors;
            return std::nullopt;
        }
    } catch (const Json::Exception& e) {
        // The reader reports most faults through `errors` but throws on nesting deeper than
        // its stack limit.
        *error = std::string("not JSON: ") + e.what();
        return std::nullopt;
    }
    if (!root.isArray()) {
        *error = "not a JSON array";
        return std::nullopt;
    }
    std::vector<std::string> records;
    for (const Json::Value& element : root) {
        if (!element.isObject()) {
            *error = "an element is not an object";
            return std::nullopt;
        }
        const auto start = static_cast<size_t>(element.getOffsetStart());
        const auto limit = static_cast<size_t>(element.getOffsetLimit());
        if (limit < start || limit > json.size()) {
            *error = "element offsets out of range";
            return std::nullopt;
        }
        records.emplace_back(json.substr(start, limit - start));
    }
    return records;
}

}  // namespace collect_server
