// ConsoleReader: turns a child's console output, arriving in pieces, into whole lines for a
// protocol parser — raw bytes decoded line by line with the code page in force when the line
// began, or text already decoded — and runs a child to the end of its output. Shared by the
// package runner and the uninstaller runner; used by one thread at a time (the runner's
// worker).
#pragma once

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

    enum class Outcome { kNotStarted, kEndedByReport, kEndedSilently };
    // Runs `commandLine` as a hidden child and feeds all its output (to the end, whatever a
    // line reported, so a child writing after its final line never stalls on a full pipe),
    // then waits for it. On kNotStarted, `error` holds why.
    Outcome RunToEnd(const std::wstring& commandLine, std::string* error);

private:
    int ParseBytesLine(std::string_view line);

    LineParser m_parser;
    const int32_t* m_codePage;
    LineSplitter<wchar_t> m_textLines;
    LineSplitter<char> m_byteLines;
};
