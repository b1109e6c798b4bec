// The Windows form of tests/support/closed_port.h: a loopback port that is bound but not
// listening, so connections to it are refused and no other program takes it while the object
// lives. Windows only; one object, one thread.
#pragma once

#include <cstdint>
#include <string>

namespace analytics_test {

class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    bool m_winsock = false;
    uintptr_t m_socket = ~uintptr_t{0};  // a SOCKET
    int m_port = 0;
};

}  // namespace analytics_test
