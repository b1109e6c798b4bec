// Test helpers: captures the library's diagnostic lines (and trace lines) for the life of the
// object; a local port that refuses connections. One capture at a time.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/sdk/diagnostics.h"

namespace analytics_test {

class DiagnosticCapture : public event_collect::DiagnosticSink {
public:
    DiagnosticCapture() { event_collect::SetDiagnosticSink(this); }
    ~DiagnosticCapture() override { event_collect::SetDiagnosticSink(nullptr); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    void Write(std::string_view line) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.emplace_back(line);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// A loopback port that is bound but not listening: connections to it are refused, and no
// other program can take it while the object lives.
class ClosedPort {
public:
    ClosedPort() {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~ClosedPort() {
        if (m_fd >= 0) close(m_fd);
    }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int Port() const { return m_port; }
    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/sa?project=pc";
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

}  // namespace analytics_test
