// The crash filter of platform/crash_handler.h over the system's unhandled-exception filter.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <thread>

#include "platform/crash_handler.h"

namespace platform {
namespace {

std::atomic<CrashReport> g_report{nullptr};
std::atomic<bool> g_reported{false};
// The report allocates, formats and sends, which a thread that has just faulted (its stack
// overflowed, its heap lock held) may not manage: it runs on a reporter thread started with
// the filter. A crashing thread wakes it with one event and waits on the other until the
// report is done.
HANDLE g_wake = nullptr;
HANDLE g_done = nullptr;
// The filter in place before ours (the C runtime's, which turns faults into signals).
LPTOP_LEVEL_EXCEPTION_FILTER g_previous = nullptr;

void Reporter() {
    WaitForSingleObject(g_wake, INFINITE);
    if (CrashReport report = g_report.load()) report();
    SetEvent(g_done);
}

void RunReportOnce() {
    if (g_reported.exchange(true)) return;  // a crash inside the report must not loop
    // Without a reporter the process ends unreported.
    if (g_wake == nullptr || g_done == nullptr) return;
    SetEvent(g_wake);
    WaitForSingleObject(g_done, INFINITE);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    RunReportOnce();
    // Then everything goes on as without us: the earlier filter, then the system, which ends
    // the process with the exception's code.
    return g_previous != nullptr ? g_previous(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void OnTerminate() {
    RunReportOnce();
    std::abort();
}

}  // namespace

void InstallCrashHandler(CrashReport report) {
    g_report = report;
    g_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    g_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (g_wake != nullptr && g_done != nullptr) {
        try {
            std::thread(Reporter).detach();
        } catch (const std::system_error&) {
            CloseHandle(g_wake);  // no reporter thread: a crash is not reported
            g_wake = nullptr;
        }
    }
    g_previous = SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
}

}  // namespace platform
