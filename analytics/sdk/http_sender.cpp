#include "analytics/sdk/http_sender.h"

#include <utility>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/diagnostics.h"
#include "analytics/sdk/http_post.h"
#include "analytics/sdk/last_upload.h"
#include "platform/debug_output.h"

namespace event_collect {

HttpSender::HttpSender(std::string serverUrl) : m_serverUrl(std::move(serverUrl)) {}

HttpSender::~HttpSender() = default;

bool HttpSender::Send(std::string_view batchText) {
    std::string body;
    // A batch that cannot be compressed never reached the server: the flag keeps its value.
    if (!MakeUploadBody(batchText, &body)) return false;
    const HttpResponse response = HttpPost(m_serverUrl, body);
    const bool ok = response.status == 200;
    if (!ok) {
        platform::WriteDebugOutput("[analytics] EventCollect SDK send failed\n");
        WriteDiagnostic("EventCollect SDK send failed: " + response.body);
    }
    SetLastUploadSucceeded(ok);
    return ok;
}

}  // namespace event_collect
