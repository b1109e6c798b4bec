// A child program for the child-process and runner tests; it misbehaves on request.
//   child_helper print-args ARG...  one line per argument after "print-args"
//   child_helper open-fds           (Linux) the numbers of its open descriptors above 2, one a
//                                   line
//   child_helper pipes VALUE...     (Windows) those of the handle values given that name a pipe
//                                   here, one a line: a child cannot list its handles, but an
//                                   inherited one keeps the value it had in the parent
//   child_helper stderr N           N bytes to standard error, then "done" to standard output
//   child_helper stdin              reads standard input to its end, then "stdin-eof"
//   child_helper exit N             ends with exit code N
//   child_helper grandchild         starts a process that holds the output for 30 s, prints
//                                   "pid=<its id>" and ends at once
//   child_helper crash              (Windows) installs the crash filter with a report that
//   child_helper crash-terminate    prints "reported", then faults, or throws an exception
//                                   nobody catches
// Copies under these names (Windows: a ".exe" after them) stand in for a package or an
// uninstaller, whatever their arguments:
//   record-args         writes its arguments (one a line) to "<its path>.args" and ends silently
//   left-writer         starts a process that writes a line to the output every 10 ms for 30 s,
//                       writes its id to "<its path>.pids" and ends at once
//   success-then-fail   prints "State=Success", then 300 ms later "State=Fail", and ends
//   success-then-error  the same with "Error=late" instead of "State=Fail"
//   hang                starts a process that sleeps for ever, writes both ids to
//                       "<its path>.pids" and sleeps for ever itself
//   hang-stubborn       as hang, and both ignore SIGTERM (Windows sends no such request: as hang)
//   fail-then-hang      prints "State=Fail", writes its id to "<its path>.pids" and sleeps
//                       for ever
// A copy under any other name (a downloaded package) takes one of these from an argument
// "--as=NAME". "<its path>" is the program as its command line names it.
// On Windows the processes it starts are copies of itself, run with "--inner=NAME" first.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "platform/crash_handler.h"
#else
#include <dirent.h>
#include <signal.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <thread>

namespace {

#ifdef _WIN32
using ProcessId = unsigned long;
#else
using ProcessId = pid_t;
#endif

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

[[noreturn]] void SleepForEver() {
    while (true)
        SleepMs(60 * 1000);
}

ProcessId OwnId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return getpid();
#endif
}

// Writes "<self>.pids" whole or not at all, one id a line.
void WritePids(const std::string& self, std::initializer_list<ProcessId> pids) {
    {
        std::ofstream out(self + ".pids.tmp");
        for (ProcessId pid : pids)
            out << pid << "\n";
    }
    std::rename((self + ".pids.tmp").c_str(), (self + ".pids").c_str());
}

void Line(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// What the processes started below do.
void RunInner(const std::string& name) {
    if (name == "writer") {
        for (int n = 0; n < 3000; ++n) {
            Line("Message=still here");
            SleepMs(10);
        }
    } else if (name == "holder") {
        SleepMs(30 * 1000);
    } else if (name == "sleeper") {
        SleepForEver();
    }
}

// Starts a process that runs RunInner(name) with this one's standard streams, and gives its id.
ProcessId StartInner(const char* name) {
    std::fflush(stdout);
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --inner=";
    for (const char* c = name; *c != '\0'; ++c)
        line += static_cast<wchar_t>(*c);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        std::exit(90);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
#else
    const pid_t pid = fork();
    if (pid == 0) {
        RunInner(name);
        _exit(0);
    }
    return pid;
#endif
}

// Runs the copy named `name`; false for any other name.
bool RunAsNamed(const std::string& name, const std::string& self, int argc, char** argv) {
    if (name == "record-args") {
        std::ofstream out(self + ".args");
        for (int n = 1; n < argc; ++n)
            out << argv[n] << "\n";
    } else if (name == "left-writer") {
        WritePids(self, {StartInner("writer")});
    } else if (name == "success-then-fail" || name == "success-then-error") {
        Line("State=Success");
        SleepMs(300);
        Line(name == "success-then-fail" ? "State=Fail" : "Error=late");
    } else if (name == "hang" || name == "hang-stubborn") {
#ifndef _WIN32
        // Inherited by the sleeper: both ignore it.
        if (name == "hang-stubborn") signal(SIGTERM, SIG_IGN);
#endif
        const ProcessId sleeper = StartInner("sleeper");
        WritePids(self, {OwnId(), sleeper});
        SleepForEver();
    } else if (name == "fail-then-hang") {
        Line("State=Fail");
        WritePids(self, {OwnId()});
        SleepForEver();
    } else {
        return false;
    }
    return true;
}

// The program's own name, without its folder (and on Windows without ".exe").
std::string OwnName(const std::string& self) {
#ifdef _WIN32
    const size_t slash = self.find_last_of("/\\");
#else
    const size_t slash = self.find_last_of('/');
#endif
    std::string name = self.substr(slash == std::string::npos ? 0 : slash + 1);
#ifdef _WIN32
    if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".exe") == 0)
        name.resize(name.size() - 4);
#endif
    return name;
}

#ifdef _WIN32
void ReportCrash() {
    Line("reported");
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end with "\n" alone, as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (argc > 1 && std::strncmp(argv[1], "--inner=", 8) == 0) {
        RunInner(argv[1] + 8);
        return 0;
    }
#endif
    const std::string self = argv[0];
    if (RunAsNamed(OwnName(self), self, argc, argv)) return 0;
    for (int n = 1; n < argc; ++n) {
        const std::string element = argv[n];
        if (element.rfind("--as=", 0) == 0 && RunAsNamed(element.substr(5), self, argc, argv))
            return 0;
    }
    if (argc < 2) return 0;
    const std::string mode = argv[1];
    if (mode == "print-args") {
        for (int n = 2; n < argc; ++n)
            std::printf("%s\n", argv[n]);
#ifdef _WIN32
    } else if (mode == "pipes") {
        for (int n = 2; n < argc; ++n) {
            const auto handle = reinterpret_cast<HANDLE>(std::strtoul(argv[n], nullptr, 10));
            if (GetFileType(handle) == FILE_TYPE_PIPE) std::printf("%s\n", argv[n]);
        }
    } else if (mode == "crash" || mode == "crash-terminate") {
        // No system error box nor debugger: the process ends with the exception.
        SetErrorMode(SEM_NOGPFAULTERRORBOX);
        platform::InstallCrashHandler(&ReportCrash);
        if (mode == "crash-terminate") throw std::runtime_error("nobody catches this");
        // An address the compiler cannot see is invalid.
        volatile std::uintptr_t address = 16;
        *reinterpret_cast<volatile int*>(address) = 1;
#else
    } else if (mode == "open-fds") {
        DIR* folder = opendir("/proc/self/fd");
        if (folder == nullptr) return 1;
        const int own = dirfd(folder);
        while (const dirent* entry = readdir(folder)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != own) std::printf("%d\n", fd);
        }
        closedir(folder);
#endif
    } else if (mode == "stderr" && argc > 2) {
        const std::string block(4096, 'e');
        for (long left = std::atol(argv[2]); left > 0; left -= 4096)
            std::fwrite(block.data(), 1, left < 4096 ? left : 4096, stderr);
        std::fflush(stderr);
        std::printf("done\n");
    } else if (mode == "stdin") {
        char buffer[256];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        std::printf("stdin-eof\n");
    } else if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    } else if (mode == "grandchild") {
        std::printf("pid=%d\n", static_cast<int>(StartInner("holder")));
    }
    return 0;
}
