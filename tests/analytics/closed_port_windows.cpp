#include "tests/analytics/closed_port_windows.h"

#include <winsock2.h>

namespace analytics_test {

ClosedPort::ClosedPort() {
    WSADATA data;
    m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (!m_winsock) return;
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

ClosedPort::~ClosedPort() {
    if (m_socket != INVALID_SOCKET) closesocket(m_socket);
    if (m_winsock) WSACleanup();
}

}  // namespace analytics_test
