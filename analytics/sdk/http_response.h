// HttpResponse: what one upload brought back, and the parser of its header lines.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace event_collect {

struct HttpResponse {
    int status = -1;   // -1: the request never got an HTTP answer
    std::string body;  // the answer's body, or the transport's error text
    std::map<std::string, std::string> headers;
};

// One received header line: "name: value" with both sides trimmed, or a bare non-blank line
// stored as name with the value "present". A later equal name replaces the earlier one.
void ParseHeaderLine(std::string_view line, std::map<std::string, std::string>* headers);

}  // namespace event_collect
