#include "sys/text.h"

#include <gtest/gtest.h>

#include "sys/exception.h"

namespace {

TEST(TextConversion, CodePages) {
    struct Case {
        unsigned codePage;
        std::wstring wide;
        std::string narrow;
    } cases[] = {
#ifndef _WIN32  // the ANSI page is UTF-8 on Linux only
        {0, L"中文 abc", "\xE4\xB8\xAD\xE6\x96\x87 abc"},
#endif
        {65001, L"\U0001F600", "\xF0\x9F\x98\x80"},
        {936, L"中文", "\xD6\xD0\xCE\xC4"},
        {1252, L"caf\u00E9", "caf\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(Utils::WideToNarrow(c.wide, c.codePage), c.narrow);
        EXPECT_EQ(Utils::NarrowToWide(c.narrow, c.codePage), c.wide);
    }
}

TEST(TextConversion, UnknownCodePageGivesEmptyText) {
    EXPECT_EQ(Utils::WideToNarrow(L"abc", 4242), "");
    EXPECT_EQ(Utils::NarrowToWide("abc", 4242), L"");
}

TEST(TextConversion, BadInputIsReplacedNotDropped) {
    // A stray byte becomes U+FFFD; a character GBK cannot hold becomes "?".
    EXPECT_EQ(Utils::NarrowToWide("a\xFF"
                                  "b",
                                  65001),
              L"a\uFFFDb");
#ifndef _WIN32  // the ANSI page is UTF-8 on Linux only
    EXPECT_EQ(Utils::NarrowToWide("a\xE4\xB8", 0), L"a\uFFFD\uFFFD");
#endif
#ifdef _WIN32
    // The system replaces each half of a surrogate pair on its own.
    EXPECT_EQ(Utils::WideToNarrow(L"a\U0001F600b", 936), "a??b");
#else
    EXPECT_EQ(Utils::WideToNarrow(L"a\U0001F600b", 936), "a?b");
#endif
}

#ifndef _WIN32  // the ANSI page is UTF-8 on Linux only
TEST(TextConversion, Utf8ToAnsiKeepsUtf8Text) {
    EXPECT_EQ(Utils::Utf8ToAnsi("\xE4\xB8\xAD"), "\xE4\xB8\xAD");
}
#endif

TEST(Trim, BothEndsAndEither) {
    EXPECT_EQ(Utils::Trim(std::wstring_view(L" \t Success\r\n")), L"Success");
    EXPECT_EQ(Utils::TrimLeft(L"  a b  "), L"a b  ");
    EXPECT_EQ(Utils::TrimRight(L"  a b  "), L"  a b");
    EXPECT_EQ(Utils::Trim(std::wstring_view(L" \r\n ")), L"");
    EXPECT_EQ(Utils::Trim(std::string_view(" x ")), "x");
}

TEST(ReplaceAll, SearchesAgainFromTheStart) {
    struct Case {
        std::wstring text, from, to, expected;
    } cases[] = {
        {L"http://h/${ROUTE}/x/${ROUTE}", L"${ROUTE}", L"download_silent",
         L"http://h/download_silent/x/download_silent"},
        // A replacement that forms a new match with the text before it is replaced again.
        {L"aabb", L"ab", L"", L""},
        {L"abc", L"", L"x", L"abc"},
        // The replacement holds the pattern: each original occurrence is replaced once.
        {L"a-a", L"a", L"aa", L"aa-aa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.text));
        EXPECT_EQ(Utils::ReplaceAll(c.text, c.from, c.to), c.expected);
    }
}

TEST(Exception, MessageFromWideTextOrDefault) {
    EXPECT_STREQ(Utils::Exception().what(), "Unknown exception");
#ifndef _WIN32  // the message is text of the ANSI page, UTF-8 on Linux only
    EXPECT_STREQ(Utils::Exception(L"创建进程失败").what(), "创建进程失败");
#endif
}

}  // namespace
