// jsoncpp's reading for the fuzz targets that check what a parser made against the JSON itself.
#pragma once

#include <json/json.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fuzz {

// The document, or nothing when it is not JSON (nesting past the reader's limit included,
// which the reader throws for). `failIfExtra` refuses text after the document.
inline std::optional<Json::Value> ParseJson(std::string_view text, bool failIfExtra = false) {
    Json::CharReaderBuilder builder;
    if (failIfExtra) builder["failIfExtra"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
            return std::nullopt;
    } catch (const Json::Exception&) {
        return std::nullopt;
    }
    return root;
}

}  // namespace fuzz
