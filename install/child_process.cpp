#include "install/child_process.h"

#include <chrono>

#include "sys/exception.h"
#include "sys/text.h"

namespace {

// How long one wait for output lasts before the child's exit code and a request to stop are
// looked at again.
constexpr int kExitPollMs = 100;
// After the child's end, its output is all in the pipe already; what keeps coming is written
// by processes it left behind, which may never stop.
constexpr auto kDrainAfterExit = std::chrono::milliseconds(500);

}  // namespace

void ChildProcess::Create(const std::wstring& commandLine) {
    if (commandLine.size() >= kCommandLineSize)
        throw Utils::Exception(L"command line too long: " + std::to_wstring(commandLine.size()) +
                               L" characters");
    // An empty line would split into this program's own path.
    if (commandLine.empty()) throw Utils::Exception(L"CreateProcess: empty command line");
    if (m_inputPipe.ReadEnd() == platform::kNullHandle ||
        m_outputPipe.WriteEnd() == platform::kNullHandle ||
        m_errorPipe.WriteEnd() == platform::kNullHandle)
        throw Utils::Exception(L"CreateProcess: pipes missing");
    m_commandLine = commandLine;

    // A group of its own, so that the child and whatever it starts can be ended together.
    platform::SpawnOptions options;
    options.newSession = true;
    const int error =
        m_process.StartCommandLine(m_commandLine, m_inputPipe.ReadEnd(), m_outputPipe.WriteEnd(),
                                   m_errorPipe.WriteEnd(), options);
    if (error != 0)
        throw Utils::Exception(L"CreateProcess failed: " +
                               Utils::FromUtf8(platform::StartErrorText(error)));

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

ChildProcess::RunEnd ChildProcess::ReadOutputToEnd(const OutputHandler& handler,
                                                   const std::atomic<bool>* stop) {
    char buffer[kReadSize];
    size_t count = 0;
    while (true) {
        if (stop != nullptr && stop->load()) {
            EndGroup();
            return RunEnd::kStopped;
        }
        const ReadState state = ReadOutput(buffer, sizeof buffer, kExitPollMs, &count);
        if (state == ReadState::kData) handler(std::string_view(buffer, count));
        // Looked at after every piece too: a process the child left behind may write more
        // often than any wait for output lasts.
        if (ExitCode() != platform::kStillActive) break;
        // The child closed its output but runs on: wait for it instead of for the pipe.
        if (state == ReadState::kEnded) Wait(kExitPollMs);
    }
    const auto deadline = std::chrono::steady_clock::now() + kDrainAfterExit;
    while (std::chrono::steady_clock::now() < deadline &&
           ReadOutput(buffer, sizeof buffer, 0, &count) == ReadState::kData)
        handler(std::string_view(buffer, count));
    return RunEnd::kChildEnded;
}

void ChildProcess::Release() {
    m_inputPipe.Close();
    m_outputPipe.CloseWriteEnd();
    m_errorPipe.CloseWriteEnd();
    platform::DiscardUntilEnd(m_outputPipe.TakeReadEnd());
    platform::DiscardUntilEnd(m_errorPipe.TakeReadEnd());
}
