#include "download_bench_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
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

int StartServer(const std::string& server, const std::string& package,
                const std::vector<std::string>& flags, pid_t* pid) {
    int out[2];
    if (pipe(out) != 0) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {server, "--package", package};
    args.insert(args.end(), flags.begin(), flags.end());
    std::vector<char*> argv = Argv(args);
    const int spawned = posix_spawn(pid, server.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return 0;
    }
    char line[32] = {};
    size_t used = 0;
    while (used < sizeof line - 1) {
        const ssize_t n = read(out[0], line + used, 1);
        if (n <= 0 || line[used] == '\n') break;
        ++used;
    }
    close(out[0]);
    return std::atoi(line);
}

void StopServer(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
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
