// The collection server of the Windows tests: collect-server, the Linux program, run under
// Wine (tests/support/linux_server.h) with its control channel
// (tools/collect-server/control_channel.h), behind the calls the Linux tests make of the
// server in-process. Records are kept in memory; the server ends with Stop or the object.
// Windows only; one object, one thread (the server answers in its own process).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/linux_server.h"
#include "tools/collect-server/record_store.h"

namespace analytics_test {

class LinuxCollectServer {
public:
    LinuxCollectServer() = default;
    ~LinuxCollectServer() { Stop(); }
    LinuxCollectServer(const LinuxCollectServer&) = delete;
    LinuxCollectServer& operator=(const LinuxCollectServer&) = delete;

    // Starts the program and waits for its port; false with `error` set on failure.
    bool Start(std::string* error);
    // Ends the program; an answer it holds back ends with it.
    void Stop();

    // "http://127.0.0.1:<port>/sa?project=pc", kept after Stop.
    std::string Url() const { return m_url; }

    // The knobs and reads of collect_server::CollectServer, each one request to the control
    // channel; a request that fails adds a test failure (and a read returns nothing).
    void SetAnswerStatus(int status);
    void SetHangMilliseconds(int ms);
    std::vector<collect_server::StoredRecord> Records() const;
    int UploadCount() const;

private:
    std::unique_ptr<testing_support::LinuxServer> m_server;
    std::string m_url;
};

}  // namespace analytics_test
