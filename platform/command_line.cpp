#include "platform/command_line.h"

#include <fstream>
#include <iterator>

#include "platform/codepage.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::vector<std::wstring> CommandLineToArgv(std::wstring_view line) {
    std::vector<std::wstring> elements;
    size_t i = 0;

    // The program path: quotes only group.
    std::wstring program;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == L'"') {
            quoted = !quoted;
        } else {
            program += line[i];
        }
    }
    elements.push_back(std::move(program));

    while (true) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size()) break;
        std::wstring element;
        quoted = false;
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
                    element += L'"';  // "" inside a quoted part is one literal quote
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
        const bool needsQuotes =
            argument.empty() || argument.find_first_of(L" \t\"") != std::wstring::npos;
        if (n == 0) {
            line += needsQuotes ? L"\"" + argument + L"\"" : argument;
            continue;
        }
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

}  // namespace platform
