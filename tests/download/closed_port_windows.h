// The Windows form of tests/support/closed_port.h, for the download tests: a loopback port
// that is bound but not listening, so connections to it are refused, and no other program can
// take it while the object lives. Windows only; one object, one thread.
#pragma once

#include <winsock2.h>

#include <string>

namespace testing_support {

class ClosedPort {
public:
    ClosedPort() {
        WSADATA data;
        m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (m_socket != INVALID_SOCKET &&
            bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~ClosedPort() {
        if (m_socket != INVALID_SOCKET) closesocket(m_socket);
        if (m_winsock) WSACleanup();
    }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    bool m_winsock = false;
    SOCKET m_socket = INVALID_SOCKET;
    int m_port = 0;
};

}  // namespace testing_support
