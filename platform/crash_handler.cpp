#include "platform/crash_handler.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <vector>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

std::atomic<CrashReport> g_report{nullptr};
std::atomic<bool> g_reported{false};

void RunReportOnce() {
    if (g_reported.exchange(true)) return;  // a crash inside the report must not loop
    if (CrashReport report = g_report.load()) report();
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
