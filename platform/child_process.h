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

using Handle = int;
inline constexpr Handle kNullHandle = -1;

// The exit code of a process that has not ended yet.
inline constexpr uint32_t kStillActive = 259;

// Makes an anonymous pipe. Neither end is inherited by any child process unless it is handed
// to SpawnedProcess::Start as a standard stream, so children started by other threads at the
// same time never hold them. Returns 0 or the errno value; the ends stay null on failure.
int CreatePipe(Handle* readEnd, Handle* writeEnd);

// Closes the handle when it is not null and makes it null.
void CloseHandle(Handle* handle);

// Waits until one of `handles` can be read without blocking (data, or every writer gone) or
// `timeoutMs` pass (-1 waits without limit, 0 only looks). Null handles are skipped. Returns a
// mask with bit n set for handles[n], 0 after the timeout, -1 on failure.
int WaitForInput(const Handle* handles, size_t count, int timeoutMs);

// Reads at most `size` bytes: the count read, 0 at the end of the pipe, -1 on failure.
long ReadHandle(Handle handle, void* buffer, size_t size);

// Takes over the read end of a pipe that processes may still write to, and reads and drops
// what they write, on a thread of its own, until the last of them lets go; then closes it.
// A writer whose reader is gone ends by SIGPIPE at its next write, so this keeps programs that
// a child left behind alive. A null handle is ignored.
void DiscardUntilEnd(Handle readEnd);

// What a program starts with besides its arguments and standard streams.
struct SpawnOptions {
    // The child's current folder; empty keeps the parent's. A relative program path is then
    // looked up from this folder, so give an absolute one.
    std::string workingFolder;
    // A session of its own: the child outlives the terminal the installer was started from
    // (no SIGHUP when it closes) and keeps out of the installer's job control. It also leads a
    // process group of its own, which EndGroup ends as a whole.
    bool newSession = false;
};

class SpawnedProcess {
public:
    SpawnedProcess() = default;
    // Collects the exit status when the process has already ended; a running process is
    // left running.
    ~SpawnedProcess();
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    // Starts arguments[0] (a path when it holds a "/", else a name looked up in PATH) with
    // `arguments`, the three handles as its standard input, output and error, the parent's
    // environment, and the parent's current folder unless `options` name another. A regular file
    // that lacks the execute bit gets it first (a downloaded program arrives without it). Signals
    // start at their default actions and unblocked. Returns 0 or the errno value of the failure,
    // including a failure of the program's exec (a missing working folder or an unknown file
    // format).
    int Start(const std::vector<std::string>& arguments, Handle input, Handle output, Handle error,
              const SpawnOptions& options = {});

    bool Started() const { return m_pid > 0; }
    uint32_t Id() const { return static_cast<uint32_t>(m_pid); }

    // kStillActive while the process runs; then its exit status, or 128 plus the signal
    // number when a signal ended it.
    uint32_t ExitCode();
    // Waits for the process to end, at most `timeoutMs` (-1 without limit). True once it has.
    bool Wait(int timeoutMs);
    // Ends the process at once (SIGKILL); nothing happens once it has ended.
    void Kill();
    // Ends the process and, when it was started with a session of its own, every process of
    // its group: SIGTERM first, SIGKILL to whatever still runs after `graceMs`. Returns once
    // the process has ended and been collected, and the group is gone or 500 ms more have
    // passed. Does nothing once the process has been collected: its id may then name a group
    // of someone else's.
    void EndGroup(int graceMs);

private:
    bool Collect(bool block);
    bool GroupRuns();

    pid_t m_pid = 0;
    bool m_leadsGroup = false;
    bool m_ended = false;
    uint32_t m_exitCode = kStillActive;
};

}  // namespace platform
