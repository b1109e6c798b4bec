#include "install/console_reader.h"

#include "install/child_process.h"
#include "sys/exception.h"
#include "sys/text.h"

namespace {

// The last line of a piece that ends the run decides the piece's result.
void Keep(int* result, int lineResult) {
    if (lineResult != 0) *result = lineResult;
}

}  // namespace

void ConsoleReader::Reset() {
    m_textLines.Reset();
    m_byteLines.Reset();
}

int ConsoleReader::FeedText(std::wstring_view chunk) {
    int result = 0;
    m_textLines.Feed(chunk, [&](std::wstring_view line) { Keep(&result, m_parser(line)); });
    return result;
}

int ConsoleReader::FeedBytes(std::string_view bytes) {
    std::string withoutNul;
    if (bytes.find('\0') != std::string_view::npos) {
        for (char c : bytes)
            if (c != '\0') withoutNul += c;
        bytes = withoutNul;
    }
    int result = 0;
    m_byteLines.Feed(bytes, [&](std::string_view line) { Keep(&result, ParseBytesLine(line)); });
    return result;
}

int ConsoleReader::Finish() {
    int result = 0;
    m_byteLines.Finish([&](std::string_view line) { Keep(&result, ParseBytesLine(line)); });
    m_textLines.Finish([&](std::wstring_view line) { Keep(&result, m_parser(line)); });
    return result;
}

int ConsoleReader::ParseBytesLine(std::string_view line) {
    // An unknown code page gives an empty text, which no key matches.
    return m_parser(Utils::NarrowToWide(line, static_cast<unsigned>(*m_codePage)));
}

ConsoleReader::Outcome ConsoleReader::RunToEnd(const std::wstring& commandLine,
                                               std::string* error) {
    Reset();
    if (m_stop) return Outcome::kStopped;
    ChildProcess child;
    try {
        child.ErrorPipe().Create();
        child.OutputPipe().Create();
        child.InputPipe().Create();
        child.Create(commandLine);
    } catch (const Utils::Exception& e) {
        *error = e.what();
        return Outcome::kNotStarted;
    }
    bool endedByReport = false;
    const ChildProcess::RunEnd end = child.ReadOutputToEnd(
        [&](std::string_view bytes) {
            if (!endedByReport && FeedBytes(bytes) != 0) endedByReport = true;
        },
        &m_stop);
    child.Release();
    if (end == ChildProcess::RunEnd::kStopped) return Outcome::kStopped;
    if (!endedByReport && Finish() != 0) endedByReport = true;
    return endedByReport ? Outcome::kEndedByReport : Outcome::kEndedSilently;
}
