// ConsoleReader: turns a child's console output, arriving in pieces, into whole lines for a
// protocol parser — raw bytes decoded line by line with the code page in force when the line
// began, or text already decoded — and runs a child to its end. Shared by the package runner
// and the uninstaller runner; used by one thread at a time (the runner's worker), except
// RequestStop, which any thread may call.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "install/line_splitter.h"

class ConsoleReader {
public:
    // Parses one line; returns 0 while the run goes on, else the run's result.
    using LineParser = std::function<int(std::wstring_view line)>;

    // `codePage` is read for every raw line, so a parser that changes it ("Encode=") changes
    // how the following lines decode.
    ConsoleReader(LineParser parser, const int32_t* codePage)
        : m_parser(std::move(parser)), m_codePage(codePage) {}

    void Reset();
    // Each returns the result of the last completed line that ended the run, else 0.
    int FeedText(std::wstring_view chunk);
    // NUL bytes are dropped rather than cutting the piece short.
    int FeedBytes(std::string_view bytes);
    // At the end of the output: the unfinished last line of either kind.
    int Finish();

    enum class Outcome { kNotStarted, kEndedByReport, kEndedSilently, kStopped };
    // Runs `commandLine` as a hidden child and feeds its output until the child ends (see
    // ChildProcess::ReadOutputToEnd). Once a piece of output has ended the run by report, the
    // rest is read and dropped unparsed, so that a run gets one verdict and a child writing after
    // it never stalls on a full pipe. On kNotStarted, `error` holds why. kStopped: a stop was
    // requested, and the child and its process group have been ended (or never started).
    Outcome RunToEnd(const std::wstring& commandLine, std::string* error);

    // Ends the current and every later run as soon as the worker sees it (within 100 ms, plus
    // up to ChildProcess::kGraceMs for the child to end). For the owner's destruction: a
    // stopped reader runs nothing more.
    void RequestStop() { m_stop = true; }
    bool StopRequested() const { return m_stop; }

private:
    int ParseBytesLine(std::string_view line);

    LineParser m_parser;
    const int32_t* m_codePage;
    LineSplitter<wchar_t> m_textLines;
    LineSplitter<char> m_byteLines;
    std::atomic<bool> m_stop{false};
};
