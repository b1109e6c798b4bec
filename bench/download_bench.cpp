// Download benchmark: the downloaders (stage-cli download: transfer and digest check) against
// curl, md5sum and aria2c in the same run, all fetching from nginx on loopback, which redirects
// "/software/<name>" to a URL with the package's digest and serves it as a static file.
//
//   single     256 MiB, no limit: --type 1 (MD5 and SHA-256 URLs) against curl -o alone
//              (target <= 1.15) and against curl followed by md5sum; md5sum alone shows the
//              floor an MD5 check sets on this processor
//   multi      1 GiB, no limit: --type 3 (MD5 and SHA-256 URLs) against curl -o alone (target
//              <= 1.4); peak resident memory of --type 1 and --type 3 (target < 64 MiB)
//   throttled  128 MiB, every connection limited to 20 MB/s: --type 3 against the line-rate
//              limit (size / 40 MB/s; target <= 1.05) and aria2c -x2 -s2 (target <= 1.0), and
//              --type 1 (target: at least 1.9 times slower than --type 3)
//
// Contenders take turns in a rotating order, so that none always finds a warmer cache; each
// figure is the median of the runs.
//
//   download_bench --stage-cli PATH [--case single|multi|throttled|all] [--runs N] [--dir DIR]
//                  [--rate BYTES_PER_SECOND]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "download/digest.h"
#include "download_bench_support.h"

using namespace download_bench;

namespace {

struct Options {
    std::string stageCli, dir, which = "all";
    int runs = 5;
    uint64_t rate = 20000000;
};

struct Contender {
    // Fetches `url` to `file` (`package` is the served file itself).
    using Fetch = std::function<Measure(const std::string& url, const std::string& file,
                                        const std::string& package)>;
    Contender(std::string n, std::string p, Fetch f)
        : name(std::move(n)), package(std::move(p)), fetch(std::move(f)) {}

    std::string name;
    std::string package;  // "md5" or "sha256": which URL it fetches
    Fetch fetch;
    std::vector<double> seconds, cpu;
    long peakRssKiB = 0;
};

Contender StageCli(const Options& options, int type, const std::string& package) {
    return {"stage-cli --type " + std::to_string(type) + " (" + package + " URL)", package,
            [&options, type](const std::string& url, const std::string& file, const std::string&) {
                return RunProgram(
                    {options.stageCli, "download", "--type", std::to_string(type), url, file});
            }};
}

Contender CurlAlone() {
    return {"curl -o", "md5",
            [](const std::string& url, const std::string& file, const std::string&) {
                return RunProgram({"curl", "-sS", "-L", "-o", file, url});
            }};
}

Contender CurlAndMd5sum() {
    return {"curl -o, then md5sum", "md5",
            [](const std::string& url, const std::string& file, const std::string&) {
                Measure get = RunProgram({"curl", "-sS", "-L", "-o", file, url});
                const Measure sum = RunProgram({"md5sum", file});
                get.seconds += sum.seconds;
                get.cpuSeconds += sum.cpuSeconds;
                if (get.exitCode == 0) get.exitCode = sum.exitCode;
                return get;
            }};
}

// The time the MD5 alone takes over the package (already in memory): no download that checks
// an MD5 as it arrives can end sooner.
Contender Md5sumAlone() {
    return {"md5sum of the package alone", "md5",
            [](const std::string&, const std::string&, const std::string& package) {
                return RunProgram({"md5sum", package});
            }};
}

Contender Aria2() {
    return {"aria2c -x2 -s2", "md5",
            [](const std::string& url, const std::string& file, const std::string&) {
                const std::filesystem::path path(file);
                return RunProgram({"aria2c", "-x2", "-s2", "-q", "--allow-overwrite=true",
                                   "--auto-file-renaming=false", "-d", path.parent_path().string(),
                                   "-o", path.filename().string(), url});
            }};
}

// Runs every contender `runs` times on a package of `sizeMiB` served with `rate` (0: no limit);
// false when a download failed or nginx did not start.
bool RunCase(const Options& options, const std::string& title, uint64_t sizeMiB, uint64_t rate,
             std::vector<Contender>& contenders) {
    bool ownDir = false;
    const std::string dir = BenchFolder(options.dir, &ownDir);
    if (dir.empty()) return false;
    const std::string package = dir + "/package.bin";
    std::printf("\n== %s: %llu MiB in %s; load average before %s\n", title.c_str(),
                static_cast<unsigned long long>(sizeMiB), dir.c_str(), LoadAverage().c_str());
    bool failed = !WritePackage(package, sizeMiB << 20);
    {
        const Nginx nginx(dir,
                          {{"md5", package, FileDigest(package, DigestKind::kMd5)},
                           {"sha256", package, FileDigest(package, DigestKind::kSha256)}},
                          rate);
        if (nginx.Port() == 0) {
            std::fprintf(stderr, "download_bench: nginx did not start (see %s)\n", dir.c_str());
            failed = true;
        }
        const std::string file = dir + "/fetched.exe";
        for (int run = 0; run < options.runs && !failed; ++run) {
            for (size_t turn = 0; turn < contenders.size() && !failed; ++turn) {
                Contender& contender = contenders[(run + turn) % contenders.size()];
                const Measure m = contender.fetch(nginx.Url(contender.package), file, package);
                if (m.exitCode != 0) {
                    std::fprintf(stderr, "download_bench: %s failed (exit %d)\n",
                                 contender.name.c_str(), m.exitCode);
                    failed = true;
                }
                contender.seconds.push_back(m.seconds);
                contender.cpu.push_back(m.cpuSeconds);
                contender.peakRssKiB = std::max(contender.peakRssKiB, m.maxRssKiB);
                std::filesystem::remove(file);
                std::filesystem::remove(file + ".aria2");
            }
        }
    }
    if (ownDir) std::filesystem::remove_all(dir);
    if (failed) return false;
    std::printf("runs: %d (median shown); load average after %s\n", options.runs,
                LoadAverage().c_str());
    for (const auto& c : contenders)
        std::printf("  %-34s %8.3f s  (cpu %.3f s, peak RSS %.1f MiB)\n", c.name.c_str(),
                    Median(c.seconds), Median(c.cpu), c.peakRssKiB / 1024.0);
    return true;
}

void Ratio(const char* what, double value, const char* target) {
    std::printf("%-44s %6.3f   (target %s)\n", what, value, target);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const std::string value = argv[i + 1];
        if (flag == "--stage-cli")
            options.stageCli = value;
        else if (flag == "--dir")
            options.dir = value;
        else if (flag == "--case")
            options.which = value;
        else if (flag == "--runs")
            options.runs = std::atoi(value.c_str());
        else if (flag == "--rate")
            options.rate = std::strtoull(value.c_str(), nullptr, 10);
    }
    const std::vector<std::string> cases = {"single", "multi", "throttled", "all"};
    if (options.stageCli.empty() || options.runs < 1 || options.rate == 0 ||
        std::find(cases.begin(), cases.end(), options.which) == cases.end()) {
        std::fprintf(stderr,
                     "usage: download_bench --stage-cli PATH [--case single|multi|throttled|all] "
                     "[--runs N] [--dir DIR] [--rate BYTES_PER_SECOND]\n");
        return 2;
    }
    const auto runs = [&options](const char* which) {
        return options.which == "all" || options.which == which;
    };

