// ChildPipe: one anonymous pipe between the installer and a child process. Owned by the
// ChildProcess that hands one of its ends to the child; closes what it still holds when
// destroyed.
#pragma once

#include <utility>

#include "platform/child_process.h"

class ChildPipe {
public:
    ChildPipe() = default;
    ~ChildPipe() { Close(); }
    ChildPipe(const ChildPipe&) = delete;
    ChildPipe& operator=(const ChildPipe&) = delete;

    // Makes the pipe. Throws Utils::Exception when the system refuses one; the pipe then
    // holds no open end.
    void Create();
    // Closes whichever ends are still open.
    void Close();
    void CloseReadEnd() { platform::CloseHandle(&m_readEnd); }
    void CloseWriteEnd() { platform::CloseHandle(&m_writeEnd); }
    // Hands the read end over to the caller, who closes it; the pipe holds it no more.
    platform::Handle TakeReadEnd() { return std::exchange(m_readEnd, platform::kNullHandle); }

    platform::Handle ReadEnd() const { return m_readEnd; }
    platform::Handle WriteEnd() const { return m_writeEnd; }

private:
    platform::Handle m_writeEnd = platform::kNullHandle;
    platform::Handle m_readEnd = platform::kNullHandle;
};
