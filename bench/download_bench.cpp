// Download benchmark: fetches a large package from the local package server with the
// single-connection downloader (stage-cli download --type 1: transfer plus digest check) and,
// in the same run, with the curl command-line tool followed by md5sum. Prints both times,
// their ratio, and the peak resident memory of our process.
//
//   download_bench --server PATH --stage-cli PATH [--size-mib N] [--runs N] [--dir DIR]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system
    long maxRssKiB = 0;
    int exitCode = -1;
};

// Runs a program to its end with standard output and error discarded.
Measure RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Measure measure;
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return measure;
    }
    posix_spawn_file_actions_destroy(&actions);
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

// Starts the package server and reads the port it prints; 0 when it does not start.
int StartServer(const std::string& server, const std::string& package, pid_t* pid) {
    int out[2];
    if (pipe(out) != 0) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {server, "--package", package};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string server, stageCli, dir;
    uint64_t sizeMiB = 256;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--server")
            server = argv[i + 1];
        else if (flag == "--stage-cli")
            stageCli = argv[i + 1];
        else if (flag == "--dir")
            dir = argv[i + 1];
        else if (flag == "--size-mib")
            sizeMiB = std::strtoull(argv[i + 1], nullptr, 10);
        else if (flag == "--runs")
            runs = std::atoi(argv[i + 1]);
    }
    if (server.empty() || stageCli.empty() || sizeMiB == 0 || runs < 1) {
        std::fprintf(stderr,
                     "usage: download_bench --server PATH --stage-cli PATH [--size-mib N] "
                     "[--runs N] [--dir DIR]\n");
        return 2;
    }
    bool ownDir = false;
    if (dir.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "collivo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return 1;
        dir = pattern;
        ownDir = true;
    }
    const std::string package = dir + "/Collivo.exe";
    std::printf("package: %llu MiB in %s\n", static_cast<unsigned long long>(sizeMiB), dir.c_str());
    if (!WritePackage(package, sizeMiB << 20)) return 1;

    pid_t serverPid = 0;
    const int port = StartServer(server, package, &serverPid);
    if (port <= 0) {
        std::fprintf(stderr, "download_bench: the package server did not start\n");
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/software/353";
    const std::string ourFile = dir + "/ours.exe";
    const std::string theirFile = dir + "/theirs.exe";

    std::vector<double> ours, theirs, ourCpu, theirCpu;
    long ourRss = 0, curlRss = 0;
    bool failed = false;
    for (int run = 0; run < runs && !failed; ++run) {
        // Alternate the order so that neither side always finds a warmer cache.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (run % 2 == 0)) {
                const Measure m = RunProgram({stageCli, "download", "--type", "1", url, ourFile});
                failed |= m.exitCode != 0;
                ours.push_back(m.seconds);
                ourCpu.push_back(m.cpuSeconds);
                ourRss = std::max(ourRss, m.maxRssKiB);
                std::filesystem::remove(ourFile);
            } else {
                const Measure get = RunProgram({"curl", "-sS", "-L", "-o", theirFile, url});
                const Measure sum = RunProgram({"md5sum", theirFile});
                failed |= get.exitCode != 0 || sum.exitCode != 0;
                theirs.push_back(get.seconds + sum.seconds);
                theirCpu.push_back(get.cpuSeconds + sum.cpuSeconds);
                curlRss = std::max(curlRss, get.maxRssKiB);
                std::filesystem::remove(theirFile);
            }
        }
    }
    kill(serverPid, SIGTERM);
    waitpid(serverPid, nullptr, 0);
    if (ownDir) std::filesystem::remove_all(dir);
    if (failed) {
        std::fprintf(stderr, "download_bench: a download failed\n");
        return 1;
    }

    std::printf("runs: %d (median shown)\n", runs);
    std::printf("ours  (stage-cli download --type 1): %.3f s (cpu %.3f s)   peak RSS %.1f MiB\n",
                Median(ours), Median(ourCpu), ourRss / 1024.0);
    std::printf(
        "pair  (curl + md5sum):               %.3f s (cpu %.3f s)   curl peak RSS %.1f MiB\n",
        Median(theirs), Median(theirCpu), curlRss / 1024.0);
    std::printf("ratio ours / pair: %.3f (target <= 1.10); peak RSS target < 64 MiB\n",
                Median(ours) / Median(theirs));
    return 0;
}
