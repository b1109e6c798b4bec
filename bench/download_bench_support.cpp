#include "download_bench_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace download_bench {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Answers(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

}  // namespace

Measure RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv = Argv(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Measure measure;
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return measure;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    measure.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    measure.maxRssKiB = usage.ru_maxrss;
    measure.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                         usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    measure.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return measure;
}

bool WritePackage(const std::string& path, uint64_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint64_t written = 0; written < size; written += block.size() * sizeof(uint64_t)) {
        for (auto& word : block) {  // xorshift: incompressible and fast
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        std::fwrite(block.data(), sizeof(uint64_t), block.size(), file);
    }
    return std::fclose(file) == 0;
}

Nginx::Nginx(const std::string& folder, const std::vector<ServedPackage>& packages,
             uint64_t bytesPerSecond) {
    const int port = FreePort();
    if (port == 0) return;
    const std::string config = folder + "/nginx.conf";
    std::ofstream out(config);
    out << "worker_processes auto;\ndaemon off;\npid " << folder << "/nginx.pid;\n"
        << "error_log " << folder << "/nginx-error.log;\nevents { worker_connections 64; }\n"
        << "http {\n  access_log off;\n  sendfile on;\n  tcp_nopush on;\n"
        << "  default_type application/octet-stream;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        out << "  " << temp << "_temp_path " << folder << ";\n";
    out << "  server {\n    listen 127.0.0.1:" << port << ";\n";
    if (bytesPerSecond > 0) out << "    limit_rate " << bytesPerSecond << ";\n";
    for (const auto& package : packages) {
        const std::string served = "/" + package.digest + "/Collivo.exe";
        out << "    location = /software/" << package.name << " { return 302 " << served
            << "; }\n    location = " << served << " { alias " << package.file << "; }\n";
    }
    out << "  }\n}\n";
    out.close();
    if (!out) return;

    std::vector<std::string> args = {"nginx", "-p", folder, "-c", config};
    std::vector<char*> argv = Argv(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&m_pid, "nginx", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = 0;
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (Answers(port)) {
            m_port = port;
            return;
        }
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {  // it ended: a bad configuration
            m_pid = 0;
            return;
        }
        usleep(50000);
    }
}

Nginx::~Nginx() {
    if (m_pid == 0) return;
    kill(m_pid, SIGQUIT);  // graceful: the master ends its workers, then itself
    waitpid(m_pid, nullptr, 0);
}

std::string Nginx::Url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/software/" + name;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string BenchFolder(const std::string& dir, bool* own) {
    *own = false;
    if (!dir.empty()) return dir;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "collivo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    *own = true;
    return pattern;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    in >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

}  // namespace download_bench
