// Helpers of the download benchmark: running a program to its end and measuring it, writing
// an incompressible package, and serving it with nginx.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace download_bench {

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system
    long maxRssKiB = 0;
    int exitCode = -1;
};

// Runs a program (looked up in PATH when the name has no "/") with standard output and error
// discarded, and waits for it.
Measure RunProgram(const std::vector<std::string>& args);

bool WritePackage(const std::string& path, uint64_t size);

// A package the web server offers: "/software/<name>" redirects to "/<digest>/Collivo.exe",
// which serves `file` (ranges, HEAD and lengths as a static file server gives them).
struct ServedPackage {
    std::string name;
    std::string file;
    std::string digest;
};

// nginx on 127.0.0.1 and a free port, configured in `folder`, serving `packages` with every
// connection limited to `bytesPerSecond` (0: no limit). Stopped on destruction.
class Nginx {
public:
    Nginx(const std::string& folder, const std::vector<ServedPackage>& packages,
          uint64_t bytesPerSecond);
    ~Nginx();
    Nginx(const Nginx&) = delete;
    Nginx& operator=(const Nginx&) = delete;

    // 0 when it did not start.
    int Port() const { return m_port; }
    std::string Url(const std::string& name) const;

private:
    pid_t m_pid = 0;
    int m_port = 0;
};

double Median(std::vector<double> values);

// A fresh folder for the package and the downloads (removed by the caller), or `dir`.
std::string BenchFolder(const std::string& dir, bool* own);

// The system load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
std::string LoadAverage();

}  // namespace download_bench
