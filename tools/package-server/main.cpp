// package-server: serves one package file on loopback for the demo, tests and benchmarks.
// Prints the port it listens on, then answers until interrupted (SIGINT or SIGTERM) or, with
// --exit-with-input, until its standard input ends. With --control it also answers the control
// channel of control_text.h, through which a test in another process sets the faults and
// reads the request log.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/package-server/control_text.h"
#include "tools/package-server/package_server.h"

namespace {

const char kUsage[] =
    "usage: package-server --package FILE [--port N] [--throttle BYTES_PER_SECOND]\n"
    "                      [--cut-after BYTES] [--head-status N] [--get-status N]\n"
    "                      [--no-length] [--ignore-range]\n"
    "                      [--digest correct|upper|wrong|none|sha256|sha256-wrong]\n"
    "                      [--faults-from OFFSET] [--hang] [--stall-after BYTES]\n"
    "                      [--extra-bytes N] [--reset-after BYTES] [--redirect-loop] [--log]\n"
    "                      [--exit-with-input] [--control]\n";

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

// The end of standard input stops the server as SIGTERM does: a parent that cannot send
// signals (a Windows test under Wine) holds the other end of the input and closes it, or dies.
// The input may be a non-blocking socket (what Wine hands over), so it is waited for with
// poll. The stop signals are blocked in every thread, so the signal waits for sigwait in main.
void StopAtEndOfInput() {
    std::thread([] {
        char buffer[256];
        while (true) {
            pollfd input{STDIN_FILENO, POLLIN, 0};
            if (poll(&input, 1, -1) < 0 && errno != EINTR) break;
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) break;
            if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) break;
        }
        kill(getpid(), SIGTERM);
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    std::string package;
    long long port = 0;
    bool log = false;
    bool exitWithInput = false;
    bool control = false;
    package_server::Faults faults;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const std::string name = flag.starts_with("--") ? flag.substr(2) : std::string();
        const bool hasValue = i + 1 < argc;
        std::string error;
        if (flag == "--log") {
            log = true;
        } else if (flag == "--exit-with-input") {
            exitWithInput = true;
        } else if (flag == "--control") {
            control = true;
        } else if (package_server::IsFaultSwitch(name)) {
            package_server::SetFaultField(&faults, name, "1", &error);
        } else if (!hasValue) {
            return Usage(("missing value or unknown flag: " + flag).c_str());
        } else if (flag == "--package") {
            package = argv[++i];
        } else if (flag == "--port") {
            if (!ParseInteger(argv[++i], &port) || port < 0)
                return Usage(("not a number: " + flag + " " + argv[i]).c_str());
        } else if (name.empty() || !package_server::SetFaultField(&faults, name, argv[++i], &error)) {
            return Usage((error.empty() ? "unknown flag: " + flag : error).c_str());
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
    if (control) server.EnableControl();
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
    if (exitWithInput) StopAtEndOfInput();

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}
