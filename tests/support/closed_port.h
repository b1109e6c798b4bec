// A loopback port that is bound but not listening: connections to it are refused, and no
// other program can take it while the object lives. One object, one thread.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <string>

namespace testing_support {

class ClosedPort {
public:
    ClosedPort() {
#ifdef _WIN32
        WSADATA data;
        m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        using Length = int;
#else
        using Length = socklen_t;
#endif
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Length length = sizeof address;
        if (m_socket != kNoSocket &&
            bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~ClosedPort() {
#ifdef _WIN32
        if (m_socket != kNoSocket) closesocket(m_socket);
        if (m_winsock) WSACleanup();
#else
        if (m_socket != kNoSocket) close(m_socket);
#endif
    }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
#ifdef _WIN32
    static constexpr SOCKET kNoSocket = INVALID_SOCKET;
    bool m_winsock = false;
    SOCKET m_socket = kNoSocket;
#else
    static constexpr int kNoSocket = -1;
    int m_socket = kNoSocket;
#endif
    int m_port = 0;
};

}  // namespace testing_support
