// ChildProcess: one program started hidden with its standard input, output and error on
// pipes, in a process group of its own; the installer reads what it writes and waits for its
// end. Owned and used by one thread only, the worker of the runner that made it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "install/child_pipe.h"
#include "platform/child_process.h"

class ChildProcess {
public:
    // Room for the command line and its terminator: 1023 characters at most.
    static constexpr size_t kCommandLineSize = 1024;
    // The most output bytes handed on at a time.
    static constexpr size_t kReadSize = 1024;

    // How long a child asked to end may take before it and its group are killed.
    static constexpr int kGraceMs = 2000;

    enum class ReadState { kData, kIdle, kEnded };
    enum class RunEnd { kChildEnded, kStopped };
    using OutputHandler = std::function<void(std::string_view bytes)>;

    ChildProcess() = default;
    ~ChildProcess() { Release(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The pipes are made by the owner, in this order, before Create.
    ChildPipe& ErrorPipe() { return m_errorPipe; }
    ChildPipe& OutputPipe() { return m_outputPipe; }
    ChildPipe& InputPipe() { return m_inputPipe; }

    // Starts the program the command line names (platform::SpawnedProcess::StartCommandLine:
    // the system takes the line as it is on Windows, Linux splits it by the Windows rules), in
    // a session and process group of its own, then closes the child's pipe ends here.
    // Throws Utils::Exception for a command line of 1024 characters or more, missing pipes,
    // or a program that cannot be started (the pipes then stay open until Release).
    void Create(const std::wstring& commandLine);

    // Waits up to `timeoutMs` (-1 without limit) for output and copies at most `size` bytes
    // of standard output into `buffer` (kData, count in `*count`). Standard error is read
    // and dropped on the way, so a child writing there never fills the pipe and stalls.
    // kIdle when no standard output came in time, kEnded when both streams are at their end.
    // The parent never writes to standard input and keeps it open, so a child reading it
    // waits.
    ReadState ReadOutput(char* buffer, size_t size, int timeoutMs, size_t* count);

    // Reads standard output until the child has ended and been collected, handing each piece
    // (at most kReadSize bytes) to `handler` as it arrives. Once the child has ended, only what
    // is already in the pipe is taken, for at most half a second more: processes it started may
    // hold the pipe and write to it for ever, and they are not the child. When `stop` (set from
    // any thread) is seen, ends the child's group instead (EndGroup) and returns kStopped.
    RunEnd ReadOutputToEnd(const OutputHandler& handler, const std::atomic<bool>* stop = nullptr);

    // kStillActive (259) while the child runs, then its exit code.
    uint32_t ExitCode() { return m_process.ExitCode(); }
    // Waits for the child's end, at most `timeoutMs` (-1 without limit); true once it ended.
    bool Wait(int timeoutMs = -1) { return m_process.Wait(timeoutMs); }
    void Kill() { m_process.Kill(); }
    // Ends the child and every process of its group, politely first, by force after kGraceMs
    // (on Windows by force at once: platform::SpawnedProcess::EndGroup); returns once the
    // child has been collected. Nothing happens once it has been.
    void EndGroup() { m_process.EndGroup(kGraceMs); }
    uint32_t ProcessId() const { return m_process.Id(); }
    const std::wstring& CommandLine() const { return m_commandLine; }

    // Closes every pipe end still open; output that processes the child left behind still
    // write is read and dropped elsewhere until they end (platform::DiscardUntilEnd). A child
    // still running is left running.
    void Release();

private:
    std::wstring m_commandLine;
    ChildPipe m_errorPipe;
    ChildPipe m_outputPipe;
    ChildPipe m_inputPipe;
    platform::SpawnedProcess m_process;
};
