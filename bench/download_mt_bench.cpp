// Multi-part download benchmark, two cases against the local package server:
//
//   throttled  each connection limited to 20 MB/s, a 128 MiB package: the multi-part
//              downloader (stage-cli download --type 3) against the single-connection one
//              (--type 1; target: at least 1.8 times slower) and against aria2c -x2 -s2
//              (target: multi-part at most 1.1 times aria2c's time).
//   loopback   no limit, a 1 GiB package: the multi-part downloader (transfer, join, digest)
//              against curl followed by md5sum (target: at most 1.25 times the pair's time).
//
// Contenders take turns in a rotating order, so that none always finds a warmer cache.
//
//   download_mt_bench --server PATH --stage-cli PATH [--case throttled|loopback|both]
//                     [--runs N] [--dir DIR] [--throttled-mib N] [--loopback-mib N]
//                     [--rate BYTES_PER_SECOND]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "download_bench_support.h"

using namespace download_bench;

namespace {

struct Contender {
    // Fetches `url` to `file` and returns the measure (exit code 0 when it worked).
    using Fetch = std::function<Measure(const std::string& url, const std::string& file)>;
    Contender(std::string n, Fetch f) : name(std::move(n)), fetch(std::move(f)) {}

    std::string name;
    Fetch fetch;
    std::vector<double> seconds;
    std::vector<double> cpu;
};

struct Options {
    std::string server, stageCli, dir, which = "both";
    int runs = 3;
    uint64_t throttledMiB = 128, loopbackMiB = 1024, rate = 20000000;
};

Contender StageCli(const Options& options, int type) {
    return {"stage-cli download --type " + std::to_string(type),
            [&options, type](const std::string& url, const std::string& file) {
                return RunProgram(
                    {options.stageCli, "download", "--type", std::to_string(type), url, file});
            }};
}

Contender Aria2() {
    return {"aria2c -x2 -s2", [](const std::string& url, const std::string& file) {
                const std::filesystem::path path(file);
                return RunProgram({"aria2c", "-x2", "-s2", "-q", "--allow-overwrite=true",
                                   "--auto-file-renaming=false", "-d", path.parent_path().string(),
                                   "-o", path.filename().string(), url});
            }};
}

Contender CurlAndMd5sum() {
    return {"curl + md5sum", [](const std::string& url, const std::string& file) {
                Measure get = RunProgram({"curl", "-sS", "-L", "-o", file, url});
                const Measure sum = RunProgram({"md5sum", file});
                get.seconds += sum.seconds;
                get.cpuSeconds += sum.cpuSeconds;
                if (get.exitCode == 0) get.exitCode = sum.exitCode;
                return get;
            }};
}

// Runs every contender `runs` times on one package served with `flags`; false when a
// download failed or the server did not start.
bool RunCase(const Options& options, const std::string& title, uint64_t sizeMiB,
             const std::vector<std::string>& flags, std::vector<Contender>& contenders) {
    bool ownDir = false;
    const std::string dir = BenchFolder(options.dir, &ownDir);
    if (dir.empty()) return false;
    const std::string package = dir + "/Collivo.exe";
    std::printf("\n== %s: %llu MiB package in %s; load average before %s\n", title.c_str(),
                static_cast<unsigned long long>(sizeMiB), dir.c_str(), LoadAverage().c_str());
    if (!WritePackage(package, sizeMiB << 20)) return false;
    pid_t serverPid = 0;
    const int port = StartServer(options.server, package, flags, &serverPid);
    if (port <= 0) {
        std::fprintf(stderr, "download_mt_bench: the package server did not start\n");
        return false;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/software/353";
    const std::string file = dir + "/fetched.exe";
    bool failed = false;
    for (int run = 0; run < options.runs && !failed; ++run) {
        for (size_t turn = 0; turn < contenders.size() && !failed; ++turn) {
            Contender& contender = contenders[(run + turn) % contenders.size()];
            const Measure m = contender.fetch(url, file);
            if (m.exitCode != 0) {
                std::fprintf(stderr, "download_mt_bench: %s failed (exit %d)\n",
                             contender.name.c_str(), m.exitCode);
                failed = true;
            }
            contender.seconds.push_back(m.seconds);
            contender.cpu.push_back(m.cpuSeconds);
            std::filesystem::remove(file);
            std::filesystem::remove(file + ".aria2");
        }
    }
    StopServer(serverPid);
    if (ownDir) std::filesystem::remove_all(dir);
    if (failed) return false;
    std::printf("runs: %d (median shown); load average after %s\n", options.runs,
                LoadAverage().c_str());
    for (const auto& c : contenders)
        std::printf("  %-30s %8.3f s  (cpu %.3f s)\n", c.name.c_str(), Median(c.seconds),
                    Median(c.cpu));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const std::string value = argv[i + 1];
        if (flag == "--server")
            options.server = value;
        else if (flag == "--stage-cli")
            options.stageCli = value;
        else if (flag == "--dir")
            options.dir = value;
        else if (flag == "--case")
            options.which = value;
        else if (flag == "--runs")
            options.runs = std::atoi(value.c_str());
        else if (flag == "--throttled-mib")
            options.throttledMiB = std::strtoull(value.c_str(), nullptr, 10);
        else if (flag == "--loopback-mib")
            options.loopbackMiB = std::strtoull(value.c_str(), nullptr, 10);
        else if (flag == "--rate")
            options.rate = std::strtoull(value.c_str(), nullptr, 10);
    }
    if (options.server.empty() || options.stageCli.empty() || options.runs < 1 ||
        (options.which != "both" && options.which != "throttled" && options.which != "loopback")) {
        std::fprintf(stderr,
                     "usage: download_mt_bench --server PATH --stage-cli PATH "
                     "[--case throttled|loopback|both] [--runs N] [--dir DIR] "
                     "[--throttled-mib N] [--loopback-mib N] [--rate BYTES_PER_SECOND]\n");
        return 2;
    }

    if (options.which != "loopback") {
        std::vector<Contender> contenders = {StageCli(options, 3), StageCli(options, 1), Aria2()};
        const std::string title =
            "throttled to " + std::to_string(options.rate) + " bytes/s per connection";
        if (!RunCase(options, title, options.throttledMiB,
                     {"--throttle", std::to_string(options.rate)}, contenders)) {
            return 1;
        }
        const double multi = Median(contenders[0].seconds);
        std::printf("single / multi-part: %.3f (target >= 1.80)\n",
                    Median(contenders[1].seconds) / multi);
        std::printf("multi-part / aria2c: %.3f (target <= 1.10)\n",
                    multi / Median(contenders[2].seconds));
    }
    if (options.which != "throttled") {
        std::vector<Contender> contenders = {StageCli(options, 3), CurlAndMd5sum()};
        if (!RunCase(options, "loopback, no limit", options.loopbackMiB, {}, contenders)) return 1;
        std::printf("multi-part / (curl + md5sum): %.3f (target <= 1.25)\n",
                    Median(contenders[0].seconds) / Median(contenders[1].seconds));
    }
    return 0;
}
