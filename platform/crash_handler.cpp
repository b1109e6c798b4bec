#include "platform/crash_handler.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

std::atomic<CrashReport> g_report{nullptr};
std::atomic<bool> g_reported{false};
// The report allocates, formats and sends, none of which a signal handler may do: it runs on a
// reporter thread started with the handlers. A crashing thread wakes it through one pipe and
// waits on the other until the report is done (writing and reading a pipe are safe there).
int g_wake[2] = {-1, -1};
int g_done[2] = {-1, -1};

void Reporter() {
    char byte = 0;
    while (read(g_wake[0], &byte, 1) < 0 && errno == EINTR) {
    }
    if (CrashReport report = g_report.load()) report();
    while (write(g_done[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

void RunReportOnce() {
    if (g_reported.exchange(true)) return;  // a crash inside the report must not loop
    char byte = 1;
    if (write(g_wake[1], &byte, 1) != 1) return;  // no reporter: the process ends unreported
    while (read(g_done[0], &byte, 1) < 0 && errno == EINTR) {
    }
}

void OnFatalSignal(int signal) {
    RunReportOnce();
    // Default action, then raise again: the process ends as it would have without us.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void OnTerminate() {
    RunReportOnce();
    // abort() would run the report again through SIGABRT; it runs only once.
    std::abort();
}

}  // namespace

void InstallCrashHandler(CrashReport report) {
    g_report = report;
    if (pipe2(g_wake, O_CLOEXEC) == 0 && pipe2(g_done, O_CLOEXEC) == 0) {
        try {
            std::thread(Reporter).detach();
        } catch (const std::system_error&) {
            close(g_wake[1]);  // no reporter thread: a crash is not reported
            g_wake[1] = -1;
        }
    }

    // The alternate stack lets the handler run after a stack overflow; it lives for the process.
    static std::vector<char> alternateStack(64 * 1024);
    stack_t stack{};
    stack.ss_sp = alternateStack.data();
    stack.ss_size = alternateStack.size();
    sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
    std::set_terminate(OnTerminate);
}

}  // namespace platform
