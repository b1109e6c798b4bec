// The expected digest read from a download URL (download/digest.h) and the check of a
// Content-Range answer (download/part_plan.h). What must hold:
// - Md5FromUrl gives the path segment between the last two "/" as written (empty with fewer
//   than two), and ExpectedDigestFromUrl calls a 32-character segment an MD5 (as written), a
//   64-digit hexadecimal one a SHA-256 whose text is 64 lower-case hex digits equal to the
//   segment ignoring case, and anything else no digest;
// - for a valid request (0 <= first <= last < length) the answer formatted from RangeText,
//   in any letter case of the unit, with "*" for the length, and with a line end after it, is
//   accepted, and an answer with one number changed is not;
// - any value accepted for a valid request is such an answer: "bytes", blanks, three runs of
//   digits (leading zeros allowed) naming the request's numbers, or "*" for the length.
// The input: three 64-bit numbers (the request, taken from its end as FuzzedDataProvider does)
// and a text used both as the URL and as the Content-Range value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/digest.h"
#include "download/part_plan.h"
#include "fuzz/fuzz_support.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

void CheckDigestFromUrl(const std::string& url) {
    std::vector<std::string> pieces(1);
    for (char c : url) {
        if (c == '/') {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    const std::string segment = pieces.size() >= 3 ? pieces[pieces.size() - 2] : "";
    FUZZ_CHECK(Md5FromUrl(url) == segment);

    const ExpectedDigest expected = ExpectedDigestFromUrl(url);
    bool allHex = true;
    for (char c : segment)
        allHex = allHex && IsHex(c);
    if (segment.size() == 32) {
        FUZZ_CHECK(expected.kind == DigestKind::kMd5 && expected.hex == segment);
    } else if (segment.size() == 64 && allHex) {
        FUZZ_CHECK(expected.kind == DigestKind::kSha256 && expected.hex.size() == 64);
        for (size_t i = 0; i < 64; ++i) {
            const char c = expected.hex[i];
            FUZZ_CHECK((IsDigit(c) || (c >= 'a' && c <= 'f')) && c == Lower(segment[i]));
        }
    } else {
        FUZZ_CHECK(expected.kind == DigestKind::kNone && expected.hex.empty());
    }
}

// A run of digits read as a number; nothing when there is none or it passes int64_t.
std::optional<int64_t> TakeDigits(std::string_view& text) {
    size_t n = 0;
    int64_t value = 0;
    for (; n < text.size() && IsDigit(text[n]); ++n) {
        const int digit = text[n] - '0';
        if (value > (INT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (n == 0) return std::nullopt;
    text.remove_prefix(n);
    return value;
}

void SkipWhite(std::string_view& text, std::string_view white) {
    while (!text.empty() && white.find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
}

// Whether `value` is an answer naming exactly (first, last, length or "*"), in the widest
// form the check may accept: blanks and line-end characters around, any letter case.
bool NamesRequest(std::string_view value, int64_t first, int64_t last, int64_t length) {
    SkipWhite(value, " \t");
    static constexpr std::string_view kUnit = "bytes";
    if (value.size() < kUnit.size()) return false;
    for (size_t i = 0; i < kUnit.size(); ++i)
        if (Lower(value[i]) != kUnit[i]) return false;
    value.remove_prefix(kUnit.size());
    SkipWhite(value, " \t");
    const std::optional<int64_t> a = TakeDigits(value);
    if (!a || *a != first || value.empty() || value.front() != '-') return false;
    value.remove_prefix(1);
    const std::optional<int64_t> b = TakeDigits(value);
    if (!b || *b != last || value.empty() || value.front() != '/') return false;
    value.remove_prefix(1);
    if (!value.empty() && value.front() == '*') {
        value.remove_prefix(1);
    } else {
        const std::optional<int64_t> c = TakeDigits(value);
        if (!c || *c != length) return false;
    }
    SkipWhite(value, " \t\r\n");
    return value.empty();
}

void CheckContentRange(std::string_view value, int64_t first, int64_t last, int64_t length) {
    // The downloader asks only for such ranges (of a package of at least 256 bytes).
    if (first < 0 || last < first || length <= last) return;
    if (ContentRangeMatches(value, first, last, length))
        FUZZ_CHECK(NamesRequest(value, first, last, length));

    const std::string range = RangeText(first, last);
    const std::string total = std::to_string(length);
    FUZZ_CHECK(ContentRangeMatches("bytes " + range + "/" + total, first, last, length));
    FUZZ_CHECK(ContentRangeMatches("Bytes " + range + "/*", first, last, length));
    FUZZ_CHECK(ContentRangeMatches("BYTES " + range + "/" + total + "\r\n", first, last, length));
    if (length < INT64_MAX) {
        FUZZ_CHECK(!ContentRangeMatches("bytes " + range + "/" + std::to_string(length + 1), first,
                                        last, length));
    }
    if (first < last) {
        FUZZ_CHECK(!ContentRangeMatches("bytes " + RangeText(first + 1, last) + "/" + total, first,
                                        last, length));
        FUZZ_CHECK(!ContentRangeMatches("bytes " + RangeText(first, last - 1) + "/" + total, first,
                                        last, length));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const auto first = input.ConsumeIntegral<int64_t>();
    const auto last = input.ConsumeIntegral<int64_t>();
    const auto length = input.ConsumeIntegral<int64_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    CheckDigestFromUrl(text);
    CheckContentRange(text, first, last, length);
    // The same value against the request it names when the numbers parse, so that accepted
    // answers are common.
    std::string_view rest = text;
    SkipWhite(rest, " \t");
    if (rest.size() > 5) {
        rest.remove_prefix(5);
        SkipWhite(rest, " \t");
        const std::optional<int64_t> a = TakeDigits(rest);
        if (a && !rest.empty()) rest.remove_prefix(1);
        const std::optional<int64_t> b = TakeDigits(rest);
        if (b && !rest.empty()) rest.remove_prefix(1);
        const std::optional<int64_t> c = TakeDigits(rest);
        if (a && b && c) CheckContentRange(text, *a, *b, *c);
    }
    return 0;
}
