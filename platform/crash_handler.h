// The process-wide crash filter: on a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT,
// on an alternate stack; on Windows an unhandled exception, through the system's unhandled-
// exception filter) or an uncaught C++ exception, runs the installed report once, then lets
// the default action end the process (Windows: the system's handling of the exception, or
// abort). The report runs on a reporter thread of its own (started here) while the crashing
// thread waits for it.
#pragma once

namespace platform {

using CrashReport = void (*)();

// Installs the handlers; `report` may be null. Call once, early, on the main thread.
void InstallCrashHandler(CrashReport report);

}  // namespace platform
