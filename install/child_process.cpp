#include "install/child_process.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/command_line.h"
#include "sys/exception.h"
#include "sys/text.h"

namespace {

// How long one wait for output lasts before the child's exit code is looked at again; only
// matters when something the child started keeps the pipes open after the child ended.
constexpr int kExitPollMs = 100;

}  // namespace

void ChildProcess::Create(const std::wstring& commandLine) {
    if (commandLine.size() >= kCommandLineSize)
        throw Utils::Exception(L"command line too long: " + std::to_wstring(commandLine.size()) +
                               L" characters");
    if (m_inputPipe.ReadEnd() == platform::kNullHandle ||
        m_outputPipe.WriteEnd() == platform::kNullHandle ||
        m_errorPipe.WriteEnd() == platform::kNullHandle)
        throw Utils::Exception(L"CreateProcess: pipes missing");
    m_commandLine = commandLine;

    std::vector<std::string> arguments;
    for (const auto& element : platform::CommandLineToArgv(m_commandLine))
        arguments.push_back(Utils::WideToNarrow(element, 0));
    const int error = m_process.Start(arguments, m_inputPipe.ReadEnd(), m_outputPipe.WriteEnd(),
                                      m_errorPipe.WriteEnd());
    if (error != 0)
        throw Utils::Exception(L"CreateProcess failed: " +
                               Utils::NarrowToWide(std::strerror(error)));

    // Only the child may hold these now, so its end of output reaches the parent as end of
    // file.
    m_outputPipe.CloseWriteEnd();
    m_errorPipe.CloseWriteEnd();
    m_inputPipe.CloseReadEnd();
}

ChildProcess::ReadState ChildProcess::ReadOutput(char* buffer, size_t size, int timeoutMs,
                                                 size_t* count) {
    *count = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const platform::Handle handles[2] = {m_outputPipe.ReadEnd(), m_errorPipe.ReadEnd()};
        if (handles[0] == platform::kNullHandle && handles[1] == platform::kNullHandle)
            return ReadState::kEnded;
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int ready = platform::WaitForInput(handles, 2, wait);
        if (ready < 0) {
            // A pipe that cannot be polled will never deliver anything more.
            m_outputPipe.CloseReadEnd();
            m_errorPipe.CloseReadEnd();
            return ReadState::kEnded;
        }
        if (ready == 0) return ReadState::kIdle;
        if ((ready & 2) != 0) {
            char scratch[4096];
            if (platform::ReadHandle(handles[1], scratch, sizeof scratch) <= 0)
                m_errorPipe.CloseReadEnd();
        }
        if ((ready & 1) != 0) {
            const long n = platform::ReadHandle(handles[0], buffer, size);
            if (n > 0) {
                *count = static_cast<size_t>(n);
                return ReadState::kData;
            }
            m_outputPipe.CloseReadEnd();
        }
        if (m_outputPipe.ReadEnd() == platform::kNullHandle &&
            m_errorPipe.ReadEnd() == platform::kNullHandle)
            return ReadState::kEnded;
        // Only standard error moved: wait on, but never past the time given, even when
        // standard error keeps coming.
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) return ReadState::kIdle;
    }
}

void ChildProcess::ReadOutputToEnd(const OutputHandler& handler) {
    char buffer[kReadSize];
    size_t count = 0;
    while (true) {
        const ReadState state = ReadOutput(buffer, sizeof buffer, kExitPollMs, &count);
        if (state == ReadState::kData) {
            handler(std::string_view(buffer, count));
            continue;
        }
        if (state == ReadState::kEnded) return;
        if (ExitCode() == platform::kStillActive) continue;
        // The child has ended, so all it wrote is already in the pipe: take that and stop,
        // whatever else still holds the pipe open.
        while (ReadOutput(buffer, sizeof buffer, 0, &count) == ReadState::kData)
            handler(std::string_view(buffer, count));
        return;
    }
}

void ChildProcess::Release() {
    m_errorPipe.Close();
    m_outputPipe.Close();
    m_inputPipe.Close();
}
