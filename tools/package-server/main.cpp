// package-server: serves one package file on loopback for the demo, tests and benchmarks.
// Prints the port it listens on, then answers until interrupted (SIGINT or SIGTERM).
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/package-server/package_server.h"

namespace {

const char kUsage[] =
    "usage: package-server --package FILE [--port N] [--throttle BYTES_PER_SECOND]\n"
    "                      [--cut-after BYTES] [--head-status N] [--get-status N]\n"
    "                      [--no-length] [--ignore-range]\n"
    "                      [--digest correct|upper|wrong|none|sha256|sha256-wrong]\n"
    "                      [--faults-from OFFSET] [--hang] [--stall-after BYTES]\n"
    "                      [--extra-bytes N] [--reset-after BYTES] [--redirect-loop] [--log]\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "package-server: %s\n%s", problem, kUsage);
    return 2;
}

bool ParseInteger(const char* text, long long* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    std::string package;
    long long port = 0;
    bool log = false;
    package_server::Faults faults;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        long long number = 0;
        if (flag == "--no-length") {
            faults.noLength = true;
        } else if (flag == "--ignore-range") {
            faults.ignoreRange = true;
        } else if (flag == "--hang") {
            faults.hang = true;
        } else if (flag == "--redirect-loop") {
            faults.redirectLoop = true;
        } else if (flag == "--log") {
            log = true;
        } else if (!hasValue) {
            return Usage(("missing value or unknown flag: " + flag).c_str());
        } else if (flag == "--package") {
            package = argv[++i];
        } else if (flag == "--digest") {
            const std::string mode = argv[++i];
            if (mode == "correct")
                faults.digest = package_server::DigestMode::kCorrect;
            else if (mode == "upper")
                faults.digest = package_server::DigestMode::kUpperCase;
            else if (mode == "wrong")
                faults.digest = package_server::DigestMode::kWrong;
            else if (mode == "none")
                faults.digest = package_server::DigestMode::kNone;
            else if (mode == "sha256")
                faults.digest = package_server::DigestMode::kSha256;
            else if (mode == "sha256-wrong")
                faults.digest = package_server::DigestMode::kSha256Wrong;
            else
                return Usage(("unknown digest mode: " + mode).c_str());
        } else if (!ParseInteger(argv[++i], &number) || number < 0) {
            return Usage(("not a number: " + flag + " " + argv[i]).c_str());
        } else if (flag == "--port") {
            port = number;
        } else if (flag == "--throttle") {
            faults.throttleBytesPerSecond = static_cast<uint64_t>(number);
        } else if (flag == "--cut-after") {
            faults.cutAfterBytes = number;
        } else if (flag == "--head-status") {
            faults.headStatus = static_cast<int>(number);
        } else if (flag == "--get-status") {
            faults.getStatus = static_cast<int>(number);
        } else if (flag == "--faults-from") {
            faults.faultsFrom = static_cast<uint64_t>(number);
        } else if (flag == "--stall-after") {
            faults.stallAfterBytes = number;
        } else if (flag == "--extra-bytes") {
            faults.extraBytes = static_cast<uint64_t>(number);
        } else if (flag == "--reset-after") {
            faults.resetAfterBytes = number;
        } else {
            return Usage(("unknown flag: " + flag).c_str());
        }
    }
    if (package.empty()) return Usage("--package is required");

    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    package_server::PackageServer server(package);
    server.SetFaults(faults);
    if (log) {
        server.SetRequestObserver([](const package_server::RequestRecord& r) {
            std::fprintf(stderr, "%s %s range=%s status=%d\n", r.method.c_str(), r.path.c_str(),
                         r.range.empty() ? "-" : r.range.c_str(), r.status);
        });
    }
    if (!server.Start(static_cast<int>(port))) {
        std::fprintf(stderr, "package-server: cannot read %s or bind port %lld\n", package.c_str(),
                     port);
        return 1;
    }
    std::printf("%d\n", server.Port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}
