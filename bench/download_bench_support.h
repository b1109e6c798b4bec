// Helpers of the download benchmarks: running a program to its end and measuring it, writing
// an incompressible package, and starting the package server as a separate process.
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

// Starts `server` for `package` with extra flags and returns the port it prints; 0 when it
// did not start.
int StartServer(const std::string& server, const std::string& package,
                const std::vector<std::string>& flags, pid_t* pid);
void StopServer(pid_t pid);

double Median(std::vector<double> values);

// A fresh folder for the package and the downloads (removed by the caller), or `dir`.
std::string BenchFolder(const std::string& dir, bool* own);

// The system load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
std::string LoadAverage();

}  // namespace download_bench
