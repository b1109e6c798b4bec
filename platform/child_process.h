// Child processes with their standard streams on pipes: pipe ends, starting a program, its
// exit code and waiting for it. Pipe ends are plain handles owned by the caller; a
// SpawnedProcess belongs to the thread that started it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A file descriptor on Linux; on Windows the system's HANDLE (kept as void* so that this
// header needs no <windows.h>).
#ifdef _WIN32
using Handle = void*;
inline constexpr Handle kNullHandle = nullptr;
#else
using Handle = int;
inline constexpr Handle kNullHandle = -1;
#endif

// The exit code of a process that has not ended yet.
inline constexpr uint32_t kStillActive = 259;

// Makes an anonymous pipe. Neither end is inherited by any child process unless it is handed
// to SpawnedProcess::Start as a standard stream, so children started by other threads at the
// same time never hold them. Returns 0 or the system's error number (errno; on Windows
// GetLastError's), which StartErrorText describes; the ends stay null on failure.
int CreatePipe(Handle* readEnd, Handle* writeEnd);

// Closes the handle when it is not null and makes it null.
void CloseHandle(Handle* handle);

// Waits until one of `handles` can be read without blocking (data, or every writer gone) or
// `timeoutMs` pass (-1 waits without limit, 0 only looks). Null handles are skipped. Returns a
// mask with bit n set for handles[n], 0 after the timeout, -1 on failure. On Windows the
// handles must be pipes: they are looked at (PeekNamedPipe) every few milliseconds.
int WaitForInput(const Handle* handles, size_t count, int timeoutMs);

// Reads at most `size` bytes: the count read, 0 at the end of the pipe, -1 on failure.
long ReadHandle(Handle handle, void* buffer, size_t size);

// Takes over the read end of a pipe that processes may still write to, and reads and drops
// what they write, on a thread of its own, until the last of them lets go; then closes it.
// A writer whose reader is gone fails at its next write (SIGPIPE ends it on Linux), so this
// keeps programs that a child left behind alive. A null handle is ignored.
void DiscardUntilEnd(Handle readEnd);

// What a program starts with besides its arguments and standard streams.
struct SpawnOptions {
    // The child's current folder; empty keeps the parent's. A relative program path is then
    // looked up from this folder on Linux (from the parent's current folder on Windows), so
    // give an absolute one.
    std::string workingFolder;
    // A session of its own: the child outlives the terminal the installer was started from
    // (no SIGHUP when it closes) and keeps out of the installer's job control. It also leads a
    // process group of its own, which EndGroup ends as a whole. On Windows the group is a job
    // object that the child and every process it starts belong to (when the installer itself
    // runs in a job that forbids this on Windows 7, the child starts without one and EndGroup
    // ends the child alone).
    bool newSession = false;
};

class SpawnedProcess {
public:
    SpawnedProcess() = default;
    // Collects the exit status when the process has already ended (Windows: lets go of the
    // process's handle); a running process is left running.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    // Starts arguments[0] with `arguments`, the three handles as its standard input, output
    // and error, the parent's environment, and the parent's current folder unless `options`
    // name another. Returns 0 or the system's error number of the failure (see StartErrorText).
    // Linux: arguments[0] is a path when it holds a "/", else a name looked up in PATH; a
    // regular file that lacks the execute bit gets it first (a downloaded program arrives
    // without it); signals start at their default actions and unblocked; a failure of the
    // program's exec (a missing working folder or an unknown file format) is returned too.
    // Windows: the arguments are joined into one command line (JoinCommandLine) and started
    // as StartCommandLine starts it.
    int Start(const std::vector<std::string>& arguments, Handle input, Handle output, Handle error,
              const SpawnOptions& options = {});
    // Starts the program a command line names, with the same streams and options.
    // Windows: the line goes to the system as it is (CreateProcessW; the first element names
    // the program, ".exe" added when it has no extension, looked up in the system's order when
    // it is no path); the child starts hidden (no console window, its first window hidden)
    // and inherits the three handles and no other. Linux: the line is split by the Windows
    // rules (CommandLineToArgv) and started with Start. An empty line names no program and is
    // refused (EINVAL; ERROR_INVALID_PARAMETER on Windows).
    int StartCommandLine(const std::wstring& commandLine, Handle input, Handle output, Handle error,
                         const SpawnOptions& options = {});

#ifdef _WIN32
    bool Started() const { return m_process != nullptr; }
    uint32_t Id() const { return m_id; }
#else
    bool Started() const { return m_pid > 0; }
    uint32_t Id() const { return static_cast<uint32_t>(m_pid); }
#endif

    // kStillActive while the process runs; then its exit status. On Linux 128 plus the signal
    // number when a signal ended it; on Windows 1 when Kill or EndGroup ended it.
    uint32_t ExitCode();
    // Waits for the process to end, at most `timeoutMs` (-1 without limit). True once it has.
    bool Wait(int timeoutMs);
    // Ends the process at once (SIGKILL; TerminateProcess); nothing happens once it has ended.
    void Kill();
    // Ends the process and, when it was started with a session of its own, every process of
    // its group. Linux: SIGTERM first, SIGKILL to whatever still runs after `graceMs`.
    // Windows: there is no polite request to send (a console's Ctrl+Break reaches only the
    // processes sharing the sender's console, and a child started hidden has one of its own),
    // so the group's processes are ended at once (TerminateJobObject; TerminateProcess without
    // a job) and `graceMs` goes unused. Returns once the process has ended and been collected,
    // and the group is gone or 500 ms more have passed. Does nothing once the process has been
    // collected (on Linux its id may then name a group of someone else's) or, on Windows, has
    // ended.
    void EndGroup(int graceMs);

private:
#ifdef _WIN32
    void* m_process = nullptr;  // HANDLE of the process
    void* m_job = nullptr;      // HANDLE of its job object, with a session of its own
    uint32_t m_id = 0;
#else
    bool Collect(bool block);
    bool GroupRuns();

    pid_t m_pid = 0;
    bool m_leadsGroup = false;
    bool m_ended = false;
    uint32_t m_exitCode = kStillActive;
#endif
};

// The text of an error number that CreatePipe, Start or StartCommandLine returned, as UTF-8:
// strerror's on Linux, the system's message (FormatMessageW) on Windows.
std::string StartErrorText(int error);

}  // namespace platform
