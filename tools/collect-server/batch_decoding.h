// The decoding steps of an upload after the form: Base64, gunzip, and splitting the JSON
// array into the exact text of each record. Pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace collect_server {

// Standard alphabet with "=" padding; nullopt for anything else.
std::optional<std::string> Base64Decode(std::string_view text);

// Inflates a gzip stream; nullopt when it is corrupt, truncated or would exceed `maxSize`.
std::optional<std::string> Gunzip(std::string_view bytes, size_t maxSize);

// The text of every element of a JSON array of objects, byte for byte as it appears in
// `json`; nullopt with `error` set when the text is not such an array.
std::optional<std::vector<std::string>> SplitRecords(std::string_view json, std::string* error);

}  // namespace collect_server
