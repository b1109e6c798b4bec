// gzip compression of an upload batch (zlib, level 9, gzip wrapper). Safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace event_collect {

// Compresses `text` into `out`. On failure writes one diagnostic line, clears `out` and
// returns false.
bool GzipCompress(std::string_view text, std::string* out);

}  // namespace event_collect
