#include "platform/codepage.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::kCodePageAnsi;
using platform::kCodePageUtf8;

std::string Narrow(unsigned codePage, std::wstring_view wide) {
    std::string out = "stale";
    EXPECT_TRUE(platform::WideToMultiByte(codePage, wide, &out)) << codePage;
    return out;
}

std::wstring Wide(unsigned codePage, std::string_view narrow) {
    std::wstring out = L"stale";
    EXPECT_TRUE(platform::MultiByteToWide(codePage, narrow, &out)) << codePage;
    return out;
}

TEST(CodePage, TextRoundTripsInEachPage) {
    struct Case {
        unsigned codePage;
        std::wstring wide;
        std::string narrow;
    } cases[] = {
        {kCodePageUtf8, L"中文 abc", "\xE4\xB8\xAD\xE6\x96\x87 abc"},
        {kCodePageUtf8, L"安装到 C:\\程序\\Collivo", "安装到 C:\\程序\\Collivo"},
        // Past U+FFFF: a surrogate pair in UTF-16, one unit in UTF-32.
        {kCodePageUtf8, L"a\U0001F600b",
         "a\xF0\x9F\x98\x80"
         "b"},
        {kCodePageUtf8, L"\U00020000\U0010FFFF", "\xF0\xA0\x80\x80\xF4\x8F\xBF\xBF"},
        {kCodePageUtf8, L"", ""},
        {936, L"中文", "\xD6\xD0\xCE\xC4"},
        {1252, L"caf\u00E9", "caf\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.codePage << " " << c.narrow);
        EXPECT_EQ(Narrow(c.codePage, c.wide), c.narrow);
        EXPECT_EQ(Wide(c.codePage, c.narrow), c.wide);
    }
    EXPECT_EQ(Wide(kCodePageUtf8, "\xF0\x9F\x98\x80").size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(CodePage, BadInputIsReplacedNotDropped) {
    // A stray byte becomes U+FFFD, a lone surrogate becomes U+FFFD in UTF-8, and a character
    // the page lacks becomes "?".
    EXPECT_EQ(Wide(kCodePageUtf8,
                   "a\xFF"
                   "b"),
              L"a\uFFFDb");
    EXPECT_EQ(Wide(kCodePageUtf8,
                   "a\xC0\x80"
                   "b"),
              L"a\uFFFD\uFFFDb");
    const std::wstring loneSurrogate = {L'a', static_cast<wchar_t>(0xD800), L'b'};
    EXPECT_EQ(Narrow(kCodePageUtf8, loneSurrogate),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Narrow(936, L"a\u0E01b"), "a?b");
    EXPECT_EQ(Narrow(1252, L"x中"), "x?");
    // Where the systems part: a character cut off at the end, and a pair the page lacks
    // (Windows converts UTF-16 units one by one).
#ifdef _WIN32
    EXPECT_EQ(Wide(kCodePageUtf8, "a\xE4\xB8"), L"a\uFFFD");
    EXPECT_EQ(Narrow(936, L"a\U0001F600b"), "a??b");
#else
    EXPECT_EQ(Wide(kCodePageUtf8, "a\xE4\xB8"), L"a\uFFFD\uFFFD");
    EXPECT_EQ(Narrow(936, L"a\U0001F600b"), "a?b");
#endif
}

TEST(CodePage, UnknownPageGivesFalseAndNothing) {
    for (const std::string_view text : {"abc", ""}) {
        SCOPED_TRACE(text);
        std::wstring wide = L"stale";
        EXPECT_FALSE(platform::MultiByteToWide(4242, text, &wide));
        EXPECT_EQ(wide, L"");
        std::string narrow = "stale";
        EXPECT_FALSE(platform::WideToMultiByte(4242, L"abc", &narrow));
        EXPECT_EQ(narrow, "");
    }
}

TEST(CodePage, PageZeroIsTheSystemsAnsiPage) {
    const std::wstring text = L"caf\u00E9 中文";
#ifdef _WIN32
    const unsigned ansi = GetACP();
#else
    const unsigned ansi = kCodePageUtf8;  // the "ANSI" page of this system is UTF-8
#endif
    EXPECT_EQ(Narrow(kCodePageAnsi, text), Narrow(ansi, text));
    EXPECT_EQ(Wide(kCodePageAnsi, "caf\xC3\xA9"), Wide(ansi, "caf\xC3\xA9"));
}

TEST(IsWellFormedUtf8, OnlyStrictSequences) {
    struct Case {
        std::string bytes;
        bool wellFormed;
    } cases[] = {
        {"", true},
        {"plain", true},
        {"中文", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
        {"\xC0\x80", false},             // overlong NUL
        {"\xE0\x9F\xBF", false},         // overlong
        {"\xED\xA0\x80", false},         // a surrogate
        {"\xF4\x90\x80\x80", false},     // past U+10FFFF
        {"\xE4\xB8", false},             // cut short
        {"a\x80", false},                // a continuation byte alone
        {std::string("a\0b", 3), true},  // NUL is a character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(platform::IsWellFormedUtf8(c.bytes), c.wellFormed);
    }
}

}  // namespace
