// The form POST of one upload over libcurl: a fresh handle per call, 3-second timeout, no
// redirects, the library's user agent, libcurl's default certificate verification.
// Blocks the calling thread; safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "analytics/sdk/http_response.h"

namespace event_collect {

inline constexpr const char* kUserAgent = "EventCollect CPP SDK 0.9";

// Never throws: a transport failure gives status -1 with libcurl's error text as body.
HttpResponse HttpPost(const std::string& url, std::string_view body);

}  // namespace event_collect
