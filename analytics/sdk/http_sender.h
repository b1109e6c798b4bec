// HttpSender: encodes one batch and posts it to the collection server. Status 200 is the only
// success; every attempt that got as far as posting sets the last-upload flag.
// Send blocks the calling thread for up to the transfer timeout; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace event_collect {

class HttpSender {
public:
    explicit HttpSender(std::string serverUrl);
    virtual ~HttpSender();
    HttpSender(const HttpSender&) = delete;
    HttpSender& operator=(const HttpSender&) = delete;

    // `batchText` is the JSON array of the batch's records. Returns whether the server
    // accepted it. Virtual so that a test can act while a batch is in flight.
    virtual bool Send(std::string_view batchText);

    const std::string& ServerUrl() const { return m_serverUrl; }

private:
    std::string m_serverUrl;
};

}  // namespace event_collect
