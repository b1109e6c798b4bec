// The process-wide crash filter: on a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT,
// on an alternate stack) or an uncaught C++ exception, runs the installed report once, then
// lets the default action end the process. The report runs on the crashing thread.
#pragma once

namespace platform {

using CrashReport = void (*)();

// Installs the handlers; `report` may be null. Call once, early, on the main thread.
void InstallCrashHandler(CrashReport report);

}  // namespace platform
