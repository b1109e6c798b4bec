// The command-line splitter against the joiner (platform/command_line.h). What must hold:
// - any text splits without fault into at least the program element, which the joiner can
//   write back (no leading quote, no quote together with a blank), and the elements it gives
//   join into a line that splits back into the same elements;
// - an argument list made from the input (the program element without double quotes, which
//   it cannot hold) joins into a line that splits back into the same list.
// The input is one text: the whole of it is split, and its pieces between NUL characters
// form the list.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    platform::MultiByteToWide(platform::kCodePageUtf8,
                              std::string_view(reinterpret_cast<const char*>(data), size), &text);

    const std::vector<std::wstring> split = platform::CommandLineToArgv(text);
    FUZZ_CHECK(!split.empty());
    // A program path the joiner could not write back: one that starts with a quote, or holds
    // one together with a blank.
    FUZZ_CHECK(split[0].empty() || split[0][0] != L'"');
    FUZZ_CHECK(split[0].find(L'"') == std::wstring::npos ||
               split[0].find_first_of(L" \t") == std::wstring::npos);
    FUZZ_CHECK(platform::CommandLineToArgv(platform::JoinCommandLine(split)) == split);

    std::vector<std::wstring> arguments(1);
    for (wchar_t c : text) {
        if (c == L'\0') {
            arguments.emplace_back();
        } else if (arguments.size() > 1 || c != L'"') {
            arguments.back() += c;
        }
    }
    FUZZ_CHECK(platform::CommandLineToArgv(platform::JoinCommandLine(arguments)) == arguments);
    return 0;
}
