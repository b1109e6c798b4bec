#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/process.h"
#include "sys/text.h"

namespace {

using Elements = std::vector<std::wstring>;

TEST(CommandLineToArgv, SystemRules) {
    struct Case {
        const wchar_t* line;
        Elements expected;
    } cases[] = {
        {L"a.exe b c", {L"a.exe", L"b", L"c"}},
        {L"a.exe  \t b\t", {L"a.exe", L"b"}},
        // The program path: a quoted one ends at its closing quote, the next element beginning
        // right after it; an unquoted one ends at a blank and keeps its quotes; backslashes
        // are literal.
        {L"\"C:\\Program Files\\a.exe\" x", {L"C:\\Program Files\\a.exe", L"x"}},
        {L"\"exe\"arg\" one\" argtwo", {L"exe", L"arg one", L"argtwo"}},
        {L"exe\"file\"path arg1", {L"exe\"file\"path", L"arg1"}},
        // (the quote after "b" opens a part that the line's end closes)
        {L"C:\\dir\\\"a b\"\\a.exe x", {L"C:\\dir\\\"a", L"b\\a.exe x"}},
        {L"\"C:\\dir\\\" x", {L"C:\\dir\\", L"x"}},
        {L"\"open end", {L"open end"}},
        {L" x", {L"", L"x"}},
        // Later elements: backslashes before quotes are halved; odd counts escape the quote.
        {L"p \"a b\" c", {L"p", L"a b", L"c"}},
        {L"p a\\\\b", {L"p", L"a\\\\b"}},
        {L"p a\\\"b", {L"p", L"a\"b"}},
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},
        {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},
        {L"p \"C:\\dir\\\\\"", {L"p", L"C:\\dir\\"}},
        // "" inside a quoted part is a literal quote that ends the part; outside, an empty
        // quoted part.
        {L"p \"a\"\"b c\"", {L"p", L"a\"b", L"c"}},
        {L"exe \"two\"\"quotes next", {L"exe", L"two\"quotes", L"next"}},
        {L"p \"a\"\"\"b c\"", {L"p", L"a\"b c"}},
        {L"p \"\" x", {L"p", L"", L"x"}},
        {L"p a\"\"b", {L"p", L"ab"}},
        {L"p \"\"\"a b", {L"p", L"\"a", L"b"}},
        // A quote embedded in an element, and an unterminated quoted part at the end.
        {L"p -instcmd=\"/a=b c\" d", {L"p", L"-instcmd=/a=b c", L"d"}},
        {L"p \"open end", {L"p", L"open end"}},
        // Blanks alone give an empty program path; an empty line gives this program's path.
        {L"  ", {L""}},
        {L"", {Utils::NarrowToWide(platform::ExecutablePath(), 0)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.line));
        EXPECT_EQ(platform::CommandLineToArgv(c.line), c.expected);
    }
}

TEST(JoinCommandLine, SplitsBackIntoTheSameArguments) {
    const Elements fixed[] = {
        {L"/opt/a b/installer", L"-instcmd=/a=b c", L"", L"x\\", L"q\"uote", L"tail\\\\\"", L"\t",
         L"中文 路径"},
        {L"installer", L"\\\\server\\share\\", L"\"\""},
        // A program path may hold quotes when it holds no blank.
        {L"C:\\a\"b\"c.exe", L"x y", L"\"\"\""},
        {L"", L""},
    };
    for (const auto& arguments : fixed)
        EXPECT_EQ(platform::CommandLineToArgv(platform::JoinCommandLine(arguments)), arguments);

    // Random arguments over the characters that matter to the rules.
    std::mt19937 random(42);
    const std::wstring alphabet = L"a \\\"\t=-";
    for (int round = 0; round < 500; ++round) {
        Elements arguments{L"prog"};
        const int count = static_cast<int>(random() % 4);
        for (int n = 0; n < count; ++n) {
            std::wstring argument;
            for (size_t k = random() % 8; k > 0; --k)
                argument += alphabet[random() % alphabet.size()];
            arguments.push_back(argument);
        }
        const std::wstring line = platform::JoinCommandLine(arguments);
        SCOPED_TRACE(Utils::ToUtf8(line));
        ASSERT_EQ(platform::CommandLineToArgv(line), arguments);
    }
}

}  // namespace
