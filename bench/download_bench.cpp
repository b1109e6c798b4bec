// Download benchmark: fetches a large package from the local package server with the
// single-connection downloader (stage-cli download --type 1: transfer plus digest check) and,
// in the same run, with the curl command-line tool followed by md5sum. Prints both times,
// their ratio, and the peak resident memory of our process.
//
//   download_bench --server PATH --stage-cli PATH [--size-mib N] [--runs N] [--dir DIR]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "download_bench_support.h"

using namespace download_bench;

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
    dir = BenchFolder(dir, &ownDir);
    if (dir.empty()) return 1;
    const std::string package = dir + "/Collivo.exe";
    std::printf("package: %llu MiB in %s\n", static_cast<unsigned long long>(sizeMiB), dir.c_str());
    if (!WritePackage(package, sizeMiB << 20)) return 1;

    pid_t serverPid = 0;
    const int port = StartServer(server, package, {}, &serverPid);
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
    StopServer(serverPid);
    if (ownDir) std::filesystem::remove_all(dir);
    if (failed) {
        std::fprintf(stderr, "download_bench: a download failed\n");
        return 1;
    }

    std::printf("runs: %d (median shown); load average %s\n", runs, LoadAverage().c_str());
    std::printf("ours  (stage-cli download --type 1): %.3f s (cpu %.3f s)   peak RSS %.1f MiB\n",
                Median(ours), Median(ourCpu), ourRss / 1024.0);
    std::printf(
        "pair  (curl + md5sum):               %.3f s (cpu %.3f s)   curl peak RSS %.1f MiB\n",
        Median(theirs), Median(theirCpu), curlRss / 1024.0);
    std::printf("ratio ours / pair: %.3f (target <= 1.10); peak RSS target < 64 MiB\n",
                Median(ours) / Median(theirs));
    return 0;
}
