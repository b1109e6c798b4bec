// collect-server: the reference collection server for analytics uploads.
//
//   collect-server [--port N] [--db PATH] [--status N] [--hang-ms N] [--exit-with-input]
//                  [--control]
//       serves until interrupted (or, with --exit-with-input, until standard input ends);
//       prints "listening on <url>" once bound; with --control it also answers the control
//       channel (control_channel.h), which changes its knobs and reads its records over HTTP
//   collect-server list --db PATH
//       prints every stored record as one JSON line {"id":..,"received_ms":..,"record":{..}}
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/collect-server/collect_server.h"
#include "tools/collect-server/record_store.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: collect-server [--port N] [--db PATH] [--status N] [--hang-ms N]\n"
                 "                      [--exit-with-input] [--control]\n"
                 "       collect-server list --db PATH\n");
    return 2;
}

bool ParseInt(const char* text, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 1000000000) return false;
    *out = static_cast<int>(value);
    return true;
}

// The end of standard input stops the server as SIGTERM does: a parent that cannot send
// signals (a Windows test under Wine) holds the other end of the input and closes it, or dies.
// The input may be a non-blocking socket (what Wine hands over), so it is waited for with
// poll. The stop signals are blocked in every thread, so the signal waits for sigwait in Serve.
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

int List(int argc, char** argv) {
    std::string path;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--db") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else {
            return Usage();
        }
    }
    if (path.empty()) return Usage();
    collect_server::RecordStore store;
    std::string error;
    if (!store.Open(path, &error)) {
        std::fprintf(stderr, "collect-server: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    // The record is embedded as it was stored: it was accepted only as a JSON object.
    for (const auto& row : store.List()) {
        std::printf("{\"id\":%lld,\"received_ms\":%lld,\"record\":%s}\n",
                    static_cast<long long>(row.id), static_cast<long long>(row.receivedMs),
                    row.record.c_str());
    }
    return 0;
}

int Serve(int argc, char** argv) {
    collect_server::ServerOptions options;
    options.databasePath = "collect-server.sqlite";
    bool exitWithInput = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--port") == 0 && hasValue) {
            if (!ParseInt(argv[++i], &options.port) || options.port > 65535) return Usage();
        } else if (std::strcmp(argv[i], "--db") == 0 && hasValue) {
            options.databasePath = argv[++i];
        } else if (std::strcmp(argv[i], "--status") == 0 && hasValue) {
            if (!ParseInt(argv[++i], &options.answerStatus)) return Usage();
        } else if (std::strcmp(argv[i], "--hang-ms") == 0 && hasValue) {
            if (!ParseInt(argv[++i], &options.hangMilliseconds)) return Usage();
        } else if (std::strcmp(argv[i], "--exit-with-input") == 0) {
            exitWithInput = true;
        } else if (std::strcmp(argv[i], "--control") == 0) {
            options.control = true;
        } else {
            return Usage();
        }
    }
    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    collect_server::CollectServer server(options);
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "collect-server: %s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s\n", server.Url().c_str());
    std::fflush(stdout);
    if (exitWithInput) StopAtEndOfInput();
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) return List(argc, argv);
    return Serve(argc, argv);
}
