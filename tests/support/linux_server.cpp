#include "tests/support/linux_server.h"

#include <winsock2.h>
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
#include <windows.h>

#include <chrono>

#include "platform/command_line.h"

namespace testing_support {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 60s;  // a sanitized build under emulation starts slowly
constexpr auto kStopLimit = 30s;

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// Wine's own exports for its file name mapping; not there on Windows itself.
template <typename Function>
Function WineExport(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// "Z:\work\..." for "/work/...": the name CreateProcessW takes for a Linux program.
std::wstring WindowsPath(const std::string& linuxPath) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos = WineExport<ToDos>("wine_get_dos_file_name");
    if (toDos == nullptr) return {};
    WCHAR* dos = toDos(linuxPath.c_str());
    if (dos == nullptr) return {};
    std::wstring path = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}

// The port in the first line: the whole line ("8353"), or the port of a URL in it
// ("listening on http://127.0.0.1:8353/sa").
int PortIn(const std::string& line) {
    size_t start = 0;
    const size_t scheme = line.find("://");
    if (scheme != std::string::npos) {
        const size_t colon = line.find(':', scheme + 3);
        if (colon == std::string::npos) return 0;
        start = colon + 1;
    }
    size_t end = start;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9')
        ++end;
    if (end == start || end - start > 5) return 0;
    const int port = std::stoi(line.substr(start, end - start));
    return port > 0 && port < 65536 ? port : 0;
}

// Two connected loopback sockets: ours, not inherited, and the server's, inherited.
bool ConnectedPair(SOCKET* ours, SOCKET* theirs) {
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    *ours = *theirs = INVALID_SOCKET;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener, 1) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        *ours = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (*ours != INVALID_SOCKET &&
            connect(*ours, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            *theirs = accept(listener, nullptr, nullptr);
        }
    }
    closesocket(listener);
    if (*theirs == INVALID_SOCKET) {
        if (*ours != INVALID_SOCKET) closesocket(*ours);
        return false;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(*ours), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(reinterpret_cast<HANDLE>(*theirs), HANDLE_FLAG_INHERIT,
                         HANDLE_FLAG_INHERIT);
    return true;
}

// Waits until `s` can be read (data or its end) or the deadline passes.
bool Readable(SOCKET s, std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout{static_cast<long>(left.count() / 1000),
                    static_cast<long>(left.count() % 1000 * 1000)};
    return select(0, &set, nullptr, nullptr, &timeout) == 1;
}

void CloseIfOpen(uintptr_t& s) {
    if (s != INVALID_SOCKET) closesocket(s);
    s = INVALID_SOCKET;
}

}  // namespace

std::string LinuxToolsFolder() {
#ifdef COLLIVO_LINUX_TOOLS
    return COLLIVO_LINUX_TOOLS;
#else
    return {};
#endif
}

std::string LinuxPath(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(const WCHAR*);
    const auto toUnix = WineExport<ToUnix>("wine_get_unix_file_name");
    if (toUnix == nullptr) return {};
    char* unixPath = toUnix(windowsPath.c_str());
    if (unixPath == nullptr) return {};
    std::string path = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return path;
}

LinuxServer::LinuxServer(const std::string& program, const std::vector<std::string>& arguments) {
    WSADATA data;
    m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    if (Start(program, arguments) && !ReadFirstLine()) Stop();
}

LinuxServer::~LinuxServer() {
    Stop();
    if (m_winsock) WSACleanup();
}

std::string LinuxServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

bool LinuxServer::Start(const std::string& program, const std::vector<std::string>& arguments) {
    const std::string tools = LinuxToolsFolder();
    if (tools.empty()) {
        m_error = "COLLIVO_LINUX_TOOLS is not set: configure with a Linux build's tools folder";
        return false;
    }
    const std::wstring executable = WindowsPath(tools + "/" + program);
    if (executable.empty()) {
        m_error = "not running under Wine: a Linux program cannot be started";
        return false;
    }
    std::vector<std::wstring> commandLine = {executable};
    for (const std::string& argument : arguments)
        commandLine.push_back(Wide(argument));
    commandLine.push_back(L"--exit-with-input");
    std::wstring text = platform::JoinCommandLine(commandLine);

    SOCKET input = INVALID_SOCKET;
    SOCKET output = INVALID_SOCKET;
    if (!m_winsock || !ConnectedPair(&m_input, &input)) {
        m_error = "no loopback connection for the server's input";
        return false;
    }
    if (!ConnectedPair(&m_output, &output)) {
        closesocket(input);
        m_error = "no loopback connection for the server's output";
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reinterpret_cast<HANDLE>(input);
    startup.hStdOutput = reinterpret_cast<HANDLE>(output);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);  // Wine keeps its own standard error
    // No console of its own: the server needs none. Wine starts a Linux program without a
    // process handle.
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(executable.c_str(), text.data(), nullptr, nullptr, TRUE,
                                   DETACHED_PROCESS, nullptr, nullptr, &startup, &started);
    const DWORD error = GetLastError();
    // The server's ends are its own now; a copy of them here would keep its input open.
    closesocket(input);
    closesocket(output);
    if (!ok) {
        m_error = "CreateProcessW failed with error " + std::to_string(error) + " for " + tools +
                  "/" + program;
        return false;
    }
    if (started.hThread != nullptr) CloseHandle(started.hThread);
    if (started.hProcess != nullptr) CloseHandle(started.hProcess);
    return true;
}

bool LinuxServer::ReadFirstLine() {
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    std::string text;
    while (text.find('\n') == std::string::npos) {
        if (!Readable(m_output, deadline)) {
            m_error = "the server named no port within a minute";
            return false;
        }
        char buffer[256];
        const int n = recv(m_output, buffer, sizeof buffer, 0);
        if (n <= 0) {
            m_error = "the server ended before naming its port (see its output above)";
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    m_firstLine = text.substr(0, text.find('\n'));
    if (!m_firstLine.empty() && m_firstLine.back() == '\r') m_firstLine.pop_back();
    m_port = PortIn(m_firstLine);
    if (m_port == 0) m_error = "no port in the server's first line: " + m_firstLine;
    return m_port != 0;
}

bool LinuxServer::Stop() {
    CloseIfOpen(m_input);
    // The output ends when the server does; what it still writes is read and dropped.
    bool ended = m_output == INVALID_SOCKET;
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    while (!ended && Readable(m_output, deadline)) {
        char buffer[256];
        ended = recv(m_output, buffer, sizeof buffer, 0) <= 0;
    }
    CloseIfOpen(m_output);
    m_port = 0;
    return ended;
}

}  // namespace testing_support
