#include "tools/collect-server/control_channel.h"

#include <httplib.h>
#include <json/json.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "tools/collect-server/collect_server.h"

namespace collect_server {
namespace {

// The whole body as a number from 0 to 1000000000 (surrounding white space allowed).
bool ParseBody(const std::string& body, int* out) {
    const char* text = body.c_str();
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')
        ++end;
    if (*end != '\0' || value < 0 || value > 1000000000) return false;
    *out = static_cast<int>(value);
    return true;
}

// A knob set from the body of a POST: 204 when taken, 400 when the body is no number.
void SetKnob(const httplib::Request& request, httplib::Response& response,
             const std::function<void(int)>& set) {
    int value = 0;
    if (!ParseBody(request.body, &value)) {
        response.status = 400;
        response.set_content("the body is not a number from 0 to 1000000000", "text/plain");
        return;
    }
    set(value);
    response.status = 204;
}

std::string RecordsJson(const std::vector<StoredRecord>& rows) {
    Json::Value list(Json::arrayValue);
    for (const auto& row : rows) {
        Json::Value entry(Json::objectValue);
        entry["id"] = Json::Int64(row.id);
        entry["received_ms"] = Json::Int64(row.receivedMs);
        // As a string, so that the reader gets the record's bytes exactly as they arrived.
        entry["record"] = row.record;
        list.append(std::move(entry));
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    return Json::writeString(writer, list);
}

}  // namespace

void AddControlRoutes(httplib::Server& http, CollectServer& target) {
    http.Post("/__control/status", [&target](const httplib::Request& request,
                                             httplib::Response& response) {
        SetKnob(request, response, [&target](int value) { target.SetAnswerStatus(value); });
    });
    http.Post("/__control/hang-ms", [&target](const httplib::Request& request,
                                              httplib::Response& response) {
        SetKnob(request, response, [&target](int value) { target.SetHangMilliseconds(value); });
    });
    http.Get("/__control/uploads", [&target](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::to_string(target.UploadCount()), "text/plain");
    });
    http.Get("/__control/records", [&target](const httplib::Request&, httplib::Response& response) {
        response.set_content(RecordsJson(target.Records()), "application/json");
    });
}

}  // namespace collect_server
