#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <random>

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
        // The program path: quotes group, backslashes are literal.
        {L"\"C:\\Program Files\\a.exe\" x", {L"C:\\Program Files\\a.exe", L"x"}},
        {L"C:\\dir\\\"a b\"\\a.exe x", {L"C:\\dir\\a b\\a.exe", L"x"}},
        // Later elements: backslashes before quotes are halved; odd counts escape the quote.
        {L"p \"a b\" c", {L"p", L"a b", L"c"}},
        {L"p a\\\\b", {L"p", L"a\\\\b"}},
        {L"p a\\\"b", {L"p", L"a\"b"}},
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},
        {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},
        {L"p \"C:\\dir\\\\\"", {L"p", L"C:\\dir\\"}},
        // "" inside a quoted part is a literal quote; outside, an empty quoted part.
        {L"p \"a\"\"b c\"", {L"p", L"a\"b c"}},
        {L"p \"\" x", {L"p", L"", L"x"}},
        {L"p a\"\"b", {L"p", L"ab"}},
        // A quote embedded in an element, and an unterminated quoted part at the end.
        {L"p -instcmd=\"/a=b c\" d", {L"p", L"-instcmd=/a=b c", L"d"}},
        {L"p \"open end", {L"p", L"open end"}},
        {L"", {L""}},
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