    if (runs("single")) {
        std::vector<Contender> c = {StageCli(options, 1, "md5"), StageCli(options, 1, "sha256"),
                                    CurlAlone(), CurlAndMd5sum(), Md5sumAlone()};
        if (!RunCase(options, "single connection, no limit", 256, 0, c)) return 1;
        const double curl = Median(c[2].seconds);
        Ratio("type 1 (MD5) / curl -o", Median(c[0].seconds) / curl, "<= 1.15");
        Ratio("type 1 (SHA-256) / curl -o", Median(c[1].seconds) / curl, "<= 1.15");
        Ratio("type 1 (MD5) / (curl -o, then md5sum)", Median(c[0].seconds) / Median(c[3].seconds),
              "report");
    }
    if (runs("multi")) {
        std::vector<Contender> c = {StageCli(options, 3, "md5"), StageCli(options, 3, "sha256"),
                                    StageCli(options, 1, "md5"), CurlAlone(), Md5sumAlone()};
        if (!RunCase(options, "two connections, no limit", 1024, 0, c)) return 1;
        const double curl = Median(c[3].seconds);
        Ratio("type 3 (MD5) / curl -o", Median(c[0].seconds) / curl, "<= 1.4");
        Ratio("type 3 (SHA-256) / curl -o", Median(c[1].seconds) / curl, "<= 1.4");
        std::printf("%-44s %6.1f MiB / %.1f MiB   (target < 64 MiB)\n", "peak RSS, type 1 / type 3",
                    c[2].peakRssKiB / 1024.0, std::max(c[0].peakRssKiB, c[1].peakRssKiB) / 1024.0);
    }
    if (runs("throttled")) {
        std::vector<Contender> c = {StageCli(options, 3, "md5"), StageCli(options, 1, "md5"),
                                    Aria2()};
        const std::string title = std::to_string(options.rate) + " bytes/s per connection";
        if (!RunCase(options, title, 128, options.rate, c)) return 1;
        const double multi = Median(c[0].seconds);
        const double lineRate = static_cast<double>(128u << 20) / (2.0 * options.rate);
        std::printf("line-rate limit (size / two connections' rate): %.3f s\n", lineRate);
        Ratio("type 3 / line-rate limit", multi / lineRate, "<= 1.05");
        Ratio("type 3 / aria2c -x2 -s2", multi / Median(c[2].seconds), "<= 1.0");
        Ratio("type 1 / type 3", Median(c[1].seconds) / multi, ">= 1.9");
    }
    return 0;
}
