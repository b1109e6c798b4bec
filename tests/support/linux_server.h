// A Linux server program of this project (package-server, collect-server) run by a Windows
// test under Wine, which starts a Linux program through CreateProcessW. The server gets
// --exit-with-input, and its standard input is a connection whose other end is held here:
// closing it stops the server, and so does the end of the test process. It names its port on
// its first line of output. Input and output are loopback sockets, not pipes: Wine hands a
// Linux program the descriptor of a socket, but only /dev/null for a Windows pipe.
// Windows only (the Linux tests run the servers in-process); one object, one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// The tools folder of a Linux build (it holds package-server/package-server and
// collect-server/collect-server) that this test build was configured with
// (COLLIVO_LINUX_TOOLS); empty when it was not, and the tests that need a server skip.
std::string LinuxToolsFolder();

// The Linux path (UTF-8) of a Windows path, for the arguments of a Linux program; empty when
// it has none or the program does not run under Wine.
std::string LinuxPath(const std::wstring& windowsPath);

class LinuxServer {
public:
    // Starts `program`, a path below LinuxToolsFolder() ("package-server/package-server"),
    // with `arguments` (ASCII: Linux paths and options) and waits up to 60 s for the line
    // that names its port.
    LinuxServer(const std::string& program, const std::vector<std::string>& arguments);
    // Stops the server.
    ~LinuxServer();
    LinuxServer(const LinuxServer&) = delete;
    LinuxServer& operator=(const LinuxServer&) = delete;

    // The server named its port; else Error() says what went wrong.
    bool Started() const { return m_port != 0; }
    const std::string& Error() const { return m_error; }
    const std::string& FirstLine() const { return m_firstLine; }
    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = "") const;

    // Ends the server's input and waits up to 30 s for its output to end; true when the
    // server ended (or was never started).
    bool Stop();

private:
    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    bool ReadFirstLine();

    bool m_winsock = false;
    uintptr_t m_input = ~uintptr_t{0};   // our end of the server's standard input (a SOCKET)
    uintptr_t m_output = ~uintptr_t{0};  // our end of the server's standard output
    std::string m_firstLine;
    std::string m_error;
    int m_port = 0;
};

}  // namespace testing_support
