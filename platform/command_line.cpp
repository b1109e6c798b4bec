#include "platform/command_line.h"

#ifndef _WIN32
#include <fstream>
#include <iterator>
#endif

#include "platform/codepage.h"
#include "platform/process.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::vector<std::wstring> CommandLineToArgv(std::wstring_view line) {
    if (line.empty()) {
        std::wstring self;
        MultiByteToWide(kCodePageUtf8, ExecutablePath(), &self);
        return {self};
    }
    std::vector<std::wstring> elements;
    size_t i = 0;

    // The program path: a quoted one ends at its closing quote, an unquoted one at the first
    // blank and keeps its quotes; backslashes are literal either way.
    std::wstring program;
    if (line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        program = line.substr(1, close == std::wstring_view::npos ? line.npos : close - 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i]))
            program += line[i++];
    }
    elements.push_back(std::move(program));

    while (true) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size()) break;
        std::wstring element;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            if (line[i] == L'\\') {
                size_t backslashes = 0;
                while (i < line.size() && line[i] == L'\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < line.size() && line[i] == L'"') {
                    element.append(backslashes / 2, L'\\');
                    if (backslashes % 2 == 1) {
                        element += L'"';
                        ++i;
                    }
                    // an even count leaves the quote to be read as a delimiter below
                } else {
                    element.append(backslashes, L'\\');
                }
                continue;
            }
            if (line[i] == L'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    // "" inside a quoted part is one literal quote and ends the part.
                    element += L'"';
                    quoted = false;
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            element += line[i++];
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (size_t n = 0; n < arguments.size(); ++n) {
        const std::wstring& argument = arguments[n];
        if (n > 0) line += L' ';
        if (n == 0) {
            // Quotes are kept in an unquoted program path and end a quoted one.
            const bool quote =
                argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos;
            line += quote ? L"\"" + argument + L"\"" : argument;
            continue;
        }
        const bool needsQuotes =
            argument.empty() || argument.find_first_of(L" \t\"") != std::wstring::npos;
        if (!needsQuotes) {
            line += argument;
            continue;
        }
        line += L'"';
        size_t backslashes = 0;
        for (wchar_t c : argument) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled, and the quote itself escaped.
            line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, L'\\');  // they precede the closing quote
        line += L'"';
    }
    return line;
}

// The Windows form asks the system (process_windows.cpp).
#ifndef _WIN32
std::wstring ProcessCommandLine() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::wstring> arguments;
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        std::wstring argument;
        MultiByteToWide(kCodePageAnsi, std::string_view(raw).substr(start, end - start), &argument);
        arguments.push_back(std::move(argument));
        start = end + 1;
    }
    return JoinCommandLine(arguments);
}
#endif

}  // namespace platform
