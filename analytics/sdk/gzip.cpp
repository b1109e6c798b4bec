#include "analytics/sdk/gzip.h"

#include <zlib.h>

#include "analytics/sdk/diagnostics.h"

namespace event_collect {
namespace {

constexpr int kGzipWindowBits = 31;  // 15-bit window plus 16: gzip header and trailer
constexpr int kMemoryLevel = 8;
constexpr size_t kChunk = 32768;

}  // namespace

bool GzipCompress(std::string_view text, std::string* out) {
    out->clear();
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        WriteDiagnostic("deflateInit2 failed while compressing.");
        return false;
    }
    // zlib takes a non-const pointer but never writes through next_in.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    unsigned char buffer[kChunk];
    int result = Z_OK;
    do {
        stream.next_out = buffer;
        stream.avail_out = kChunk;
        result = deflate(&stream, Z_FINISH);
        out->append(reinterpret_cast<const char*>(buffer), kChunk - stream.avail_out);
    } while (result == Z_OK);
    const std::string message = stream.msg != nullptr ? stream.msg : "";
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        WriteDiagnostic("Exception during zlib compression: (" + std::to_string(result) + ") " +
                        message);
        out->clear();
        return false;
    }
    return true;
}

}  // namespace event_collect
